// File version information of the stand-in: the version block of a module
// file, of which the module reads only the translation table
// ("\VarFileInfo\Translation", pairs of 16-bit language and code page).
// Tests give a file its translations; a file without any has no block.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/Types.h"

#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif

// The size of the file's version block; 0 with ERROR_RESOURCE_TYPE_NOT_FOUND
// when it has none. handle is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
// Copies the block (at most size bytes); FALSE when the file has none or the
// buffer is too small (ERROR_INSUFFICIENT_BUFFER).
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data);
// "\VarFileInfo\Translation" points into the block at its translation
// table; any other sub-block is not found (FALSE, length 0).
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length);

namespace w32test {

// Gives the file (a Windows path, compared without regard to case) the
// translations (language, code page); an empty list removes its block.
void SetVersionTranslations(const std::u16string& fileName, std::vector<std::pair<WORD, WORD>> translations);

}  // namespace w32test
