// The toolbox over the UI resource library: long strings, text setting
// without flicker, message boxes in the library's reading direction, the
// version reader and the paper look-ups.
#include <gtest/gtest.h>

#include <string>

#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "resources/StringTable.h"
#include "support/UISessionFixture.h"
#include "ui/framework/GUIRule.h"
#include "ui/framework/GVersionInfo.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/User.h"
#include "win32/VersionInfo.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace {

constexpr const char16_t* kMessageBoxLibrary = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";
constexpr UINT kLongString = 20001;
constexpr UINT kFullBuffer = 20002;
constexpr UINT kLetterName = 20010;
constexpr UINT kA4Name = 20011;
constexpr UINT kUnnamed = 20012;  // not in the library
constexpr int kRtl = MB_RIGHT | MB_RTLREADING;

std::u16string Repeat(const std::u16string& piece, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::u16string Std(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

// Installs the resource library with the module's string table and a few
// test strings, and unloads it afterwards.
class UIResourceLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kMessageBoxLibrary;
    spec.strings = ModuleStringTable();
    spec.strings[kLongString] = Repeat(u"0123456789", 70);  // 700 characters
    spec.strings[kFullBuffer] = Repeat(u"x", 255);
    spec.strings[kLetterName] = u"Letter";
    spec.strings[kA4Name] = u"A4";
    spec.dialogs[300] = w32test::DialogSpec{u"Test", {{1001, w32test::ControlKind::kEdit, u"Letter", false},
                                                      {1002, w32test::ControlKind::kStatic, u"", false}}};
    w32test::InstallModule(spec);
  }
  void TearDown() override {
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }
  void Load() { ASSERT_EQ(LoadUIResourceLibrary(RWWString(kMessageBoxLibrary)), 1); }
};

TEST_F(UIResourceLibraryTest, StringsLongerThanTheUsualBufferAreLoadedWhole) {
  Load();
  RWWString text;
  EXPECT_EQ(LoadUIString(static_cast<int>(kLongString), &text), 700);
  EXPECT_EQ(Std(text), Repeat(u"0123456789", 70));
  EXPECT_EQ(LoadUIString(static_cast<int>(kFullBuffer), &text), 255);
  EXPECT_EQ(Std(text), Repeat(u"x", 255));
  EXPECT_EQ(LoadUIString(5100, &text), 20);
  EXPECT_EQ(Std(text), u"Incompatible Options");
}

TEST_F(UIResourceLibraryTest, WithoutTheLibraryNoStringIsLoaded) {
  // Installed but not loaded: the UI has no library.
  RWWString text(u"stale");
  EXPECT_EQ(LoadUIString(5100, &text), 0);
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(LoadUIString(5100, nullptr), 0);
  // Loaded, then freed by the last sheet.
  Load();
  EXPECT_EQ(LoadUIString(5100, nullptr), 20);
  FreeUIResourceLibrary();
  EXPECT_EQ(LoadUIString(5100, &text), 0);
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(UIResourceLibraryTest, TextIsSetOnlyWhenItDiffers) {
  struct {
    const char* name;
    const char16_t* text;
    bool sets;
  } const cases[] = {
      {"same text", u"Letter", false},
      {"shorter", u"Lette", true},
      {"longer", u"Letter size", true},
      {"other case", u"letter", true},
      {"empty", u"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    Load();
    std::u16string after;
    std::vector<w32test::TextCall> calls;
    w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
      SetDlgItemTextIfChanged(dialog, 1001, c.text);
      calls = w32test::SetWindowTextCalls();
      WCHAR buffer[64] = {};
      GetDlgItemTextW(dialog, 1001, buffer, 64);
      after = buffer;
    })});
    DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(300), nullptr,
                    [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
    EXPECT_EQ(calls.size(), c.sets ? 1u : 0u);
    EXPECT_EQ(after, std::u16string(c.text));
  }
}

