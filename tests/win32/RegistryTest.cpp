#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"

namespace {

std::vector<BYTE> RegistryBytes(std::initializer_list<int> list) {
  std::vector<BYTE> out;
  for (int b : list) out.push_back(static_cast<BYTE>(b));
  return out;
}

// The UTF-16LE bytes of a text, with or without its terminator.
std::vector<BYTE> WideBytes(const std::u16string& s, bool terminator) {
  std::vector<BYTE> out;
  for (WCHAR c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override {
    EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u) << "a test left a key handle open";
    w32test::Reset();
  }

  HKEY Create(HKEY root, const char16_t* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, u"", 0, access, nullptr, &key, nullptr), ERROR_SUCCESS);
    return key;
  }
};

struct TypedValue {
  const char* label;
  DWORD type;
  std::vector<BYTE> data;
};

TEST_F(Registry, TypedValuesKeepTheirExactBytesThroughTheSizeProtocol) {
  const TypedValue cases[] = {
      {"string with terminator", REG_SZ, WideBytes(u"Winnt", true)},
      {"string without terminator", REG_SZ, WideBytes(u"FALSE", false)},
      {"odd-length string", REG_SZ, RegistryBytes({'A', 0, 'B'})},
      {"expandable string", REG_EXPAND_SZ, WideBytes(u"%TEMP%\\qv", true)},
      {"empty binary", REG_BINARY, {}},
      {"binary with zeros", REG_BINARY, RegistryBytes({0, 1, 0, 0xFF, 0})},
      {"dword", REG_DWORD, RegistryBytes({0x78, 0x56, 0x34, 0x12})},
      {"multi-string", REG_MULTI_SZ, WideBytes(std::u16string(u"a\0bc\0", 5), true)},
  };
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Quorvale\\Test");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_EQ(RegSetValueExW(key, u"v", 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())), ERROR_SUCCESS);
    const DWORD size = static_cast<DWORD>(c.data.size());

    DWORD type = 99, needed = 12345;
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, &type, nullptr, &needed), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(needed, size);

    std::vector<BYTE> buffer(size + 4, 0xEE);
    DWORD got = size;
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, &type, buffer.data(), &got), ERROR_SUCCESS);
    EXPECT_EQ(got, size);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), c.data);
    EXPECT_EQ(buffer[size], 0xEE) << "no terminator may be added";

    if (size > 0) {
      std::vector<BYTE> small(size + 4, 0xEE);
      DWORD capacity = size - 1;
      EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, &type, small.data(), &capacity), ERROR_MORE_DATA);
      EXPECT_EQ(capacity, size);
      EXPECT_EQ(small[size - 1], 0xEE) << "nothing is written past the given size";
    }
  }
  RegCloseKey(key);
}

TEST_F(Registry, MissingKeysAndValuesAnswerFileNotFound) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\Nowhere", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  key = Create(HKEY_LOCAL_MACHINE, u"SYSTEM\\Somewhere");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(key, u"missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(key, u"missing"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(Registry, PathsAndValueNamesIgnoreCase) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions");
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(key, u"ProductType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
  RegCloseKey(key);

  for (const char16_t* path : {u"system\\currentcontrolset\\control\\productoptions",
                               u"System\\CurrentControlSet\\Control\\ProductOptions\\"}) {
    SCOPED_TRACE(std::string(path, path + 20));
    HKEY other = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &other), ERROR_SUCCESS);
    DWORD value = 0, size = 4, type = 0;
    EXPECT_EQ(RegQueryValueExW(other, u"PRODUCTTYPE", nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    RegCloseKey(other);
  }
  // Writing under another case replaces the value instead of adding a second one.
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"system\\CURRENTCONTROLSET\\control\\productoptions", u"producttype", 2);
  auto v = w32test::ReadRegistryValue(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                                      u"ProductType");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->data, RegistryBytes({2, 0, 0, 0}));
}

TEST_F(Registry, MalformedPathsAreRefused) {
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"A\\B", u"v", 1);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\A\\B", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A\\\\B", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\\\B\\C", 0, u"", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, MachineAndUserAreSeparateTrees) {
  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Software\\Quorvale", u"Where", 1);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Quorvale", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvale", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, RootsMatchTheirSignedDecimalForm) {
  // A registry location names its root as a signed decimal number that is
  // converted with the C runtime and cast back to a handle.
  EXPECT_EQ(reinterpret_cast<HKEY>(static_cast<LONG_PTR>(std::atol("-2147483647"))), HKEY_CURRENT_USER);
  EXPECT_EQ(reinterpret_cast<HKEY>(static_cast<LONG_PTR>(std::atol("-2147483646"))), HKEY_LOCAL_MACHINE);
  // An empty path on a root answers the root itself.
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(key, HKEY_CURRENT_USER);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, CreateMakesTheWholePathAndReportsTheDisposition) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvale\\QV FA Drivers", 0, u"", 0, KEY_WRITE, nullptr,
                            &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  EXPECT_TRUE(w32test::RegistryKeyExists(HKEY_CURRENT_USER, u"Software\\Quorvale"));
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\quorvale\\qv fa drivers", 0, u"", 0, KEY_WRITE, nullptr,
                            &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
}

