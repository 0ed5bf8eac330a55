#include "model/GFormToTrayDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;

using GFeatureIds::kFormToTrayDatabase;
const int16_t kUnspecified = 11913;
const int16_t kPlain = 11102;
const int16_t kLetterhead = 11104;
const int16_t kLetter = 1;
const int16_t kA4 = 9;

std::vector<int16_t> Trays(const GFormToTrayDatabase& database) {
  RWOrderedVector<int16_t> trays(0);
  database.GetTrays(trays);
  return std::vector<int16_t>(trays.Data(), trays.Data() + trays.Count());
}

TEST(GFormToTrayDatabase, ANewTableHasNoAssignments) {
  GFormToTrayDatabase database(&kFormToTrayDatabase);
  EXPECT_EQ(database.FeatureId(), kFormToTrayDatabase);
  EXPECT_EQ(database.HasAssignments(), 0);
  EXPECT_EQ(database.GetMediaTypeForTray(2), kUnspecified);
  EXPECT_EQ(database.GetPaperSizeForTray(2), 0);
  EXPECT_EQ(database.GetFirstAssignedPaperSize(), 0);
  EXPECT_EQ(database.GetFirstAssignedMediaType(), kUnspecified);
  EXPECT_EQ(database.GetDefaultMediaType(), kUnspecified);
  EXPECT_EQ(database.GetDefaultPaperSize(), 0);
  EXPECT_EQ(database.ApplyTo(nullptr), 1);
  EXPECT_TRUE(database.DerivesFrom(1012) && database.DerivesFrom(753) && database.DerivesFrom(751));
}

TEST(GFormToTrayDatabase, AssignReplacesTheTraysEntryAtTheEnd) {
  GFormToTrayDatabase database;
  database.AssignTray(2, kLetter, kPlain);
  database.AssignTray(3, kA4, kLetterhead);
  database.AssignTray(2, kA4, kUnspecified);
  EXPECT_EQ(Trays(database), (std::vector<int16_t>{3, 2}));
  EXPECT_EQ(database.GetPaperSizeForTray(2), kA4);
  EXPECT_EQ(database.GetMediaTypeForTray(2), kUnspecified);
  EXPECT_EQ(database.HasAssignments(), 1);

  // Look-ups find the first entry in order.
  EXPECT_EQ(database.FindByPaperSize(kA4)->GetTray(), 3);
  EXPECT_EQ(database.GetMediaTypeForPaperSize(kA4), kLetterhead);
  EXPECT_EQ(database.GetMediaTypeForPaperSize(kLetter), kUnspecified);
  EXPECT_EQ(database.GetPaperSizeForMediaType(kLetterhead), kA4);
  EXPECT_EQ(database.GetPaperSizeForMediaType(kPlain), 0);
  EXPECT_EQ(database.GetFirstAssignedPaperSize(), kA4);
  EXPECT_EQ(database.GetFirstAssignedMediaType(), kLetterhead);
  EXPECT_EQ(database.IsPaperSizeAssigned(kLetter), 0);
  EXPECT_EQ(database.IsMediaTypeAssigned(kLetterhead), 1);
  EXPECT_EQ(database.IsPaperAndMediaAssigned(kA4, kUnspecified), 1);
  EXPECT_EQ(database.IsPaperAndMediaAssigned(kLetter, kLetterhead), 0);

  EXPECT_NE(database.RemoveTray(3), 0);
  EXPECT_EQ(database.RemoveTray(3), 0);
  EXPECT_EQ(database.HasTray(3), 0);
  database.Clear();
  EXPECT_EQ(database.GetEntries().GetEntryCount(), 0);
}

TEST(GFormToTrayDatabase, AResetTrayHasAnEntryButNoAssignment) {
  GFormToTrayDatabase database;
  database.AssignTray(4, kLetter, kPlain);
  database.ResetTray(4);
  EXPECT_EQ(database.HasTray(4), 1);
  EXPECT_EQ(database.HasAssignments(), 0);
  EXPECT_EQ(database.GetMediaTypeForTray(4), kUnspecified);
  EXPECT_EQ(Trays(database), (std::vector<int16_t>{4}));
}

TEST(GFormToTrayDatabase, FormNamesAreComparedExactly) {
  GFormToTrayDatabase database;
  database.AssignTrayWithForm(1, kLetter, kPlain, "Letter Small");
  EXPECT_EQ(database.FindByTray(1)->GetFormName(), RWWString(u"Letter Small"));
  EXPECT_EQ(database.IsFormAssigned(kLetter, RWWString(u"Letter Small")), 1);
  EXPECT_EQ(database.IsFormAssigned(kLetter, RWWString(u"letter small")), 0);
  EXPECT_EQ(database.IsFormAssigned(kLetter, RWWString(u"Letter")), 0);
  EXPECT_EQ(database.IsFormAssigned(kA4, RWWString(u"Letter Small")), 0);
  // Assigning without a form leaves the name empty.
  database.AssignTray(1, kLetter, kPlain);
  EXPECT_EQ(database.FindByTray(1)->GetFormName().Length(), 0u);
}

