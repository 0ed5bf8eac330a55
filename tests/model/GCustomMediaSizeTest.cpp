#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GMarginPool.h"
#include "model/GMedia.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;
using Unit = GCustomMediaSize::Unit;

const int32_t kSizeId = 42;

// The conversions of the paper sizes the driver meets, rounding half up.
struct ConversionCase {
  const char* name;
  int32_t from;
  uint32_t width;
  uint32_t height;
  int32_t to;
  uint32_t expectedWidth;
  uint32_t expectedHeight;
};

const ConversionCase kConversions[] = {
    // 215.9 rounds up, 279.4 rounds down.
    {"LetterToMillimetres", Unit::kHundredthInch, 850, 1100, Unit::kMillimetre, 216, 279},
    {"LetterToTenThousandths", Unit::kHundredthInch, 850, 1100, Unit::kTenThousandthInch, 85000, 110000},
    {"LetterToMicrometres", Unit::kHundredthInch, 850, 1100, Unit::kMicrometre, 215900, 279400},
    {"A4ToHundredths", Unit::kMillimetre, 210, 297, Unit::kHundredthInch, 827, 1169},
    {"A4ToTenThousandths", Unit::kMillimetre, 210, 297, Unit::kTenThousandthInch, 82677, 116929},
    {"A4ToMicrometres", Unit::kMillimetre, 210, 297, Unit::kMicrometre, 210000, 297000},
    // 4233 x 50 = 1666 x 127 + 68, and 68 is at least 64; 4232 leaves 18.
    {"RemainderOf68Over127RoundsUp", Unit::kMicrometre, 4233, 4232, Unit::kTenThousandthInch, 1667, 1666},
    // 63.5 / 127 is exactly a half: it goes up.
    {"HalfOf127RoundsUp", Unit::kMillimetre, 1, 2, Unit::kTenThousandthInch, 394, 787},
    {"TenThousandthsToHundredths", Unit::kTenThousandthInch, 85049, 85050, Unit::kHundredthInch, 850, 851},
    {"TenThousandthsToMillimetres", Unit::kTenThousandthInch, 85000, 110000, Unit::kMillimetre, 216, 279},
    {"TenThousandthsToMicrometres", Unit::kTenThousandthInch, 2500, 1, Unit::kMicrometre, 6350, 3},
    {"MicrometresToHundredths", Unit::kMicrometre, 215900, 279400, Unit::kHundredthInch, 850, 1100},
    {"MicrometresToMillimetres", Unit::kMicrometre, 215500, 215499, Unit::kMillimetre, 216, 215},
    {"MillimetresToMicrometres", Unit::kMillimetre, 100, 1, Unit::kMicrometre, 100000, 1000},
    {"SameUnitIsUnchanged", Unit::kMillimetre, 210, 297, Unit::kMillimetre, 210, 297},
    {"UnknownTargetIsUnchanged", Unit::kHundredthInch, 850, 1100, 5, 850, 1100},
    {"UnknownSourceIsUnchanged", -1, 850, 1100, Unit::kMillimetre, 850, 1100},
    // Products beyond 32 bits are still exact.
    {"LargeSizesDoNotWrap", Unit::kHundredthInch, 400000, 1, Unit::kMicrometre, 101600000, 254},
};

TEST(GCustomMediaSize, ConvertsBetweenUnitsRoundingHalfUp) {
  for (const ConversionCase& c : kConversions) {
    SCOPED_TRACE(c.name);
    GCustomMediaSize size(1, RWCString("Size"), c.from, c.width, c.height, &kSizeId);
    GCustomMediaSize::Pair out;
    size.GetSizeInUnit(out, c.to);
    EXPECT_EQ(out.width, c.expectedWidth);
    EXPECT_EQ(out.height, c.expectedHeight);
  }
}

