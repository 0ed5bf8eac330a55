// The page filters that spool pages: what each sends downstream, in which
// order and number, for jobs sent command by command and as whole-job
// composites; the spool files' names and lifetime; store failures; the
// companion font files; SpoolLock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "driver/GDriverInstance.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GMedia.h"
#include "model/GFeatureIds.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "printpath/GBackCoverFilter.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GCopyPageFilter.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GLetterheadFilter.h"
#include "printpath/GManualDuplexFilter.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPrinter.h"
#include "printpath/GReverseFilter.h"
#include "printpath/SpoolLock.h"
#include "support/PrinterInstanceTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "w32test/Testing.h"

namespace {

constexpr int32_t kPageMark = 4321;  // a page start's number, for reading pages back
const char16_t kSpoolDir[] = u"C:\\SpoolTest";

class SpoolTestFactory : public qvtest::ScriptedFactory {
 public:
  RWWString directory{kSpoolDir};
  RWWString GetTempDirectory(GDriverInstance*) override { return directory; }
};

// The printer configuration the filters read: the copy qualifiers, a
// duplex unit and manual duplex decided by the output bin.
GConfiguration* SpoolTestConfiguration() {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  const int32_t listId = GFeatureIds::kCopyQualifierList;
  auto* qualifiers = new MAssociationList(listId);
  const int32_t none = 0;
  qualifiers->Add(new MPersistentAssociation(new GValueAttribute(1, &none), new GStringAttribute("LOW", &none), none));
  configuration->AddChild(qualifiers);
  const int32_t unitId = GFeatureIds::kDuplexUnit;
  configuration->AddChild(new GValueAttribute(1, &unitId));
  const int32_t modeId = GFeatureIds::kManualDuplex;
  configuration->AddChild(new GValueAttribute(3, &modeId));
  const int32_t discoveredId = GFeatureIds::kDiscoveredDuplexUnit;
  configuration->AddChild(new GValueAttribute(0, &discoveredId));
  return configuration;
}

GState* Settings(int32_t stateId, std::initializer_list<std::pair<int32_t, int16_t>> values) {
  auto* state = new GState(&stateId);
  for (const auto& [id, value] : values) state->AddChild(new GValueAttribute(value, &id));
  return state;
}

// The number a page composite's page start carries (0: none, a blank).
int PageNumberOf(MPersistentObject* page) {
  GState* settings = nullptr;
  GCountedRef record;
  if (auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(page)) {
    disk->HandleByClass(record, GPageStartClassId);
    disk->Close();
    if (auto* start = dynamic_cast<GCommand*>(record.Pointee())) settings = start->GetSettings();
  } else if (auto* start = dynamic_cast<GCommand*>(page->FindByClass(GPageStartClassId))) {
    settings = start->GetSettings();
  }
  auto* mark = settings != nullptr ? dynamic_cast<GValueAttribute*>(settings->FindById(kPageMark)) : nullptr;
  return mark != nullptr ? mark->GetValue() : 0;
}

// What a holder carries: "S" document start, page numbers (of spooled
// pages), "blank", "B" break, "E" end.
std::vector<std::string> Contents(const GCountedPtr& result) {
  std::vector<std::string> out;
  auto* holder = dynamic_cast<GCommandComposite*>(result.Pointee());
  if (holder == nullptr) {
    out.push_back(result.Pointee() != nullptr ? "class " + std::to_string(result.Pointee()->ClassId()) : "none");
    return out;
  }
  MPersistentIterator* it = holder->CreateIterator();
  while (it->Advance()) {
    MPersistentObject* member = it->Current();
    switch (member->ClassId()) {
      case GDocumentStartClassId: out.push_back("S"); break;
      case GDocumentEndClassId: out.push_back("E"); break;
      case GDocumentBreakClassId: out.push_back("B"); break;
      // A page made in memory is a blank one the filter added.
      case GCommandCompositeClassId: out.push_back("blank"); break;
      default: out.push_back(std::to_string(PageNumberOf(member)));
    }
  }
  delete it;
  return out;
}

class SpoolingFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::MakeDirectories(kSpoolDir);
    services_.Change([this](GUpwardServices& s) {
      s.factory = &factory_;
      s.spoolFonts.save = &SpoolingFilterTest::RecordSave;
      s.spoolFonts.load = nullptr;
    });
    saves().clear();
  }
  static std::vector<std::u16string>& saves() {
    static std::vector<std::u16string> list;
    return list;
  }
  static int RecordSave(GDriverInstance*, const RWWString& path) {
    saves().emplace_back(path.Data(), path.Length());
    return 1;
  }

  GDocumentStart* Start(std::initializer_list<std::pair<int32_t, int16_t>> values) {
    return new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), &instance_,
                              Settings(GFeatureIds::kJobSettings, values));
  }
  // Sends the job: document start, pages 1..n (each with a pass-through
  // command and a graphic-free null content), an optional break after the
  // page numbered breakAfter, and the document end. What comes back for
  // each command is kept; the results that are holders are returned.
  std::vector<GCountedPtr> Run(GPeripheral& filter, GDocumentStart* start, int pages, int breakAfter = -1,
                               std::vector<std::pair<int, std::string>>* swallowed = nullptr) {
    std::vector<GCountedPtr> holders;
    auto send = [&](GCommand* command) {
      GCountedPtr result = filter.Send(command);
      if (result.Pointee() != nullptr && result.Pointee()->ClassId() == GCommandCompositeClassId)
        holders.push_back(result);
      else if (swallowed != nullptr && result.Pointee() != nullptr)
        swallowed->emplace_back(static_cast<int>(result.Pointee()->ClassId()), "");
    };
    send(start);
    for (int n = 1; n <= pages; ++n) {
      send(new GPageStart(Settings(GFeatureIds::kPageState, {{kPageMark, static_cast<int16_t>(n)}})));
      const uint8_t bytes[] = {0x1b, 'E'};
      send(new GPassThroughCommand(bytes, 2, 0, nullptr));
      send(new GPageEnd);
      if (n == breakAfter) send(new GDocumentBreak);
    }
    send(new GDocumentEnd);
    return holders;
  }

  SpoolTestFactory factory_;
  qvtest::ScopedUpwardServices services_;
  qvtest::PrinterConfiguredInstance instance_{SpoolTestConfiguration()};
};

