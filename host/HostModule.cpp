#include "host/HostModule.h"

#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "resources/DialogTemplates.h"
#include "resources/PrinterPictures.h"
#include "resources/StringTable.h"
#include "w32host/Administration.h"
#include "w32host/Pictures.h"
#include "win32/Module.h"

namespace {
constexpr const char16_t* kResourceModuleName = u"QVRS4700.DLL";
constexpr UINT kHandCursor = 11270;

// The string ids the sample model's tray and bin mappings name.
std::map<UINT, std::u16string> FamilyStrings() {
  return {{1301, u"Tray 1"},   {1302, u"Tray 2"},   {1303, u"Tray 3"},
          {1305, u"Envelope Feeder"}, {1401, u"Top Bin"}, {1402, u"Rear Bin"}};
}
}  // namespace

bool HostModule::Open(const std::string& file, std::string* why) {
  // The platform's loader maps the module from its file, with the resources
  // its image carries, and attaches it.
  w32host::SetModuleImage(kModulePath, file);
  // The sample family's resource library beside it: the module's texts and
  // the names of the family's trays and bins, and the pages' templates.
  std::map<UINT, std::u16string> strings = ModuleStringTable();
  for (const auto& [id, text] : FamilyStrings()) strings[id] = text;
  const std::u16string library = std::u16string(kDriverDirectory) + u"\\" + kResourceModuleName;
  w32host::AddResourceLibrary(library, strings);
  // The pages' dialog templates, which the sheets show from the library.
  size_t dialogs = 0;
  const IMAGE_RESOURCE_DIALOG* templates = DialogTemplateEntries(&dialogs);
  w32host::AddResourceDialogs(library, templates, dialogs);
  // The printer pictures the pages compose, and the hand cursor over their
  // trays and bins.
  size_t bitmaps = 0;
  const IMAGE_RESOURCE_BITMAP* pictures = PrinterPictureEntries(&bitmaps);
  w32host::AddResourceBitmaps(library, pictures, bitmaps, {kHandCursor});
  instance_ = LoadLibraryW(kModulePath);
  if (instance_ == nullptr) {
    const DWORD error = GetLastError();
    *why = error == ERROR_DLL_INIT_FAILED ? "the module " + file + " refused to attach"
                                          : "cannot load the module " + file + " (error " + std::to_string(error) + ")";
    return false;
  }
  loaded_ = true;
  return true;
}

void HostModule::Detach() {
  if (loaded_) FreeLibrary(instance_);
  loaded_ = false;
}

void HostModule::Close() {
  Detach();
  if (instance_ != nullptr) {
    // The keeper thread gives its reference back within a period or two;
    // the last reference detaches and unmaps the module.
    for (int i = 0; i < 2000 && w32host::ModuleLoadCount(kModulePath) > 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  instance_ = nullptr;
}

void* HostModule::Symbol(const char* name) const {
  return instance_ != nullptr ? reinterpret_cast<void*>(GetProcAddress(instance_, name)) : nullptr;
}
