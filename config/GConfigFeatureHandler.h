// GConfigFeatureHandler: the base of the small classes that move one feature
// of the configuration library's tree into the settings model (Import) and
// back (Export). It holds the library it talks to and offers the mechanics
// every handler shares: the text buffers handed to the library, option
// tables that map the tree's option texts to attribute values, the generic
// table import and export, decimal numbers, the change list and the "lock"
// attribute check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "win32/Types.h"

class GAttribute;
class GAttributeComposite;
class GDMCLibrary;
class GDriverInstance;
class GValueAttribute;

// A text buffer handed to the library. The library finds its capacity by the
// terminator in the last element: the buffer is filled with a fill character
// and ends with 0. Option texts use the blank character 0x0020; the feature
// list is filled byte-wise with blanks, which makes its characters 0x2020.
class GDMCTextBuffer {
 public:
  static constexpr WCHAR kBlank = 0x0020;
  static constexpr WCHAR kBlankBytes = 0x2020;

  explicit GDMCTextBuffer(size_t bytes, WCHAR fill = kBlank);
  GDMCTextBuffer(const GDMCTextBuffer&) = delete;
  GDMCTextBuffer& operator=(const GDMCTextBuffer&) = delete;

  // Fills again with the fill character and puts the terminator back.
  void Refill();
  LPWSTR Data() { return data_.get(); }
  LPCWSTR Text() const { return data_.get(); }
  // Capacity in characters, the terminator included.
  size_t Chars() const { return chars_; }

 private:
  std::unique_ptr<WCHAR[]> data_;
  size_t chars_;
  WCHAR fill_;
};

// A narrow buffer for the library's conversions: blanks and a 0 in the
// last byte.
class GDMCNarrowBuffer {
 public:
  explicit GDMCNarrowBuffer(size_t bytes);
  GDMCNarrowBuffer(const GDMCNarrowBuffer&) = delete;
  GDMCNarrowBuffer& operator=(const GDMCNarrowBuffer&) = delete;
  char* Data() { return data_.get(); }
  size_t Bytes() const { return bytes_; }

 private:
  std::unique_ptr<char[]> data_;
  size_t bytes_;
};

// One row of an option table: an attribute value and the option text the
// library uses for it, letter case included.
struct GOptionRow {
  int16_t value;
  const WCHAR* text;
};

// What a handler records in the change list when its import set a value:
// nothing, a deep copy of the attribute, or a new value attribute with the
// attribute's id and value.
enum class GChangeRule { kNone, kCopy, kNew };

class GConfigFeatureHandler {
 public:
  // Text buffer sizes in bytes.
  static constexpr size_t kTextBytes = 510;
  static constexpr size_t kNumberNarrowBytes = 64;
  static constexpr size_t kNumberWideBytes = 128;

  GConfigFeatureHandler();
  explicit GConfigFeatureHandler(GDMCLibrary* library);
  GConfigFeatureHandler(const GConfigFeatureHandler&) = delete;
  GConfigFeatureHandler& operator=(const GConfigFeatureHandler&) = delete;
  virtual ~GConfigFeatureHandler();

  // 1 when the tree's option was recognised and written into the settings;
  // changes receives what the handler's rule records (may be null).
  virtual int Import(GAttributeComposite* settings, GAttributeComposite* changes) = 0;
  // 1 when a value was written into the tree.
  virtual int Export(GAttributeComposite* settings) = 0;

  GDMCLibrary* GetLibrary() const { return library_; }

  // ---- Shared mechanics, also for handlers outside this file ----

  // The group with the id anywhere in the settings, when it is a container.
  static GAttributeComposite* FindGroup(GAttributeComposite* settings, int32_t group);
  // The value attribute id inside the group; null when either is missing
  // or the attribute is no value attribute.
  static GValueAttribute* FindValue(GAttributeComposite* settings, int32_t group, int32_t id);
  // The first row whose text equals text (IsSameText); -1 when none.
  static int FindRowByText(const GOptionRow* rows, uint16_t count, LPCWSTR text);
  // The first row whose value equals value; -1 when none.
  static int FindRowByValue(const GOptionRow* rows, uint16_t count, int16_t value);
  // Records the attribute in the change list by the rule.
  static void RecordChange(GAttributeComposite* changes, GAttribute* attribute, int16_t value, GChangeRule rule);
  // The decimal number at the start of the text as the C runtime's integer
  // conversion reads it (leading white space and a sign allowed, 0 without
  // digits); it saturates at the 32-bit limits. Reads at most bytes bytes.
  static int32_t ParseNumber(const char* text, size_t bytes);

  // Makes path the library's current feature and reads its option into the
  // buffer; 0 when the library does not know the path.
  int ReadOption(LPCWSTR path, GDMCTextBuffer& buffer);
  // The generic table import: the attribute group/id gets the value of the
  // first row whose text is the tree's option; matched receives that value.
  // 0 when the attribute is missing, the path is unknown or no row matches.
  int ImportTable(GAttributeComposite* settings, GAttributeComposite* changes, int32_t group, int32_t id,
                  LPCWSTR path, const GOptionRow* rows, uint16_t count, size_t bufferBytes, GChangeRule rule,
                  int16_t* matched = nullptr);
  // The generic table export: the first row with the attribute's value is
  // written to path. A strict export answers the library's answer and tries
  // the next row with the same value when the library refused.
  int ExportTable(GAttributeComposite* settings, int32_t group, int32_t id, LPCWSTR path, const GOptionRow* rows,
                  uint16_t count, bool strict);
  int ExportValue(GValueAttribute* attribute, LPCWSTR path, const GOptionRow* rows, uint16_t count, bool strict);
  // The "lock" attribute of the feature: when the library answers 1 (any
  // non-zero answer with acceptAnyAnswer) and the text is "TRUE" or "true",
  // a marker with the locked feature's id is appended to the
  // locked-features list of the preferences group. Never changes a result.
  void CheckLock(GAttributeComposite* settings, LPCWSTR path, int32_t lockedFeatureId, GDMCTextBuffer& buffer,
                 bool acceptAnyAnswer = false);
  // Reads the feature's option as a decimal number (through the library's
  // narrowing); 0 when the path is unknown, else 1 and *number.
  int ReadNumber(LPCWSTR path, size_t bufferBytes, int32_t* number);
  // Writes the number's decimal text to path; the library's answer.
  int ExportNumber(LPCWSTR path, int32_t number);

 protected:
  GDMCLibrary* library_;
};