TEST_F(UIResourceLibraryTest, TextLongerThanTheNewOneIsNotTakenForEqual) {
  Load();
  const std::u16string longText = Repeat(u"abc", 400);
  size_t callsAfterSecond = 0;
  std::u16string after;
  w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
    SetDlgItemTextW(dialog, 1002, longText.c_str());
    SetDlgItemTextIfChanged(dialog, 1002, longText.c_str());  // equal: nothing
    SetDlgItemTextIfChanged(dialog, 1002, u"abc");             // a prefix: set
    callsAfterSecond = w32test::SetWindowTextCalls().size();
    WCHAR buffer[8] = {};
    GetDlgItemTextW(dialog, 1002, buffer, 8);
    after = buffer;
    SetDlgItemTextIfChanged(dialog, 4711, u"no such control");
    SetDlgItemTextIfChanged(nullptr, 1002, u"no dialog");
  })});
  DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(300), nullptr,
                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
  EXPECT_EQ(callsAfterSecond, 2u);
  EXPECT_EQ(after, u"abc");
}

TEST_F(UIResourceLibraryTest, MessageBoxesFollowTheLibrarysReadingDirection) {
  struct {
    const char* name;
    std::vector<std::pair<WORD, WORD>> translations;
    int added;
  } const cases[] = {
      {"no version information", {}, 0},
      {"English, 1252", {{0x0409, 1252}}, 0},
      {"Hebrew, 1255", {{0x040D, 1255}}, kRtl},
      {"Arabic, 1256", {{0x0401, 1256}}, kRtl},
      {"Arabic, neutral language", {{0x0000, 1256}}, kRtl},
      {"Turkish, 1254", {{0x041F, 1254}}, 0},
      {"Baltic, 1257", {{0x0426, 1257}}, 0},
      {"Unicode", {{0x0401, 1200}}, 0},
      {"only the first translation counts", {{0x0409, 1252}, {0x0401, 1256}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (!c.translations.empty()) w32test::SetVersionTranslations(kMessageBoxLibrary, c.translations);
    Load();
    RWWString caption;
    LoadUIString(5100, &caption);
    w32test::QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(UIMessageBox(reinterpret_cast<HWND>(0x40), RWWString(u"Text"), caption, MB_OKCANCEL | MB_ICONWARNING),
              IDCANCEL);
    ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
    const w32test::MessageBoxRecord& box = w32test::MessageBoxes()[0];
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING | c.added));
    EXPECT_EQ(box.caption, "Incompatible Options");
    EXPECT_EQ(box.text, "Text");
    EXPECT_TRUE(box.wide);
  }
}

TEST_F(UIResourceLibraryTest, WithoutTheLibraryTheExecutablesLanguageIsNotTaken) {
  w32test::SetVersionTranslations(u"C:\\WINDOWS\\SYSTEM32\\SPOOLSV.EXE", {{0x0401, 1256}});
  EXPECT_EQ(UIMessageBox(nullptr, RWWString(u"Text"), RWWString(u"Caption"), MB_OK), IDOK);
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(UIResourceLibraryTest, MessageTextsAreShownAsTheyAre) {
  Load();
  // A name from outside with format directives and a 0 inside.
  const char16_t raw[] = u"Paper \"%s%n%d\"\0 is not available.";
  const RWWString text(raw, sizeof raw / sizeof raw[0] - 1);
  GUIRule::ShowMessageBox(nullptr, text, RWWString(u"%s"), MB_OK);
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].text, "Paper \"%s%n%d\"  is not available.");
  EXPECT_EQ(w32test::MessageBoxes()[0].caption, "%s");
  // An empty message is still a box.
  UIMessageBox(nullptr, RWWString(), RWWString(), MB_OK);
  ASSERT_EQ(w32test::MessageBoxes().size(), 2u);
  EXPECT_EQ(w32test::MessageBoxes()[1].text, "");
}

