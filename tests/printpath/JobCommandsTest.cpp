// The job and page commands: their kinds, the settings they accept, the
// output channel a document command carries, their equality, their stored
// forms (every registered print-path class has a store-size sample), and
// a job flowing through a small chain of peripherals.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/GErrorCommand.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/GDownloadHeaderCommand.h"
#include "printpath/GBackCoverFilter.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GCopyPageFilter.h"
#include "printpath/GLetterheadFilter.h"
#include "printpath/GManualDuplexFilter.h"
#include "printpath/GReverseFilter.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPeripheralProxy.h"
#include "printpath/GPrinter.h"
#include "printpath/PrintPathClasses.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/DriverServerTestSupport.h"
#include "w32test/Testing.h"

namespace {

using qvtest::RecordingPeripheral;
using Ops = std::vector<std::string>;

const int32_t kJobCommandsCopies = 5;

GState* Settings(int32_t id) {
  auto* settings = new GState(&id);
  settings->AddChild(new GValueAttribute(2, &kJobCommandsCopies));
  return settings;
}

class CountedChannel : public GOutputChannel {
 public:
  static inline int live = 0;
  CountedChannel() : GOutputChannel(RWWString(u"LPT1:")) { ++live; }
  ~CountedChannel() override { --live; }
  int16_t Write(const uint8_t*, uint32_t, uint32_t*) override { return 0; }
  int IsReady() override { return 1; }
};

class JobCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

TEST_F(JobCommandsTest, EachCommandAnswersTheKindTestForItsOwnLine) {
  const std::set<RWClassID> all = {601, 704, 705, 706, 708, 709, 710, 712, 713, 714, 715, 718, 751};
  struct Case {
    std::shared_ptr<GCommand> command;
    std::set<RWClassID> kinds;
  };
  const Case cases[] = {
      {std::make_shared<GDocumentStart>(), {705, 704, 601, 751}},
      {std::make_shared<GDocumentEnd>(), {706, 704, 601, 751}},
      {std::make_shared<GPageStart>(), {709, 708, 601, 751}},
      {std::make_shared<GPageEnd>(), {710, 708, 601, 751}},
      {std::make_shared<GJobAbort>(), {713, 601, 751}},
      {std::make_shared<GErrorCommand>(1, nullptr), {714, 601, 751}},
      {std::make_shared<GNoCommand>(), {715, 601, 751}},
      {std::make_shared<GNullCommand>(), {712, 601, 751}},
      {std::make_shared<GDocumentBreak>(), {718, 601, 751}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command->ClassId());
    for (RWClassID id : all) EXPECT_EQ(c.command->DerivesFrom(id) != 0, c.kinds.count(id) == 1) << id;
  }
}

TEST_F(JobCommandsTest, DocumentAndPageCommandsTakeOnlyStatesAndStampThem) {
  GPageStart page(Settings(3));
  EXPECT_EQ(page.GetSettings()->FeatureId(), 256);
  GState* held = page.GetSettings();
  page.SetSettings(new GValueAttribute(1, &kJobCommandsCopies));  // not a state: destroyed, the old settings stay
  EXPECT_EQ(page.GetSettings(), held);
  page.SetSettings(Settings(17));
  EXPECT_EQ(page.GetSettings()->FeatureId(), 256);
  EXPECT_EQ(GPageEnd().GetSettings()->FeatureId(), 256) << "fresh settings without any given";

  GDocumentStart start(RWWString(u"Report"), RWCString("report"), RWWString(u"LPT1:"), nullptr, Settings(9));
  EXPECT_EQ(start.GetSettings()->FeatureId(), 246);
  start.SetSettings(new GPageStart);  // a command is no settings
  EXPECT_EQ(start.GetSettings()->FeatureId(), 246);
  EXPECT_EQ(GDocumentEnd().GetSettings()->FeatureId(), 246);

  GNoCommand none;
  none.SetSettings(Settings(256));  // destroyed
  none.AssignSettings(GCountedPtr(Settings(256)));
  EXPECT_EQ(none.GetSettings(), nullptr) << "a no-op command never carries settings";
  GJobAbort abort;
  abort.SetSettings(Settings(4));
  EXPECT_EQ(abort.GetSettings()->FeatureId(), 4) << "other commands keep any state as it is";
}

TEST_F(JobCommandsTest, TheCarriedChannelSurvivesCopiesAndIsNeverDeletedByACommand) {
  CountedChannel::live = 0;
  auto first = std::make_unique<CountedChannel>();
  auto second = std::make_unique<CountedChannel>();
  {
    GDocumentStart start;
    start.SetOutputChannel(first.get());
    std::unique_ptr<GDocumentStart> copy(start.Clone());
    EXPECT_EQ(copy->GetOutputChannel(), first.get());
    // Another channel in its place: the first one belongs to whoever
    // opened it and stays.
    start.SetOutputChannel(second.get());
    EXPECT_EQ(CountedChannel::live, 2);
    EXPECT_EQ(copy->GetOutputChannel(), first.get());
  }
  EXPECT_EQ(CountedChannel::live, 2) << "destroying the commands deleted no channel";
}

TEST_F(JobCommandsTest, EqualityFollowsEachCommandsOwnRule) {
  alignas(16) static char a[64];
  alignas(16) static char b[64];
  auto* one = reinterpret_cast<GDriverInstance*>(a);
  auto* two = reinterpret_cast<GDriverInstance*>(b);
  GCountedPtr settings(Settings(246));
  auto start = [&](GDriverInstance* instance, const char16_t* document) {
    return std::make_unique<GDocumentStart>(RWWString(document), RWCString(), RWWString(u"LPT1:"), instance,
                                            static_cast<GState*>(settings.Pointee()));
  };
  EXPECT_TRUE(start(one, u"A")->Matches(start(one, u"A").get()));
  EXPECT_FALSE(start(one, u"A")->Matches(start(two, u"A").get())) << "different instances";
  EXPECT_FALSE(start(one, u"A")->Matches(start(one, u"B").get())) << "different documents";
  EXPECT_FALSE(GDocumentEnd().Matches(start(nullptr, u"").get())) << "different classes";

  GCountedPtr x(new GJobAbort);
  GCountedPtr y(new GJobAbort);
  GErrorCommand e1(5, CommandOf(x));
  GErrorCommand e2(5, CommandOf(y));
  GErrorCommand e3(5, CommandOf(x));
  GErrorCommand e4(6, CommandOf(x));
  EXPECT_TRUE(e1.Matches(&e1));
  EXPECT_FALSE(e1.Matches(&e2)) << "the same status, but another failed command";
  EXPECT_TRUE(e1.Matches(&e3));
  EXPECT_FALSE(e1.Matches(&e4));
  EXPECT_TRUE(GPageStart().Matches(std::make_unique<GPageStart>().get()));
  EXPECT_FALSE(GPageStart().Matches(std::make_unique<GPageEnd>().get()));
  EXPECT_TRUE(GNullCommand().Matches(std::make_unique<GNullCommand>().get()));
}

// A sample of each registered print-path class.
std::vector<std::function<MPersistentObject*()>> Samples() {
  return {
      [] { return new GPeripheralComposite; },
      [] { return new GPrinter(RWCString("Printer"), nullptr, nullptr, &kJobCommandsCopies); },
      [] {
        auto* start = new GDocumentStart(RWWString(u"Quarterly report"), RWCString("report"),
                                         RWWString(u"\\\\server\\queue"), nullptr, Settings(246));
        return start;
      },
      [] { return new GDocumentEnd; },
      [] { return new GPageStart(Settings(256), &kJobCommandsCopies); },
      [] { return new GPageEnd; },
      [] { return new GJobAbort(&kJobCommandsCopies); },
      [] { return new GNoCommand; },
      [] { return new GDocumentBreak(&kJobCommandsCopies); },
      [] {
        w32test::MakeDirectories(u"C:\\Spool");
        auto* spool = new GCommandCompositeOnDisk(RWWString(u"C:\\Spool\\sample.spl"), 0, &kJobCommandsCopies);
        spool->AddChildHandle(GCountedRef(new GDownloadHeaderCommand(19, nullptr)));
        spool->SetSettings(Settings(3));
        spool->Close();
        return spool;
      },
      [] {
        auto* null = new GNullCommand;
        null->SetSettings(Settings(3));
        return null;
      },
      // A proxy whose module is not there holds no add-on.
      [] { return new GPeripheralProxy(RWWString(u"absent.dll"), kAddOnPcl, kAddOnsPerCommand); },
      [] { return new GCopyPageFilter(&kJobCommandsCopies); },
      [] {
        auto* duplex = new GManualDuplexFilter(&kJobCommandsCopies);
        duplex->SetFixedTray(-3);  // the stored tray comes back as it was
        return duplex;
      },
      [] { return new GReverseFilter(&kJobCommandsCopies); },
      [] { return new GLetterheadFilter(&kJobCommandsCopies); },
      [] { return new GBackCoverFilter(&kJobCommandsCopies); },
  };
}

TEST_F(JobCommandsTest, EveryRegisteredClassRoundTripsAndPredictsItsStoredSize) {
  std::set<RWClassID> sampled;
  for (const auto& make : Samples()) {
    std::unique_ptr<MPersistentObject> object(make());
    SCOPED_TRACE(object->ClassId());
    qvtest::ExpectStoredByteCountIsWritten(*object);
    // A restored on-disk composite comes back open on the file, so it never
    // matches its closed source; its own tests check what it reads back.
    if (object->ClassId() != GCommandCompositeOnDiskClassId) qvtest::ExpectRoundTripsInAllForms(*object);
    sampled.insert(object->ClassId());
  }
  unsigned count = 0;
  const ModelClassEntry* classes = PrintPathClasses(&count);
  for (unsigned i = 0; i < count; ++i)
    EXPECT_EQ(sampled.count(classes[i].id), 1u) << classes[i].name << " has no store-size sample";
}

TEST_F(JobCommandsTest, DamagedStoredJobCommandsFailWithoutACrash) {
  GDocumentStart start(RWWString(u"Doc"), RWCString(), RWWString(u"LPT1:"), nullptr, Settings(246));
  GPageEnd end(Settings(256));
  for (const MPersistentObject* object :
       {static_cast<const MPersistentObject*>(&start), static_cast<const MPersistentObject*>(&end)}) {
    const std::string whole = qvtest::SaveInForm(object, qvtest::ModelForm::kFile);
    for (size_t n = 0; n < whole.size(); ++n) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(whole.substr(0, n), qvtest::ModelForm::kFile);
      EXPECT_TRUE(read.failed || read.object == nullptr) << n;
      delete read.object;
    }
  }
  // A document name that claims more characters than follow.
  std::string bytes = qvtest::SaveInForm(&start, qvtest::ModelForm::kFile);
  const size_t nameAt = 4 + 2 + 12 + 4;
  // Skip the settings object to the document command's version and name.
  const std::string settingsBytes = qvtest::SaveInForm(start.GetSettings(), qvtest::ModelForm::kFile);
  const size_t lengthAt = nameAt + (settingsBytes.size() - 4) + 4;
  ASSERT_EQ(static_cast<uint8_t>(bytes[lengthAt]), 3);
  bytes[lengthAt + 3] = '\x7F';
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  EXPECT_TRUE(read.failed || read.object == nullptr || static_cast<GDocumentStart*>(read.object)
                                                               ->GetDocumentName()
                                                               .Length() < 0x7F000000u);
  delete read.object;
}

