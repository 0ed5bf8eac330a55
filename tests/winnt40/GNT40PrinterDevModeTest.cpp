// Tests of the driver's concrete DEVMODE object: taking the printer's own
// DEVMODE from the spooler, the exact-layout check, the EMF datatypes, the
// public-only copy for flagged applications and form-source jobs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/GByteStream.h"
#include "model/GFeatureIds.h"
#include "model/GLZWCompressor.h"
#include "model/GPersistOutStream.h"
#include "rw/RWPersistence.h"
#include "support/DevModeTestSupport.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "w32test/Testing.h"

namespace qvtest {
namespace {

using PA = DevmodePrivateArea;

class GNT40PrinterDevModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    instance = std::make_unique<DevModeTestInstance>();
  }
  // Gives the printer a default DEVMODE and a datatype.
  void SetPrinter(const std::vector<uint8_t>& devMode, const std::u16string& datatype = u"RAW") {
    w32test::PrinterSetup setup;
    setup.name = u"QV Test Printer";
    setup.driverName = u"QV Office Laser 4100 Series";
    setup.datatype = datatype;
    setup.devMode = devMode;
    w32test::AddPrinter(setup);
  }
  // The DEVMODE the driver writes for the settings.
  std::vector<uint8_t> DriverDevMode(GAttributeComposite* settings) {
    GNT40PrinterDevMode source(instance.get(), nullptr);
    EXPECT_EQ(source.SetSettings(settings), 1);
    std::vector<uint8_t> out(PA::kTotalSize);
    source.CopyTo(reinterpret_cast<DEVMODEW*>(out.data()));
    return out;
  }

  std::unique_ptr<DevModeTestInstance> instance;
};

TEST_F(GNT40PrinterDevModeTest, DefaultsThenSettingsGiveTheDriversOwnLayout) {
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  EXPECT_EQ(devMode.IsLoadedFromPrinter(), 0);
  ASSERT_NE(devMode.GetSettings(), nullptr);  // the instance's defaults
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  EXPECT_EQ(devMode.IsDriverDevmode(devMode.GetBuffer()), 1);
  EXPECT_EQ(devMode.IsUsable(), 1);

  // Stock zlib inflates the settings area to the framing of the settings.
  const auto* dm = reinterpret_cast<const uint8_t*>(devMode.GetBuffer());
  std::vector<uint8_t> plain(8192);
  uLongf plainLength = plain.size();
  ASSERT_EQ(uncompress(plain.data(), &plainLength, dm + 270, PA::GetWord(dm, 266)), Z_OK);
  EXPECT_EQ(plain[0], ':');

  struct Case {
    const char* name;
    size_t offset;
    uint16_t value;
  };
  const Case cases[] = {
      {"dmSpecVersion 0x0400", QV_DM(dmSpecVersion), 0x0400}, {"size 156", QV_DM(dmSize), 156},
      {"driver extra 900", QV_DM(dmDriverExtra), 900},       {"private size", 220, 1170},
      {"header size", 222, 44},                              {"format tag", 262, 3},
      {"capacity 900", 268, 900},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> copy(dm, dm + PA::kTotalSize);
    PA::SetWord(copy.data(), c.offset, c.value);
    EXPECT_EQ(devMode.IsDriverDevmode(reinterpret_cast<DEVMODEW*>(copy.data())), 0);
  }
  EXPECT_EQ(devMode.IsDriverDevmode(nullptr), 0);
  // A public-only DEVMODE is checked without reading past its 220 bytes.
  std::vector<uint8_t> shortOne(dm, dm + 220);
  PA::SetWord(shortOne.data(), QV_DM(dmDriverExtra), 0);
  EXPECT_EQ(devMode.IsDriverDevmode(reinterpret_cast<DEVMODEW*>(shortOne.data())), 0);
}

TEST_F(GNT40PrinterDevModeTest, ThePrintersDevmodeIsTakenWithItsSettings) {
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  GSettingValue::Set(settings.get(), 267, 1);
  SetPrinter(DriverDevMode(settings.get()));
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  EXPECT_EQ(devMode.IsLoadedFromPrinter(), 1);
  ASSERT_NE(devMode.GetSettings(), nullptr);
  EXPECT_EQ(Get(devMode.GetSettings(), 267), 1);
}

