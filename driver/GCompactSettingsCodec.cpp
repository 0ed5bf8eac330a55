#include "driver/GCompactSettingsCodec.h"

#include <atomic>
#include <memory>
#include <vector>

#include "driver/GDriverInstanceAccess.h"
#include "model/GAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GDisplayString.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayAssociation.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentIterator.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWHashedDictionary.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"

using namespace GFeatureIds;

namespace {

// Record tags of the stream.
enum : uint8_t {
  kTagEnd = 0,
  kTagComposite = 1,
  kTagState = 2,
  kTagValue = 3,
  kTagTintwright = 4,
  kTagRange = 5,
  kTagDisplayString = 6,
  kTagString = 7,
  kTagFormToTray = 8,
  kTagEnum = 9,
  kTagTrayEntry = 10,
  kTagCustomSize = 11,
  kTagFontLists = 12,
  kTagFontList = 14,
  kTagAssociationList = 15,
  kTagMappingList = 16,
  kTagAssociation = 17,
  kTagMapping = 18,
  kTagTintwrightEnhanced = 19,
  kTagTintwrightVer2 = 20,
  // A value attribute of 0..20 is the tag 110 + value alone.
  kTagSmallValue = 110,
  kSmallValueMax = 20,
};

constexpr int kHeaderLength = 20;
constexpr unsigned char kHeaderByte = 0x73;

// Type ids (GetTypeId) of the kinds the stream holds.
constexpr RWClassID kKindRange = 762;
constexpr RWClassID kKindValue = 763;
constexpr RWClassID kKindComposite = 757;
constexpr RWClassID kKindState = 758;
constexpr RWClassID kKindEnum = 764;
constexpr RWClassID kKindAssociation = 771;
constexpr RWClassID kKindAssociationList = 772;
constexpr RWClassID kKindCustomSize = 775;
constexpr RWClassID kKindString = 776;
constexpr RWClassID kKindDisplayString = 787;
constexpr RWClassID kKindTintwright = 792;
constexpr RWClassID kKindTintwrightEnhanced = 797;
constexpr RWClassID kKindFontList = 856;
constexpr RWClassID kKindFontLists = 873;
constexpr RWClassID kKindMapping = 1004;
constexpr RWClassID kKindMappingList = 1005;
constexpr RWClassID kKindSelectionString = 1008;
constexpr RWClassID kKindFormToTray = 1012;
constexpr RWClassID kKindTintwrightVer2 = 1201;

// Value kinds of an association record.
constexpr uint16_t kAssocString = 0;
constexpr uint16_t kAssocValue = 1;
constexpr uint16_t kAssocSelection = 2;
constexpr uint16_t kAssocFramed = 9;

// A composite record's length field is 16 bits, and the smallest record
// (no children) has length 4.
constexpr long kMaxRecordLength = 0xFFFF;
constexpr long kMinCompositeLength = 4;
// Composites nest no deeper than this in a stream the reader accepts; the
// default tree bounds the nesting of honest streams long before.
constexpr int kMaxDepth = 32;

// ---------------------------------------------------------------------------
// Writing

class CompactWriter {
 public:
  CompactWriter(const GCompactSettingsCodec& codec, RWVirtualOutStream& out, GPersistOutStream& holder)
      : codec_(codec), out_(out), holder_(holder) {}

  static uint8_t CompositeTag(RWClassID kind) {
    switch (kind) {
      case kKindComposite: return kTagComposite;
      case kKindState: return kTagState;
      case kKindEnum: return kTagEnum;
      case kKindAssociationList: return kTagAssociationList;
      case kKindFontLists: return kTagFontLists;
      case kKindMappingList: return kTagMappingList;
      default: return kTagEnd;
    }
  }

  // The composite record of object: tag, version, id, the length patched in
  // after the children, the children, the end byte. 1 when every child was
  // written; the first child without a record ends the children.
  int WriteComposite(uint8_t tag, const MPersistentObject& object) {
    out_.PutUChar(tag);
    PutVersion(1);
    PutId(object.FeatureId());
    const int lengthAt = holder_.Tell();
    if (lengthAt < 0) return 0;
    out_.PutUShort(0);
    int result = 1;
    // Iterating does not change the object; the model hands its cursors out
    // only from non-const objects.
    std::unique_ptr<MPersistentIterator> children(const_cast<MPersistentObject&>(object).CreateIterator());
    while (children && children->Advance()) {
      result = WriteChild(children->Current());
      if (!result) break;
    }
    const int childrenEnd = holder_.Tell();
    const long length = static_cast<long>(childrenEnd) - lengthAt + 2;
    if (childrenEnd < 0 || length > kMaxRecordLength) {
      // The length cannot say where this record ends: a reader would take
      // the stream apart in the wrong places.
      result = 0;
    } else {
      holder_.Seek(lengthAt);
      out_.PutUShort(static_cast<uint16_t>(length));
      holder_.Seek(childrenEnd);
    }
    out_.PutUChar(kTagEnd);
    return result;
  }

