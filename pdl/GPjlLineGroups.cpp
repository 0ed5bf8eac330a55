#include "pdl/GPjlLineGroups.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/GDriverInstance.h"
#include "driver/osfactry.h"
#include "model/GConfiguration.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/GOSVersionInfo.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GState.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "pdl/GPjlLineWriter.h"
#include "printpath/GDocumentCommand.h"

using namespace GFeatureIds;

namespace {

constexpr auto& FindValue = GPjlSettingsTable::FindValue;
constexpr auto& FindText = GPjlSettingsTable::FindText;

// The platform text of the operating-system line.
const char* PlatformText(const GOSVersionInfo& version) {
  switch (version.GetPlatformCode()) {
    case 0: return " (n/a);";
    case 1: return "DOS;";
    case 2:
    case 4: return "Win3x;";
    case 3: return "WFW;";
    case 5: return (version.GetBuild() >> 16) > 7 ? "WinMe;" : "Win9x;";
    case 9: return "WinNT;";
    case 10: return "WinNTAS;";
    case 11: return "WinNT Kernel;";
    case 12: return "OS2;";
    case 13: return "Win2k;";
    default: return "(n/a);";
  }
}

// The printer family's models as the usage line reports them: a model
// number found in the ProductModelNumber text, and its code.
struct UsageModel {
  const char* number;
  const char* code;
};
constexpr UsageModel kUsageModels[] = {
    {"4700", "QR47"},
    {"4710", "QR4A"},
    {"4750", "QR4F"},
    {"4790", "QR4X"},
};

// Whether the text holds the pattern, ignoring the case of ASCII letters.
bool ContainsIgnoringCase(const RWCString& text, const char* pattern) {
  const size_t n = std::strlen(pattern);
  for (size_t i = 0; i + n <= text.Length(); ++i) {
    size_t k = 0;
    while (k < n && std::toupper(static_cast<unsigned char>(text.Data()[i + k])) ==
                        std::toupper(static_cast<unsigned char>(pattern[k])))
      ++k;
    if (k == n) return true;
  }
  return false;
}

// The platform's clock; false when there is no factory or it cannot tell.
bool ReadClock(GDateTime& local, GDateTime& shifted, int16_t& offset) {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr && factory->GetDateTime(&local, &shifted, &offset) != 0;
}

// Replaces the first occurrence of the tag in the text.
void ReplaceFirst(std::string& text, const char* tag, const std::string& with) {
  const size_t at = text.find(tag);
  if (at != std::string::npos) text.replace(at, std::strlen(tag), with);
}

// The entry of a value table, or null when the value has none.
const char* TableText(const char* const* table, int count, int16_t value) {
  return value >= 0 && value < count ? table[value] : nullptr;
}

// Sets a value attribute of the job settings that the header consumed.
void SetJobValue(const GPjlJob& job, int32_t id, int16_t value) {
  if (auto* attribute = dynamic_cast<GValueAttribute*>(job.settings->FindById(id))) attribute->SetValue(value);
}

}  // namespace

// ---- Comments and attributes ----

int GPjlLineGroups::AppendCommentLines(GPjlLineWriter& out, const GPjlJob& job) {
  // The model number comes from the device model, but it is written
  // between quotes all the same, so it must be quotable too.
  if (const RWCString* model = FindText(job.settings, GFeatureIds::kProductModelNumber))
    out.AppendQuotedLine(PjlStringTable[kPjlComment], *model);
  if (const RWCString* comment = FindText(job.settings, GFeatureIds::kJobCommentText)) {
    out.AppendQuotedLine(PjlStringTable[kPjlComment], *comment);
  } else {
    AppendOsInfo(out);
  }
  if (const RWCString* comment = FindText(job.settings, GFeatureIds::kSecondJobCommentText))
    out.AppendQuotedLine(PjlStringTable[kPjlComment], *comment);
  return 0;
}

void GPjlLineGroups::AppendOsInfo(GPjlLineWriter& out) {
  GOSVersionInfo version;
  version.Query();
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%u.%u;%u.%u;", version.GetVersion() >> 16, version.GetVersion() & 0xFFFF,
                version.GetBuild() >> 16, version.GetBuild() & 0xFFFF);
  RWCString text("OS Info:");
  GPjlLineWriter line(text);
  line.Append(PlatformText(version));
  line.Append(numbers);
  out.AppendQuotedLine(PjlStringTable[kPjlComment], text);
}

