#include "ui/pages/GFontCatalogReader.h"

#include <cstring>
#include <new>
#include <vector>

#include "driver/MassStorageFonts.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "ui/pages/FontDescriptorFormat.h"

using namespace fontdescriptor;

namespace {

constexpr int32_t kGenericSymbolSet = 16;
constexpr int32_t kSecondSetKeepsFirst = 3;
constexpr int kGenericCode = 207;

// The walk reads at most this many times the file's size (and a little
// more), so that entries that all point at one large entry cannot keep it
// reading far beyond what an honest file asks for.
constexpr int64_t kReadBudgetFactor = 2;
constexpr int64_t kReadBudgetSlack = 4096;

// Where the device's fonts live, as the font descriptions count it.
int32_t DeviceKind(int deviceIndex, uint8_t flags) {
  if (deviceIndex < 0 || deviceIndex > 9) return 0;
  if (deviceIndex <= 1) return 1;
  if (deviceIndex <= 3) return 2;
  if (deviceIndex <= 5) return 3;
  return (flags & kDimmKindSeven) != 0 ? 7 : 4;
}

int32_t FormatOfKind(int kind) {
  switch (kind) {
    case 2:
      return 1;
    case 3:
      return 2;
    case 4:
      return 5;
    default:
      return 0;
  }
}

// A zero-terminated text of the entry: length bytes (the zero included) at
// the entry's start plus offset. False when the bytes are not all there.
template <typename ReadAt>
bool ReadText(ReadAt& readAt, int64_t entry, int16_t length, int32_t offset, RWCString* out) {
  if (length < 0 || offset < 0) return false;
  if (length == 0) {  // no bytes, so an empty text
    *out = RWCString();
    return true;
  }
  std::vector<char> bytes(static_cast<size_t>(length));
  if (!readAt(entry + offset, bytes.data(), bytes.size())) return false;
  const void* zero = std::memchr(bytes.data(), 0, bytes.size());
  const size_t n = zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - bytes.data()) : bytes.size();
  *out = RWCString(bytes.data(), n);
  return true;
}

}  // namespace

GFontCatalogReader::GFontCatalogReader(int deviceIndex, GDriverInstance* printer)
    : GMassStorageFontDevice(deviceIndex, printer) {}

GFontCatalogReader::~GFontCatalogReader() = default;

const GFontDescriptorHeader* GFontCatalogReader::EnsureHeader() {
  int32_t deviceId = 0;
  // A header read before may outlive its file (Close keeps it): the file is
  // opened again for the entries.
  if (file_ == nullptr) Open(&deviceId);
  if (header_ != nullptr) return header_;
  return ReadHeader(&deviceId);
}

GDeviceFontList* GFontCatalogReader::ReadFontList() {
  if (EnsureHeader() == nullptr) return nullptr;
  auto* list = new (std::nothrow) GDeviceFontList(FontDeviceId(deviceIndex_));
  if (list == nullptr) return nullptr;
  list->SetStamp(static_cast<uint32_t>(header_->Revision()));
  callback_ = nullptr;
  callbackData_ = nullptr;
  WalkEntries(list);
  return list;
}

int GFontCatalogReader::ForEachFont(FontCallback callback, void* data) {
  total_ = 0;
  if (callback == nullptr || EnsureHeader() == nullptr) return 0;
  callback_ = callback;
  callbackData_ = data;
  WalkEntries(nullptr);
  callback_ = nullptr;
  callbackData_ = nullptr;
  return total_;
}

void GFontCatalogReader::WalkEntries(GDeviceFontList* list) {
  const GFontDescriptorHeader* header = header_;
  const int64_t size = FileSize();
  if (header == nullptr || size < 0) return;
  // Every read of the walk is counted against the budget; a read that would
  // overdraw it ends the walk as a failed read does.
  int64_t budget = kReadBudgetFactor * size + kReadBudgetSlack;
  auto readAt = [this, &budget](int64_t offset, void* buffer, size_t bytes) {
    if (static_cast<int64_t>(bytes) > budget) return false;
    budget -= static_cast<int64_t>(bytes);
    return ReadAt(offset, buffer, bytes);
  };
  uint8_t probe[1];
  if (!ReadAt(0, probe, 0) || !ReadAt(header->FirstEntryOffset(), probe, 0)) return;

  const bool listMode = list != nullptr;
  const int32_t count = header->EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const int64_t entry = header->EntryOffset(i);
    std::vector<uint8_t> fixed(kEntryHeadSize);
    if (entry < 0 || !readAt(entry, fixed.data(), fixed.size())) return;
    const uint8_t kind = fixed[kKindAt];
    const int16_t k = ReadInt16(&fixed[kCodeCountAt]);
    // No codes: not a usable font. A negative count is damage and is
    // skipped alike.
    if (k <= 0) continue;
    fixed.resize(kCodesAt + 2 * static_cast<size_t>(k));
    if (k > 1 && !readAt(entry + static_cast<int64_t>(kEntryHeadSize), &fixed[kEntryHeadSize],
                         fixed.size() - kEntryHeadSize))
      return;

    std::vector<int32_t> mapped;
    mapped.reserve(static_cast<size_t>(k) + 1);
    bool genericCode = false;
    for (int16_t c = 0; c < k; ++c) {
      const int code = ReadInt16(&fixed[kCodesAt + 2 * static_cast<size_t>(c)]);
      mapped.push_back(SymbolSetOfCode(code));
      genericCode = genericCode || code == kGenericCode;
    }
    int32_t defaultSet = mapped[0];
    if (k >= 2 && mapped[1] != kSecondSetKeepsFirst) {
      defaultSet = kGenericSymbolSet;
      if (!genericCode) mapped.push_back(kGenericSymbolSet);
    }

    RWCString name;
    RWCString selection;
    if (!ReadText(readAt, entry, ReadInt16(&fixed[kNameLengthAt]), ReadInt32(&fixed[kNameOffsetAt]), &name) ||
        !ReadText(readAt, entry, ReadInt16(&fixed[kSelectionLengthAt]), ReadInt32(&fixed[kSelectionOffsetAt]),
                  &selection))
      return;

    const uint8_t flags = fixed[kFlagsAt];
    const int16_t weight = ReadInt16(&fixed[kWeightAt]);
    const int16_t italic = ReadInt16(&fixed[kItalicAt]);
    if (listMode) {
      // A disabled font is left out of the list only now, after the same
      // reads the walk makes: both walks spend the read budget alike, so
      // the list never holds a font the walk would not see.
      if ((kind & kDisabled) != 0) continue;
      GDeviceFontDescription::SymbolSetVector sets(mapped.size());
      for (int32_t set : mapped) sets.Append(set);
      const int formatKind = kind & kFormatKindMask;
      const int32_t pitch = (flags & kVariablePitch) != 0 || FormatOfKind(formatKind) == 0 ? 1 : 0;
      const int32_t family = flags >= 16 && flags <= 95 ? (flags & kFamilyMask) : 0;
      list->AddFont(GDeviceFontDescription(name, selection, defaultSet, sets, static_cast<uint16_t>(weight), italic,
                                           family, pitch, FormatOfKind(formatKind),
                                           ReadInt16(&fixed[kPixelHeightAt]), 0, DeviceKind(deviceIndex_, flags)));
    } else {
      GFontEntryFixedPart part;
      GFontEntryFixedPart::FromBytes(fixed.data(), fixed.size(), &part);
      total_ += callback_(AppendStyleSuffix(name, weight, italic), selection, part, callbackData_);
    }
  }
}
