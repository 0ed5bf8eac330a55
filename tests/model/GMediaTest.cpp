#include "model/GMedia.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/MediaTestSupport.h"

namespace {

using qvtest::ModelForm;
using qvtest::MediaBytes;

const int32_t kMediaPageMedia = 259;

// Letter at 600 dpi, portrait: 5100 x 6600 with a 100-pixel border.
GMedia Letter(const char* name = "Letter", uint16_t xResolution = 600) {
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6400);
  const GShortPoint origin(100, 100);
  return GMedia(name, &size, &extent, &origin, 0, 1, xResolution, 600, &kMediaPageMedia, 7, "second", "Labels");
}

TEST(GMedia, DefaultsAreFeature190At600DpiWithNothingElse) {
  GMedia media;
  EXPECT_EQ(media.FeatureId(), 190);
  EXPECT_EQ(media.changed, 1);
  EXPECT_EQ(media.GetXResolution(), 600);
  EXPECT_EQ(media.GetYResolution(), 600);
  EXPECT_EQ(media.GetPaperName().Length(), 0u);
  EXPECT_EQ(*media.GetSize(), GShortPoint(0, 0));
  EXPECT_EQ(media.GetOrientation(), 0);
  EXPECT_EQ(media.GetPaperId(), 0);
  EXPECT_EQ(media.GetExtraCode(), 0);
  EXPECT_EQ(media.GetTypeId(), GMediaClassId);
  EXPECT_TRUE(media.DerivesFrom(1002) && media.DerivesFrom(753) && media.DerivesFrom(751));
  EXPECT_FALSE(media.DerivesFrom(757));
}

TEST(GMedia, ImageableAreaAndMarginsFollowFromSizeExtentAndOrigin) {
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4800, 6300);
  const GShortPoint origin(120, 100);
  GMedia media("Letter", &size, &extent, &origin, 90, 1, 600, 600, &kMediaPageMedia);
  int16_t left = 0, top = 0, right = 0, bottom = 0;
  media.GetImageableRect(&left, &top, &right, &bottom);
  EXPECT_EQ(left, 120);
  EXPECT_EQ(top, 100);
  EXPECT_EQ(right, 4920);
  EXPECT_EQ(bottom, 6400);
  GShortPoint end;
  EXPECT_EQ(media.GetImageableEnd(&end), 6400);
  EXPECT_EQ(end, GShortPoint(4920, 6400));
  GShortPoint margins;
  EXPECT_EQ(media.GetOppositeMargins(&margins), 200);
  EXPECT_EQ(margins, GShortPoint(180, 200));
}

