#include "pdl/GPjlSettingsTable.h"

#include <string>

#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GPjlLineGroups.h"
#include "pdl/GPjlLineWriter.h"

using namespace GFeatureIds;

namespace {

// ---- The values' texts ----

constexpr const char* kOff[] = {"OFF"};
constexpr const char* kNo[] = {"NO"};
constexpr const char* kOffOn[] = {"OFF", "ON"};
constexpr const char* kOn[] = {"ON"};
constexpr const char* kOne[] = {"1"};
constexpr const char* kZep[] = {"OFF", "LIGHT", "MEDIUM", "DARK", "ON"};
constexpr const char* kQuality[] = {"DRAFT", "FASTNORMAL", "NORMAL", "BEST"};
constexpr const char* kProtect[] = {"ON", "AUTO", "OFF", "LETTER", "LEGAL", "A4"};
constexpr const char* kDryTimes[] = {"-15", "-10", "-5", "0", "5", "10", "15", "20", "25", "30"};
constexpr const char* kInterleave[] = {"BLANK", "PRINTED"};

// Values from first on pick their texts; other values write no line.
constexpr GPjlValueMap Listed(std::span<const char* const> texts, int16_t first = 0) {
  return {.kind = GPjlValueMap::kTexts, .first = first, .texts = texts};
}

// The same, with a text for the values that have none.
constexpr GPjlValueMap ListedOr(std::span<const char* const> texts, int16_t first, const char* fallback) {
  return {.kind = GPjlValueMap::kTexts, .first = first, .texts = texts, .unlisted = GPjlUnlisted::kFallback,
          .fallback = fallback};
}

// The job retention block goes into the header whole or not at all.
void AppendRetentionBlock(GPjlLineWriter& out, const GPjlJob& job) {
  RWCString block;
  if (GPjlLineGroups::AppendJobRetention(block, job) != 0) out.Append(block);
}

// The header's setting lines in header order. A setting whose value picks
// one SET line is a row of data: its feature, its variable, the texts of its
// values and the conditions of the line. A group of lines is a row with its
// writer.
const GPjlSettingRow kRows[] = {
    {.name = "Comments", .feature = GFeatureIds::kProductModelNumber, .variable = "COMMENT",
     .writer = [](GPjlLineWriter& out, const GPjlJob& job) { GPjlLineGroups::AppendCommentLines(out, job); }},
    {.name = "User", .feature = GFeatureIds::kPjlJobUserName, .variable = "COMMENT",
     .writer = &GPjlLineGroups::AppendUserComment},
    {.name = "JobAttributes", .feature = GFeatureIds::kPjlJobUserName, .variable = "JOBATTR=",
     .writer = &GPjlLineGroups::AppendJobAttributes},
    {.name = "DisplayMessage", .feature = GFeatureIds::kDisplayMessageText, .variable = "RDYMSG DISPLAY",
     .writer = &GPjlLineGroups::AppendDisplayMessage},
    // Copies, unless the manual-duplex filter makes them.
    {.name = "PrinterCopies", .feature = kPrinterCopies, .variable = "QTY=",
     .map = {.kind = GPjlValueMap::kDecimal},
     .when = {.minimum = 2, .blockingId = kManualDuplexPending, .blockingValue = 1}},
    {.name = "RawHeaderText", .feature = GFeatureIds::kCustomPJLCommands, .variable = "",
     .writer = &GPjlLineGroups::AppendRawHeaderText},
    {.name = "ZepChoice", .feature = kZepChoice, .variable = "ZEP=", .map = ListedOr(kZep, 0, ""),
     .when = {.minimum = 0}},
    {.name = "ManualDuplex", .feature = kDriverDecidesSheet, .variable = "MANUALDUPLEX=",
     .writer = &GPjlLineGroups::AppendManualDuplexLine},
    {.name = "Duplex", .feature = kDuplex, .variable = "DUPLEX=", .writer = &GPjlLineGroups::AppendDuplex},
    {.name = "PrintOnBackSide", .feature = kPrintOnBackSide, .variable = "PRINTONBACKSIDE=",
     .map = ListedOr(kOff, 0, "ON")},
    {.name = "Usage", .feature = kUsageLineSwitch, .variable = "USAGE=",
     .writer = &GPjlLineGroups::AppendUsageLine},
    {.name = "PrintQuality", .feature = kPrintQuality, .variable = "PRINTQUALITY=",
     .map = ListedOr(kQuality, -2, "")},
    {.name = "JobTimeStampTemplate", .feature = kJobTimeStampTemplate, .variable = "",
     .writer = &GPjlLineGroups::AppendDateTimeLines},
    {.name = "Cleaning", .feature = kCleaning, .variable = "CLEANING=", .map = ListedOr(kOff, 0, "ON")},
    {.name = "Sparetone", .feature = kSparetone, .variable = "SPARETONE=", .map = Listed(kOn, 1)},
    {.name = "TurboMode", .feature = kTurboMode, .variable = "TURBOMODE=",
     .map = {.kind = GPjlValueMap::kTexts, .texts = kOffOn, .unlisted = GPjlUnlisted::kBareSetLine}},
    {.name = "PlanesInUse", .feature = kPlanesInUseFlag, .variable = "PLANESINUSE=", .map = Listed(kOne, 1),
     .when = {.requiredId = kPrintColorAsGray, .requiredValue = 1}},
    {.name = "Grayscale", .feature = kPrintColorAsGray, .variable = "GRAYSCALE=",
     .writer = &GPjlLineGroups::AppendGrayscale},
    {.name = "OutputBin", .feature = kOutputBin, .variable = "OUTBIN=",
     .writer = &GPjlLineGroups::AppendOutputLines},
    {.name = "KivChoice", .feature = kKivChoice, .variable = "PAGEPROTECT=", .map = ListedOr(kProtect, 0, "AUTO"),
     .when = {.minimum = 0}},
    {.name = "Paper", .feature = kPageMedia, .variable = "PAPER=", .writer = &GPjlLineGroups::AppendPaper},
    {.name = "Temperature", .feature = GFeatureIds::kCopyQualifierIndex, .variable = "TRAY1TEMP=",
     .writer = &GPjlLineGroups::AppendTemperature},
    {.name = "JobRetention", .feature = kJobRetentionModeChoice, .variable = "HOLD=", .writer = &AppendRetentionBlock},
    {.name = "Resolution", .feature = GFeatureIds::kResolution, .variable = "RESOLUTION=",
     .writer = &GPjlLineGroups::AppendResolutionLines},
    {.name = "EdgeToEdge", .feature = kEdgeToEdge, .variable = "EDGETOEDGE=", .map = ListedOr(kNo, 0, "YES"),
     .when = {.minimum = 0}},
    {.name = "DeviceInfoRequest", .feature = kDeviceInfoRequest, .variable = "DMINFO",
     .writer = &GPjlLineGroups::AppendDeviceInfoRequest},
    {.name = "DryTime", .feature = kDryTime, .variable = "KWEEXTRADRYTIME=", .map = ListedOr(kDryTimes, 1, "0")},
    {.name = "TransparencyInterleave", .feature = kTransparencyInterleave, .variable = "OHPINTERLEAVE=",
     .map = Listed(kInterleave, 1)},
    {.name = "ImageShift", .feature = kImageShift, .variable = "PROCESSINGTYPE=",
     .writer = &GPjlLineGroups::AppendImageShift},
};

}  // namespace