void GPjlLineGroups::AppendUserComment(GPjlLineWriter& out, const GPjlJob& job) {
  const RWCString* user = FindText(job.settings, GFeatureIds::kPjlJobUserName);
  if (user == nullptr) return;
  // The label counts against the bound of the quoted text as well.
  RWCString text("Username: ");
  GPjlLineWriter(text).Append(GPjlLineWriter::QuotedValue(*user));
  out.AppendQuotedLine(PjlStringTable[kPjlComment], text);
}

void GPjlLineGroups::AppendJobAttributes(GPjlLineWriter& out, const GPjlJob& job) {
  if (const RWCString* text = FindText(job.settings, GFeatureIds::kPjlJobUserName)) out.AppendJobAttribute("JobAcct1=", *text);
  if (const RWCString* text = FindText(job.settings, kJobAccountingField2)) out.AppendJobAttribute("JobAcct2=", *text);
  if (const RWCString* text = FindText(job.settings, kJobAccountingField3)) out.AppendJobAttribute("JobAcct3=", *text);
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (ReadClock(local, shifted, offset)) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", local.year, local.month, local.day, local.hour,
                  local.minute, local.second);
    out.AppendJobAttribute("JobAcct4=", RWCString(stamp));
  }
  if (const RWCString* text = FindText(job.settings, kJobAccountingField5)) out.AppendJobAttribute("JobAcct5=", *text);
}

void GPjlLineGroups::AppendDisplayMessage(GPjlLineWriter& out, const GPjlJob& job) {
  const RWCString* message = FindText(job.settings, GFeatureIds::kDisplayMessageText);
  if (message == nullptr) return;
  int16_t kind = 0;
  const bool operatorMessage = FindValue(job.settings, GFeatureIds::kDisplayMessageKind, kind) && kind != 0;
  out.AppendQuotedLine(operatorMessage ? "@PJL OPMSG DISPLAY = " : "@PJL RDYMSG DISPLAY = ", *message);
}

void GPjlLineGroups::AppendRawHeaderText(GPjlLineWriter& out, const GPjlJob& job) {
  if (const RWCString* raw = FindText(job.settings, GFeatureIds::kCustomPJLCommands)) out.Append(*raw);
}

// ---- Device settings ----

void GPjlLineGroups::AppendDuplex(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t value = 0;
  if (!FindValue(job.settings, kDuplex, value)) return;
  int16_t unit = 0;
  GDriverInstance* instance = job.command != nullptr ? job.command->GetDriverInstance() : nullptr;
  if (instance != nullptr) FindValue(instance->GetPrinterConfiguration(), kDiscoveredDuplexUnit, unit);
  if (unit == 0 || value == 0) {
    out.AppendSetLine("DUPLEX=OFF");
  } else if (value == 1 || value == 2) {
    out.AppendSetLine("DUPLEX=ON");
    out.AppendSetLine(value == 1 ? "BINDING=SHORTEDGE" : "BINDING=LONGEDGE");
  }
}

void GPjlLineGroups::AppendManualDuplexLine(GPjlLineWriter& out, const GPjlJob& job) {
  GDriverInstance* instance = job.command != nullptr ? job.command->GetDriverInstance() : nullptr;
  GConfiguration* printerConfiguration = instance != nullptr ? instance->GetPrinterConfiguration() : nullptr;
  if (printerConfiguration == nullptr) return;
  int16_t unit = 0;
  FindValue(printerConfiguration, kDiscoveredDuplexUnit, unit);
  auto* lineSwitch = dynamic_cast<GValueAttribute*>(printerConfiguration->FindById(kDriverDecidesSheet));
  if (lineSwitch == nullptr) return;
  if (lineSwitch->GetValue() == 1) AppendManualDuplex(out, job.settings, printerConfiguration, unit);
  lineSwitch->SetValue(1);
}