TEST_F(Registry, HandlesKeepTheRightsTheyWereOpenedWith) {
  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Printers\\DevModes2", u"v", 7);
  DWORD value = 1;
  const BYTE* data = reinterpret_cast<const BYTE*>(&value);
  DWORD size = 4;

  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Printers\\DevModes2", 0, KEY_READ, &reader), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(reader, u"v", 0, REG_DWORD, data, 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(reader, u"v"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExW(reader, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(reader);

  HKEY writer = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Printers\\DevModes2", 0, KEY_WRITE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(writer, u"v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValueExW(writer, u"v", 0, REG_DWORD, data, 4), ERROR_SUCCESS);
  RegCloseKey(writer);

  // The old call opens with every right.
  HKEY all = nullptr;
  ASSERT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"Printers\\DevModes2", &all), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(all, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(all, u"v", 0, REG_DWORD, data, 4), ERROR_SUCCESS);
  RegCloseKey(all);
}

TEST_F(Registry, DeletingKeys) {
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"A\\B\\C", u"v", 1);
  HKEY a = Create(HKEY_LOCAL_MACHINE, u"A");
  HKEY c = Create(HKEY_LOCAL_MACHINE, u"A\\B\\C");
  EXPECT_EQ(RegDeleteKeyW(a, u"B"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
  EXPECT_EQ(RegDeleteKeyW(a, u"b\\c"), ERROR_SUCCESS);
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, u"A\\B\\C"));
  EXPECT_TRUE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, u"A\\B"));
  // A handle to the deleted key stays valid but reaches nothing.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(c, u"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(c), ERROR_SUCCESS);
  // A key made again under the same name starts empty.
  HKEY again = Create(HKEY_LOCAL_MACHINE, u"A\\B\\C");
  EXPECT_EQ(RegQueryValueExW(again, u"v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(again);
  RegCloseKey(a);
}

TEST_F(Registry, ClosedAndUnknownHandlesAreInvalid) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"A");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(0x80000003), u"A", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, EnumeratesValuesInCreationOrderWithTheSizeProtocol) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"A");
  const std::vector<BYTE> blob = RegistryBytes({1, 2, 3, 4, 5, 6});
  RegSetValueExW(key, u"Zeta", 0, REG_BINARY, blob.data(), 6);
  RegSetValueExW(key, u"Alpha", 0, REG_BINARY, blob.data(), 2);

  std::vector<std::u16string> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[16];
    DWORD length = 16, type = 0, size = 0;
    LONG r = RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, &size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(r, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Zeta", u"Alpha"}));

  WCHAR shortName[4];  // "Zeta" needs 5 with its terminator
  DWORD length = 4;
  EXPECT_EQ(RegEnumValueW(key, 0, shortName, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  WCHAR name[16];
  BYTE data[4];
  DWORD size = 4;
  length = 16;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  RegCloseKey(key);
}

TEST_F(Registry, EnumeratesSubkeysByNameWithoutRegardToCase) {
  for (const char16_t* path : {u"P\\beta", u"P\\Alpha", u"P\\GAMMA"}) w32test::SetRegistryDword(HKEY_CURRENT_USER, path, u"v", 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"P", 0, KEY_READ, &key), ERROR_SUCCESS);
  std::vector<std::u16string> names;
  WCHAR name[32];
  DWORD length = 32;
  for (DWORD i = 0; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
    names.emplace_back(name, length);
    length = 32;
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"GAMMA"}));
  length = 32;
  EXPECT_EQ(RegEnumKeyExW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(Registry, InjectedFailuresAnswerTheirCodeOnce) {
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"A", u"v", 1);
  w32test::FailCall("RegOpenKeyExW", ERROR_ACCESS_DENIED);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, KEY_READ, &key), ERROR_SUCCESS);
  w32test::FailCall("RegQueryValueExW", ERROR_NOT_ENOUGH_MEMORY);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, ResetEmptiesTheTreesAndForgetsHandles) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Quorvale");
  w32test::Reset();
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_CURRENT_USER, u"Software"));
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

}  // namespace