 private:
  void PutId(int32_t id) {
    if (codec_.Mode() == 1)
      out_.PutUShort(static_cast<uint16_t>(codec_.MapIdForWrite(id)));
    else
      out_.PutInt(codec_.MapIdForWrite(id));
  }
  void PutVersion(uint32_t version) {
    if (codec_.Mode() == 1)
      out_.PutUShort(static_cast<uint16_t>(codec_.MapVersionForWrite(version)));
    else
      out_.PutInt(static_cast<int32_t>(codec_.MapVersionForWrite(version)));
  }
  void PutText(const RWCString& text) { text.SaveTo(out_); }

  int WriteChild(const MPersistentObject* child) {
    if (child == nullptr) return 0;
    const RWClassID kind = child->GetTypeId();
    const uint8_t compositeTag = CompositeTag(kind);
    if (compositeTag != kTagEnd) return WriteComposite(compositeTag, *child);
    switch (kind) {
      case kKindValue: return WriteValue(dynamic_cast<const GValueAttribute*>(child));
      case kKindRange: return WriteRange(dynamic_cast<const GRangeAttribute*>(child));
      case kKindAssociation: return WriteAssociation(dynamic_cast<const MPersistentAssociation*>(child));
      case kKindCustomSize: return WriteCustomSize(dynamic_cast<const GCustomMediaSize*>(child));
      case kKindString: return WriteString(dynamic_cast<const GStringAttribute*>(child));
      case kKindDisplayString: return WriteDisplayString(dynamic_cast<const GDisplayStringAttribute*>(child));
      case kKindTintwright: return WriteTintwright(dynamic_cast<const GTintwrightAttribute*>(child));
      case kKindTintwrightEnhanced:
        return WriteTintwrightEnhanced(dynamic_cast<const GTintwrightEnhancedAttribute*>(child));
      case kKindTintwrightVer2: return WriteTintwrightVer2(dynamic_cast<const GTintwrightEnhancedAttributeVer2*>(child));
      case kKindFontList: return WriteFontList(dynamic_cast<const GDeviceFontList*>(child));
      case kKindMapping: return WriteMapping(dynamic_cast<const GResourceMapping*>(child));
      case kKindFormToTray: return WriteFormToTray(dynamic_cast<const GFormToTrayDatabase*>(child));
      default: return 0;
    }
  }

  int WriteValue(const GValueAttribute* value) {
    if (value == nullptr) return 0;
    const int16_t v = value->GetValue();
    if (v >= 0 && v <= kSmallValueMax) {
      out_.PutUChar(static_cast<unsigned char>(kTagSmallValue + v));
      PutId(value->FeatureId());
      return 1;
    }
    out_.PutUChar(kTagValue);
    PutId(value->FeatureId());
    out_.PutUShort(static_cast<uint16_t>(v));
    return 1;
  }

  int WriteRange(const GRangeAttribute* range) {
    if (range == nullptr) return 0;
    out_.PutUChar(kTagRange);
    PutVersion(1);
    PutId(range->FeatureId());
    out_.PutUShort(static_cast<uint16_t>(range->GetMax()));
    out_.PutUShort(static_cast<uint16_t>(range->GetMin()));
    out_.PutUShort(static_cast<uint16_t>(range->GetStep()));
    out_.PutUShort(static_cast<uint16_t>(range->GetValue()));
    return 1;
  }

  int WriteString(const GStringAttribute* string) {
    if (string == nullptr) return 0;
    const RWCString& text = string->GetString();
    // The count word holds the text and its terminator.
    if (text.Length() + 1 > static_cast<size_t>(kMaxRecordLength)) return 0;
    out_.PutUChar(kTagString);
    PutId(string->FeatureId());
    out_.PutUShort(static_cast<uint16_t>(text.Length() + 1));
    if (text.Length() != 0) out_.PutChars(text.Data(), static_cast<unsigned>(text.Length()));
    out_.PutUChar(0);
    return 1;
  }

  int WriteDisplayString(const GDisplayStringAttribute* attribute) {
    if (attribute == nullptr) return 0;
    const GDisplayString& display = attribute->GetDisplayString();
    out_.PutUChar(kTagDisplayString);
    PutVersion(1);
    PutId(attribute->FeatureId());
    PutText(display.GetText());
    out_.PutShort(display.GetResourceId());
    PutText(display.GetModuleName());
    return 1;
  }