TEST(GFormToTrayDatabase, ClonesShareEntriesButRemovingLeavesTheOtherIntact) {
  GFormToTrayDatabase database;
  database.AssignTray(1, kLetter, kPlain);
  std::unique_ptr<GFormToTrayDatabase> clone(database.Clone());
  EXPECT_EQ(clone->FindByTray(1), database.FindByTray(1));
  EXPECT_TRUE(clone->Matches(&database));
  EXPECT_NE(clone->RemoveTray(1), 0);
  EXPECT_EQ(database.GetPaperSizeForTray(1), kLetter);
  EXPECT_FALSE(clone->Matches(&database));
}

TEST(GFormToTrayAssociation, MatchesValuesAndFormName) {
  GFormToTrayAssociation entry(2, kLetter, kPlain, RWWString(u"Form"));
  EXPECT_EQ(entry.GetTray(), 2);
  EXPECT_EQ(entry.GetPaperSize(), kLetter);
  EXPECT_EQ(entry.GetMediaType(), kPlain);
  GFormToTrayAssociation same(entry);
  EXPECT_TRUE(same.Matches(&entry));
  GFormToTrayAssociation otherName(2, kLetter, kPlain, RWWString(u"form"));
  EXPECT_FALSE(otherName.Matches(&entry));
  GFormToTrayAssociation otherTray(3, kLetter, kPlain, RWWString(u"Form"));
  EXPECT_FALSE(otherTray.Matches(&entry));
  GFormToTrayAssociation defaults;
  EXPECT_EQ(defaults.GetTray(), 0);
  EXPECT_EQ(defaults.GetFormName().Length(), 0u);
}

TEST(GFormToTrayDatabase, RoundTripsWithoutStoringTheDefaults) {
  GFormToTrayDatabase database(&kFormToTrayDatabase);
  database.AssignTrayWithForm(2, kLetter, kPlain, "Letter");
  database.AssignTray(3, kA4, kLetterhead);
  qvtest::ExpectRoundTripsInAllForms(database);
  qvtest::ExpectStoredByteCountIsWritten(database);
  GFormToTrayAssociation entry(7, kA4, kPlain, RWWString(u"A4 Transverse"));
  qvtest::ExpectRoundTripsInAllForms(entry);
  qvtest::ExpectStoredByteCountIsWritten(entry);

  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&database, form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GFormToTrayDatabase*>(copy.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetDefaultMediaType(), kUnspecified);
    EXPECT_EQ(restored->GetDefaultPaperSize(), 0);
    EXPECT_EQ(Trays(*restored), (std::vector<int16_t>{2, 3}));
    EXPECT_EQ(restored->IsFormAssigned(kLetter, RWWString(u"Letter")), 1);
  }
}

TEST(GFormToTrayDatabase, StoredEntriesThatAreNoAssociationsAreIgnored) {
  // A stored table whose entries hold a plain value beside an association.
  const int32_t noId = 0;
  GFormToTrayDatabase database(&kFormToTrayDatabase);
  database.GetEntries().AddChild(new GValueAttribute(2, &noId));
  database.AssignTray(2, kLetter, kPlain);
  qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&database, ModelForm::kFile), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(read.object);
  auto* restored = dynamic_cast<GFormToTrayDatabase*>(copy.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetEntries().GetEntryCount(), 2);
  EXPECT_EQ(Trays(*restored), (std::vector<int16_t>{2}));
  EXPECT_EQ(restored->GetPaperSizeForTray(2), kLetter);
}

TEST(GFormToTrayDatabase, DamagedInputFailsCleanly) {
  GFormToTrayDatabase database(&kFormToTrayDatabase);
  database.AssignTrayWithForm(2, kLetter, kPlain, "Letter");
  database.AssignTray(3, kA4, kLetterhead);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&database, form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(database.Matches(read.object));
      }
      delete read.object;
    }
  }
  // A form name whose length runs past the end.
  StoredBody entry;
  entry.Top(1013).Attribute(0, 1, 1).U32(1);
  for (uint32_t serial : {2u, 3u, 4u}) entry.U16(763).Attribute(0, serial, 1).U32(1).U16(5);
  entry.U32(0x7FFFFFFF).U16('A');
  qvtest::ModelRead read = qvtest::RestoreFromForm(entry.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

}  // namespace