// ---- A job through a chain of peripherals ----

TEST_F(JobCommandsTest, AJobFlowsThroughAChainAndEachStageFollowsItsBoundaries) {
  RecordingPeripheral first;
  RecordingPeripheral second;
  auto through = [&](GCommand* command) { return second.Send(CommandOf(first.Send(command))); };
  static const uint8_t kBytes[] = {'@', 'P', 'J', 'L'};

  through(new GDocumentStart(RWWString(u"Doc"), RWCString("doc"), RWWString(u"LPT1:"), nullptr, Settings(246)));
  EXPECT_TRUE(first.IsInDocument());
  EXPECT_TRUE(second.IsInDocument());
  EXPECT_NE(first.GetCurrentState()->FindById(246), nullptr) << "job settings in the job section";
  through(new GPageStart(Settings(256)));
  EXPECT_TRUE(second.IsInPage());
  through(new GPassThroughCommand(kBytes, 4, 767, nullptr));
  through(new GNullCommand);
  GCountedPtr none = through(new GNoCommand);
  EXPECT_EQ(CommandOf(none)->ClassId(), GNoCommandClassId);
  through(new GPageEnd);
  EXPECT_TRUE(second.IsInDocument());
  through(new GDocumentBreak);
  EXPECT_TRUE(second.IsInDocument()) << "a break is no document end for the base";
  through(new GDocumentEnd);
  EXPECT_EQ(second.GetMode(), 0);
  // The command operations in job order; the settings went out before the
  // first command that brought them.
  const Ops expected = {"DocumentStart", "PageStart", "PassThrough", "PageEnd", "DocumentBreak", "DocumentEnd"};
  for (const RecordingPeripheral* stage : {&first, &second}) {
    Ops commands;
    for (const std::string& op : stage->Operations())
      if (op != "SetValue") commands.push_back(op);
    EXPECT_EQ(commands, expected);
    ASSERT_FALSE(stage->Operations().empty());
    EXPECT_EQ(stage->Operations().front(), "SetValue");
  }

  // A stage that refuses the page start sends an error on; the next stage
  // neither sees the page start nor enters the page.
  first.Clear();
  second.Clear();
  first.SetResult("PageStart", 1);
  GCountedPtr out = through(new GPageStart);
  auto* error = dynamic_cast<GErrorCommand*>(out.Pointee());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 1);
  ASSERT_NE(error->GetFailedCommand(), nullptr);
  EXPECT_EQ(error->GetFailedCommand()->ClassId(), GPageStartClassId);
  EXPECT_TRUE(second.Operations().empty());
  EXPECT_FALSE(second.IsInPage());

  // Commands refuse to dispatch without a peripheral.
  EXPECT_EQ(GPageStart().Dispatch(nullptr), GCommand::kNoReceiver);
  EXPECT_EQ(GDocumentEnd().Dispatch(nullptr), GCommand::kNoReceiver);
  EXPECT_EQ(GJobAbort().Dispatch(nullptr), GCommand::kNoReceiver);
  EXPECT_EQ(GNoCommand().Dispatch(nullptr), 0);
  EXPECT_EQ(GNullCommand().Dispatch(nullptr), 0);
}

