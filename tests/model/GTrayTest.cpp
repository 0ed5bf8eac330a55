#include "model/GTray.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "model/GCountedPtr.h"
#include "model/GDisplayString.h"
#include "model/GMedia.h"
#include "model/MPersistentComposite.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/MediaTestSupport.h"

namespace {

using qvtest::MediaBytes;
using qvtest::ModelForm;

const int32_t kTrayFeature = 321;
const int32_t kTrayPageMedia = 259;

GMedia* NewLetter(int16_t paperId = 1) {
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6400);
  const GShortPoint origin(100, 100);
  return new GMedia("Letter", &size, &extent, &origin, 0, paperId, 600, 600, &kTrayPageMedia);
}

std::unique_ptr<GTray> TrayWithMedium() {
  return std::make_unique<GTray>(1201, "Tray2", 3, 11, 12, 500, 250, NewLetter(), "Tray 2", "qvres.dll",
                                 &kTrayFeature);
}

// The file form of the object without the outermost marker.
std::string Body(const MPersistentObject& object) { return qvtest::SaveInForm(&object, ModelForm::kFile).substr(4); }

// Reads bytes of the native binary form into an existing object.
RWCollectable* ReadInto(const std::string& bytes, RWCollectable* target) {
  std::istringstream in(bytes, std::ios::in | std::ios::binary);
  RWBinaryInStream stream(in);
  return RWReadObjectInto(stream, target);
}

TEST(GTray, DefaultsAndTheShortConstructor) {
  GTray tray("Tray1", 2, &kTrayFeature);
  EXPECT_EQ(tray.GetName(), "Tray1");
  EXPECT_EQ(tray.GetTrayNumber(), 2);
  EXPECT_EQ(tray.GetParameter1(), 0);
  EXPECT_EQ(tray.GetParameter2(), 0);
  EXPECT_EQ(tray.GetCapacity(), -1);
  EXPECT_EQ(tray.GetLevel(), -1);
  EXPECT_EQ(tray.GetMedia(), nullptr);
  EXPECT_EQ(tray.GetDisplayString().GetResourceId(), 0);
  EXPECT_EQ(tray.GetDisplayString().GetText().Length(), 0u);
  EXPECT_TRUE(tray.DerivesFrom(1001) && tray.DerivesFrom(753) && tray.DerivesFrom(751));
  EXPECT_EQ(GTray::ClassVersion(), 2u);
}

TEST(GTray, RoundTripsWithAndWithoutAMediumInEveryForm) {
  auto tray = TrayWithMedium();
  EXPECT_EQ(tray->GetDisplayString().GetModuleName(), "qvres.dll");
  qvtest::ExpectRoundTripsInAllForms(*tray);
  qvtest::ExpectStoredByteCountIsWritten(*tray);

  GTray empty("Tray1", 2, &kTrayFeature);
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
}

TEST(GTray, TheFileFormWritesVersion2TheFlagAndTheTaggedDisplayString) {
  GTray tray(5, "T1", 4, 1, 2, 100, 50, nullptr, "Tray 1", nullptr, &kTrayFeature);
  tray.SetSerial(8);
  tray.GetDisplayString().SetSerial(9);
  const std::string expected = MediaBytes()
                                   .Marker()
                                   .U16(GTrayClassId)
                                   .Attribute(kTrayFeature, 8)
                                   .U32(2)  // tray version
                                   .Text("T1")
                                   .U16(4)
                                   .U32(1)
                                   .U32(2)
                                   .U32(100)
                                   .U32(50)
                                   .U32(0)  // no medium, and nothing for it
                                   .U16(GDisplayStringClassId)
                                   .Base(0, 9)
                                   .U32(1)
                                   .Text("")  // module name
                                   .Text("Tray 1")
                                   .U16(5)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&tray, ModelForm::kFile), expected);
  // The display string counts with its class tag, as it is written.
  EXPECT_EQ(tray.MembersStoreSize(), 20u + 30u + 2 + (2 + tray.GetDisplayString().MembersStoreSize()));
}

