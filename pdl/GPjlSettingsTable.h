// GPjlSettingsTable: which PJL lines a job's settings become in the job
// header. One row per job setting, in the order the header carries them:
// the feature it reads, the PJL variable it writes and how the value maps
// to the variable's value, with the conditions of the line. A setting whose
// value picks one line is a row of data and nothing else; a group whose
// lines depend on several settings or on the device (the comments, duplex,
// the usage line, output bin and finishing, job retention, ...) is a row
// that names its writer (GPjlLineGroups).
#pragma once

#include <climits>
#include <cstdint>
#include <span>

#include "model/GFeatureIds.h"
#include "rw/RWCString.h"

class GConfiguration;
class GDocumentStart;
class GPjlLineWriter;
class GState;
class MPersistentObject;

// What the lines of one job are made from.
struct GPjlJob {
  GState* settings = nullptr;                // the job settings section (246)
  GConfiguration* configuration = nullptr;   // the PJL peripheral's configuration, if any
  GDocumentStart* command = nullptr;         // the document start, if any
};

// What a value row writes for a value its texts do not list.
enum class GPjlUnlisted : uint8_t {
  kNoLine,       // nothing
  kFallback,     // the variable and the row's fallback text
  kBareSetLine,  // "@PJL SET " and CR LF with nothing between
};

// How a setting's value becomes the text after the variable.
struct GPjlValueMap {
  enum Kind : uint8_t {
    kTexts,    // texts[value - first]
    kDecimal,  // the value in decimal
  };
  Kind kind = kTexts;
  int16_t first = 0;
  std::span<const char* const> texts;
  GPjlUnlisted unlisted = GPjlUnlisted::kNoLine;
  const char* fallback = "";
};

// The conditions of a value row's line besides its setting being present.
struct GPjlCondition {
  int32_t minimum = INT16_MIN;  // values below it write no line
  int32_t requiredId = 0;       // when not 0, this setting must hold requiredValue
  int16_t requiredValue = 0;
  int32_t blockingId = 0;       // when not 0, this setting holding blockingValue stops the line
  int16_t blockingValue = 0;
};

// A group's writer: appends the group's lines for the job.
using GPjlGroupWriter = void (*)(GPjlLineWriter& out, const GPjlJob& job);

struct GPjlSettingRow {
  const char* name;      // the setting or the group
  int32_t feature;       // the setting whose value picks the line (a group's main setting)
  const char* variable;  // the PJL variable it sets (a group: its first)
  GPjlValueMap map;
  GPjlCondition when;
  GPjlGroupWriter writer = nullptr;  // set for a group, which then writes its own lines
};

class GPjlSettingsTable {
 public:
  // The rows, in the order of the header.
  static std::span<const GPjlSettingRow> Rows();
  // Every row's lines, in order.
  static void AppendLines(GPjlLineWriter& out, const GPjlJob& job);
  // One row's lines.
  static void AppendRow(GPjlLineWriter& out, const GPjlSettingRow& row, const GPjlJob& job);

  // ---- Reading the settings ----
  // A value attribute's value; false when absent.
  static bool FindValue(MPersistentObject* in, int32_t id, int16_t& value);
  // A string attribute's text; null when absent.
  static const RWCString* FindText(MPersistentObject* in, int32_t id);
};