  int WriteCustomSize(const GCustomMediaSize* size) {
    if (size == nullptr) return 0;
    uint32_t width = 0;
    uint32_t height = 0;
    size->GetSize(width, height);
    out_.PutUChar(kTagCustomSize);
    PutVersion(1);
    PutId(size->FeatureId());
    out_.PutUShort(static_cast<uint16_t>(size->GetPaperId()));
    PutText(size->GetName());
    out_.PutShort(static_cast<int16_t>(size->GetUnit()));
    out_.PutInt(static_cast<int32_t>(width));
    out_.PutInt(static_cast<int32_t>(height));
    return 1;
  }

  // The codes are taken whole before anything is written, so that a failing
  // accessor leaves no part of the record behind.
  int WriteTintwright(const GTintwrightAttribute* attribute) {
    if (attribute == nullptr) return 0;
    unsigned char codes[6];
    for (int type = 0; type < 3; ++type) {
      if (!attribute->GetSetting(type, 0, &codes[2 * type]) || !attribute->GetSetting(type, 1, &codes[2 * type + 1]))
        return 0;
    }
    return WriteCodes(kTagTintwright, *attribute, codes, 6);
  }

  int WriteTintwrightEnhanced(const GTintwrightEnhancedAttribute* attribute) {
    if (attribute == nullptr) return 0;
    static const int kOrder[8][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 2}, {3, 3}};
    unsigned char codes[8];
    for (int i = 0; i < 8; ++i)
      if (!attribute->GetEnhancedSetting(kOrder[i][0], kOrder[i][1], &codes[i])) return 0;
    return WriteCodes(kTagTintwrightEnhanced, *attribute, codes, 8);
  }

  int WriteTintwrightVer2(const GTintwrightEnhancedAttributeVer2* attribute) {
    if (attribute == nullptr) return 0;
    static const int kOrder[10][2] = {{0, 0}, {0, 1}, {0, 3}, {1, 0}, {1, 1},
                                      {1, 3}, {2, 0}, {2, 1}, {2, 3}, {3, 2}};
    unsigned char codes[10];
    for (int i = 0; i < 10; ++i)
      if (!attribute->GetCode(kOrder[i][0], kOrder[i][1], &codes[i])) return 0;
    return WriteCodes(kTagTintwrightVer2, *attribute, codes, 10);
  }

  int WriteCodes(uint8_t tag, const MPersistentObject& attribute, const unsigned char* codes, unsigned count) {
    out_.PutUChar(tag);
    PutVersion(1);
    PutId(attribute.FeatureId());
    out_.PutUChars(codes, count);
    return 1;
  }

  int WriteFormToTray(const GFormToTrayDatabase* database) {
    if (database == nullptr) return 0;
    out_.PutUChar(kTagFormToTray);
    PutVersion(1);
    PutId(database->FeatureId());
    out_.PutUShort(static_cast<uint16_t>(database->GetDefaultMediaType()));
    out_.PutUShort(static_cast<uint16_t>(database->GetDefaultPaperSize()));
    int result = 1;
    const GAttributeComposite& entries = database->GetEntries();
    for (int i = 0; i < entries.GetEntryCount(); ++i) {
      const auto* entry = dynamic_cast<const GFormToTrayAssociation*>(entries.ChildAt(static_cast<size_t>(i)));
      if (entry == nullptr) {
        result = 0;
        break;
      }
      out_.PutUChar(kTagTrayEntry);
      PutVersion(1);
      PutId(entry->FeatureId());
      out_.PutUShort(static_cast<uint16_t>(entry->GetTray()));
      out_.PutUShort(static_cast<uint16_t>(entry->GetMediaType()));
      out_.PutUShort(static_cast<uint16_t>(entry->GetPaperSize()));
    }
    out_.PutUChar(kTagEnd);
    return result;
  }

  int WriteFontList(const GDeviceFontList* list) {
    if (list == nullptr) return 0;
    out_.PutUChar(kTagFontList);
    PutVersion(GDeviceFontList::ClassVersion());
    RWWriteObjectPointer(out_, list);
    return 1;
  }

  int WriteMapping(const GResourceMapping* mapping) {
    if (mapping == nullptr) return 0;
    out_.PutUChar(kTagMapping);
    PutVersion(1);
    PutId(mapping->FeatureId());
    out_.PutShort(mapping->GetSystemCode());
    out_.PutUShort(static_cast<uint16_t>(mapping->GetDeviceCode()));
    out_.PutInt(mapping->GetResourceId());
    return 1;
  }

