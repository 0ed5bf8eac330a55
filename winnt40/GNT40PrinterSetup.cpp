#include "winnt40/GNT40PrinterSetup.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/MassStorageFonts.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "win32/CodePage.h"
#include "win32/File.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "win32/VersionInfo.h"

using namespace GFeatureIds;

namespace {

// Feature ids of the watermark records, as the model takes them.
const int32_t kRecordId = GFeatureIds::kWatermarkEntry;

// Longest string loaded from the resource module, without the terminator.
constexpr int kMaxString = 256;
constexpr int16_t kDefaultShade = 224;
constexpr int16_t kDefaultSize = 100;
// Spooler paper numbers below this one name the spooler's built-in forms.
constexpr int16_t kFirstDriverPaper = 256;
// Characters of a form name.
constexpr size_t kFormNameLength = 256;

std::u16string Upper(const std::u16string& text) {
  std::u16string out = text;
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

// The resource module, loaded for the length of one operation.
class ResourceModule {
 public:
  explicit ResourceModule(GDriverInstance* instance) {
    const RWWString path = instance->GetResourceModulePath();
    path_ = path;
    if (!path.IsEmpty()) module_ = LoadLibraryW(path.Data());
  }
  ~ResourceModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;

  bool IsLoaded() const { return module_ != nullptr; }
  const RWWString& Path() const { return path_; }
  // The string, or false when the module or the string is missing.
  bool Load(UINT id, std::u16string* out) const {
    if (module_ == nullptr) return false;
    WCHAR buffer[kMaxString + 1] = {};
    const int length = LoadStringW(module_, id, buffer, kMaxString + 1);
    if (length <= 0) return false;
    out->assign(buffer, static_cast<size_t>(length));
    return true;
  }

 private:
  HMODULE module_ = nullptr;
  RWWString path_;
};

// The spooler's forms, level 1.
class FormList {
 public:
  explicit FormList(HANDLE printer) {
    DWORD needed = 0;
    DWORD returned = 0;
    EnumFormsW(printer, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return;
    buffer_.resize(needed);
    if (!EnumFormsW(printer, 1, buffer_.data(), needed, &needed, &returned)) {
      buffer_.clear();
      return;
    }
    const size_t fits = buffer_.size() / sizeof(FORM_INFO_1W);
    count_ = std::min<size_t>(returned, fits);
  }
  // A form that is not built in and whose size equals (cx, cy) within the
  // tolerance.
  bool HasUserFormOfSize(LONG cx, LONG cy) const {
    for (size_t i = 0; i < count_; ++i) {
      const FORM_INFO_1W& form = Form(i);
      if ((form.Flags & FORM_BUILTIN) != 0) continue;
      if (std::labs(form.Size.cx - cx) <= GNT40PrinterSetup::kFormTolerance &&
          std::labs(form.Size.cy - cy) <= GNT40PrinterSetup::kFormTolerance)
        return true;
    }
    return false;
  }

 private:
  const FORM_INFO_1W& Form(size_t i) const {
    return *reinterpret_cast<const FORM_INFO_1W*>(buffer_.data() + i * sizeof(FORM_INFO_1W));
  }
  // FORM_INFO_1W records followed by their names (the allocation is
  // aligned for the records).
  std::vector<BYTE> buffer_;
  size_t count_ = 0;
};

// Adds a printer form of that size (thousandths of a millimetre), which is
// also its imageable area. An existing form of that name is left alone.
bool AddPrinterForm(HANDLE printer, std::u16string name, LONG cx, LONG cy) {
  if (name.empty()) return false;
  if (name.size() >= kFormNameLength) name.resize(kFormNameLength - 1);
  FORM_INFO_1W form{};
  form.Flags = FORM_PRINTER;
  form.pName = name.data();
  form.Size.cx = cx;
  form.Size.cy = cy;
  form.ImageableArea.left = 0;
  form.ImageableArea.top = 0;
  form.ImageableArea.right = cx;
  form.ImageableArea.bottom = cy;
  return AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)) != FALSE;
}

struct MediaWalk {
  HANDLE printer;
  const FormList* forms;
  const ResourceModule* resources;
  int16_t xResolution;
  int16_t yResolution;
  int added;
};

// deviceUnits * 25400 / resolution, rounded half away from zero as MulDiv
// rounds; the resolution is positive.
LONG ToMicrometres(int16_t deviceUnits, int16_t resolution) {
  const int64_t product = static_cast<int64_t>(deviceUnits) * 25400;
  const int64_t half = resolution / 2;
  const int64_t rounded = product >= 0 ? (product + half) / resolution : (product - half) / resolution;
  return static_cast<LONG>(rounded);
}

int AddMediumForm(GMedia* medium, GResourceMapping* mapping, int, void* context, int* found) {
  auto* walk = static_cast<MediaWalk*>(context);
  if (medium == nullptr || mapping == nullptr) return 1;
  const int16_t spoolerPaper = mapping->GetSystemCode();
  if (spoolerPaper > 0 && spoolerPaper < kFirstDriverPaper) return 1;
  const GShortPoint* size = medium->GetSize();
  const LONG cx = ToMicrometres(size->x, walk->xResolution);
  const LONG cy = ToMicrometres(size->y, walk->yResolution);
  if (walk->forms->HasUserFormOfSize(cx, cy)) return 1;
  std::u16string name;
  if (!walk->resources->Load(static_cast<UINT>(mapping->GetResourceId()), &name)) return 1;
  if (AddPrinterForm(walk->printer, name, cx, cy)) {
    walk->added = 1;
    *found = 1;
  }
  return 1;
}

void AddString(GAttributeComposite* record, const int32_t* id, const RWCString& text) {
  record->AddChild(new GStringAttribute(text, id));
}

void AddValue(GAttributeComposite* record, const int32_t* id, int16_t value) {
  record->AddChild(new GValueAttribute(value, id));
}

RWCString Narrow(const std::u16string& text) {
  RWCString out;
  ToNarrowString(RWWString(text.c_str()), out);
  return out;
}

// A face stored in the code page it is meant for.
RWCString FaceIn(UINT codePage, const char16_t* face) {
  const int units = static_cast<int>(std::char_traits<char16_t>::length(face));
  const int size = WideCharToMultiByte(codePage, 0, face, units, nullptr, 0, "?", nullptr);
  if (size <= 0) return RWCString("Arial");
  std::string bytes(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, face, units, bytes.data(), size, "?", nullptr) != size)
    return RWCString("Arial");
  return RWCString(bytes.data(), bytes.size());
}

}  // namespace

