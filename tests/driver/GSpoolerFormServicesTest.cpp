// Tests of the paper and form services on the stand-in's spooler forms:
// paper ids and spooler paper numbers both ways, the custom-size limits,
// the driver's own forms, and the paper names offered.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "support/DevModeTestSupport.h"
#include "w32test/Testing.h"

namespace qvtest {
namespace {

constexpr size_t kBuiltinForms = 41;  // the stand-in's DMPAPER forms

class GSpoolerFormServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    instance = std::make_unique<DevModeTestInstance>();
    instance->SetDevModeSettings(MakeSettings());
  }
  // Adds a user form of the size (micrometres); its spooler number.
  int16_t AddForm(const char16_t* name, LONG width, LONG length) {
    FORM_INFO_1W form{};
    form.Flags = FORM_USER;
    form.pName = const_cast<LPWSTR>(name);
    form.Size = {width, length};
    form.ImageableArea = {0, 0, width, length};
    EXPECT_TRUE(AddFormW(instance->GetPrinterHandle(), 1, reinterpret_cast<LPBYTE>(&form)));
    return static_cast<int16_t>(GSpoolerFormList(instance->GetPrinterHandle()).Count());
  }
  int Supported(int16_t spoolerPaper, int limits) {
    GPaperRequest request;
    request.resolution[0] = 600;
    request.resolution[1] = 600;
    request.customLimits = limits;
    request.spoolerPaper = spoolerPaper;
    return instance->IsPaperSupported(&request);
  }

  std::unique_ptr<DevModeTestInstance> instance;
};

TEST_F(GSpoolerFormServicesTest, FormListIsReadFromTheSpooler) {
  GSpoolerFormList forms(instance->GetPrinterHandle());
  ASSERT_EQ(forms.Count(), kBuiltinForms);
  EXPECT_TRUE(forms.At(8).name == RWWString(u"A4"));
  EXPECT_EQ(forms.At(8).width, 210000);
  EXPECT_TRUE(forms.IsBuiltin(8));
  EXPECT_EQ(GSpoolerFormList(nullptr).Count(), 0u);
}

TEST_F(GSpoolerFormServicesTest, PaperIdsAndSpoolerNumbersConvertBothWays) {
  const int16_t form = AddForm(u"Cheque", 100000, 200000);
  ASSERT_EQ(form, static_cast<int16_t>(kBuiltinForms + 1));
  struct Case {
    int16_t spooler;
    int result;
    int16_t paperId;
  };
  const Case toId[] = {
      {256, 1, 0x4000}, {1, 1, kLetter}, {9, 1, kA4}, {2, 0, 0},  // Letter Small has no mapping
      {form, 1, static_cast<int16_t>(0x3FFF + form)},           {0, 0, 0},
      {static_cast<int16_t>(form + 1), 0, 0},
  };
  for (const Case& c : toId) {
    SCOPED_TRACE(c.spooler);
    int16_t id = 0;
    EXPECT_EQ(instance->DmPaperToPaperId(c.spooler, &id), c.result);
    if (c.result == 1) {
      EXPECT_EQ(id, c.paperId);
    }
  }
  int16_t number = 0;
  EXPECT_EQ(instance->PaperIdToDmPaper(0x4000, &number), 1);
  EXPECT_EQ(number, 256);
  EXPECT_EQ(instance->PaperIdToDmPaper(0x4005, &number), 1);  // no form list needed
  EXPECT_EQ(number, 6);
  EXPECT_EQ(instance->PaperIdToDmPaper(kA4, &number), 1);
  EXPECT_EQ(number, 9);
  EXPECT_EQ(instance->PaperIdToDmPaper(77, &number), 0);
}

TEST_F(GSpoolerFormServicesTest, DevicePaperWithoutNumberMatchesAUserFormOfItsSize) {
  // A device paper (id 30) of 4 x 6 in that has no DMPAPER number.
  auto* pool = dynamic_cast<GMediaPool*>(instance->GetPrinterConfiguration()->FindById(GFeatureIds::kPrinterMediaPool));
  pool->AddChild(Medium(30, 2400, 3600));
  AddForm(u"Photo far", 50000, 60000);
  const int16_t close = AddForm(u"Photo 4x6", 101650, 152350);  // within 0.1 mm
  int16_t number = 0;
  ASSERT_EQ(instance->PaperIdToDmPaper(30, &number), 1);
  EXPECT_EQ(number, close);
  EXPECT_EQ(instance->MatchPaperByName(30, &number), 0);
}

