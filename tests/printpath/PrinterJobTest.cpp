// A job through the printer and through peripheral composites: which child
// sees which command and in what order, the output channel of the job, the
// state the printer shares with its children, the active list of a
// composite, and children that change the composite while it works.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GNoCommand.h"
#include "printpath/GOutputChannelSource.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPrinter.h"
#include "support/RecordingPeripheral.h"
#include "support/ScopedUpwardServices.h"

namespace {

using qvtest::RecordingPeripheral;
using Log = std::vector<std::string>;

const int32_t kCopies = 5;
const int32_t kJobStage = 700;

// Every command a stage handles, as "stage:operation", across stages.
Log g_log;

class LoggingPeripheral : public RecordingPeripheral {
 public:
  LoggingPeripheral(const char* name, const int32_t* id) : RecordingPeripheral(id) { SetName(name); }
  LoggingPeripheral(const LoggingPeripheral& other) = default;
  LoggingPeripheral* Clone() const override { return new LoggingPeripheral(*this); }

  int16_t DocumentStart(GDocumentStart* c) override { return Note("DocumentStart", RecordingPeripheral::DocumentStart(c)); }
  int16_t DocumentEnd(GDocumentEnd* c) override { return Note("DocumentEnd", RecordingPeripheral::DocumentEnd(c)); }
  int16_t PageStart(GPageStart* c) override { return Note("PageStart", RecordingPeripheral::PageStart(c)); }
  int16_t PageEnd(GPageEnd* c) override { return Note("PageEnd", RecordingPeripheral::PageEnd(c)); }
  int16_t JobAbort(GJobAbort* c) override { return Note("JobAbort", RecordingPeripheral::JobAbort(c)); }
  int16_t PassThrough(GPassThroughCommand* c) override { return Note("PassThrough", RecordingPeripheral::PassThrough(c)); }
  int16_t Error(GErrorCommand* c) override { return Note("Error", RecordingPeripheral::Error(c)); }

  // A stage that leaves the job at its document start.
  bool leaveAtStart = false;

 private:
  int16_t Note(const char* operation, int16_t status) {
    g_log.push_back(std::string(Name().Data()) + ":" + operation);
    if (leaveAtStart && std::string(operation) == "DocumentStart") Deactivate();
    return status;
  }
};

// A generator for the printer: it answers the generators' kind and, applied
// to a peripheral, asks it to take a copy of itself.
class TestGenerator : public LoggingPeripheral {
 public:
  explicit TestGenerator(const char* name) : LoggingPeripheral(name, &GFeatureIds::kGeneratorPeripheral) {}
  TestGenerator(const TestGenerator& other) = default;
  TestGenerator* Clone() const override { return new TestGenerator(*this); }
  int DerivesFrom(RWClassID classId) const override {
    return classId == GGeneratorKindId || LoggingPeripheral::DerivesFrom(classId);
  }
  int16_t ApplyTo(GPeripheral* target) override { return target->UsePcl5eGenerator(this); }
};

class TestChannel : public GOutputChannel {
 public:
  static inline int live = 0;
  static inline int ready = 1;
  static inline RWWString lastDocument;
  TestChannel() : GOutputChannel(RWWString(u"LPT1:")) { ++live; }
  ~TestChannel() override { --live; }
  int16_t Open(const RWWString& documentName) override {
    lastDocument = documentName;
    return GOutputChannel::Open(documentName);
  }
  int16_t Write(const uint8_t*, uint32_t count, uint32_t* written) override {
    if (written != nullptr) *written = count;
    return 0;
  }
  int IsReady() override { return ready; }
};

RWWString g_requestedPort;
GOutputChannel* OpenTestChannel(GDriverInstance*, const RWWString& port, int) {
  g_requestedPort = port;
  return new TestChannel;
}
GOutputChannel* NoChannel(GDriverInstance*, const RWWString&, int) { return nullptr; }

GState* JobSettings(int32_t id) {
  auto* settings = new GState(&id);
  settings->AddChild(new GValueAttribute(2, &kCopies));
  return settings;
}

GDocumentStart* NewStart() {
  return new GDocumentStart(RWWString(u"Quarterly"), RWCString("q"), RWWString(u"LPT1:"), nullptr, JobSettings(246));
}

class PrinterJobTest : public ::testing::Test {
 protected:
  qvtest::ScopedUpwardServices services_;