TEST_F(GNT40PrinterDevModeTest, APrinterDevmodeOfAnotherLayoutIsNotTaken) {
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  GSettingValue::Set(settings.get(), 267, 1);
  std::vector<uint8_t> other = DriverDevMode(settings.get());
  PA::SetWord(other.data(), QV_DM(dmSpecVersion), 0x0400);
  SetPrinter(other);
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  EXPECT_EQ(devMode.IsLoadedFromPrinter(), 0);
  EXPECT_EQ(Get(devMode.GetSettings(), 267), 0);
  EXPECT_EQ(PA::GetWord(devMode.GetBuffer(), QV_DM(dmSpecVersion)), 0x0401);
}

TEST_F(GNT40PrinterDevModeTest, UnreadablePrinterSettingsFallBackToTheInstanceDefaults) {
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  GSettingValue::Set(settings.get(), 267, 1);
  std::vector<uint8_t> damaged = DriverDevMode(settings.get());
  for (size_t i = 280; i < 300; ++i) damaged[i] ^= 0xA5;
  SetPrinter(damaged);
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  EXPECT_EQ(devMode.IsLoadedFromPrinter(), 1);
  ASSERT_NE(devMode.GetSettings(), nullptr);
  EXPECT_EQ(Get(devMode.GetSettings(), 267), 0);
}

// Registry damage to the words that are constants of the layout, the tag,
// the printer's name or the driver version: the DEVMODE is still taken, with
// them put back, so that what the object hands out is the driver's own.
TEST_F(GNT40PrinterDevModeTest, APrinterDevmodeGetsTheWordsOfItsLayoutBack) {
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  GSettingValue::Set(settings.get(), 267, 1);
  const std::vector<uint8_t> good = DriverDevMode(settings.get());
  std::vector<uint8_t> damaged = good;
  PA::SetWord(damaged.data(), 220, 15955);
  PA::SetWord(damaged.data(), 222, 44);
  PA::SetWord(damaged.data(), 268, 900);
  PA::SetWord(damaged.data(), QV_DM(dmDriverVersion), 16259);
  damaged[PA::kDriverTagOffset + 2] = 0;
  damaged[4] = 'X';
  SetPrinter(damaged);
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  ASSERT_EQ(devMode.IsLoadedFromPrinter(), 1);
  EXPECT_EQ(Get(devMode.GetSettings(), 267), 1) << "the settings are read";
  std::vector<uint8_t> out(PA::kTotalSize);
  ASSERT_EQ(devMode.CopyTo(reinterpret_cast<DEVMODEW*>(out.data())), 1);
  EXPECT_EQ(devMode.IsDriverDevmode(reinterpret_cast<DEVMODEW*>(out.data())), 1);
  EXPECT_EQ(out, good);
}