TEST(GCustomMediaSize, ConvertToUnitMakesTheUnitStoredAndRefusesUnknownUnits) {
  GCustomMediaSize size(16384, RWCString("Letter"), Unit::kHundredthInch, 850, 1100, &kSizeId);
  size.ConvertToUnit(Unit::kMillimetre);
  EXPECT_EQ(size.GetUnit(), Unit::kMillimetre);
  uint32_t width = 0;
  uint32_t height = 0;
  size.GetSize(width, height);
  EXPECT_EQ(width, 216u);
  EXPECT_EQ(height, 279u);
  // An unknown unit would leave millimetre values under a code that every
  // later conversion passes through unchanged.
  size.ConvertToUnit(5);
  EXPECT_EQ(size.GetUnit(), Unit::kMillimetre);
  size.GetSize(width, height);
  EXPECT_EQ(width, 216u);

  size.SetSizeInUnit(Unit::kMicrometre, 1000, 2000);
  EXPECT_EQ(size.GetUnit(), Unit::kMicrometre);
  size.SetSize(GCustomMediaSize::Pair{3000, 4000});
  EXPECT_EQ(size.GetUnit(), Unit::kMicrometre);
  size.GetSize(width, height);
  EXPECT_EQ(height, 4000u);
}

TEST(GCustomMediaSize, PixelsGoThroughTenThousandthsOfAnInch) {
  GCustomMediaSize letter(1, RWCString("Letter"), Unit::kHundredthInch, 850, 1100, &kSizeId);
  GCustomMediaSize::Pair pixels;
  letter.GetSizeInPixels(pixels, 600, 300);
  EXPECT_EQ(pixels.width, 5100u);
  EXPECT_EQ(pixels.height, 3300u);

  // From pixels: truncated to 1/100 inch, then converted.
  GCustomMediaSize fromPixels(2, RWCString("P"), 600, 600, Unit::kMillimetre, 5100, 6600, &kSizeId);
  uint32_t width = 0;
  uint32_t height = 0;
  fromPixels.GetSize(width, height);
  EXPECT_EQ(fromPixels.GetUnit(), Unit::kMillimetre);
  EXPECT_EQ(width, 216u);
  EXPECT_EQ(height, 279u);
  GCustomMediaSize truncated(2, RWCString("P"), 600, 600, Unit::kHundredthInch, 5105, 5, &kSizeId);
  truncated.GetSize(width, height);
  EXPECT_EQ(width, 850u);
  EXPECT_EQ(height, 0u);
  // A resolution of 0 gives no size instead of a division by zero.
  GCustomMediaSize noDpi(2, RWCString("P"), 0, 600, Unit::kHundredthInch, 5100, 6600, &kSizeId);
  noDpi.GetSize(width, height);
  EXPECT_EQ(width, 0u);
  EXPECT_EQ(height, 1100u);
}

TEST(GCustomMediaSize, MatchesComparesSizesAcrossUnits) {
  GCustomMediaSize millimetres(16390, RWCString("Card"), Unit::kMillimetre, 100, 150, &kSizeId);
  GCustomMediaSize micrometres(16390, RWCString("Card"), Unit::kMicrometre, 100000, 150000, &kSizeId);
  EXPECT_TRUE(millimetres.Matches(&micrometres));
  EXPECT_TRUE(micrometres.Matches(&millimetres));
  GCustomMediaSize renamed(16390, RWCString("card"), Unit::kMicrometre, 100000, 150000, &kSizeId);
  EXPECT_FALSE(millimetres.Matches(&renamed));
  GCustomMediaSize otherId(16391, RWCString("Card"), Unit::kMillimetre, 100, 150, &kSizeId);
  EXPECT_FALSE(millimetres.Matches(&otherId));
  GCustomMediaSize taller(16390, RWCString("Card"), Unit::kMillimetre, 100, 151, &kSizeId);
  EXPECT_FALSE(millimetres.Matches(&taller));
  const int32_t otherFeature = 43;
  GCustomMediaSize otherFeatureId(16390, RWCString("Card"), Unit::kMillimetre, 100, 150, &otherFeature);
  EXPECT_FALSE(millimetres.Matches(&otherFeatureId));
  EXPECT_EQ(millimetres.ApplyTo(nullptr), 0);
  EXPECT_TRUE(millimetres.DerivesFrom(775) && millimetres.DerivesFrom(753) && millimetres.DerivesFrom(751));
}

