// Tests of the public DEVMODE field mappings both ways, the quality and
// media-type lookups, the driver's default DEVMODE, the colour and
// collation policies, and the validation of a DEVMODE from an application.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/GFeatureIds.h"
#include "support/DevModeTestSupport.h"
#include "w32test/Testing.h"

namespace qvtest {
namespace {

using PA = DevmodePrivateArea;

class GNT40DevModeTest : public ::testing::Test {
 public:
  void SetUp() override {
    w32test::Reset();
    instance = std::make_unique<DevModeTestInstance>();
    devMode = std::make_unique<TestDevMode>(instance.get());
    devMode->SetDefaults();
    settings.reset(MakeSettings());
    dm.assign(PA::kTotalSize, 0);
  }
  DEVMODEW* Dm() { return reinterpret_cast<DEVMODEW*>(dm.data()); }
  MPersistentObject* Configuration() { return instance->GetPrinterConfiguration(); }
  void SetSetting(int32_t id, int16_t value) { ASSERT_TRUE(GSettingValue::Set(settings.get(), id, value)) << id; }
  // Applies the fields of dm (with the given dmFields) onto the settings.
  void Apply(uint32_t fields) {
    PA::SetFields(dm.data(), fields);
    ASSERT_EQ(devMode->PublicToSettings(Dm(), settings.get()), 1);
  }

  std::unique_ptr<DevModeTestInstance> instance;
  std::unique_ptr<TestDevMode> devMode;
  std::unique_ptr<GAttributeComposite> settings;
  std::vector<uint8_t> dm;
};

// ---- Settings -> public fields ----

TEST_F(GNT40DevModeTest, SettingsToPublicWritesEachField) {
  struct Case {
    const char* name;
    std::function<void(GNT40DevModeTest&)> arrange;
    size_t offset;  // 0: no field value checked
    int32_t value;
    uint32_t set;
    uint32_t cleared;
  };
  const Case cases[] = {
      {"portrait", [](auto& t) { t.SetSetting(GFeatureIds::kOrientation, 180); }, QV_DM(dmOrientation), 1,
       DM_ORIENTATION, 0},
      {"landscape", [](auto& t) { t.SetSetting(GFeatureIds::kOrientation, 270); }, QV_DM(dmOrientation), 2,
       DM_ORIENTATION, 0},
      {"A4", [](auto& t) { t.SetSetting(GFeatureIds::kPaperSize, kA4); }, QV_DM(dmPaperSize), 9, DM_PAPERSIZE, 0},
      {"custom size", [](auto& t) { t.SetSetting(GFeatureIds::kPaperSize, 0x4000); }, QV_DM(dmPaperWidth), 2159,
       DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH, 0},
      {"custom size number", [](auto& t) { t.SetSetting(GFeatureIds::kPaperSize, 0x4000); }, QV_DM(dmPaperSize), 256,
       DM_PAPERSIZE, 0},
      {"paper without spooler number", [](auto& t) { t.SetSetting(GFeatureIds::kPaperSize, 77); }, 0, 0, 0,
       DM_PAPERSIZE},
      {"A4 size with flag 0x200",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kPaperSize, kA4);
         t.instance->SetFlags(0x200);
       },
       QV_DM(dmPaperLength), 7016 * 254 / 600, DM_PAPERWIDTH | DM_PAPERLENGTH, 0},
      {"copies", [](auto& t) { t.SetSetting(GFeatureIds::kCopies, 12); }, QV_DM(dmCopies), 12, DM_COPIES, 0},
      {"tray 2 is the upper bin", [](auto& t) { t.SetSetting(GFeatureIds::kInputBin, 2); }, QV_DM(dmDefaultSource), 1,
       DM_DEFAULTSOURCE, 0},
      {"tray without bin", [](auto& t) { t.SetSetting(GFeatureIds::kInputBin, 9); }, 0, 0, 0, DM_DEFAULTSOURCE},
      {"media type of a mapped tray",
       [](auto& t) { GSettingValue::SetText(t.settings.get(), GFeatureIds::kMediaType, "Transparency"); },
       QV_DM(dmDefaultSource), 260, DM_DEFAULTSOURCE, 0},
      {"media type of a discovered tray",
       [](auto& t) { GSettingValue::SetText(t.settings.get(), GFeatureIds::kMediaType, "Labels"); },
       QV_DM(dmDefaultSource), 16691, DM_DEFAULTSOURCE, 0},
      {"raw resolution", [](auto& t) { t.SetSetting(GFeatureIds::kXResolution, 1200); }, QV_DM(dmPrintQuality), 1200,
       DM_PRINTQUALITY | DM_YRESOLUTION, 0},
      {"quality mode 0 writes the DMRES quality",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kPrintQualityMode, 0);
         t.SetSetting(GFeatureIds::kXResolution, 1200);
         t.SetSetting(GFeatureIds::kYResolution, 1200);
       },
       QV_DM(dmPrintQuality), DMRES_HIGH, DM_PRINTQUALITY, DM_YRESOLUTION},
      {"colour mode 0 is colour", [](auto& t) { t.SetSetting(GFeatureIds::kColorMode, 0); }, QV_DM(dmColor), 2,
       DM_COLOR, 0},
      {"grey", [](auto& t) { t.SetSetting(GFeatureIds::kPrintColorAsGray, 3); }, QV_DM(dmColor), 1, DM_COLOR, 0},
      {"icm off", [](auto& t) { t.SetSetting(GFeatureIds::kIcmEnable, 0); }, QV_DM(dmICMMethod), DMICMMETHOD_NONE,
       DM_ICMMETHOD | DM_ICMINTENT, 0},
      {"icm by the system", [](auto& t) { t.SetSetting(GFeatureIds::kIcmMethod, 2); }, QV_DM(dmICMMethod),
       DMICMMETHOD_SYSTEM, DM_ICMMETHOD, 0},
      {"icm intent 3", [](auto& t) { t.SetSetting(GFeatureIds::kIcmIntent, 3); }, QV_DM(dmICMIntent),
       DMICM_ABS_COLORIMETRIC, DM_ICMINTENT | DM_ICMMETHOD, 0},
      {"short edge portrait", [](auto& t) { t.SetSetting(GFeatureIds::kDuplex, 1); }, QV_DM(dmDuplex), DMDUP_HORIZONTAL,
       DM_DUPLEX, 0},
      {"short edge landscape",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kDuplex, 1);
         t.SetSetting(GFeatureIds::kOrientation, 90);
       },
       QV_DM(dmDuplex), DMDUP_VERTICAL, DM_DUPLEX, 0},
      {"long edge landscape",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kDuplex, 2);
         t.SetSetting(GFeatureIds::kOrientation, 90);
       },
       QV_DM(dmDuplex), DMDUP_HORIZONTAL, DM_DUPLEX, 0},
      {"collate", [](auto& t) { t.SetSetting(GFeatureIds::kCollate, 1); }, QV_DM(dmCollate), DMCOLLATE_TRUE, DM_COLLATE,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange(*this);
    ASSERT_EQ(devMode->SettingsToPublic(settings.get(), Dm()), 1);
    if (c.offset == QV_DM(dmICMMethod) || c.offset == QV_DM(dmICMIntent)) {
      EXPECT_EQ(PA::GetDword(dm.data(), c.offset), static_cast<uint32_t>(c.value));
    } else if (c.offset != 0) {
      EXPECT_EQ(Field16(dm.data(), c.offset), c.value);
    }
    EXPECT_EQ(Fields(dm.data()) & c.set, c.set);
    EXPECT_EQ(Fields(dm.data()) & c.cleared, 0u);
  }
}

