#include "win32/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "w32test/Testing.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(WindowTest, RegisteredMessagesAreNumberedFromC000AndKeptPerName) {
  const UINT first = RegisterWindowMessageW(u"QVNRA_CLIENT_REQUEST");
  EXPECT_EQ(first, 0xC000u);
  const UINT second = RegisterWindowMessageW(u"OtherMessage");
  EXPECT_EQ(second, 0xC001u);
  EXPECT_EQ(RegisterWindowMessageW(u"QVNRA_CLIENT_REQUEST"), first);
  EXPECT_EQ(RegisterWindowMessageW(u"qvnra_client_request"), first) << "names ignore case";
  // A new process numbers from the start again.
  w32test::Reset();
  EXPECT_EQ(RegisterWindowMessageW(u"OtherMessage"), 0xC000u);
}

TEST_F(WindowTest, RegisteringRefusesBadNamesAndRunsOutOfNumbers) {
  const std::u16string tooLong(256, u'x');
  const std::u16string longest(255, u'y');
  struct Case {
    const char* what;
    const char16_t* name;
  } cases[] = {{"null", nullptr}, {"empty", u""}, {"256 characters", tooLong.c_str()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    EXPECT_EQ(RegisterWindowMessageW(c.name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(RegisterWindowMessageW(longest.c_str()), 0xC000u);

  for (UINT n = 1; n < 0x4000; ++n) {
    const std::u16string name = u"m" + std::u16string(1, static_cast<char16_t>(u'A' + n % 26)) +
                                std::u16string(1, static_cast<char16_t>(0x100 + n));
    ASSERT_EQ(RegisterWindowMessageW(name.c_str()), 0xC000u + n);
  }
  SetLastError(0);
  EXPECT_EQ(RegisterWindowMessageW(u"OneTooMany"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(RegisterWindowMessageW(longest.c_str()), 0xC000u) << "known names keep their number";
}

TEST_F(WindowTest, RegisteringCanBeMadeToFail) {
  w32test::FailCall("RegisterWindowMessageW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(RegisterWindowMessageW(u"Name"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(RegisterWindowMessageW(u"Name"), 0xC000u);
}

TEST_F(WindowTest, FindWindowMatchesClassAndTitleIgnoringCase) {
  EXPECT_EQ(FindWindowW(u"qvnra", nullptr), nullptr);
  const HWND older = w32test::CreateTestWindow(u"QVNRA", u"Agent");
  const HWND other = w32test::CreateTestWindow(u"Other", u"Agent");
  EXPECT_EQ(FindWindowW(u"qvnra", nullptr), older);
  EXPECT_EQ(FindWindowW(u"qvnra", u"AGENT"), older);
  EXPECT_EQ(FindWindowW(u"qvnra", u"Agent 2"), nullptr);
  EXPECT_EQ(FindWindowW(u"qvnr", nullptr), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"agent"), other) << "the window made last stands on top";

  const HWND newer = w32test::CreateTestWindow(u"qvnra");
  EXPECT_EQ(FindWindowW(u"qvnra", nullptr), newer);
  EXPECT_EQ(FindWindowW(u"qvnra", u""), newer);
  EXPECT_TRUE(w32test::DestroyTestWindow(newer));
  EXPECT_FALSE(w32test::DestroyTestWindow(newer));
  EXPECT_EQ(FindWindowW(u"qvnra", nullptr), older);
}

TEST_F(WindowTest, SentMessagesAreRecordedAndAnsweredByTheScript) {
  int calls = 0;
  const HWND window = w32test::CreateTestWindow(u"qvnra", u"", [&](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    ++calls;
    EXPECT_EQ(m, 0xC123u);
    return static_cast<LRESULT>(wp + static_cast<WPARAM>(lp)) + (w != nullptr ? 1000 : 0);
  });
  const HWND silent = w32test::CreateTestWindow(u"silent");
  w32test::QueueWindowAnswer(window, -5);
  w32test::QueueWindowAnswer(window, 0);

  EXPECT_EQ(SendMessageW(window, 0xC123, 3, 6), -5);
  EXPECT_EQ(SendMessageW(window, 0xC123, 3, 1), 0);
  EXPECT_EQ(calls, 0) << "queued answers come first";
  EXPECT_EQ(SendMessageW(window, 0xC123, 3, 4), 1007);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(SendMessageW(silent, 0x10, 0, 0), 0);

  const std::vector<w32test::SentMessage> sent = w32test::SentMessages();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].window, window);
  EXPECT_EQ(sent[0].message, 0xC123u);
  EXPECT_EQ(sent[0].wParam, 3u);
  EXPECT_EQ(sent[0].lParam, 6);
  EXPECT_EQ(sent[0].answer, -5);
  EXPECT_EQ(sent[2].answer, 1007);
  EXPECT_EQ(sent[3].window, silent);
  w32test::ClearSentMessages();
  EXPECT_TRUE(w32test::SentMessages().empty());
}

TEST_F(WindowTest, SendingToNoWindowFailsWithInvalidHandle) {
  const HWND gone = w32test::CreateTestWindow(u"qvnra");
  w32test::DestroyTestWindow(gone);
  // Handles are never given out twice.
  const HWND fresh = w32test::CreateTestWindow(u"qvnra");
  EXPECT_NE(fresh, gone);
  for (HWND window : {gone, static_cast<HWND>(nullptr)}) {
    SetLastError(0);
    EXPECT_EQ(SendMessageW(window, 0xC000, 3, 6), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  EXPECT_TRUE(w32test::SentMessages().empty());
  // Reset removes every window.
  w32test::Reset();
  SetLastError(0);
  EXPECT_EQ(SendMessageW(fresh, 0xC000, 3, 6), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(FindWindowW(u"qvnra", nullptr), nullptr);
}

}  // namespace

namespace {

TEST_F(WindowTest, ScreenPlacesCursorAndInvalidation) {
  HWND window = w32test::CreateTestWindow(u"Frame");
  ASSERT_TRUE(w32test::SetClientSize(window, 30, 20));
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 30);
  ASSERT_TRUE(w32test::SetWindowPosition(window, 100, 50));
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<LONG>{100, 50, 130, 70}));

  w32test::SetCursorPosition(POINT{110, 55});
  POINT point{};
  ASSERT_TRUE(GetCursorPos(&point));
  ASSERT_TRUE(ScreenToClient(window, &point));
  EXPECT_EQ(point.x, 10);
  EXPECT_EQ(point.y, 5);
  EXPECT_FALSE(GetCursorPos(nullptr));

  EXPECT_EQ(w32test::InvalidationCount(window), 0);
  EXPECT_TRUE(InvalidateRect(window, nullptr, FALSE));
  EXPECT_EQ(w32test::InvalidationCount(window), 1);

  HWND gone = w32test::CreateTestWindow(u"Frame");
  w32test::DestroyTestWindow(gone);
  EXPECT_FALSE(GetWindowRect(gone, &rect));
  EXPECT_FALSE(ScreenToClient(gone, &point));
  EXPECT_FALSE(InvalidateRect(gone, nullptr, TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