TEST(GMedia, MatchesOnlyWhenEveryMemberIsEqual) {
  const GMedia base = Letter();
  EXPECT_TRUE(base.Matches(&base));
  GMedia same = Letter();
  EXPECT_TRUE(base.Matches(&same));

  struct Case {
    const char* what;
    std::function<void(GMedia&)> change;
  };
  const Case cases[] = {
      {"paper name case", [](GMedia& m) { m = Letter("LETTER"); }},
      {"x resolution", [](GMedia& m) { m = Letter("Letter", 300); }},
      {"extra code", [](GMedia& m) { m.SetExtraCode(8); }},
      {"second name", [](GMedia& m) { m.SetSecondName(RWCString("other")); }},
      {"media type", [](GMedia& m) { m.SetMediaTypeName(RWCString("Transparency")); }},
      {"paper id", [](GMedia& m) { m.SetPaperId(6); }},
      {"feature id", [](GMedia& m) { m.SetFeatureId(1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GMedia other = Letter();
    c.change(other);
    EXPECT_FALSE(base.Matches(&other));
    EXPECT_FALSE(other.Matches(&base));
  }
}

TEST(GMedia, CopyAndAssignmentTakeEveryMemberAndTheChangedFlag) {
  GMedia source = Letter();
  source.changed = 0;
  GMedia copy(source);
  EXPECT_TRUE(copy.Matches(&source));
  EXPECT_EQ(copy.GetSerial(), source.GetSerial());
  EXPECT_EQ(copy.changed, 0);
  GMedia assigned;
  assigned = source;
  EXPECT_TRUE(assigned.Matches(&source));
  EXPECT_EQ(assigned.changed, 0);
  EXPECT_EQ(assigned.GetMediaTypeName(), "Labels");
}

TEST(GMedia, RoundTripsInEveryFormWithAndWithoutTheOptionalNames) {
  qvtest::ExpectRoundTripsInAllForms(Letter());
  qvtest::ExpectStoredByteCountIsWritten(Letter());

  const GShortPoint size(4960, 7014);
  GMedia bare("A4", &size, &size, nullptr, 270, 23, 600, 600, &kMediaPageMedia);
  EXPECT_EQ(bare.GetSecondName().Length(), 0u);
  EXPECT_EQ(bare.GetMediaTypeName().Length(), 0u);
  qvtest::ExpectRoundTripsInAllForms(bare);
  qvtest::ExpectStoredByteCountIsWritten(bare);
}

TEST(GMedia, TheFileFormIsTheAttributeBodyThenTheFieldsInOrder) {
  GMedia media = Letter("Ltr");
  media.SetSerial(5);
  const std::string expected = MediaBytes()
                                   .Marker()
                                   .U16(GMediaClassId)
                                   .Attribute(kMediaPageMedia, 5)
                                   .U32(1)  // media version
                                   .Text("Ltr")
                                   .U16(5100)
                                   .U16(6600)
                                   .U16(4900)
                                   .U16(6400)
                                   .U16(100)
                                   .U16(100)
                                   .U32(0)  // orientation
                                   .U16(600)
                                   .U16(600)
                                   .U16(7)  // extra code
                                   .Text("second")
                                   .Text("Labels")
                                   .U16(1)  // paper id
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&media, ModelForm::kFile), expected);
  EXPECT_EQ(media.MembersStoreSize(), 20u + 40u + 3 + 6 + 6);
}

TEST(GMedia, AnotherStoredVersionLeavesTheMediumAtItsDefaults) {
  const std::string bytes = MediaBytes()
                                .Marker()
                                .U16(GMediaClassId)
                                .Attribute(kMediaPageMedia, 5, 0)
                                .U32(2)  // a version this class does not read
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* media = dynamic_cast<GMedia*>(object.get());
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(media->FeatureId(), kMediaPageMedia);
  EXPECT_EQ(media->changed, 0);
  EXPECT_EQ(media->GetXResolution(), 600);
  EXPECT_EQ(media->GetYResolution(), 600);
  EXPECT_EQ(media->GetPaperName().Length(), 0u);
}

TEST(GMedia, EveryShortenedBodyFailsWithoutReadingPastTheEnd) {
  const GMedia media = Letter();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&media, form);
    for (size_t length = 1; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      EXPECT_EQ(read.object, nullptr) << length;
      delete read.object;
    }
  }
}

TEST(GMedia, AHugeStoredNameLengthIsRefusedWithoutTakingMemoryForIt) {
  const std::string bytes = MediaBytes()
                                .Marker()
                                .U16(GMediaClassId)
                                .Attribute(kMediaPageMedia, 5)
                                .U32(1)
                                .U32(0xFFFFFFF0u)  // name length
                                .Raw("Letter")
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

TEST(GMedia, ApplyToHandsTheMediumToTheReceiversSetMedia) {
  GMedia media = Letter();
  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetMedia", 9);
  EXPECT_EQ(media.ApplyTo(&receiver), 9);
  ASSERT_EQ(receiver.Calls().size(), 1u);
  EXPECT_EQ(receiver.Calls()[0].operation, "SetMedia");
  EXPECT_EQ(receiver.Calls()[0].argument, &media);
}

TEST(NormalizeAngle, ReducesEveryAngleIntoZeroTo359) {
  const struct {
    int in;
    int out;
  } cases[] = {{0, 0},   {90, 90},   {359, 359}, {360, 0},   {450, 90},         {-1, 359},
               {-90, 270}, {-360, 0}, {-361, 359}, {-720, 0}, {2147483647, 127}, {-2147483647 - 1, 232}};
  for (const auto& c : cases) EXPECT_EQ(NormalizeAngle(c.in), c.out) << c.in;
}

}  // namespace
