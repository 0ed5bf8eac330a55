#include "driver/GDevMode.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/GSettingValue.h"
#include "model/GAttributeComposite.h"
#include "model/GByteStream.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GLZWCompressor.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GStreamCompressor.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"

using namespace GFeatureIds;

namespace {

using PA = DevmodePrivateArea;

// The room for the serialised settings before compression: the most that
// reading a private area gives back (the decompressor's content limit).
// Settings that need more could be written but never read again; settings
// that need less but do not pack into the 902 bytes of the area are refused
// by the compressor.
constexpr size_t kMostStagingSize = GStreamCompressor::kMaxContent;

uint8_t* Bytes(DEVMODEW* dm) { return reinterpret_cast<uint8_t*>(dm); }
const uint8_t* Bytes(const DEVMODEW* dm) { return reinterpret_cast<const uint8_t*>(dm); }
const DEVMODEW* AsDevMode(const uint8_t* bytes) { return reinterpret_cast<const DEVMODEW*>(bytes); }

// Whether the 32-byte tag holds the name: the low byte of each character up
// to 32 bytes or the name's end, then a zero byte when there is room.
bool TagMatchesName(const uint8_t* tag, const RWWString& name) {
  for (size_t i = 0; i < PA::kDriverTagSize; ++i) {
    const uint8_t c = i < name.Length() ? static_cast<uint8_t>(name[i] & 0xFF) : 0;
    if (tag[i] != c) return false;
    if (c == 0) return true;
  }
  return true;
}

// Writes the name's low bytes into the tag, at most 32, and zero-fills the
// rest so that no byte of a longer earlier name survives.
void WriteTag(uint8_t* tag, const RWWString& name) {
  for (size_t i = 0; i < PA::kDriverTagSize; ++i)
    tag[i] = i < name.Length() ? static_cast<uint8_t>(name[i] & 0xFF) : 0;
}

// Tags compared as C strings of at most 32 bytes.
bool TagsEqual(const uint8_t* a, const uint8_t* b) {
  for (size_t i = 0; i < PA::kDriverTagSize; ++i) {
    if (a[i] != b[i]) return false;
    if (a[i] == 0) return true;
  }
  return true;
}

// Serialises with write(stream, holder) into the staging, which has room
// for the largest settings a private area gives back; the bytes written, or
// 0 when the write fails or the bytes need more room than that.
template <typename Write>
size_t Stage(std::unique_ptr<uint8_t[]>& staging, int format, Write write) {
  // Only the bytes written are read: the room is not cleared first.
  staging.reset(new uint8_t[kMostStagingSize]);
  GPersistOutStream holder(staging.get(), kMostStagingSize, format);
  RWVirtualOutStream* stream = holder.GetStream();
  if (stream == nullptr || !stream->Good() || !write(*stream, holder)) return 0;
  stream->Flush();
  return stream->Good() && holder.Tell() > 0 ? static_cast<size_t>(holder.Tell()) : 0;
}

GAttributeComposite* AsSettings(MPersistentObject* object) {
  auto* settings = dynamic_cast<GAttributeComposite*>(object);
  if (settings == nullptr) delete object;
  return settings;
}

// The last settings this process packed into a private area, with what
// they packed to. Packing is a pure function of the serialised bytes (one
// compressor, one level), so the same bytes packed again give the same area:
// a DEVMODE converted again and again is packed once.
class LastPacking {
 public:
  // Copies the packed bytes of plain into area (room bytes); their length,
  // or 0 when plain is not the last settings packed.
  size_t Find(const uint8_t* plain, size_t length, uint8_t* area, size_t room) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (plain_.size() != length || packed_.empty() || packed_.size() > room ||
        std::memcmp(plain_.data(), plain, length) != 0)
      return 0;
    std::memcpy(area, packed_.data(), packed_.size());
    return packed_.size();
  }
  void Keep(const uint8_t* plain, size_t length, const uint8_t* packed, size_t packedLength) {
    std::lock_guard<std::mutex> lock(mutex_);
    plain_.assign(plain, plain + length);
    packed_.assign(packed, packed + packedLength);
  }

 private:
  std::mutex mutex_;
  std::vector<uint8_t> plain_;
  std::vector<uint8_t> packed_;
};

LastPacking& Packings() {
  static LastPacking* packings = new LastPacking;  // used until the process ends
  return *packings;
}

