// The testing interface of the stand-in, part CodePage: see "w32test/Testing.h".
#pragma once

#include <string>

#include "win32/CodePage.h"

namespace w32test {
// Sets the ANSI code page that CP_ACP and the ".ACP" locale stand for.
// w32test::Reset() restores 1252.
void SetAnsiCodePage(UINT codePage);
// Sets the OEM code page that GetOEMCP and CP_OEMCP answer; Reset() restores 437.
void SetOemCodePage(UINT codePage);
// The layout of a code page as the C runtime needs it for its locale tables.
struct CodePageLayout {
  int maxCharSize = 1;          // longest character in bytes
  bool lead[256] = {};          // bytes that start a two-byte character
  bool single[256] = {};        // bytes that are a character on their own
  WCHAR unicode[256] = {};      // the character of each such single byte
};
// Fills the layout of a concrete code page; false when the code page is not known.
bool GetCodePageLayout(UINT codePage, CodePageLayout* layout);

}  // namespace w32test