TEST(GTray, AVersion1TrayGetsTheDefaultDisplayStringAndIsSavedAgainAsVersion2) {
  std::unique_ptr<GMedia> medium(NewLetter());
  const std::string bytes = MediaBytes()
                                .Marker()
                                .U16(GTrayClassId)
                                .Attribute(kTrayFeature, 8)
                                .U32(1)  // version 1: no display string
                                .Text("Tray3")
                                .U16(5)
                                .U32(0)
                                .U32(0)
                                .U32(250)
                                .U32(10)
                                .U32(1)
                                .Raw(Body(*medium))
                                .Bytes();
  {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
    EXPECT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> object(read.object);
    auto* tray = dynamic_cast<GTray*>(object.get());
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->GetName(), "Tray3");
    EXPECT_EQ(tray->GetCapacity(), 250);
    EXPECT_EQ(tray->GetLevel(), 10);
    ASSERT_NE(tray->GetMedia(), nullptr);
    EXPECT_TRUE(tray->GetMedia()->Matches(medium.get()));
    EXPECT_TRUE(tray->GetDisplayString().Matches(&GTray().GetDisplayString()));

    // Saved again, it is a version 2 tray with its display string.
    const std::string again = qvtest::SaveInForm(tray, ModelForm::kFile);
    EXPECT_EQ(again.substr(26, 4), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(again.size(), bytes.size() + 2 + tray->GetDisplayString().MembersStoreSize());
    qvtest::ExpectRoundTripsInAllForms(*tray);
  }
}

TEST(GTray, ANewerVersionIsNotReadAndTheMembersKeepTheirValues) {
  const std::string bytes = MediaBytes()
                                .Marker()
                                .U16(GTrayClassId)
                                .Attribute(kTrayFeature, 8)
                                .U32(3)
                                .Text("Tray3")
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* tray = dynamic_cast<GTray*>(object.get());
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->FeatureId(), kTrayFeature);
  EXPECT_EQ(tray->GetName().Length(), 0u);
  EXPECT_EQ(tray->GetCapacity(), -1);
}

TEST(GTray, RestoringATrayWithoutAMediumLetsGoOfTheMediumHeldBefore) {
  GTray stored("Tray1", 2, &kTrayFeature);
  const std::string bytes = qvtest::SaveInForm(&stored, ModelForm::kNativeBinary);

  auto target = TrayWithMedium();
  ASSERT_NE(target->GetMedia(), nullptr);
  EXPECT_EQ(ReadInto(bytes, target.get()), target.get());
  EXPECT_EQ(target->GetMedia(), nullptr);
  EXPECT_TRUE(target->Matches(&stored));
}

TEST(GTray, MatchesComparesMembersDisplayStringsAndMedia) {
  auto base = TrayWithMedium();
  auto same = TrayWithMedium();
  EXPECT_TRUE(base->Matches(same.get()));

  auto otherMedium = TrayWithMedium();
  otherMedium->SetMedia(NewLetter(6));
  EXPECT_FALSE(base->Matches(otherMedium.get()));

  auto noMedium = TrayWithMedium();
  delete noMedium->ReleaseMedia();
  EXPECT_FALSE(base->Matches(noMedium.get()));
  EXPECT_FALSE(noMedium->Matches(base.get()));
  auto alsoNone = TrayWithMedium();
  alsoNone->SetMedia(nullptr);
  EXPECT_TRUE(noMedium->Matches(alsoNone.get()));

  auto otherText = TrayWithMedium();
  otherText->GetDisplayString().SetText(RWCString("Upper tray"));
  EXPECT_FALSE(base->Matches(otherText.get()));

  auto otherParameter = TrayWithMedium();
  otherParameter->SetParameter2(13);
  EXPECT_FALSE(base->Matches(otherParameter.get()));
}

TEST(GTray, CopiesOwnACopyOfTheMedium) {
  auto source = TrayWithMedium();
  source->changed = 0;
  GTray copy(*source);
  ASSERT_NE(copy.GetMedia(), nullptr);
  EXPECT_NE(copy.GetMedia(), source->GetMedia());
  EXPECT_TRUE(copy.Matches(source.get()));
  EXPECT_EQ(copy.changed, 0);

  GTray assigned("x", 1, &kTrayFeature);
  assigned = *source;
  EXPECT_NE(assigned.GetMedia(), source->GetMedia());
  EXPECT_TRUE(assigned.Matches(source.get()));

  copy.GetMedia()->SetPaperId(23);
  copy.GetDisplayString().SetResourceId(7);
  EXPECT_EQ(source->GetMedia()->GetPaperId(), 1);
  EXPECT_EQ(source->GetDisplayString().GetResourceId(), 1201);

  GTray& self = assigned;
  assigned = self;  // to itself: nothing changes
  EXPECT_TRUE(assigned.Matches(source.get()));
}