  // The key's 16-bit value; false for a key that has none.
  static bool KeyValue(const MPersistentObject* key, uint16_t& out) {
    if (const auto* value = dynamic_cast<const GValueAttribute*>(key)) {
      out = static_cast<uint16_t>(value->GetValue());
      return true;
    }
    if (const auto* number = dynamic_cast<const GPersistableULong*>(key)) {
      out = static_cast<uint16_t>(number->GetValue());
      return true;
    }
    if (const auto* number = dynamic_cast<const GPersistableLong*>(key)) {
      out = static_cast<uint16_t>(number->GetValue());
      return true;
    }
    return false;
  }

  int WriteAssociation(const MPersistentAssociation* association) {
    if (association == nullptr) return 0;
    const MPersistentObject* value = association->GetValue();
    uint16_t key = 0;
    if (value == nullptr || !KeyValue(association->GetKey(), key)) return 0;
    out_.PutUChar(kTagAssociation);
    PutVersion(1);
    PutId(association->FeatureId());
    out_.PutUShort(key);
    switch (value->ClassId()) {
      case kKindString:
        out_.PutUShort(kAssocString);
        PutText(static_cast<const GStringAttribute*>(value)->GetString());
        break;
      case kKindValue:
        out_.PutUShort(kAssocValue);
        out_.PutUShort(static_cast<uint16_t>(static_cast<const GValueAttribute*>(value)->GetValue()));
        break;
      case kKindSelectionString:
        out_.PutUShort(kAssocSelection);
        PutText(static_cast<const GSelectionString*>(value)->GetText());
        break;
      default:
        out_.PutUShort(kAssocFramed);
        RWWriteObjectPointer(out_, value);
        break;
    }
    return 1;
  }

  const GCompactSettingsCodec& codec_;
  RWVirtualOutStream& out_;
  GPersistOutStream& holder_;
};

// ---------------------------------------------------------------------------
// Reading

// One child of a default composite, by id: its type id and whether the
// stream supplied a child of that id.
struct IndexEntry {
  RWClassID typeId = 0;
  int present = 0;
};

uint32_t HashId(const int32_t& id) { return static_cast<uint32_t>(id); }

class ChildIndex {
 public:
  ChildIndex() : table_(64, &HashId) {}

  // The first child of an id is the one indexed.
  void Add(int32_t id, RWClassID typeId) {
    const uint32_t bucket = table_.BucketOf(id);
    if (table_.Find(bucket, id) != nullptr) return;
    IndexEntry* entry = table_.FindOrInsert(bucket, id);
    if (entry != nullptr) entry->typeId = typeId;
  }
  IndexEntry* Find(int32_t id) {
    auto* node = table_.Find(table_.BucketOf(id), id);
    return node != nullptr ? &node->value : nullptr;
  }

 private:
  RWHashedDictionary<int32_t, IndexEntry> table_;
};

// A record's end: the position just past its last byte, or unknown (-1)
// when the holder reports no position.
constexpr long kUnknown = -1;

class CompactReader {
 public:
  CompactReader(const GCompactSettingsCodec& codec, RWVirtualInStream& in, GPersistInStream* holder)
      : codec_(codec), in_(in), holder_(holder) {}

  MPersistentObject* ReadStream(MPersistentObject* defaults) {
    unsigned char header[kHeaderLength] = {};
    in_.GetUChars(header, kHeaderLength);
    if (!in_.Good()) return nullptr;
    for (unsigned char byte : header)
      if (byte != kHeaderByte) return nullptr;
    const uint8_t tag = ReadTag();
    if (!in_.Good()) return nullptr;
    switch (tag) {
      case kTagFontLists: return ReadFontLists();
      case kTagMappingList: return ReadMappingList();
      case kTagAssociationList: return ReadAssociationList();
      default: return ReadComposite(tag, defaults, kUnknown, 0);
    }
  }

 private:
  long Position() {
    if (holder_ == nullptr) return kUnknown;
    const int position = holder_->Tell();
    return position < 0 ? kUnknown : position;
  }

  // How many bytes a field may still take inside the record that ends at
  // end; a record never holds more than its 16-bit length allows.
  long Room(long end) {
    const long position = Position();
    if (end == kUnknown || position == kUnknown) return kMaxRecordLength;
    return end > position ? end - position : 0;
  }

  // A failed read leaves the stream failed and the value 0, which reads as
  // the end tag: every loop over records stops there.
  uint8_t ReadTag() {
    unsigned char tag = kTagEnd;
    in_.GetUChar(tag);
    return in_.Good() ? tag : static_cast<uint8_t>(kTagEnd);
  }
  uint16_t ReadU16() {
    uint16_t value = 0;
    in_.GetUShort(value);
    return value;
  }
  int16_t ReadI16() {
    int16_t value = 0;
    in_.GetShort(value);
    return value;
  }
  int32_t ReadI32() {
    int32_t value = 0;
    in_.GetInt(value);
    return value;
  }
  int32_t ReadId() {
    if (codec_.Mode() == 1) return codec_.MapIdForRead(ReadU16());
    return codec_.MapIdForRead(ReadI32());
  }
  uint32_t ReadVersion() {
    if (codec_.Mode() == 1) return codec_.MapVersionForRead(ReadU16());
    return codec_.MapVersionForRead(static_cast<uint32_t>(ReadI32()));
  }