// What a read of the private area depends on: the words that bound it
// (dmDriverExtra, capacity, length) and the stored settings bytes. The
// caller has checked that the length lies within the image.
std::vector<uint8_t> AreaKey(const uint8_t* image, size_t length) {
  std::vector<uint8_t> key;
  key.reserve(6 + length);
  for (size_t offset : {offsetof(DEVMODEW, dmDriverExtra), PA::kSettingsCapacityOffset, PA::kSettingsLengthOffset}) {
    key.push_back(image[offset]);
    key.push_back(image[offset + 1]);
  }
  key.insert(key.end(), image + PA::kSettingsOffset, image + PA::kSettingsOffset + length);
  return key;
}

// The area key of a full-size image when its stated length is readable;
// empty otherwise.
std::vector<uint8_t> ReadableAreaKey(const uint8_t* image) {
  const size_t length = PA::GetWord(image, PA::kSettingsLengthOffset);
  if (length == 0 || length > PA::kSettingsCapacity) return {};
  return AreaKey(image, length);
}

}  // namespace

GDevMode::GDevMode(GDriverInstance* instance)
    : instance_(instance), buffer_(new uint8_t[DevmodePrivateArea::kTotalSize]()) {
  PA::SetWord(buffer_, PA::kPrivateSizeOffset, static_cast<uint16_t>(PA::kTotalSize));
  PA::SetWord(buffer_, PA::kHeaderSizeOffset, static_cast<uint16_t>(PA::kHeaderSize));
  PA::SetDword(buffer_, PA::kJobValueOffset, 0);
  PA::SetWord(buffer_, PA::kTimeBiasOffset, 0);
  PA::SetWord(buffer_, PA::kFormatTagOffset, PA::kFormatTag);
  PA::SetWord(buffer_, PA::kVersionOffset, PA::kPrivateVersion);
  PA::SetWord(buffer_, PA::kSettingsLengthOffset, 0);
}

GDevMode::GDevMode(const GDevMode& other)
    : instance_(other.instance_),
      buffer_(new uint8_t[DevmodePrivateArea::kTotalSize]),
      loadedFromPrinter_(other.loadedFromPrinter_),
      codecMode_(other.codecMode_),
      emfFlag_(other.emfFlag_),
      settingsUnwritten_(other.settingsUnwritten_),
      restored_(other.restored_) {
  std::memcpy(buffer_, other.buffer_, PA::kTotalSize);
  if (other.settings_ != nullptr) settings_ = AsSettings(other.settings_->DeepCopy());
}

GDevMode::~GDevMode() {
  if (ownsBuffer_) delete[] buffer_;
  delete settings_;
}

int GDevMode::AttachInstance(GDriverInstance* instance) {
  if (instance != nullptr && !TagMatchesName(buffer_ + PA::kDriverTagOffset, instance->GetDriverName()))
    WriteTag(buffer_ + PA::kDriverTagOffset, instance->GetDriverName());
  instance_ = instance;
  return 1;
}

int GDevMode::CopyTo(DEVMODEW* out) {
  if (out == nullptr) return 0;
  CopyPublicOut(out);
  uint8_t* o = Bytes(out);
  for (size_t offset : {PA::kPrivateSizeOffset, PA::kHeaderSizeOffset, PA::kTimeBiasOffset, PA::kFormatTagOffset,
                        PA::kVersionOffset, PA::kSettingsLengthOffset, PA::kSettingsCapacityOffset})
    PA::SetWord(o, offset, PA::GetWord(buffer_, offset));
  PA::SetDword(o, PA::kJobValueOffset, PA::GetDword(buffer_, PA::kJobValueOffset));
  CopyBytes(o + PA::kDriverTagOffset, buffer_ + PA::kDriverTagOffset, PA::kDriverTagSize);
  o[PA::kDriverTagOffset + PA::kDriverTagSize - 1] = 0;
  const size_t capacity = std::min<size_t>(PA::GetWord(buffer_, PA::kSettingsCapacityOffset), PA::kSettingsCapacity);
  return CopyBytes(o + PA::kSettingsOffset, buffer_ + PA::kSettingsOffset, capacity);
}