TEST_F(GNT40DevModeTest, UnknownIcmIntentDropsTheMethodAndKeepsTheIntentField) {
  PA::SetDword(dm.data(), QV_DM(dmICMIntent), 77);
  SetSetting(GFeatureIds::kIcmIntent, 7);
  ASSERT_EQ(devMode->SettingsToPublic(settings.get(), Dm()), 1);
  EXPECT_NE(Fields(dm.data()) & DM_ICMINTENT, 0u);
  EXPECT_EQ(Fields(dm.data()) & DM_ICMMETHOD, 0u);
  EXPECT_EQ(PA::GetDword(dm.data(), QV_DM(dmICMIntent)), 77u);
}

TEST_F(GNT40DevModeTest, ColourBitFollowsTheColourCapability) {
  SetSetting(GFeatureIds::kPrintColorAsGray, 1);
  ASSERT_EQ(devMode->SettingsToPublic(settings.get(), Dm()), 1);
  EXPECT_NE(Fields(dm.data()) & DM_COLOR, 0u);  // capability 1
  // A printer whose colour capability is 2 leaves the colour field unset.
  DevModeTestInstance other;
  GSettingValue::Set(other.GetPrinterConfiguration(), 339, 2);
  TestDevMode otherDevMode(&other);
  ASSERT_EQ(otherDevMode.SettingsToPublic(settings.get(), Dm()), 1);
  EXPECT_EQ(Fields(dm.data()) & DM_COLOR, 0u);
}