using Contents_t = std::vector<std::string>;

TEST_F(SpoolingFilterTest, CopyFilterRepeatsEachPageAndSwallowsTheDocumentUntilItsEnd) {
  GCopyPageFilter filter;
  std::vector<std::pair<int, std::string>> swallowed;
  auto holders = Run(filter,
                     Start({{GFeatureIds::kCopyQualifierIndex, 1},
                            {GFeatureIds::kCopies, 3},
                            {GFeatureIds::kPrinterCopies, 1}}),
                     3, -1, &swallowed);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(Contents(holders[0]), (Contents_t{"S", "1", "1", "1", "2", "2", "2", "3", "3", "3", "E"}));
  for (const auto& [classId, text] : swallowed) EXPECT_EQ(classId, static_cast<int>(GNoCommandClassId));
  // The document start leaves with one copy: no later stage multiplies again.
  auto* holder = dynamic_cast<GCommandComposite*>(holders[0].Pointee());
  auto* start = dynamic_cast<GCommand*>(holder->FindByClass(GDocumentStartClassId));
  auto* copies = dynamic_cast<GValueAttribute*>(start->GetSettings()->FindById(GFeatureIds::kCopies));
  ASSERT_NE(copies, nullptr);
  EXPECT_EQ(copies->GetValue(), 1);
  // Each page's companion font file was saved at its end.
  EXPECT_EQ(saves().size(), 3u);
}

TEST_F(SpoolingFilterTest, PassThroughDataIsRecordedWithItsPageNotDropped) {
  GReverseFilter filter;
  auto holders = Run(filter, Start({{GFeatureIds::kPageOrder, 1}}), 2);
  ASSERT_EQ(holders.size(), 1u);
  auto* holder = dynamic_cast<GCommandComposite*>(holders[0].Pointee());
  MPersistentIterator* it = holder->CreateIterator();
  int pagesWithData = 0;
  while (it->Advance()) {
    auto* page = dynamic_cast<GCommandCompositeOnDisk*>(it->Current());
    if (page == nullptr) continue;
    GCountedRef data;
    page->HandleByClass(data, GPassThroughCommandClassId);
    page->Close();
    pagesWithData += data.Pointee() != nullptr ? 1 : 0;
  }
  delete it;
  EXPECT_EQ(pagesWithData, 2) << "the escape bytes reach the printer with their page";
}

