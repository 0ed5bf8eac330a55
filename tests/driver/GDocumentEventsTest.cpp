#include "driver/GDocumentEvents.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/FakeCompanionModules.h"
#include "win32/Environment.h"
#include "win32/Registry.h"
#include "win32/Rpc.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "win32/Time.h"
#include "win32/Version.h"
#include "win32/VersionInfo.h"

namespace {

using namespace GFeatureIds;

// The driver object as the document events see it.
class FakeHost : public MDocumentEventHost {
 public:
  GDriverInstance* GetInstance() override { return &instance; }
  GAttributeComposite* GetJobSettings() override { return instance.GetDocumentSettings(); }
  HANDLE GetPrinterHandle() override { return printer; }
  int LoadDevMode(const void* devMode) override {
    loaded = devMode;
    return loadResult;
  }
  int GetDevModeState() override { return 0; }
  void RebuildDocumentSettings() override { ++rebuilds; }
  int CanWritePrinterData() override {
    ++writeChecks;
    return 1;
  }
  void ReleaseAdminHandle() override { ++releases; }
  void SetLocalJobStorage(int flag) override { localJobStorage = flag; }
  void SetJobDisplayName(const RWWString& name) override { jobName = name; }
  RWWString GetJobDisplayName() override { return jobName; }
  RWWString GetPrinterLocation() override { return RWWString(u"Room 4"); }
  void OpenPromptSheet() override { ++sheets; }
  int RunJobStorageNotice(const std::vector<RWWString>& texts) override {
    noticeTexts = texts;
    return showAgain;
  }
  RWWString LoadUIString(UINT id) override { return RWWString(id == 11029 ? u"Untitled" : u"UNTITLED"); }
  RWWString LoadResourceString(UINT id) override { return LoadUIString(id); }

  qvtest::TestDriverInstance instance;
  HANDLE printer = nullptr;
  const void* loaded = nullptr;
  int loadResult = 1;
  int rebuilds = 0, writeChecks = 0, releases = 0, localJobStorage = -1, sheets = 0, showAgain = 1;
  RWWString jobName;
  std::vector<RWWString> noticeTexts;
};

std::string Words(std::initializer_list<uint32_t> words) {
  std::string b;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
  return b;
}

std::string Narrow(const RWWString& wide) {
  RWCString narrow;
  ToNarrowString(wide, narrow);
  return std::string(narrow.Data(), narrow.Length());
}

std::string Z(const std::string& text) { return text + std::string(1, '\0'); }

class DocumentEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    dc = w32test::CreateRecordingDC();
    w32test::SetUserName(u"jsmith");
    qvtest::Accounting() = qvtest::FakeAccounting();
  }
  void TearDown() override { w32test::Reset(); }

  // Document settings with the values given in group 362 and the n-up group.
  GAttributeComposite* Install(std::initializer_list<std::pair<const int32_t*, int16_t>> values) {
    auto* settings = new GAttributeComposite();
    auto* group = new GAttributeComposite(&kDocumentSettings);
    for (auto& [id, v] : values) group->AddChild(new GValueAttribute(v, id));
    settings->AddChild(group);
    host.instance.InstallSettings(settings);
    return group;
  }

  INT Event(INT event, void** in = nullptr, ULONG inSize = 0, void* out = nullptr) {
    return events.DocumentEvent(nullptr, dc, event, inSize, in, 0, out);
  }

  FakeHost host;
  GDocumentEvents events{&host};
  HDC dc = nullptr;
};

