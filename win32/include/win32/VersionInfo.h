// Version information of module files in the stand-in: a test gives a file
// path its translations and string values; GetFileVersionInfoW copies them
// into a self-contained block that VerQueryValueW reads, as on Windows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/Types.h"

#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif

// The block size for the file, 0 with ERROR_RESOURCE_TYPE_NOT_FOUND when it
// has no version information. *handle is set to 0. Both calls take failures
// from w32test::FailCall.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
// Fills the block; fails with ERROR_INSUFFICIENT_BUFFER when size is short.
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data);
// "\VarFileInfo\Translation" answers the (language, code page) pairs, *len in
// bytes; "\StringFileInfo\llllcccc\Name" answers the zero-terminated value,
// *len in characters with the terminator. Keys ignore case. FALSE for a key
// the block lacks or a block that is not one.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* len);
