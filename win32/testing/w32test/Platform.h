// The testing interface of the stand-in, part Platform: see "w32test/Testing.h".
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
// Answers for the next boxes, first in first out; when none is queued a box
// answers IDOK (IDYES for yes/no styles).
void QueueMessageBoxAnswer(int answer);

// Encodes UTF-16 as UTF-8 for test records (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(const WCHAR* text, size_t count);

}  // namespace w32test