TEST_F(DocumentEventsTest, StartDocSendsTheJobInformationInOrder) {
  Install({});
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                             u"ComputerName", u"OFFICE7");
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                             u"DefaultDomainName", u"CORP");
  w32test::SetProcessImagePath(u"C:\\Apps\\Writer.exe");
  w32test::VersionStrings info;
  info.translations = {{0x0409, 0x04B0}};
  info.strings = {{u"\\StringFileInfo\\040904b0\\FileDescription", u"Writer"},
                  {u"\\StringFileInfo\\040904b0\\ProductName", u"Office"},
                  {u"\\StringFileInfo\\040904b0\\ProductVersion", u"2.1"}};
  w32test::SetFileVersionInfo(u"C:\\Apps\\Writer.exe", info);
  UUID uuid{0x12345678, 0x9abc, 0x4def, {0x80, 1, 2, 3, 4, 5, 6, 7}};
  w32test::QueueUuid(uuid);

  DOCINFOW doc{sizeof(DOCINFOW), u"Letter", nullptr, nullptr, 0};
  void* in[1] = {&doc};
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTDOC, in, sizeof in), DOCUMENTEVENT_SUCCESS);

  auto escapes = w32test::DcEscapes(dc);
  std::vector<std::pair<int, std::string>> got;
  for (auto& e : escapes) got.emplace_back(e.code, e.input);
  std::vector<std::pair<int, std::string>> want = {
      {0x303EB8EF, Z("JSMITH")},
      {0x303EB8EC, Z("OFFICE7")},
      {0x303EB8EB, Z("CORP")},
      {0x303EB8F1, Z("12345678-9abc-4def-8001-020304050607")},
      {0x303EB8F0, Z("OS Info: WinNT Kernel;4.0;1381;")},
      {0x303EB8E7, Z("Writer")},
      {0x303EB8E9, Z("Application Info: Writer;Office;2.1;")},
      {0x303EB8F9, Z("Writer.exe")},
      {0x303EB8E8, Z("LPT1:")},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(host.writeChecks, 1);
  EXPECT_EQ(host.releases, 1);
}

TEST_F(DocumentEventsTest, StartDocWithoutVersionInfoOrNamesSendsTheRest) {
  w32test::SetOsVersion(w32test::OsVersion{5, 0, 2195, VER_PLATFORM_WIN32_NT, u"", 0, 0, 0, VER_NT_WORKSTATION});
  Event(DOCUMENTEVENT_STARTDOC);
  std::vector<int> codes;
  for (auto& e : w32test::DcEscapes(dc)) codes.push_back(e.code);
  // Without settings the user name is sent as it is.
  EXPECT_EQ(codes, (std::vector<int>{0x303EB8EF, 0x303EB8F1, 0x303EB8F0, 0x303EB8E9, 0x303EB8F9, 0x303EB8E8}));
  auto escapes = w32test::DcEscapes(dc);
  EXPECT_EQ(escapes[0].input, Z("jsmith"));
  EXPECT_EQ(escapes[2].input, Z("OS Info: 5.0;2195;"));
  EXPECT_EQ(escapes[3].input, Z("Application Context not Available"));
  EXPECT_EQ(escapes[4].input, Z("SPOOLSV.EXE"));
}

TEST_F(DocumentEventsTest, UserNameAsciiForm) {
  struct Case {
    const char16_t* name;
    const char* sent;
  } cases[] = {
      {u"ab\"cdef", "AB"},
      {u"", "UNTITLED"},
      {u"\u00e9lise", "UNTITLED"},
      {u"averyveryverylongusername", "AVERYVERYVERYLON"},
      {u"Mr. Smith", "MR. SMITH"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(events.PrepareUserName(RWWString(c.name), nullptr, 0, false)), c.sent);
  }
}

// A format-4 map from its language field on: one segment 'A'-'Z' and the
// closing segment 0xFFFF.
std::vector<BYTE> UpperCaseMap() {
  std::vector<uint16_t> words = {0, 4, 4, 1, 0, u'Z', 0xFFFF, 0, u'A', 0xFFFF};
  std::vector<BYTE> bytes;
  for (uint16_t w : words) {
    bytes.push_back(static_cast<BYTE>(w & 0xFF));
    bytes.push_back(static_cast<BYTE>(w >> 8));
  }
  return bytes;
}

TEST_F(DocumentEventsTest, CharacterCoverageFollowsTheSegments) {
  std::vector<BYTE> map = UpperCaseMap();
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'A', map.data(), map.size()), 1);
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'Z', map.data(), map.size()), 1);
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'a', map.data(), map.size()), 0);
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'@', map.data(), map.size()), 0);
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'A', nullptr, 0), 0);
  // A segment count beyond the map's length covers nothing and reads nothing
  // past the end.
  map[2] = 0xFE;
  map[3] = 0x7F;
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'A', map.data(), map.size()), 0);
  std::vector<BYTE> cut = UpperCaseMap();
  cut.resize(cut.size() - 2);
  EXPECT_EQ(GDocumentEvents::IsCharCovered(u'A', cut.data(), cut.size()), 0);
}

