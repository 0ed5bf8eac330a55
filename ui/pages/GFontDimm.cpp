#include "ui/pages/GFontDimm.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "driver/MassStorageFonts.h"
#include "driver/osfactry.h"
#include "win32/CodePage.h"
#include "win32/File.h"

using namespace fontdescriptor;

namespace {

const WCHAR kNewVendor[] = u"QV Tensbury Lab";
const WCHAR kNewDimmName[] = u"New Font DIMM";

// The file templates of the devices, by index; each '&' becomes a letter or
// a digit.
const WCHAR* const kFileTemplates[kFontDeviceCount] = {
    u"qvrom&&1.qvd", u"qvrom&&2.qvd", u"qvdsk&&1.qvd", u"qvdsk&&2.qvd", u"qvfls&&1.qvd",
    u"qvfls&&2.qvd", u"qvdim&&1.qvd", u"qvdim&&2.qvd", u"qvdim&&3.qvd", u"qvdim&&4.qvd",
};
const WCHAR kFallbackFileName[] = u"\\qvmsdXXX.dat";

constexpr int kEnabledState = 1;
// A stored text length is an int16 that counts the zero byte.
constexpr size_t kMaxTextBytes = INT16_MAX - 1;

RWWString Widen(const std::string& text) {
  if (text.empty()) return RWWString();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return RWWString();
  std::u16string wide(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return RWWString(wide.data(), wide.size());
}

// The text in the ANSI code page, cut at a zero and to what a stored
// length can count, with its zero byte.
std::string NarrowWithZero(const RWWString& text) {
  std::string out;
  size_t length = 0;
  while (length < text.Length() && text[length] != 0) ++length;
  if (length > 0) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.Data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n > 0) {
      out.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, 0, text.Data(), static_cast<int>(length), out.data(), n, nullptr, nullptr);
    }
  }
  if (out.size() > kMaxTextBytes) out.resize(kMaxTextBytes);
  out.push_back('\0');
  return out;
}

// A text of an entry as written: up to its first zero, with the zero.
std::string WithZero(const RWCString& text) { return std::string(text.Data(), std::strlen(text.Data())) + '\0'; }

}  // namespace

GFontDimm::GFontDimm(int deviceIndex, GDriverInstance* printer) : GFontCatalogReader(deviceIndex, printer) {}

GFontDimm::~GFontDimm() = default;

const GFontDescriptorHeader* GFontDimm::ReadHeader(int32_t* deviceId) {
  // A device that is not enabled gets a file of its own; the name is drawn
  // once, so that what this object writes is what it reads again.
  if (!newFileNamed_ && GetFontDeviceState(printer_, deviceIndex_) != kEnabledState) MakeFileName();
  Open(deviceId);
  if (path_.IsEmpty()) MakeFileName();
  if (GMassStorageFontDevice::ReadHeader(deviceId) != nullptr) {
    std::string text;
    vendor_ = header_->Vendor(&text) ? Widen(text) : RWWString(kNewVendor);
    dimmName_ = header_->DimmName(&text) ? Widen(text) : RWWString(kNewDimmName);
    return header_;
  }
  std::vector<uint8_t> bytes(kMinHeaderSize, 0);
  WriteInt32(&bytes[kFirstEntryAt], static_cast<int32_t>(kMinHeaderSize));
  WriteInt32(&bytes[kVersionAt], kNewFileVersion);
  SetHeader(new (std::nothrow) GFontDescriptorHeader(std::move(bytes)));
  vendor_ = RWWString(kNewVendor);
  dimmName_ = RWWString(kNewDimmName);
  if (header_ != nullptr && deviceId != nullptr) *deviceId = FontDeviceId(deviceIndex_);
  return header_;
}

RWWString GFontDimm::MakeFileName() {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return path_;
  const RWWString directory = factory->GetDriverDirectory();
  RWWString name;
  if (deviceIndex_ >= 0 && deviceIndex_ < kFontDeviceCount)
    name = factory->MakeUniqueFileName(directory, RWWString(kFileTemplates[deviceIndex_]), 0);
  if (name.IsEmpty()) {
    name = directory;
    name.AppendText(kFallbackFileName);
  }
  path_ = name;
  newFileNamed_ = true;
  return path_;
}

void GFontDimm::SetDimmName(const RWWString& name) {
  // The header is read first, so that reading it later does not put the
  // file's name back.
  EnsureHeader();
  if (name == dimmName_) return;
  dimmName_ = name;
  modified_ = true;
}

int GFontDimm::LoadEntry(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed,
                         void* data) {
  return static_cast<GFontDimm*>(data)->AddFont(name, selection, fixed);
}

void GFontDimm::EnsureLoaded() {
  if (loaded_ || loading_) return;
  loading_ = true;
  ForEachFont(&LoadEntry, this);
  loading_ = false;
  loaded_ = true;
  Close();
}

std::list<GFontDimm::Entry>::iterator GFontDimm::Find(const RWCString& name) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->name == name) return it;
  }
  return entries_.end();
}

int GFontDimm::ContainsFont(const RWCString& name) {
  EnsureLoaded();
  return Find(name) != entries_.end() ? 1 : 0;
}