std::span<const GPjlSettingRow> GPjlSettingsTable::Rows() { return kRows; }

void GPjlSettingsTable::AppendLines(GPjlLineWriter& out, const GPjlJob& job) {
  for (const GPjlSettingRow& row : kRows) AppendRow(out, row, job);
}

void GPjlSettingsTable::AppendRow(GPjlLineWriter& out, const GPjlSettingRow& row, const GPjlJob& job) {
  if (row.writer != nullptr) {
    row.writer(out, job);
    return;
  }
  int16_t value = 0;
  if (!FindValue(job.settings, row.feature, value) || value < row.when.minimum) return;
  int16_t other = 0;
  if (row.when.requiredId != 0 && !(FindValue(job.settings, row.when.requiredId, other) && other == row.when.requiredValue))
    return;
  if (row.when.blockingId != 0 && FindValue(job.settings, row.when.blockingId, other) && other == row.when.blockingValue)
    return;
  std::string text = row.variable;
  if (row.map.kind == GPjlValueMap::kDecimal) {
    text += std::to_string(value);
  } else {
    const int32_t index = static_cast<int32_t>(value) - row.map.first;
    if (index >= 0 && static_cast<size_t>(index) < row.map.texts.size()) {
      text += row.map.texts[static_cast<size_t>(index)];
    } else if (row.map.unlisted == GPjlUnlisted::kFallback) {
      text += row.map.fallback;
    } else if (row.map.unlisted == GPjlUnlisted::kBareSetLine) {
      text.clear();
    } else {
      return;
    }
  }
  out.AppendSetLine(text.c_str());
}

bool GPjlSettingsTable::FindValue(MPersistentObject* in, int32_t id, int16_t& value) {
  if (in == nullptr) return false;
  auto* attribute = dynamic_cast<GValueAttribute*>(in->FindById(id));
  if (attribute == nullptr) return false;
  value = attribute->GetValue();
  return true;
}

const RWCString* GPjlSettingsTable::FindText(MPersistentObject* in, int32_t id) {
  if (in == nullptr) return nullptr;
  auto* attribute = dynamic_cast<GStringAttribute*>(in->FindById(id));
  return attribute != nullptr ? &attribute->GetString() : nullptr;
}

