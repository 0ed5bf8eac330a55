#include "host/PrintCommand.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "driver/DriverClasses.h"
#include "driver/GUpwardServices.h"
#include "driver/osfactry.h"
#include "graphics/GraphicsClasses.h"
#include "host/PageDescription.h"
#include "host/PrintFonts.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GOutputChannel.h"
#include "model/GPersistInStream.h"
#include "model/GResourceMappingList.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPrinter.h"
#include "printpath/GRenderInstance.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "win32/File.h"
#include "winnt40/GNT40DriverSettings.h"
#include "winnt40/GNT40OSFactory.h"

namespace qvhost {

const char* const kPrintSummary = "print pages through the print path into a file";

const char* const kPrintHelp =
    "Usage: qvhost print [--printer NAME] [--in FILE] [--set FIELD=VALUE]...\n"
    "                    (--page FILE | --sample) [--language pcl5e|pclxl|postscript]\n"
    "                    [--document NAME] [--reverse] [--manual-duplex]\n"
    "                    [--driver-copies] [--nup N[,ORDER[,BORDERS]]]\n"
    "                    [--media-type NAME] --out FILE\n"
    "\n"
    "Plays the spooler's render side: a print-side driver instance of the host\n"
    "takes the printer's DEVMODE and the sample device model, and sends the\n"
    "document start, each page's graphics and the document end through the\n"
    "printer peripheral (its PJL wrapper and printer-language generator) into\n"
    "FILE. The job is written to a temporary file and renamed to FILE once it\n"
    "is complete; a job that fails leaves nothing at FILE.\n"
    "\n"
    "  --printer NAME     the printer (default \"Quarrin 4700\")\n"
    "  --in FILE          the job's DEVMODE, as written by qvhost devmode --out\n"
    "                     (default: the printer's)\n"
    "  --set FIELD=VALUE  changes a public field of the DEVMODE as devmode --set\n"
    "                     does; a number for FIELD sets the document setting of\n"
    "                     that feature id instead, to a number or a text, e.g.\n"
    "                     248=30 (repeatable)\n"
    "  --page FILE        the pages, one drawing call a line (see below)\n"
    "  --sample           the built-in reference page: text, vectors and a\n"
    "                     600-dpi photo-like image\n"
    "  --language NAME    the printer language: pcl5e, pclxl or postscript (ps)\n"
    "                     (default: the printer's own)\n"
    "  --document NAME    the document's name, which names the job\n"
    "                     (default \"qvhost print\")\n"
    "  --out FILE         where the job goes\n"
    "  --reverse          prints the pages last page first\n"
    "  --manual-duplex    turns the printer's manual duplex on: a duplex job\n"
    "                     (--set duplex=...) prints one side of every sheet,\n"
    "                     then the other side for the sheets fed again\n"
    "  --driver-copies    the driver makes uncollated copies (--set copies=N\n"
    "                     --set collate=0) page by page itself\n"
    "  --nup N[,ORDER[,BORDERS]]\n"
    "                     N pages a sheet; ORDER 0 right then down, 1 down\n"
    "                     then right, 2 left then down, 3 down then left;\n"
    "                     BORDERS 1 draws a frame around each page\n"
    "  --media-type NAME  the paper's media type for every page, e.g.\n"
    "                     Letterhead (a duplex letterhead job is printed\n"
    "                     back to front with the pages turned)\n"
    "\n"
    "Page files: one call a line; '#' starts a comment. Units are points\n"
    "(1/72 inch) from the page's top left corner:\n"
    "  page Letter|A4|Legal [portrait|landscape]   starts a page\n"
    "  pen WIDTH | nopen        brush | nobrush        color R G B\n"
    "  rect X Y W H             ellipse X Y W H\n"
    "  polyline X Y X Y ...     polygon X Y X Y ...    bezier X Y X Y X Y X Y ...\n"
    "  clip X Y W H | clip page\n"
    "  text X Y FONT SIZE TEXT...\n"
    "  image X Y W H FILE.png\n"
    "A malformed line stops the command with exit status 2 and names the line.\n";

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kFileError = 4;
constexpr size_t kMaxModelFile = 64u << 20;

std::u16string Wide(const std::string& text) {
  std::u16string out;
  for (unsigned char c : text) out.push_back(c);  // paths and names are ASCII here
  return out;
}

std::string Narrow(const RWWString& text) {
  std::string out;
  for (size_t i = 0; i < text.Length(); ++i) out.push_back(static_cast<char>(text.Data()[i] & 0x7F));
  return out;
}

// ---- The file the job is written to ----

// A channel writing into a file of the host's file system (the platform
// stand-in keeps its files in memory; the job is for the user).
class HostFileChannel : public GOutputChannel {
 public:
  explicit HostFileChannel(const RWWString& path) : GOutputChannel(path), path_(Narrow(path)) {}
  ~HostFileChannel() override {
    if (GetState() == kInDocument) GOutputChannel::EndDocument();
    if (GetState() == kOpen) GOutputChannel::Close();
    CloseFile();
  }