TEST_F(GSpoolerFormServicesTest, CustomSizeLimitsDecideWhichFormsAreOffered) {
  // The largest custom size is 8.5 x 14 in (215900 x 355600 micrometres).
  const int16_t fits = AddForm(u"Largest", 215900, 355600);
  const int16_t over = AddForm(u"Largest plus one", 215901, 355600);
  EXPECT_EQ(Supported(fits, 1), 1);
  EXPECT_EQ(Supported(over, 1), 0);
  EXPECT_EQ(Supported(over, 0), 1);
  EXPECT_EQ(Supported(0, 0), 0);
  EXPECT_EQ(Supported(static_cast<int16_t>(over + 1), 0), 0);
  // Turned media hold their size across the turned sheet.
  auto* pool = dynamic_cast<GMediaPool*>(instance->GetPrinterConfiguration()->FindById(GFeatureIds::kPrinterMediaPool));
  pool->AddChild(Medium(GNT40DevMode::kSmallestCustomPaperId, 3000, 1800, 90));
  pool->AddChild(Medium(GNT40DevMode::kLargestCustomPaperId, 8400, 5100, 90));
  GSpoolerFormList forms(instance->GetPrinterHandle());
  EXPECT_EQ(instance->FormFitsCustomLimits(forms.At(static_cast<size_t>(fits - 1)), 600, 600, 90, 1), 1);
  EXPECT_EQ(instance->FormFitsCustomLimits(forms.At(static_cast<size_t>(over - 1)), 600, 600, 90, 1), 0);
}

TEST_F(GSpoolerFormServicesTest, PaperNamesListMappedBuiltinFormsAndFittingUserForms) {
  const int16_t user = AddForm(u"Cheque", 100000, 200000);
  AddForm(u"Banner", 215900, 900000);  // beyond the largest custom size
  std::vector<std::pair<int16_t, std::u16string>> seen;
  auto collect = [](int ordinal, int16_t paperId, const RWWString& name, void* data) -> int {
    auto* out = static_cast<std::vector<std::pair<int16_t, std::u16string>>*>(data);
    EXPECT_EQ(ordinal, static_cast<int>(out->size()) + 1);
    out->emplace_back(paperId, std::u16string(name.Data(), name.Length()));
    return 1;
  };
  GPaperNameCallback callback = collect;
  GAttributeComposite* settings = instance->GetDevModeSettings();
  const int count = instance->EnumerateAllPaperNames(reinterpret_cast<void*>(callback), &seen, 1, settings);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(seen[0], (std::pair<int16_t, std::u16string>{kLetter, u"Letter"}));
  EXPECT_EQ(seen[1], (std::pair<int16_t, std::u16string>{kLegal, u"Legal"}));
  EXPECT_EQ(seen[2], (std::pair<int16_t, std::u16string>{kA4, u"A4"}));
  EXPECT_EQ(seen[3], (std::pair<int16_t, std::u16string>{static_cast<int16_t>(0x4000 + user - 1), u"Cheque"}));

  // With form-to-tray assignments only the assigned papers are offered.
  auto* database = new GFormToTrayDatabase(&GFeatureIds::kFormToTrayDatabase);
  database->AssignTray(2, kA4, 0);
  dynamic_cast<GAttributeComposite*>(settings->FindById(365))->AddChild(database);
  seen.clear();
  ASSERT_EQ(instance->EnumeratePaperNames(reinterpret_cast<void*>(callback), &seen, 1, settings), 1);
  EXPECT_EQ(seen[0].first, kA4);
  seen.clear();
  EXPECT_EQ(instance->EnumerateAllPaperNames(reinterpret_cast<void*>(callback), &seen, 1, settings), 4);

  // A callback that answers 0 ends the walk after its first report.
  auto stop = [](int, int16_t, const RWWString&, void*) -> int { return 0; };
  GPaperNameCallback stopper = stop;
  EXPECT_EQ(instance->EnumerateAllPaperNames(reinterpret_cast<void*>(stopper), nullptr, 1, settings), 1);
}

TEST_F(GSpoolerFormServicesTest, OfferedPapersFollowMappingsLimitsAndAssignments) {
  const int16_t cheque = AddForm(u"Cheque", 100000, 200000);
  const int16_t banner = AddForm(u"Banner", 215900, 900000);
  GSpoolerFormList forms(instance->GetPrinterHandle());
  auto offered = [&](int16_t number) { return instance->IsPaperOffered(forms, number - 1, 600, 600, 0, 1); };
  EXPECT_EQ(offered(9), 1);  // A4, mapped
  EXPECT_EQ(offered(2), 0);  // Letter Small, no mapping
  EXPECT_EQ(offered(cheque), 1);
  EXPECT_EQ(offered(banner), 0);  // beyond the custom-size limits
  EXPECT_EQ(instance->IsPaperOffered(forms, 500, 600, 600, 0, 1), 0);
  // Assignments in the document settings filter the offer.
  auto* settings = MakeSettings();
  auto* database = new GFormToTrayDatabase(&GFeatureIds::kFormToTrayDatabase);
  database->AssignTray(2, static_cast<int16_t>(0x4000 + cheque - 1), 0);
  dynamic_cast<GAttributeComposite*>(settings->FindById(365))->AddChild(database);
  instance->InstallDocumentSettings(settings);
  EXPECT_EQ(offered(9), 0);
  EXPECT_EQ(offered(cheque), 1);
}

