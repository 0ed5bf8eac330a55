// qvhost run as a user runs it: a subprocess with arguments, its exit
// status, its output and its error text. The printer is installed once for
// the whole program (the printer set-up pauses as it does on a machine);
// cases that change or damage the state work on copies of it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/PclInterpreter.h"
#include "support/PostScriptInterpreter.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

fs::path g_root;   // this program's scratch directory
fs::path g_state;  // the state with the installed printer
Result g_install;

// Runs qvhost in the scratch directory; `env` is put before the command.
Result RunHost(const std::vector<std::string>& args, const std::string& env = std::string()) {
  static int serial = 0;
  const fs::path out = g_root / ("out" + std::to_string(++serial));
  const fs::path err = g_root / ("err" + std::to_string(serial));
  std::string command = "cd " + Quote(g_root.string()) + " && env -u QVHOST_STATE " + env + " " + QVHOST_FILE;
  for (const std::string& a : args) command += " " + Quote(a);
  command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
  const int raw = std::system(command.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadText(out);
  r.err = ReadText(err);
  return r;
}

// Runs a command on the installed printer's state.
Result OnPrinter(std::vector<std::string> args) {
  args.insert(args.begin(), {"--state", g_state.string()});
  return RunHost(args);
}

// A copy of the installed state, for a case that changes it.
fs::path CopyOfState(const std::string& name) {
  const fs::path copy = g_root / name;
  fs::remove_all(copy);
  fs::copy(g_state, copy, fs::copy_options::recursive);
  return copy;
}

// Whether a line of the text matches the pattern whole (blanks collapsed,
// so that the pattern need not count the columns).
bool HasLine(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::string squeezed;
    for (char c : line)
      if (!(c == ' ' && !squeezed.empty() && squeezed.back() == ' ')) squeezed += c;
    while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
    if (std::regex_match(squeezed, re)) return true;
  }
  return false;
}