TEST(GTray, ReleaseMediaHandsTheMediumOver) {
  auto tray = TrayWithMedium();
  GMedia* held = tray->GetMedia();
  std::unique_ptr<GMedia> released(tray->ReleaseMedia());
  EXPECT_EQ(released.get(), held);
  EXPECT_EQ(tray->GetMedia(), nullptr);
  EXPECT_EQ(tray->ReleaseMedia(), nullptr);
}

TEST(GTray, SetLevelCountsSheetsUpToAFullTrayOrTakesAPercentage) {
  const struct {
    int32_t capacity;
    int32_t value;
    int percent;
    int accepted;
    int32_t level;  // after the call, from a level of 7
  } cases[] = {
      {500, 499, 0, 1, 499}, {500, 500, 0, 1, 500},  // a full tray
      {500, 501, 0, 0, 7},   {500, -1, 0, 1, -1},    // not given
      {500, -2, 0, 0, 7},    {-1, 3, 0, 0, 7},       // no capacity to count against
      {500, 0, 1, 1, 0},     {500, 50, 1, 1, 250},   {500, 100, 1, 1, 500},
      {500, 101, 1, 0, 7},   {500, -5, 1, 0, 7},     {-1, 0, 1, 0, 7},
      {0, 50, 1, 0, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.capacity << " " << c.value << " " << c.percent);
    GTray tray("T", 1, 0, 0, c.capacity, 7, nullptr, &kTrayFeature);
    EXPECT_EQ(tray.SetLevel(c.value, c.percent), c.accepted);
    EXPECT_EQ(tray.GetLevel(), c.level);
  }
}

TEST(GTray, ApplyToHandsTheTrayToTheReceiversSetTray) {
  auto tray = TrayWithMedium();
  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetTray", 4);
  EXPECT_EQ(tray->ApplyTo(&receiver), 4);
  ASSERT_EQ(receiver.Calls().size(), 1u);
  EXPECT_EQ(receiver.Calls()[0].operation, "SetTray");
  EXPECT_EQ(receiver.Calls()[0].argument, tray.get());
}

TEST(GTray, AStoredGraphThatRefersToTheMediumAgainSharesItSafely) {
  // composite { tray (medium in slot 3, display string in slot 4), @3, @4 }
  auto tray = TrayWithMedium();
  const std::string bytes = MediaBytes()
                                .Marker()
                                .U16(752)
                                .Base(1, 1)
                                .U32(1)
                                .U32(3)
                                .Raw(Body(*tray))
                                .Ref(3)
                                .Ref(4)
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  ASSERT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> graph(read.object);
  auto* composite = graph->AsComposite();
  ASSERT_NE(composite, nullptr);
  ASSERT_EQ(composite->GetEntryCount(), 3);
  auto* restored = dynamic_cast<GTray*>(composite->Children().Data()[0].Pointee());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(composite->Children().Data()[1].Pointee(), restored->GetMedia());
  EXPECT_EQ(composite->Children().Data()[2].Pointee(), &restored->GetDisplayString());
  // Changing the tray's display string leaves the shared one alone.
  restored->SetDisplayString(GDisplayString(2, "Changed", nullptr));
  EXPECT_EQ(static_cast<GDisplayString*>(composite->Children().Data()[2].Pointee())->GetText(), "Tray 2");
  EXPECT_EQ(restored->GetDisplayString().GetText(), "Changed");
}

TEST(GTray, AMediumThatIsABackReferenceFailsTheRestore) {
  auto tray = TrayWithMedium();
  std::string body = Body(*tray);
  // Keep everything before the medium and make the medium refer to slot 1.
  const size_t at = body.find(Body(*tray->GetMedia()));
  ASSERT_NE(at, std::string::npos);
  const std::string bytes = MediaBytes().Marker().Raw(body.substr(0, at)).Ref(1).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
}

TEST(GTray, EveryShortenedTrayFailsWithoutReadingPastTheEnd) {
  auto tray = TrayWithMedium();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(tray.get(), form);
    for (size_t length = 1; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      EXPECT_EQ(read.object, nullptr) << length;
      delete read.object;
    }
  }
}

}  // namespace