TEST_F(GSpoolerFormServicesTest, BuiltinFormsAreListedAndRecognised) {
  AddForm(u"Cheque", 100000, 200000);
  int calls = 0;
  auto count = [](const RWWString&, void* data) -> int {
    ++*static_cast<int*>(data);
    return 1;
  };
  GBuiltinFormCallback callback = count;
  EXPECT_EQ(instance->EnumerateBuiltinForms(reinterpret_cast<void*>(callback), &calls), 1);
  EXPECT_EQ(calls, static_cast<int>(kBuiltinForms));
  const int32_t id = 0;
  GCustomMediaSize a4(0, "A4", GCustomMediaSize::kMicrometre, 210000, 297000, &id);
  GCustomMediaSize cheque(0, "Cheque", GCustomMediaSize::kMicrometre, 100000, 200000, &id);
  GCustomMediaSize none(0, "Nothing", GCustomMediaSize::kMicrometre, 100000, 200000, &id);
  EXPECT_EQ(instance->IsBuiltinForm(&a4), 1);
  EXPECT_EQ(instance->IsBuiltinForm(&cheque), 0);
  EXPECT_EQ(instance->IsBuiltinForm(&none), 0);
}

TEST_F(GSpoolerFormServicesTest, CustomFormsAreAddedUpdatedAndDeleted) {
  GAttributeComposite* settings = instance->GetDevModeSettings();
  auto* list = dynamic_cast<GAttributeComposite*>(settings->FindById(GFeatureIds::kCustomPaperList));
  ASSERT_NE(list, nullptr);
  const int32_t id = 0;
  auto* medium = new GCustomMediaSize(0, "Invoice", GCustomMediaSize::kMicrometre, 150000, 250000, &id);
  ASSERT_EQ(instance->AddCustomForm(medium, list, 0), 1);
  const int16_t number = static_cast<int16_t>(kBuiltinForms + 1);
  EXPECT_EQ(medium->GetPaperId(), 0x3FFF + number);
  EXPECT_EQ(list->GetEntryCount(), 1);

  // Adding it again updates the spooler's form.
  auto* bigger = new GCustomMediaSize(0, "Invoice", GCustomMediaSize::kMicrometre, 160000, 250000, &id);
  ASSERT_EQ(instance->AddCustomForm(bigger, list, 0), 1);
  EXPECT_EQ(list->GetEntryCount(), 1);
  GSpoolerFormList forms(instance->GetPrinterHandle());
  EXPECT_EQ(forms.At(static_cast<size_t>(number - 1)).width, 160000);

  // A built-in form is not changed.
  GCustomMediaSize a4(0, "A4", GCustomMediaSize::kMicrometre, 1000, 1000, &id);
  EXPECT_EQ(instance->AddFormForMedium(instance->GetPrinterHandle(), &a4, FORM_USER, 1), 0);

  // Deleting the form rebuilds the list from the forms left: the custom
  // size of the settings only.
  ASSERT_EQ(instance->DeleteCustomForm(bigger, list, 0), 1);
  EXPECT_EQ(GSpoolerFormList(instance->GetPrinterHandle()).Count(), kBuiltinForms);
  EXPECT_EQ(list->GetEntryCount(), 0);  // the list was rebuilt over the instance's own settings
  EXPECT_EQ(instance->DeleteCustomForm(&a4, list, 0), 0);
}