TEST_F(SpoolingFilterTest, CopyFilterSendsEveryPageOnceAfterABreakThatSplitsTheDocumentUnevenly) {
  GCopyPageFilter filter;
  auto holders = Run(filter,
                     Start({{GFeatureIds::kCopyQualifierIndex, 1},
                            {GFeatureIds::kCopies, 2},
                            {GFeatureIds::kPrinterCopies, 1}}),
                     3, 1);
  ASSERT_EQ(holders.size(), 2u);
  EXPECT_EQ(Contents(holders[0]), (Contents_t{"S", "1", "1", "B"}));
  EXPECT_EQ(Contents(holders[1]), (Contents_t{"2", "2", "3", "3", "E"}));
}

TEST_F(SpoolingFilterTest, CopyFilterStaysOutOfJobsItHasNothingToDoIn) {
  struct Case {
    const char* name;
    std::initializer_list<std::pair<int32_t, int16_t>> settings;
  } cases[] = {
      {"printer makes the copies", {{GFeatureIds::kCopyQualifierIndex, 1}, {GFeatureIds::kCopies, 3}, {GFeatureIds::kPrinterCopies, 3}}},
      {"one copy", {{GFeatureIds::kCopyQualifierIndex, 1}, {GFeatureIds::kCopies, 1}, {GFeatureIds::kPrinterCopies, 1}}},
      {"qualifier not LOW", {{GFeatureIds::kCopyQualifierIndex, 0}, {GFeatureIds::kCopies, 3}, {GFeatureIds::kPrinterCopies, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GCopyPageFilter filter;
    EXPECT_TRUE(Run(filter, Start(c.settings), 2).empty());
    EXPECT_EQ(filter.IsActive(), 0);
  }
}

TEST_F(SpoolingFilterTest, ReverseFilterSendsTheLastPageFirst) {
  GReverseFilter filter;
  auto holders = Run(filter, Start({{GFeatureIds::kPageOrder, 1}}), 4);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(Contents(holders[0]), (Contents_t{"S", "4", "3", "2", "1", "E"}));
  GReverseFilter front;
  EXPECT_TRUE(Run(front, Start({{GFeatureIds::kPageOrder, 0}}), 2).empty());
}

TEST_F(SpoolingFilterTest, ManualDuplexSendsBothPassesAroundTheBreak) {
  GManualDuplexFilter filter;
  auto holders = Run(filter, Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kStraightPaperPath, 1}}), 5, 5);
  ASSERT_EQ(holders.size(), 2u);
  // Without a matching output bin: the even sides first (with a blank back
  // for the odd count), the odd ones after the break.
  EXPECT_EQ(Contents(holders[0]), (Contents_t{"S", "2", "4", "blank", "B"}));
  EXPECT_EQ(Contents(holders[1]), (Contents_t{"1", "3", "5", "E"}));
}

TEST_F(SpoolingFilterTest, ManualDuplexWithoutABreakKeepsTheDocumentStartAndTheFirstPass) {
  GManualDuplexFilter filter;
  auto holders = Run(filter, Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kStraightPaperPath, 1}}), 4);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(Contents(holders[0]), (Contents_t{"S", "2", "4", "1", "3", "E"}));
}

TEST_F(SpoolingFilterTest, AWholeJobCompositeIsUnpackedByTheNextFilter) {
  GCopyPageFilter copies;
  auto first = Run(copies,
                   Start({{GFeatureIds::kCopyQualifierIndex, 1},
                          {GFeatureIds::kCopies, 2},
                          {GFeatureIds::kPrinterCopies, 1},
                          {GFeatureIds::kPageOrder, 1}}),
                   3);
  ASSERT_EQ(first.size(), 1u);
  GReverseFilter reverse;
  GCountedPtr result = reverse.Send(dynamic_cast<GCommand*>(first[0].Pointee()));
  EXPECT_EQ(Contents(result), (Contents_t{"S", "3", "3", "2", "2", "1", "1", "E"}));
}

// The orientation a spooled page's page start carries (-1: none).
int OrientationOf(MPersistentObject* page) {
  GCountedRef record;
  auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(page);
  if (disk == nullptr) return -1;
  disk->HandleByClass(record, GPageStartClassId);
  disk->Close();
  auto* start = dynamic_cast<GCommand*>(record.Pointee());
  GState* settings = start != nullptr ? start->GetSettings() : nullptr;
  auto* value = settings != nullptr ? dynamic_cast<GValueAttribute*>(settings->FindById(GFeatureIds::kOrientation)) : nullptr;
  return value != nullptr ? value->GetValue() : -1;
}

