#include "ui/framework/UIResources.h"

#include <algorithm>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GStringConversion.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/GVersionInfo.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

// A string resource holds at most 65535 characters; the loader starts with
// the usual buffer and grows it while a string fills it.
constexpr int kStringBuffer = 256;
constexpr int kLongestString = 65536;
// The 32-bit translations (code page in the high word) of the right-to-left
// code pages 1255 and 1256 lie strictly between these.
constexpr uint32_t kRightToLeftAbove = 0x04E6FFFF;
constexpr uint32_t kRightToLeftBelow = 0x04E90000;
constexpr int kRightToLeftFlags = MB_RIGHT | MB_RTLREADING;
constexpr int32_t kFirstCustomPaper = 0x4000;

struct ResourceState {
  std::mutex mutex;
  HINSTANCE module = nullptr;
  HINSTANCE library = nullptr;
  int16_t loadCount = 0;
};

ResourceState& State() {
  static ResourceState state;
  return state;
}

}  // namespace

void SetModuleInstance(HINSTANCE instance) {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.module == nullptr) state.module = instance;
}

HINSTANCE GetModuleInstance() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.module;
}

int LoadUIResourceLibrary(const RWWString& name) {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.loadCount == 0) {
    HMODULE library = LoadLibraryW(name.Data());
    if (library == nullptr) return 0;
    state.library = reinterpret_cast<HINSTANCE>(library);
  }
  ++state.loadCount;
  return 1;
}

int FreeUIResourceLibrary() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.loadCount <= 0) return 0;
  if (--state.loadCount != 0) return 0;
  HINSTANCE library = state.library;
  state.library = nullptr;
  return FreeLibrary(reinterpret_cast<HMODULE>(library));
}

HINSTANCE GetUIResourceInstance() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.library;
}

int LoadUIString(int id, RWWString* out) {
  if (out != nullptr) *out = RWWString();
  HINSTANCE library = GetUIResourceInstance();
  // Without the library there is nothing to load from (a null instance
  // would name the executable's resources).
  if (id < 0 || library == nullptr) return 0;
  std::vector<WCHAR> buffer(kStringBuffer);
  int length = 0;
  while (true) {
    const int size = static_cast<int>(buffer.size());
    length = LoadStringW(library, static_cast<UINT>(id), buffer.data(), size);
    // A string that fills the buffer may have been cut: read it again into
    // a larger one.
    if (length < size - 1 || size >= kLongestString) break;
    buffer.assign(buffer.size() * 2, 0);
  }
  if (length <= 0) return 0;
  if (out != nullptr) *out = RWWString(buffer.data(), static_cast<size_t>(length));
  return length;
}

int ReadDlgItemNumber(HWND dialog, int controlId, int limit, int64_t* out) {
  if (out == nullptr || limit <= 0) return 0;
  std::vector<WCHAR> buffer(static_cast<size_t>(limit) + 1, 0);
  const UINT length = GetDlgItemTextW(dialog, controlId, buffer.data(), limit + 1);
  UINT i = 0;
  while (i < length && buffer[i] == u' ') ++i;
  int64_t value = 0;
  UINT digits = 0;
  for (; i < length && buffer[i] >= u'0' && buffer[i] <= u'9'; ++i, ++digits) {
    value = std::min<int64_t>(value * 10 + (buffer[i] - u'0'), 999999999);
  }
  if (digits == 0) return 0;
  *out = value;
  return 1;
}

void SetDlgItemTextIfChanged(HWND dialog, int controlId, LPCWSTR text) {
  HWND control = GetDlgItem(dialog, controlId);
  if (control == nullptr) return;
  const std::u16string wanted = text != nullptr ? std::u16string(text) : std::u16string();
  // Room for one character more than the new text: a longer current text
  // reads longer and so never passes for equal.
  std::vector<WCHAR> current(wanted.size() + 2, 0);
  const int length = GetWindowTextW(control, current.data(), static_cast<int>(current.size()));
  if (length >= 0 && static_cast<size_t>(length) == wanted.size() &&
      std::u16string(current.data(), static_cast<size_t>(length)) == wanted) {
    return;
  }
  SetWindowTextW(control, wanted.c_str());
}

int UIMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags) {
  HINSTANCE library = GetUIResourceInstance();
  if (library != nullptr) {
    const GVersionInfo version(library);
    const auto translation = static_cast<uint32_t>(version.GetTranslation());
    if (translation > kRightToLeftAbove && translation < kRightToLeftBelow) flags |= kRightToLeftFlags;
  }
  // The texts may carry names from outside (printer-reported media, user
  // input); a 0 inside one would cut the rest of the message off.
  auto shown = [](const RWWString& s) {
    std::u16string out(s.Data() != nullptr ? s.Data() : u"", s.Length());
    for (char16_t& c : out) {
      if (c == 0) c = u' ';
    }
    return out;
  };
  const std::u16string boxText = shown(text);
  const std::u16string boxCaption = shown(caption);
  return MessageBoxW(owner, boxText.c_str(), boxCaption.c_str(), static_cast<UINT>(flags));
}

int IsRestrictedPaper(int16_t paperId) {
  if (paperId >= 8 && paperId <= 16) return 1;
  switch (paperId) {
    case 50:
    case 52:
    case 59:
    case 60:
    case 73:
      return 1;
    default:
      return 0;
  }
}

void ResolveCustomPaperId(int* paperId, GUISession* session) {
  if (paperId == nullptr || session == nullptr || *paperId < kFirstCustomPaper) return;
  // The custom size with that id in the settings' custom-paper list.
  GEnumAttribute* customs = session->GetSettingsView().FindCustomPaperList();
  if (customs == nullptr) return;
  const GCustomMediaSize* custom = nullptr;
  {
    std::unique_ptr<MPersistentIterator> it(customs->CreateIterator());
    while (it != nullptr && it->Advance() != 0) {
      auto* entry = dynamic_cast<GCustomMediaSize*>(it->Current());
      if (entry != nullptr && entry->GetPaperId() == *paperId) {
        custom = entry;
        break;
      }
    }
  }
  if (custom == nullptr) return;
  GResourceMappingList* mappings = session->GetPaperMappingList();
  if (mappings == nullptr) return;
  const RWCString& name = custom->GetName();
  std::unique_ptr<MPersistentIterator> it(mappings->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    auto* mapping = dynamic_cast<GResourceMapping*>(it->Current());
    if (mapping == nullptr || mapping->GetResourceId() == GResourceMapping::kNoResource) continue;
    RWWString display;
    if (LoadUIString(mapping->GetResourceId(), &display) == 0) continue;
    // A missing display name matches nothing, not an unnamed custom size.
    RWCString narrow;
    ToNarrowString(display, narrow);
    if (narrow.IsEmpty()) continue;
    if (narrow.Length() == name.Length() && std::char_traits<char>::compare(narrow.Data(), name.Data(), name.Length()) == 0) {
      *paperId = mapping->GetDeviceCode();
      return;
    }
  }
}