TEST_F(UIResourceLibraryTest, VersionReaderTakesTheFirstTranslationAndItsStrings) {
  w32test::VersionStrings info;
  info.translations = {{0x040D, 0x04E7}, {0x0409, 0x04B0}};
  info.strings = {{u"\\StringFileInfo\\040D04E7\\FileVersion", u"4.7.0.12"},
                  {u"\\StringFileInfo\\040904B0\\FileVersion", u"4.7.0.13"}};
  w32test::SetFileVersionInfo(kMessageBoxLibrary, info);
  Load();
  const GVersionInfo version(GetUIResourceInstance());
  ASSERT_TRUE(version.IsLoaded());
  EXPECT_EQ(version.GetTranslation(), 0x04E7040D);
  EXPECT_EQ(version.GetLanguage(), 0x040D);
  EXPECT_EQ(version.GetCodePage(), 0x04E7);
  EXPECT_EQ(version.GetTranslationCount(), 2);
  EXPECT_EQ(Std(version.GetModulePath()), kMessageBoxLibrary);
  RWWString value;
  EXPECT_EQ(version.GetStringValue(RWWString(u"FileVersion"), &value), 1);
  EXPECT_EQ(Std(value), u"4.7.0.12");
  EXPECT_EQ(version.GetStringValue(RWWString(u"ProductName"), &value), 0);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(version.GetStringValue(RWWString(), &value), 0);
}