void GPjlLineGroups::AppendManualDuplex(GPjlLineWriter& out, GState* settings, MPersistentObject* printerConfiguration,
                                        int16_t duplexUnit) {
  int16_t manual = 0;
  int16_t duplex = 0;
  if (!FindValue(printerConfiguration, kManualDuplex, manual) || manual == 0) return;
  if (!FindValue(settings, kDuplex, duplex)) return;
  if (duplex != 0) {
    MPersistentObject* unitPapers =
        printerConfiguration != nullptr ? printerConfiguration->FindById(kDuplexUnitPaperSizes) : nullptr;
    if (duplexUnit == 1 && unitPapers != nullptr) {
      auto* medium = dynamic_cast<GMedia*>(settings->FindById(kPageMedia));
      const int16_t paper = medium != nullptr ? medium->GetPaperId() : 0;
      // The duplex unit prints these papers itself.
      if (paper >= 16384) return;
      bool listed = false;
      GSettingQuery::ForEachChild(unitPapers, [&](MPersistentObject* entry) {
        int16_t id = 0;
        if (GSettingQuery::Short(entry, &id) && id == paper) listed = true;
        return !listed;
      });
      if (listed) return;
    }
    out.AppendSetLine("MANUALDUPLEX=ON");
    return;
  }
  auto* pending = dynamic_cast<GValueAttribute*>(settings->FindById(kManualDuplexPending));
  if (pending == nullptr || pending->GetValue() != 1) return;
  pending->SetValue(0);
  out.AppendSetLine("MANUALDUPLEX=ON");
}

bool GPjlLineGroups::MappedText(MPersistentObject* list, int16_t value, RWCString& text) {
  bool found = false;
  GSettingQuery::ForEachChild(list, [&](MPersistentObject* entry) {
    auto* association = dynamic_cast<MPersistentAssociation*>(entry);
    int16_t key = 0;
    if (association == nullptr || !GSettingQuery::Short(association->GetKey(), &key) || key != value) return true;
    found = GSettingQuery::Text(association->GetValue(), &text);
    return false;
  });
  return found;
}

void GPjlLineGroups::AppendPaper(GPjlLineWriter& out, const GPjlJob& job) {
  auto* medium = dynamic_cast<GMedia*>(job.settings->FindById(kPageMedia));
  if (medium == nullptr || job.configuration == nullptr) return;
  int16_t paper = medium->GetPaperId();
  GDriverInstance* instance = job.command != nullptr ? job.command->GetDriverInstance() : nullptr;
  if (paper >= 16384 && paper <= 17383 && instance != nullptr) paper = instance->GetDefaultPaperId();
  RWCString name;
  if (!MappedText(job.configuration->FindById(kPaperList), paper, name)) return;
  out.AppendSetLine((std::string("PAPER=") + name.Data()).c_str());
}

void GPjlLineGroups::AppendTemperature(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t index = 0;
  RWCString qualifier;
  if (!FindValue(job.settings, kCopyQualifierIndex, index) || job.configuration == nullptr ||
      !MappedText(job.configuration->FindById(kCopyQualifierList), index, qualifier))
    return;
  int16_t tray = 0;
  RWCString names;
  MPersistentObject* variables = job.configuration->FindById(kTray1Temp);
  if (variables != nullptr && FindValue(job.settings, kTray1Temp2, tray) && MappedText(variables, tray, names)) {
    // The names after the last comma first, going backwards.
    std::string list = names.Data();
    while (true) {
      const size_t comma = list.rfind(',');
      const std::string name = comma == std::string::npos ? list : list.substr(comma + 1);
      out.AppendSetLine((name + "=" + qualifier.Data()).c_str());
      if (comma == std::string::npos) break;
      list.resize(comma);
    }
    return;
  }
  out.AppendSetLine((std::string("TRAY1TEMP=") + qualifier.Data()).c_str());
}

