#include "driver/GDynamicLibrary.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "rw/RWBinaryStream.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

const char16_t kAddOn[] = u"C:\\WINNT\\System32\\QVADDON.DLL";

int32_t SumWords(const uint32_t* words) { return static_cast<int32_t>(words[0] + 2 * words[1]); }
int32_t WideResult(int32_t a, int32_t b) { return 0x12340000 + a * 16 + b; }

class GDynamicLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = u"QVADDON.DLL";
    spec.path = kAddOn;
    spec.exports["SumWords"] = w32test::Export(&SumWords);
    spec.exports["WideResult"] = w32test::Export(&WideResult);
    w32test::InstallModule(spec);
  }
  static DWORD References() { return w32test::ModuleLoadCount(kAddOn); }
};

TEST_F(GDynamicLibraryTest, MissingLibraryCallsGiveZeroAndStayUnloaded) {
  GDynamicLibrary library(RWWString(u"C:\\Nowhere\\ABSENT.DLL"));
  EXPECT_EQ(library.CallEntry("WideResult", 1, 2), 0);
  EXPECT_EQ(library.CallWithArgPointer("SumWords", 1, 2), 0);
  EXPECT_EQ(library.IsLoaded(), 0);
  EXPECT_EQ(library.GetModule(), nullptr);
}

TEST_F(GDynamicLibraryTest, CallsLoadOnceAndPassTheirArguments) {
  {
    GDynamicLibrary library{RWWString(kAddOn)};
    EXPECT_EQ(References(), 0u);
    // The low 16 bits of 0x12340000 + 3 * 16 + 4.
    EXPECT_EQ(library.CallEntry("WideResult", 3, 4), 0x0034);
    EXPECT_EQ(library.IsLoaded(), 1);
    EXPECT_EQ(library.CallWithArgPointer("SumWords", 5, 7u), 19);
    EXPECT_EQ(library.CallWithArgPointer("NoSuchEntry", 5), 0);
    EXPECT_EQ(References(), 1u);
  }
  EXPECT_EQ(References(), 0u);
}

TEST_F(GDynamicLibraryTest, CopiesHoldTheirOwnReference) {
  auto original = std::make_unique<GDynamicLibrary>(RWWString(kAddOn));
  ASSERT_EQ(original->Load(), 1);
  auto copy = std::make_unique<GDynamicLibrary>(*original);
  EXPECT_EQ(copy->IsLoaded(), 1);
  EXPECT_EQ(copy->GetModule(), original->GetModule());
  EXPECT_TRUE(*copy == *original);
  EXPECT_EQ(References(), 2u);
  original.reset();
  // The copy's module is still loaded and callable.
  EXPECT_EQ(References(), 1u);
  EXPECT_EQ(copy->CallWithArgPointer("SumWords", 1, 1), 3);
  GDynamicLibrary assigned;
  assigned = *copy;
  EXPECT_EQ(References(), 2u);
  copy.reset();
  assigned.Unload();
  EXPECT_EQ(References(), 0u);
}

TEST_F(GDynamicLibraryTest, RestoringALoadedLibraryReleasesItsModule) {
  const GDynamicLibrary stored{RWWString(u"C:\\Other\\QVKEYS32.DLL")};
  std::ostringstream bytes(std::ios::binary);
  {
    RWBinaryOutStream out(bytes);
    stored.SaveMembers(out);
  }
  GDynamicLibrary library{RWWString(kAddOn)};
  ASSERT_EQ(library.Load(), 1);
  std::istringstream in(bytes.str(), std::ios::binary);
  RWBinaryInStream stream(in);
  library.RestoreMembers(stream);
  EXPECT_TRUE(stream.Good());
  EXPECT_EQ(library.IsLoaded(), 0);
  EXPECT_EQ(References(), 0u);
  EXPECT_TRUE(library.GetPath() == RWWString(u"C:\\Other\\QVKEYS32.DLL"));
}

TEST_F(GDynamicLibraryTest, StoresOnlyItsPath) {
  const int32_t id = 41;
  GDynamicLibrary library(RWWString(u"C:\\Tools\\QVKEYS32.DLL"));
  library.SetFeatureId(id);
  qvtest::ExpectRoundTripsInAllForms(library);
  qvtest::ExpectStoredByteCountIsWritten(library);
  EXPECT_EQ(library.MembersStoreSize(), 12u + 2u * 21u + 8u);
  EXPECT_TRUE(library.DerivesFrom(780));
  EXPECT_TRUE(library.DerivesFrom(751));

  GDynamicLibrary other(RWWString(u"C:\\Tools\\qvkeys32.dll"));
  other.SetFeatureId(id);
  EXPECT_FALSE(library == other);
}

}  // namespace
