// The one testing interface of the stand-in. Tests pre-set and read its
// state, make a call fail, and answer what would be shown to a user. Every
// part of the stand-in keeps its state in memory and registers a reset
// action here, so Reset() brings the whole platform back to its defaults.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/Types.h"

namespace w32test {

// Restores every part of the stand-in to its initial state.
void Reset();

// ---- Failure injection -------------------------------------------------
// The next `times` calls of the named function fail with `error`
// (for instance FailCall("TlsAlloc", ERROR_NOT_ENOUGH_MEMORY)).
void FailCall(const std::string& function, DWORD error, int times = 1);
void ClearFailures();

// ---- Message boxes -----------------------------------------------------
struct MessageBoxRecord {
  std::string text;     // UTF-8 for the wide call, the bytes as given for the narrow one
  std::string caption;
  UINT type = 0;
  bool wide = false;
  int answer = 0;
};
// Every box shown since the last reset, in order.
const std::vector<MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();
// Answers for the next boxes, first in first out; when none is queued a box
// answers IDOK (IDYES for yes/no styles).
void QueueMessageBoxAnswer(int answer);

}  // namespace w32test

namespace w32detail {

// Registers an action that Reset() runs; parts of the stand-in call it once.
void RegisterReset(std::function<void()> action);
// True when a failure is queued for the function: consumes it and sets the
// last error to the queued code.
bool ShouldFail(const char* function);
// Encodes UTF-16 as UTF-8 for test records (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(const WCHAR* text, size_t count);

}  // namespace w32detail