GNT40PrinterSetup::GNT40PrinterSetup(GDriverInstance* instance, HANDLE printer)
    : instance_(instance), printer_(printer) {}

// ---- Forms ----

int GNT40PrinterSetup::InstallForms(int32_t orientation, const int16_t resolution[2]) {
  if (instance_ == nullptr || resolution == nullptr) return 0;
  const int32_t degrees = orientation == 0 ? 0 : 90;
  int added = 0;
  {
    const FormList forms(printer_);
    const ResourceModule resources(instance_);
    if (resources.IsLoaded() && resolution[0] > 0 && resolution[1] > 0) {
      MediaWalk walk{printer_, &forms, &resources, resolution[0], resolution[1], 0};
      instance_->EnumerateMedia(AddMediumForm, &walk, degrees, resolution, 0, 0, nullptr);
      added |= walk.added;
    }
  }
  // The forms added above count when the custom sizes are matched.
  const FormList forms(printer_);
  MPersistentObject* sizes = GSettingQuery::Find(
      GSettingQuery::Find(instance_->GetPrinterConfiguration(), kDriverConfiguration), kCustomPaperList);
  auto* list = dynamic_cast<GAttributeComposite*>(sizes);
  if (list == nullptr) return added;
  GAttributeCompositeIterator it(list);
  while (it.Advance()) {
    auto* entry = dynamic_cast<GCustomMediaSize*>(it.Current());
    if (entry == nullptr) continue;
    GCustomMediaSize::Pair size;
    entry->GetSizeInUnit(size, GCustomMediaSize::kMicrometre);
    if (size.width > 0x7FFFFFFFu || size.height > 0x7FFFFFFFu) continue;
    const LONG cx = static_cast<LONG>(size.width);
    const LONG cy = static_cast<LONG>(size.height);
    if (forms.HasUserFormOfSize(cx, cy)) continue;
    RWWString name;
    ToWideString(entry->GetName(), name);
    if (AddPrinterForm(printer_, Text(name), cx, cy)) added = 1;
  }
  return added;
}