TEST_F(DocumentEventsTest, UserNameCharacterMapForm) {
  std::vector<BYTE> map = UpperCaseMap();
  EXPECT_EQ(Narrow(events.PrepareUserName(RWWString(u"ABcD"), map.data(), map.size(), true)), "AB~D");
  EXPECT_EQ(Narrow(events.PrepareUserName(RWWString(u"abc"), map.data(), map.size(), true)), "UNTITLED");
  EXPECT_EQ(Narrow(events.PrepareUserName(RWWString(u""), map.data(), map.size(), true)), "Untitled");
  EXPECT_EQ(Narrow(events.PrepareUserName(RWWString(u"ABCDEFGHIJKLMNOPQRS"), map.data(), map.size(), true)),
            "ABCDEFGHIJKLMNOP");
}

TEST_F(DocumentEventsTest, NextJobStorageIdWrapsAfter999) {
  struct Case {
    const char16_t* stored;
    const char* next;
  } cases[] = {{u"999", "1"}, {u"1", "2"}, {u"998", "999"}, {u"", "1"},
               {u"32768", "801"},  // read in full, not as a negative 16-bit number
               {u"65535", "601"}, {u"junk", "1"}};
  for (const Case& c : cases) EXPECT_EQ(Narrow(GDocumentEvents::NextJobStorageId(RWWString(c.stored))), c.next);
}

TEST_F(DocumentEventsTest, StartDocPostNumbersStoredJobs) {
  w32test::PrinterSetup printer;
  printer.name = u"Test Printer";
  w32test::AddPrinter(printer);
  const std::u16string uuid = u"ab-12";
  std::vector<BYTE> bytes;
  for (char16_t c : uuid) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  w32test::WritePrinterData(u"Test Printer", u"PrinterUUID", REG_SZ, bytes);  // no terminator
  ASSERT_TRUE(OpenPrinterW(u"Test Printer", &host.printer, nullptr));
  const std::u16string key = u"Software\\Quorvale\\ab-12\\LocalJobStorageData";

  struct Case {
    const char16_t* stored;  // null: no value yet
    const char* next;
  } cases[] = {{nullptr, "2"}, {u"40000", "41"}, {u"999", "1"}};
  for (const Case& c : cases) {
    GAttributeComposite* group = Install({{&kJobStorageOn, 1}});
    auto* id = new GStringAttribute("", &kJobStorageId);
    group->AddChild(id);
    if (c.stored != nullptr) w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"JobStorageUniqueID", c.stored);
    Event(DOCUMENTEVENT_STARTDOCPOST);
    EXPECT_EQ(std::string(id->GetString().Data()), c.next);
    auto stored = w32test::ReadRegistryValue(HKEY_CURRENT_USER, key, u"JobStorageUniqueID");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->data.size(), (std::strlen(c.next) + 1) * 2);
  }
  // A job whose id is already set keeps it.
  GAttributeComposite* group = Install({{&kJobStorageOn, 1}});
  auto* id = new GStringAttribute("7", &kJobStorageId);
  group->AddChild(id);
  Event(DOCUMENTEVENT_STARTDOCPOST);
  EXPECT_EQ(std::string(id->GetString().Data()), "7");
  ClosePrinter(host.printer);
}