TEST(GCustomMediaSize, RoundTripsAndStopsAtAnotherVersion) {
  GCustomMediaSize size(16384, RWCString("My Size"), Unit::kMicrometre, 123456, 654321, &kSizeId);
  size.changed = 0;
  qvtest::ExpectRoundTripsInAllForms(size);
  qvtest::ExpectStoredByteCountIsWritten(size);
  EXPECT_EQ(size.MembersStoreSize(), 12u + 8 + 22 + 7);

  // Class version 2: the attribute part is read, the rest is left.
  StoredBody bytes;
  bytes.Top(775).Attribute(kSizeId, 5, 0).U32(2).U16(16384);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(read.object);
  auto* restored = dynamic_cast<GCustomMediaSize*>(copy.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->FeatureId(), kSizeId);
  EXPECT_EQ(restored->GetPaperId(), 0);
}

TEST(GCustomMediaSize, DamagedInputFailsCleanly) {
  GCustomMediaSize size(16384, RWCString("My Size"), Unit::kMicrometre, 123456, 654321, &kSizeId);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&size, form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(size.Matches(read.object));
      }
      delete read.object;
    }
  }
  // A name longer than the input.
  StoredBody bytes;
  bytes.Top(775).Attribute(kSizeId, 5, 0).U32(1).U16(16384).U32(0xFFFFFFF0u).Raw("abc");
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

// ---- Media for custom sizes ----

// A printer configuration: a plain composite, with a margin pool or the four
// margin settings when asked for.
std::unique_ptr<MPersistentComposite> Configuration() { return std::make_unique<MPersistentComposite>(); }

void AddMarginPool(MPersistentComposite& configuration, const int32_t (&record)[16]) {
  auto* pool = new GMarginPool;
  pool->Add(record);
  configuration.AddChild(pool);
}

void AddMarginSettings(MPersistentComposite& configuration, int16_t left, int16_t top, int16_t right,
                       int16_t bottom) {
  auto* margins = new GAttributeComposite(&GFeatureIds::kCustomSizeMargins);
  margins->AddChild(new GValueAttribute(left, &GFeatureIds::kCustomSizeMarginLeft));
  margins->AddChild(new GValueAttribute(top, &GFeatureIds::kCustomSizeMarginTop));
  margins->AddChild(new GValueAttribute(right, &GFeatureIds::kCustomSizeMarginRight));
  margins->AddChild(new GValueAttribute(bottom, &GFeatureIds::kCustomSizeMarginBottom));
  configuration.AddChild(margins);
}

struct MediaCase {
  const char* name;
  int32_t orientation;
  bool pool;
  bool settings;
  GShortPoint size;
  GShortPoint origin;
  GShortPoint extent;
};

// Letter (85000 x 110000 in 1/10000 inch) at 600 x 600 dpi. The pool's
// record 0 gives 6350 micrometres (2500 in 1/10000 inch, 150 pixels) left at
// 0 degrees; the settings give 1/10000 inch values.
const MediaCase kMediaCases[] = {
    {"PortraitWithoutMargins", 0, false, false, {5100, 6600}, {0, 0}, {5100, 6600}},
    {"LandscapeSwapsTheSheet", 90, false, false, {6600, 5100}, {0, 0}, {6600, 5100}},
    {"PoolPortrait", 0, true, false, {5100, 6600}, {150, 100}, {5100 - 60 - 150, 6600 - 25 - 100}},
    {"PoolLandscapeTakesItsOwnGroup", 90, true, false, {6600, 5100}, {12, 24}, {6600 - 36 - 12, 5100 - 48 - 24}},
    {"PoolWithAnOddAngleGivesNoMargins", 45, true, false, {5100, 6600}, {0, 0}, {5100, 6600}},
    {"SettingsServeEveryOrientation", 270, false, true, {6600, 5100}, {60, 120}, {6600 - 180 - 60, 5100 - 240 - 120}},
    {"PoolWinsOverSettings", 0, true, true, {5100, 6600}, {150, 100}, {5100 - 60 - 150, 6600 - 25 - 100}},
};

