// Internal to the stand-in (CodePage): on no include path but the stand-in's own.
#pragma once

#include <string>

#include "win32/CodePage.h"
#include "w32test/CodePage.h"

namespace w32detail {

using w32test::CodePageLayout;
using w32test::GetCodePageLayout;

// Resolves CP_ACP/CP_OEMCP to a concrete code page number.
UINT ResolveCodePage(UINT codePage);
// Converts bytes of the code page to UTF-16. strict: an invalid or incomplete
// character fails (returns false); otherwise each becomes U+FFFD. False also
// for an unknown code page.
bool CodePageToUtf16(UINT codePage, const char* src, size_t bytes, bool strict, std::u16string* out);
// Converts UTF-16 to the code page. A character the code page cannot hold or
// an unpaired surrogate becomes defaultChar (U+FFFD's encoding for UTF-8)
// and sets *usedDefault. False for an unknown code page.
bool Utf16ToCodePage(UINT codePage, const WCHAR* src, size_t units, char defaultChar, std::string* out,
                     bool* usedDefault);

}  // namespace w32detail