  int16_t Open(const RWWString& documentName) override {
    if (GetState() != kClosed) return kNotAllowed;
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return kFileFailed;
    return GOutputChannel::Open(documentName);
  }
  int16_t Write(const uint8_t* bytes, uint32_t count, uint32_t* written) override {
    if (written != nullptr) *written = 0;
    if (GetState() != kInDocument || file_ == nullptr) return kNotAllowed;
    const size_t taken = count == 0 ? 0 : std::fwrite(bytes, 1, count, file_);
    AddBytesWritten(static_cast<uint32_t>(taken));
    if (written != nullptr) *written = static_cast<uint32_t>(taken);
    return taken == count ? kDone : kFileFailed;
  }
  int16_t Close() override {
    const int16_t status = GOutputChannel::Close();
    if (GetState() != kClosed) return status;
    return CloseFile() ? status : kFileFailed;
  }
  int16_t Abort() override {
    const int16_t status = GOutputChannel::Abort();
    CloseFile();
    return status;
  }
  int IsReady() override { return path_.empty() ? 0 : 1; }

  static constexpr int16_t kFileFailed = 2;

 private:
  bool CloseFile() {
    if (file_ == nullptr) return true;
    const bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    std::fclose(file_);
    file_ = nullptr;
    return ok;
  }

  std::string path_;
  std::FILE* file_ = nullptr;
};

// The channel source the host installs: the job's destination is a file.
GOutputChannel* OpenHostFileChannel(GDriverInstance*, const RWWString& portName, int) {
  return new HostFileChannel(portName);
}

// ---- The front end ----

// The host's print-side instance: the job's settings come from the DEVMODE
// and the printer's data as the driver object makes them; a pending
// document starts before the first command.
class HostRenderInstance : public GRenderInstance, public GNT40DriverSettings {
 public:
  HostRenderInstance(const std::u16string& printer, const std::u16string& driver, HANDLE handle) : handle_(handle) {
    SetNames(RWWString(printer.c_str()), RWWString(driver.c_str()), RWWString(u"FILE:"));
    RefreshAppFlags();
  }
  int16_t EnsureDocumentStarted() override { return IsDocumentStarted() != 0 ? 0 : StartDocument(); }
  // The job's settings, joined once from the DEVMODE and the printer's data
  // and kept for the job (the driver object's join makes a new set each
  // time it is asked).
  GAttributeComposite* GetDocumentSettings() override {
    if (StoredDocumentSettings() == nullptr) SetStoredDocumentSettings(GNT40DriverSettings::GetDocumentSettings());
    return StoredDocumentSettings();
  }
  // A new DEVMODE: the settings are joined again.
  int LoadJobDevMode(const DEVMODEW* devMode) {
    SetStoredDocumentSettings(nullptr);
    return LoadDevMode(devMode);
  }
  // The job's producer cuts a manual-duplex document in two: a duplex job
  // on a printer whose manual duplex is on gets a document break between
  // its last page and its end, where the spooled first pass goes out.
  bool NeedsDocumentBreak() {
    MPersistentObject* job = GSettingQuery::Find(GetDocumentSettings(), GFeatureIds::kDocumentSettings);
    return GSettingQuery::NumberOr(job, GFeatureIds::kDuplex, 0) != 0 &&
           GSettingQuery::NumberOr(GetPrinterConfiguration(), GFeatureIds::kManualDuplex, 0) != 0;
  }
  HANDLE GetPrinterHandle() override { return handle_; }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  void Rebind(GPrinterKey* key) override { GRenderInstance::Rebind(key); }
  void Release() override { GRenderInstance::Release(); }
  void* GetRenderObject() override { return GRenderInstance::GetRenderObject(); }
  void* GetDriverObject() override { return GRenderInstance::GetDriverObject(); }

