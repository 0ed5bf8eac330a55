// The about box: the version line, the extension lines gathered from the
// settings (texts cut to their fields), the update lines and the dialog's
// list boxes.
#include "ui/framework/GAboutFeature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/GDisplayStringAttribute.h"
#include "support/ModalDialogFixture.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;

class GAboutFeatureTest : public ModalDialogTest {
 protected:
  void SetUp() override {
    ModalDialogTest::SetUp();
    LoadLibraryWith({{GAboutFeature::kTemplate,
                      w32test::DialogSpec{u"About This Driver",
                                          {{GAboutFeature::kVersionLine, ControlKind::kStatic, u""},
                                           {GAboutFeature::kProductLine1, ControlKind::kStatic, u""},
                                           {GAboutFeature::kProductLine2, ControlKind::kStatic, u""},
                                           {GAboutFeature::kExtensionList, ControlKind::kListBox, u""},
                                           {GAboutFeature::kUpdateList, ControlKind::kListBox, u""},
                                           {IDOK, ControlKind::kButton, u"OK"}}}}});
  }
  static std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }
};

TEST_F(GAboutFeatureTest, VersionLineAndOkEndTheDialog) {
  GAboutFeature feature(session_.get());
  w32test::QueueDialogScript({w32test::DialogAction::Click(IDOK)});
  EXPECT_EQ(feature.ShowAboutBox(nullptr, GAboutFeature::kTemplate), IDOK);
  const w32test::DialogRun run = LastRunOf(GAboutFeature::kTemplate);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.controls.at(GAboutFeature::kVersionLine).text, u"Version 4.2.1.8 ");
  EXPECT_TRUE(run.controls.at(GAboutFeature::kExtensionList).items.empty()) << "no extension loaded";
}

TEST_F(GAboutFeatureTest, DekVersion2MarksTheVersionLine) {
  settings_->AddChild(Value(984, 1));
  GAboutFeature feature(session_.get());
  w32test::QueueDialogScript({w32test::DialogAction::Click(IDOK)});
  feature.ShowAboutBox(nullptr, GAboutFeature::kTemplate);
  EXPECT_EQ(LastRunOf(GAboutFeature::kTemplate).controls.at(GAboutFeature::kVersionLine).text,
            u"Version 4.2.1.8  (DEK 2.0)");
}

TEST_F(GAboutFeatureTest, ProductLinesShowDisplayStringsFromTheResourceLibrary) {
  // 515 names a string of the library, 516 has only its own text, 517 names
  // a string the library lacks and falls back to its text.
  const int32_t first = 515, second = 516, third = 517;
  settings_->AddChild(new GDisplayStringAttribute(&first, 1053, "unused", ""));
  settings_->AddChild(new GDisplayStringAttribute(&second, 0, " Kit", ""));
  settings_->AddChild(new GDisplayStringAttribute(&third, 31999, "Quarrin 4700", ""));
  GAboutFeature feature(session_.get());
  w32test::QueueDialogScript({w32test::DialogAction::Click(IDOK)});
  feature.ShowAboutBox(nullptr, GAboutFeature::kTemplate);
  const w32test::DialogRun run = LastRunOf(GAboutFeature::kTemplate);
  EXPECT_EQ(run.controls.at(GAboutFeature::kProductLine1).text, u"Paper Kit");
  EXPECT_EQ(run.controls.at(GAboutFeature::kProductLine2).text, u"Quarrin 4700");
}

TEST_F(GAboutFeatureTest, ExtensionLinesSkipUnnamedAndCutLongTexts) {
  const std::string longName(60, 'N');
  settings_->AddChild(Group(987, {Group(1, {Text(989, "Stapler kit"), Text(990, "1.2"), Text(988, "Vendor"),
                                            Text(993, "full"), Text(994, "note")}),
                                  Group(2, {Text(990, "9.9")}),  // no name: skipped
                                  Group(3, {Text(989, longName.c_str()), Text(990, "2.0")})}));
  GAboutFeature feature(session_.get());
  w32test::QueueDialogScript({w32test::DialogAction::Click(IDOK)});
  feature.ShowAboutBox(nullptr, GAboutFeature::kTemplate);
  const auto items = LastRunOf(GAboutFeature::kTemplate).controls.at(GAboutFeature::kExtensionList).items;
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[0], u"Stapler kit   1.2");
  EXPECT_EQ(items[1], u"   Vendor");
  EXPECT_EQ(items[2], u"   Extension support: full");
  EXPECT_EQ(items[3], u"   note");
  EXPECT_EQ(items[4], std::u16string(70, u'-'));
  // The name field holds 39 characters.
  EXPECT_EQ(items[5], Wide(std::string(39, 'N') + "   2.0"));
  EXPECT_TRUE(feature.GetExtensionLines().empty()) << "handed over to the list box";
}