int GFontDimm::SetFontEnabled(const RWCString& name, int enable) {
  EnsureLoaded();
  auto it = Find(name);
  if (it == entries_.end()) return 0;
  it->fixed.SetDisabled(enable != 1);
  modified_ = true;
  return 1;
}

int GFontDimm::AddFont(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed) {
  if (!loading_) {
    EnsureLoaded();
    if (Find(name) != entries_.end()) return 0;
  }
  GFontEntryFixedPart copy;
  if (!GFontEntryFixedPart::FromBytes(fixed.Bytes().data(), fixed.Size(), &copy)) return 0;
  if (WithZero(StripStyleSuffix(name)).size() > kMaxTextBytes + 1 || WithZero(selection).size() > kMaxTextBytes + 1)
    return 0;
  copy.SetInt32(kFixedSizeAt, static_cast<int32_t>(copy.Size()));
  // The file's own entries keep their order; a font added afterwards goes
  // in front.
  if (loading_)
    entries_.push_back(Entry{name, selection, copy});
  else
    entries_.push_front(Entry{name, selection, copy});
  ++count_;
  if (!loading_) modified_ = true;
  return 1;
}

int GFontDimm::RemoveFont(const RWCString& name) {
  EnsureLoaded();
  auto it = Find(name);
  if (it == entries_.end()) return 0;
  entries_.erase(it);
  --count_;
  modified_ = true;
  return 1;
}

void GFontDimm::Flush() {
  if (!modified_) return;
  WriteFile();
  Close();
}

int GFontDimm::WriteFile() {
  // The file's entries are read before it is replaced, so that none is lost.
  EnsureLoaded();
  if (EnsureHeader() == nullptr) return 0;
  if (path_.IsEmpty()) MakeFileName();
  Close();

  const size_t n = entries_.size();
  const size_t headerSize = n > 1 ? kOffsetTableAt + 4 * n : kMinHeaderSize;
  const std::string name = NarrowWithZero(dimmName_);
  const std::string vendor = NarrowWithZero(vendor_);
  const uint64_t firstEntry = headerSize + name.size() + vendor.size();

  // The entries' fields and offsets first, then the whole file in memory:
  // the file is replaced only by a complete image.
  std::vector<std::string> names;
  std::vector<std::string> selections;
  names.reserve(n);
  selections.reserve(n);
  std::vector<uint32_t> offsets;
  offsets.reserve(n);
  uint64_t running = firstEntry;
  for (Entry& entry : entries_) {
    names.push_back(WithZero(StripStyleSuffix(entry.name)));
    selections.push_back(WithZero(entry.selection));
    const auto fixedSize = static_cast<int32_t>(entry.fixed.Size());
    const auto nameLength = static_cast<int16_t>(names.back().size());
    entry.fixed.SetInt16(kNameLengthAt, nameLength);
    entry.fixed.SetInt32(kNameOffsetAt, fixedSize);
    entry.fixed.SetInt16(kSelectionLengthAt, static_cast<int16_t>(selections.back().size()));
    entry.fixed.SetInt32(kSelectionOffsetAt, fixedSize + nameLength);
    offsets.push_back(static_cast<uint32_t>(running));
    running += static_cast<uint64_t>(fixedSize) + names.back().size() + selections.back().size();
    if (running > INT32_MAX) return 0;
  }

  std::vector<uint8_t> image(headerSize, 0);
  std::memcpy(image.data(), header_->Bytes().data(), kMinHeaderSize);
  const uint32_t revision = static_cast<uint32_t>(header_->Revision()) + 1u;
  WriteInt32(&image[kFirstEntryAt], static_cast<int32_t>(firstEntry));
  WriteInt32(&image[kRevisionAt], static_cast<int32_t>(revision));
  WriteInt16(&image[kDimmNameLengthAt], static_cast<int16_t>(name.size()));
  WriteInt32(&image[kDimmNameOffsetAt], static_cast<int32_t>(headerSize));
  WriteInt16(&image[kVendorLengthAt], static_cast<int16_t>(vendor.size()));
  WriteInt32(&image[kVendorOffsetAt], static_cast<int32_t>(headerSize + name.size()));
  WriteInt32(&image[kCountAt], static_cast<int32_t>(n));
  WriteInt32(&image[kOffsetTableAt], 0);
  for (size_t i = 0; i < n; ++i) WriteInt32(&image[kOffsetTableAt + 4 * i], static_cast<int32_t>(offsets[i]));
  image.insert(image.end(), name.begin(), name.end());
  image.insert(image.end(), vendor.begin(), vendor.end());
  size_t i = 0;
  for (const Entry& entry : entries_) {
    image.insert(image.end(), entry.fixed.Bytes().begin(), entry.fixed.Bytes().end());
    image.insert(image.end(), names[i].begin(), names[i].end());
    image.insert(image.end(), selections[i].begin(), selections[i].end());
    ++i;
  }
  image.insert(image.end(), std::begin(kTrailer), std::end(kTrailer));

  std::FILE* file = crt::_wfopen(path_.Data(), u"w+b");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return 0;

  SetHeader(new (std::nothrow) GFontDescriptorHeader(
      std::vector<uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(firstEntry))));
  modified_ = false;
  return SetFontDeviceFilePath(printer_, deviceIndex_, path_) == 1 ? 1 : 0;
}
