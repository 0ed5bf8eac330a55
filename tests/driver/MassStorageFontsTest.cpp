// The mass-storage font device registry over a platform whose printer data
// lives in memory: device ids, the state mask, free devices and removing a
// device's descriptor file.
#include "driver/MassStorageFonts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

class DataFactory : public qvtest::ScriptedFactory {
 public:
  std::map<std::u16string, DWORD> dwords;
  std::map<std::u16string, std::u16string> strings;

  int SetPrinterDataDword(GDriverInstance*, const RWWString& name, DWORD value) override {
    dwords[qvtest::Text(name)] = value;
    return 1;
  }
  int SetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& text) override {
    strings[qvtest::Text(name)] = qvtest::Text(text);
    return 1;
  }
  DWORD GetPrinterDataDword(GDriverInstance*, const RWWString& name, DWORD d) override {
    auto it = dwords.find(qvtest::Text(name));
    return it == dwords.end() ? d : it->second;
  }
  RWWString GetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& d) override {
    auto it = strings.find(qvtest::Text(name));
    return it == strings.end() ? d : RWWString(it->second.data(), it->second.size());
  }
};

class MassStorageFontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    services_.Change([&](GUpwardServices& s) { s.factory = &factory_; });
  }
  void TearDown() override { services_.Restore(); }
  void Path(int device, const std::u16string& value) { factory_.strings[FontDeviceValueName(device)] = value; }
  GDriverInstance* Printer() { return reinterpret_cast<GDriverInstance*>(&printerToken_); }

  qvtest::ScopedUpwardServices services_;
  DataFactory factory_;
  int printerToken_ = 0;
};

TEST_F(MassStorageFontsTest, DeviceIdsInDeviceOrder) {
  const int32_t ids[kFontDeviceCount] = {416, 417, 420, 421, 418, 419, 422, 423, 428, 429};
  for (int i = 0; i < kFontDeviceCount; ++i) EXPECT_EQ(FontDeviceId(i), ids[i]) << i;
  EXPECT_EQ(FontDeviceId(-1), 0);
  EXPECT_EQ(FontDeviceId(10), 0);
}

TEST_F(MassStorageFontsTest, TheMaskHoldsTwoBitsPerDevice) {
  EXPECT_EQ(GetDisabledDeviceMask(Printer()), 0u);
  factory_.dwords[u"DisabledMSDs"] = 0xFFFFFFFFu;  // read as -1: no states
  EXPECT_EQ(GetDisabledDeviceMask(Printer()), 0u);
  SetDisabledDeviceMask(Printer(), 0x00049000u);
  EXPECT_EQ(factory_.dwords[u"DisabledMSDs"], 0x00049000u);
  EXPECT_EQ(GetFontDeviceState(Printer(), 6), 1);
  EXPECT_EQ(GetFontDeviceState(Printer(), 7), 2);
  EXPECT_EQ(GetFontDeviceState(Printer(), 9), 1);
  SetDisabledDeviceMask(Printer(), 0);
  EXPECT_EQ(SetFontDeviceState(Printer(), 7, 2), 1);
  EXPECT_EQ(factory_.dwords[u"DisabledMSDs"], 0x8000u);
}

TEST_F(MassStorageFontsTest, FreeDevicesArePathlessThenDisabledOrUnknown) {
  for (int device = 6; device <= 9; ++device) {
    Path(device, u"dimm" + std::u16string(1, static_cast<char16_t>(u'0' + device)) + u".qvd");
    SetFontDeviceState(Printer(), device, 1);
  }
  EXPECT_EQ(FindFreeFontDevice(Printer(), 6, 9), kNoFontDevice);
  SetFontDeviceState(Printer(), 8, 2);
  EXPECT_EQ(FindFreeFontDevice(Printer(), 6, 9), 8);
  SetFontDeviceState(Printer(), 7, 0);
  EXPECT_EQ(FindFreeFontDevice(Printer(), 6, 9), 7);
  SetFontDeviceState(Printer(), 6, 3);  // both bits: neither free state
  EXPECT_EQ(FindFreeFontDevice(Printer(), 6, 6), kNoFontDevice);
  // A device without a path comes before any state.
  Path(9, u"");
  EXPECT_EQ(FindFreeFontDevice(Printer(), 6, 9), 9);
  // The range is clamped to the ten devices.
  EXPECT_EQ(FindFreeFontDevice(Printer(), -5, 3), 0);
  EXPECT_EQ(FindFreeFontDevice(Printer(), 9, 40), 9);
  EXPECT_EQ(FindFreeFontDevice(Printer(), 7, 6), kNoFontDevice);
}

TEST_F(MassStorageFontsTest, RemovingADescriptorForgetsItAndDeletesItsFile) {
  const std::u16string file = u"C:\\Drivers\\qvdim001.qvd";
  ASSERT_TRUE(w32test::PutFile(file.c_str(), "QVD"));
  Path(6, u"qvdim001.qvd");
  Path(7, u"qvdim002.qvd");
  // The path as the device gives it back, in another case.
  RemoveFontDeviceFile(Printer(), 6, RWWString(u"c:\\DRIVERS\\QVDIM001.QVD"));
  EXPECT_EQ(factory_.strings[u"DIMMFonts1"], u"");
  EXPECT_FALSE(w32test::FileContents(file.c_str()).has_value());
  EXPECT_EQ(factory_.strings[u"DIMMFonts2"], u"qvdim002.qvd");

  // Another device's file: deleted, but that device is not told.
  ASSERT_TRUE(w32test::PutFile(u"C:\\Drivers\\qvdim002.qvd", "QVD"));
  RemoveFontDeviceFile(Printer(), 8, RWWString(u"qvdim002.qvd"));
  EXPECT_FALSE(w32test::FileContents(u"C:\\Drivers\\qvdim002.qvd").has_value());
  EXPECT_EQ(factory_.strings[u"DIMMFonts2"], u"qvdim002.qvd");

  // A descriptor kept outside the driver directory is forgotten but not
  // deleted: it is not this driver's file.
  ASSERT_TRUE(w32test::PutFile(u"D:\\Fonts\\mine.qvd", "QVD"));
  Path(9, u"D:\\Fonts\\mine.qvd");
  RemoveFontDeviceFile(Printer(), 9, RWWString(u"D:\\Fonts\\mine.qvd"));
  EXPECT_EQ(factory_.strings[u"DIMMFonts4"], u"");
  EXPECT_TRUE(w32test::FileContents(u"D:\\Fonts\\mine.qvd").has_value());

  // A missing file changes nothing else.
  RemoveFontDeviceFile(Printer(), 7, RWWString(u"C:\\Drivers\\none.qvd"));
  EXPECT_EQ(factory_.strings[u"DIMMFonts2"], u"qvdim002.qvd");
}

}  // namespace