// ---- The print-side instance of a document start ----

class DocumentStartInstanceTest : public qvtest::DriverServerTest {};

TEST_F(DocumentStartInstanceTest, ARestoredStartRefersToTheLiveInstanceUnderItsHandle) {
  int handle = 0;
  ASSERT_NE(server->OpenRenderInstance(Key(u"A", u"Quarrin"), &handle), nullptr);
  GDriverInstance* instance = server->FindRenderDriverInstance(handle);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(server->FindRenderDriverInstance(handle + 1000), nullptr);

  GDocumentStart start(RWWString(u"Doc"), RWCString("job"), RWWString(u"LPT1:"), instance, nullptr);
  qvtest::ExpectStoredByteCountIsWritten(start);
  const std::string bytes = qvtest::SaveInForm(&start, qvtest::ModelForm::kPortableText);
  {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kPortableText);
    std::unique_ptr<MPersistentObject> object(read.object);
    auto* restored = dynamic_cast<GDocumentStart*>(object.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetDriverInstance(), instance);
    EXPECT_TRUE(restored->GetJobText().IsEmpty()) << "the job text is not stored";
    EXPECT_TRUE(restored->Matches(&start));
  }
  // Once the instance is gone, the same bytes give a start without one.
  server->CloseRenderInstance(handle);
  server->DropCaches();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kPortableText);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GDocumentStart*>(object.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetDriverInstance(), nullptr);
}

}  // namespace