int GDevMode::CopyFrom(GDevMode& other) {
  const uint8_t* in = other.buffer_;
  CopyPublicIn(AsDevMode(in));
  for (size_t offset : {PA::kPrivateSizeOffset, PA::kHeaderSizeOffset, PA::kTimeBiasOffset, PA::kFormatTagOffset,
                        PA::kVersionOffset, PA::kSettingsLengthOffset, PA::kSettingsCapacityOffset})
    PA::SetWord(buffer_, offset, PA::GetWord(in, offset));
  PA::SetDword(buffer_, PA::kJobValueOffset, PA::GetDword(in, PA::kJobValueOffset));
  CopyBytes(buffer_ + PA::kDriverTagOffset, in + PA::kDriverTagOffset, PA::kDriverTagSize);
  buffer_[PA::kDriverTagOffset + PA::kDriverTagSize - 1] = 0;
  const size_t capacity = std::min<size_t>(PA::GetWord(in, PA::kSettingsCapacityOffset), PA::kSettingsCapacity);
  return CopyBytes(buffer_ + PA::kSettingsOffset, in + PA::kSettingsOffset, capacity);
}

// A DEVMODE carries this driver's private area when it has a 220-byte public
// part (the private header sits right behind it), at least the 46-byte
// header, and the same driver-name tag. In framing mode the header's size,
// format, version and capacity words must also be this driver's; the compact
// codec reads streams of any of its versions, so they are not compared there.
int GDevMode::IsCompatible(const DEVMODEW* in) {
  if (in == nullptr) return 0;
  const uint8_t* dm = Bytes(in);
  const size_t extra = PA::GetWord(dm, offsetof(DEVMODEW, dmDriverExtra));
  if (extra < PA::kHeaderSize) return 0;
  if (PA::GetWord(dm, offsetof(DEVMODEW, dmSize)) != PA::kPublicSize) return 0;
  if (!TagsEqual(dm + PA::kDriverTagOffset, buffer_ + PA::kDriverTagOffset)) return 0;
  if (GetCodecMode() != 1) {
    // The capacity word lies beyond a bare header.
    if (extra < PA::kSettingsOffset - PA::kPublicSize) return 0;
    for (size_t offset : {PA::kPrivateSizeOffset, PA::kHeaderSizeOffset, PA::kFormatTagOffset, PA::kVersionOffset,
                          PA::kSettingsCapacityOffset})
      if (PA::GetWord(dm, offset) != PA::GetWord(buffer_, offset)) return 0;
  }
  return 1;
}

int GDevMode::LoadFrom(const DEVMODEW* in) {
  if (in == nullptr) return 0;
  // Everything below reads a bounded full-size image of the caller's buffer.
  std::vector<uint8_t> image(PA::kTotalSize);
  PA::MakeImage(in, image.data());
  GAttributeComposite* restored = nullptr;
  if (IsCompatible(AsDevMode(image.data()))) {
    PA::SetDword(buffer_, PA::kJobValueOffset, PA::GetDword(image.data(), PA::kJobValueOffset));
    PA::SetWord(buffer_, PA::kTimeBiasOffset, PA::GetWord(image.data(), PA::kTimeBiasOffset));
    restored = ReadPrivateImage(image.data(), 0);
    // Settings an older driver wrote: the framing without the codec, or
    // LZW-packed, rebuilt over the current defaults.
    if (restored == nullptr) restored = ReadOldForms(image.data());
  }
  if (restored != nullptr) {
    PublicToSettings(AsDevMode(image.data()), restored);
    AdoptSettings(restored);
  } else if (settings_ != nullptr) {
    PublicToSettings(AsDevMode(image.data()), settings_);
  }
  SetSettings(nullptr);
  return 1;
}

GAttributeComposite* GDevMode::ReadOldForms(const uint8_t* image) {
  GAttributeComposite* old = ReadPrivateImage(image, kForceFraming);
  if (old == nullptr) old = ReadPrivateImage(image, kForceFraming | kLzwPacked);
  return old != nullptr ? RebuildFromOldForm(old) : nullptr;
}

GAttributeComposite* GDevMode::RebuildFromOldForm(GAttributeComposite* old) {
  std::unique_ptr<GAttributeComposite> owned(old);
  std::unique_ptr<MPersistentObject> copy(old->DeepCopy());
  std::unique_ptr<uint8_t[]> staging;
  const size_t written = Stage(staging, PrivateStreamFormat(true), [&](RWVirtualOutStream& stream, GPersistOutStream& holder) {
    return codec_.Encode(old, &stream, &holder, 0) == 1;
  });
  if (written == 0) return nullptr;
  owned.reset();
  GAttributeComposite* rebuilt = RestoreSettings(staging.get(), written, true);
  if (rebuilt != nullptr && instance_ != nullptr) instance_->CopyNUpSettings(copy.get(), rebuilt);
  return rebuilt;
}

