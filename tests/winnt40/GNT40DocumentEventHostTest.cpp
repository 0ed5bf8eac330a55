// The driver object's side of the job-storage notice: the dialog it asks
// the UI services for, what it gives the dialog and how it reads the answer.
#include "winnt40/GNT40DocumentEventHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"

namespace qvdrv {
namespace {

// What the scripted dialog was made with and told.
struct NoticeRecord {
  int dialogId = 0;
  int period = 0;
  std::vector<std::u16string> texts;
  std::string helpFile;
  bool ran = false;
  HWND parent = reinterpret_cast<HWND>(1);
  std::u16string library;
  int showAgain = 1;
  int deleted = 0;
};
NoticeRecord g_notice;

class ScriptedNotice : public GTimedMessage {
 public:
  ~ScriptedNotice() override { ++g_notice.deleted; }
  void SetHelpFile(const RWCString& helpFile) override { g_notice.helpFile.assign(helpFile.Data(), helpFile.Length()); }
  int DoModal(HWND parent, const RWWString& library) override {
    g_notice.ran = true;
    g_notice.parent = parent;
    g_notice.library = Text16(library);
    return 1;
  }
  int GetShowAgain() override { return g_notice.showAgain; }
};

GTimedMessage* CreateNotice(int dialogId, int period, const RWWString& title, const RWWString& text1,
                            const RWWString& text2, const RWWString& text3, const RWWString& text4) {
  g_notice.dialogId = dialogId;
  g_notice.period = period;
  g_notice.texts = {Text16(title), Text16(text1), Text16(text2), Text16(text3), Text16(text4)};
  return new ScriptedNotice;
}

class DocumentEventHostTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    g_notice = NoticeRecord();
  }
  void TearDown() override {
    DriverObjectTest::TearDown();
  }
  static std::vector<RWWString> Texts() {
    return {RWWString(u"Front Desk"), RWWString(u"LPT1:"), RWWString(u"jsmith"), RWWString(u"Payroll"),
            RWWString(u"Second floor")};
  }
};

TEST_F(DocumentEventHostTest, TheNoticeIsDialog11540OfTheResourceModuleWithoutAnOwner) {
  GUIServices services;
  services.createTimedMessage = &CreateNotice;
  services_.Change([&](GUpwardServices& s) { s.ui = services; });
  GNT40DocumentEventHost host(&MakeDriver());

  struct Case {
    int showAgain;
    int answer;
  } cases[] = {{1, 1}, {0, 0}};
  for (const Case& c : cases) {
    g_notice.showAgain = c.showAgain;
    EXPECT_EQ(host.RunJobStorageNotice(Texts()), c.answer);
  }
  EXPECT_EQ(g_notice.dialogId, 11540);
  EXPECT_EQ(g_notice.period, 10);
  EXPECT_EQ(g_notice.texts,
            (std::vector<std::u16string>{u"Front Desk", u"LPT1:", u"jsmith", u"Payroll", u"Second floor"}));
  EXPECT_EQ(g_notice.helpFile, "C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVHELP.HLP");
  EXPECT_TRUE(g_notice.ran);
  EXPECT_EQ(g_notice.parent, nullptr);
  EXPECT_EQ(g_notice.library, u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL");
  EXPECT_EQ(g_notice.deleted, 2);
}

TEST_F(DocumentEventHostTest, WithoutTheUIServicesTheNoticeStaysOn) {
  GNT40DocumentEventHost host(&MakeDriver());
  EXPECT_EQ(host.RunJobStorageNotice(Texts()), 1);
  GUIServices services;
  services.createTimedMessage = &CreateNotice;
  services_.Change([&](GUpwardServices& s) { s.ui = services; });
  g_notice.showAgain = 0;
  EXPECT_EQ(host.RunJobStorageNotice({RWWString(u"Front Desk")}), 1) << "too few texts show nothing";
  EXPECT_FALSE(g_notice.ran);
}

}  // namespace
}  // namespace qvdrv