// ---- Watermarks ----

GWatermarkFont GNT40PrinterSetup::WatermarkFontFor(UINT codePage) {
  GWatermarkFont font;
  font.face = RWCString("Arial");
  switch (codePage) {
    case 874: font.charSet = 222; break;
    case 932: font.face = FaceIn(932, u"\uFF2D\uFF33 \uFF30\u660E\u671D"); font.charSet = 128; break;
    case 936: font.face = FaceIn(936, u"\u5B8B\u4F53"); font.charSet = 134; break;
    case 949: font.face = FaceIn(949, u"\uBC14\uD0D5"); font.charSet = 129; break;
    case 950: font.face = FaceIn(950, u"\u65B0\u7D30\u660E\u9AD4"); font.charSet = 136; break;
    case 1200:
    case 1252: font.charSet = 0; break;
    case 1250: font.charSet = 238; break;
    case 1251: font.charSet = 204; break;
    case 1253: font.charSet = 161; break;
    case 1254: font.charSet = 162; break;
    case 1255: font.charSet = 177; break;
    case 1256: font.charSet = 178; break;
    case 1257: font.charSet = 186; break;
    case 1361: font.charSet = 130; break;
    default: font.charSet = 255; break;
  }
  return font;
}

UINT GNT40PrinterSetup::ResourceCodePage(const RWWString& modulePath) {
  if (modulePath.IsEmpty()) return 0;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(modulePath.Data(), &handle);
  // A version block is small; anything larger is not one we read.
  if (size == 0 || size > 0x10000) return 0;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(modulePath.Data(), handle, size, block.data())) return 0;
  LPVOID table = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &table, &length) || table == nullptr) return 0;
  const BYTE* bytes = static_cast<const BYTE*>(table);
  const BYTE* end = block.data() + block.size();
  // The first translation: language, then code page, 16 bits each.
  if (length < 4 || bytes < block.data() || bytes + 4 > end) return 0;
  return static_cast<UINT>(bytes[2] | bytes[3] << 8);
}

void GNT40PrinterSetup::CreateDefaultWatermarks(GAttributeComposite* documentSettings) {
  auto* preferences = dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(documentSettings, kDriverPreferences));
  auto* pool = dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(preferences, kWatermarkPool));
  if (pool == nullptr || pool->GetEntryCount() > 0) return;

  const ResourceModule resources(instance_);
  std::u16string text;
  int16_t size = kDefaultSize;
  const GWatermarkFont font = WatermarkFontFor(resources.IsLoaded() ? ResourceCodePage(resources.Path()) : 0);
  int32_t shadeValue = kDefaultShade;
  const int16_t shade = GSettingQuery::NumberAt(documentSettings, kWMDefaultShade, &shadeValue)
                            ? static_cast<int16_t>(shadeValue)
                            : kDefaultShade;

  struct Default {
    UINT sizeString;
    UINT textString;
    int16_t id;
    int16_t style;
  };
  static const Default kDefaults[] = {
      {11077, 11060, 0, 0},
      {11078, 11074, 1, 1},
      {11079, 11076, 3, 1},
      {11080, 11075, 2, 1},
  };
  bool first = true;
  for (const Default& d : kDefaults) {
    std::u16string sizeText;
    if (resources.Load(d.sizeString, &sizeText)) size = static_cast<int16_t>(std::atoi(Narrow(sizeText).Data()));
    resources.Load(d.textString, &text);
    const RWCString narrowText = Narrow(text);

    auto* record = new GAttributeComposite(&kRecordId);
    AddString(record, &kWatermarkName, first ? RWCString() : narrowText);
    AddString(record, &kWatermarkText, narrowText);
    AddString(record, &kWMFont, font.face);
    AddValue(record, &kWMFontCharSet, font.charSet);
    AddValue(record, &kWMFontStyle, d.style);
    AddValue(record, &kWMValue389, 0);
    AddValue(record, &kWMFontSize, size);
    AddValue(record, &kWMFontWidth, 0);
    AddValue(record, &kWMFontEscapement, 1);
    AddValue(record, &kWMCustomAngle, 0);
    AddValue(record, &kWMValue396, 0);
    AddValue(record, &kWMValue397, 0);
    AddValue(record, &kWMShadeLevel, shade);
    AddValue(record, &kWMRed, shade);
    AddValue(record, &kWMGreen, shade);
    AddValue(record, &kWMBlue, shade);
    AddValue(record, &kWatermarkBuiltIn, d.id);
    pool->AddChild(record);
    first = false;
  }
}