// ---- Public fields -> settings ----

TEST_F(GNT40DevModeTest, PublicToSettingsAppliesEachField) {
  struct Case {
    const char* name;
    std::function<void(GNT40DevModeTest&)> arrange;  // settings and dm fields
    uint32_t fields;
    int32_t id;
    int32_t expected;
  };
  auto dmSet = [](size_t offset, int16_t v) {
    return [offset, v](GNT40DevModeTest& t) { SetField16(t.dm.data(), offset, v); };
  };
  const Case cases[] = {
      {"landscape from portrait", dmSet(QV_DM(dmOrientation), 2), DM_ORIENTATION, GFeatureIds::kOrientation, 90},
      {"landscape keeps 270",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kOrientation, 270);
         SetField16(t.dm.data(), QV_DM(dmOrientation), 2);
       },
       DM_ORIENTATION, GFeatureIds::kOrientation, 270},
      {"landscape with the flip rule",
       [](auto& t) {
         t.Configuration()->AddChild(Value(GFeatureIds::kOrientationFlipRule, 1));
         SetField16(t.dm.data(), QV_DM(dmOrientation), 2);
       },
       DM_ORIENTATION, GFeatureIds::kOrientation, 270},
      {"portrait from 270 falls back to 0 (180 not offered)",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kOrientation, 270);
         SetField16(t.dm.data(), QV_DM(dmOrientation), 1);
       },
       DM_ORIENTATION, GFeatureIds::kOrientation, 0},
      {"bad orientation changes nothing", dmSet(QV_DM(dmOrientation), 3), DM_ORIENTATION, GFeatureIds::kOrientation, 0},
      {"upper bin is tray 2", dmSet(QV_DM(dmDefaultSource), 1), DM_DEFAULTSOURCE, GFeatureIds::kInputBin, 2},
      {"copies", dmSet(QV_DM(dmCopies), 3), DM_COPIES, GFeatureIds::kCopies, 3},
      {"copies 0", dmSet(QV_DM(dmCopies), 0), DM_COPIES, GFeatureIds::kCopies, 1},
      {"copies negative", dmSet(QV_DM(dmCopies), -4), DM_COPIES, GFeatureIds::kCopies, 1},
      {"copies without the bit", dmSet(QV_DM(dmCopies), 3), 0, GFeatureIds::kCopies, 1},
      {"copies at the printer's most", dmSet(QV_DM(dmCopies), 999), DM_COPIES, GFeatureIds::kCopies, 999},
      {"more copies than the printer makes give its most", dmSet(QV_DM(dmCopies), 27477), DM_COPIES,
       GFeatureIds::kCopies, 999},
      {"A4", dmSet(QV_DM(dmPaperSize), 9), DM_PAPERSIZE, GFeatureIds::kPaperSize, kA4},
      {"unknown paper gives the default", dmSet(QV_DM(dmPaperSize), 77), DM_PAPERSIZE, GFeatureIds::kPaperSize,
       kLetter},
      {"custom width raised to the smallest",
       [](auto& t) {
         SetField16(t.dm.data(), QV_DM(dmPaperSize), 256);
         SetField16(t.dm.data(), QV_DM(dmPaperWidth), 100);
         SetField16(t.dm.data(), QV_DM(dmPaperLength), 3000);
       },
       DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH, GFeatureIds::kCustomPaperWidth, 1800 * 254 / 600},
      {"custom length lowered to the largest",
       [](auto& t) {
         SetField16(t.dm.data(), QV_DM(dmPaperSize), 256);
         SetField16(t.dm.data(), QV_DM(dmPaperWidth), 2000);
         SetField16(t.dm.data(), QV_DM(dmPaperLength), 9000);
       },
       DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH, GFeatureIds::kCustomPaperLength, 8400 * 254 / 600},
      {"custom without sizes takes the default paper's",
       [](auto& t) { SetField16(t.dm.data(), QV_DM(dmPaperSize), 256); }, DM_PAPERSIZE, GFeatureIds::kCustomPaperLength,
       6600 * 254 / 600},
      {"grey on a colour printer", [](auto& t) { SetField16(t.dm.data(), QV_DM(dmColor), 1); }, DM_COLOR,
       GFeatureIds::kPrintColorAsGray, 1},
      {"colour on a colour printer",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kPrintColorAsGray, 1);
         SetField16(t.dm.data(), QV_DM(dmColor), 2);
       },
       DM_COLOR, GFeatureIds::kPrintColorAsGray, 0},
      {"icm method by the device", [](auto& t) { PA::SetDword(t.dm.data(), QV_DM(dmICMMethod), DMICMMETHOD_DEVICE); },
       DM_ICMMETHOD, GFeatureIds::kIcmMethod, 1},
      {"icm intent absolute", [](auto& t) { PA::SetDword(t.dm.data(), QV_DM(dmICMIntent), DMICM_ABS_COLORIMETRIC); },
       DM_ICMINTENT, GFeatureIds::kIcmIntent, 3},
      {"horizontal in portrait is short edge", dmSet(QV_DM(dmDuplex), 3), DM_DUPLEX, GFeatureIds::kDuplex, 1},
      {"horizontal in landscape is long edge",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kOrientation, 90);
         SetField16(t.dm.data(), QV_DM(dmDuplex), 3);
       },
       DM_DUPLEX, GFeatureIds::kDuplex, 2},
      {"duplex sets symmetrical margins", dmSet(QV_DM(dmDuplex), 2), DM_DUPLEX, GFeatureIds::kQVSymmetricalMargins, 1},
      {"simplex", [](auto& t) { t.SetSetting(GFeatureIds::kDuplex, 2); }, DM_DUPLEX, GFeatureIds::kDuplex, 0},
      {"collate", dmSet(QV_DM(dmCollate), 1), DM_COLLATE, GFeatureIds::kCollate, 1},
      {"collate 5 changes nothing",
       [](auto& t) {
         t.SetSetting(GFeatureIds::kCollate, 1);
         SetField16(t.dm.data(), QV_DM(dmCollate), 5);
       },
       DM_COLLATE, GFeatureIds::kCollate, 1},
      {"no collate bit clears collation", [](auto& t) { t.SetSetting(GFeatureIds::kCollate, 1); }, 0,
       GFeatureIds::kCollate, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange(*this);
    Apply(c.fields);
    EXPECT_EQ(Get(settings.get(), c.id), c.expected);
  }
}