// An operation that holds the form list reads it once; the forms the
// driver adds or deletes meanwhile are seen at once, and once the hold ends
// every step reads the spooler's list afresh.
TEST_F(GSpoolerFormServicesTest, HeldFormListFollowsTheDriversOwnChangesAndEndsWithTheHold) {
  GAttributeComposite* settings = instance->GetDevModeSettings();
  auto* list = dynamic_cast<GAttributeComposite*>(settings->FindById(GFeatureIds::kCustomPaperList));
  ASSERT_NE(list, nullptr);
  const int16_t added = static_cast<int16_t>(kBuiltinForms + 1);
  {
    const GSpoolerFormServices::FormListHold hold(*instance);
    EXPECT_EQ(instance->SpoolerPaperForFormName(u"Invoice"), 0);
    const int32_t id = 0;
    auto* medium = new GCustomMediaSize(0, "Invoice", GCustomMediaSize::kMicrometre, 150000, 250000, &id);
    ASSERT_EQ(instance->AddCustomForm(medium, list, 0), 1);
    EXPECT_EQ(instance->SpoolerPaperForFormName(u"Invoice"), added);
    ASSERT_EQ(instance->DeleteCustomForm(medium, list, 0), 1);
    EXPECT_EQ(instance->SpoolerPaperForFormName(u"Invoice"), 0);
    // A form added behind the driver's back, during the hold.
    AddForm(u"Cheque", 100000, 200000);
  }
  EXPECT_EQ(instance->SpoolerPaperForFormName(u"Cheque"), added);
}

TEST_F(GSpoolerFormServicesTest, CustomMediaListHoldsTheCustomSizeAndTheFittingForms) {
  AddForm(u"Cheque", 150000, 140000);
  AddForm(u"Banner", 215900, 900000);
  GAttributeComposite* settings = instance->GetDevModeSettings();
  ASSERT_EQ(instance->RebuildCustomMediaList(settings), 1);
  auto* list = dynamic_cast<GAttributeComposite*>(settings->FindById(GFeatureIds::kCustomPaperList));
  ASSERT_EQ(list->GetEntryCount(), 2);
  auto* custom = dynamic_cast<GCustomMediaSize*>(list->ChildAt(0));
  auto* cheque = dynamic_cast<GCustomMediaSize*>(list->ChildAt(1));
  ASSERT_NE(custom, nullptr);
  ASSERT_NE(cheque, nullptr);
  uint32_t w = 0, h = 0;
  custom->GetSize(w, h);
  EXPECT_EQ(custom->GetPaperId(), 0x4000);
  EXPECT_EQ(w, 215900u);
  EXPECT_EQ(h, 279400u);
  cheque->GetSize(w, h);
  EXPECT_EQ(cheque->GetPaperId(), static_cast<int16_t>(0x4000 + kBuiltinForms));
  EXPECT_TRUE(cheque->GetName() == "Cheque");
  EXPECT_EQ(w, 140000u);  // the smaller side first
  EXPECT_EQ(h, 150000u);
}

TEST_F(GSpoolerFormServicesTest, SpoolerPaperGivesADeviceMediumOrACustomOne) {
  std::unique_ptr<GMedia> a4(instance->MediaForSpoolerPaper(9, 600, 600, 0));
  ASSERT_NE(a4, nullptr);
  EXPECT_EQ(a4->GetPaperId(), kA4);
  const int16_t cheque = AddForm(u"Cheque", 100000, 200000);
  std::unique_ptr<GMedia> custom(instance->MediaForSpoolerPaper(cheque, 600, 600, 0));
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->GetPaperId(), 0x3FFF + cheque);
  EXPECT_EQ(instance->MediaForSpoolerPaper(0, 600, 600, 0), nullptr);
  // A form-based id keeps its id when no standard medium has that size;
  // a form the size of A4 resolves to A4.
  EXPECT_EQ(instance->ResolvePaperId(instance->GetDevModeSettings(), static_cast<int16_t>(0x3FFF + cheque)),
            static_cast<int16_t>(0x3FFF + cheque));
  const int16_t likeA4 = AddForm(u"My A4", 210000, 297000);
  EXPECT_EQ(instance->ResolvePaperId(instance->GetDevModeSettings(), static_cast<int16_t>(0x3FFF + likeA4)), kA4);
}

TEST_F(GSpoolerFormServicesTest, CheckPaperIdNormalisesFormIds) {
  const int16_t likeA4 = AddForm(u"My A4", 210000, 297000);
  // A form of a standard size is checked as that paper (supported: 1).
  EXPECT_EQ(instance->CheckPaperId(nullptr, static_cast<int16_t>(0x3FFF + likeA4), 0, 600, 600), 1);
  // An id beyond the form list has no medium.
  EXPECT_EQ(instance->CheckPaperId(nullptr, static_cast<int16_t>(0x3FFF + 200), 0, 600, 600), 0);
}

TEST_F(GSpoolerFormServicesTest, FailingSpoolerCallsGiveNoMatch) {
  w32test::FailCall("EnumFormsW", ERROR_INVALID_HANDLE, 100);
  int16_t id = 0;
  EXPECT_EQ(instance->DmPaperToPaperId(9, &id), 0);
  EXPECT_EQ(Supported(9, 0), 0);
  w32test::ClearFailures();
  EXPECT_EQ(instance->DmPaperToPaperId(9, &id), 1);
}

}  // namespace
}  // namespace qvtest
