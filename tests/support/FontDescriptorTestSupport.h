// Test support for the font descriptor files: descriptor bytes built here
// from the file layout alone (not by the writer under test), and a fixture
// with a driver object of the test device model whose driver directory
// holds the descriptors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/MassStorageFonts.h"
#include "support/DriverObjectTestSupport.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace qvfont {

constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";

inline std::u16string InDirectory(const std::u16string& name) { return std::u16string(kDriverDirectory) + u"\\" + name; }

// One entry as the file holds it.
struct EntrySpec {
  std::string name;
  std::string selection;
  int16_t weight = 400;
  int16_t italic = 0;
  uint8_t flags = 0x21;  // swiss, variable pitch
  uint8_t kind = 2;
  int16_t pixelHeight = 0;
  std::vector<int16_t> codes = {210};
};

inline void Put16(std::string& b, size_t at, int16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((static_cast<uint16_t>(v) >> 8) & 0xFF);
}
inline void Put32(std::string& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
inline int16_t Get16(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
inline int32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

// The fixed part of an entry: 26 bytes and the codes.
inline std::string FixedPart(const EntrySpec& e) {
  std::string fixed(26 + 2 * e.codes.size(), '\0');
  const auto nameLength = static_cast<int16_t>(e.name.size() + 1);
  Put32(fixed, 0, static_cast<int32_t>(fixed.size()));
  Put16(fixed, 4, nameLength);
  Put32(fixed, 6, static_cast<int32_t>(fixed.size()));
  Put16(fixed, 10, static_cast<int16_t>(e.selection.size() + 1));
  Put32(fixed, 12, static_cast<int32_t>(fixed.size()) + nameLength);
  Put16(fixed, 16, e.weight);
  Put16(fixed, 18, e.italic);
  fixed[20] = static_cast<char>(e.flags);
  fixed[21] = static_cast<char>(e.kind);
  Put16(fixed, 22, e.pixelHeight);
  Put16(fixed, 24, static_cast<int16_t>(e.codes.size()));
  for (size_t i = 0; i < e.codes.size(); ++i) Put16(fixed, 26 + 2 * i, e.codes[i]);
  return fixed;
}

// A whole descriptor file of these entries, in this order.
inline std::string Descriptor(const std::vector<EntrySpec>& entries, int32_t revision = 1,
                              const std::string& dimmName = "Office DIMM", const std::string& vendor = "Acme Type") {
  const size_t n = entries.size();
  const size_t headerSize = n > 1 ? 32 + 4 * n : 36;
  std::string file(headerSize, '\0');
  const size_t first = headerSize + dimmName.size() + 1 + vendor.size() + 1;
  Put32(file, 4, static_cast<int32_t>(first));
  Put32(file, 8, revision);
  Put16(file, 12, static_cast<int16_t>(dimmName.size() + 1));
  Put32(file, 14, static_cast<int32_t>(headerSize));
  Put16(file, 18, static_cast<int16_t>(vendor.size() + 1));
  Put32(file, 20, static_cast<int32_t>(headerSize + dimmName.size() + 1));
  Put32(file, 24, 0x00010000);
  Put32(file, 28, static_cast<int32_t>(n));
  file += dimmName + '\0' + vendor + '\0';
  for (size_t i = 0; i < n; ++i) {
    Put32(file, 32 + 4 * i, static_cast<int32_t>(file.size()));
    file += FixedPart(entries[i]) + entries[i].name + '\0' + entries[i].selection + '\0';
  }
  return file + "QVD";
}

// A driver object of the test device model for the printer "Front Desk",
// whose module lies in the driver directory.
class FontDeviceTest : public qvdrv::DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    MakeDriver();
  }
  GDriverInstance* Printer() { return driver_.get(); }

  // Puts the file in the driver directory and records it for the device.
  void InstallDescriptor(int device, const std::u16string& name, const std::string& bytes) {
    ASSERT_TRUE(w32test::PutFile(InDirectory(name).c_str(), bytes));
    ASSERT_EQ(SetFontDeviceFilePath(Printer(), device, RWWString(InDirectory(name).c_str())), 1);
  }
  std::optional<std::string> File(const RWWString& path) { return w32test::FileContents(path.Data()); }
};

}  // namespace qvfont
