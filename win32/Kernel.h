// Kernel services of the stand-in: last error, critical sections and
// thread-local slots. Critical sections are recursive for their owner thread,
// as on Windows.
#pragma once

#include "win32/Types.h"

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