TEST_F(GAboutFeatureTest, UpdateLinesWithoutPrinterDataShowFailed) {
  settings_->AddChild(Value(1025, 1));
  settings_->AddChild(Value(1100, 1));
  GAboutFeature feature(session_.get());
  feature.CollectUpdateLines();
  // 14111, 14114, 14116 and 14117 are not in the string table: empty texts.
  ASSERT_EQ(feature.GetUpdateLines().size(), 4u);
  EXPECT_EQ(feature.GetUpdateLines()[0].Length(), 0u);
  EXPECT_EQ(feature.GetUpdateLines()[1].Length(), 0u);
  EXPECT_TRUE(feature.GetUpdateLines()[2] == RWWString(" FAILED"));
  EXPECT_EQ(feature.GetUpdateLines()[3].Length(), 0u);
}

TEST_F(GAboutFeatureTest, WithoutFeatureBothListsAreDisabled) {
  w32test::QueueDialogScript({w32test::DialogAction::Close(IDCANCEL)});
  EXPECT_EQ(DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(GAboutFeature::kTemplate), nullptr,
                            &GAboutFeature::AboutBoxProc, 0),
            IDCANCEL);
  const w32test::DialogRun run = LastRunOf(GAboutFeature::kTemplate);
  EXPECT_FALSE(run.controls.at(GAboutFeature::kExtensionList).enabled);
  EXPECT_FALSE(run.controls.at(GAboutFeature::kUpdateList).enabled);
  EXPECT_EQ(run.controls.at(GAboutFeature::kVersionLine).text, u"Version 4.2.1.8 ");
}

TEST_F(GAboutFeatureTest, ButtonClickOpensTheAboutBoxOverThePage) {
  const GControlRow table[] = {{GAboutButtonWrapper::kButton, -1}, {0, 0}};
  HWND page = nullptr;
  INT_PTR shown = 0;
  OwnerRun([&](HWND owner) {
    page = owner;
    GAboutButtonWrapper wrapper(new GAboutFeature(session_.get()), table);
    wrapper.Attach(owner);
    EXPECT_EQ(wrapper.OnMessage(WM_COMMAND, MAKEWPARAM(GAboutButtonWrapper::kButton + 1, BN_CLICKED), 0), 0);
    EXPECT_EQ(LastRunOf(GAboutFeature::kTemplate).templateId, 0u)
        << "another control's click opens nothing";
    w32test::QueueDialogScript({w32test::DialogAction::Click(IDOK)});
    wrapper.OnMessage(WM_COMMAND, MAKEWPARAM(GAboutButtonWrapper::kButton, BN_CLICKED), 0);
    shown = LastRunOf(GAboutFeature::kTemplate).result;
  });
  const w32test::DialogRun run = LastRunOf(GAboutFeature::kTemplate);
  EXPECT_TRUE(run.finished);
  EXPECT_EQ(run.owner, page);
  EXPECT_EQ(shown, IDOK);
}

TEST_F(GAboutFeatureTest, TheBoxIsCentredOverItsParent) {
  // A library whose about box has a size of its own.
  while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
  LoadLibraryWith({{GAboutFeature::kTemplate,
                    w32test::DialogSpec{u"About This Driver", {{IDOK, ControlKind::kButton, u"OK"}}, 360, 330}}});
  GAboutFeature feature(session_.get());
  HWND parent = w32test::CreateTestWindow(u"#32770", u"Sheet");
  ASSERT_TRUE(w32test::SetWindowPosition(parent, 100, 50));
  ASSERT_TRUE(w32test::SetClientSize(parent, 600, 400));
  RECT shown{};
  w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) { GetWindowRect(dialog, &shown); }),
                              w32test::DialogAction::Click(IDOK)});
  feature.ShowAboutBox(parent, GAboutFeature::kTemplate);
  EXPECT_EQ((std::vector<LONG>{shown.left, shown.top, shown.right, shown.bottom}),
            (std::vector<LONG>{220, 85, 580, 415}));

  // Without a parent the box stays where the system put it.
  w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) { GetWindowRect(dialog, &shown); }),
                              w32test::DialogAction::Click(IDOK)});
  feature.ShowAboutBox(nullptr, GAboutFeature::kTemplate);
  EXPECT_EQ(shown.left, 0);
  EXPECT_EQ(shown.top, 0);
}

}  // namespace
}  // namespace uisession