// ---- Mass-storage fonts ----

void GNT40PrinterSetup::RegisterDimmFonts() {
  GConfiguration* configuration = instance_ != nullptr ? instance_->GetPrinterConfiguration() : nullptr;
  auto* file = dynamic_cast<GStringAttribute*>(GSettingQuery::Find(configuration, kProtectedFontFilePart));
  if (file == nullptr || file->GetString().IsEmpty()) return;
  int32_t present = 0;
  if (GSettingQuery::NumberAt(configuration, kFontDimmsInstalled, &present) && present != 0)
    SetMassStorageFontsPresent(1, instance_);
  RWWString path;
  ToWideString(file->GetString(), path);
  SetFontDeviceFilePath(instance_, 6, path);
}

bool GNT40PrinterSetup::IsFileOfDirectory(const std::u16string& path, const std::u16string& directory) {
  if (directory.empty() || path.size() <= directory.size() + 1) return false;
  if (Upper(path.substr(0, directory.size())) != Upper(directory) || path[directory.size()] != u'\\') return false;
  const std::u16string name = path.substr(directory.size() + 1);
  if (name == u"." || name == u"..") return false;
  return name.find_first_of(u"\\/:") == std::u16string::npos;
}

void GNT40PrinterSetup::FetchServerFontFiles(const RWWString& printerName) {
  HANDLE printer = nullptr;
  if (printerName.IsEmpty() || !OpenPrinterW(printerName.Data(), &printer, nullptr)) return;
  GOSFactory* factory = GOSFactory::GetInstance();
  const char16_t separator = factory != nullptr ? factory->GetPathSeparator() : u'\\';
  const std::u16string name = Text(printerName);
  const size_t cut = name.rfind(separator);
  const std::u16string server = cut == std::u16string::npos ? std::u16string() : name.substr(0, cut);
  if (server.empty() || factory == nullptr) {
    ClosePrinter(printer);
    return;
  }
  const std::u16string directory = Text(factory->GetDriverDirectory());
  for (int device = 0; device < kFontDeviceCount; ++device) {
    RWWString local;
    GetFontDeviceFilePath(&local, instance_, device);
    const std::u16string target = Text(local);
    // The server names the file; it may be written only in the driver
    // directory.
    if (target.empty() || !IsFileOfDirectory(target, directory)) continue;
    const std::u16string file = target.substr(target.rfind(u'\\') + 1);
    const std::u16string version3 = server + u"\\print$\\w32x86\\3\\" + file;
    if (CopyFileW(version3.c_str(), target.c_str(), FALSE)) continue;
    const std::u16string version2 = server + u"\\print$\\w32x86\\2\\" + file;
    CopyFileW(version2.c_str(), target.c_str(), FALSE);
  }
  ClosePrinter(printer);
}

void GNT40PrinterSetup::DeleteServerFontFiles(const RWWString& printerName) {
  HANDLE printer = nullptr;
  if (printerName.IsEmpty() || !OpenPrinterW(printerName.Data(), &printer, nullptr)) return;
  GOSFactory* factory = GOSFactory::GetInstance();
  const std::u16string directory = factory != nullptr ? Text(factory->GetDriverDirectory()) : std::u16string();
  for (int device = 0; device < kFontDeviceCount; ++device) {
    RWWString local;
    GetFontDeviceFilePath(&local, instance_, device);
    const std::u16string target = Text(local);
    if (target.empty() || !IsFileOfDirectory(target, directory)) continue;
    DeleteFileW(target.c_str());
  }
  ClosePrinter(printer);
}