void GPjlLineGroups::AppendUsageLine(GPjlLineWriter& out, const GPjlJob& job) {
  GState* settings = job.settings;
  if (settings->FindById(kUsageLineSwitch) == nullptr) return;
  char number[16];
  out.Append(PjlStringTable[kPjlUsage]);
  // 1: the model's code.
  out.Append("=");
  if (const RWCString* model = FindText(settings, GFeatureIds::kProductModelNumber)) {
    const RWCString head(model->Data(), model->Length() < 99 ? model->Length() : 99);
    for (const UsageModel& row : kUsageModels) {
      if (ContainsIgnoringCase(head, row.number)) {
        out.Append(row.code);
        break;
      }
    }
  }
  out.Append(",");
  // 2 and 3: checksums of the accounting field and of the usage text.
  if (const RWCString* field = FindText(settings, kJobAccountingField2)) {
    std::snprintf(number, sizeof number, "%02x", GPjlLineWriter::Crc16(*field));
    out.Append(number);
  }
  out.Append(",");
  if (const RWCString* usage = FindText(settings, kUsageText)) {
    std::snprintf(number, sizeof number, "%02x", GPjlLineWriter::Crc16(RWCString::ToUpperCopy(*usage)));
    out.Append(number);
  }
  out.Append(",");
  // 4: the page layout.
  unsigned flags = 0;
  int16_t scale = 100;
  int16_t fit = 0;
  const bool hasScale = FindValue(settings, kScaleChoice, scale);
  const bool hasFit = FindValue(settings, kFitToOtherSizeChoice, fit);
  if ((hasScale || hasFit) && (scale != 100 || fit != 0)) flags |= 1;
  int16_t value = 0;
  if (FindValue(settings, kNUpChoice, value) && value != 1) flags |= 2;
  if (FindValue(settings, kDuplex, value) && value != 0) {
    int16_t booklet = 0;
    flags |= FindValue(settings, kBookletPrintingChoice, booklet) && booklet != 0 ? 0x10 : 0x08;
  }
  std::snprintf(number, sizeof number, "%02x", flags);
  out.Append(number);
  out.Append(",");
  // 5: the operating system.
  GOSVersionInfo version;
  version.Query();
  int os = -1;
  switch (version.GetPlatformCode()) {
    case 5:
    case 7: os = 0x02; break;
    case 6: os = 0x01; break;
    case 8: os = 0x10; break;
    case 9:
    case 11: os = 0x04; break;
    case 13: os = 0x08; break;
    case 14: os = 0x20; break;
    default: break;
  }
  if (os >= 0) {
    std::snprintf(number, sizeof number, "%02x", static_cast<unsigned>(os));
    out.Append(number);
  } else {
    out.Append("(n/a)");
  }
  out.Append(",");
  // 6: where the job goes.
  if (GDriverInstance* instance = job.command != nullptr ? job.command->GetDriverInstance() : nullptr) {
    RWCString port;
    ToNarrowString(instance->GetPortName(), port);
    const unsigned kind = ContainsIgnoringCase(port, "FILE") ? 4 : ContainsIgnoringCase(port, "LPT1") ? 1 : 2;
    std::snprintf(number, sizeof number, "%02x", kind);
    out.Append(number);
  }
  out.Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineGroups::AppendDateTimeLines(GPjlLineWriter& out, const GPjlJob& job) {
  const RWCString* stored = FindText(job.settings, kJobTimeStampTemplate);
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (stored == nullptr || !ReadClock(local, shifted, offset)) return;
  char field[16];
  const auto format = [&field](const char* pattern, int value) {
    std::snprintf(field, sizeof field, pattern, value);
    return std::string(field);
  };
  const std::string day = format("%2.2d", local.day);
  const std::string month = format("%2.2d", local.month);
  const std::string year = format("%4.4d", local.year);
  const std::string hour = format("%2.2d", local.hour);
  const std::string minute = format("%2.2d", local.minute);
  const std::string second = format("%2.2d", local.second);
  const int minutes = offset > 0 ? offset : -static_cast<int>(offset);
  std::snprintf(field, sizeof field, "%c%2.2d:%2.2d", offset > 0 ? '+' : '-', minutes / 60, minutes % 60);
  const std::string zone = field;
  // The segments after each '@', the last one first.
  std::string text(stored->Data(), stored->Length());
  for (size_t at = text.rfind('@'); at != std::string::npos; at = text.rfind('@')) {
    std::string segment = text.substr(at + 1);
    text.erase(at);
    ReplaceFirst(segment, "#D", day);
    ReplaceFirst(segment, "#MO", month);
    ReplaceFirst(segment, "#Y", year);
    ReplaceFirst(segment, "#H", hour);
    ReplaceFirst(segment, "#MN", minute);
    ReplaceFirst(segment, "#S", second);
    ReplaceFirst(segment, "#G", zone);
    // The template comes with the job: a segment that would not stay one
    // line of the SET command is left out.
    const RWCString line(segment.data(), segment.size());
    if (GPjlLineWriter::IsPrintableLine(line)) out.AppendSetLine(line.Data());
  }
}

void GPjlLineGroups::AppendGrayscale(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t gray = 0;
  int16_t options = 0;
  if (!FindValue(job.settings, kPrintColorAsGray, gray) || !FindValue(job.settings, kPrintColorAsGrayOptions, options))
    return;
  out.AppendSetLine(gray != 1 ? "GRAYSCALE=OFF" : options == 1 ? "GRAYSCALE=BLACKONLY" : "GRAYSCALE=COMPOSITE");
}

// ---- Output bin and finishing ----

void GPjlLineGroups::AppendOutputLines(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t bin = 0;
  FindValue(job.settings, kOutputBin, bin);
  bool written = false;
  if (bin >= 9 && bin <= 12) {
    AppendStackerLines(out, job, bin);
    written = true;
  } else if (bin == 13 || bin == 14 || bin == 15) {
    AppendStaplerBinLines(out, bin != 15, bin);
    written = true;
  }
  int16_t noFinishing = 0;
  if (FindValue(job.settings, kNoFinishing, noFinishing) && noFinishing == 1 && bin == 3) {
    AppendStackerLines(out, job, 3);
    written = true;
  }
  if (!written) AppendOutputBinLines(out, job);
}

void GPjlLineGroups::AppendStackerLines(GPjlLineWriter& out, const GPjlJob& job, int16_t bin) {
  const char* outbin = bin == 3 || bin == 10 ? "OUTBIN=OPTIONALOUTBIN2"
                       : bin == 9 || bin == 11 || bin == 12 ? "OUTBIN=OPTIONALOUTBIN1"
                                                            : "OUTBIN=";
  out.AppendSetLine(outbin);
  if (bin == 11 || bin == 12) {
    const char* face = bin == 11 ? "FACE_UP" : "FACE_DOWN";
    out.AppendSetWord("PROCESSINGTYPE=", face);
    out.AppendSetWord("PROCESSINGOPTION=", face);
  }
  int16_t value = 0;
  if (FindValue(job.settings, kStaplingMode, value)) {
    if (value == 1) {
      out.AppendSetWord("PROCESSINGTYPE=", "BOOKLET_MAKER");
      out.AppendSetWord("PROCESSINGOPTION=", "BOOKLET_MAKER");
    } else {
      SetJobValue(job, kStaplingMode, 0);
    }
  }
  if (FindValue(job.settings, kStaplerChoice, value) && value != 0) {
    out.AppendSetWord("PROCESSINGTYPE=", "STAPLING");
    if (FindValue(job.settings, kStapling, value)) {
      const char* option = nullptr;
      switch (value) {
        case 1:
        case 8: option = "ONE_STAPLE"; break;
        case 2: option = "ANGLED_STAPLE"; break;
        case 3:
        case 9: option = "TWO_STAPLES"; break;
        case 4: option = "THREE_STAPLES"; break;
        case 5: option = "SIX_STAPLES"; break;
        default: break;
      }
      if (option != nullptr) out.AppendSetWord("PROCESSINGOPTION=", option);
    }
  }
  out.AppendSetLine("PROCESSINGBOUNDARY=PLUX");
}

void GPjlLineGroups::AppendStaplerBinLines(GPjlLineWriter& out, bool stapling, int16_t bin) {
  out.AppendSetLine("OUTBIN=OPTIONALOUTBIN1");
  if (!stapling) {
    out.AppendSetWord("PROCESSINGTYPE=", "NONE");
    return;
  }
  out.AppendSetWord("PROCESSINGTYPE=", "STAPLING");
  out.AppendSetWord("PROCESSINGOPTION=", bin == 13 ? "NONE" : "ONE_STAPLE");
  out.AppendSetLine("PROCESSINGBOUNDARY=PLUX");
}

void GPjlLineGroups::AppendOutputBinLines(GPjlLineWriter& out, const GPjlJob& job) {
  GState* settings = job.settings;
  int16_t noFinishing = 0;
  FindValue(settings, kNoFinishing, noFinishing);
  int16_t bin = 0;
  if (FindValue(settings, kOutputBin, bin)) {
    // The kind of output device installed: its selected option.
    int16_t kind = 2;
    bool alternate = false;
    GConfiguration* configuration = job.configuration;
    MPersistentObject* devices = configuration != nullptr ? configuration->FindById(kPaperHandlingDevices) : nullptr;
    if (MPersistentIterator* it = devices != nullptr ? devices->CreateIterator() : nullptr) {
      while (it->Advance()) {
        auto* device = dynamic_cast<GPaperHandlingDevice*>(it->Current());
        if (device == nullptr || device->IsInstallable() == 0 || device->IsInstalled() == 0 ||
            device->GetKind() != GPaperHandlingDevice::kOutputDevice)
          continue;
        kind = device->GetSelectedOption();
        alternate = kind == 2 || (noFinishing == 1 && kind != 1);
        break;
      }
      delete it;
    }
    char line[48];
    switch (bin) {
      case 1: out.AppendSetLine("OUTBIN=UPPER"); break;
      case 2: out.AppendSetLine(alternate ? "OUTBIN=OPTIONALOUTBIN1" : "OUTBIN=LOWER"); break;
      case 3: out.AppendSetLine(kind == 2 ? "OUTBIN=OPTIONALOUTBIN7" : "OUTBIN=OPTIONALOUTBIN2"); break;
      case 4: out.AppendSetLine("OUTBIN=OPTIONALOUTBIN2"); break;
      case 5: out.AppendSetLine("OUTBIN=HCO-D"); break;
      case 6: out.AppendSetLine("OUTBIN=HCO-U"); break;
      default:
        if (bin >= 30 && bin <= 59) {
          // An extension bin is named by the configuration's bin map;
          // without an entry the line names no bin.
          RWCString name;
          if (configuration != nullptr) MappedText(configuration->FindById(kPjlBinMap), bin, name);
          out.AppendSetLine((std::string("OUTBIN=") + name.Data()).c_str());
        } else {
          std::snprintf(line, sizeof line, "OUTBIN=OPTIONALOUTBIN%d", bin - 14);
          out.AppendSetLine(line);
        }
        break;
    }
  }
  int16_t stapler = 0;
  int16_t value = 0;
  if (FindValue(settings, kStaplerChoice, stapler)) {
    if (stapler != 0) {
      out.AppendSetLine("FINISH=STAPLE");
      static const char* const kOptions[] = {"STAPLEOPTION=DEFAULT", "STAPLEOPTION=ONE",  "STAPLEOPTION=ONEANGLED",
                                             "STAPLEOPTION=TWO",     "STAPLEOPTION=THREE", "STAPLEOPTION=SIX",
                                             "STAPLEOPTION=CUSTOM"};
      if (FindValue(settings, kStapling, value)) {
        if (const char* text = TableText(kOptions, 7, value)) out.AppendSetLine(text);
      }
    } else if (noFinishing == 1) {
      out.AppendSetWord("PROCESSINGTYPE=", "NONE");
      return;
    } else {
      out.AppendSetLine("FINISH=NONE");
      if (FindValue(settings, kStapling, value) && value != 7) out.AppendSetLine("STAPLEOPTION=NONE");
    }
  }
  if (FindValue(settings, kBinderChoice, value)) {
    if (value == 1) {
      out.AppendSetLine("FINISH=ON");
      out.AppendSetLine("FINISHERTYPE=THERMALBINDER");
      out.AppendSetLine("FINISHEROPTION=REGULARBIND");
    } else if (value == 3) {
      out.AppendSetLine("FINISH=NONE");
      SetJobValue(job, kBinderChoice, 0);
    }
  }
}

// ---- Job retention ----

int GPjlLineGroups::AppendJobRetention(RWCString& block, const GPjlJob& job) {
  GState* settings = job.settings;
  int16_t mode = 0;
  if (!FindValue(settings, kJobRetentionModeChoice, mode) || mode < 0) return 0;
  GPjlLineWriter out(block);
  int16_t utf8 = 0;
  FindValue(settings, kUserNameByMap, utf8);
  RWCString user;
  int16_t source = 1;
  const RWCString* jobUser = FindText(settings, GFeatureIds::kPjlJobUserName);
  if (FindValue(settings, kUserNameSource, source) && source == 0 && jobUser != nullptr) {
    user = utf8 != 0 ? GPjlLineWriter::ToUtf8(*jobUser) : *jobUser;
  } else if (const RWCString* alternative = FindText(settings, kAlternativeUserName)) {
    user = *alternative;
  }
  if (utf8 != 0 && mode != 0) {
    out.Append(PjlStringTable[kPjlSetStringCodeSet]);
    out.Append(PjlStringTable[kPjlUtf8]);
    out.Append(PjlStringTable[kPjlNewLine]);
  }
  // UTF-8 bytes of a name are quotable as long as the name had no control
  // character or quote; such a name is not taken either way.
  if (user.Length() == 0 || !GPjlLineWriter::IsQuotable(user)) user = RWCString("?");
  RWCString jobName;
  if (const RWCString* held = FindText(settings, kHoldJobName)) {
    jobName = *held;
    int16_t nameSource = 1;
    if (FindValue(settings, kJobNameSource, nameSource) && nameSource == 0 && job.command != nullptr &&
        job.command->GetJobText().Length() != 0)
      jobName = job.command->GetJobText();
  }
  RWCString pin;
  if (const RWCString* held = FindText(settings, kHoldPin)) pin = *held;
  if (pin.Length() == 0 || !GPjlLineWriter::IsQuotable(pin)) user = RWCString();
  const auto names = [&]() {
    out.AppendSetQuoted("USERNAME=", user);
    // The job name comes from the application: it is quoted like every
    // other text, so that it cannot end its line.
    out.AppendSetQuoted("JOBNAME=", jobName);
  };
  int16_t privateStore = 0;
  switch (mode) {
    case 1:
      out.AppendSetLine("HOLD=ON");
      out.AppendSetLine("HOLDTYPE=PUBLIC");
      names();
      break;
    case 2:
      out.AppendSetLine("HOLD=PROOF");
      names();
      break;
    case 3:
      out.AppendSetLine("HOLD=STORE");
      if (FindValue(settings, kPrivateStore, privateStore) && privateStore != 0) {
        out.AppendSetLine("HOLDTYPE=PRIVATE");
        out.AppendSetQuoted("HOLDKEY=", pin);
      }
      names();
      break;
    case 4:
      out.AppendSetLine("HOLD=ON");
      out.AppendSetLine("HOLDTYPE=PRIVATE");
      out.AppendSetQuoted("HOLDKEY=", pin);
      names();
      break;
    default:
      out.AppendSetLine("HOLD=OFF");
      break;
  }
  return 1;
}

// ---- After the retention block ----

void GPjlLineGroups::AppendResolutionLines(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t resolution = 600;
  int16_t bits = 1;
  if (MPersistentObject* entry = job.settings->FindById(GFeatureIds::kResolution)) {
    FindValue(entry, GFeatureIds::kXResolution, resolution);
    FindValue(entry, kBitsPerPixel, bits);
  }
  bool twoBit = false;
  GConfiguration* configuration = job.configuration;
  MPersistentObject* list = configuration != nullptr ? configuration->FindById(kResolutionList) : nullptr;
  if (MPersistentIterator* it = list != nullptr ? list->CreateIterator() : nullptr) {
    while (!twoBit && it->Advance()) {
      int16_t entryBits = 0;
      twoBit = FindValue(it->Current(), kBitsPerPixel, entryBits) && entryBits == 2;
    }
    delete it;
  }
  char line[48];
  std::snprintf(line, sizeof line, "RESOLUTION=%u", static_cast<unsigned>(static_cast<uint16_t>(resolution)));
  out.AppendSetLine(line);
  int16_t pjlBits = 0;
  if (FindValue(job.settings, kPjlBitsPerPixel, pjlBits) && bits == 1) {
    if (((pjlBits & 1) != 0 && resolution == 300) || ((pjlBits & 2) != 0 && resolution == 600)) twoBit = true;
  }
  if (twoBit) {
    std::snprintf(line, sizeof line, "BITSPERPIXEL=%u", static_cast<unsigned>(static_cast<uint16_t>(bits)));
    out.AppendSetLine(line);
  }
}

void GPjlLineGroups::AppendDeviceInfoRequest(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t value = 0;
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (!FindValue(job.settings, kDeviceInfoRequest, value) || value != 1 || !ReadClock(local, shifted, offset)) return;
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", shifted.year, shifted.month, shifted.day,
                shifted.hour, shifted.minute, shifted.second);
  out.Append(PjlStringTable[kPjlPrefix]);
  out.Append(PjlStringTable[kPjlDmInfo]);
  out.Append(PjlStringTable[kPjlQuote]);
  out.Append(PjlStringTable[kPjlDmInfoPrefix]);
  out.Append(GPjlLineWriter::HexDigits(RWCString(stamp)));
  out.Append(PjlStringTable[kPjlQuote]);
  out.Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineGroups::AppendImageShift(GPjlLineWriter& out, const GPjlJob& job) {
  int16_t value = 0;
  if (!FindValue(job.settings, kImageShift, value)) return;
  out.AppendSetWord("PROCESSINGTYPE=", "IMAGE_SHIFT");
  out.AppendSetWord("PROCESSINGOPTION=", value == 1 ? "ON" : "NONE");
  out.AppendSetLine("PROCESSINGBOUNDARY=PLUX");
}
