// GVersionInfo: reads a module's version resource. It keeps its own copy of
// the block, the table of translations (language and code page pairs) and
// the translation in use, the first one; the message boxes take the reading
// direction of the UI resource library from it.
//
// The block comes from a file and is not trusted: its size is bounded and
// every value taken from it must lie inside it. A module without version
// information (or without a translation table) leaves the reader empty.
#pragma once

#include <cstdint>
#include <memory>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GVersionInfo {
 public:
  // A version resource's length is a 16-bit field: no real block is larger.
  static constexpr uint32_t kMaxBlockSize = 0xFFFF;
  // The longest module path looked at (the platform's long-path limit).
  static constexpr DWORD kMaxPath = 32768;

  // Reads the version information of the module's file; a null module is
  // the executable's.
  explicit GVersionInfo(HINSTANCE module);
  GVersionInfo(const GVersionInfo&) = delete;
  GVersionInfo& operator=(const GVersionInfo&) = delete;
  ~GVersionInfo();

  // True when the module has a version block with a translation table.
  bool IsLoaded() const { return block_ != nullptr; }
  // Language in the low word, code page in the high word of the current
  // translation; 0 when empty.
  int GetTranslation() const;
  uint16_t GetLanguage() const { return language_; }
  uint16_t GetCodePage() const { return codePage_; }
  // The number of translations; 0 when empty.
  int GetTranslationCount() const { return static_cast<int>(translationCount_); }
  // The string value ("FileVersion", "ProductName", ...) of the current
  // translation: "\StringFileInfo\llllcccc\name". 1 and the text, or 0 and an
  // empty text.
  int GetStringValue(const RWWString& name, RWWString* out) const;
  const RWWString& GetModulePath() const { return modulePath_; }
  uint32_t GetBlockSize() const { return blockSize_; }

 private:
  void Clear();
  // True when [at, at + bytes) lies inside the block.
  bool InBlock(const void* at, size_t bytes) const;

  std::unique_ptr<uint8_t[]> block_;
  size_t translations_ = 0;  // offset of the translation table in the block
  uint32_t translationCount_ = 0;
  uint32_t current_ = 0;
  RWWString modulePath_;
  uint16_t language_ = 0;
  uint16_t codePage_ = 0;
  uint32_t blockSize_ = 0;
};