 protected:
  // The host sends its pages as whole graphics and builds no paths.
  void EndNestedPath(GCommand*, int) override {}
  void EndOutermostPath(GCommand*, int) override {}

 private:
  HANDLE handle_;
};

// The print path's classes and seams in the host for the length of a job:
// the host links its own copy of the print-path libraries, which are not
// the module's.
class PrintPathScope {
 public:
  PrintPathScope() {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    factory_ = std::make_unique<GNT40OSFactory>();
    GUpwardServices services;
    services.factory = factory_.get();
    services.outputChannel = &OpenHostFileChannel;
    AddPrintFontServices(&services);
    previous_ = InstallUpwardServices(services);
    StartPrintFontPool();
  }
  ~PrintPathScope() {
    StopPrintFontPool();
    InstallUpwardServices(previous_);
    factory_.reset();
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
  PrintPathScope(const PrintPathScope&) = delete;
  PrintPathScope& operator=(const PrintPathScope&) = delete;

 private:
  std::unique_ptr<GNT40OSFactory> factory_;
  GUpwardServices previous_;
};

// The device model and the mapping lists of the model file; false with a
// message.
bool LoadModel(const std::string& path, GDriverInstance& instance, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read the device model " + path;
    return false;
  }
  std::vector<char> bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > kMaxModelFile) {
      why = "the device model " + path + " is too large";
      return false;
    }
  }
  GPersistInStream stream(bytes.data(), bytes.size(), kBinaryStreamFormat);
  MPersistentObject* root = nullptr;
  if (RWVirtualInStream* virtualStream = stream.GetStream(); virtualStream != nullptr && virtualStream->Good())
    MPersistentObject::ReadPersistentObject(*virtualStream, root);
  if (root == nullptr) {
    why = "the device model " + path + " cannot be read";
    return false;
  }
  std::unique_ptr<MPersistentObject> owned(root);
  instance.SetDeviceModel(root->RemoveChildById(GFeatureIds::kDeviceModelRoot));
  instance.SetPaperMappings(root->RemoveChildById(GFeatureIds::kPaperMappingList));
  instance.SetSourceMappings(root->RemoveChildById(GFeatureIds::kSourceMappingList));
  MPersistentObject* capabilities = root->RemoveChildById(GFeatureIds::kDeviceCapabilityMappings);
  instance.SetCapabilityMappings(capabilities != nullptr ? capabilities
                                                         : new GResourceMappingList(GFeatureIds::kDeviceCapabilityMappings));
  if (instance.FindPrinter() == nullptr) {
    why = "the device model " + path + " has no printer";
    return false;
  }
  return true;
}

// The job's temporary directory, where the page filters spool pages, made
// in the platform's file tree when it is not there yet (a fresh state has
// no spool directory).
void MakeTempDirectory(GDriverInstance& instance) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  const RWWString directory = factory->GetTempDirectory(&instance);
  std::u16string path;
  for (size_t i = 0; i < directory.Length(); ++i) {
    const char16_t c = directory.Data()[i];
    if ((c == u'\\' || c == u'/') && !path.empty() && path.back() != u':') CreateDirectoryW(path.c_str(), nullptr);
    path.push_back(c);
  }
  if (!path.empty()) CreateDirectoryW(path.c_str(), nullptr);
}

// "ID=VALUE": a positive feature id, and a 16-bit number or else a text.
struct SettingAssignment {
  int32_t id = 0;
  bool isNumber = false;
  int16_t number = 0;
  std::string text;
};