  // A string in the container library's stored form: a 32-bit length, then
  // the stream's own string. A length beyond what is left of the record is
  // refused before anything is allocated.
  bool ReadText(RWCString& out, long end) {
    uint32_t length = 0;
    in_.GetUInt(length);
    if (!in_.Good() || static_cast<long>(length) > Room(end)) return false;
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    // The reader writes its terminator right after the characters it
    // stored: a mark at the last place that survives shows a shorter string.
    buffer[length] = 1;
    in_.GetString(buffer.data(), length + 1);
    if (!in_.Good() || buffer[length] != '\0') return false;
    out = RWCString(buffer.data(), length);
    return true;
  }

  // Moves on to the end of a record whose rest cannot be read.
  void SkipTo(long end) {
    if (end == kUnknown) return;
    while (in_.Good()) {
      const long position = Position();
      if (position == kUnknown || position >= end) return;
      if (in_.Get() < 0) return;
    }
  }

  // Composite records (tags 1, 2 and 9) over the default composite defaults.
  GAttribute* ReadComposite(uint8_t tag, MPersistentObject* defaults, long parentEnd, int depth) {
    ReadVersion();
    const int32_t id = ReadId();
    const long lengthAt = Position();
    const long length = ReadU16();
    if (!in_.Good() || depth > kMaxDepth) return nullptr;
    long end = kUnknown;
    if (lengthAt != kUnknown) {
      end = lengthAt + length - 1;
      // A record shorter than its own frame, or reaching beyond the record
      // that holds it, is damaged.
      if (length < kMinCompositeLength || (parentEnd != kUnknown && end > parentEnd)) return nullptr;
    }
    MPersistentObject* model = defaults != nullptr ? defaults->FindById(id) : nullptr;
    if (model == nullptr) return nullptr;

    ChildIndex index;
    {
      std::unique_ptr<MPersistentIterator> children(model->CreateIterator());
      while (children && children->Advance()) {
        const MPersistentObject* child = children->Current();
        if (child == nullptr) continue;
        const int32_t childId = child->FeatureId();
        // In the 16-bit form the installable options, the preferences, the
        // extension registry and the UI state always come from the defaults.
        if (codec_.Mode() == 1 && id == kSettingsRoot &&
            (childId == kInstallableOptions || childId == kDriverPreferences || childId == kExtensionRegistryGroup ||
             childId == kUIState))
          continue;
        index.Add(childId, child->GetTypeId());
      }
    }

    std::unique_ptr<GAttributeComposite> result;
    switch (tag) {
      case kTagComposite: result = std::make_unique<GAttributeComposite>(&id); break;
      case kTagState: result = std::make_unique<GState>(&id); break;
      case kTagEnum: result = std::make_unique<GEnumAttribute>(&id); break;
      default: return nullptr;
    }

    for (;;) {
      const uint8_t childTag = ReadTag();
      if (childTag == kTagEnd) break;
      std::unique_ptr<GAttribute> child(ReadChild(childTag, model, end, depth));
      if (!child) {
        SkipTo(end);
        break;
      }
      const long position = Position();
      if (end != kUnknown && position != kUnknown && position >= end) {
        // The child ran over this record's end byte: the record is damaged.
        break;
      }
      IndexEntry* entry = index.Find(child->FeatureId());
      if (!Accepts(id, *child, entry)) continue;
      if (entry != nullptr) entry->present = 1;
      result->AddChild(child.release());
    }

    // Every default child that the stream did not supply, except the
    // templates of watermark records and custom sizes.
    std::unique_ptr<MPersistentIterator> children(model->CreateIterator());
    while (children && children->Advance()) {
      const MPersistentObject* child = children->Current();
      if (child == nullptr) continue;
      const int32_t childId = child->FeatureId();
      if (childId == kWatermarkEntry || childId == kCustomSizeTemplate) continue;
      const IndexEntry* entry = index.Find(childId);
      if (entry != nullptr && entry->present) continue;
      result->AddChild(child->DeepCopy());
    }
    return result.release();
  }

  static bool Accepts(int32_t compositeId, const GAttribute& child, const IndexEntry* entry) {
    if (compositeId == kUIProviders) return false;
    const int32_t childId = child.FeatureId();
    if (entry != nullptr && entry->typeId == child.GetTypeId()) return true;
    if (childId == kQuickSetCustomPaperName) return true;
    if (compositeId == kChangeList || childId == kChangeList) return true;
    return (compositeId == kDiscoveredMediaNames || compositeId == kDiscoveredBinNames) &&
           child.ClassId() == kKindString;
  }

