#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include <unistd.h>

#include "win32/Kernel.h"
#include "w32test/Testing.h"
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

// ---- Semaphores ------------------------------------------------------------

class SemaphoreTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

TEST_F(SemaphoreTest, CountsDownAndUpWithinItsMaximum) {
  size_t before = w32test::OpenHandleCount();
  HANDLE s = CreateSemaphoreW(nullptr, 1, 2, nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(WaitForSingleObject(s, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(s, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  LONG previous = -1;
  ASSERT_TRUE(ReleaseSemaphore(s, 2, &previous));
  EXPECT_EQ(previous, 0);
  // Past the maximum: refused, count unchanged.
  EXPECT_FALSE(ReleaseSemaphore(s, 1, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_TRUE(CloseHandle(s));
  EXPECT_EQ(w32test::OpenHandleCount(), before);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(ReleaseSemaphore(s, 1, nullptr));
  EXPECT_FALSE(CloseHandle(s));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SemaphoreTest, BadCountsAndNamesAreRefused) {
  struct Case {
    LONG initial, maximum;
    LPCWSTR name;
    DWORD error;
  } cases[] = {
      {2, 1, nullptr, ERROR_INVALID_PARAMETER},
      {0, 0, nullptr, ERROR_INVALID_PARAMETER},
      {-1, 1, nullptr, ERROR_INVALID_PARAMETER},
      {1, 1, u"Global\\lock", ERROR_NOT_SUPPORTED},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CreateSemaphoreW(nullptr, c.initial, c.maximum, c.name), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  HANDLE s = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  EXPECT_FALSE(ReleaseSemaphore(s, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(s);
}

TEST_F(SemaphoreTest, TestsCanMakeCreateWaitAndReleaseFail) {
  w32test::FailCall("CreateSemaphoreW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateSemaphoreW(nullptr, 1, 1, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));

  HANDLE s = CreateSemaphoreW(nullptr, 1, 1, nullptr);
  ASSERT_NE(s, nullptr);
  w32test::FailCall("WaitForSingleObject", ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(s, INFINITE), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // The failed wait took nothing.
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_OBJECT_0));

  w32test::FailCall("ReleaseSemaphore", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(ReleaseSemaphore(s, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // The failed release gave nothing back.
  EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(s);
}

TEST_F(SemaphoreTest, ReleaseWakesAWaiterOnAnotherThread) {
  HANDLE s = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  DWORD result = 0xDEAD;
  std::thread waiter([&] { result = WaitForSingleObject(s, INFINITE); });
  ASSERT_TRUE(ReleaseSemaphore(s, 1, nullptr));
  waiter.join();
  EXPECT_EQ(result, static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(s);
}

// ---- Threads ----------------------------------------------------------------

struct ThreadRecord {
  DWORD id = 0;
  int value = 0;
  HANDLE done = nullptr;  // semaphore the thread releases last
};

DWORD RecordingThread(LPVOID p) {
  auto* r = static_cast<ThreadRecord*>(p);
  r->id = GetCurrentThreadId();
  r->value = 42;
  if (r->done) ReleaseSemaphore(r->done, 1, nullptr);
  return 7;
}

TEST(Thread, RunsTheRoutineAndSignalsItsHandleWhenDone) {
  size_t before = w32test::OpenHandleCount();
  ThreadRecord r;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 4096, RecordingThread, &r, 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(r.value, 42);
  EXPECT_EQ(r.id, id);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(WaitForSingleObject(t, 0), static_cast<DWORD>(WAIT_OBJECT_0));  // stays signalled
  ASSERT_TRUE(CloseHandle(t));
  EXPECT_EQ(w32test::OpenHandleCount(), before);
}

TEST(Thread, RunsOnAfterItsHandleIsClosed) {
  ThreadRecord r;
  r.done = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  HANDLE t = CreateThread(nullptr, 0, RecordingThread, &r, 0, nullptr);
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(CloseHandle(t));
  EXPECT_EQ(WaitForSingleObject(r.done, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(r.value, 42);
  CloseHandle(r.done);
}

TEST(Thread, RuntimeThreadStartGivesAWaitableHandle) {
  static int ran = 0;
  unsigned id = 0;
  uintptr_t h = crt::_beginthreadex(
      nullptr, 0, [](void* p) -> unsigned { *static_cast<int*>(p) = 1; return 0; }, &ran, 0, &id);
  ASSERT_NE(h, 0u);
  EXPECT_NE(id, 0u);
  HANDLE t = reinterpret_cast<HANDLE>(h);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(CloseHandle(t));
}

TEST(Thread, DuplicatedPseudoHandleIsSignalledWhenThatThreadEnds) {
  HANDLE watched = nullptr;
  HANDLE ready = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  HANDLE go = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  std::thread other([&] {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &watched, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    ReleaseSemaphore(ready, 1, nullptr);
    WaitForSingleObject(go, INFINITE);
  });
  WaitForSingleObject(ready, INFINITE);
  ASSERT_NE(watched, nullptr);
  EXPECT_EQ(WaitForSingleObject(watched, 10), static_cast<DWORD>(WAIT_TIMEOUT));
  ReleaseSemaphore(go, 1, nullptr);
  other.join();
  EXPECT_EQ(WaitForSingleObject(watched, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(watched));
  EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // pseudo-handles need no closing
  CloseHandle(ready);
  CloseHandle(go);
}

namespace {

struct FirstThreadWatch {
  HANDLE first = nullptr;
  HANDLE waiting = nullptr;
};
FirstThreadWatch g_firstThreadWatch;

DWORD WaitForTheFirstThread(LPVOID) {
  ReleaseSemaphore(g_firstThreadWatch.waiting, 1, nullptr);
  WaitForSingleObject(g_firstThreadWatch.first, INFINITE);
  _exit(7);
}

// Starts a thread that waits for this thread to end, then ends the process.
[[noreturn]] void EndTheProcessWithAWaiter() {
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_firstThreadWatch.first, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  g_firstThreadWatch.waiting = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  CreateThread(nullptr, 0, &WaitForTheFirstThread, nullptr, 0, nullptr);
  WaitForSingleObject(g_firstThreadWatch.waiting, INFINITE);
  std::exit(0);
}

}  // namespace

// Ending the process stops the other threads where they stand: a thread
// waiting for the first thread to end does not wake into the exit (where it
// would run on while the process's statics are torn down).
TEST(ThreadDeathTest, AThreadWaitingOnTheFirstThreadDoesNotWakeWhenTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(EndTheProcessWithAWaiter(), ::testing::ExitedWithCode(0), "");
}

TEST(Thread, CreationFailuresAreReported) {
  w32test::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateThread(nullptr, 0, RecordingThread, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(CreateThread(nullptr, 0, RecordingThread, nullptr, 4 /* suspended */, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}