bool ParseSettingAssignment(const std::string& assignment, SettingAssignment& out) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0 || eq > 9) return false;
  long id = 0;
  for (size_t i = 0; i < eq; ++i) {
    if (assignment[i] < '0' || assignment[i] > '9') return false;
    id = id * 10 + (assignment[i] - '0');
  }
  if (id <= 0 || id > 0x7FFFFFFF) return false;
  out.id = static_cast<int32_t>(id);
  out.text = assignment.substr(eq + 1);
  char* end = nullptr;
  const long number = std::strtol(out.text.c_str(), &end, 10);
  out.isNumber = !out.text.empty() && end != nullptr && *end == 0 && number >= -32768 && number <= 32767;
  out.number = static_cast<int16_t>(out.isNumber ? number : 0);
  return true;
}

// A setting of the document settings by id: one held anywhere in them is
// set in place (a number into a number, a text into a text); a missing one
// joins the job settings.
bool ApplySetting(GAttributeComposite* settings, const SettingAssignment& setting) {
  if (settings == nullptr) return false;
  MPersistentObject* held = GSettingQuery::Find(settings, setting.id);
  if (auto* number = dynamic_cast<GValueAttribute*>(held); number != nullptr && setting.isNumber) {
    number->SetValue(setting.number);
    return true;
  }
  if (auto* text = dynamic_cast<GStringAttribute*>(held)) {
    text->SetString(RWCString(setting.text.c_str()));
    return true;
  }
  if (held != nullptr) return false;  // of another kind
  MPersistentObject* job = GSettingQuery::Find(settings, GFeatureIds::kDocumentSettings);
  if (job == nullptr) return false;
  if (setting.isNumber) job->AddChild(new GValueAttribute(setting.number, &setting.id));
  else job->AddChild(new GStringAttribute(RWCString(setting.text.c_str()), &setting.id));
  return true;
}

// Switches the printer to the personality of the language.
bool UseLanguage(GDriverInstance& instance, const std::string& language, std::string& why) {
  RWClassID wanted = 0;
  if (language == "pcl5e") wanted = GRenderInstance::kPcl5eGenerator;
  else if (language == "pclxl") wanted = GRenderInstance::kPclXlGenerator;
  else if (language == "postscript" || language == "ps") wanted = GRenderInstance::kPostScriptGenerator;
  else {
    why = "--language is pcl5e, pclxl or postscript, not \"" + language + "\"";
    return false;
  }
  auto* printer = dynamic_cast<GPrinter*>(instance.FindPrinter());
  MPersistentObject* personalities = GSettingQuery::Find(instance.GetPrinterConfiguration(), GFeatureIds::kPdlPersonalities);
  GPeripheral* generator = nullptr;
  GSettingQuery::ForEachChild(personalities, [&](MPersistentObject* child) {
    if (child != nullptr && child->ClassId() == wanted) generator = dynamic_cast<GPeripheral*>(child);
    return generator == nullptr;
  });
  if (printer == nullptr || generator == nullptr) {
    why = "the printer does not speak " + language;
    return false;
  }
  // A copy goes in; the personality stays in the configuration.
  GCountedPtr held(generator);
  if (wanted == GRenderInstance::kPcl5eGenerator) printer->UsePcl5eGenerator(generator);
  else if (wanted == GRenderInstance::kPclXlGenerator) printer->UsePclXlGenerator(generator);
  else printer->UsePostScriptGenerator(generator);
  return true;
}

// The pages of the job at its resolution.
bool LoadPages(const PrintRequest& request, GDriverInstance& instance, std::vector<DescribedPage>& pages,
               std::string& why) {
  PageDescriptionOptions options;
  MPersistentObject* job = GSettingQuery::Find(instance.GetDocumentSettings(), GFeatureIds::kDocumentSettings);
  options.xResolution = GSettingQuery::NumberOr(job, GFeatureIds::kXResolution, 600);
  options.yResolution = GSettingQuery::NumberOr(job, GFeatureIds::kYResolution, options.xResolution);
  if (request.sample) {
    pages = SamplePages(options);
    return true;
  }
  return LoadPageDescriptionFile(request.pageFile, options, pages, why);
}

