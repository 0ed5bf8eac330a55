// GCompactSettingsCodec: writes a settings tree in the compact tagged binary
// form (the compact settings stream) and reads it back. Each attribute kind
// has a small fixed record and small values fold into the tag byte, so that
// compressed document settings fit the DEVMODE's private area. The DEVMODE
// objects embed one codec each and the platform factory one for its object
// store.
//
// The reader does not trust the stream: it rebuilds every composite over a
// tree of defaults, takes a child only where the defaults have a child of
// that id and kind, fills in every default child the stream lacks, and keeps
// every read within the record that holds it.
//
// Stream layout (little-endian; "ver" and "id" are 16-bit in mode 1 and
// 32-bit in mode 0): 20 bytes 0x73, then one root record. A composite
// record is: tag, ver, id, 16-bit length, the children's records, a 0 byte;
// the length counts from its own first byte to just past the end byte, plus
// one.
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

  // Writes the header and the root's record. Selector 0 selects mode 1
  // (16-bit versions and ids), 1 mode 0 (32-bit); any other answers 0. The
  // holder reports and sets the write position (the composites' lengths are
  // patched in afterwards). 1 on success; 0 when the root is not a
  // composite kind, a child has no record, a record is too long for its
  // 16-bit length, or the stream failed. A null root writes the header
  // alone and answers 1.
  int Encode(const MPersistentObject* root, RWVirtualOutStream* stream, GPersistOutStream* holder,
             int16_t selector);

  // Reads a stream written by Encode and answers the rebuilt root (owned by
  // the caller), or null for a bad header, an unknown root, a root that the
  // default tree lacks, or a selector other than 0 or 1. The first decode
  // builds the tree of defaults from the instance; later ones reuse it. The
  // holder reports the read position (damaged records are skipped by their
  // length).
  MPersistentObject* Decode(RWVirtualInStream* stream, GPersistInStream* holder, GDriverInstance* instance,
                            int16_t selector);

  // Identifier conversions: in mode 1 an id or class version is written as
  // its low 16 bits and read back zero-extended; in mode 0 they are unchanged.
  int32_t MapIdForWrite(int32_t id) const;
  uint32_t MapVersionForWrite(uint32_t version) const;
  int32_t MapIdForRead(int32_t stored) const;
  uint32_t MapVersionForRead(uint32_t stored) const;

  // 1 (16-bit) or 0 (32-bit): the mode of the last encode or decode.
  int Mode() const { return mode_; }
  // The tree of defaults (borrowed); null before the first decode.
  const MPersistentObject* DefaultTree() const { return defaultTree_; }

 private:
  // Sets the mode from a selector; false for a selector that is neither 0 nor 1.
  bool SelectMode(int16_t selector);
  // Builds the tree of defaults from the instance.
  void BuildDefaultTree(GDriverInstance* instance);

  int mode_ = 1;
  MPersistentObject* defaultTree_ = nullptr;
};