TEST(CustomSizeMedia, BuildsTheSheetWithItsMargins) {
  const int32_t record[16] = {6350, 4233, 2540, 1058,   // 0: 150, 100, 60, 25 pixels
                              508,  1016, 1524, 2032,   // 90: 12, 24, 36, 48 pixels
                              1,    1,    1,    1,      // 180
                              2,    2,    2,    2};     // 270
  GCustomMediaSize letter(16384, RWCString("Custom Letter"), Unit::kTenThousandthInch, 85000, 110000, &kSizeId);
  for (const MediaCase& c : kMediaCases) {
    SCOPED_TRACE(c.name);
    auto configuration = Configuration();
    if (c.pool) AddMarginPool(*configuration, record);
    if (c.settings) AddMarginSettings(*configuration, 1000, 2000, 3000, 4000);
    std::unique_ptr<GMedia> media(CreateMediaForCustomSize(letter, configuration.get(), 600, 600, c.orientation));
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(*media->GetSize(), c.size);
    EXPECT_EQ(*media->GetImageableOrigin(), c.origin);
    EXPECT_EQ(*media->GetImageableExtent(), c.extent);
    EXPECT_EQ(media->GetOrientation(), c.orientation);
    EXPECT_EQ(media->GetPaperName(), RWCString("Custom Letter"));
    EXPECT_EQ(media->GetPaperId(), 16384);
    EXPECT_EQ(media->GetXResolution(), 600);
    EXPECT_EQ(media->FeatureId(), 190);
    EXPECT_EQ(media->GetExtraCode(), 0);
    EXPECT_EQ(media->GetMediaTypeName().Length(), 0u);
  }
}

TEST(CustomSizeMedia, MarginsAreConvertedAtTheirOwnAxisResolution) {
  auto configuration = Configuration();
  AddMarginSettings(*configuration, 10000, 10000, 0, 0);  // one inch left and top
  GCustomMediaSize size(1, RWCString("S"), Unit::kHundredthInch, 400, 500, &kSizeId);
  std::unique_ptr<GMedia> media(CreateMediaForCustomSize(size, configuration.get(), 300, 600, 90));
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(*media->GetSize(), GShortPoint(3000, 1200));  // 1200 x 3000, exchanged
  EXPECT_EQ(*media->GetImageableOrigin(), GShortPoint(300, 600));

  // Three of the four settings are not enough.
  auto partial = Configuration();
  auto* margins = new GAttributeComposite(&GFeatureIds::kCustomSizeMargins);
  margins->AddChild(new GValueAttribute(100, &GFeatureIds::kCustomSizeMarginLeft));
  margins->AddChild(new GValueAttribute(100, &GFeatureIds::kCustomSizeMarginTop));
  margins->AddChild(new GValueAttribute(100, &GFeatureIds::kCustomSizeMarginRight));
  partial->AddChild(margins);
  media.reset(CreateMediaForCustomSize(size, partial.get(), 300, 600, 0));
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(*media->GetImageableOrigin(), GShortPoint(0, 0));
}

TEST(CustomSizeMedia, SettingsGiveResolutionAndOrientation) {
  GCustomMediaSize letter(16384, RWCString("L"), Unit::kHundredthInch, 850, 1100, &kSizeId);
  GAttributeComposite settings;
  auto* resolution = new GAttributeComposite(&GFeatureIds::kResolution);
  resolution->AddChild(new GValueAttribute(600, &GFeatureIds::kXResolution));
  resolution->AddChild(new GValueAttribute(300, &GFeatureIds::kYResolution));
  settings.AddChild(resolution);
  // Without an orientation the settings are incomplete: no medium.
  EXPECT_EQ(CreateMediaFromSettings(letter, &settings, nullptr), nullptr);
  EXPECT_EQ(CreateMediaFromSettingsAtResolution(letter, &settings, nullptr, 600, 600), nullptr);
  settings.AddChild(new GValueAttribute(90, &GFeatureIds::kOrientation));

  std::unique_ptr<GMedia> media(CreateMediaFromSettings(letter, &settings, nullptr));
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(*media->GetSize(), GShortPoint(3300, 5100));
  EXPECT_EQ(media->GetYResolution(), 300);

  media.reset(CreateMediaFromSettingsAtResolution(letter, &settings, nullptr, 1200, 1200));
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(*media->GetSize(), GShortPoint(13200, 10200));
  EXPECT_EQ(media->GetOrientation(), 90);
}

}  // namespace