TEST_F(SpoolingFilterTest, UncollatedCopiesThroughManualDuplexAreTurnedOneByOne) {
  // Two uncollated copies of two pages: each copy is a sheet side of its
  // own, so turning the back side of one copy must leave the other alone.
  GCopyPageFilter copies;
  GCountedPtr holder;
  auto send = [&](GCommand* command) {
    GCountedPtr result = copies.Send(command);
    if (result.Pointee() != nullptr && result.Pointee()->ClassId() == GCommandCompositeClassId) holder = result;
  };
  send(Start({{GFeatureIds::kCopyQualifierIndex, 1},
              {GFeatureIds::kCopies, 2},
              {GFeatureIds::kPrinterCopies, 1},
              {GFeatureIds::kDuplex, 2},
              {GFeatureIds::kStraightPaperPath, 1}}));
  for (int16_t n = 1; n <= 2; ++n) {
    send(new GPageStart(Settings(GFeatureIds::kPageState, {{kPageMark, n}, {GFeatureIds::kOrientation, 0}})));
    send(new GPageEnd);
  }
  send(new GDocumentEnd);
  ASSERT_NE(holder.Pointee(), nullptr);
  GManualDuplexFilter duplex;
  GCountedPtr result = duplex.Send(dynamic_cast<GCommand*>(holder.Pointee()));
  ASSERT_EQ(Contents(result), (Contents_t{"S", "1", "2", "1", "2", "E"}));
  std::vector<int> orientations;
  std::vector<MPersistentObject*> seen;
  MPersistentIterator* it = dynamic_cast<GCommandComposite*>(result.Pointee())->CreateIterator();
  while (it->Advance()) {
    if (it->Current()->ClassId() != GCommandCompositeOnDiskClassId) continue;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), it->Current()), 0) << "each copy is a page of its own";
    seen.push_back(it->Current());
    orientations.push_back(OrientationOf(it->Current()));
  }
  delete it;
  // The second side of each sheet (the second copy of page 1, and of page
  // 2) is turned; the first sides are not.
  EXPECT_EQ(std::count(orientations.begin(), orientations.end(), 180), 2);
  EXPECT_EQ(std::count(orientations.begin(), orientations.end(), 0), 2);
}

TEST_F(SpoolingFilterTest, SpoolFileNamesHoldTheProcessTheInstanceAndThePage) {
  const RWWString name = GSpoolingFilter::BaseName(0x2a, 7, 3);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%x-2a-7-3", static_cast<unsigned>(getpid()));
  EXPECT_EQ(std::string(name.NarrowAscii().Data()), expected);
  EXPECT_NE(GSpoolingFilter::BaseName(1, 1, 2).NarrowAscii(), GSpoolingFilter::BaseName(2, 1, 1).NarrowAscii())
      << "both numbers are kept, not folded into one";

  // Two jobs of one process, both of an instance without a server handle,
  // keep apart: the second job's pages do not take the first's files.
  GReverseFilter a, b;
  a.Send(Start({{GFeatureIds::kPageOrder, 1}}));
  b.Send(Start({{GFeatureIds::kPageOrder, 1}}));
  a.Send(new GPageStart(Settings(GFeatureIds::kPageState, {})));
  const RWWString first = a.GetPageFilePath();
  a.Send(new GPageEnd);
  b.Send(new GPageStart(Settings(GFeatureIds::kPageState, {})));
  EXPECT_NE(b.GetPageFilePath().NarrowAscii(), first.NarrowAscii());
  b.Send(new GPageEnd);
  EXPECT_TRUE(w32test::FileContents(first.Data()).has_value()) << "the first job's page is still there";
  a.Send(new GJobAbort);
  b.Send(new GJobAbort);
  EXPECT_FALSE(w32test::FileContents(first.Data()).has_value()) << "an aborted job's pages go with it";
}

TEST_F(SpoolingFilterTest, AStoreThatCannotBeCreatedFailsThePageStartAndLetsTheJobThrough) {
  factory_.directory = RWWString(u"C:\\NoSuchDirectory");
  GReverseFilter filter;
  filter.Send(Start({{GFeatureIds::kPageOrder, 1}}));
  GCountedPtr result = filter.Send(new GPageStart(Settings(GFeatureIds::kPageState, {})));
  auto* error = dynamic_cast<GErrorCommand*>(result.Pointee());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 2);
  EXPECT_EQ(filter.IsActive(), 0);
  EXPECT_EQ(SpoolLock::IsHeldByThisThread(), 0) << "the reset lets go of the lock";
  GCountedPtr end = filter.Send(new GPageEnd);
  ASSERT_NE(end.Pointee(), nullptr);
  EXPECT_EQ(end.Pointee()->ClassId(), GPageEndClassId) << "the rest of the job passes unchanged";
}