  // One child record; null when it cannot be read.
  GAttribute* ReadChild(uint8_t tag, MPersistentObject* model, long end, int depth) {
    switch (tag) {
      case kTagComposite:
      case kTagState:
      case kTagEnum:
        return ReadComposite(tag, model, end, depth + 1);
      default:
        break;
    }
    std::unique_ptr<GAttribute> leaf(ReadLeaf(tag, end));
    if (!in_.Good()) return nullptr;
    return leaf.release();
  }

  GAttribute* ReadLeaf(uint8_t tag, long end) {
    if (tag >= kTagSmallValue && tag <= kTagSmallValue + kSmallValueMax) {
      const int32_t id = ReadId();
      return new GValueAttribute(static_cast<int16_t>(tag - kTagSmallValue), &id);
    }
    switch (tag) {
      case kTagValue: {
        const int32_t id = ReadId();
        const int16_t value = static_cast<int16_t>(ReadU16());
        return new GValueAttribute(value, &id);
      }
      case kTagString: return ReadString(end);
      case kTagTintwright:
      case kTagRange:
      case kTagDisplayString:
      case kTagFormToTray:
      case kTagCustomSize:
      case kTagTintwrightEnhanced:
      case kTagTintwrightVer2:
        break;
      default:
        return nullptr;
    }
    // The versioned records.
    if (ReadVersion() != 1) return nullptr;
    const int32_t id = ReadId();
    switch (tag) {
      case kTagTintwright: {
        unsigned char c[6] = {};
        in_.GetUChars(c, 6);
        return new GTintwrightAttribute(&id, c[0], c[1], c[2], c[3], c[4], c[5]);
      }
      case kTagTintwrightEnhanced: {
        unsigned char c[8] = {};
        in_.GetUChars(c, 8);
        return new GTintwrightEnhancedAttribute(&id, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
      }
      case kTagTintwrightVer2: {
        unsigned char c[10] = {};
        in_.GetUChars(c, 10);
        return new GTintwrightEnhancedAttributeVer2(&id, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9]);
      }
      case kTagRange: {
        const int16_t max = static_cast<int16_t>(ReadU16());
        const int16_t min = static_cast<int16_t>(ReadU16());
        const int16_t step = static_cast<int16_t>(ReadU16());
        const int16_t value = static_cast<int16_t>(ReadU16());
        return new GRangeAttribute(min, max, step, value, &id);
      }
      case kTagDisplayString: {
        RWCString text;
        RWCString module;
        if (!ReadText(text, end)) return nullptr;
        const int16_t resourceId = ReadI16();
        if (!ReadText(module, end)) return nullptr;
        return new GDisplayStringAttribute(&id, resourceId, text.Data(), module.Data());
      }
      case kTagCustomSize: {
        const int16_t paperId = static_cast<int16_t>(ReadU16());
        RWCString name;
        if (!ReadText(name, end)) return nullptr;
        const int16_t unit = ReadI16();
        const int32_t width = ReadI32();
        const int32_t height = ReadI32();
        return new GCustomMediaSize(paperId, name, unit, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                    &id);
      }
      case kTagFormToTray: return ReadFormToTray(id);
      default: return nullptr;
    }
  }

  // Tag 7: id, a 16-bit count n, then n bytes: the text and its terminator.
  GAttribute* ReadString(long end) {
    const int32_t id = ReadId();
    const long count = ReadU16();
    if (!in_.Good()) return nullptr;
    if (count < 2) {
      // No text: the lone terminator, when there is one, is consumed.
      if (count == 1) in_.Get();
      return new GStringAttribute("", &id);
    }
    if (count > Room(end)) return nullptr;
    std::vector<char> bytes(static_cast<size_t>(count));
    in_.GetChars(bytes.data(), static_cast<unsigned>(count));
    if (!in_.Good()) return nullptr;
    return new GStringAttribute(RWCString(bytes.data(), static_cast<size_t>(count - 1)), &id);
  }

  // Tag 8: the two stored defaults (read, not applied; the database keeps
  // its own), then tray entries (tag 10) up to a 0 tag.
  GAttribute* ReadFormToTray(int32_t id) {
    ReadU16();
    ReadU16();
    auto database = std::make_unique<GFormToTrayDatabase>(&id);
    for (;;) {
      const uint8_t tag = ReadTag();
      if (tag == kTagEnd) break;
      if (tag != kTagTrayEntry || ReadVersion() != 1) return nullptr;
      ReadId();
      const int16_t tray = static_cast<int16_t>(ReadU16());
      const int16_t mediaType = static_cast<int16_t>(ReadU16());
      const int16_t paperSize = static_cast<int16_t>(ReadU16());
      if (!in_.Good()) return nullptr;
      database->AssignTray(tray, paperSize, mediaType);
    }
    return database.release();
  }