bool Readable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return static_cast<bool>(in);
}

// The job through the instance: document start on the first command, each
// page's graphics, the page end, the document end. The first failure.
int16_t RunJob(HostRenderInstance& instance, const std::vector<DescribedPage>& pages) {
  for (const DescribedPage& page : pages) {
    instance.SetPagePending(1);
    int16_t status = 0;
    for (const GCountedPtr& graphic : page.graphics) {
      auto* command = dynamic_cast<GCommand*>(graphic.Pointee());
      if (command == nullptr) continue;
      if ((status = instance.Send(command)) != 0) return status;
    }
    // A page that draws nothing still starts and ends.
    if (instance.IsInPage() == 0 && (status = instance.Send(new GNoCommand)) != 0) return status;
    if ((status = instance.SendToPrinter(instance.CreatePageEnd())) != 0) return status;
    instance.SetInPage(0);
    if ((status = instance.FinishLetterheadPage()) != 0) return status;
  }
  if (instance.IsDocumentStarted() == 0) {
    if (int16_t status = instance.EnsureDocumentStarted()) return status;
  }
  if (instance.NeedsDocumentBreak()) {
    if (int16_t status = instance.SendToPrinter(new GDocumentBreak)) return status;
  }
  return instance.SendToPrinter(instance.CreateDocumentEnd());
}


// The layout of several pages a sheet ("N[,ORDER[,BORDERS]]") as the
// document settings' NUpLayout; false when the text is not three numbers
// at most.
bool ApplyNupLayout(GAttributeComposite* settings, const std::string& text) {
  int values[3] = {1, 0, 0};
  std::istringstream in(text);
  std::string field;
  int count = 0;
  while (std::getline(in, field, ',')) {
    if (count == 3 || field.empty() || field.size() > 5 || field.find_first_not_of("0123456789") != std::string::npos)
      return false;
    values[count++] = std::stoi(field);
  }
  MPersistentObject* job = GSettingQuery::Find(settings, GFeatureIds::kDocumentSettings);
  if (count == 0 || job == nullptr) return false;
  const int32_t layoutId = GFeatureIds::kNUpLayout;
  auto* layout = new GAttributeComposite(&layoutId);
  const int32_t ids[3] = {GFeatureIds::kNUpChoice, GFeatureIds::kNUpPageOrderChoice, GFeatureIds::kNUpBordersChoice};
  for (int i = 0; i < 3; ++i) layout->AddChild(new GValueAttribute(static_cast<int16_t>(values[i]), &ids[i]));
  delete job->RemoveChildById(layoutId);
  job->AddChild(layout);
  return true;
}

// The media type name of every page: the job's options (where the pages'
// media take their type from), for the first page and the rest.
bool ApplyMediaType(GAttributeComposite* settings, const std::string& name) {
  MPersistentObject* options = GSettingQuery::Find(settings, GFeatureIds::kDocumentSettings2);
  if (options == nullptr || name.empty()) return false;
  for (int32_t id : {GFeatureIds::kMediaType, GFeatureIds::kMediaTypeRest}) {
    delete options->RemoveChildById(id);
    options->AddChild(new GStringAttribute(RWCString(name.c_str()), &id));
  }
  return true;
}

}  // namespace

bool IsSettingAssignment(const std::string& assignment) {
  SettingAssignment setting;
  return ParseSettingAssignment(assignment, setting);
}