TEST_F(DocumentEventsTest, CreateDcPreStampsA264ByteCopy) {
  std::vector<BYTE> devMode(220, 0xAB);
  devMode[68] = 220;
  devMode[69] = 0;
  devMode[70] = 0;
  devMode[71] = 0;
  SYSTEMTIME now{2026, 12, 4, 10, 12, 0, 0, 0};
  w32test::SetClock(now, -60);
  void* in[4] = {nullptr, nullptr, devMode.data(), nullptr};
  void* out = nullptr;
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, in, sizeof in, &out), DOCUMENTEVENT_SUCCESS);
  ASSERT_NE(out, nullptr);
  const BYTE* copy = static_cast<const BYTE*>(out);
  EXPECT_EQ(std::memcmp(copy, devMode.data(), 220), 0);
  EXPECT_EQ(copy[256] | copy[257] << 8 | copy[258] << 16 | copy[259] << 24, 0);
  EXPECT_EQ(static_cast<int16_t>(copy[260] | copy[261] << 8), -60);
  // An information context gets no stamp; without a DEVMODE the answer is null.
  in[3] = reinterpret_cast<void*>(1);
  Event(DOCUMENTEVENT_CREATEDCPRE, in, sizeof in, &out);
  EXPECT_EQ(static_cast<const BYTE*>(out)[260], 0);
  in[2] = nullptr;
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, in, sizeof in, &out), DOCUMENTEVENT_SUCCESS);
  EXPECT_EQ(out, nullptr);
  // The POST event loads the application's DEVMODE; a failed load fails.
  void* post[1] = {devMode.data()};
  Install({});
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, post, sizeof post), DOCUMENTEVENT_SUCCESS);
  EXPECT_EQ(host.loaded, devMode.data());
  host.loadResult = 0;
  EXPECT_EQ(Event(DOCUMENTEVENT_RESETDCPOST, post, sizeof post), DOCUMENTEVENT_FAILURE);
}

// A whole job through the events; the accounting library sees its calls and
// manual two-sided printing sends its escape at the end.
TEST_F(DocumentEventsTest, AJobFromCreateToEndWithAccounting) {
  qvtest::InstallAccountingLibrary();
  Install({{&kDuplex, 1}, {&kManualDuplex, 1}});
  w32test::ScriptEscape(dc, GDocumentEvents::kEscPrompt, 1);
  DOCINFOW doc{sizeof(DOCINFOW), u"Report", nullptr, nullptr, 0};
  void* in[1] = {&doc};
  Event(DOCUMENTEVENT_STARTDOC, in, sizeof in);
  Event(DOCUMENTEVENT_STARTDOCPOST);
  for (int page = 0; page < 3; ++page) {
    EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE), DOCUMENTEVENT_SUCCESS);
    EXPECT_EQ(Event(DOCUMENTEVENT_ENDPAGE), DOCUMENTEVENT_SUCCESS);
  }
  EXPECT_EQ(GDocumentEvents::GetJobPageCount(), 3);
  EXPECT_EQ(Event(DOCUMENTEVENT_ENDDOC), DOCUMENTEVENT_UNSUPPORTED);
  auto escapes = w32test::DcEscapes(dc);
  ASSERT_FALSE(escapes.empty());
  EXPECT_EQ(escapes.back().code, GDocumentEvents::kEscPrompt);
  EXPECT_EQ(escapes.back().input, Words({0xCFC14711, 1, 0}));
  EXPECT_EQ(host.sheets, 1);  // the printer side asked for the sheet
  Event(DOCUMENTEVENT_ENDDOCPOST);
  std::vector<std::string> entries;
  for (auto& c : qvtest::Accounting().calls) entries.push_back(c.entry);
  EXPECT_EQ(entries, (std::vector<std::string>{"ksBeginJobEx", "ksEndPage", "ksEndPage", "ksEndPage", "ksEndJob"}));
  EXPECT_EQ(qvtest::Accounting().calls[0].texts[1], u"Report");
  EXPECT_EQ(qvtest::Accounting().calls.back().aborted, 0);
  EXPECT_EQ(GDocumentEvents::GetJobPageCount(), 0);
}

TEST_F(DocumentEventsTest, AJobWithoutTheAccountingLibraryAndAnAbortBreaksNothing) {
  Install({});
  Event(DOCUMENTEVENT_STARTDOC);
  Event(DOCUMENTEVENT_STARTPAGE);
  Event(DOCUMENTEVENT_ENDPAGE);
  EXPECT_EQ(Event(DOCUMENTEVENT_ABORTDOC), DOCUMENTEVENT_UNSUPPORTED);
  EXPECT_EQ(Event(DOCUMENTEVENT_ENDDOCPOST), DOCUMENTEVENT_UNSUPPORTED);
  EXPECT_EQ(Event(DOCUMENTEVENT_DELETEDC), DOCUMENTEVENT_UNSUPPORTED);
  EXPECT_EQ(Event(99), DOCUMENTEVENT_UNSUPPORTED);
  EXPECT_TRUE(qvtest::Accounting().calls.empty());
}