int CountLines(const std::string& text, const std::string& pattern) {
  int n = 0;
  std::istringstream lines(text);
  const std::regex re(pattern);
  for (std::string line; std::getline(lines, line);) n += std::regex_search(line, re) ? 1 : 0;
  return n;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  const std::string s = ReadText(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

int Short(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(b[at] | (b[at + 1] << 8)); }

class HostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/qvhost-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    g_root = pattern;
    g_state = g_root / "state";
    g_install = RunHost({"--state", g_state.string(), "install"});
  }
  void TearDown() override {
    std::error_code ec;
    if (std::getenv("QV_KEEP") == nullptr) fs::remove_all(g_root, ec);
  }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

// ---- Installation and the state between runs ----

TEST(HostInstall, InstallsThePrinterAndRunsTheSpoolersEvents) {
  ASSERT_EQ(g_install.status, 0) << g_install.out << g_install.err;
  EXPECT_TRUE(HasLine(g_install.out, "Installed printer \"Quarrin 4700\"")) << g_install.out;
  EXPECT_TRUE(HasLine(g_install.out, " port LPT1:"));
  EXPECT_TRUE(HasLine(g_install.out, R"( data file C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT \(\d+ bytes\))"));
  EXPECT_TRUE(HasLine(g_install.out, R"(DrvConvertDevMode\(CDM_DRIVER_DEFAULT\): TRUE)"));
  EXPECT_TRUE(HasLine(g_install.out, R"(DrvPrinterEvent\(PRINTER_EVENT_INITIALIZE\): TRUE)"));
  EXPECT_TRUE(HasLine(g_install.out, R"(DrvUpgradePrinter\(1\): (TRUE|FALSE))"));
  // What the set-up stored in printer data.
  EXPECT_TRUE(HasLine(g_install.out, " PrinterUUID type 1, \\d+ bytes"));
  EXPECT_TRUE(HasLine(g_install.out, " LastUpdated type 1, \\d+ bytes"));
  EXPECT_EQ(g_install.err, "");
  // The state directory holds the platform's state and its files.
  EXPECT_TRUE(fs::is_regular_file(g_state / "platform.state"));
  EXPECT_GT(fs::file_size(g_state / "files/c/winnt/system32/spool/drivers/w32x86/2/quarrin.dat"), 1000u);
}

TEST(HostInstall, TheStateDirectoryComesFromTheEnvironmentToo) {
  const Result r = RunHost({"caps"}, "QVHOST_STATE=" + Quote(g_state.string()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, " 8 DC_SIZE 220"));
  // Without either, the state is ./.qvhost, which is fresh: no printer.
  const Result fresh = RunHost({"caps"});
  EXPECT_EQ(fresh.status, 3);
  EXPECT_NE(fresh.err.find("no printer named \"Quarrin 4700\" is installed"), std::string::npos) << fresh.err;
  EXPECT_TRUE(fs::is_regular_file(g_root / ".qvhost/platform.state"));
}

// ---- DEVMODEs ----

TEST(HostDevMode, ShowsTheDefaultDevModeByName) {
  const Result r = OnPrinter({"devmode"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {R"(DrvDocumentProperties\(DM_COPY\): 1)", "Public part \\(220 bytes\\)",
                           " dmDeviceName Quarrin 4700", " dmSpecVersion 0x0401", " dmSize 220", " dmDriverExtra 952",
                           " dmOrientation 1 \\(portrait\\)", " dmPaperSize 1 \\(Letter\\)", " dmCopies 1",
                           "Private part \\(952 bytes\\)", " private size 1172", " header size 46",
                           " driver \"Quarrin 4700\"", " format 4", " version 50", " settings \\d+ of 902 bytes",
                           "Document settings", " 360 \\(document settings\\)", " 291 \\(copies\\) = 1"})
    EXPECT_TRUE(HasLine(r.out, line)) << line << "\n" << r.out;
}

TEST(HostDevMode, ChangedFieldsGoThroughTheModuleAndIntoTheFile) {
  const fs::path file = g_root / "a4.dm";
  const Result r = OnPrinter({"devmode", "--set", "dmCopies=3", "--set", "orientation=landscape", "--set",
                              "dmPaperSize=9", "--out", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, R"(DrvDocumentProperties\(DM_COPY \| DM_IN_BUFFER\): 1)")) << r.out;
  EXPECT_TRUE(HasLine(r.out, " dmOrientation 2 \\(landscape\\)"));
  EXPECT_TRUE(HasLine(r.out, " dmPaperSize 9 \\(A4\\)"));
  EXPECT_TRUE(HasLine(r.out, " dmCopies 3"));
  // The document settings follow the public fields.
  EXPECT_TRUE(HasLine(r.out, " 291 \\(copies\\) = 3"));
  EXPECT_TRUE(HasLine(r.out, " 265 \\(orientation\\) = 90"));
  EXPECT_TRUE(HasLine(r.out, "Wrote 1172 bytes to .*a4.dm"));
  const std::vector<uint8_t> dm = ReadBytes(file);
  ASSERT_EQ(dm.size(), 1172u);
  EXPECT_EQ(Short(dm, 76), 2);
  EXPECT_EQ(Short(dm, 78), 9);
  EXPECT_EQ(Short(dm, 86), 3);

  // The file read back, with DM_UPDATE, and converted by DrvConvertDevMode.
  const Result back = OnPrinter({"devmode", "--in", file.string(), "--mode", "update"});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_TRUE(HasLine(back.out, R"(DrvDocumentProperties\(DM_UPDATE \| DM_IN_BUFFER\): 1)")) << back.out;
  EXPECT_TRUE(HasLine(back.out, " dmCopies 3"));
  const Result converted = OnPrinter({"convert", "--in", file.string()});
  ASSERT_EQ(converted.status, 0) << converted.err;
  EXPECT_TRUE(HasLine(converted.out, R"(DrvConvertDevMode\(CDM_DRIVER_DEFAULT\): TRUE, 1172 bytes)"));
  EXPECT_TRUE(HasLine(converted.out, R"(DrvConvertDevMode\(CDM_CONVERT\): TRUE)"));
  EXPECT_TRUE(HasLine(converted.out, " dmPaperSize 9 \\(A4\\)"));
  EXPECT_TRUE(HasLine(converted.out, " dmCopies 3"));
}

TEST(HostDevMode, DriverDefaultsAloneAndAForeignDevMode) {
  const Result defaults = OnPrinter({"convert"});
  ASSERT_EQ(defaults.status, 0) << defaults.err;
  EXPECT_TRUE(HasLine(defaults.out, " dmPaperSize 1 \\(Letter\\)"));
  EXPECT_EQ(CountLines(defaults.out, "CDM_CONVERT"), 0);
  // A public-only DEVMODE (no private part) is not this driver's: the
  // conversion refuses it with the platform's error.
  std::vector<uint8_t> foreign(220, 0);
  foreign[68] = 220;
  const fs::path file = g_root / "foreign.dm";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(foreign.data()), 220);
  const Result refused = OnPrinter({"convert", "--in", file.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(HasLine(refused.out, R"(DrvConvertDevMode\(CDM_CONVERT\): FALSE \(error ERROR_INVALID_PARAMETER\))"))
      << refused.out;
  // DrvDocumentProperties merges it over the defaults instead.
  const Result merged = OnPrinter({"devmode", "--in", file.string()});
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_TRUE(HasLine(merged.out, " dmDriverExtra 952"));
}

// ---- Commands on one state directory at once ----

// Commands that share a state directory run one after the other: twelve
// started together all succeed, and the printers the installs among them
// add are all there afterwards (none overwrote another's state).
TEST(HostState, CommandsRunningTogetherLoseNothing) {
  const fs::path state = CopyOfState("together");
  std::string script = "cd " + Quote(g_root.string()) + " && env -u QVHOST_STATE sh -c '";
  std::string commands;
  for (int i = 0; i < 12; ++i) {
    const std::string status = (g_root / ("together-status" + std::to_string(i))).string();
    std::string args = i % 2 == 0 ? "convert" : "install --printer Shared" + std::to_string(i);
    commands += "(" + std::string(QVHOST_FILE) + " --state " + state.string() + " " + args + " >/dev/null 2>" + status +
                ".err; echo $? >" + status + ") & ";
  }
  commands += "wait";
  script += commands + "'";
  ASSERT_EQ(std::system(script.c_str()), 0);
  for (int i = 0; i < 12; ++i) {
    const fs::path status = g_root / ("together-status" + std::to_string(i));
    EXPECT_EQ(ReadText(status), "0\n") << "command " << i << ": " << ReadText(status.string() + ".err");
  }
  for (int i = 1; i < 12; i += 2) {
    const Result r = RunHost({"--state", state.string(), "caps", "--printer", "Shared" + std::to_string(i)});
    EXPECT_EQ(r.status, 0) << "Shared" << i << ": " << r.err;
  }
  // No temporary state file is left behind.
  for (const auto& entry : fs::directory_iterator(state))
    EXPECT_EQ(entry.path().filename().string().find("platform.state.new"), std::string::npos) << entry.path();
}

// A command that cannot have the state directory within the time-out gives
// up with a clear message and exit status 5, and changes nothing.
TEST(HostState, AHeldStateDirectoryTimesOutWithAMessage) {
  const fs::path state = CopyOfState("held");
  const fs::path lock = state / "qvhost.lock";
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const std::string before = ReadText(state / "platform.state");
  const Result r = RunHost({"--state", state.string(), "install", "--printer", "Late"}, "QVHOST_LOCK_TIMEOUT=0.3");
  ::close(fd);
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("is in use by another qvhost command"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(state / "platform.state"), before);
  // Once it is free, the command runs.
  EXPECT_EQ(RunHost({"--state", state.string(), "caps"}).status, 0);
  const Result bad = RunHost({"--state", state.string(), "caps"}, "QVHOST_LOCK_TIMEOUT=soon");
  EXPECT_EQ(bad.status, 2) << bad.err;
}

// ---- Capabilities ----

TEST(HostCaps, ListsEveryIndexTheModuleAnswers) {
  const Result r = OnPrinter({"caps"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line :
       {"Index Capability Answer Values", " 1 DC_FIELDS 0x[0-9A-F]{8}", " 2 DC_PAPERS 4 \\(see Papers\\)",
        " 4 DC_MINEXTENT \\d+ 762 x 1270 \\(0.1 mm\\)",
        " 5 DC_MAXEXTENT \\d+ 2159 x 3556 \\(0.1 mm\\)", " 6 DC_BINS 4 1, 2, 16680, 16681",
        " 7 DC_DUPLEX 1", " 12 DC_BINNAMES 4 \" Tray 1\", \" Tray 2\", \"Top Bin\", \"Rear Bin\"",
        " 22 DC_COLLATE 1", " 30 DC_STAPLE 1", " 8 DC_SIZE 220", " 9 DC_EXTRA 952", " 10 DC_VERSION 0x00000401",
        " 11 DC_DRIVER 24", " 13 DC_ENUMRESOLUTIONS \\d+ 600x600.*", " 17 DC_ORIENTATION 90", " 18 DC_COPIES 999",
        " 25 DC_PERSONALITY 1 PCL 5e", " 28 DC_PRINTERMEM 64", " 33 DC_NUP 5 2, 4, 6, 9, 16",
        "22097 DC_PRIVATE 1538 a record of 1538 bytes", "Papers", " 1 Letter 2159x2794 \\(0.1 mm\\)",
        " 9 A4 2100x2970 \\(0.1 mm\\)", " 256 Custom Size .*"})
    EXPECT_TRUE(HasLine(r.out, line)) << line << "\n" << r.out;
  EXPECT_EQ(CountLines(r.out, "^ *[0-9]+  DC_"), 29);
}

// ---- A print job ----

TEST(HostJob, RunsTheDocumentEventsAndShowsTheJobInformation) {
  const Result r = OnPrinter({"job", "--pages", "3", "--document", "Minutes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, " CREATEDCPRE 1")) << r.out;
  EXPECT_TRUE(HasLine(r.out, " CREATEDCPOST 1"));
  EXPECT_TRUE(HasLine(r.out, " STARTDOC 1"));
  EXPECT_EQ(CountLines(r.out, "^  STARTPAGE +1$"), 3);
  EXPECT_EQ(CountLines(r.out, "^  ENDPAGE +1$"), 3);
  EXPECT_TRUE(HasLine(r.out, " DELETEDC 0"));
  EXPECT_TRUE(HasLine(r.out, "Escapes received by the device context"));
  EXPECT_TRUE(HasLine(r.out, " 0x303EB8EF user .+"));
  EXPECT_TRUE(HasLine(r.out, " 0x303EB8F1 uuid [0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"));
  EXPECT_TRUE(HasLine(r.out, " 0x303EB8F0 os OS Info: .*"));
  EXPECT_TRUE(HasLine(r.out, " 0x303EB8E9 application Application Context not Available"));
  EXPECT_TRUE(HasLine(r.out, " 0x303EB8E8 port LPT1:"));
}

TEST(HostSheets, RunsBothSheetsAndReportsWhatTheyAdded) {
  const Result r = OnPrinter({"sheets"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, "Document property sheet: (closed with OK|did not open \\(answered -?\\d+\\))")) << r.out;
  EXPECT_TRUE(HasLine(r.out, "Device property sheet: (closed with OK|not available \\(answered -?\\d+\\))"))
      << r.out;
  const Result device = OnPrinter({"sheets", "--device"});
  EXPECT_EQ(device.status, 0);
  EXPECT_EQ(CountLines(device.out, "Document property sheet"), 0);
}

TEST(HostSheets, PngShowsThePrinterPictureWithTheSourceHighlightedOnlyOnThePaperPage) {
  const fs::path pictures = g_root / "printer-pictures";
  fs::remove_all(pictures);
  fs::create_directories(pictures);
  const Result r = OnPrinter({"sheets", "--png", pictures.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  // The highlight is pure green; the Paper page (document 3) shows the
  // selected source, the Configure page (device 2) a picture without one.
  const fs::path report = g_root / "printer-pictures.txt";
  const std::string script =
      "import sys\nfrom PIL import Image\n"
      "for name in ('document-3', 'device-2'):\n"
      "    im = Image.open(sys.argv[1] + '/' + name + '.png').convert('RGB')\n"
      "    print(name, sum(1 for p in im.getdata() if p == (0, 255, 0)))\n";
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string command =
      python + " -c " + Quote(script) + " " + Quote(pictures.string()) + " >" + Quote(report.string()) + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(report);
  std::istringstream lines(ReadText(report));
  std::string name;
  int paperGreen = -1, configureGreen = -1;
  lines >> name >> paperGreen >> name >> configureGreen;
  EXPECT_GT(paperGreen, 50) << ReadText(report);
  EXPECT_EQ(configureGreen, 0) << ReadText(report);
}

TEST(HostSheets, PngWritesEveryPageOfBothSheetsAsAPictureAPngReaderTakes) {
  const fs::path pictures = g_root / "pictures";
  fs::remove_all(pictures);
  fs::create_directories(pictures);
  const Result r = OnPrinter({"sheets", "--png", pictures.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  // The module's own pages, in the order the sheets show them.
  for (const char* page : {"Finishing", "Effects", "Paper", "Destination", "Basics"})
    EXPECT_TRUE(HasLine(r.out, " page \\d: \"" + std::string(page) + "\"")) << page << "\n" << r.out;
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(pictures)) files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"device-1.png", "device-2.png", "document-1.png", "document-2.png",
                                             "document-3.png", "document-4.png", "document-5.png"}));
  // Python's imaging library reads each whole, at the page's size.
  const fs::path report = g_root / "pictures.txt";
  const std::string script =
      "import sys, glob\nfrom PIL import Image\n"
      "for f in sorted(glob.glob(sys.argv[1] + '/*.png')):\n"
      "    im = Image.open(f); im.load(); print(im.size[0], im.size[1], im.mode, len(im.getcolors(100000)))\n";
  // Debian's python3-pil belongs to the system's interpreter.
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string command =
      python + " -c " + Quote(script) + " " + Quote(pictures.string()) + " >" + Quote(report.string()) + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(report);
  std::istringstream lines(ReadText(report));
  int read = 0;
  for (std::string line; std::getline(lines, line); ++read) {
    std::istringstream fields(line);
    int width = 0, height = 0, colours = 0;
    std::string mode;
    fields >> width >> height >> mode >> colours;
    EXPECT_EQ(width, 360) << line;
    EXPECT_EQ(height, 400) << line;
    EXPECT_EQ(mode, "RGB") << line;
    // More than a blank page: frames and anti-aliased texts.
    EXPECT_GT(colours, 10) << line;
  }
  EXPECT_EQ(read, 7);
  // A directory that is not there is a failure, not a success.
  const Result missing = OnPrinter({"sheets", "--document", "--png", (g_root / "nowhere").string()});
  EXPECT_NE(missing.status, 0);
}

// ---- Help and errors ----

TEST(HostHelp, EveryCommandDescribesItselfWithoutTouchingTheState) {
  const fs::path untouched = g_root / "never";
  const Result top = RunHost({"--state", untouched.string(), "--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_TRUE(HasLine(top.out, "Usage: qvhost \\[--state DIR\\].*"));
  for (const char* command : {"install", "devmode", "convert", "caps", "job", "sheets", "print"}) {
    EXPECT_TRUE(HasLine(top.out, std::string(" ") + command + " .+")) << command;
    const Result r = RunHost({"--state", untouched.string(), command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("Usage: qvhost ") + command, 0), 0u) << r.out;
  }
  EXPECT_FALSE(fs::exists(untouched));
}

TEST(HostErrors, BadArgumentsMissingPrintersAndUnreadableFiles) {
  const fs::path shortFile = g_root / "short.dm";
  std::ofstream(shortFile, std::ios::binary) << std::string(100, 'x');
  const fs::path liar = g_root / "liar.dm";
  {
    std::vector<char> dm(220, 0);
    dm[68] = static_cast<char>(220);
    dm[70] = static_cast<char>(0xB8);  // says 952 more bytes follow
    dm[71] = 3;
    std::ofstream(liar, std::ios::binary).write(dm.data(), static_cast<std::streamsize>(dm.size()));
  }
  const std::string state = g_state.string();
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, 2, "Usage: qvhost"},
      {{"bogus"}, 2, "unknown command \"bogus\""},
      {{"--color", "caps"}, 2, "unknown option --color"},
      {{"--state"}, 2, "--state needs a value"},
      {{"--state", state, "caps", "--zzz"}, 2, "unknown option --zzz (see qvhost caps --help)"},
      {{"--state", state, "caps", "extra"}, 2, "unexpected argument extra"},
      {{"--state", state, "job", "--pages"}, 2, "--pages needs a value"},
      {{"--state", state, "job", "--pages", "1000"}, 2, "--pages is a number from 0 to 100"},
      {{"--state", state, "sheets", "--device=yes"}, 2, "--device takes no value"},
      {{"--state", state, "devmode", "--set", "foo=1"}, 2, "unknown DEVMODE field \"foo\""},
      {{"--state", state, "devmode", "--set", "dmCopies"}, 2, "is not FIELD=VALUE"},
      {{"--state", state, "devmode", "--set", "dmCopies=99999"}, 2, "out of range for dmCopies"},
      {{"--state", state, "devmode", "--set", "dmCollate=maybe"}, 2, "no value for dmCollate"},
      {{"--state", state, "devmode", "--mode", "sideways"}, 2, "--mode is copy or update"},
      {{"--state", state, "convert", "--mode", "convert"}, 2, "--mode convert needs --in FILE"},
      {{"--state", state, "caps", "--printer", "Nowhere"}, 3, "no printer named \"Nowhere\" is installed"},
      {{"--state", state, "job", "--printer", "Nowhere"}, 3, "no printer named \"Nowhere\""},
      {{"--state", state, "devmode", "--in", "/nonexistent/dm"}, 4, "cannot read the DEVMODE file /nonexistent/dm"},
      {{"--state", state, "devmode", "--in", shortFile.string()}, 4, "announces"},
      {{"--state", state, "caps", "--in", liar.string()}, 4, "announces 1172 bytes (dmSize + dmDriverExtra) but holds 220"},
      {{"--state", state, "devmode", "--out", "/nonexistent/dir/dm"}, 4, "cannot write /nonexistent/dir/dm"},
      {{"--state", state, "--module", "/nonexistent/libqvui.so", "caps"}, 5, "cannot load the module"},
      {{"--state", (g_root / "other").string(), "--model", "/nonexistent/model.dat", "install"}, 4,
       "cannot read the device model /nonexistent/model.dat"},
  };
  for (const Case& c : cases) {
    const Result r = RunHost(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.status, c.status) << shown << "\n" << r.out << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << "\n" << r.err;
  }
}

TEST(HostErrors, ADamagedStateIsReportedAndLeftAlone) {
  const fs::path copy = CopyOfState("damaged");
  std::vector<uint8_t> bytes = ReadBytes(copy / "platform.state");
  ASSERT_GT(bytes.size(), 40u);
  bytes[bytes.size() / 2] ^= 0x5A;
  std::ofstream(copy / "platform.state", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const Result r = RunHost({"--state", copy.string(), "caps"});
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("platform.state is damaged: its checksum does not match its contents"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(copy / "platform.state"), bytes) << "a damaged state is not overwritten";
}

// ---- Printing pages into a file ----

const std::string kPjlUel = "\x1b%-12345X";

// The job file with the time the job attribute carries masked: the clock
// is not what these cases check.
std::string MaskedJob(const fs::path& path) {
  return std::regex_replace(ReadText(path), std::regex("JobAcct4=[0-9]{14}"), "JobAcct4=<time>");
}

// The settings lines of a job's PJL header: after the job's attributes,
// up to the language switch.
std::string SettingLines(const std::string& job) {
  const std::string from = "JobAcct4=<time>\"\r\n";
  const size_t start = job.find(from);
  const size_t end = job.find("@PJL ENTER LANGUAGE=");
  if (start == std::string::npos || end == std::string::npos || end < start) return "<" + job + ">";
  return job.substr(start + from.size(), end - start - from.size());
}

// Runs print on a state of its own (a job may store the printer's data).
Result Print(std::vector<std::string> args) {
  static const fs::path state = CopyOfState("print-state");
  args.insert(args.begin(), {"--state", state.string(), "print"});
  return RunHost(args);
}

TEST(HostPrint, TheSampleJobIsItsPageBetweenThePjlHeaderAndFooter) {
  const fs::path out = g_root / "sample.prn";
  const Result r = Print({"--sample", "--document", "Quarterly report", "--out", out.string()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(HasLine(r.out, "Printed 1 page to .*sample.prn")) << r.out;
  const std::string header = kPjlUel + "@PJL JOB NAME=\"Quarterly report\"\r\n" +
                             "@PJL COMMENT \"OS Info: (n/a);0.0;0.0;\"\r\n" +
                             "@PJL SET JOBATTR=\"JobAcct4=<time>\"\r\n" + "@PJL SET DUPLEX=OFF\r\n" +
                             "@PJL SET PAPER=LETTER\r\n" + "@PJL SET RESOLUTION=600\r\n" +
                             "@PJL ENTER LANGUAGE=PCL\r\n";
  const std::string footer = kPjlUel + "@PJL EOJ NAME=\"Quarterly report\"\r\n" + kPjlUel;
  const std::string job = MaskedJob(out);
  ASSERT_GT(job.size(), header.size() + footer.size());
  EXPECT_EQ(job.substr(0, header.size()), header);
  EXPECT_EQ(job.substr(job.size() - footer.size()), footer);
  // The page between them is the generator's: it starts with the printer
  // reset and holds the drawing of the reference page.
  const std::string page = job.substr(header.size(), job.size() - header.size() - footer.size());
  EXPECT_EQ(page.substr(0, 2), "\x1b" "E");
  EXPECT_GT(page.size(), 500u);
  EXPECT_NE(page.find("\x1b%"), std::string::npos) << "the vectors are drawn in GL/2";
  EXPECT_FALSE(fs::exists(out.string() + ".part")) << "the temporary file is renamed";
}

// The PostScript job of the sample page, asked for by its short name, is
// one Letter page to Ghostscript.
TEST(HostPrint, ThePostScriptJobRendersInGhostscript) {
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  const fs::path out = g_root / "sample-ps.prn";
  const Result r = Print({"--sample", "--language", "ps", "--out", out.string()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string job = qvtest::UnwrapPostScriptJob(ReadText(out));
  ASSERT_EQ(job.compare(0, 4, "%!PS"), 0) << job.substr(0, 80);
  const qvtest::RenderedJob rendered = qvtest::RenderPostScript(gs, job, "host_sample", 72);
  EXPECT_EQ(rendered.status, 0) << rendered.errors;
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  EXPECT_EQ(rendered.pages[0].width, 612);
  EXPECT_EQ(rendered.pages[0].height, 792);
}

TEST(HostPrint, TheHeaderCarriesTheJobsSettings) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string lines;
    std::string language;
  };
  const std::string paper = "@PJL SET PAPER=LETTER\r\n";
  const std::vector<Case> cases = {
      {"PrinterCopies", {"--set", "dmCopies=3", "--set", "dmCollate=1"},
       "@PJL SET QTY=3\r\n@PJL SET DUPLEX=OFF\r\n" + paper, "PCL"},
      {"DriverCopies", {"--set", "dmCopies=3"}, "@PJL SET DUPLEX=OFF\r\n" + paper, "PCL"},
      {"DuplexWithTheDuplexUnit", {"--set", "dmDuplex=2"},
       "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n" + paper, "PCL"},
      {"ShortEdgeDuplex", {"--set", "dmDuplex=3"},
       "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n" + paper, "PCL"},
      {"ManualDuplex", {"--set", "dmDuplex=2", "--set", "245=1"},
       "@PJL SET MANUALDUPLEX=ON\r\n@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n" + paper, "PCL"},
      {"Resolution", {"--set", "323=300"}, "@PJL SET DUPLEX=OFF\r\n", "PCL"},
      {"ExtensionBin", {"--set", "248=33"}, "@PJL SET DUPLEX=OFF\r\n@PJL SET OUTBIN=OPTIONALOUTBIN2\r\n" + paper, "PCL"},
      {"JobNameFromTheJobText", {"--set", "287=1", "--set", "1035=0", "--set", "282=held"},
       "@PJL SET DUPLEX=OFF\r\n" + paper +
           "@PJL SET HOLD=ON\r\n@PJL SET HOLDTYPE=PUBLIC\r\n@PJL SET USERNAME=\"\"\r\n"
           "@PJL SET JOBNAME=\"Q1 REPORT.TXT\"\r\n",
       "PCL"},
      {"Temperature", {"--set", "907=0"}, "@PJL SET DUPLEX=OFF\r\n" + paper + "@PJL SET TRAY1TEMP=HIGH\r\n", "PCL"},
      {"TemperatureOfBothTrays", {"--set", "907=1", "--set", "931=1"},
       "@PJL SET DUPLEX=OFF\r\n" + paper + "@PJL SET TRAY2TEMP=LOW\r\n@PJL SET TRAY1TEMP=LOW\r\n", "PCL"},
      {"PclXl", {"--language", "pclxl"}, "@PJL SET DUPLEX=OFF\r\n" + paper, "PCLXL"},
      {"PostScript", {"--language", "postscript"}, "@PJL SET DUPLEX=OFF\r\n" + paper, "POSTSCRIPT"},
  };
  for (const Case& c : cases) {
    const fs::path out = g_root / (std::string(c.name) + ".prn");
    std::vector<std::string> args = {"--sample", "--document", "C:\\Docs\\q1 report.txt", "--out", out.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = Print(args);
    ASSERT_EQ(r.status, 0) << c.name << "\n" << r.out << r.err;
    const std::string job = MaskedJob(out);
    EXPECT_EQ(SettingLines(job), c.lines + "@PJL SET RESOLUTION=" + (std::string(c.name) == "Resolution" ? "300" : "600") +
                                     "\r\n")
        << c.name;
    EXPECT_NE(job.find("@PJL ENTER LANGUAGE=" + c.language + "\r\n"), std::string::npos) << c.name;
  }
}

TEST(HostPrint, AFailedJobLeavesNothingAtTheOutput) {
  const fs::path pageFile = g_root / "page.txt";
  std::ofstream(pageFile) << "page Letter\n";
  const fs::path kept = g_root / "kept.prn";
  std::ofstream(kept) << "an earlier job";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"--sample"}, 2, "print needs --out FILE"},
      {{"--out", kept.string()}, 2, "print needs --page FILE or --sample"},
      {{"--sample", "--page", pageFile.string(), "--out", kept.string()}, 2, "--page and --sample exclude each other"},
      {{"--sample", "--language", "klingon", "--out", kept.string()}, 2, "--language is pcl5e, pclxl or postscript"},
      {{"--sample", "--set", "265=sideways", "--out", kept.string()}, 2, "the setting 265 is of another kind"},
      {{"--sample", "--set", "dmCopies=99999", "--out", kept.string()}, 2, "out of range for dmCopies"},
      {{"--page", "/nonexistent/page.txt", "--out", kept.string()}, 4, "cannot read /nonexistent/page.txt"},
      {{"--sample", "--out", "/nonexistent/dir/job.prn"}, 1,
       "the print path failed the job with status 2: /nonexistent/dir/job.prn.part cannot be written"},
  };
  for (const Case& c : cases) {
    const Result r = Print(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.status, c.status) << shown << "\n" << r.out << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << "\n" << r.err;
    EXPECT_EQ(ReadText(kept), "an earlier job") << shown;
    EXPECT_FALSE(fs::exists(kept.string() + ".part")) << shown;
  }
  // A page file is read as the job's pages.
  const Result r = Print({"--page", pageFile.string(), "--out", kept.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(kept).rfind(kPjlUel + "@PJL JOB NAME=\"qvhost print\"", 0), 0u);
}

}  // namespace

// ---- Page filters, judged by rendering ----

// Five Letter pages, each with one filled square at a page-number-dependent
// place along the top edge: page n at x = 36 + 100 (n - 1) points.
fs::path FivePageFile() {
  const fs::path file = g_root / "five-pages.txt";
  std::ofstream out(file);
  for (int n = 1; n <= 5; ++n) out << "page Letter\nbrush solid\nrectangle " << 36 + 100 * (n - 1) << " 36 60 60\n";
  return file;
}

// Which page each rendered sheet shows: its number, negative when the page
// was turned by 180 degrees (the square then sits at the bottom, mirrored),
// 0 for a blank page.
std::vector<int> PagesShown(const qvtest::RenderedJob& rendered) {
  constexpr int kDpi = 20;
  std::vector<int> shown;
  for (const qvtest::GrayPage& page : rendered.pages) {
    int left = page.width, right = -1, top = page.height;
    for (int y = 0; y < page.height; ++y)
      for (int x = 0; x < page.width; ++x)
        if (page.Dark(x, y)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
        }
    if (right < 0) {
      shown.push_back(0);
      continue;
    }
    const bool turned = top > page.height / 2;
    const int x = turned ? page.width - 1 - right : left;  // the square's left edge on the page as drawn
    const int n = (x * 72 / kDpi - 36 + 50) / 100 + 1;
    shown.push_back(turned ? -n : n);
  }
  return shown;
}

TEST(HostPrint, PageFiltersSendTheFivePagesInTheirOrderAndNumber) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  const fs::path pages = FivePageFile();
  const std::vector<std::string> uncollated = {"--driver-copies", "--set", "copies=2", "--set", "collate=0"};
  const std::vector<std::string> manualDuplex = {"--manual-duplex", "--set", "duplex=2", "--set", "905=1"};
  auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::vector<int> shown;
  } cases[] = {
      {"none", {}, {1, 2, 3, 4, 5}},
      {"reverse", {"--reverse"}, {5, 4, 3, 2, 1}},
      {"copies", uncollated, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}},
      // Collated copies are the printer's: the job holds each page once.
      {"collated", {"--driver-copies", "--set", "copies=2", "--set", "collate=1"}, {1, 2, 3, 4, 5}},
      {"copies-reverse", join(uncollated, {"--reverse"}), {5, 5, 4, 4, 3, 3, 2, 2, 1, 1}},
      // The first pass: the even pages turned, and a blank back for the
      // odd count, ended by the break; then the odd pages.
      {"manual-duplex", manualDuplex, {-2, -4, 0, 1, 3, 5}},
      // Each uncollated copy is a side of its own: the second copy of
      // every page is the back of the first.
      {"copies-manual-duplex", join(uncollated, manualDuplex), {-1, -2, -3, -4, -5, 1, 2, 3, 4, 5}},
      // Letterhead through the duplex unit: back to front with every page
      // turned, and a blank that keeps the sheet count even.
      {"letterhead", {"--media-type", "Letterhead", "--set", "duplex=2"}, {0, -5, -4, -3, -2, -1}},
      // Letterhead printed one-sided needs neither.
      {"letterhead-simplex", {"--media-type", "Letterhead", "--set", "duplex=1"}, {1, 2, 3, 4, 5}},
      // The back cover comes last, on a sheet of its own in duplex.
      {"back-cover", {"--set", "920=1"}, {1, 2, 3, 4, 5, 0}},
      {"back-cover-duplex", {"--set", "920=1", "--set", "duplex=2"}, {1, 2, 3, 4, 5, 0, 0}},
      {"back-cover-reverse", {"--set", "920=1", "--reverse"}, {0, 5, 4, 3, 2, 1}},
      // Duplex off: the filter lets the job through.
      {"manual-duplex-simplex", {"--manual-duplex", "--set", "duplex=1", "--set", "905=1"}, {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path out = g_root / (std::string("filters-") + c.name + ".prn");
    std::vector<std::string> args = {"--page", pages.string(), "--out", out.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const Result r = Print(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::ifstream in(out, std::ios::binary);
    const std::string job((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const qvtest::RenderedJob rendered = qvtest::RenderPcl(gpcl6, job, std::string("filters-") + c.name, 20);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    EXPECT_EQ(PagesShown(rendered), c.shown);
  }
}

// ---- Several pages a sheet, judged by rendering ----

// Pages that say their number: page n draws n small squares in a row near
// its top left corner.
fs::path CountedPagesFile(int pages) {
  const fs::path file = g_root / ("counted-" + std::to_string(pages) + ".txt");
  std::ofstream out(file);
  for (int n = 1; n <= pages; ++n) {
    out << "page Letter\nbrush solid\n";
    for (int i = 0; i < n; ++i) out << "rectangle " << 40 + 50 * i << " 40 30 30\n";
  }
  return file;
}

// The dark blobs (8-connected) of the area of a rendered sheet.
int BlobsIn(const qvtest::GrayPage& page, int left, int top, int right, int bottom) {
  std::vector<char> seen(static_cast<size_t>(page.width) * page.height, 0);
  int blobs = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      if (!page.Dark(x, y) || seen[static_cast<size_t>(y) * page.width + x]) continue;
      ++blobs;
      std::vector<std::pair<int, int>> stack = {{x, y}};
      seen[static_cast<size_t>(y) * page.width + x] = 1;
      while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        const int next[8][2] = {{px + 1, py},     {px - 1, py},     {px, py + 1},     {px, py - 1},
                                {px + 1, py + 1}, {px - 1, py - 1}, {px - 1, py + 1}, {px + 1, py - 1}};
        for (const auto& n : next) {
          if (n[0] < left || n[0] >= right || n[1] < top || n[1] >= bottom || !page.Dark(n[0], n[1])) continue;
          char& mark = seen[static_cast<size_t>(n[1]) * page.width + n[0]];
          if (mark == 0) {
            mark = 1;
            stack.emplace_back(n[0], n[1]);
          }
        }
      }
    }
  return blobs;
}

// Which page each cell of each sheet shows (its number of squares), cells
// read as the sheet is held to be read: for two a sheet the Letter sheet
// is turned, and its left half is the raster's lower half; for four, the
// quadrants left to right, top to bottom.
std::vector<std::vector<int>> CellsShown(const qvtest::RenderedJob& rendered, int perSheet) {
  std::vector<std::vector<int>> sheets;
  for (const qvtest::GrayPage& page : rendered.pages) {
    const int w = page.width, h = page.height;
    if (perSheet == 2)
      sheets.push_back({BlobsIn(page, 0, h / 2, w, h), BlobsIn(page, 0, 0, w, h / 2)});
    else
      sheets.push_back({BlobsIn(page, 0, 0, w / 2, h / 2), BlobsIn(page, w / 2, 0, w, h / 2),
                        BlobsIn(page, 0, h / 2, w / 2, h), BlobsIn(page, w / 2, h / 2, w, h)});
  }
  return sheets;
}

// Where a person can look at a printed sheet: PNGs in a folder beside the
// test program.
fs::path PictureDirectory() {
  const fs::path dir = fs::read_symlink("/proc/self/exe").parent_path() / "host-print-pictures";
  fs::create_directories(dir);
  return dir;
}

void WriteSheetPictures(const std::string& gpcl6, const fs::path& job, const std::string& name) {
  const std::string command = Quote(gpcl6) + " -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r50 -o " +
                              Quote((PictureDirectory() / (name + "-%d.png")).string()) + " " + Quote(job.string()) +
                              " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(HostPrint, NupPutsThePagesOnTheSheetInTheirOrder) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  struct Case {
    const char* layout;
    int pages;
    std::vector<std::vector<int>> shown;  // each sheet's cells: the page each shows, 0 none
  } cases[] = {
      {"2", 5, {{1, 2}, {3, 4}, {5, 0}}},
      {"4,0", 6, {{1, 2, 3, 4}, {5, 6, 0, 0}}},
      {"4,1", 4, {{1, 3, 2, 4}}},
      {"4,2", 4, {{2, 1, 4, 3}}},
      {"4,3", 4, {{3, 1, 4, 2}}},
      // An order the layout does not know is right then down.
      {"4,9", 4, {{1, 2, 3, 4}}},
      // None a sheet is one a sheet.
      {"0", 2, {{1, 0, 0, 0}, {2, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    const fs::path out = g_root / (std::string("nup-") + c.layout + ".prn");
    const Result r = Print({"--page", CountedPagesFile(c.pages).string(), "--nup", c.layout, "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const qvtest::RenderedJob rendered =
        qvtest::RenderPcl(gpcl6, ReadText(out), std::string("nup-") + c.layout, 30);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    const int perSheet = c.shown.front().size();
    EXPECT_EQ(CellsShown(rendered, perSheet), c.shown);
  }
  // The other languages place the pages alike.
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  for (const char* language : {"pclxl", "postscript"}) {
    SCOPED_TRACE(language);
    const fs::path out = g_root / (std::string("nup-4-") + language + ".prn");
    const Result r =
        Print({"--page", CountedPagesFile(4).string(), "--nup", "4", "--language", language, "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const bool postScript = std::string(language) == "postscript";
    const std::string name = std::string("nup-4-") + language;
    const qvtest::RenderedJob rendered =
        postScript ? qvtest::RenderPostScript(gs, qvtest::UnwrapPostScriptJob(ReadText(out)), name, 30)
                   : qvtest::RenderPcl(gpcl6, ReadText(out), name, 30);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    EXPECT_EQ(CellsShown(rendered, 4), (std::vector<std::vector<int>>{{1, 2, 3, 4}}));
  }
  // Framed cells of a 4-up sheet, to look at.
  const fs::path framed = g_root / "nup-framed.prn";
  ASSERT_EQ(Print({"--page", CountedPagesFile(4).string(), "--nup", "4,0,1", "--out", framed.string()}).status, 0);
  WriteSheetPictures(gpcl6, framed, "nup-4-framed");
  EXPECT_TRUE(fs::exists(PictureDirectory() / "nup-4-framed-1.png"));
  EXPECT_EQ(Print({"--page", CountedPagesFile(1).string(), "--nup", "4,x", "--out", framed.string()}).status, 2);
}

// The marked area of each page as the interpreter's bbox device measures
// it: left, bottom, right, top in points.
std::vector<std::array<double, 4>> MarkedAreas(const std::string& gpcl6, const fs::path& job) {
  const fs::path report = job.string() + ".bbox";
  const std::string command = Quote(gpcl6) + " -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=bbox -o /dev/null " +
                              Quote(job.string()) + " >" + Quote(report.string()) + " 2>&1";
  std::vector<std::array<double, 4>> areas;
  if (std::system(command.c_str()) != 0) return areas;
  std::istringstream lines(ReadText(report));
  for (std::string line; std::getline(lines, line);) {
    std::array<double, 4> a{};
    if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &a[0], &a[1], &a[2], &a[3]) == 4)
      areas.push_back(a);
  }
  return areas;
}

TEST(HostPrint, ScaleChangesTheMarkedAreaByTheFactorAsked) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  const fs::path pages = g_root / "scaled.txt";
  std::ofstream(pages) << "page Letter\nbrush solid\nrectangle 72 72 288 144\npage Letter\nbrush solid\nrectangle 72 72 288 144\n";
  struct Case {
    const char* language;
    int percent;
  } cases[] = {{"pcl5e", 100}, {"pcl5e", 75}, {"pcl5e", 50}, {"pclxl", 50}, {"postscript", 50}};
  for (const Case& c : cases) {
    const std::string name = std::string(c.language) + "-" + std::to_string(c.percent);
    SCOPED_TRACE(name);
    fs::path out = g_root / ("scale-" + name + ".prn");
    const Result r = Print({"--page", pages.string(), "--language", c.language, "--set",
                            "269=" + std::to_string(c.percent), "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const bool postScript = std::string(c.language) == "postscript";
    if (postScript) {
      const fs::path plain = out.string() + ".ps";
      std::ofstream(plain, std::ios::binary) << qvtest::UnwrapPostScriptJob(ReadText(out));
      out = plain;
    }
    const auto areas = MarkedAreas(postScript ? gs : gpcl6, out);
    ASSERT_EQ(areas.size(), 2u);
    for (const auto& a : areas) {
      // A device pixel or two of slack at the edges of the fill.
      EXPECT_NEAR(a[2] - a[0], 288.0 * c.percent / 100, 2.0);
      EXPECT_NEAR(a[3] - a[1], 144.0 * c.percent / 100, 2.0);
    }
  }
}

TEST(HostPrint, BookletFoldsASevenPageDocumentOntoTwoSheets) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  // The booklet's paper is Letter (paper id 1); each side holds two pages
  // on the turned sheet; the eighth page is a blank one.
  const std::vector<std::string> booklet = {"--set", "280=1"};
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::vector<std::vector<int>> sides;
  } cases[] = {
      {"left-outermost", {"--set", "279=1"}, {{0, 1}, {2, 7}, {6, 3}, {4, 5}}},
      {"left-innermost", {"--set", "279=1", "--set", "288=1"}, {{6, 3}, {4, 5}, {0, 1}, {2, 7}}},
      {"right-outermost", {"--set", "279=2"}, {{1, 0}, {7, 2}, {3, 6}, {5, 4}}},
      // Booklet pages that each hold two pages: four booklet pages, one
      // sheet; the front holds pages 7 and 1-2, the back 3-4 and 5-6 (the
      // squares of each side counted together).
      {"with-2-up", {"--set", "279=1", "--nup", "2"}, {{10}, {18}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path out = g_root / (std::string("booklet-") + c.name + ".prn");
    std::vector<std::string> args = {"--page", CountedPagesFile(7).string(), "--out", out.string()};
    args.insert(args.end(), booklet.begin(), booklet.end());
    args.insert(args.end(), c.options.begin(), c.options.end());
    const Result r = Print(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const qvtest::RenderedJob rendered = qvtest::RenderPcl(gpcl6, ReadText(out), std::string("booklet-") + c.name, 30);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    if (c.sides.front().size() == 2) {
      EXPECT_EQ(CellsShown(rendered, 2), c.sides);
    } else {
      std::vector<std::vector<int>> totals;
      for (const qvtest::GrayPage& page : rendered.pages) totals.push_back({BlobsIn(page, 0, 0, page.width, page.height)});
      EXPECT_EQ(totals, c.sides);
    }
    if (std::string(c.name) == "left-outermost") WriteSheetPictures(gpcl6, out, "booklet-7-pages");
  }
  EXPECT_TRUE(fs::exists(PictureDirectory() / "booklet-7-pages-1.png"));
}

TEST(HostPrint, FitToSizePrintsALegalPageOnLetter) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  const fs::path pages = g_root / "legal.txt";
  std::ofstream(pages) << "page Legal\nbrush solid\nrectangle 36 36 540 936\n";
  // Legal paper (dmPaperSize 5) printed on Letter (paper id 1).
  const std::vector<std::string> legal = {"--page", pages.string(), "--set", "dmPaperSize=5"};
  const std::vector<std::string> onLetter = {"--set", "270=1", "--set", "272=1"};
  auto run = [&](const std::string& name, std::vector<std::string> options) {
    const fs::path out = g_root / ("fit-" + name + ".prn");
    std::vector<std::string> args = legal;
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--out", out.string()});
    const Result r = Print(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return out;
  };
  const fs::path own = run("own", {});
  EXPECT_NE(ReadText(own).find("@PJL SET PAPER=LEGAL"), std::string::npos);
  auto centred = onLetter;
  centred.insert(centred.end(), {"--set", "271=0"});
  const fs::path centredJob = run("centred", centred);
  auto fitted = onLetter;
  fitted.insert(fitted.end(), {"--set", "271=1"});
  const fs::path fittedJob = run("fitted", fitted);
  for (const fs::path& job : {centredJob, fittedJob}) EXPECT_NE(ReadText(job).find("@PJL SET PAPER=LETTER"), std::string::npos);

  const auto ownArea = MarkedAreas(gpcl6, own);
  const auto centredArea = MarkedAreas(gpcl6, centredJob);
  const auto fittedArea = MarkedAreas(gpcl6, fittedJob);
  ASSERT_EQ(ownArea.size(), 1u);
  ASSERT_EQ(centredArea.size(), 1u);
  ASSERT_EQ(fittedArea.size(), 1u);
  const double width = ownArea[0][2] - ownArea[0][0], height = ownArea[0][3] - ownArea[0][1];
  EXPECT_NEAR(width, 540, 2);
  EXPECT_NEAR(height, 936, 2);
  // Centred: as wide as it was; cut at the top and the bottom alike.
  EXPECT_NEAR(centredArea[0][2] - centredArea[0][0], width, 2);
  EXPECT_NEAR(centredArea[0][1], 792 - centredArea[0][3], 2);
  // Scaled to fit: the whole page, both sides by the printable heights'
  // ratio (Letter's 6360 pixels to Legal's 8160).
  const double s = 6360.0 / 8160.0;
  EXPECT_NEAR(fittedArea[0][2] - fittedArea[0][0], width * s, 3);
  EXPECT_NEAR(fittedArea[0][3] - fittedArea[0][1], height * s, 3);
}

TEST(HostPrint, NupCombinesWithScaleAndCopies) {
  const std::string gpcl6 = qvtest::PclInterpreter();
  ASSERT_FALSE(gpcl6.empty()) << qvtest::kNoInterpreter;
  auto render = [&](const std::string& name, std::vector<std::string> options) {
    const fs::path out = g_root / ("nup-with-" + name + ".prn");
    std::vector<std::string> args = {"--page", CountedPagesFile(4).string(), "--out", out.string()};
    args.insert(args.end(), options.begin(), options.end());
    const Result r = Print(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return qvtest::RenderPcl(gpcl6, ReadText(out), "nup-with-" + name, 30);
  };
  // Each page scaled to half before it is laid in its cell: the same
  // cells, a quarter of the ink.
  const qvtest::RenderedJob plain = render("plain", {"--nup", "4"});
  const qvtest::RenderedJob scaled = render("scale", {"--nup", "4", "--set", "269=50"});
  ASSERT_EQ(plain.pages.size(), 1u);
  ASSERT_EQ(scaled.pages.size(), 1u);
  EXPECT_EQ(CellsShown(scaled, 4), (std::vector<std::vector<int>>{{1, 2, 3, 4}}));
  const double ratio = static_cast<double>(scaled.pages[0].DarkPixels()) / plain.pages[0].DarkPixels();
  EXPECT_NEAR(ratio, 0.25, 0.1);
  // Uncollated copies are copies of the sheets.
  const qvtest::RenderedJob copies =
      render("copies", {"--nup", "2", "--driver-copies", "--set", "copies=2", "--set", "collate=0"});
  EXPECT_EQ(CellsShown(copies, 2), (std::vector<std::vector<int>>{{1, 2}, {1, 2}, {3, 4}, {3, 4}}));
}
