// The testing interface of the stand-in, part File: see "w32test/Testing.h".
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "win32/File.h"
#include "w32test/Kernel.h"
#include "w32test/Time.h"

namespace w32test {
// Uses an existing or new host directory as the root of the file tree. The
// default root is a new temporary directory, removed when the process ends.
void SetFileRoot(const std::string& hostDirectory);
std::string FileRoot();
// Writes a file, making the directories above it; false when it cannot.
bool PutFile(LPCWSTR path, const std::string& bytes);
std::optional<std::string> FileContents(LPCWSTR path);
bool MakeDirectories(LPCWSTR path);
// The host path of a Windows path, or an empty string with *error set
// (ERROR_PATH_NOT_FOUND for an empty path, ERROR_INVALID_NAME for one with
// characters no file name may hold).
std::string MapPath(LPCWSTR path, DWORD* error = nullptr);
std::string MapPathA(LPCSTR path, DWORD* error = nullptr);

}  // namespace w32test
