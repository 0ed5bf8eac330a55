// Kernel services of the stand-in: last error, critical sections,
// thread-local slots, handles, semaphores, threads and waits. Critical
// sections are recursive for their owner thread, as on Windows. Threads are
// real threads of the host; a thread handle is signalled when its thread ends.
#pragma once

#include "win32/Types.h"

// Error codes of the kernel services beyond those of Types.h.
#ifndef ERROR_PATH_NOT_FOUND
#define ERROR_PATH_NOT_FOUND 3L
#endif
#ifndef ERROR_NO_MORE_FILES
#define ERROR_NO_MORE_FILES 18L
#endif
#ifndef ERROR_SHARING_VIOLATION
#define ERROR_SHARING_VIOLATION 32L
#endif
#ifndef ERROR_NOT_SUPPORTED
#define ERROR_NOT_SUPPORTED 50L
#endif
#ifndef ERROR_FILE_EXISTS
#define ERROR_FILE_EXISTS 80L
#endif
#ifndef ERROR_BUFFER_OVERFLOW
#define ERROR_BUFFER_OVERFLOW 111L
#endif
#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_PROC_NOT_FOUND
#define ERROR_PROC_NOT_FOUND 127L
#endif
#ifndef ERROR_NEGATIVE_SEEK
#define ERROR_NEGATIVE_SEEK 131L
#endif
#ifndef ERROR_ALREADY_EXISTS
#define ERROR_ALREADY_EXISTS 183L
#endif
#ifndef ERROR_ENVVAR_NOT_FOUND
#define ERROR_ENVVAR_NOT_FOUND 203L
#endif
#ifndef ERROR_TOO_MANY_POSTS
#define ERROR_TOO_MANY_POSTS 298L
#endif

struct CRITICAL_SECTION {
  void* impl;  // the stand-in's lock object; null until initialised
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);

#define TLS_OUT_OF_INDEXES ((DWORD)0xFFFFFFFF)
DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
LPVOID TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, LPVOID value);

DWORD GetLastError();
void SetLastError(DWORD error);
DWORD GetCurrentThreadId();

// ---- Handles -------------------------------------------------------------
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS 0x00000002

BOOL CloseHandle(HANDLE handle);
// Pseudo-handles of the calling process and thread; they need no closing.
HANDLE GetCurrentProcess();
// The process id of the calling process.
DWORD GetCurrentProcessId();
HANDLE GetCurrentThread();
// Within the calling process only. Duplicating the pseudo-handle of the
// current thread gives a real handle that other threads can wait on.
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                     DWORD access, BOOL inherit, DWORD options);

// ---- Waits ---------------------------------------------------------------
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

// Semaphores (one count taken) and threads (signalled once ended) can be
// waited on; anything else fails with ERROR_INVALID_HANDLE.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// ---- Semaphores ----------------------------------------------------------
// Unnamed semaphores only: a name is refused with ERROR_NOT_SUPPORTED.
HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCWSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// ---- Threads -------------------------------------------------------------
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

// Runs the routine on a new host thread. Suspended creation is not offered
// (ERROR_NOT_SUPPORTED).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// Time is virtual: GetTickCount (and the clock, when a test set it) move on
// by the time asked at once, and the thread only yields. INFINITE blocks.
void Sleep(DWORD milliseconds);
// Milliseconds since an arbitrary start, wrapping after 49.7 days.
DWORD GetTickCount();

namespace crt {
// The C runtime's thread start: a thread handle (0 on failure) that the
// caller waits on and closes.
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*), void* argument,
                         unsigned flags, unsigned* threadId);
}  // namespace crt
