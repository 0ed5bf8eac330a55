// GCompactSettingsCodec: writes a settings tree in the compact tagged binary
// form and reads it back over a tree of defaults. The platform factory embeds
// one for its object store and the DEVMODE objects embed one each.
//
// Only the interface and the identifier conversions are here so far: Encode
// and Decode answer "not available" (0 and null), and their callers store
// and read through the persisted-object framing instead.
#pragma once

#include <cstdint>

class GDriverInstance;
class GPersistInStream;
class GPersistOutStream;
class MPersistentObject;
class RWVirtualInStream;
class RWVirtualOutStream;

class GCompactSettingsCodec {
 public:
  // Mode 1 (16-bit versions and ids), no default tree.
  GCompactSettingsCodec();
  // Releases the default tree.
  ~GCompactSettingsCodec();
  GCompactSettingsCodec(const GCompactSettingsCodec&) = delete;
  GCompactSettingsCodec& operator=(const GCompactSettingsCodec&) = delete;

  // Selector 0 selects mode 1 (16-bit), 1 mode 0 (32-bit); any other is
  // refused. 1 on success, 0 when the tree could not be written; not
  // available yet: always 0, nothing written.
  int Encode(const MPersistentObject* root, RWVirtualOutStream* stream, GPersistOutStream* holder,
             int16_t selector);
  // The rebuilt settings root, owned by the caller, or null; not available
  // yet: always null, nothing read.
  MPersistentObject* Decode(RWVirtualInStream* stream, GPersistInStream* holder, GDriverInstance* instance,
                            int16_t selector);

  // Identifier conversions: in mode 1 an id or class version is written as
  // its low 16 bits and read back zero-extended; in mode 0 they are unchanged.
  int32_t MapIdForWrite(int32_t id) const;
  uint32_t MapVersionForWrite(uint32_t version) const;
  int32_t MapIdForRead(int32_t stored) const;
  uint32_t MapVersionForRead(uint32_t stored) const;

  int Mode() const { return mode_; }

 private:
  // Sets the mode from a selector; false for a selector that is neither 0 nor 1.
  bool SelectMode(int16_t selector);

  int mode_ = 1;
  MPersistentObject* defaultTree_ = nullptr;
};
