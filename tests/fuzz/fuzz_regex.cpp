// Fuzz target for regular expressions: the first byte splits the rest of the
// input into a pattern and a text; a pattern that compiles is searched for in
// the text from every start position.
#include <cstddef>
#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWRegularExpression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t patternLength = data[0];
  if (patternLength > size - 1) patternLength = size - 1;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  RWCString pattern(bytes, patternLength);
  RWCString text(bytes + patternLength, size - 1 - patternLength);
  RWRegularExpression re(pattern);
  if (re.TakeStatus() != RWRegularExpression::kCompiled) return 0;
  for (size_t start = 0; start <= text.Length() + 1; ++start) {
    size_t length = 0;
    size_t at = re.IndexIn(text, length, start);
    if (at != RW_NPOS && (at < start || at + length > text.Length())) __builtin_trap();
  }
  return 0;
}
