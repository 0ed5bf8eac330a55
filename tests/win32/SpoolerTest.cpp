#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

namespace {

const std::u16string kPrinter = u"Quorvale Laser 40";
const std::u16string kDataKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Quorvale Laser 40\\PrinterDriverData";

std::vector<BYTE> WideBytes(const std::u16string& s) {
  std::vector<BYTE> out;
  for (WCHAR c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  return out;
}

std::vector<BYTE> DwordBytes(DWORD v) {
  return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
}

std::u16string Text(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

// A DEVMODE image of `publicSize` + `extra` bytes with the two size words set.
std::vector<BYTE> DevModeBytes(WORD publicSize, WORD extra, BYTE fill) {
  std::vector<BYTE> dm(publicSize + extra, fill);
  dm[68] = static_cast<BYTE>(publicSize);
  dm[69] = static_cast<BYTE>(publicSize >> 8);
  dm[70] = static_cast<BYTE>(extra);
  dm[71] = static_cast<BYTE>(extra >> 8);
  return dm;
}

class Spooler : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup p;
    p.name = kPrinter;
    p.driverName = u"Quorvale Laser Series";
    p.portName = u"IP_10.0.0.40";
    p.location = u"Second floor";
    p.driverPath = u"qvdrv.dll";
    p.dataFile = u"QVL40.QVD";
    p.configFile = u"C:\\Drivers\\qvui.dll";
    p.devMode = DevModeBytes(220, 952, 0x11);
    w32test::AddPrinter(p);
  }
  void TearDown() override {
    EXPECT_EQ(w32test::OpenPrinterCount(), 0u) << "a test left a printer handle open";
    w32test::Reset();
  }

  HANDLE Open(DWORD access, const std::u16string& name = kPrinter) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(name.c_str(), &h, access ? &defaults : nullptr));
    return h;
  }

  // GetPrinterW's two-call protocol; the buffer is empty when it fails.
  std::vector<BYTE> GetInfo(HANDLE h, DWORD level) {
    DWORD needed = 0;
    if (GetPrinterW(h, level, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(h, level, buffer.data(), needed, &needed)) return {};
    return buffer;
  }

  std::vector<FORM_INFO_1W> Forms(HANDLE h, std::vector<BYTE>* storage) {
    DWORD needed = 0, count = 0;
    EXPECT_FALSE(EnumFormsW(h, 1, nullptr, 0, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    storage->assign(needed, 0);
    EXPECT_TRUE(EnumFormsW(h, 1, storage->data(), needed, &needed, &count));
    std::vector<FORM_INFO_1W> forms(count);
    std::memcpy(forms.data(), storage->data(), count * sizeof(FORM_INFO_1W));
    return forms;
  }

  static FORM_INFO_1W FormRecord(const char16_t* name, DWORD flags, LONG cx, LONG cy) {
    return FORM_INFO_1W{flags, const_cast<LPWSTR>(name), {cx, cy}, {0, 0, cx, cy}};
  }
};

TEST_F(Spooler, OpensPrintersByNameWithoutRegardToCase) {
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"QUORVALE laser 40", &h, nullptr));
  EXPECT_NE(h, nullptr);
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  h = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(OpenPrinterW(u"No Such Printer", &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(h, nullptr);
}

struct DataCase {
  const char* label;
  DWORD type;
  std::vector<BYTE> data;
};

TEST_F(Spooler, PrinterDataKeepsExactBytesAndAnswersTheSizeProtocol) {
  const DataCase cases[] = {
      {"dword", REG_DWORD, DwordBytes(6400)},
      {"string without terminator", REG_SZ, WideBytes(u" ")},
      {"longer string without terminator", REG_SZ, WideBytes(u"TRUE")},
      {"binary", REG_BINARY, {9, 8, 7, 0, 6}},
  };
  HANDLE h = Open(PRINTER_ALL_ACCESS);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const DWORD size = static_cast<DWORD>(c.data.size());
    ASSERT_EQ(SetPrinterDataW(h, u"Value", c.type, c.data.data(), size), static_cast<DWORD>(ERROR_SUCCESS));

    DWORD type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataW(h, u"Value", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(needed, size);

    std::vector<BYTE> small(size + 2, 0xEE);
    EXPECT_EQ(GetPrinterDataW(h, u"Value", &type, small.data(), size - 1, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(small[size - 1], 0xEE) << "nothing is written past the given size";

    std::vector<BYTE> buffer(size + 2, 0xEE);
    EXPECT_EQ(GetPrinterDataW(h, u"value", &type, buffer.data(), size + 2, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(needed, size);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), c.data);
    EXPECT_EQ(buffer[size], 0xEE) << "no terminator is added";
  }
  // An empty value answers its size without a buffer.
  ASSERT_EQ(SetPrinterDataW(h, u"Empty", REG_BINARY, nullptr, 0), static_cast<DWORD>(ERROR_SUCCESS));
  DWORD type = 0, needed = 99;
  EXPECT_EQ(GetPrinterDataW(h, u"Empty", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

  EXPECT_EQ(GetPrinterDataW(h, u"Missing", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DeletePrinterDataW(h, u"Missing"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DeletePrinterDataW(h, u"Empty"), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(w32test::ReadPrinterData(kPrinter, u"Empty"));
  ClosePrinter(h);
}

TEST_F(Spooler, WritingPrinterDataNeedsAdministrativeAccess) {
  // A plain handle reads but cannot write, as for a user without rights on the printer.
  w32test::WritePrinterData(kPrinter, u"Stale", REG_SZ, WideBytes(u"FALSE"));
  HANDLE user = Open(0);
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(user, u"Stale", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
  const std::vector<BYTE> text = WideBytes(u"RegWriteTestStr");
  EXPECT_EQ(SetPrinterDataW(user, u"RegWriteTestStr", REG_SZ, text.data(), static_cast<DWORD>(text.size())),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(DeletePrinterDataW(user, u"Stale"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(user);

  HANDLE admin = Open(PRINTER_ALL_ACCESS);
  EXPECT_EQ(SetPrinterDataW(admin, u"RegWriteTestStr", REG_SZ, text.data(), static_cast<DWORD>(text.size())),
            static_cast<DWORD>(ERROR_SUCCESS));
  ClosePrinter(admin);
}

TEST_F(Spooler, RefusedAccessFailsTheAdministrativeOpenOnly) {
  w32test::RefuseAccess(kPrinter);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(OpenPrinterW(kPrinter.c_str(), &h, &defaults));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(h, nullptr);
  HANDLE plain = Open(0);
  EXPECT_NE(plain, nullptr);
  ClosePrinter(plain);
}

TEST_F(Spooler, PrinterDataAndTheRegistryKeyAreOneStore) {
  EXPECT_TRUE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\Print\\Printers\\" + kPrinter));
  HANDLE h = Open(PRINTER_ALL_ACCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDataKey.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);

  // Printer data is read through the registry...
  const std::vector<BYTE> count = DwordBytes(3);
  ASSERT_EQ(SetPrinterDataW(h, u"QuicksetPool", REG_DWORD, count.data(), 4), static_cast<DWORD>(ERROR_SUCCESS));
  DWORD type = 0, value = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(key, u"QuicksetPool", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 3u);

  // ...registry values are printer data...
  const std::vector<BYTE> chunk = {1, 2, 3};
  ASSERT_EQ(RegSetValueExW(key, u"QuicksetPool:2", 0, REG_BINARY, chunk.data(), 3), ERROR_SUCCESS);
  BYTE read[8] = {};
  DWORD needed = 0;
  ASSERT_EQ(GetPrinterDataW(h, u"QuicksetPool:2", &type, read, sizeof read, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(needed, 3u);
  EXPECT_EQ(std::vector<BYTE>(read, read + 3), chunk);

  // ...and deleting through the registry deletes the printer data.
  EXPECT_EQ(RegDeleteValueW(key, u"QuicksetPool:2"), ERROR_SUCCESS);
  EXPECT_EQ(GetPrinterDataW(h, u"QuicksetPool:2", &type, read, sizeof read, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(w32test::PrinterDataNames(kPrinter), std::vector<std::u16string>{u"QuicksetPool"});
  RegCloseKey(key);
  ClosePrinter(h);
}

TEST_F(Spooler, ConnectionDataLivesUnderTheCommaName) {
  w32test::PrinterSetup p;
  p.name = u"\\\\printsrv\\Laser";
  p.serverName = u"\\\\printsrv";
  p.attributes = PRINTER_ATTRIBUTE_NETWORK;
  w32test::AddPrinter(p);
  w32test::WritePrinterData(p.name, u"QvrdbUpdateRequest", REG_DWORD, DwordBytes(1));
  EXPECT_EQ(w32test::PrinterDataKey(p.name),
            u"System\\CurrentControlSet\\Control\\Print\\Printers\\,,printsrv,Laser\\PrinterDriverData");
  EXPECT_TRUE(w32test::ReadRegistryValue(
      HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\Print\\Printers\\,,printsrv,Laser\\PrinterDriverData",
      u"QvrdbUpdateRequest"));
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE,
                                          u"System\\CurrentControlSet\\Control\\Print\\Printers\\\\\\printsrv\\Laser"));
}

TEST_F(Spooler, PrinterInfo2PacksItsStringsAndDevModeInTheBuffer) {
  HANDLE h = Open(0);
  DWORD needed = 0;
  BYTE tiny[8];
  EXPECT_FALSE(GetPrinterW(h, 2, tiny, sizeof tiny, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> buffer = GetInfo(h, 2);
  ASSERT_EQ(buffer.size(), needed);
  PRINTER_INFO_2W info;
  std::memcpy(&info, buffer.data(), sizeof info);
  EXPECT_EQ(info.pServerName, nullptr) << "a local printer has no server";
  EXPECT_EQ(Text(info.pPrinterName), kPrinter);
  EXPECT_EQ(Text(info.pDriverName), u"Quorvale Laser Series");
  EXPECT_EQ(Text(info.pPortName), u"IP_10.0.0.40");
  EXPECT_EQ(Text(info.pLocation), u"Second floor");
  EXPECT_EQ(info.pComment, nullptr);
  EXPECT_EQ(Text(info.pDatatype), u"RAW");
  EXPECT_EQ(info.Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  ASSERT_NE(info.pDevMode, nullptr);
  const BYTE* dm = reinterpret_cast<const BYTE*>(info.pDevMode);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(dm) % 8, 0u);
  EXPECT_GE(dm, buffer.data() + sizeof info);
  EXPECT_LE(dm + 1172, buffer.data() + buffer.size());
  EXPECT_EQ(std::vector<BYTE>(dm, dm + 1172), DevModeBytes(220, 952, 0x11));
  for (LPWSTR s : {info.pPrinterName, info.pDriverName, info.pPortName, info.pLocation, info.pDatatype}) {
    const BYTE* p = reinterpret_cast<const BYTE*>(s);
    EXPECT_TRUE(p >= buffer.data() + sizeof info && p < buffer.data() + buffer.size());
  }
  ClosePrinter(h);
}

TEST_F(Spooler, SetPrinterStoresTheDefaultDevModeForAdministratorsOnly) {
  HANDLE user = Open(0);
  std::vector<BYTE> buffer = GetInfo(user, 2);
  ASSERT_FALSE(buffer.empty());
  PRINTER_INFO_2W info;
  std::memcpy(&info, buffer.data(), sizeof info);
  std::vector<BYTE> replacement = DevModeBytes(220, 952, 0x22);
  replacement.push_back(0x99);  // beyond dmSize + dmDriverExtra: not part of the DEVMODE
  info.pDevMode = reinterpret_cast<LPDEVMODEW>(replacement.data());
  info.pSecurityDescriptor = nullptr;
  EXPECT_FALSE(SetPrinterW(user, 2, reinterpret_cast<LPBYTE>(&info), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(user);

  HANDLE admin = Open(PRINTER_ALL_ACCESS);
  ASSERT_TRUE(SetPrinterW(admin, 2, reinterpret_cast<LPBYTE>(&info), 0));
  replacement.pop_back();
  EXPECT_EQ(w32test::PrinterDevMode(kPrinter), replacement);
  std::vector<BYTE> after = GetInfo(admin, 2);
  PRINTER_INFO_2W read;
  std::memcpy(&read, after.data(), sizeof read);
  EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<BYTE*>(read.pDevMode), reinterpret_cast<BYTE*>(read.pDevMode) + 1172),
            replacement);
  EXPECT_EQ(Text(read.pLocation), u"Second floor");
  ClosePrinter(admin);
}

TEST_F(Spooler, PrinterInfo7ReportsAndTakesDirectoryActions) {
  HANDLE h = Open(PRINTER_ALL_ACCESS);
  BYTE first[8];
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(h, 7, first, sizeof first, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, sizeof(PRINTER_INFO_7W));
  std::vector<BYTE> buffer = GetInfo(h, 7);
  PRINTER_INFO_7W info;
  std::memcpy(&info, buffer.data(), sizeof info);
  EXPECT_EQ(info.pszObjectGUID, nullptr);
  EXPECT_EQ(info.dwAction, static_cast<DWORD>(DSPRINT_UNPUBLISH));

  PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
  EXPECT_TRUE(SetPrinterW(h, 7, reinterpret_cast<LPBYTE>(&update), 0));
  PRINTER_INFO_7W bad{nullptr, 0x40};
  EXPECT_FALSE(SetPrinterW(h, 7, reinterpret_cast<LPBYTE>(&bad), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(w32test::DirectoryActions(kPrinter), std::vector<DWORD>{DSPRINT_UPDATE});
  EXPECT_FALSE(GetPrinterW(h, 3, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  ClosePrinter(h);
}

TEST_F(Spooler, DriverInfo2GivesTheDriverFiles) {
  HANDLE h = Open(0);
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 2, buffer.data(), needed, &needed));
  DRIVER_INFO_2W info;
  std::memcpy(&info, buffer.data(), sizeof info);
  EXPECT_EQ(info.cVersion, 2u);
  EXPECT_EQ(Text(info.pName), u"Quorvale Laser Series");
  EXPECT_EQ(Text(info.pEnvironment), u"Windows NT x86");
  EXPECT_EQ(Text(info.pDataFile), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVL40.QVD");
  EXPECT_EQ(Text(info.pDriverPath), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\qvdrv.dll");
  EXPECT_EQ(Text(info.pConfigFile), u"C:\\Drivers\\qvui.dll");

  EXPECT_TRUE(GetPrinterDriverW(h, u"windows nt x86", 2, buffer.data(), needed, &needed));
  EXPECT_FALSE(GetPrinterDriverW(h, u"Windows 4.0", 2, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 3, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  ClosePrinter(h);
}

TEST_F(Spooler, BuiltinFormsFollowThePaperNumbersWithSizesInMicrometres) {
  HANDLE h = Open(0);
  std::vector<BYTE> storage;
  std::vector<FORM_INFO_1W> forms = Forms(h, &storage);
  ASSERT_EQ(forms.size(), 41u);
  size_t names = 0;
  for (const auto& f : forms) names += (Text(f.pName).size() + 1) * 2;
  EXPECT_EQ(storage.size(), forms.size() * sizeof(FORM_INFO_1W) + names);

  struct Expect {
    int paper;  // DMPAPER number = 1-based position
    const char16_t* name;
    LONG cx, cy;
  };
  const Expect expected[] = {
      {1, u"Letter", 215900, 279400},       {5, u"Legal", 215900, 355600},
      {7, u"Executive", 184150, 266700},    {9, u"A4", 210000, 297000},
      {11, u"A5", 148000, 210000},          {13, u"B5 (JIS)", 182000, 257000},
      {20, u"Envelope #10", 104775, 241300}, {27, u"Envelope DL", 110000, 220000},
      {28, u"Envelope C5", 162000, 229000}, {37, u"Envelope Monarch", 98425, 190500},
  };
  for (const auto& e : expected) {
    const FORM_INFO_1W& f = forms[e.paper - 1];
    SCOPED_TRACE(e.paper);
    EXPECT_EQ(Text(f.pName), e.name);
    EXPECT_EQ(f.Flags, static_cast<DWORD>(FORM_BUILTIN));
    EXPECT_EQ(f.Size.cx, e.cx);
    EXPECT_EQ(f.Size.cy, e.cy);
    EXPECT_EQ(f.ImageableArea.right, e.cx);
    EXPECT_EQ(f.ImageableArea.bottom, e.cy);
  }
  DWORD needed = 0, count = 7;
  std::vector<BYTE> small(storage.size() - 1);
  EXPECT_FALSE(EnumFormsW(h, 1, small.data(), static_cast<DWORD>(small.size()), &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, storage.size());
  EXPECT_EQ(count, 0u);
  ClosePrinter(h);
}

TEST_F(Spooler, AddedFormsFollowTheBuiltinOnesAndCanBeChanged) {
  HANDLE h = Open(0);
  FORM_INFO_1W custom = FormRecord(u"Quorvale Banner", FORM_PRINTER, 210000, 900000);
  ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&custom)));
  FORM_INFO_1W same = FormRecord(u"QUORVALE BANNER", FORM_USER, 1000, 1000);
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&same)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  FORM_INFO_1W letter = FormRecord(u"letter", FORM_USER, 1000, 1000);
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&letter)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  FORM_INFO_1W empty = FormRecord(u"Nothing", FORM_USER, 0, 1000);
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&empty)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_SIZE));

  std::vector<BYTE> storage;
  std::vector<FORM_INFO_1W> forms = Forms(h, &storage);
  ASSERT_EQ(forms.size(), 42u);
  EXPECT_EQ(Text(forms[41].pName), u"Quorvale Banner");
  EXPECT_EQ(forms[41].Flags, static_cast<DWORD>(FORM_PRINTER));

  FORM_INFO_1W bigger = FormRecord(u"ignored", FORM_USER, 220000, 1000000);
  ASSERT_TRUE(SetFormW(h, u"quorvale banner", 1, reinterpret_cast<LPBYTE>(&bigger)));
  DWORD needed = 0;
  EXPECT_FALSE(GetFormW(h, u"Quorvale Banner", 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetFormW(h, u"Quorvale Banner", 1, buffer.data(), needed, &needed));
  FORM_INFO_1W got;
  std::memcpy(&got, buffer.data(), sizeof got);
  EXPECT_EQ(Text(got.pName), u"Quorvale Banner");
  EXPECT_EQ(got.Flags, static_cast<DWORD>(FORM_PRINTER));
  EXPECT_EQ(got.Size.cx, 220000);
  EXPECT_EQ(got.ImageableArea.bottom, 1000000);

  EXPECT_FALSE(SetFormW(h, u"A4", 1, reinterpret_cast<LPBYTE>(&bigger)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DeleteFormW(h, u"Letter"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(DeleteFormW(h, u"Quorvale Banner"));
  EXPECT_FALSE(DeleteFormW(h, u"Quorvale Banner"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
  EXPECT_FALSE(GetFormW(h, u"Quorvale Banner", 1, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
  ClosePrinter(h);
}

TEST_F(Spooler, AddedFormsBelongToThePrintersServer) {
  w32test::PrinterSetup other;
  other.name = u"\\\\printsrv\\Laser";
  other.serverName = u"\\\\printsrv";
  w32test::AddPrinter(other);
  w32test::PrinterSetup sibling = other;
  sibling.name = u"\\\\PRINTSRV\\Colour";
  sibling.serverName = u"\\\\PRINTSRV";
  w32test::AddPrinter(sibling);

  HANDLE remote = Open(0, other.name);
  FORM_INFO_1W custom = FormRecord(u"Server Form", FORM_USER, 100000, 100000);
  ASSERT_TRUE(AddFormW(remote, 1, reinterpret_cast<LPBYTE>(&custom)));
  HANDLE local = Open(0);
  HANDLE same = Open(0, sibling.name);
  std::vector<BYTE> storage;
  EXPECT_EQ(Forms(local, &storage).size(), 41u);
  EXPECT_EQ(Forms(same, &storage).size(), 42u);
  ClosePrinter(same);
  ClosePrinter(local);
  ClosePrinter(remote);
}

TEST_F(Spooler, InjectedFailures) {
  w32test::FailCall("OpenPrinterW", ERROR_ACCESS_DENIED);
  HANDLE h = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(OpenPrinterW(kPrinter.c_str(), &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(h, nullptr);

  h = Open(PRINTER_ALL_ACCESS);
  w32test::WritePrinterData(kPrinter, u"v", REG_DWORD, DwordBytes(1));
  DWORD type = 0, needed = 0, value = 0;
  w32test::FailCall("GetPrinterDataW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(GetPrinterDataW(h, u"v", &type, reinterpret_cast<BYTE*>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(GetPrinterDataW(h, u"v", &type, reinterpret_cast<BYTE*>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  w32test::FailCall("SetPrinterDataW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetPrinterDataW(h, u"v", REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  for (const char* call : {"EnumFormsW", "GetPrinterW", "GetPrinterDriverW"}) {
    SCOPED_TRACE(call);
    w32test::FailCall(call, ERROR_NOT_ENOUGH_MEMORY);
    BOOL ok = TRUE;
    if (std::string(call) == "EnumFormsW") ok = EnumFormsW(h, 1, nullptr, 0, &needed, &value);
    if (std::string(call) == "GetPrinterW") ok = GetPrinterW(h, 2, nullptr, 0, &needed);
    if (std::string(call) == "GetPrinterDriverW") ok = GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  }
  ClosePrinter(h);
}

TEST_F(Spooler, ResetRemovesPrintersHandlesFormsAndData) {
  HANDLE h = Open(PRINTER_ALL_ACCESS);
  FORM_INFO_1W custom = FormRecord(u"Gone", FORM_USER, 1000, 1000);
  ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&custom)));
  w32test::WritePrinterData(kPrinter, u"v", REG_DWORD, DwordBytes(1));
  w32test::Reset();
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_FALSE(w32test::ReadPrinterData(kPrinter, u"v"));
  HANDLE again = nullptr;
  EXPECT_FALSE(OpenPrinterW(kPrinter.c_str(), &again, nullptr));
  w32test::PrinterSetup p;
  p.name = u"Fresh";
  w32test::AddPrinter(p);
  HANDLE fresh = Open(0, u"Fresh");
  std::vector<BYTE> storage;
  EXPECT_EQ(Forms(fresh, &storage).size(), 41u);
  ClosePrinter(fresh);
}

TEST_F(Spooler, PrintJobsAreStartedWrittenAndEndedOnAHandle) {
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(kPrinter.c_str(), &printer, nullptr));
  DWORD count = 0;
  char byte = 'x';
  EXPECT_FALSE(WritePrinter(printer, &byte, 1, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  EXPECT_FALSE(EndDocPrinter(printer));
  EXPECT_EQ(StartDocPrinterW(printer, 1, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::u16string name = u"Doc";
  DOC_INFO_1W info{name.data(), nullptr, nullptr};
  EXPECT_EQ(StartDocPrinterW(printer, 2, reinterpret_cast<LPBYTE>(&info)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  const DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(job, 0u);
  EXPECT_EQ(StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&info)), 0u) << "one job at a time";
  EXPECT_TRUE(WritePrinter(printer, &byte, 1, &count));
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(ClosePrinter(printer));  // a job still in progress is cancelled
  EXPECT_FALSE(WritePrinter(printer, &byte, 1, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  const auto jobs = w32test::PrintJobs(u"QUORVALE LASER 40");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].id, job);
  EXPECT_EQ(jobs[0].status, w32test::PrintJob::Status::kCancelled);
  EXPECT_EQ(jobs[0].bytes, "x");
}

TEST_F(Spooler, EndingAndAbortingJobsMarkThemAndNeedAJob) {
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(kPrinter.c_str(), &h, nullptr));
  std::u16string name = u"One";
  std::u16string type = u"RAW";
  DOC_INFO_1W info{name.data(), nullptr, type.data()};
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&info)), 0u);
  EXPECT_TRUE(EndDocPrinter(h));
  EXPECT_FALSE(AbortPrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  name = u"Two";
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&info)), 0u);
  EXPECT_TRUE(AbortPrinter(h));
  w32test::FailCall("WritePrinter", ERROR_NOT_ENOUGH_MEMORY);
  DWORD written = 7;
  EXPECT_FALSE(WritePrinter(h, &written, 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(ClosePrinter(h));
  const auto jobs = w32test::PrintJobs(kPrinter);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].documentName, u"One");
  EXPECT_EQ(jobs[0].datatype, u"RAW");
  EXPECT_EQ(jobs[0].status, w32test::PrintJob::Status::kComplete);
  EXPECT_EQ(jobs[1].documentName, u"Two");
  EXPECT_EQ(jobs[1].status, w32test::PrintJob::Status::kCancelled);
  EXPECT_LT(jobs[0].id, jobs[1].id);
  w32test::Reset();
  EXPECT_TRUE(w32test::PrintJobs(kPrinter).empty());
}

}  // namespace
