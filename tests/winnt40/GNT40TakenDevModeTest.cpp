// Tests of the printer's DEVMODE kept between takes: the rule that says when
// a kept take is stale, and the driver object on the sample model using it
// only while the printer is unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/DevmodePrivateArea.h"
#include "driver/GSettingValue.h"
#include "driver/GSpoolerFormServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "support/NT40DriverFixture.h"
#include "w32test/Testing.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "winnt40/GNT40TakenDevMode.h"

namespace qvtest {
namespace {

using PA = DevmodePrivateArea;

// Adds a user form to the printer's spooler as another program would.
void AddTakenTestForm(HANDLE printer, const char16_t* name, LONG width, LONG length) {
  FORM_INFO_1W form{};
  form.Flags = 0;
  form.pName = const_cast<LPWSTR>(name);
  form.Size = SIZEL{width, length};
  form.ImageableArea = RECTL{0, 0, width, length};
  ASSERT_TRUE(AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)));
}

class GNT40TakenDevModeRuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup setup;
    setup.name = u"Rule Printer";
    setup.driverName = u"QV Office Laser 4100 Series";
    w32test::AddPrinter(setup);
    ASSERT_TRUE(OpenPrinterW(u"Rule Printer", &printer_, nullptr));
  }
  void TearDown() override { ClosePrinter(printer_); }

  GNT40TakenDevMode::Source BaseSource() {
    GNT40TakenDevMode::Source source;
    source.printer = RWWString(u"Rule Printer");
    source.loaded.assign(PA::kTotalSize, 0x11);
    source.emf = 1;
    source.appFlags = 0x100;
    source.colorCapability = 1;
    source.revision = GNT40TakenDevMode::PrinterRevision();
    source.forms = std::make_shared<const GSpoolerFormList>(printer_);
    return source;
  }
  static GNT40TakenDevMode::Taken SomeTake() {
    GNT40TakenDevMode::Taken taken;
    taken.buffer.assign(PA::kTotalSize, 0x22);
    auto restored = std::make_shared<GDevMode::RestoredArea>();
    restored->area = {1, 2, 3};
    restored->settings = std::make_shared<const GAttributeComposite>();
    taken.restored = restored;
    return taken;
  }

  HANDLE printer_ = nullptr;
};