  void SetUp() override {
    g_log.clear();
    TestChannel::ready = 1;
    services_.Change([](GUpwardServices& s) { s.outputChannel = &OpenTestChannel; });
    pjl = new LoggingPeripheral("pjl", &GFeatureIds::kPjlPeripheral);
    generator = new TestGenerator("gen");
    printer.AddChild(pjl);
    printer.AddChild(generator);
  }
  void TearDown() override {
    g_log.clear();
  }

  GPrinter printer{RWCString("Printer"), nullptr, nullptr, &kJobStage};
  LoggingPeripheral* pjl = nullptr;
  TestGenerator* generator = nullptr;
};

TEST_F(PrinterJobTest, AJobReachesThePjlPeripheralAtItsBoundariesAndTheGeneratorThroughout) {
  static const uint8_t kBytes[] = {0x1B, 'E'};
  GCountedPtr out = printer.Send(NewStart());
  EXPECT_EQ(CommandOf(out)->ClassId(), GDocumentStartClassId);
  EXPECT_EQ(printer.GetMode(), 1);
  ASSERT_NE(printer.GetOutputChannel(), nullptr);
  EXPECT_TRUE(printer.OwnsOutputChannel());
  EXPECT_EQ(g_requestedPort, RWWString(u"LPT1:"));
  EXPECT_EQ(TestChannel::lastDocument, RWWString(u"Quarterly"));
  EXPECT_EQ(static_cast<GDocumentStart*>(CommandOf(out))->GetOutputChannel(), printer.GetOutputChannel())
      << "later stages use the same channel";

  printer.Send(new GPageStart(JobSettings(256)));
  printer.Send(new GPassThroughCommand(kBytes, 2, 788, nullptr));
  printer.Send(new GPageEnd(JobSettings(256)));
  EXPECT_EQ(printer.GetMode(), 1) << "page boundaries leave the printer's mode alone";
  out = printer.Send(new GDocumentEnd);
  EXPECT_EQ(CommandOf(out)->ClassId(), GDocumentEndClassId);
  EXPECT_EQ(printer.GetMode(), 0);
  EXPECT_EQ(printer.GetOutputChannel(), nullptr);
  EXPECT_EQ(TestChannel::live, 0) << "the owned channel is closed and deleted";

  const Log expected = {"pjl:DocumentStart", "gen:DocumentStart", "gen:PageStart", "gen:PassThrough",
                        "gen:PageEnd",       "pjl:PageEnd",       "gen:DocumentEnd", "pjl:DocumentEnd"};
  EXPECT_EQ(g_log, expected);
}

TEST_F(PrinterJobTest, AJobAbortGoesToTheGeneratorThenThePjlPeripheralAndAbortsTheChannel) {
  printer.Send(NewStart());
  ASSERT_EQ(TestChannel::live, 1);
  GOutputChannel* channel = printer.GetOutputChannel();
  ASSERT_NE(channel, nullptr);
  g_log.clear();
  GCountedPtr out = printer.Send(new GJobAbort);
  EXPECT_EQ(CommandOf(out)->ClassId(), GJobAbortClassId);
  EXPECT_EQ((Log{"gen:JobAbort", "pjl:JobAbort"}), g_log);
  EXPECT_EQ(printer.GetMode(), 0);
  EXPECT_EQ(TestChannel::live, 0);
}

TEST_F(PrinterJobTest, WithoutAChannelTheDocumentStartBecomesError601ForBothChildren) {
  for (auto source : {&NoChannel, &OpenTestChannel}) {
    SCOPED_TRACE(source == &NoChannel ? "no channel" : "channel not ready");
    g_log.clear();
    services_.Change([&](GUpwardServices& s) { s.outputChannel = source; });
    TestChannel::ready = 0;
    GCountedPtr out = printer.Send(NewStart());
    auto* error = dynamic_cast<GErrorCommand*>(CommandOf(out));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->GetStatus(), 601);
    EXPECT_TRUE(g_log.empty()) << "the children got the error, not the document start";
    EXPECT_EQ(printer.GetMode(), 0);
    EXPECT_EQ(TestChannel::live, 0) << "a channel that is not ready is not kept";
  }
}