TEST_F(UIResourceLibraryTest, VersionReaderStaysEmptyWithoutInformation) {
  Load();
  struct {
    const char* name;
    std::function<void()> arrange;
  } const cases[] = {
      {"no version block", [] {}},
      {"strings but no translation table",
       [] {
         w32test::VersionStrings info;
         info.strings = {{u"\\StringFileInfo\\040904B0\\FileVersion", u"1.0"}};
         w32test::SetFileVersionInfo(kMessageBoxLibrary, info);
       }},
      {"the block cannot be read",
       [] {
         w32test::SetVersionTranslations(kMessageBoxLibrary, {{0x0401, 1256}});
         w32test::FailCall("GetFileVersionInfoW", ERROR_INSUFFICIENT_BUFFER);
       }},
      {"the file name cannot be read",
       [] {
         w32test::SetVersionTranslations(kMessageBoxLibrary, {{0x0401, 1256}});
         w32test::FailCall("GetModuleFileNameW", ERROR_MOD_NOT_FOUND);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w32test::RemoveFileVersionInfo(kMessageBoxLibrary);
    w32test::ClearFailures();
    c.arrange();
    const GVersionInfo version(GetUIResourceInstance());
    EXPECT_FALSE(version.IsLoaded());
    EXPECT_EQ(version.GetTranslation(), 0);
    EXPECT_EQ(version.GetTranslationCount(), 0);
    RWWString value;
    EXPECT_EQ(version.GetStringValue(RWWString(u"FileVersion"), &value), 0);
  }
  w32test::ClearFailures();
}

TEST_F(UIResourceLibraryTest, VersionReaderReadsAModuleWithALongPath) {
  // Longer than the 520 characters of the first buffer: a cut path would
  // name another file.
  const std::u16string path = u"C:\\" + Repeat(u"deep\\", 130) + u"QVLONG.DLL";
  ASSERT_GT(path.size(), 520u);
  w32test::ModuleSpec spec;
  spec.name = u"QVLONG.DLL";
  spec.path = path;
  HMODULE module = w32test::InstallModule(spec);
  ASSERT_NE(LoadLibraryW(path.c_str()), nullptr);
  w32test::SetVersionTranslations(path, {{0x0401, 1256}});
  const GVersionInfo version(reinterpret_cast<HINSTANCE>(module));
  EXPECT_EQ(Std(version.GetModulePath()), path);
  EXPECT_EQ(version.GetTranslation(), 0x04E80401);
  FreeLibrary(module);
}

TEST(UIPaperTest, RestrictedPapers) {
  for (int id = -2; id < 0x4010; ++id) {
    const bool restricted = (id >= 8 && id <= 16) || id == 50 || id == 52 || id == 59 || id == 60 || id == 73;
    ASSERT_EQ(IsRestrictedPaper(static_cast<int16_t>(id)), restricted ? 1 : 0) << id;
  }
  EXPECT_EQ(IsRestrictedPaper(-32768), 0);
}

// A session whose host's paper mappings are given by the test.
class MappedSession : public GUISession {
 public:
  MappedSession(GUIData* data, GResourceMappingList* mappings) : GUISession(data), mappings_(mappings) {}
  GResourceMappingList* GetPaperMappingList() override { return mappings_; }

 private:
  GResourceMappingList* mappings_;
};

class ResolveCustomPaperTest : public uisession::UISessionTest {
 protected:
  void SetUp() override {
    UISessionTest::SetUp();
    w32test::ModuleSpec spec;
    spec.name = kMessageBoxLibrary;
    spec.strings[kLetterName] = u"Letter";
    spec.strings[kA4Name] = u"A4";
    w32test::InstallModule(spec);
    const int32_t id = 191;
    mappings_ = std::make_unique<GResourceMappingList>(id);
    const int32_t entry = 0;
    mappings_->AddIfNew(new GResourceMapping(GResourceMapping::kNoResource, 0, 30, entry));  // hidden
    mappings_->AddIfNew(new GResourceMapping(static_cast<int32_t>(kUnnamed), 3, 40, entry));
    mappings_->AddIfNew(new GResourceMapping(static_cast<int32_t>(kLetterName), 1, 1, entry));
    mappings_->AddIfNew(new GResourceMapping(static_cast<int32_t>(kA4Name), 9, 26, entry));
    session_.reset();
    session_ = std::make_unique<MappedSession>(&data_, mappings_.get());
  }
  void TearDown() override {
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    session_.reset();
    mappings_.reset();
    UISessionTest::TearDown();
  }
  // Adds a custom size with the name under the paper id.
  void AddCustom(int16_t paperId, const char* name) {
    GEnumAttribute* list = session_->GetSettingsView().FindCustomPaperList();
    const int32_t entry = 277;
    list->AddChild(new GCustomMediaSize(paperId, RWCString(name), 0, 850, 1100, &entry));
  }
  int Resolve(int id) {
    ResolveCustomPaperId(&id, session_.get());
    return id;
  }

  std::unique_ptr<GResourceMappingList> mappings_;
};

TEST_F(ResolveCustomPaperTest, CustomPaperNamedLikeAStandardPaperBecomesIt) {
  ASSERT_EQ(LoadUIResourceLibrary(RWWString(kMessageBoxLibrary)), 1);
  AddCustom(0x4001, "Letter");
  AddCustom(0x4002, "letter");
  AddCustom(0x4003, "A4");
  AddCustom(0x4004, "Letter ");
  AddCustom(0x4005, "");
  struct {
    int in;
    int out;
  } const cases[] = {
      {0x4001, 1},       // the display name of Letter
      {0x4002, 0x4002},  // differs in case
      {0x4003, 26},      // A4's paper id
      {0x4004, 0x4004},  // a trailing blank
      {0x4005, 0x4005},  // no name matches the entry whose string is missing
      {0x4000, 0x4000},  // the fixture's "Label"
      {0x4009, 0x4009},  // no such custom paper
      {9, 9},            // a standard paper is left alone
      {0x3FFF, 0x3FFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Resolve(c.in), c.out) << std::hex << c.in;
  }
  ResolveCustomPaperId(nullptr, session_.get());
  int id = 0x4001;
  ResolveCustomPaperId(&id, nullptr);
  EXPECT_EQ(id, 0x4001);
}

TEST_F(ResolveCustomPaperTest, WithoutTheLibraryNothingMatches) {
  AddCustom(0x4001, "Letter");
  AddCustom(0x4005, "");
  EXPECT_EQ(Resolve(0x4001), 0x4001);
  EXPECT_EQ(Resolve(0x4005), 0x4005);
}

}  // namespace
