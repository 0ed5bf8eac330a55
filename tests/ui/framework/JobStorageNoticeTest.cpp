// The job-storage notice through the document events of a real driver
// object: STARTDOCPOST starts the notice thread, which shows dialog 11540 of
// the resource module through the installed UI services with the stand-in's
// dialog manager; ENDDOCPOST waits for it, and a notice the user turned off
// is not shown for the next job.
#include <gtest/gtest.h>

#include <string>

#include "driver/GDocumentEvents.h"
#include "driver/GUIServices.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GTimedDialog.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Registry.h"
#include "win32/User.h"
#include "w32test/Testing.h"

namespace qvdrv {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr const char16_t* kJobStorageNoticeResources = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";

// The test device whose job defaults ask for the notice: 287 on, the job
// name from the settings (1035, 1031) and the user text from the settings
// (1034, 1036).
MPersistentObject* NoticeDeviceModel() {
  GState* defaults = State(243, {State(246, {Value(259, 7), Value(260, 23), Value(287, 1), Value(1035, 1),
                                             Text(1031, "Payroll"), Value(1034, 1), Text(1036, "jsmith")}),
                                 State(256, {Value(265, 0)})});
  const int32_t printerId = 76;
  auto* printer = new TestPrinter(RWCString("Quarrin 4700 Series"), defaults, MakeConfiguration(false), &printerId,
                                  64, kAddOnNone, kNoAddOns);
  auto* root = new MPersistentComposite(353);
  root->AddChild(printer);
  return root;
}

class JobStorageNoticeTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    w32test::ModuleSpec resources;
    resources.name = kJobStorageNoticeResources;
    resources.dialogs[11540] = w32test::DialogSpec{
        u"Job Storage",
        {{GTimedDialog::kTitle, ControlKind::kStatic, u"", false},
         {GTimedDialog::kText1, ControlKind::kStatic, u"", false},
         {GTimedDialog::kText2, ControlKind::kRichEdit, u"", false},
         {GTimedDialog::kText3, ControlKind::kRichEdit, u"", false},
         {GTimedDialog::kFrame, ControlKind::kRichEdit, u"", false},
         {GTimedDialog::kText4, ControlKind::kStatic, u"", false},
         {GTimedDialog::kDontShowAgain, ControlKind::kCheckBox, u"Do not show again", false},
         {IDOK, ControlKind::kButton, u"OK", false},
         {9, ControlKind::kButton, u"Help", false}}};
    w32test::InstallModule(resources);
    services_.Change([](GUpwardServices& s) { AddUIFrameworkServices(&s); });
    PutString(u"PrinterUUID", u"ab-12");  // names the user's job-storage key
    GNT40Driver& driver = MakeDriver();
    driver.SetDeviceModel(NoticeDeviceModel());
    dc_ = w32test::CreateRecordingDC();
  }
  void TearDown() override {
    DriverObjectTest::TearDown();
  }

  // One job's notice events; ENDDOCPOST waits for the notice thread.
  void Job() {
    EXPECT_EQ(driver_->DocumentEvent(nullptr, dc_, DOCUMENTEVENT_STARTDOCPOST, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(driver_->DocumentEvent(nullptr, dc_, DOCUMENTEVENT_ENDDOCPOST, 0, nullptr, 0, nullptr), 0);
  }
  std::optional<DWORD> NoticeOff() {
    const RWWString key = driver_->GetJobStorageKeyPath();
    auto value = w32test::ReadRegistryValue(HKEY_CURRENT_USER, Text16(key), u"LocalJobStorage");
    if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
    return static_cast<DWORD>(value->data[0] | value->data[1] << 8 | value->data[2] << 16 | value->data[3] << 24);
  }

  HDC dc_ = nullptr;
};

TEST_F(JobStorageNoticeTest, TheNoticeShowsTheJobAndTurningItOffLastsForTheNextJob) {
  w32test::QueueDialogScript({DialogAction::Click(9), DialogAction::SetCheck(GTimedDialog::kDontShowAgain, true),
                              DialogAction::Close(IDOK)});
  Job();

  auto runs = w32test::DialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  const w32test::DialogRun& run = runs[0];
  EXPECT_EQ(run.templateId, 11540u);
  EXPECT_EQ(run.owner, nullptr);
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(run.controls.at(GTimedDialog::kTitle).text, u"Front Desk");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText1).text, u"LPT1:");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText2).text, u"jsmith");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText3).text, u"Payroll");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText4).text, u"Second floor");
  ASSERT_EQ(w32test::HelpCalls().size(), 1u);
  EXPECT_EQ(w32test::HelpCalls()[0].file, "C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVHELP.HLP");
  EXPECT_EQ(w32test::ModuleLoadCount(kJobStorageNoticeResources), 0u) << "the resource module is freed after the notice";

  // The user turned it off: the job's end records that for the user, and
  // the next job shows nothing.
  EXPECT_EQ(NoticeOff(), 1u);
  Job();
  EXPECT_EQ(w32test::DialogRuns().size(), 1u);
}

TEST_F(JobStorageNoticeTest, ANoticeLeftOnIsShownAgain) {
  w32test::QueueDialogScript({DialogAction::Close(IDOK)});
  Job();
  EXPECT_EQ(NoticeOff(), std::nullopt);
  Job();  // unscripted: closed by Esc
  const auto runs = w32test::DialogRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].result, IDCANCEL);
  EXPECT_EQ(NoticeOff(), std::nullopt);
}

}  // namespace
}  // namespace qvdrv
