// Registry calls of the stand-in: two in-memory trees, HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, of keys holding typed values with their exact bytes. Key
// and value names are compared without regard to case; key paths are
// separated by backslashes. The spooler keeps each printer's printer data in
// this registry, so both views reach one store.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/Types.h"

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

// The predefined roots carry the sign-extended 32-bit values of the platform,
// so a root written as a signed decimal number converts back to the same handle.
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_MULTI_SZ 7

// Access rights of a key handle.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

// RegCreateKeyExW options and dispositions.
#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_OPTION_VOLATILE 0x0001
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_NO_MORE_ITEMS
#define ERROR_NO_MORE_ITEMS 259L
#endif
#ifndef ERROR_KEY_DELETED
#define ERROR_KEY_DELETED 1018L
#endif

// Each call answers an error code (ERROR_SUCCESS on success) and leaves the
// last error alone. A null or empty value name is the key's unnamed value.
LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
// Creates every missing key of the path. The class and the security
// attributes are not kept.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPCWSTR keyClass, DWORD options, REGSAM desired,
                     const void* securityAttributes, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// With a null data buffer answers the type and size; a buffer smaller than
// the value answers ERROR_MORE_DATA with the size needed in *dataSize.
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Stores exactly dataSize bytes; a string's terminator is stored only when
// it is counted.
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValueW(HKEY key, LPCWSTR name);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Values in the order they were created. *nameLength is the capacity of
// `name` in characters on entry and the name's length on return.
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataSize);
// Subkeys in the order of their upper-cased names. Classes are always empty;
// no write times are kept, so a given time is set to zero.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD classLength, void* lastWriteTime);