PrintStatus Print(const PrintRequest& request) {
  PrintStatus result;
  auto fail = [&](int status, const std::string& message) {
    result.status = status;
    result.message = message;
    return result;
  };
  if (request.out.empty()) return fail(kUsage, "print needs --out FILE");
  if (request.sample && !request.pageFile.empty())
    return fail(kUsage, "--page and --sample exclude each other");
  if (!request.sample && request.pageFile.empty()) return fail(kUsage, "print needs --page FILE or --sample");
  for (const std::string& assignment : request.settings) {
    SettingAssignment setting;
    if (!ParseSettingAssignment(assignment, setting))
      return fail(kUsage, "--set " + assignment + ": a setting is FEATURE=VALUE with a feature id");
  }

  PrintPathScope scope;
  HostRenderInstance instance(request.printerName, request.driverName, request.printer);
  std::string why;
  if (!LoadModel(request.modelFile, instance, why)) return fail(kFileError, why);
  MakeTempDirectory(instance);
  if (instance.LoadJobDevMode(request.devMode.empty() ? nullptr
                                                   : reinterpret_cast<const DEVMODEW*>(request.devMode.data())) == 0)
    return fail(kFailed, "the printer's settings cannot be made from the DEVMODE");
  GAttributeComposite* settings = instance.GetDocumentSettings();
  for (const std::string& assignment : request.settings) {
    SettingAssignment setting;
    ParseSettingAssignment(assignment, setting);
    if (!ApplySetting(settings, setting))
      return fail(kUsage, "--set " + assignment + ": the setting " + std::to_string(setting.id) + " is of another kind");
  }
  // The page filters' settings.
  std::vector<SettingAssignment> filters;
  if (request.reverse) filters.push_back({GFeatureIds::kPageOrder, true, 1, "1"});
  if (request.driverCopies) filters.push_back({GFeatureIds::kCopyQualifierIndex, true, 1, "1"});
  // A paper's media type may ask for another page order (letterhead in
  // duplex is printed back to front): the job says its own, front to back.
  if (!request.mediaType.empty() && !request.reverse) filters.push_back({GFeatureIds::kPageOrder, true, 0, "0"});
  for (const SettingAssignment& setting : filters) ApplySetting(settings, setting);
  if (!request.nup.empty() && !ApplyNupLayout(settings, request.nup))
    return fail(kUsage, "--nup " + request.nup + ": the layout is N[,ORDER[,BORDERS]]");
  // The installed options of the settings are the device's.
  instance.ApplyDocumentSettings(nullptr);
  if (!request.mediaType.empty() && !ApplyMediaType(settings, request.mediaType))
    return fail(kUsage, "--media-type " + request.mediaType + ": the printer's settings take no media type");
  if (request.manualDuplex) {
    // Manual duplex decided by the output bin (mode 3), as the user sets it
    // among the installed options.
    auto* mode = dynamic_cast<GValueAttribute*>(GSettingQuery::Find(instance.GetPrinterConfiguration(), GFeatureIds::kManualDuplex));
    if (mode == nullptr) return fail(kUsage, "the printer has no manual duplex");
    mode->SetValue(3);
  }
  if (!request.language.empty() && !UseLanguage(instance, request.language, why)) return fail(kUsage, why);

  if (!request.sample && !Readable(request.pageFile)) return fail(kFileError, "cannot read " + request.pageFile);
  std::vector<DescribedPage> pages;
  // A page file that does not parse: the message names the line.
  if (!LoadPages(request, instance, pages, why)) return fail(kUsage, request.pageFile + ": " + why);

  // The job goes to a temporary file beside the output, renamed at the end.
  const std::string temporary = request.out + ".part";
  instance.BeginJob();
  instance.SetDocumentName(RWWString(Wide(request.document).c_str()));
  instance.BuildJobName();
  instance.StoreJobName();
  instance.SetDestinationName(RWWString(Wide(temporary).c_str()));
  instance.SetDocumentPending(1);
  const int16_t status = RunJob(instance, pages);
  if (status != 0 || instance.GetJobStatus() != 0) {
    std::remove(temporary.c_str());
    std::string what = "the print path failed the job with status " + std::to_string(status);
    if (status == GStatusNoOutputChannel) what += ": no output channel could be had for it";
    else if (status == HostFileChannel::kFileFailed) what += ": " + temporary + " cannot be written";
    return fail(kFailed, what);
  }
  if (std::rename(temporary.c_str(), request.out.c_str()) != 0) {
    std::remove(temporary.c_str());
    return fail(kFileError, "cannot write " + request.out);
  }
  std::ostringstream report;
  report << "Printed " << pages.size() << (pages.size() == 1 ? " page" : " pages") << " to " << request.out << "\n";
  result.report = report.str();
  return result;
}

}  // namespace qvhost
