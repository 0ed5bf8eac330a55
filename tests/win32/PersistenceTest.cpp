#include "w32test/Testing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>

#include "win32/File.h"
#include "win32/Registry.h"
#include "win32/Rpc.h"
#include "win32/Spooler.h"

namespace fs = std::filesystem;

namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t Fnv1a(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

// Rewrites the frame's length and checksum around a changed payload, so that
// only the payload's own checks can find the damage.
void Reframe(std::vector<uint8_t>& file) {
  const uint32_t length = static_cast<uint32_t>(file.size() - 20);
  for (int i = 0; i < 4; ++i) file[12 + i] = static_cast<uint8_t>(length >> (8 * i));
  const uint32_t sum = Fnv1a(file.data() + 16, length);
  for (int i = 0; i < 4; ++i) file[file.size() - 4 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

class PersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    char pattern[] = "/tmp/qvstate-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    w32test::Reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A platform with a little of everything that lasts.
  void Populate() {
    w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"Software\\Quorvale\\Deep\\Er", u"Text", u"\u00e9t\u00e9");
    w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Quorvale", u"", REG_BINARY, Bytes({0, 1, 2, 255}));
    w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Software\\Quorvale", u"Count", 7);
    w32test::PrinterSetup setup;
    setup.name = u"Front Desk";
    setup.driverName = u"Quarrin 4700";
    setup.portName = u"IP_10.0.0.9";
    setup.dataFile = u"QUARRIN.DAT";
    setup.devMode = Bytes({1, 2, 3, 4, 5});
    setup.comment = u"by the door";
    w32test::AddPrinter(setup);
    w32test::WritePrinterData(u"Front Desk", u"Model", REG_SZ, Bytes({'Q', 0, 0, 0}));
    w32test::RefuseAccess(u"Front Desk");
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
    FORM_INFO_1W form{};
    form.pName = const_cast<LPWSTR>(u"Label");
    form.Size = {100000, 150000};
    form.ImageableArea = {1000, 2000, 99000, 148000};
    ASSERT_TRUE(AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)));
    ClosePrinter(printer);
    ASSERT_TRUE(w32test::PutFile(u"C:\\Spool\\Drivers\\QUARRIN.DAT", "model bytes"));
    UUID uuid{};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(UuidCreate(&uuid), RPC_S_OK);
  }

  std::string dir_;
};

TEST_F(PersistenceTest, WhatWasSavedIsThereAfterALoad) {
  Populate();
  std::string error;
  ASSERT_TRUE(w32host::SavePlatformState(dir_, &error)) << error;
  w32test::Reset();
  ASSERT_FALSE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, u"Software\\Quorvale"));

  ASSERT_TRUE(w32host::LoadPlatformState(dir_, &error)) << error;
  auto text = w32test::ReadRegistryValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\quorvale\\Deep\\Er", u"text");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text->data, Bytes({0xe9, 0, 't', 0, 0xe9, 0, 0, 0}));
  auto unnamed = w32test::ReadRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Quorvale", u"");
  ASSERT_TRUE(unnamed.has_value());
  EXPECT_EQ(unnamed->data, Bytes({0, 1, 2, 255}));
  auto count = w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Software\\Quorvale", u"Count");
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(count->data, Bytes({7, 0, 0, 0}));

  // The printer, its data (one store with the registry), its DEVMODE, its
  // driver record and the refused rights.
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"FRONT DESK", &printer, nullptr));
  WCHAR model[8] = {};
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer, u"Model", &type, reinterpret_cast<LPBYTE>(model), sizeof model, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(std::u16string(model), u"Q");
  EXPECT_EQ(w32test::PrinterDevMode(u"Front Desk"), Bytes({1, 2, 3, 4, 5}));
  std::vector<BYTE> buffer(1024);
  ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 2, buffer.data(), 1024, &needed));
  auto* driver = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data());
  EXPECT_EQ(std::u16string(driver->pDataFile), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT");
  ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), 1024, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  EXPECT_EQ(std::u16string(info->pPortName), u"IP_10.0.0.9");
  EXPECT_EQ(std::u16string(info->pComment), u"by the door");
  HANDLE admin = nullptr;
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  EXPECT_FALSE(OpenPrinterW(u"Front Desk", &admin, &all));

  // The added form follows the built-in ones.
  FORM_INFO_1W* form = reinterpret_cast<FORM_INFO_1W*>(buffer.data());
  ASSERT_TRUE(GetFormW(printer, u"label", 1, buffer.data(), 1024, &needed));
  EXPECT_EQ(form->Flags, static_cast<DWORD>(FORM_USER));
  EXPECT_EQ(form->Size.cx, 100000);
  EXPECT_EQ(form->ImageableArea.bottom, 148000);
  ClosePrinter(printer);

  // The UUID sequence goes on where it was: a later run makes new ones.
  UUID uuid{};
  ASSERT_EQ(UuidCreate(&uuid), RPC_S_OK);
  EXPECT_EQ(uuid.Data1, 4u);

  // The files came along into the state directory, which is now the root.
  EXPECT_EQ(w32test::FileContents(u"C:\\Spool\\Drivers\\QUARRIN.DAT"), std::optional<std::string>("model bytes"));
  EXPECT_TRUE(fs::equivalent(w32test::FileRoot(), fs::path(dir_) / "files"));
}