int GDevMode::SetSettings(const GAttributeComposite* settings) {
  if (settings != nullptr) AdoptSettings(AsSettings(settings->DeepCopy()));
  if (settings_ == nullptr) return 0;
  const int r = SettingsToPublic(settings_, reinterpret_cast<DEVMODEW*>(buffer_));
  if (r != 1 || bufferSize_ < GetTotalSize()) return r;
  PA::SetWord(buffer_, PA::kFormatTagOffset, PA::kFormatTag);
  PA::SetWord(buffer_, PA::kVersionOffset, PA::kPrivateVersion);
  // The stored graph carries each object's serial number, which a restore
  // or a new object takes from the process's running count. Written as 0
  // (a restore then numbers the objects afresh, as it does today for the
  // driver's defaults), the same settings give the same DEVMODE whatever
  // the process made before.
  settings_->ClearSerials();
  const int n = WritePrivate(reinterpret_cast<DEVMODEW*>(buffer_), settings_);
  if (n == 0) {
    // The area keeps what it held (nothing of these settings is written),
    // and the buffer no longer stands for the object's settings.
    settingsUnwritten_ = 1;
    return 0;
  }
  PA::SetWord(buffer_, PA::kSettingsLengthOffset, static_cast<uint16_t>(n));
  settingsUnwritten_ = 0;
  return r;
}

DEVMODEW* GDevMode::GetBuffer() { return reinterpret_cast<DEVMODEW*>(buffer_); }

GAttributeComposite* GDevMode::GetSettings() { return settings_; }

int16_t GDevMode::GetXResolution() {
  int16_t value = 0;
  GSettingValue::Get16(settings_, kXResolution, &value);
  return value;
}

int16_t GDevMode::GetYResolution() {
  int16_t value = 0;
  GSettingValue::Get16(settings_, kYResolution, &value);
  return value;
}

int GDevMode::CopyBytes(void* to, const void* from, size_t length) {
  if (length != 0) std::memmove(to, from, length);
  return 1;
}

// Both codec modes serialise into native binary streams: the private area
// is a little-endian fixed-width wire format with 902 bytes of room, which
// is what the binary streams write (the portable text form is several times
// longer, and the byte-order tagged form only adds a header that the fixed
// layout makes redundant). Old buffers read with the framing flag use the
// same format.
int GDevMode::PrivateStreamFormat(bool /*compact*/) { return 1; }

int GDevMode::WritePrivate(DEVMODEW* dm, const GAttributeComposite* settings) {
  if (dm == nullptr) return 0;
  const bool compact = GetCodecMode() == 1;
  std::unique_ptr<uint8_t[]> staging;
  const size_t written = Stage(staging, PrivateStreamFormat(compact), [&](RWVirtualOutStream& stream, GPersistOutStream& holder) {
    if (compact) return codec_.Encode(settings, &stream, &holder, 0) == 1;
    RWWriteObjectPointer(stream, settings);
    return true;
  });
  if (written == 0) return 0;
  uint8_t* area = Bytes(dm) + PA::kSettingsOffset;
  if (const size_t packed = Packings().Find(staging.get(), written, area, PA::kSettingsCapacity))
    return static_cast<int>(packed);
  // The settings fit the area only compressed; when they do not, nothing is
  // written and the caller fails.
  RWMemoryStreamBuf inBuffer(RWMemoryStreamBuf::ForReading{}, staging.get(), written);
  RWMemoryStreamBuf outBuffer(RWMemoryStreamBuf::ForWriting{}, Bytes(dm) + PA::kSettingsOffset,
                              PA::kSettingsCapacity);
  std::istream in(&inBuffer);
  std::ostream out(&outBuffer);
  if (GStreamCompressor().Compress(in, out) != 1) return 0;
  Packings().Keep(staging.get(), written, area, outBuffer.Size());
  return static_cast<int>(outBuffer.Size());
}

GAttributeComposite* GDevMode::ReadPrivate(const DEVMODEW* dm, int flags) {
  if (dm == nullptr) return nullptr;
  std::vector<uint8_t> image(PA::kTotalSize);
  PA::MakeImage(dm, image.data());
  return ReadPrivateImage(image.data(), flags);
}