TEST_F(SpoolingFilterTest, ReverseFilterHoldsSpoolLockForAPageAndAnAbortLetsGo) {
  GReverseFilter filter;
  filter.Send(Start({{GFeatureIds::kPageOrder, 1}}));
  filter.Send(new GPageStart(Settings(GFeatureIds::kPageState, {})));
  EXPECT_EQ(SpoolLock::IsHeldByThisThread(), 1);
  int otherThreadGotIt = -1;
  std::thread other([&] {
    // Another job's thread waits until the page is done.
    SpoolLock::Leave();  // not its lock: nothing happens
    otherThreadGotIt = SpoolLock::IsHeldByThisThread();
  });
  other.join();
  EXPECT_EQ(otherThreadGotIt, 0);
  EXPECT_EQ(SpoolLock::IsHeldByThisThread(), 1);
  GCountedPtr abort = filter.Send(new GJobAbort);
  EXPECT_EQ(abort.Pointee()->ClassId(), GJobAbortClassId);
  EXPECT_EQ(SpoolLock::IsHeldByThisThread(), 0);
}

TEST_F(SpoolingFilterTest, ThePageSettingsNameTheCompanionFontFileThatWasSaved) {
  GReverseFilter filter;
  filter.Send(Start({{GFeatureIds::kPageOrder, 1}}));
  filter.Send(new GPageStart(Settings(GFeatureIds::kPageState, {})));
  const RWWString companion = filter.GetCompanionFilePath();
  filter.Send(new GPageEnd);
  ASSERT_EQ(saves().size(), 1u);
  EXPECT_EQ(saves()[0], std::u16string(companion.Data(), companion.Length()));
  EXPECT_EQ(std::u16string(companion.Data() + companion.Length() - 4), u".rft");
  filter.Send(new GJobAbort);
}

TEST_F(SpoolingFilterTest, LetterheadFilterAsksForBackToFrontAndTurnsPages) {
  GLetterheadFilter filter;
  GDocumentStart* start = Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kPageOrder, 0}});
  auto* media = new GMedia;
  media->SetMediaTypeName(RWCString("Letterhead"));
  media->SetFeatureId(GFeatureIds::kPageMedia);
  start->GetSettings()->AddChild(media);
  GCountedPtr held(start);
  filter.Send(start);
  EXPECT_EQ(filter.IsActive(), 1);
  auto* order = dynamic_cast<GValueAttribute*>(start->GetSettings()->FindById(GFeatureIds::kPageOrder));
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->GetValue(), 1);
  for (auto [before, after] : {std::pair{0, 180}, {90, 270}, {180, 0}, {270, 90}, {45, 45}}) {
    auto* page = new GPageStart(Settings(GFeatureIds::kPageState, {{GFeatureIds::kOrientation, static_cast<int16_t>(before)}}));
    GCountedPtr heldPage(page);
    filter.Send(page);
    auto* turned = dynamic_cast<GValueAttribute*>(page->GetSettings()->FindById(GFeatureIds::kOrientation));
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->GetValue(), after) << before;
  }
  GLetterheadFilter plain;
  plain.Send(Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kPageOrder, 0}}));
  EXPECT_EQ(plain.IsActive(), 0) << "not letterhead media";
}

}  // namespace

// ---- The back cover ----

namespace {

// Page settings with a medium (paper id 1, the media type) and a tray.
GState* CoverPage(int16_t mark, int16_t tray, const char* mediaType) {
  GState* settings = Settings(GFeatureIds::kPageState, {{kPageMark, mark}, {GFeatureIds::kInputBin, tray}});
  const GShortPoint size{5100, 6600}, extent{4860, 6360}, origin{120, 120};
  const int32_t mediaId = GFeatureIds::kPageMedia;
  settings->AddChild(new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &mediaId, 0, nullptr, mediaType));
  return settings;
}