TEST_F(PrinterJobTest, AChannelTheStartAlreadyCarriesIsUsedButNotOwned) {
  TestChannel channel;
  GDocumentStart* start = NewStart();
  start->SetOutputChannel(&channel);
  services_.Change([](GUpwardServices& s) { s.outputChannel = &NoChannel; });
  GCountedPtr out = printer.Send(start);
  EXPECT_EQ(CommandOf(out)->ClassId(), GDocumentStartClassId);
  EXPECT_EQ(printer.GetOutputChannel(), &channel);
  EXPECT_FALSE(printer.OwnsOutputChannel());
  EXPECT_EQ(channel.GetState(), GOutputChannel::kClosed) << "opened by whoever gave it";
  printer.Send(new GDocumentEnd);
  EXPECT_EQ(TestChannel::live, 1) << "neither closed nor deleted by the printer";
}

TEST_F(PrinterJobTest, APageEndOnAChannelThatIsNotOpenBecomesError1) {
  // No document: no channel at all.
  GCountedPtr out = printer.Send(new GPageEnd(JobSettings(256)));
  auto* error = dynamic_cast<GErrorCommand*>(CommandOf(out));
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 1);
  // An open channel accepts the page end.
  printer.Send(NewStart());
  out = printer.Send(new GPageEnd(JobSettings(256)));
  EXPECT_EQ(CommandOf(out)->ClassId(), GPageEndClassId);
  printer.Send(new GDocumentEnd);
}

TEST_F(PrinterJobTest, ThePrinterAndItsChildrenShareOneStateAndTheGeneratorNamesItsLanguage) {
  EXPECT_EQ(pjl->GetCurrentState(), printer.GetCurrentState());
  EXPECT_EQ(generator->GetCurrentState(), printer.GetCurrentState());
  EXPECT_EQ(generator->GetDefaultState(), printer.GetDefaultState());
  auto* name = dynamic_cast<GStringAttribute*>(printer.GetCurrentState()->FindById(GFeatureIds::kPdlLanguageName));
  ASSERT_NE(name, nullptr) << "the PJL peripheral finds the language name in the shared state";
  EXPECT_EQ(name->GetString(), RWCString("gen"));

  // Settings merged at the printer are seen by both children.
  printer.Send(new GPageStart(JobSettings(256)));
  for (GPeripheral* child : {static_cast<GPeripheral*>(pjl), static_cast<GPeripheral*>(generator)})
    EXPECT_NE(child->GetCurrentState()->FindById(256), nullptr);
}

TEST_F(PrinterJobTest, UsingAnotherGeneratorLeavesOneGeneratorChildWithItsOwnName) {
  TestGenerator other("PCL5E");
  const int32_t elsewhere = 42;
  other.SetFeatureId(elsewhere);
  EXPECT_EQ(printer.UsePcl5eGenerator(&other), 0);
  int generators = 0;
  for (size_t i = 0; i < printer.ChildCount(); ++i)
    if (printer.ChildAt(i)->FeatureId() == GFeatureIds::kGeneratorPeripheral) ++generators;
  EXPECT_EQ(generators, 1);
  GPeripheral* now = printer.GetGeneratorChild();
  ASSERT_NE(now, nullptr);
  EXPECT_NE(now, &other) << "a copy takes the place";
  EXPECT_EQ(now->Name(), RWCString("PCL5E"));
  auto* name = dynamic_cast<GStringAttribute*>(now->GetCurrentState()->FindById(GFeatureIds::kPdlLanguageName));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->GetString(), RWCString("PCL5E"));
  EXPECT_EQ(printer.GetPjlChild(), pjl);

  // The same through the generator's own ApplyTo, as settings bring it.
  TestGenerator third("PS");
  EXPECT_EQ(third.ApplyTo(&printer), 0);
  ASSERT_NE(printer.GetGeneratorChild(), nullptr);
  EXPECT_EQ(printer.GetGeneratorChild()->Name(), RWCString("PS"));
  EXPECT_EQ(printer.ChildCount(), 2u);
}

