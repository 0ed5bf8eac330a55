// GPjlSettingsTable: which PJL lines a job's settings become in the job
// header. One row per job setting, in the order the header carries them:
// the feature it reads, the PJL variable it writes and how the value maps
// to the variable's value, with the conditions of the line. A setting whose
// value picks one line is a row of data and nothing else; a group whose
// lines depend on several settings or on the device (the comments, duplex,
// the usage line, output bin and finishing, job retention, ...) is a row
// that names its writer, one of the writers below.
#pragma once

#include <climits>
#include <cstdint>
#include <span>

#include "rw/RWCString.h"

class GConfiguration;
class GDocumentStart;
class GPjlLineWriter;
class GState;
class MPersistentObject;

// Feature ids of the job settings that the header's lines read and that
// the device model names (the table's other ids are its own).
constexpr int32_t GPjlRawHeaderTextId = 240;    // raw header text, written as stored
constexpr int32_t GProductModelNumberId = 956;  // ProductModelNumber
constexpr int32_t GJobCommentTextId = 1007;
constexpr int32_t GSecondJobCommentTextId = 1008;
constexpr int32_t GJobUserNameId = 975;          // JobUserName
constexpr int32_t GDisplayMessageTextId = 800;   // DisplayMessageText
constexpr int32_t GDisplayMessageKindId = 801;   // DisplayMessageKind
constexpr int32_t GPjlResolutionId = 249;        // Resolution, with XResolution (323)
constexpr int32_t GPjlXResolutionId = 323;

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

  // ---- Group writers ----
  // The model number, the job comments or the operating-system line; 0.
  static int AppendCommentLines(GPjlLineWriter& out, const GPjlJob& job);
  // "@PJL COMMENT " and the quoted operating-system text.
  static void AppendOsInfo(GPjlLineWriter& out);
  // "@PJL COMMENT " with "Username: " and the job's user name.
  static void AppendUserComment(GPjlLineWriter& out, const GPjlJob& job);
  // JOBATTR lines: the user name, accounting fields 2 and 3, the local time
  // when the platform gives it, accounting field 5.
  static void AppendJobAttributes(GPjlLineWriter& out, const GPjlJob& job);
  // The message on the printer's panel, for the operator or when ready.
  static void AppendDisplayMessage(GPjlLineWriter& out, const GPjlJob& job);
  // The raw header text, as stored (it holds whole PJL lines).
  static void AppendRawHeaderText(GPjlLineWriter& out, const GPjlJob& job);
  // Duplex and binding; without a duplex unit the printer is told to print
  // one side.
  static void AppendDuplex(GPjlLineWriter& out, const GPjlJob& job);
  // The USAGE line: model code, checksums, layout flags, system and port.
  static void AppendUsageLine(GPjlLineWriter& out, const GPjlJob& job);
  // One SET line per segment of the job's time-stamp template, the last
  // segment first, its tags replaced by the local date and time.
  static void AppendDateTimeLines(GPjlLineWriter& out, const GPjlJob& job);
  static void AppendGrayscale(GPjlLineWriter& out, const GPjlJob& job);
  // Output bin and finishing: one of the three writers below by OutputBin.
  static void AppendOutputLines(GPjlLineWriter& out, const GPjlJob& job);
  static void AppendStackerLines(GPjlLineWriter& out, const GPjlJob& job, int16_t bin);
  static void AppendStaplerBinLines(GPjlLineWriter& out, bool stapling, int16_t bin);
  static void AppendOutputBinLines(GPjlLineWriter& out, const GPjlJob& job);
  // The job retention block into its own text; 1 when it made one (the job
  // has a retention mode), else 0.
  static int AppendJobRetention(RWCString& block, const GPjlJob& job);
  // RESOLUTION always, BITSPERPIXEL when the printer has a two-bit mode.
  static void AppendResolutionLines(GPjlLineWriter& out, const GPjlJob& job);
  // The DMINFO request stamped with the adjusted time.
  static void AppendDeviceInfoRequest(GPjlLineWriter& out, const GPjlJob& job);
  static void AppendImageShift(GPjlLineWriter& out, const GPjlJob& job);
};