// What the document end came back as: "E" the end, and each page start as
// "page:<tray>:<media type>" (a page end follows each: no drawing).
std::vector<std::string> EndContents(const GCountedPtr& result) {
  MPersistentObject* object = result.Pointee();
  if (object != nullptr && object->ClassId() == GDocumentEndClassId) return {"E"};
  auto* composite = dynamic_cast<GCommandComposite*>(object);
  if (composite == nullptr) return {"?"};
  std::vector<GCommand*> members;
  MPersistentIterator* it = composite->CreateIterator();
  while (it->Advance()) members.push_back(dynamic_cast<GCommand*>(it->Current()));
  delete it;
  std::vector<std::string> out;
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i]->ClassId() == GDocumentEndClassId) out.push_back("E");
    if (members[i]->ClassId() != GPageStartClassId) continue;
    EXPECT_TRUE(i + 1 < members.size() && members[i + 1]->ClassId() == GPageEndClassId);
    GState* settings = members[i]->GetSettings();
    auto* medium = dynamic_cast<GMedia*>(settings->FindById(GFeatureIds::kPageMedia));
    auto* tray = dynamic_cast<GValueAttribute*>(settings->FindById(GFeatureIds::kInputBin));
    out.push_back("page:" + std::to_string(tray != nullptr ? tray->GetValue() : -1) + ":" +
                  (medium != nullptr ? medium->GetMediaTypeName().Data() : ""));
  }
  return out;
}

}  // namespace

TEST_F(SpoolingFilterTest, BackCoverEndsTheDocumentOnItsOwnSheet) {
  struct Case {
    const char* name;
    std::initializer_list<std::pair<int32_t, int16_t>> job;
    std::vector<int16_t> trays;  // one page each
    std::vector<std::string> end;
  } cases[] = {
      // The first page's tray and media type, after page 3.
      {"simplex, first page's paper", {{GFeatureIds::kBackCoverChoice, 1}}, {2, 2, 2}, {"page:2:Plain", "E"}},
      // Duplex, the last page on a front: a blank back first.
      {"duplex, odd", {{GFeatureIds::kBackCoverChoice, 1}, {GFeatureIds::kDuplex, 2}}, {2, 2, 2},
       {"page:2:Plain", "page:2:Plain", "E"}},
      {"duplex, even", {{GFeatureIds::kBackCoverChoice, 1}, {GFeatureIds::kDuplex, 2}}, {2, 2, 2, 2}, {"page:2:Plain", "E"}},
      // Another tray starts a new sheet: page 4 is a front, and the blank
      // behind it repeats its settings.
      {"duplex, last from another tray", {{GFeatureIds::kBackCoverChoice, 1}, {GFeatureIds::kDuplex, 2}}, {2, 2, 2, 3},
       {"page:3:Plain", "page:2:Plain", "E"}},
      // Its own tray and media type, the media type missing: no back cover.
      {"own paper without a media type", {{GFeatureIds::kBackCoverChoice, 2}, {GFeatureIds::kBackCoverTrayChoice, 4}}, {2},
       {"E"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GBackCoverFilter filter;
    filter.RebuildCurrentState();
    auto send = [&](GCommand* command) {
      GCountedPtr held(command);
      return filter.Send(command);
    };
    send(Start(c.job));
    int16_t n = 0;
    for (int16_t tray : c.trays) {
      send(new GPageStart(CoverPage(++n, tray, "Plain")));
      send(new GPageEnd);
    }
    EXPECT_EQ(EndContents(send(new GDocumentEnd)), c.end);
  }
}

TEST_F(SpoolingFilterTest, BackCoverOfItsOwnPaperAndOfADocumentWithoutPages) {
  GBackCoverFilter filter;
  filter.RebuildCurrentState();
  auto send = [&](GCommand* command) {
    GCountedPtr held(command);
    return filter.Send(command);
  };
  GDocumentStart* start = Start({{GFeatureIds::kBackCoverChoice, 2}, {GFeatureIds::kBackCoverTrayChoice, 4}});
  const int32_t mediaTypeId = GFeatureIds::kBackCoverMediaTypeSetting;
  start->GetSettings()->AddChild(new GStringAttribute("Cardstock", &mediaTypeId));
  send(start);
  EXPECT_EQ(filter.GetMode(), 2);
  send(new GPageStart(CoverPage(1, 2, "Plain")));
  send(new GPageEnd);
  EXPECT_EQ(EndContents(send(new GDocumentEnd)), (std::vector<std::string>{"page:4:Cardstock", "E"}));
  // A document with no page has no paper for a cover: it just ends.
  send(Start({{GFeatureIds::kBackCoverChoice, 1}}));
  EXPECT_EQ(EndContents(send(new GDocumentEnd)), (std::vector<std::string>{"E"}));
}
