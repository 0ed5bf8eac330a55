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

#include "rw/RWCString.h"

class GConfiguration;
class GDocumentStart;
class GPjlLineWriter;
class GState;
class MPersistentObject;

// The feature ids the settings lines read, all named here: first those
// that the device model and the tests name too, then the table's own.
constexpr int32_t GPjlRawHeaderTextId = 240;    // raw header text, written as stored
constexpr int32_t GProductModelNumberId = 956;  // ProductModelNumber
constexpr int32_t GJobCommentTextId = 1007;
constexpr int32_t GSecondJobCommentTextId = 1008;
constexpr int32_t GJobUserNameId = 975;          // JobUserName
constexpr int32_t GDisplayMessageTextId = 800;   // DisplayMessageText
constexpr int32_t GDisplayMessageKindId = 801;   // DisplayMessageKind
constexpr int32_t GPjlResolutionId = 249;        // Resolution, with XResolution (323)
constexpr int32_t GPjlXResolutionId = 323;

namespace GPjlFeature {
constexpr int32_t kPrinterCopies = 247;
constexpr int32_t kZepChoice = 250;
constexpr int32_t kKivChoice = 251;
constexpr int32_t kSparetone = 252;
constexpr int32_t kDuplex = 253;
constexpr int32_t kDiscoveredDuplexUnit = 204;
constexpr int32_t kPrintColorAsGray = 296;
constexpr int32_t kPrintColorAsGrayOptions = 410;
constexpr int32_t kEdgeToEdge = 442;
constexpr int32_t kCleaning = 703;
constexpr int32_t kPrintQuality = 901;
constexpr int32_t kJobAccountingField3 = 999;
constexpr int32_t kJobAccountingField2 = 1000;
constexpr int32_t kTurboMode = 1009;
constexpr int32_t kPlanesInUseFlag = 1030;
constexpr int32_t kManualDuplexPending = 1123;
constexpr int32_t kPrintOnBackSide = 1128;
constexpr int32_t kJobAccountingField5 = 1131;
constexpr int32_t kDryTime = 1133;
constexpr int32_t kImageShift = 1202;
constexpr int32_t kTransparencyInterleave = 1204;
constexpr int32_t kJobTimeStampTemplate = 596;
constexpr int32_t kDeviceInfoRequest = 1121;
constexpr int32_t kResolutionList = 206;
constexpr int32_t kPaperHandlingDevices = 90;
constexpr int32_t kOutputBin = 248;
constexpr int32_t kStaplerChoice = 278;
constexpr int32_t kStapling = 289;
constexpr int32_t kBinderChoice = 612;
constexpr int32_t kStaplingMode = 982;
constexpr int32_t kNoFinishing = 1127;
constexpr int32_t kNUpChoice = 266;
constexpr int32_t kScaleChoice = 269;
constexpr int32_t kFitToOtherSizeChoice = 270;
constexpr int32_t kBookletPrintingChoice = 279;
constexpr int32_t kUsageLineSwitch = 1021;
constexpr int32_t kUsageText = 1022;
constexpr int32_t kBitsPerPixel = 325;
constexpr int32_t kPjlBitsPerPixel = 955;
constexpr int32_t kHoldJobName = 282;
constexpr int32_t kHoldPin = 284;
constexpr int32_t kJobRetentionMode = 287;
constexpr int32_t kPrivateStore = 290;
constexpr int32_t kAlternativeUserName = 440;
constexpr int32_t kUtf8Switch = 1027;
constexpr int32_t kUserNameSource = 1034;
constexpr int32_t kJobNameSource = 1035;
}  // namespace GPjlFeature

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