TEST_F(PrinterJobTest, APrinterWithoutChildrenSkipsTheStepsThatNameThem) {
  GPrinter bare(&kJobStage);
  for (GCommand* command : std::initializer_list<GCommand*>{NewStart(), new GPageStart(JobSettings(256)),
                                                           new GPageEnd(JobSettings(256)), new GDocumentEnd}) {
    GCountedPtr out = bare.Send(command);
    ASSERT_NE(CommandOf(out), nullptr);
    EXPECT_EQ(CommandOf(out)->ClassId(), command->ClassId());
  }
  EXPECT_EQ(TestChannel::live, 0);
  printer.Send(NewStart());
  delete printer.RemoveChild(generator);
  GCountedPtr out = printer.Send(new GPageStart(JobSettings(256)));
  EXPECT_EQ(CommandOf(out)->ClassId(), GPageStartClassId);
  printer.Send(new GJobAbort);
  EXPECT_EQ(TestChannel::live, 0);
}

TEST_F(PrinterJobTest, ASecondJobAfterARebuildGetsAFreshChannelAndEveryStage) {
  pjl->leaveAtStart = true;  // takes part in the first job only up to its start
  printer.Send(NewStart());
  printer.Send(new GDocumentEnd);
  EXPECT_FALSE(pjl->IsActive());
  printer.RebuildCurrentState();
  EXPECT_TRUE(pjl->IsActive());
  EXPECT_EQ(pjl->GetCurrentState(), printer.GetCurrentState()) << "still one shared state";
  pjl->leaveAtStart = false;
  g_log.clear();
  printer.Send(NewStart());
  EXPECT_EQ(TestChannel::live, 1);
  printer.Send(new GDocumentEnd);
  EXPECT_EQ(TestChannel::live, 0);
  const Log expected = {"pjl:DocumentStart", "gen:DocumentStart", "gen:DocumentEnd", "pjl:DocumentEnd"};
  EXPECT_EQ(g_log, expected);
}

// ---- Peripheral composites ----

class CompositeJobTest : public ::testing::Test {
 protected:
  void SetUp() override { g_log.clear(); }
  void TearDown() override { g_log.clear(); }
};

TEST_F(CompositeJobTest, OnlyTheChildrenThatTookTheDocumentStartSeeTheJob) {
  GPeripheralComposite composite(&kJobStage);
  auto* a = new LoggingPeripheral("a", &kJobStage);
  auto* b = new LoggingPeripheral("b", &kJobStage);
  auto* c = new LoggingPeripheral("c", &kJobStage);
  b->leaveAtStart = true;
  composite.AddChild(a);
  composite.AddChild(b);
  composite.AddChild(c);
  composite.Send(NewStart());
  ASSERT_EQ(composite.ActiveCount(), 2u);
  EXPECT_EQ(composite.ActiveAt(0), a);
  EXPECT_EQ(composite.ActiveAt(1), c);
  composite.Send(new GPageStart);
  composite.Send(new GDocumentEnd);
  EXPECT_EQ(composite.ActiveCount(), 0u) << "emptied at the document end";
  const Log expected = {"a:DocumentStart", "b:DocumentStart", "c:DocumentStart", "a:PageStart",
                        "c:PageStart",     "a:DocumentEnd",   "c:DocumentEnd"};
  EXPECT_EQ(g_log, expected);

  // All children leave: commands pass unchanged and no effects are reported.
  a->RebuildCurrentState();
  a->leaveAtStart = true;
  c->leaveAtStart = true;
  composite.Send(NewStart());
  EXPECT_EQ(composite.ActiveCount(), 0u);
  EXPECT_EQ(composite.GetEffectFlags(), 0);
  GPageStart* page = new GPageStart;
  GCountedPtr out = composite.Send(page);
  EXPECT_EQ(out.Pointee(), page);
  // A rebuild brings every child back.
  composite.RebuildCurrentState();
  for (size_t i = 0; i < composite.ChildCount(); ++i) EXPECT_TRUE(composite.ChildAt(i)->IsActive()) << i;
}

// A stage that swallows or fails every page start.
class SwallowingPeripheral : public LoggingPeripheral {
 public:
  SwallowingPeripheral(const char* name, GCommand* (*answer)(GCommand*))
      : LoggingPeripheral(name, &kJobStage), answer_(answer) {}
  GCountedPtr Filter(GCommand* command) override {
    if (command->ClassId() == GPageStartClassId) {
      GCountedPtr held(command);
      return GCountedPtr(answer_(command));
    }
    return LoggingPeripheral::Filter(command);
  }