  // The frame of a root list: version (1), id and length. False when the
  // list cannot be read; end is where it stops.
  bool ReadListFrame(int32_t& id, long& end) {
    const uint32_t version = ReadVersion();
    id = ReadId();
    const long lengthAt = Position();
    const long length = ReadU16();
    if (!in_.Good() || version != 1) return false;
    end = kUnknown;
    if (lengthAt != kUnknown) {
      if (length < kMinCompositeLength) return false;
      end = lengthAt + length - 1;
    }
    return true;
  }

  MPersistentObject* ReadAssociationList() {
    int32_t id = 0;
    long end = kUnknown;
    if (!ReadListFrame(id, end)) return nullptr;
    auto list = std::make_unique<MAssociationList>(id);
    while (ReadTag() != kTagEnd) {
      MPersistentAssociation* association = ReadAssociation(end);
      if (association == nullptr) break;
      list->Add(association);
    }
    return list.release();
  }

  MPersistentAssociation* ReadAssociation(long end) {
    if (ReadVersion() != 1) return nullptr;
    const int32_t id = ReadId();
    const int16_t key = static_cast<int16_t>(ReadU16());
    const uint16_t kind = ReadU16();
    if (!in_.Good()) return nullptr;
    static const int32_t kNoId = 0;
    std::unique_ptr<MPersistentObject> value;
    switch (kind) {
      case kAssocString: {
        RWCString text;
        if (!ReadText(text, end)) return nullptr;
        value = std::make_unique<GStringAttribute>(text, &kNoId);
        break;
      }
      case kAssocValue: {
        const int16_t number = static_cast<int16_t>(ReadU16());
        if (!in_.Good()) return nullptr;
        value = std::make_unique<GValueAttribute>(number, &kNoId);
        break;
      }
      case kAssocSelection: {
        RWCString text;
        if (!ReadText(text, end)) return nullptr;
        value = std::make_unique<GSelectionString>(text, key, kNoId);
        break;
      }
      default:
        // Values written through the framing (kind 9) and unknown kinds are
        // not read back: the list ends here.
        return nullptr;
    }
    auto* keyObject = new GValueAttribute(key, &kNoId);
    return new MPersistentAssociation(keyObject, value.release(), id);
  }

  MPersistentObject* ReadMappingList() {
    int32_t id = 0;
    long end = kUnknown;
    if (!ReadListFrame(id, end)) return nullptr;
    auto list = std::make_unique<GResourceMappingList>(id);
    while (ReadTag() != kTagEnd) {
      if (ReadVersion() != 1) break;
      ReadId();
      const int16_t systemCode = ReadI16();
      const int16_t deviceCode = static_cast<int16_t>(ReadU16());
      const int32_t resourceId = ReadI32();
      if (!in_.Good()) break;
      auto mapping = std::make_unique<GResourceMapping>(resourceId, systemCode, deviceCode, 0);
      if (list->AddIfNew(mapping.get())) mapping.release();
    }
    return list.release();
  }

  MPersistentObject* ReadFontLists() {
    int32_t id = 0;
    long end = kUnknown;
    if (!ReadListFrame(id, end)) return nullptr;
    // The container keeps its own id; the stored one is not applied.
    auto lists = std::make_unique<GDeviceFontListComposite>();
    while (ReadTag() != kTagEnd) {
      if (ReadVersion() != GDeviceFontList::ClassVersion()) break;
      MPersistentObject* object = nullptr;
      MPersistentObject::ReadPersistentObject(in_, object);
      if (object == nullptr) break;
      if (object->ClassId() != kKindFontList || !in_.Good()) {
        if (object->HolderCount() < 0) delete object;
        break;
      }
      lists->Add(object);
    }
    return lists.release();
  }

  const GCompactSettingsCodec& codec_;
  RWVirtualInStream& in_;
  GPersistInStream* holder_;
};

}  // namespace

GCompactSettingsCodec::GCompactSettingsCodec() = default;

GCompactSettingsCodec::~GCompactSettingsCodec() { delete defaultTree_; }

bool GCompactSettingsCodec::SelectMode(int16_t selector) {
  if (selector != 0 && selector != 1) return false;
  mode_ = selector == 0 ? 1 : 0;
  return true;
}