TEST_F(GNT40TakenDevModeRuleTest, AKeptTakeServesOnlyTheSameSource) {
  GNT40TakenDevMode kept;
  EXPECT_EQ(kept.Find(BaseSource()), nullptr) << "nothing kept yet";
  kept.Keep(BaseSource(), SomeTake());
  const GNT40TakenDevMode::Taken* found = kept.Find(BaseSource());
  ASSERT_NE(found, nullptr) << "the same source, with the forms read again";
  EXPECT_EQ(found->buffer, std::vector<uint8_t>(PA::kTotalSize, 0x22));

  struct Change {
    const char* name;
    std::function<void(GNT40TakenDevMode::Source&)> apply;
  };
  const Change changes[] = {
      {"another printer", [](auto& s) { s.printer = RWWString(u"Other Printer"); }},
      {"one byte of the stored DEVMODE", [](auto& s) { s.loaded[900] ^= 1; }},
      {"the datatype", [](auto& s) { s.emf = 0; }},
      {"the application flags", [](auto& s) { s.appFlags |= 0x80; }},
      {"the colour capability", [](auto& s) { s.colorCapability = 2; }},
      {"no forms", [](auto& s) { s.forms = nullptr; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    GNT40TakenDevMode::Source source = BaseSource();
    change.apply(source);
    EXPECT_EQ(kept.Find(source), nullptr);
  }

  // A form added, or one of the same name with another size, by anyone.
  AddTakenTestForm(printer_, u"Rule Form", 100000, 150000);
  EXPECT_EQ(kept.Find(BaseSource()), nullptr) << "a form added";
  kept.Keep(BaseSource(), SomeTake());
  ASSERT_NE(kept.Find(BaseSource()), nullptr);
  FORM_INFO_1W resized{0, const_cast<LPWSTR>(u"Rule Form"), SIZEL{100000, 160000}, RECTL{0, 0, 100000, 160000}};
  ASSERT_TRUE(SetFormW(printer_, u"Rule Form", 1, reinterpret_cast<LPBYTE>(&resized)));
  EXPECT_EQ(kept.Find(BaseSource()), nullptr) << "a form changed";
  kept.Keep(BaseSource(), SomeTake());
  ASSERT_TRUE(DeleteFormW(printer_, u"Rule Form"));
  EXPECT_EQ(kept.Find(BaseSource()), nullptr) << "a form deleted";

  // A write of printer data or of a printer record moves the revision on
  // when it ends.
  kept.Keep(BaseSource(), SomeTake());
  {
    const GNT40TakenDevMode::PrinterWrite write;
    EXPECT_NE(kept.Find(BaseSource()), nullptr) << "the write has not happened yet";
  }
  EXPECT_EQ(kept.Find(BaseSource()), nullptr);

  kept.Keep(BaseSource(), SomeTake());
  kept.Clear();
  EXPECT_EQ(kept.Find(BaseSource()), nullptr);
}

// The driver object on the sample model: its DEVMODE conversions take the
// printer's DEVMODE, kept between calls.
class GNT40TakenDevModeDriverTest : public NT40DriverTest {
 protected:
  // The printer's DEVMODE as the driver takes it (CDM_DRIVER_DEFAULT).
  std::vector<uint8_t> Take() {
    std::vector<uint8_t> out(kDevModeSize, 0);
    LONG size = static_cast<LONG>(kDevModeSize);
    EXPECT_EQ(driver_->ConvertDevMode(Name(), nullptr, AsDevMode(out), &size, 4), TRUE);
    return out;
  }
  // What a take without the kept one gives.
  std::vector<uint8_t> FreshTake() {
    driver_->TakenDevMode().Clear();
    return Take();
  }
  // Stores dm as the printer's DEVMODE through the spooler, as another
  // process (or the spooler itself) does: nothing of this module runs.
  void StoreAsAnotherProcess(std::vector<uint8_t> dm) {
    DWORD needed = 0;
    GetPrinterW(printer_, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(GetPrinterW(printer_, 2, info.data(), needed, &needed));
    auto* record = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
    record->pDevMode = AsDevMode(dm);
    record->pSecurityDescriptor = nullptr;
    ASSERT_TRUE(SetPrinterW(printer_, 2, info.data(), 0));
  }
  // The printer's DEVMODE converted with the orientation turned.
  std::vector<uint8_t> Landscape(std::vector<uint8_t> dm) {
    PutWord(dm, 76, DMORIENT_LANDSCAPE);
    PutWord(dm, 72, static_cast<uint16_t>(Word(dm, 72) | DM_ORIENTATION));
    std::vector<uint8_t> out = dm;
    LONG size = static_cast<LONG>(kDevModeSize);
    EXPECT_EQ(driver_->ConvertDevMode(Name(), AsDevMode(dm), AsDevMode(out), &size, 1), TRUE);
    return out;
  }
};

TEST_F(GNT40TakenDevModeDriverTest, AKeptTakeGivesTheBytesOfAFreshOne) {
  const std::vector<uint8_t> first = Take();  // stores the defaults as the printer's
  const std::vector<uint8_t> second = Take();  // takes them and keeps the take
  const std::vector<uint8_t> third = Take();   // the kept take
  EXPECT_EQ(second, first);
  EXPECT_EQ(third, first);
  EXPECT_EQ(FreshTake(), first);

  // Conversions of the printer's DEVMODE: the first with the printer's
  // DEVMODE taken afresh, the next with the kept take, give the same bytes.
  std::vector<uint8_t> in = first;
  std::vector<uint8_t> converted[3];
  for (int i = 0; i < 3; ++i) {
    if (i == 0) driver_->TakenDevMode().Clear();
    converted[i] = first;
    LONG size = static_cast<LONG>(kDevModeSize);
    ASSERT_EQ(driver_->ConvertDevMode(Name(), AsDevMode(in), AsDevMode(converted[i]), &size, 1), TRUE);
  }
  EXPECT_EQ(converted[1], converted[0]);
  EXPECT_EQ(converted[2], converted[0]);
  // The converted DEVMODE converted again.
  in = converted[0];
  std::vector<uint8_t> again = first;
  LONG size = static_cast<LONG>(kDevModeSize);
  ASSERT_EQ(driver_->ConvertDevMode(Name(), AsDevMode(in), AsDevMode(again), &size, 1), TRUE);
  EXPECT_EQ(again, converted[0]);

  // The object's settings are its own copy: changing them changes no later
  // take.
  GNT40PrinterDevMode* object = driver_->GetDevModeObject();
  ASSERT_NE(object, nullptr);
  ASSERT_NE(object->GetSettings(), nullptr);
  GSettingValue::Set(object->GetSettings(), GFeatureIds::kPaperSize, static_cast<int16_t>(7));
  EXPECT_EQ(Take(), first);
}

TEST_F(GNT40TakenDevModeDriverTest, ADevModeStoredByAnotherProcessIsTakenAfresh) {
  const std::vector<uint8_t> defaults = Take();
  Take();
  const std::vector<uint8_t> landscape = Landscape(defaults);
  ASSERT_EQ(Short(landscape, 76), DMORIENT_LANDSCAPE);
  ASSERT_NE(landscape, defaults);

  StoreAsAnotherProcess(landscape);
  const std::vector<uint8_t> taken = Take();
  EXPECT_EQ(Short(taken, 76), DMORIENT_LANDSCAPE);
  EXPECT_EQ(taken, FreshTake());

  // And back again.
  StoreAsAnotherProcess(defaults);
  EXPECT_EQ(Take(), defaults);
}

// Each way this module writes the printer's data or record, or changes
// its configuration, makes the takes kept so far stale.
TEST_F(GNT40TakenDevModeDriverTest, TheModulesWritesMakeKeptTakesStale) {
  struct Writer {
    const char* name;
    std::function<int()> write;
  };
  const Writer writers[] = {
      {"a number", [&] { return factory_->SetPrinterDataDword(driver_, RWWString(u"TakenTest"), 1); }},
      {"a text", [&] { return factory_->SetPrinterDataString(driver_, RWWString(u"TakenTest"), RWWString(u"x")); }},
      {"a deletion", [&] { return factory_->DeletePrinterDataValue(driver_, RWWString(u"TakenTest")); }},
      {"the printer's DEVMODE", [&] { return driver_->StoreDevModeInPrinter(); }},
      {"an auto-configuration", [&] { return driver_->RunAutoConfiguration(1) + 1; }},
  };
  // The driver object holds its DEVMODE and a printer handle, as while a
  // sheet is open.
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    const uint64_t before = GNT40TakenDevMode::PrinterRevision();
    EXPECT_NE(writer.write(), 0) << "written";
    EXPECT_GT(GNT40TakenDevMode::PrinterRevision(), before);
  }
  // What is taken after them is still the printer's DEVMODE.
  EXPECT_EQ(Take(), FreshTake());
}

}  // namespace
}  // namespace qvtest
