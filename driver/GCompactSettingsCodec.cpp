#include "driver/GCompactSettingsCodec.h"

#include "model/MPersistentObject.h"

GCompactSettingsCodec::GCompactSettingsCodec() = default;

GCompactSettingsCodec::~GCompactSettingsCodec() { delete defaultTree_; }

bool GCompactSettingsCodec::SelectMode(int16_t selector) {
  if (selector != 0 && selector != 1) return false;
  mode_ = selector == 0 ? 1 : 0;
  return true;
}

int GCompactSettingsCodec::Encode(const MPersistentObject*, RWVirtualOutStream*, GPersistOutStream*,
                                  int16_t selector) {
  SelectMode(selector);
  return 0;
}

MPersistentObject* GCompactSettingsCodec::Decode(RWVirtualInStream*, GPersistInStream*, GDriverInstance*,
                                                 int16_t selector) {
  SelectMode(selector);
  return nullptr;
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
