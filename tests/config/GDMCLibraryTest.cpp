#include "config/GDMCLibrary.h"

#include <gtest/gtest.h>

#include "support/ConfigTestSupport.h"
#include "win32/Process.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ConfigLibraryTest;
using qvtest::FakeDMC;

class DMCLibraryTest : public ConfigLibraryTest {};

// Calls every forwarding operation once; returns the results in entry order.
std::vector<long> CallEverything(GDMCLibrary& library) {
  WCHAR text[255];
  WCHAR list[1024];
  char narrow[32];
  auto blank = [](WCHAR* b, size_t n) {
    for (size_t i = 0; i + 1 < n; ++i) b[i] = u' ';
    b[n - 1] = 0;
  };
  blank(text, 255);
  blank(list, 1024);
  for (char& c : narrow) c = ' ';
  narrow[31] = 0;
  int dummy = 0;
  return {
      library.DMCStartConfig(u"P", 0, u"DMC_DRIVER", 0),
      library.DMCStartExport(u"P", u"DMC_DRIVER", 1),
      library.DMCSetListSeparator(&dummy),
      library.DMCSetContextRelative(&dummy),
      library.DMCSetContext(u"printing/Copies"),
      library.DMCSetExport(u"printing/Copies", u"2"),
      library.DMCGetOptionAttribute(&dummy, &dummy),
      library.DMCGetNamedOptionAttribute(&dummy, &dummy, &dummy),
      library.DMCGetNamedFeatureAttribute(u"printing/Copies", u"lock", text, 255),
      library.DMCGetListSeparator(&dummy),
      library.DMCGetFeatureAttribute(&dummy, &dummy),
      library.DMCGetContext(&dummy),
      library.DMCGet(u"printing/Copies", text, 255),
      library.DMCGetPRV(&dummy, &dummy),
      library.DMCEnumOptions(&dummy, &dummy),
      library.DMCEnumOptionAttributes(&dummy, &dummy),
      library.DMCEnumListToken(text, 255, list, 1024),
      library.DMCEnumFeatures(u"printing", list, 1024),
      library.DMCEnumFeatureAttributes(&dummy, &dummy),
      library.DMCEndConfig(),
      library.DMCEndExport(),
      library.DMCCharToWide(text, 255, "7") != nullptr ? 1L : 0L,
      library.DMCWideToChar(narrow, 32, u"7"),
  };
}

TEST_F(DMCLibraryTest, MissingLibraryStartsRegistrationAndAnswersZeroEverywhere) {
  GDMCLibrary library;
  const auto started = w32test::StartedCommands();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].commandLine, "regsvr32 /s C:\\Drivers\\QVCDMC32.dll");
  EXPECT_EQ(started[0].showCommand, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(library.IsLoaded(), 0);
  EXPECT_EQ(library.EntriesResolved(), 0);
  for (long result : CallEverything(library)) EXPECT_EQ(result, 0);
}

TEST_F(DMCLibraryTest, RegistrationThatCannotStartIsIgnored) {
  InstallLibrary();
  w32test::FailCall("WinExec", 2);
  GDMCLibrary library;
  EXPECT_EQ(library.IsLoaded(), 1);
}

TEST_F(DMCLibraryTest, LoadsByFullPathAndForwardsArgumentsAndResults) {
  InstallLibrary();
  qvtest::SetDMCFeature(u"printing/Copies", u"3");
  {
    GDMCLibrary library;
    EXPECT_EQ(library.IsLoaded(), 1);
    EXPECT_EQ(library.EntriesResolved(), 1);
    EXPECT_EQ(qvtest::Text(library.GetPath()), u"C:\\Drivers\\QVCDMC32.dll");
    EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\QVCDMC32.dll"), 1u);

    FakeDMC().startConfigResult = 5;
    EXPECT_EQ(library.DMCStartConfig(u"\\\\srv\\p", 2, GDMCLibrary::kClientName, 0), 5);
    EXPECT_EQ(FakeDMC().startConfig.back(), u"\\\\srv\\p");
    EXPECT_EQ(FakeDMC().startConfigTypes.back(), 2);
    EXPECT_EQ(library.DMCSetContext(u"printing/Nothing"), 0);
    EXPECT_EQ(library.DMCSetContext(u"printing/Copies"), 1);
    EXPECT_EQ(library.DMCSetExport(u"printing/Copies", u"9"), 1);
    EXPECT_EQ(FakeDMC().exports.back().second, u"9");
  }
  // The destructor frees the library.
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\QVCDMC32.dll"), 0u);
}

TEST_F(DMCLibraryTest, StartExportIsLookedUpAtEveryCall) {
  auto entries = qvtest::AllDMCEntries();
  entries.erase(std::find(entries.begin(), entries.end(), "DMCStartExport"));
  InstallLibrary(entries);
  GDMCLibrary library;
  ASSERT_EQ(library.IsLoaded(), 1);
  EXPECT_EQ(library.DMCStartExport(u"P", u"DMC_DRIVER", 1), 0);
  EXPECT_EQ(library.DMCStartExport(u"P", u"DMC_DRIVER", 1), 0);
  EXPECT_TRUE(FakeDMC().startExport.empty());

  // The entry appears in the library later: the next call finds it.
  const HMODULE before = w32test::InstalledModule(u"C:\\Drivers\\QVCDMC32.dll");
  w32test::ModuleSpec spec = qvtest::FakeConfigLibrarySpec(qvtest::kDriverDirectory);
  spec.loadCount = 1;  // the reference the library object holds
  ASSERT_EQ(w32test::InstallModule(spec), before);
  EXPECT_EQ(library.DMCStartExport(u"P", u"DMC_DRIVER", 1), 1);
}

TEST_F(DMCLibraryTest, IsSameTextIsExactAndCaseSensitive) {
  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    int same;
  } cases[] = {
      {u"", u"", 1},        {nullptr, u"", 1},          {u"TRUE", u"TRUE", 1}, {u"TRUE", u"true", 0},
      {u"TRUE", u"TRUEX", 0}, {u"TRUEX", u"TRUE", 0},    {u"", u"A", 0},         {u"Duplex", u"DuplexUnit", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GDMCLibrary::IsSameText(c.a, c.b) != 0, c.same != 0);
    EXPECT_EQ(GDMCLibrary::IsSameText(c.b, c.a) != 0, c.same != 0);
  }
}

TEST_F(DMCLibraryTest, TextsWithoutTerminatorAreCutAtTheBufferEnd) {
  InstallLibrary();
  qvtest::SetDMCFeature(u"printing/Copies", std::u16string(400, u'A'), {{u"lock", std::u16string(400, u'B')}});
  FakeDMC().noTerminators = true;
  GDMCLibrary library;
  WCHAR text[255];
  for (WCHAR& c : text) c = u' ';
  text[254] = 0;
  library.DMCGet(u"printing/Copies", text, 255);
  EXPECT_EQ(text[254], 0);
  EXPECT_EQ(RWWString(text).Length(), 254u);
  library.DMCGetNamedFeatureAttribute(u"printing/Copies", u"lock", text, 255);
  EXPECT_EQ(text[254], 0);
  char narrow[64];
  for (char& c : narrow) c = ' ';
  narrow[63] = 0;
  library.DMCWideToChar(narrow, 64, u"123");
  EXPECT_EQ(narrow[63], 0);
}

}  // namespace