TEST_F(DocumentEventsTest, EndOfJobSheetWithoutPagesPerSheetDoesNotDivideByZero) {
  Install({{&kDriverDecidesSheet, 1}, {&kDuplex, 1}, {&kManualDuplex, 1}});
  Event(DOCUMENTEVENT_STARTDOC);
  Event(DOCUMENTEVENT_STARTDOCPOST);  // no n-up value: pages per sheet stays 0
  EXPECT_EQ(GDocumentEvents::GetPagesPerSheet(), 0);
  for (int page = 0; page < 3; ++page) Event(DOCUMENTEVENT_ENDPAGE);
  Event(DOCUMENTEVENT_ENDDOCPOST);
  EXPECT_EQ(host.sheets, 1);  // three sheets: the sheet is shown
}

TEST_F(DocumentEventsTest, NUpDecidesWhetherTheJobFillsMoreThanOneSheet) {
  struct Case {
    int16_t nup;
    int pages;
    int sheets;
  } cases[] = {{4, 4, 0}, {4, 5, 1}, {2, 1, 0}, {1, 2, 1}};
  for (const Case& c : cases) {
    host.sheets = 0;
    auto* settings = new GAttributeComposite();
    auto* group = new GAttributeComposite(&kDocumentSettings);
    for (const int32_t* id : {&kDriverDecidesSheet, &kDuplex, &kManualDuplex}) group->AddChild(new GValueAttribute(1, id));
    settings->AddChild(group);
    auto* nupGroup = new GAttributeComposite(&kNUpLayout);
    nupGroup->AddChild(new GValueAttribute(c.nup, &kNUpChoice));
    settings->AddChild(nupGroup);
    host.instance.InstallSettings(settings);
    Event(DOCUMENTEVENT_STARTDOC);
    Event(DOCUMENTEVENT_STARTDOCPOST);
    EXPECT_EQ(GDocumentEvents::GetPagesPerSheet(), c.nup);
    for (int p = 0; p < c.pages; ++p) Event(DOCUMENTEVENT_ENDPAGE);
    Event(DOCUMENTEVENT_ENDDOCPOST);
    EXPECT_EQ(host.sheets, c.sheets) << c.nup << " " << c.pages;
  }
}

TEST_F(DocumentEventsTest, TheJobNameAnswerIsBoundedWithoutATerminator) {
  Install({{&kJobRetentionModeChoice, 1}, {&kJobNameSource, 0}, {&kUserNameSource, 0}});
  w32test::ScriptEscape(dc, GDocumentEvents::kEscDescription, 1, std::string(600, 'J'));
  host.showAgain = 0;
  Event(DOCUMENTEVENT_STARTDOCPOST);
  Event(DOCUMENTEVENT_ENDDOCPOST);  // joins the notice thread
  EXPECT_EQ(host.jobName.Length(), 512u);
  ASSERT_EQ(host.noticeTexts.size(), 5u);
  EXPECT_EQ(Narrow(host.noticeTexts[0]), "Test Printer");
  EXPECT_EQ(Narrow(host.noticeTexts[2]), "jsmith");
  EXPECT_EQ(host.noticeTexts[3].Length(), 512u);
  EXPECT_EQ(Narrow(host.noticeTexts[4]), "Room 4");
  // The notice was turned off: the event value is set and job storage told.
  EXPECT_EQ(host.instance.GetEventValue(), 1);
  EXPECT_EQ(host.localJobStorage, 1);
}

TEST_F(DocumentEventsTest, TheJobNameComesFromTheSettingsWhenAsked) {
  GAttributeComposite* group = Install({{&kJobRetentionModeChoice, 1}, {&kJobNameSource, 1}});
  group->AddChild(new GStringAttribute("Payroll", &kJobName));
  Event(DOCUMENTEVENT_STARTDOCPOST);
  Event(DOCUMENTEVENT_ENDDOCPOST);
  EXPECT_EQ(Narrow(host.jobName), "Payroll");
  EXPECT_EQ(host.instance.GetEventValue(), 0);
  EXPECT_EQ(host.localJobStorage, -1);
}

}  // namespace
