// Files of the stand-in. Windows paths ("C:\Spool\x.tmp", "\\server\share\f",
// backslashes or slashes, any case) are mapped in this one place to a
// directory tree under a per-process root on the host: "C:\Spool\x.tmp"
// becomes <root>/c/spool/x.tmp and "\\server\share\f" <root>/unc/server/share/f.
// Path components are lower-cased, so lookups ignore case as on Windows, and
// names listed by FindFirstFileW come back in lower case. Relative paths and
// paths without a drive are taken from "C:\". Sharing modes and file
// attributes other than "directory" are not modelled.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "win32/Kernel.h"
#include "win32/Time.h"

#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define GENERIC_ALL 0x10000000

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)0xFFFFFFFF)

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)0xFFFFFFFF)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

#define MAX_PATH 260

// Opens or creates a file. Directories cannot be opened (ERROR_ACCESS_DENIED).
// CREATE_ALWAYS and OPEN_ALWAYS on an existing file succeed with the last
// error ERROR_ALREADY_EXISTS. Returns INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Synchronous only: an OVERLAPPED is refused with ERROR_NOT_SUPPORTED.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPVOID overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPVOID overlapped);
// Returns the low 32 bits of the new position; INVALID_SET_FILE_POINTER with a
// non-zero last error on failure (ERROR_NEGATIVE_SEEK before the start).
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);

BOOL DeleteFileW(LPCWSTR name);
BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL failIfExists);
DWORD GetFileAttributesW(LPCWSTR name);
BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES attributes);

// OpenFile: only the existence test OF_EXIST is offered. A bare file name is
// looked for in "C:\", "C:\WINDOWS\SYSTEM32", "C:\WINDOWS" and the
// directories of the PATH variable, in that order.
typedef int HFILE;
#define HFILE_ERROR ((HFILE)-1)
#define OFS_MAXPATHNAME 128
#define OF_READ 0x00000000
#define OF_EXIST 0x00004000
struct OFSTRUCT {
  BYTE cBytes;
  BYTE fFixedDisk;
  WORD nErrCode;
  WORD Reserved1;
  WORD Reserved2;
  CHAR szPathName[OFS_MAXPATHNAME];
};
typedef OFSTRUCT* LPOFSTRUCT;
HFILE OpenFile(LPCSTR fileName, LPOFSTRUCT info, UINT style);

// File searches with '*' and '?' in the last component of the pattern,
// ignoring case. Names come in the order of their upper-case form; "." and
// ".." lead in every directory but a drive's or share's root.
struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE search);

namespace crt {
// The C runtime's stdio opens for Windows paths (the narrow ones in the ANSI
// code page). Every mode is binary: "t" is accepted and ignored, as are the
// commit and cache hints; "ccs=" encodings are refused. A directory does not
// open. The FILE is the host's, used with the ordinary stdio calls.
std::FILE* fopen(const char* path, const char* mode);
std::FILE* _wfopen(LPCWSTR path, LPCWSTR mode);
// 0 when the file was removed, else -1.
int remove(const char* path);
// 0 when the path (a file or a directory) allows the access asked for, else
// -1: mode 0 existence, 2 writing, 4 reading, 6 both.
int _access(const char* path, int mode);
// The descriptor of an open stdio stream, and the size in bytes of the file
// open on a descriptor (-1 when it cannot be found or does not fit).
int _fileno(std::FILE* file);
LONG _filelength(int fd);
}  // namespace crt
