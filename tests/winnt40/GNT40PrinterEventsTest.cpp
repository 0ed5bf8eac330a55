// Printer events: connection events, set-up stamps, the migration of stored
// settings and the DevQueryPrintEx message.
#include "winnt40/GNT40PrinterEvents.h"

#include <gtest/gtest.h>

#include <vector>

#include "driver/MassStorageFonts.h"
#include "model/GPersistOutStream.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"
#include "support/PrinterSetupTestSupport.h"
#include "win32/File.h"
#include "win32/Rpc.h"
#include "win32/Time.h"
#include "w32test/Testing.h"

namespace {

using qvtest::MakeGroup;
using qvtest::MakeValue;

class PrinterEventsTest : public qvtest::PrinterSetupTest {
 protected:
  GNT40PrinterEvents Events() { return GNT40PrinterEvents(instance_.get()); }
  // Stores the object in the portable form, as an older driver left it.
  void StorePortable(const std::u16string& name, const MPersistentObject& object) {
    std::vector<unsigned char> buffer(4096);
    GPersistOutStream out(buffer.data(), buffer.size(), 0);
    RWWriteObjectPointer(*out.GetStream(), &object);
    out.GetStream()->Flush();
    ASSERT_TRUE(out.GetStream()->Good());
    ASSERT_EQ(factory_->WriteBlob(instance_.get(), RWWString(name.c_str()), buffer.data(),
                                  static_cast<DWORD>(out.Tell())),
              1);
  }
  void StoreGroup(int32_t id, int16_t value) {
    std::unique_ptr<GAttributeComposite> group(MakeGroup(id));
    group->AddChild(MakeValue(id + 1000, value));
    StorePortable(std::u16string(RWWString(std::to_string(id).c_str()).Data()), *group);
  }
};

// ---- Events ----

TEST_F(PrinterEventsTest, ConnectionEventsFetchAndDeleteTheFontFiles) {
  PutText(u"DIMMFonts1", u"QVDIMM1.FNT");
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\3\\QVDIMM1.FNT", "dimm"));
  const std::u16string local = std::u16string(kDriverDirectory) + u"\\QVDIMM1.FNT";
  const RWWString name(kPrinter);

  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventAddConnection), TRUE);
  EXPECT_EQ(w32test::FileContents(local.c_str()), "dimm");
  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventCacheDelete), TRUE);
  EXPECT_EQ(w32test::FileContents(local.c_str()), std::nullopt);
  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventCacheRefresh), TRUE);
  EXPECT_EQ(w32test::FileContents(local.c_str()), "dimm");
  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventDeleteConnection), TRUE);
  EXPECT_EQ(w32test::FileContents(local.c_str()), std::nullopt);

  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventDelete), TRUE);
  EXPECT_EQ(Events().HandleEvent(name, kPrinterEventInitialize), FALSE);
  EXPECT_EQ(Events().HandleEvent(name, 99), FALSE);
  EXPECT_EQ(w32test::OpenPrinterCount(), 1u);
}

// ---- Set-up stamps ----

TEST_F(PrinterEventsTest, UuidAndUpdateStamps) {
  w32test::QueueUuid(UUID{0x12345678, 0x9abc, 0xdef0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}});
  EXPECT_EQ(Events().WritePrinterUuid(), 1);
  EXPECT_EQ(DataText(u"PrinterUUID"), u"12345678-9abc-def0-0123-456789abcdef");

  SYSTEMTIME local{};
  local.wYear = 2026;
  local.wMonth = 3;
  local.wDay = 7;
  local.wHour = 10;
  ASSERT_TRUE(w32test::SetLocalClock(local, 0));
  const RWWString date = GNT40PrinterEvents::UpdateDateText();
  EXPECT_EQ(qvtest::Wide(date), u"03/ 07/ 2026");
  Events().WriteUpdateStamp(date, RWWString(u"Default"));
  EXPECT_EQ(DataText(u"LastUpdated"), u"03/ 07/ 2026");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
}

// ---- Migration ----

TEST_F(PrinterEventsTest, MigrationRewritesTheStoredGroupsAndEnablesTheDimms) {
  StoreGroup(365, 11);
  StoreGroup(366, 12);
  StoreGroup(368, 14);
  EXPECT_EQ(Events().MigrateStoredSettings(), 1);
  for (int32_t id : {365, 366, 368}) {
    std::unique_ptr<MPersistentObject> reloaded(instance_->LoadStoredObject(RWWString(std::to_string(id).c_str())));
    ASSERT_NE(reloaded, nullptr) << id;
    EXPECT_EQ(reloaded->FeatureId(), id);
    auto* value = dynamic_cast<GValueAttribute*>(reloaded->FindById(id + 1000));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->GetValue(), static_cast<int16_t>(id - 354));
  }
  // No "DisabledMSDs" reads as 0: the four DIMMs are marked enabled, two
  // bits per device, and nothing else.
  EXPECT_EQ(DataDword(u"DisabledMSDs"), 0x55000u);
}