GAttributeComposite* GDevMode::ReadPrivateImage(const uint8_t* image, int flags) {
  const bool compact = GetCodecMode() == 1 && (flags & kForceFraming) == 0;
  // The words and data lie within dmDriverExtra; the data within its stated
  // length, which may not pass the capacity or the 902 bytes of room.
  const size_t extra = PA::GetWord(image, offsetof(DEVMODEW, dmDriverExtra));
  const size_t end = PA::kPublicSize + extra;
  if (end <= PA::kSettingsOffset) return nullptr;
  const size_t capacity = PA::GetWord(image, PA::kSettingsCapacityOffset);
  if (capacity == 0 || image[PA::kSettingsOffset] == 0) return nullptr;
  const size_t length = PA::GetWord(image, PA::kSettingsLengthOffset);
  if (length == 0 || length > capacity || length > PA::kSettingsCapacity || PA::kSettingsOffset + length > end)
    return nullptr;

  // The same area as the one kept restored: a copy of those settings.
  if (flags == 0 && restored_ != nullptr && restored_->compact == compact &&
      restored_->area.size() == 6 + length && restored_->area == AreaKey(image, length))
    return AsSettings(restored_->settings->DeepCopy());

  // Only the bytes produced are read: the room is not cleared first.
  std::unique_ptr<uint8_t[]> plain(new uint8_t[kMostStagingSize]);
  size_t produced = 0;
  if ((flags & kLzwPacked) != 0) {
    GMemoryByteSource source(image + PA::kSettingsOffset, length);
    GMemoryByteSink sink(plain.get(), kMostStagingSize);
    if (GLZWCompressor().Expand(source, sink) != 1) return nullptr;
    produced = sink.Length();
  } else {
    RWMemoryStreamBuf inBuffer(RWMemoryStreamBuf::ForReading{}, image + PA::kSettingsOffset, length);
    RWMemoryStreamBuf outBuffer(RWMemoryStreamBuf::ForWriting{}, plain.get(), kMostStagingSize);
    std::istream in(&inBuffer);
    std::ostream out(&outBuffer);
    if (GStreamCompressor().Uncompress(in, out) != 1) return nullptr;
    produced = outBuffer.Size();
  }
  if (produced == 0) return nullptr;
  return RestoreSettings(plain.get(), produced, compact);
}

GAttributeComposite* GDevMode::RestoreSettings(const uint8_t* bytes, size_t length, bool compact) {
  GPersistInStream holder(bytes, length, PrivateStreamFormat(compact));
  RWVirtualInStream* stream = holder.GetStream();
  if (stream == nullptr || !stream->Good()) return nullptr;
  MPersistentObject* object = nullptr;
  if (compact) {
    object = codec_.Decode(stream, &holder, instance_, 0);
  } else {
    MPersistentObject::ReadPersistentObject(*stream, object);
  }
  return AsSettings(object);
}

int GDevMode::CopyPublicOut(DEVMODEW* out) { return CopyBytes(out, buffer_, PA::kPublicSize); }

int GDevMode::CopyPublicIn(const DEVMODEW* in) { return CopyBytes(buffer_, in, PA::kPublicSize); }

int16_t GDevMode::GetCodecMode() {
  if (codecMode_ >= 0) return codecMode_;
  if (instance_ == nullptr) return 0;
  MPersistentObject* configuration = instance_->GetPrinterConfiguration();
  // The configuration may itself be the driver configuration group.
  MPersistentObject* group = configuration != nullptr && configuration->FeatureId() == kDriverConfiguration
                                 ? configuration
                                 : GSettingValue::Find(configuration, kDriverConfiguration);
  MPersistentObject* preferences = GSettingValue::Find(group, kDriverPreferences);
  codecMode_ = GSettingValue::GetOr(preferences, kDevmodeCodecMode, 0) == 1 ? 1 : 0;
  return codecMode_;
}

void GDevMode::RememberRestored(const uint8_t* image, const GAttributeComposite* settings) {
  restored_.reset();
  if (settings == nullptr) return;
  std::vector<uint8_t> area = ReadableAreaKey(image);
  if (area.empty()) return;
  std::shared_ptr<const GAttributeComposite> copy(AsSettings(settings->DeepCopy()));
  if (copy == nullptr) return;
  restored_ = std::make_shared<const RestoredArea>(RestoredArea{std::move(area), GetCodecMode() == 1, std::move(copy)});
}

void GDevMode::AdoptSettings(GAttributeComposite* settings) {
  if (settings == settings_) return;
  delete settings_;
  settings_ = settings;
}