int GCompactSettingsCodec::Encode(const MPersistentObject* root, RWVirtualOutStream* stream,
                                  GPersistOutStream* holder, int16_t selector) {
  if (!SelectMode(selector) || stream == nullptr) return 0;
  const uint8_t tag = root != nullptr ? CompactWriter::CompositeTag(root->GetTypeId()) : static_cast<uint8_t>(kTagEnd);
  // Without a position the lengths cannot be patched in.
  if (root != nullptr && (tag == kTagEnd || holder == nullptr)) return 0;
  for (int i = 0; i < kHeaderLength; ++i) stream->PutUChar(kHeaderByte);
  int result = 1;
  if (root != nullptr) {
    CompactWriter writer(*this, *stream, *holder);
    result = writer.WriteComposite(tag, *root);
  }
  return result && stream->Good() ? 1 : 0;
}

MPersistentObject* GCompactSettingsCodec::Decode(RWVirtualInStream* stream, GPersistInStream* holder,
                                                 GDriverInstance* instance, int16_t selector) {
  if (!SelectMode(selector)) return nullptr;
  if (defaultTree_ == nullptr) BuildDefaultTree(instance);
  if (stream == nullptr) return nullptr;
  CompactReader reader(*this, *stream, holder);
  return reader.ReadStream(defaultTree_);
}

namespace {

// Adds child to parent when parent holds attributes; otherwise the child is
// destroyed (a leaf would neither keep nor free it).
void AddToGroup(MPersistentObject* parent, GAttribute* child) {
  if (auto* group = dynamic_cast<GAttributeComposite*>(parent))
    group->AddChild(child);
  else
    delete child;
}

}  // namespace

void GCompactSettingsCodec::BuildDefaultTree(GDriverInstance* instance) {
  auto root = std::make_unique<GAttributeComposite>();
  if (instance != nullptr) root->AddChild(InstanceDefaultSettings(instance));
  MPersistentObject* configuration = InstancePrinterConfiguration(instance);
  root->AddChild(new GAttributeComposite(&kChangeList));

  // The quick-set pool: one entry made from the configuration's template,
  // with a name and a value of its own.
  auto* pool = new GAttributeComposite(&kQuickSetPool);
  if (MPersistentObject* templ = configuration != nullptr ? configuration->FindById(kModelEntryList) : nullptr) {
    MPersistentObject* entry = templ->DeepCopy();
    entry->SetFeatureId(0);
    AddToGroup(entry, new GStringAttribute("", &kModelEntryName));
    AddToGroup(entry, new GValueAttribute(0, &kQuickSetValue));
    pool->AddChild(entry);
  }
  root->AddChild(pool);

  // The watermark record over which the stream's records are read.
  if (MPersistentObject* watermarks = root->FindById(kWatermarkPool)) {
    static const int32_t kZeroIds[] = {kWMFontCharSet, kWMFontStyle, kWMValue389};
    static const int32_t kMoreZeroIds[] = {kWMFontWidth, kWMFontEscapement, kWMCustomAngle, kWMValue396, kWMValue397,
                                           kWMShadeLevel,  kWMRed,           kWMGreen,       kWMBlue,     kWatermarkBuiltIn};
    auto* record = new GAttributeComposite(&kWatermarkEntry);
    record->AddChild(new GStringAttribute("", &kWatermarkName));
    record->AddChild(new GStringAttribute("", &kWatermarkText));
    record->AddChild(new GStringAttribute("Arial", &kWMFont));
    for (const int32_t& id : kZeroIds) record->AddChild(new GValueAttribute(0, &id));
    record->AddChild(new GValueAttribute(20, &kWMFontSize));
    for (const int32_t& id : kMoreZeroIds) record->AddChild(new GValueAttribute(0, &id));
    AddToGroup(watermarks, record);
  }

  // The custom size over which the stream's sizes are read.
  if (MPersistentObject* sizes = root->FindById(kCustomPaperList))
    AddToGroup(sizes, new GCustomMediaSize(0, RWCString(""), 0, 0, 0, &kCustomSizeTemplate));

  defaultTree_ = root.release();
}

int32_t GCompactSettingsCodec::MapIdForWrite(int32_t id) const {
  return mode_ == 1 ? static_cast<int32_t>(static_cast<uint32_t>(id) & 0xFFFFu) : id;
}

uint32_t GCompactSettingsCodec::MapVersionForWrite(uint32_t version) const {
  return mode_ == 1 ? (version & 0xFFFFu) : version;
}

int32_t GCompactSettingsCodec::MapIdForRead(int32_t stored) const {
  return mode_ == 1 ? static_cast<int32_t>(static_cast<uint32_t>(stored) & 0xFFFFu) : stored;
}

uint32_t GCompactSettingsCodec::MapVersionForRead(uint32_t stored) const {
  return mode_ == 1 ? (stored & 0xFFFFu) : stored;
}