// The mask has two bits per device: a disabled DIMM stays disabled, and the
// states of the other devices are kept.
TEST_F(PrinterEventsTest, MigrationKeepsDisabledDimmsDisabled) {
  StoreGroup(365, 1);
  // Device 2 enabled, DIMM 7 disabled, DIMM 9 disabled and enabled (3).
  PutDword(u"DisabledMSDs", (1u << 4) | (2u << 14) | (3u << 18));
  EXPECT_EQ(Events().MigrateStoredSettings(), 0);  // 366 and 368 are missing
  EXPECT_EQ(GetFontDeviceState(instance_.get(), 2), 1);
  EXPECT_EQ(GetFontDeviceState(instance_.get(), 6), 1);
  EXPECT_EQ(GetFontDeviceState(instance_.get(), 7), 2);
  EXPECT_EQ(GetFontDeviceState(instance_.get(), 8), 1);
  EXPECT_EQ(GetFontDeviceState(instance_.get(), 9), 3);
}

TEST_F(PrinterEventsTest, WithoutStoredOptionsNothingIsMigrated) {
  StoreGroup(366, 1);
  EXPECT_EQ(Events().MigrateStoredSettings(), 0);
  EXPECT_FALSE(Data(u"DisabledMSDs").has_value());
  // A damaged stored group is no migration either.
  w32test::WritePrinterData(kPrinter, u"365", REG_BINARY, {1, 2, 3, 4, 5});
  EXPECT_EQ(Events().MigrateStoredSettings(), 0);
  EXPECT_FALSE(Data(u"DisabledMSDs").has_value());
}

// ---- DevQueryPrintEx message ----

TEST(DevQueryPrintMessage, ChosenByTheRejectedFields) {
  struct Case {
    DWORD fields;
    UINT id;
  } cases[] = {
      {2, 12003},      {4, 12003},     {8, 12003},      {12, 12003}, {0x10000, 12003}, {512, 12004},
      {1024, 12002},   {8192, 12002},  {9216, 12002},   {4096, 12005}, {0x8000, 12006}, {0, 12001},
      {2 | 512, 12001}, {6, 12001},     {0xFFFFFFFF, 12001},
  };
  for (const Case& c : cases) EXPECT_EQ(GNT40PrinterEvents::MessageForRejectedFields(c.fields), c.id) << c.fields;
}

class DevQueryMessageTest : public PrinterEventsTest {
 protected:
  void SetUp() override {
    PrinterEventsTest::SetUp();
    InstallResources({{12004, kTray}});
    module_ = LoadLibraryW(kResources);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    PrinterEventsTest::TearDown();
  }
  static constexpr const char16_t* kTray = u"Mismatch: User selected a tray that has not been installed.";
  HMODULE module_ = nullptr;
};

TEST_F(DevQueryMessageTest, AnUninstalledTrayGetsTheTrayMessage) {
  WCHAR text[128];
  DWORD needed = 0;
  GNT40PrinterEvents::ReportMessage(module_, GNT40PrinterEvents::MessageForRejectedFields(512), text, 128, &needed);
  EXPECT_EQ(std::u16string(text), kTray);
  EXPECT_EQ(needed, std::u16string(kTray).size() + 1);
}

TEST_F(DevQueryMessageTest, ASmallBufferGetsTheStartAndTheNeededSize) {
  WCHAR text[11];
  std::fill(std::begin(text), std::end(text), u'#');
  DWORD needed = 0;
  GNT40PrinterEvents::ReportMessage(module_, 12004, text, 10, &needed);
  EXPECT_EQ(std::u16string(text), u"Mismatch:");
  EXPECT_EQ(text[10], u'#');
  EXPECT_EQ(needed, std::u16string(kTray).size() + 1);
}

// A buffer of no characters must not be written (capacity - 1 would wrap
// around); the size needed is still reported.
TEST_F(DevQueryMessageTest, ABufferOfNoCharactersIsNotWritten) {
  WCHAR text[4] = {u'#', u'#', u'#', u'#'};
  DWORD needed = 0;
  GNT40PrinterEvents::ReportMessage(module_, 12004, text, 0, &needed);
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(needed, std::u16string(kTray).size() + 1);
  needed = 0;
  GNT40PrinterEvents::ReportMessage(module_, 12004, text, 1, &needed);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(text[1], u'#');
  EXPECT_EQ(needed, std::u16string(kTray).size() + 1);
}

// The capacity is the caller's word for its buffer: a huge one neither asks
// for a buffer of that size nor wraps around to none; the message comes
// whole with its terminator and nothing past it is written.
TEST_F(DevQueryMessageTest, AHugeCapacityGetsTheWholeMessage) {
  const size_t length = std::u16string(kTray).size();
  for (DWORD capacity : {DWORD{0x7FFFFFFF}, DWORD{0xFFFFFFFF}, DWORD{0xFFFFFFFE}}) {
    std::vector<WCHAR> text(length + 8, u'#');
    DWORD needed = 0;
    GNT40PrinterEvents::ReportMessage(module_, 12004, text.data(), capacity, &needed);
    EXPECT_EQ(std::u16string(text.data()), kTray) << capacity;
    EXPECT_EQ(needed, length + 1) << capacity;
    EXPECT_EQ(text[length + 1], u'#') << capacity;
  }
}

TEST_F(DevQueryMessageTest, AMissingMessageGivesAnEmptyText) {
  WCHAR text[4] = {u'#', u'#', u'#', u'#'};
  DWORD needed = 77;
  GNT40PrinterEvents::ReportMessage(module_, 12001, text, 4, &needed);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(needed, 2u);
  text[0] = u'#';
  needed = 77;
  GNT40PrinterEvents::ReportMessage(nullptr, 12004, text, 1, &needed);
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(needed, 77u);
}

}  // namespace