 private:
  GCommand* (*answer_)(GCommand*);
};

TEST_F(CompositeJobTest, ANoOpOrErrorAnswerEndsTheWalkAtTheChildThatGaveIt) {
  struct Case {
    const char* name;
    GCommand* (*answer)(GCommand*);
    RWClassID expected;
  } cases[] = {
      {"no-op", [](GCommand*) -> GCommand* { return new GNoCommand; }, GNoCommandClassId},
      {"error", [](GCommand* c) -> GCommand* { return new GErrorCommand(7, c); }, GErrorCommandClassId},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    g_log.clear();
    GPeripheralComposite composite(&kJobStage);
    composite.AddChild(new SwallowingPeripheral("first", test.answer));
    composite.AddChild(new LoggingPeripheral("second", &kJobStage));
    composite.Send(NewStart());
    GCountedPtr out = composite.Send(new GPageStart);
    EXPECT_EQ(CommandOf(out)->ClassId(), test.expected);
    EXPECT_EQ((Log{"first:DocumentStart", "second:DocumentStart"}), g_log) << "second never saw the page";
    composite.Send(new GDocumentEnd);
  }
}

TEST_F(CompositeJobTest, ADocumentStartInsideACommandCompositeStillStartsTheJob) {
  GPeripheralComposite composite(&kJobStage);
  composite.AddChild(new LoggingPeripheral("a", &kJobStage));
  auto* batch = new GCommandComposite;
  batch->AddChild(NewStart());
  batch->AddChild(new GPageStart);
  composite.Send(batch);
  EXPECT_EQ(composite.ActiveCount(), 1u);
  EXPECT_EQ((Log{"a:DocumentStart", "a:PageStart"}), g_log);
  auto* end = new GCommandComposite;
  end->AddChild(new GPageEnd);
  end->AddChild(new GDocumentEnd);
  composite.Send(end);
  EXPECT_EQ(composite.ActiveCount(), 0u);
}

// A stage that takes another child out of the composite when it sees a page.
class RemovingPeripheral : public LoggingPeripheral {
 public:
  RemovingPeripheral(GPeripheralComposite* owner, GPeripheral* victim)
      : LoggingPeripheral("remover", &kJobStage), owner_(owner), victim_(victim) {}
  int16_t PageStart(GPageStart* command) override {
    if (victim_ != nullptr) delete owner_->RemoveChild(victim_);
    victim_ = nullptr;
    return LoggingPeripheral::PageStart(command);
  }

 private:
  GPeripheralComposite* owner_;
  GPeripheral* victim_;
};

TEST_F(CompositeJobTest, AChildRemovedDuringAWalkIsNotReachedAfterward) {
  GPeripheralComposite composite(&kJobStage);
  auto* victim = new LoggingPeripheral("victim", &kJobStage);
  composite.AddChild(new RemovingPeripheral(&composite, victim));
  composite.AddChild(victim);
  composite.AddChild(new LoggingPeripheral("last", &kJobStage));
  composite.Send(NewStart());
  g_log.clear();
  composite.Send(new GPageStart);  // the victim goes while the walk is under way
  composite.Send(new GPageEnd);
  EXPECT_EQ(composite.ChildCount(), 2u);
  EXPECT_EQ(composite.ActiveCount(), 2u);
  for (const std::string& entry : g_log) EXPECT_NE(entry, "victim:PageEnd");
  EXPECT_NE(std::find(g_log.begin(), g_log.end(), "last:PageEnd"), g_log.end());
}

TEST_F(CompositeJobTest, TheConfigurationIsTheOwnOneFollowedByTheChildrens) {
  auto* given = new GConfiguration(198);
  using GFeatureIds::kProductModelNumber;
  given->AddChild(new GStringAttribute("Model 7", &kProductModelNumber));
  GPeripheralComposite composite("Stage", nullptr, given, &kJobStage, 0, 6, 2);
  auto* child = new LoggingPeripheral("child", &kJobStage);
  composite.AddChild(child);
  GConfiguration* derived = composite.GetConfiguration();
  ASSERT_EQ(derived->GetEntryCount(), 2);
  EXPECT_EQ(derived->Children().Data()[0].Pointee(), given) << "what was given is kept";
  EXPECT_EQ(derived->Children().Data()[1].Pointee(), child->GetConfiguration());
  EXPECT_NE(composite.FindById(kJobStage), nullptr);
  delete composite.RemoveChild(child);
  EXPECT_EQ(composite.GetConfiguration()->GetEntryCount(), 1);
  std::unique_ptr<GConfiguration> old(composite.ResetConfiguration());
  // A copy: the derived configuration still held the old one.
  ASSERT_NE(old, nullptr);
  EXPECT_NE(old->FindById(kProductModelNumber), nullptr);
  EXPECT_EQ(composite.GetConfiguration()->GetEntryCount(), 1);
}