TEST_F(PersistenceTest, AFreshDirectoryIsMadeAndLeavesThePlatformAsItIs) {
  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Keep", u"Me", 1);
  const std::string fresh = dir_ + "/a/b";
  std::string error;
  ASSERT_TRUE(w32host::LoadPlatformState(fresh, &error)) << error;
  EXPECT_TRUE(fs::is_directory(fresh + "/files"));
  EXPECT_FALSE(fs::exists(fresh + "/platform.state"));
  EXPECT_TRUE(w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Keep", u"Me").has_value());
  // Files written now land in the state directory.
  ASSERT_TRUE(w32test::PutFile(u"C:\\x.txt", "x"));
  EXPECT_TRUE(fs::exists(fresh + "/files/c/x.txt"));
}

TEST_F(PersistenceTest, ALoadReplacesWhatWasThereAndASecondSaveReplacesTheFirst) {
  Populate();
  std::string error;
  ASSERT_TRUE(w32host::LoadPlatformState(dir_, &error)) << error;  // nothing saved yet: files root moves
  ASSERT_TRUE(w32host::SavePlatformState(dir_, &error)) << error;
  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Later", u"Value", 2);
  w32test::PrinterSetup other;
  other.name = u"Back Office";
  w32test::AddPrinter(other);
  ASSERT_TRUE(w32host::LoadPlatformState(dir_, &error)) << error;
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_CURRENT_USER, u"Later"));
  HANDLE printer = nullptr;
  EXPECT_FALSE(OpenPrinterW(u"Back Office", &printer, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Later", u"Value", 3);
  ASSERT_TRUE(w32host::SavePlatformState(dir_, &error)) << error;
  w32test::Reset();
  ASSERT_TRUE(w32host::LoadPlatformState(dir_, &error)) << error;
  auto later = w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Later", u"Value");
  ASSERT_TRUE(later.has_value());
  EXPECT_EQ(later->data, Bytes({3, 0, 0, 0}));
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "platform.state.new"));
}

TEST_F(PersistenceTest, ADamagedStateFileIsRefusedWithAMessageAndChangesNothing) {
  Populate();
  std::string error;
  ASSERT_TRUE(w32host::SavePlatformState(dir_, &error)) << error;
  const fs::path stateFile = fs::path(dir_) / "platform.state";
  const std::vector<uint8_t> good = ReadAll(stateFile);
  ASSERT_GT(good.size(), 100u);

  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty", [](auto& f) { f.clear(); }, "not a state file"},
      {"other magic", [](auto& f) { f[0] = 'X'; }, "not a state file"},
      {"newer version", [](auto& f) { f[8] = 2; }, "format version 2"},
      {"cut short", [](auto& f) { f.resize(f.size() - 9); }, "length does not match"},
      {"flipped byte", [](auto& f) { f[40] ^= 0x10; }, "checksum"},
      {"extra bytes",
       [](auto& f) {
         f.insert(f.end() - 4, {0, 0, 0, 0});
         Reframe(f);
       },
       "follow the last record"},
      {"huge name",
       [](auto& f) {
         f[16] = 0xFF;
         f[17] = 0xFF;
         Reframe(f);
       },
       "longer than any name"},
      {"name past the end",
       [](auto& f) {
         f[16] = 0x00;
         f[17] = 0x70;
         Reframe(f);
       },
       "past the end"},
      {"huge value count",
       [](auto& f) {
         // The machine root's name is empty: its value count follows.
         f[20] = f[21] = f[22] = 0xFF;
         f[23] = 0x0F;
         Reframe(f);
       },
       "larger than the file"},
      {"payload cut and reframed",
       [](auto& f) {
         f.erase(f.end() - 30, f.end() - 4);
         Reframe(f);
       },
       ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = good;
    c.damage(bad);
    WriteAll(stateFile, bad);
    w32test::Reset();
    w32test::SetRegistryDword(HKEY_CURRENT_USER, u"Before", u"Load", 1);
    error.clear();
    EXPECT_FALSE(w32host::LoadPlatformState(dir_, &error)) << c.name;
    EXPECT_NE(error.find("platform.state"), std::string::npos) << c.name << ": " << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_TRUE(w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Before", u"Load").has_value()) << c.name;
    HANDLE printer = nullptr;
    EXPECT_FALSE(OpenPrinterW(u"Front Desk", &printer, nullptr)) << c.name;
  }
}

TEST_F(PersistenceTest, EveryCutOfAValidFileIsRefusedWithoutACrash) {
  Populate();
  std::string error;
  ASSERT_TRUE(w32host::SavePlatformState(dir_, &error)) << error;
  const fs::path stateFile = fs::path(dir_) / "platform.state";
  const std::vector<uint8_t> good = ReadAll(stateFile);
  for (size_t keep = 16; keep + 4 < good.size(); keep += 3) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(keep));
    cut.insert(cut.end(), 4, 0);
    Reframe(cut);
    WriteAll(stateFile, cut);
    EXPECT_FALSE(w32host::LoadPlatformState(dir_, &error)) << keep;
  }
}

TEST_F(PersistenceTest, AStateDirectoryThatCannotBeMadeIsReported) {
  const std::string blocked = dir_ + "/plain";
  WriteAll(blocked, {1});
  std::string error;
  EXPECT_FALSE(w32host::LoadPlatformState(blocked, &error));
  EXPECT_NE(error.find("cannot make the state directory"), std::string::npos) << error;
  EXPECT_FALSE(w32host::SavePlatformState(blocked, &error));
  EXPECT_NE(error.find("cannot make the state directory"), std::string::npos) << error;
  // An unreadable state file (a directory in its place).
  fs::create_directories(dir_ + "/d/platform.state");
  EXPECT_FALSE(w32host::LoadPlatformState(dir_ + "/d", &error));
  EXPECT_NE(error.find("cannot read the state file"), std::string::npos) << error;
}

}  // namespace