// Settings that cannot be read are not handed on: the object falls back to
// the driver's defaults and writes its DEVMODE again from them (the public
// fields and a settings area that holds them, as a fresh object without a
// printer has), and the printer keeps the repaired copy.
TEST_F(GNT40PrinterDevModeTest, UnreadablePrinterSettingsAreNotHandedOn) {
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  const std::vector<uint8_t> good = DriverDevMode(settings.get());
  std::vector<uint8_t> damaged = good;
  for (size_t i = 280; i < 300; ++i) damaged[i] ^= 0xA5;
  std::vector<uint8_t> tooLong = good;
  PA::SetWord(tooLong.data(), 266, 58432);
  std::vector<uint8_t> longerThanItsStream = good;
  PA::SetWord(longerThanItsStream.data(), 266, static_cast<uint16_t>(PA::GetWord(good.data(), 266) + 100));
  GNT40PrinterDevMode fresh(instance.get(), nullptr);
  ASSERT_EQ(fresh.SetSettings(nullptr), 1);
  const auto* defaults = reinterpret_cast<const uint8_t*>(fresh.GetBuffer());
  for (const auto& stored : {damaged, tooLong, longerThanItsStream}) {
    SetPrinter(stored);
    // A handle with the right to change the printer, as the driver's own.
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE admin = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"QV Test Printer"), &admin, &all));
    GNT40PrinterDevMode devMode(instance.get(), admin);
    ClosePrinter(admin);
    EXPECT_EQ(devMode.IsLoadedFromPrinter(), 1);
    EXPECT_EQ(devMode.WasRepaired(), 1);
    const auto* dm = reinterpret_cast<const uint8_t*>(devMode.GetBuffer());
    EXPECT_GT(PA::GetWord(dm, 266), 0);
    EXPECT_NE(dm[270], 0);
    EXPECT_TRUE(std::equal(dm, dm + 262, defaults)) << "the fields and header are the defaults'";
    // The settings area is one whole zlib stream of its stored length.
    std::vector<uint8_t> inflated(4096);
    uLongf inflatedSize = static_cast<uLongf>(inflated.size());
    EXPECT_EQ(uncompress(inflated.data(), &inflatedSize, dm + 270, PA::GetWord(dm, 266)), Z_OK);
    // The printer keeps the repaired copy.
    const std::vector<uint8_t> kept = w32test::PrinterDevMode(u"QV Test Printer");
    ASSERT_GE(kept.size(), PA::kTotalSize);
    EXPECT_TRUE(std::equal(dm, dm + PA::kTotalSize, kept.begin()));
    // Taken into an object without a printer as well.
    GNT40PrinterDevMode plain(instance.get(), nullptr);
    ASSERT_EQ(plain.LoadFromPrinter(instance->GetPrinterHandle()), 1);
    EXPECT_LE(PA::GetWord(plain.GetBuffer(), 266), PA::kSettingsCapacity);
  }
}

TEST_F(GNT40PrinterDevModeTest, OldLzwSettingsOfThePrinterAreRebuilt) {
  std::unique_ptr<GAttributeComposite> old(MakeSettings());
  GSettingValue::Set(old.get(), 267, 1);
  std::vector<uint8_t> framed(8192);
  {
    GPersistOutStream holder(framed.data(), framed.size(), 1);
    RWWriteObjectPointer(*holder.GetStream(), old.get());
    framed.resize(static_cast<size_t>(holder.Tell()));
  }
  std::vector<uint8_t> packed(4096);
  GMemoryByteSource source(framed.data(), framed.size());
  GMemoryByteSink sink(packed.data(), packed.size());
  ASSERT_EQ(GLZWCompressor().Compress(source, sink), 1);
  ASSERT_LE(sink.Length(), 902u);
  std::vector<uint8_t> dm = DriverDevMode(old.get());
  std::memset(dm.data() + 270, 0, 902);
  std::memcpy(dm.data() + 270, packed.data(), sink.Length());
  PA::SetWord(dm.data(), 266, static_cast<uint16_t>(sink.Length()));
  SetPrinter(dm);
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  ASSERT_NE(devMode.GetSettings(), nullptr);
  EXPECT_EQ(Get(devMode.GetSettings(), 267), 1);
}

TEST_F(GNT40PrinterDevModeTest, EmfDatatypesAreRecognisedExactly) {
  const std::pair<std::u16string, int> cases[] = {
      {u"NT EMF 1.008", 1}, {u"NT EMF 1.003", 1}, {u"nt emf 1.008", 0}, {u"NT EMF 1.009", 0}, {u"RAW", 0}};
  for (const auto& [datatype, emf] : cases) {
    SCOPED_TRACE(std::string(datatype.begin(), datatype.end()));
    SetPrinter({}, datatype);
    GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
    EXPECT_EQ(devMode.IsEmfDatatype(), emf);
  }
}

TEST_F(GNT40PrinterDevModeTest, FlaggedApplicationsGetThePublicPartOnly) {
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  instance->SetFlags(0x100);
  std::vector<uint8_t> out(PA::kTotalSize, 0xCC);
  ASSERT_EQ(devMode.CopyTo(reinterpret_cast<DEVMODEW*>(out.data())), 1);
  EXPECT_EQ(PA::GetWord(out.data(), QV_DM(dmSize)), 220);
  EXPECT_EQ(PA::GetWord(out.data(), QV_DM(dmDriverExtra)), 0);
  EXPECT_EQ(out[220], 0xCC);  // nothing written past the public part
  instance->SetFlags(0);
  ASSERT_EQ(devMode.CopyTo(reinterpret_cast<DEVMODEW*>(out.data())), 1);
  EXPECT_EQ(PA::GetWord(out.data(), QV_DM(dmDriverExtra)), 952);
}