class NoScaling : public LoggingPeripheral {
 public:
  NoScaling() : LoggingPeripheral("fixed", &kJobStage) {}
  int SupportsScaling() override { return 0; }
  int GetEffectFlags() override { return kEffectReordersPages; }
};

TEST_F(CompositeJobTest, ScalingNeedsEveryChildAndEffectsComeFromTheActiveOnes) {
  GPeripheralComposite composite(&kJobStage);
  composite.AddChild(new LoggingPeripheral("a", &kJobStage));
  EXPECT_EQ(composite.SupportsScaling(), 1);
  auto* fixed = new NoScaling;
  composite.AddChild(fixed);
  EXPECT_EQ(composite.SupportsScaling(), 0);
  EXPECT_EQ(composite.GetEffectFlags(), 0) << "no job, no active child";
  composite.Send(NewStart());
  EXPECT_EQ(composite.GetEffectFlags(), kEffectReordersPages);
  composite.Send(new GJobAbort);
  EXPECT_EQ(composite.ActiveCount(), 0u);
}

// A stage with a fixed scale that counts how often it is asked.
class ScalingStage : public LoggingPeripheral {
 public:
  ScalingStage(const char* name, GRealPair scale) : LoggingPeripheral(name, &kJobStage), scale_(scale) {}
  GRealPair GetScale(GState*, GState*, int32_t page, int32_t* code) override {
    ++asked;
    lastPage = page;
    if (code != nullptr) *code = 3;
    return scale_;
  }
  int asked = 0;
  int32_t lastPage = 0;

 private:
  GRealPair scale_;
};

TEST_F(CompositeJobTest, TheScaleIsTheProductOfTheActiveChildrenAndStopsAtZero) {
  GPeripheralComposite composite(&kJobStage);
  auto* half = new ScalingStage("half", GRealPair(0.5f, 2.0f));
  auto* zero = new ScalingStage("zero", GRealPair(0.0f, 0.0f));
  auto* late = new ScalingStage("late", GRealPair(3.0f, 3.0f));
  composite.AddChild(half);
  composite.AddChild(new ScalingStage("same", GRealPair(0.5f, 0.5f)));
  int32_t code = 0;
  EXPECT_EQ(composite.GetScale(nullptr, nullptr, 1, &code), GRealPair(1.0f, 1.0f)) << "no active child";
  EXPECT_EQ(half->asked, 0);
  composite.Send(NewStart());
  EXPECT_EQ(composite.GetScale(nullptr, nullptr, 4, &code), GRealPair(0.25f, 1.0f));
  EXPECT_EQ(half->lastPage, 4) << "the arguments are passed on";
  EXPECT_EQ(code, 3) << "the code is shared between the children";
  composite.Send(new GJobAbort);

  composite.AddChild(zero);
  composite.AddChild(late);
  composite.Send(NewStart());
  EXPECT_EQ(composite.GetScale(nullptr, nullptr, 1, &code), GRealPair(0.0f, 0.0f));
  EXPECT_EQ(late->asked, 0) << "the walk ends once both components are zero";
  composite.Send(new GJobAbort);
}

TEST_F(CompositeJobTest, ThePrinterAsksItsGeneratorForTheScale) {
  GPrinter printer(&GFeatureIds::kDeviceEntry);
  auto* generator = new GPeripheralComposite(&GFeatureIds::kGeneratorPeripheral);
  generator->AddChild(new ScalingStage("fit", GRealPair(0.5f, 0.5f)));
  printer.AddChild(generator);
  generator->Send(NewStart());
  int32_t code = 0;
  EXPECT_EQ(printer.GetScale(nullptr, nullptr, 1, &code), GRealPair(0.5f, 0.5f));
}

}  // namespace
