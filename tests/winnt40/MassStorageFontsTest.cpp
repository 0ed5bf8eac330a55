// The mass-storage font registry in a printer's printer data, through the
// NT 4.0 factory.
#include "driver/MassStorageFonts.h"

#include <gtest/gtest.h>

#include "support/NT40TestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

using qvtest::DwordBytes;
using qvtest::Text;
using qvtest::WideBytes;

class MassStorageFontsTest : public qvtest::NT40Test {
 protected:
  void SetUp() override {
    NT40Test::SetUp();
    w32test::ModuleSpec spec;
    spec.name = u"QVUI.DLL";
    spec.path = std::u16string(kDriverDirectory) + u"\\QVUI.DLL";
    spec.loadCount = 1;
    factory_->SetModuleHandle(w32test::InstallModule(spec));
  }
  DWORD Mask() {
    auto value = Data(u"DisabledMSDs");
    return value ? static_cast<DWORD>(value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
                                      value->data[3] << 24)
                 : 0xDEADu;
  }
  RWWString Path(int device) {
    RWWString path(u"stale");
    GetFontDeviceFilePath(&path, Instance(), device);
    return path;
  }
};

TEST_F(MassStorageFontsTest, DevicesAreNamedInTheirOrder) {
  const char16_t* expected[] = {u"ROMAddOnFonts1", u"ROMAddOnFonts2", u"DiskFonts1", u"DiskFonts2", u"FlashFonts1",
                                u"FlashFonts2",    u"DIMMFonts1",     u"DIMMFonts2", u"DIMMFonts3", u"DIMMFonts4"};
  for (int i = 0; i < kFontDeviceCount; ++i) EXPECT_EQ(std::u16string(FontDeviceValueName(i)), expected[i]);
  EXPECT_EQ(FontDeviceValueName(10), nullptr);
  EXPECT_EQ(FontDeviceValueName(-1), nullptr);
}

TEST_F(MassStorageFontsTest, StatesAreTwoBitsPerDevice) {
  for (int i = 0; i < kFontDeviceCount; ++i) EXPECT_EQ(GetFontDeviceState(Instance(), i), 0) << i;
  EXPECT_EQ(SetFontDeviceState(Instance(), 7, 2), 1);
  EXPECT_EQ(Mask(), 0x8000u);
  EXPECT_EQ(GetFontDeviceState(Instance(), 7), 2);
  EXPECT_EQ(SetFontDeviceState(Instance(), 0, 1), 1);
  EXPECT_EQ(SetFontDeviceState(Instance(), 9, 3), 1);
  EXPECT_EQ(Mask(), 0xC8001u);
  EXPECT_EQ(SetFontDeviceState(Instance(), 7, 1), 1);
  EXPECT_EQ(Mask(), 0xC4001u);
  EXPECT_EQ(GetFontDeviceState(Instance(), 9), 3);
  EXPECT_EQ(GetFontDeviceState(Instance(), 8), 0);
  // An index outside the ten devices changes nothing.
  EXPECT_EQ(SetFontDeviceState(Instance(), 10, 2), 0);
  EXPECT_EQ(SetFontDeviceState(Instance(), -1, 2), 0);
  EXPECT_EQ(Mask(), 0xC4001u);
  // A mask read as -1 means no state for any device.
  PutData(u"DisabledMSDs", REG_DWORD, DwordBytes(0xFFFFFFFFu));
  EXPECT_EQ(GetFontDeviceState(Instance(), 3), 0);
}

TEST_F(MassStorageFontsTest, PathsInTheDriverDirectoryAreStoredByName) {
  const std::u16string inDirectory = std::u16string(kDriverDirectory) + u"\\DIMM1.FNT";
  ASSERT_EQ(SetFontDeviceFilePath(Instance(), 6, RWWString(inDirectory.data(), inDirectory.size())), 1);
  EXPECT_EQ(Data(u"DIMMFonts1")->data, WideBytes(u"DIMM1.FNT", false));
  EXPECT_EQ(Text(Path(6)), inDirectory);

  // Paths elsewhere are stored whole, also one that holds the directory's
  // text further on.
  const std::u16string elsewhere = std::u16string(u"D:\\Backup") + kDriverDirectory + u"\\DISK.FNT";
  ASSERT_EQ(SetFontDeviceFilePath(Instance(), 2, RWWString(elsewhere.data(), elsewhere.size())), 1);
  EXPECT_EQ(Text(Path(2)), elsewhere);
  // The directory compares without regard to case.
  ASSERT_EQ(SetFontDeviceFilePath(Instance(), 3, RWWString(u"c:\\winnt\\SYSTEM32\\spool\\DRIVERS\\W32X86\\2\\D2.FNT")),
            1);
  EXPECT_EQ(Data(u"DiskFonts2")->data, WideBytes(u"D2.FNT", false));

  EXPECT_TRUE(Path(0).IsEmpty());
  EXPECT_TRUE(Path(12).IsEmpty());
}

TEST_F(MassStorageFontsTest, FlagCountsDisabledDimmsOutButNotOtherDevices) {
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 0);
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 0);

  // A DIMM with a path but disabled.
  ASSERT_EQ(SetFontDeviceFilePath(Instance(), 8, RWWString(u"DIMM3.FNT")), 1);
  SetFontDeviceState(Instance(), 8, 2);
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 0);
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 0);

  // Enabled, it counts.
  SetFontDeviceState(Instance(), 8, 1);
  EXPECT_EQ(RefreshMassStorageFontsFlag(Instance()), 1);
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 1);
  EXPECT_EQ(Data(u"MassStorageFonts")->data, DwordBytes(1));
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 0);

  // A disk with a path counts whatever its state.
  SetFontDeviceState(Instance(), 8, 2);
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 1);
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 0);
  ASSERT_EQ(SetFontDeviceFilePath(Instance(), 2, RWWString(u"DISK1.FNT")), 1);
  SetFontDeviceState(Instance(), 2, 2);
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 1);
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 1);
}

TEST_F(MassStorageFontsTest, FlagIsOneOnlyForOne) {
  SetMassStorageFontsPresent(1, Instance());
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 1);
  SetMassStorageFontsPresent(7, Instance());
  EXPECT_EQ(Data(u"MassStorageFonts")->data, DwordBytes(0));
  PutData(u"MassStorageFonts", REG_DWORD, DwordBytes(2));
  EXPECT_EQ(IsMassStorageFontsPresent(Instance()), 0);
}

TEST_F(MassStorageFontsTest, WithoutAFactoryEverythingIsEmpty) {
  services_.Change([](GUpwardServices& s) { s.factory = nullptr; });
  EXPECT_TRUE(Path(0).IsEmpty());
  EXPECT_EQ(SetFontDeviceFilePath(Instance(), 0, RWWString(u"x")), 0);
  EXPECT_EQ(GetFontDeviceState(Instance(), 0), 0);
  EXPECT_EQ(UpdateMassStorageFontsPresent(Instance()), 0);
  services_.Change([&](GUpwardServices& s) { s.factory = factory_; });
}

}  // namespace