TEST_F(GNT40DevModeTest, SourceWithoutBinSelectsTheMediaType) {
  SetField16(dm.data(), QV_DM(dmDefaultSource), 16690);  // first discovered medium
  Apply(DM_DEFAULTSOURCE);
  RWCString type;
  ASSERT_TRUE(GSettingValue::GetText(settings.get(), GFeatureIds::kMediaType, &type));
  EXPECT_TRUE(type == "Envelope");
  SetField16(dm.data(), QV_DM(dmDefaultSource), 260);  // a capability mapping of tray 5
  Apply(DM_DEFAULTSOURCE);
  ASSERT_TRUE(GSettingValue::GetText(settings.get(), GFeatureIds::kMediaType, &type));
  EXPECT_TRUE(type == "Transparency");
}

TEST_F(GNT40DevModeTest, ResolutionFieldsPickASupportedResolution) {
  struct Case {
    const char* name;
    int16_t quality;
    int16_t y;
    uint32_t fields;
    int32_t x;
    int32_t bits;
  };
  const Case cases[] = {
      {"supported 1200", 1200, 1200, DM_PRINTQUALITY | DM_YRESOLUTION, 1200, 1},
      {"unsupported keeps 600", 999, 999, DM_PRINTQUALITY | DM_YRESOLUTION, 600, 1},
      {"quality without y is ignored", 1200, 1200, DM_PRINTQUALITY, 600, 1},
      {"DMRES_HIGH is the first entry", DMRES_HIGH, 0, DM_PRINTQUALITY, 1200, 1},
      {"DMRES_DRAFT is the fourth", DMRES_DRAFT, 0, DM_PRINTQUALITY, 300, 1},
      {"300 takes its bits", 300, 300, DM_PRINTQUALITY | DM_YRESOLUTION, 300, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetField16(dm.data(), QV_DM(dmPrintQuality), c.quality);
    SetField16(dm.data(), QV_DM(dmYResolution), c.y);
    Apply(c.fields);
    EXPECT_EQ(Get(settings.get(), GFeatureIds::kXResolution), c.x);
    EXPECT_EQ(Get(settings.get(), GFeatureIds::kYResolution), c.x);
    EXPECT_EQ(Get(settings.get(), GFeatureIds::kBitsPerPixel), c.bits);
  }
}

TEST_F(GNT40DevModeTest, BitsPerPixelFollowTheResolutionList) {
  // 600 x 600 at 2 bits is offered; at 1200 only 1 bit is.
  SetSetting(GFeatureIds::kBitsPerPixel, 2);
  SetField16(dm.data(), QV_DM(dmPrintQuality), 1200);
  SetField16(dm.data(), QV_DM(dmYResolution), 1200);
  Apply(DM_PRINTQUALITY | DM_YRESOLUTION);
  EXPECT_EQ(Get(settings.get(), GFeatureIds::kBitsPerPixel), 1);
  EXPECT_EQ(Get(settings.get(), GFeatureIds::kPrintQualityMode), DMRES_HIGH);
}

TEST_F(GNT40DevModeTest, EveryPublicFieldSurvivesARoundTrip) {
  // Settings far from the defaults, written out and applied onto fresh
  // settings, come back.
  SetSetting(GFeatureIds::kOrientation, 90);
  SetSetting(GFeatureIds::kPaperSize, kA4);
  SetSetting(GFeatureIds::kCopies, 4);
  SetSetting(GFeatureIds::kInputBin, 3);
  SetSetting(GFeatureIds::kXResolution, 1200);
  SetSetting(GFeatureIds::kYResolution, 1200);
  SetSetting(GFeatureIds::kPrintQualityMode, -4);
  SetSetting(GFeatureIds::kPrintColorAsGray, 1);
  SetSetting(GFeatureIds::kIcmMethod, 1);
  SetSetting(GFeatureIds::kIcmIntent, 2);
  SetSetting(GFeatureIds::kDuplex, 1);
  SetSetting(GFeatureIds::kCollate, 1);
  ASSERT_EQ(devMode->SettingsToPublic(settings.get(), Dm()), 1);
  std::unique_ptr<GAttributeComposite> fresh(MakeSettings());
  ASSERT_EQ(devMode->PublicToSettings(Dm(), fresh.get()), 1);
  for (int32_t id : {GFeatureIds::kOrientation, GFeatureIds::kPaperSize, GFeatureIds::kCopies, GFeatureIds::kInputBin,
                     GFeatureIds::kXResolution, GFeatureIds::kYResolution, GFeatureIds::kPrintQualityMode,
                     GFeatureIds::kPrintColorAsGray, GFeatureIds::kIcmMethod, GFeatureIds::kIcmIntent,
                     GFeatureIds::kDuplex, GFeatureIds::kCollate})
    EXPECT_EQ(Get(fresh.get(), id), Get(settings.get(), id)) << id;
}

// ---- Quality lookups with a quality-mode table ----

TEST_F(GNT40DevModeTest, QualityModeTableDecidesBothLookups) {
  // Entry 1: with toner saving off (330), quality -3 is 600 dpi at 2 bits
  // and a halftone choice (331) of 7; entry 2: quality -4 is 1200 dpi. The
  // members after the quality are what goes with it.
  Configuration()->AddChild(
      Group(GFeatureIds::kQualityModeTable,
            {Group(0, {Value(330, 0), Value(GFeatureIds::kPrintQualityMode, -3), Value(GFeatureIds::kXResolution, 600),
                       Value(GFeatureIds::kYResolution, 600), Value(GFeatureIds::kBitsPerPixel, 2), Value(331, 7)}),
             Group(0, {Value(GFeatureIds::kPrintQualityMode, -4), Value(GFeatureIds::kXResolution, 1200),
                       Value(GFeatureIds::kYResolution, 1200), Value(GFeatureIds::kBitsPerPixel, 1)})}));
  dynamic_cast<GAttributeComposite*>(settings->FindById(362))->AddChild(Value(330, 0));
  dynamic_cast<GAttributeComposite*>(settings->FindById(362))->AddChild(Value(331, 1));

  int16_t x = 0, y = 0, bits = 0;
  ASSERT_EQ(devMode->ResolutionForQuality(settings.get(), -3, &x, &y, &bits), 1);
  EXPECT_EQ(x, 600);
  EXPECT_EQ(bits, 2);
  EXPECT_EQ(Get(settings.get(), 331), 7);  // copied from the entry
  ASSERT_EQ(devMode->ResolutionForQuality(settings.get(), -4, &x, &y, &bits), 1);
  EXPECT_EQ(x, 1200);
  EXPECT_EQ(devMode->ResolutionForQuality(settings.get(), -1, &x, &y, &bits), 0);

  int16_t quality = 0;
  ASSERT_EQ(devMode->QualityForResolution(settings.get(), 1200, 1200, &quality), 1);
  EXPECT_EQ(quality, -4);
  ASSERT_EQ(devMode->QualityForResolution(settings.get(), 600, 600, &quality), 1);
  EXPECT_EQ(quality, -3);
  // A settings value that differs from the entry's after its quality makes
  // the entry a candidate whose values are taken over.
  GSettingValue::Set(settings.get(), 331, 2);
  quality = 0;
  ASSERT_EQ(devMode->QualityForResolution(settings.get(), 600, 600, &quality), 1);
  EXPECT_EQ(quality, -3);
  EXPECT_EQ(Get(settings.get(), 331), 7);
  EXPECT_EQ(devMode->QualityForResolution(settings.get(), 300, 300, &quality), 0);
  // An entry whose comparison member differs is passed over.
  GSettingValue::Set(settings.get(), 330, 1);
  ASSERT_EQ(devMode->QualityForResolution(settings.get(), 1200, 1200, &quality), 1);
  EXPECT_EQ(quality, -4);
}

TEST_F(GNT40DevModeTest, QualityLookupsWithoutTableUseTheResolutionList) {
  int16_t quality = 0;
  ASSERT_EQ(devMode->QualityForResolution(settings.get(), 300, 300, &quality), 1);
  EXPECT_EQ(quality, -2);
  EXPECT_EQ(devMode->QualityForResolution(settings.get(), 450, 450, &quality), 0);
  int16_t x = 0, y = 0, bits = 0;
  EXPECT_EQ(devMode->ResolutionForQuality(settings.get(), 5, &x, &y, &bits), 0);
  ASSERT_EQ(devMode->ResolutionForQuality(settings.get(), DMRES_LOW, &x, &y, &bits), 1);
  EXPECT_EQ(bits, 2);
}

TEST_F(GNT40DevModeTest, MediaTypeLookups) {
  int16_t source = 0;
  RWCString type;
  EXPECT_EQ(devMode->SourceForMediaType(Configuration(), "Transparency", &source), 1);
  EXPECT_EQ(source, 260);
  EXPECT_EQ(devMode->SourceForMediaType(Configuration(), "Labels", &source), 1);
  EXPECT_EQ(source, 16691);
  EXPECT_EQ(devMode->SourceForMediaType(Configuration(), "Transparenc", &source), 0);
  EXPECT_EQ(devMode->SourceForMediaType(nullptr, "Transparency", &source), 0);
  EXPECT_EQ(devMode->MediaTypeForSource(Configuration(), 260, &type), 1);
  EXPECT_TRUE(type == "Transparency");
  EXPECT_EQ(devMode->MediaTypeForSource(Configuration(), 16691, &type), 1);
  EXPECT_TRUE(type == "Labels");
  EXPECT_EQ(devMode->MediaTypeForSource(Configuration(), 16692, &type), 0);
}

// ---- Defaults and policies ----

TEST_F(GNT40DevModeTest, DefaultsAreTheDriversDevmode) {
  Configuration()->AddChild(Value(GFeatureIds::kIcmEnable, 1));
  Configuration()->AddChild(Value(GFeatureIds::kIcmMethod, 1));
  Configuration()->AddChild(Value(GFeatureIds::kIcmIntent, 2));
  TestDevMode fresh(instance.get());
  fresh.SetDefaults();
  const auto* b = reinterpret_cast<const uint8_t*>(fresh.GetBuffer());
  EXPECT_TRUE(PA::GetWideField(b, QV_DM(dmFormName), CCHFORMNAME) == RWWString(u"Letter"));
  EXPECT_TRUE(fresh.GetDeviceName() == RWWString(u"QV Test Printer"));
  EXPECT_EQ(Field16(b, QV_DM(dmPaperSize)), 1);
  EXPECT_EQ(Field16(b, QV_DM(dmScale)), 100);
  EXPECT_EQ(Field16(b, QV_DM(dmDuplex)), 1);
  EXPECT_EQ(Field16(b, QV_DM(dmColor)), 2);
  EXPECT_EQ(PA::GetDword(b, QV_DM(dmICMMethod)), 2u);
  EXPECT_EQ(PA::GetDword(b, QV_DM(dmICMIntent)), 3u);
  EXPECT_EQ(Fields(b), static_cast<uint32_t>(DM_FORMNAME | DM_DUPLEX | DM_COLOR | DM_ICMMETHOD | DM_ICMINTENT));
  EXPECT_EQ(PA::GetWord(b, QV_DM(dmDriverExtra)), 952);
  EXPECT_EQ(PA::GetWord(b, 268), 902);
  EXPECT_EQ(b[270], 0);
  EXPECT_TRUE(fresh.GetDriverNameTag() == RWWString(u"QV Office Laser 4100 Series"));
}

TEST_F(GNT40DevModeTest, ColourPolicyTurnsColourToMonochromeForTheFlaggedApplication) {
  for (int capability : {0, 1, 2}) {
    SCOPED_TRACE(capability);
    w32test::Reset();
    DevModeTestInstance printer;
    GSettingValue::Set(printer.GetPrinterConfiguration(), 339, static_cast<int16_t>(capability));
    GSettingValue::Set(printer.GetPrinterConfiguration(), GFeatureIds::kColorMode, 0);
    printer.SetFlags(0x80);
    TestDevMode fresh(&printer);
    fresh.SetDefaults();
    EXPECT_EQ(Field16(fresh.GetBuffer(), QV_DM(dmColor)), capability == 1 ? 2 : 1);
  }
}

TEST_F(GNT40DevModeTest, CollatePolicyFollowsThePrinter) {
  auto* b = reinterpret_cast<uint8_t*>(devMode->GetBuffer());
  SetField16(b, QV_DM(dmCollate), 9);
  PA::SetFieldBits(b, DM_COLLATE);
  devMode->ApplyCollatePolicy();
  EXPECT_EQ(Field16(b, QV_DM(dmCollate)), 1);
  GSettingValue::Set(Configuration(), GFeatureIds::kDiscoveredPlurexMode, 0);
  devMode->ApplyCollatePolicy();
  EXPECT_EQ(Field16(b, QV_DM(dmCollate)), 0);
  EXPECT_EQ(Fields(b) & DM_COLLATE, 0u);
}

// ---- Validation ----

TEST_F(GNT40DevModeTest, ValidateReportsRejectedFields) {
  std::unique_ptr<GAttributeComposite> own(MakeSettings());
  ASSERT_EQ(devMode->SetSettings(own.get()), 1);
  auto good = [&] {
    std::vector<uint8_t> out(PA::kTotalSize);
    devMode->CopyTo(reinterpret_cast<DEVMODEW*>(out.data()));
    // The test printer has no input trays to check a source against. The
    // form name ("Letter", a form of the spooler) stays.
    PA::ClearFieldBits(out.data(), DM_DEFAULTSOURCE);
    PA::SetWideField(out.data(), QV_DM(dmFormName), CCHFORMNAME, RWWString(u"Letter"));
    PA::SetFieldBits(out.data(), DM_FORMNAME);
    return out;
  };
  uint32_t bad = 0xFFFF;
  {
    auto v = good();
    EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 1, &bad), 1);
    EXPECT_EQ(bad, 0u);
  }
  {
    auto v = good();
    PA::SetWord(v.data(), QV_DM(dmSpecVersion), 0x0300);
    SetField16(v.data(), QV_DM(dmOrientation), 7);
    EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 1, &bad), 0);
    EXPECT_EQ(bad, 0u);
  }
  auto broken = [&] {
    auto v = good();
    SetField16(v.data(), QV_DM(dmOrientation), 7);
    SetField16(v.data(), QV_DM(dmCopies), 0);
    SetField16(v.data(), QV_DM(dmColor), 5);
    SetField16(v.data(), QV_DM(dmDuplex), 9);
    PA::SetFieldBits(v.data(), DM_COPIES | DM_COLOR | DM_DUPLEX);
    return v;
  };
  {
    auto v = broken();
    EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 1, &bad), 0);
    EXPECT_EQ(bad, static_cast<uint32_t>(DM_ORIENTATION | DM_COPIES | DM_COLOR | DM_DUPLEX));
    EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 0, &bad), 0);
    EXPECT_EQ(bad, static_cast<uint32_t>(DM_ORIENTATION));
  }
  struct Case {
    const char* name;
    std::function<void(uint8_t*)> damage;
    uint32_t bad;
  };
  const Case cases[] = {
      {"unsupported resolution",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmPrintQuality), 450);
         SetField16(v, QV_DM(dmYResolution), 450);
         PA::SetFieldBits(v, DM_PRINTQUALITY | DM_YRESOLUTION);
       },
       DM_PRINTQUALITY | DM_YRESOLUTION},
      {"quality without table entry",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmPrintQuality), -9);
         PA::SetFields(v, (PA::GetFields(v) & ~DM_YRESOLUTION) | DM_PRINTQUALITY);
       },
       DM_PRINTQUALITY},
      {"custom width too large",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmPaperWidth), 3000);
         SetField16(v, QV_DM(dmPaperLength), 3000);
         PA::SetFieldBits(v, DM_PAPERWIDTH | DM_PAPERLENGTH);
       },
       DM_PAPERWIDTH},
      {"paper beyond the form list", [](uint8_t* v) { SetField16(v, QV_DM(dmPaperSize), 300); }, DM_PAPERSIZE},
      {"form source without assignments",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmDefaultSource), DMBIN_FORMSOURCE);
         PA::SetFieldBits(v, DM_DEFAULTSOURCE);
       },
       DM_DEFAULTSOURCE},
      {"collate 2",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmCollate), 2);
         PA::SetFieldBits(v, DM_COLLATE);
       },
       DM_COLLATE},
      {"a form name that names no form ends the validation",
       [](uint8_t* v) {
         SetField16(v, QV_DM(dmColor), 5);
         PA::SetWideField(v, QV_DM(dmFormName), CCHFORMNAME, RWWString(u"No Such Form"));
         PA::SetFieldBits(v, DM_FORMNAME);
       },
       DM_COLOR | DM_FORMNAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = good();
    c.damage(v.data());
    EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 1, &bad), 0);
    EXPECT_EQ(bad, c.bad);
  }
}