TEST_F(GNT40PrinterDevModeTest, FormSourceJobsSelectPaperByFormName) {
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  std::vector<uint8_t> dm(PA::kTotalSize);
  devMode.CopyTo(reinterpret_cast<DEVMODEW*>(dm.data()));
  SetField16(dm.data(), QV_DM(dmDefaultSource), DMBIN_FORMSOURCE);
  PA::SetFields(dm.data(), DM_DEFAULTSOURCE | DM_FORMNAME);
  for (const auto& [form, paper] : {std::pair<const char16_t*, int16_t>{u"A4", kA4}, {u"Legal", kLegal},
                                    {u"a4", kLetter}, {u"No such form", kLetter}}) {
    SCOPED_TRACE(std::string(RWWString(form).NarrowAscii().Data()));
    PA::SetWideField(dm.data(), QV_DM(dmFormName), CCHFORMNAME, RWWString(form));
    ASSERT_EQ(devMode.LoadFrom(reinterpret_cast<DEVMODEW*>(dm.data())), 1);
    EXPECT_EQ(Get(devMode.GetSettings(), GFeatureIds::kPaperSize), paper);
  }
}

TEST_F(GNT40PrinterDevModeTest, FormSourceTrayWritesTheFormName) {
  instance->SetSourceMappings(Mappings({{7, 1}, {DMBIN_FORMSOURCE, 4}}));
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  GSettingValue::Set(settings.get(), GFeatureIds::kInputBin, 4);
  GSettingValue::Set(settings.get(), GFeatureIds::kPaperSize, kA4);
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  const auto* b = reinterpret_cast<const uint8_t*>(devMode.GetBuffer());
  EXPECT_NE(Fields(b) & DM_FORMNAME, 0u);
  EXPECT_TRUE(PA::GetWideField(b, QV_DM(dmFormName), CCHFORMNAME) == RWWString(u"A4"));
  // Another tray: no form name.
  GSettingValue::Set(settings.get(), GFeatureIds::kInputBin, 1);
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  EXPECT_EQ(Fields(b) & DM_FORMNAME, 0u);
}

TEST_F(GNT40PrinterDevModeTest, FormIndexForNameChecksTheForm) {
  GNT40PrinterDevMode devMode(instance.get(), instance->GetPrinterHandle());
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  int16_t index = 0;
  EXPECT_EQ(devMode.FormIndexForName(RWWString(u"A4"), &index, 1), 1);
  EXPECT_EQ(index, 9);
  // US Std Fanfold (form 39) is wider than the largest custom size.
  index = 0;
  EXPECT_EQ(devMode.FormIndexForName(RWWString(u"US Std Fanfold"), &index, 1), 0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(devMode.FormIndexForName(RWWString(u"US Std Fanfold"), &index, 0), 1);
  EXPECT_EQ(index, 39);
  EXPECT_EQ(devMode.FormIndexForName(RWWString(u"Nothing"), &index, 0), 0);
}

TEST_F(GNT40PrinterDevModeTest, WithoutOwnerOrPrinterTheObjectStillWorks) {
  GNT40PrinterDevMode devMode(nullptr, nullptr);
  EXPECT_EQ(devMode.GetSettings(), nullptr);
  EXPECT_EQ(PA::GetWord(devMode.GetBuffer(), QV_DM(dmDriverExtra)), 952);
  int16_t index = 0;
  EXPECT_EQ(devMode.FormIndexForName(RWWString(u"A4"), &index, 1), 0);
  std::vector<uint8_t> dm(PA::kTotalSize);
  devMode.CopyTo(reinterpret_cast<DEVMODEW*>(dm.data()));
  EXPECT_EQ(devMode.LoadFrom(reinterpret_cast<DEVMODEW*>(dm.data())), 1);
}

}  // namespace
}  // namespace qvtest
