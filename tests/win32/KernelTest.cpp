#include <gtest/gtest.h>

#include <thread>

#include "win32/Kernel.h"
#include "win32/Testing.h"
#include "win32/User.h"

TEST(Kernel, CriticalSectionIsRecursiveForItsOwner) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  BOOL other = TRUE;
  std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(other);
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
}

TEST(Kernel, ThreadLocalSlotsAreSeparatePerThread) {
  DWORD slot = TlsAlloc();
  ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
  int a = 1, b = 2;
  ASSERT_TRUE(TlsSetValue(slot, &a));
  void* seen = &b;
  std::thread([&] { seen = TlsGetValue(slot); }).join();
  EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(TlsGetValue(slot), &a);
  EXPECT_TRUE(TlsFree(slot));
  EXPECT_FALSE(TlsFree(slot));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Kernel, InjectedFailureSetsTheLastError) {
  w32test::FailCall("TlsAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(TlsAlloc(), TLS_OUT_OF_INDEXES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  DWORD slot = TlsAlloc();  // only the next call failed
  EXPECT_NE(slot, TLS_OUT_OF_INDEXES);
  TlsFree(slot);
}

TEST(MessageBox, RecordsAndAnswersFromTheScript) {
  w32test::Reset();
  EXPECT_EQ(MessageBoxA(nullptr, "text", "Caption", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "q", "C", MB_YESNO), IDYES);
  w32test::QueueMessageBoxAnswer(IDNO);
  const WCHAR wtext[] = {u'\u00e9', u'x', 0};
  EXPECT_EQ(MessageBoxW(nullptr, wtext, u"W", MB_YESNO | MB_ICONQUESTION), IDNO);
  const auto& boxes = w32test::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "text");
  EXPECT_EQ(boxes[0].caption, "Caption");
  EXPECT_EQ(boxes[2].text, "\xc3\xa9x");
  EXPECT_TRUE(boxes[2].wide);
  EXPECT_EQ(boxes[2].answer, IDNO);
  w32test::Reset();
  EXPECT_TRUE(w32test::MessageBoxes().empty());
}