// A form name is accepted when it names a form the printer's spooler knows
// (built-in or added, letter case aside); the answer carries its paper id.
TEST_F(GNT40DevModeTest, FormNamesOfTheSpoolersFormsAreAccepted) {
  FORM_INFO_1W form{};
  std::u16string name = u"Index Card 3x5";
  form.Flags = FORM_USER;
  form.pName = name.data();
  form.Size = {76200, 127000};
  form.ImageableArea = {0, 0, 76200, 127000};
  ASSERT_TRUE(AddFormW(instance->GetPrinterHandle(), 1, reinterpret_cast<LPBYTE>(&form)));
  struct Case {
    const char16_t* name;
    int accepted;
    int16_t paperId;
  } cases[] = {{u"Letter", 1, kLetter},  {u"A4", 1, kA4},        {u"LEGAL", 1, kLegal}, {u"Index Card 3x5", 1, -1},
               {u"", 1, 0},              {u"No Such Form", 0, 0}, {u"Letter ", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    int16_t paperId = -9;
    EXPECT_EQ(devMode->IsFormNameAccepted(RWWString(c.name), &paperId, 600, 600, 0), c.accepted);
    if (c.paperId > 0) EXPECT_EQ(paperId, c.paperId);
    if (c.paperId < 0) EXPECT_GT(paperId, GSpoolerFormServices::kFormPaperBase);
    if (c.paperId == 0) EXPECT_EQ(paperId, 0);
  }
}

TEST_F(GNT40DevModeTest, ValidateLeavesTheSettingsAlone) {
  Configuration()->AddChild(Group(GFeatureIds::kQualityModeTable, {Group(0, {Value(GFeatureIds::kXResolution, 600),
                                                                             Value(GFeatureIds::kPrintQualityMode, -3),
                                                                             Value(GFeatureIds::kCopies, 55)})}));
  std::unique_ptr<GAttributeComposite> own(MakeSettings());
  ASSERT_EQ(devMode->SetSettings(own.get()), 1);
  std::vector<uint8_t> v(PA::kTotalSize);
  devMode->CopyTo(reinterpret_cast<DEVMODEW*>(v.data()));
  SetField16(v.data(), QV_DM(dmPrintQuality), -3);
  PA::SetFields(v.data(), DM_PRINTQUALITY);
  uint32_t bad = 0;
  EXPECT_EQ(devMode->Validate(nullptr, reinterpret_cast<DEVMODEW*>(v.data()), 1, &bad), 1);
  EXPECT_EQ(Get(devMode->GetSettings(), GFeatureIds::kCopies), 1);
}

TEST_F(GNT40DevModeTest, IsEqualComparesTheWholeExtent) {
  std::vector<uint8_t> v(PA::kTotalSize);
  devMode->CopyTo(reinterpret_cast<DEVMODEW*>(v.data()));
  EXPECT_EQ(devMode->IsEqual(reinterpret_cast<DEVMODEW*>(v.data())), 1);
  v[1000] ^= 1;
  EXPECT_EQ(devMode->IsEqual(reinterpret_cast<DEVMODEW*>(v.data())), 0);
  v[1000] ^= 1;
  PA::SetWord(v.data(), QV_DM(dmDriverExtra), 0);
  EXPECT_EQ(devMode->IsEqual(reinterpret_cast<DEVMODEW*>(v.data())), 0);
}

}  // namespace
}  // namespace qvtest
