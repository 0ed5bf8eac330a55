// The module table of the stand-in. A library is either an image of the host
// (a shared library) that the loader maps, or an entry with in-process
// exports and resources that a test installs (companions, extensions,
// resource modules). Loading counts references as on Windows; a handle whose
// count fell to 0 is no longer valid. The process's executable is an entry of
// its own, always loaded.
//
// Mapping an image (LoadLibrary of a path whose image the host named) takes
// its exports from the image and its resources from the resource section the
// image carries, then calls its DllMain with DLL_PROCESS_ATTACH; freeing its
// last reference calls DllMain with DLL_PROCESS_DETACH and unmaps it.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "win32/Kernel.h"

#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#endif
#ifndef ERROR_DLL_INIT_FAILED
#define ERROR_DLL_INIT_FAILED 1114L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

// Exports are handed out as the generic function pointer type, which callers
// cast to the entry's real type (the compiler accepts casts from this one).
typedef void (*FARPROC)();

// A name with a directory must match the entry's path; a bare name matches
// the entry's name. Case is ignored and ".dll" is added to a name without an
// extension. A missing module gives null with ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryW(LPCWSTR name);
HMODULE LoadLibraryA(LPCSTR name);
// The flags do not change how an entry is found; the file handle must be null.
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
BOOL FreeLibrary(HMODULE module);
// Frees the module, then ends the calling thread, which must be a thread of
// CreateThread.
[[noreturn]] void FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
// Null with ERROR_PROC_NOT_FOUND for a name the export table lacks (or an
// ordinal: entries export by name only).
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// A loaded module without adding a reference; null names the executable.
HMODULE GetModuleHandleW(LPCWSTR name);
HMODULE GetModuleHandleA(LPCSTR name);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS the name is an address inside
// the module. GET_MODULE_HANDLE_EX_FLAG_PIN keeps the image that holds the
// address mapped until the process ends, whichever loader mapped it; the
// handle is the table's entry for that image, or null with
// ERROR_MOD_NOT_FOUND when the table has none. Only these two flags are
// offered (ERROR_INVALID_PARAMETER otherwise).
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module);
// The path of a loaded module (null: the executable). Returns the length
// without the terminator; when it does not fit, the path is cut to size - 1
// characters and terminated, the result is size, and the last error is
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// Copies at most size - 1 characters of the string and a terminator; returns
// the characters copied, 0 for a string the module lacks. The read-only
// pointer form (size 0) is not offered.
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size);
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);

// ---- The resources an image carries ----------------------------------------
// A library's image carries its resources as data the loader finds when it
// maps the image: an exported object of this name, as a resource section.
// The strings are in any order; an id given twice keeps its first text.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define IMAGE_RESOURCE_SECTION_NAME "w32_resource_section"
#define IMAGE_RESOURCE_SIGNATURE 0x43525357u  // "WSRC"
#define IMAGE_RESOURCE_VERSION 1u

struct IMAGE_RESOURCE_STRING {
  UINT id;
  LPCWSTR text;
};
struct IMAGE_RESOURCE_SECTION {
  DWORD signature;  // IMAGE_RESOURCE_SIGNATURE
  DWORD version;    // IMAGE_RESOURCE_VERSION
  DWORD stringCount;
  const IMAGE_RESOURCE_STRING* strings;
};
