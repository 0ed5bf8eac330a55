#include "pdl/GPJL.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/osfactry.h"
#include "driver/GDriverInstance.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GMedia.h"
#include "model/GPaperHandlingDevice.h"
#include "model/MPersistentIterator.h"
#include "model/GOSVersionInfo.h"
#include "model/GOutputChannel.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GOutputChannelSource.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t* const kSections[] = {&GGraphicsStateId, &GPageStateId, &GJobSettingsId};

const char kUel[] = "\x1b%-12345X";

// A value attribute's value; false when absent.
bool FindValue(MPersistentObject* in, int32_t id, int16_t& value) {
  if (in == nullptr) return false;
  auto* attribute = dynamic_cast<GValueAttribute*>(in->FindById(id));
  if (attribute == nullptr) return false;
  value = attribute->GetValue();
  return true;
}

// A string attribute's text; null when absent.
const RWCString* FindText(MPersistentObject* in, int32_t id) {
  if (in == nullptr) return nullptr;
  auto* attribute = dynamic_cast<GStringAttribute*>(in->FindById(id));
  return attribute != nullptr ? &attribute->GetString() : nullptr;
}

// A text written without quotes must stay one line of printable text: no
// control byte (an escape would leave the PJL context, CR or LF would start
// a command of its own), no DEL and no double quote.
bool IsPrintableLine(const RWCString& text) {
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if ((byte < 32 && byte != 9) || byte == 127 || byte == '"') return false;
  }
  return true;
}

// A language name is one PJL word.
bool IsLanguageName(const RWCString& text) {
  if (text.Length() == 0) return false;
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if (byte <= 32 || byte >= 127 || byte == '"' || byte == '=') return false;
  }
  return true;
}

void Append(RWCString& out, const char* text) { out.ReplaceRange(out.Length(), 0, text, std::strlen(text)); }
void Append(RWCString& out, const RWCString& text) { out.ReplaceRange(out.Length(), 0, text.Data(), text.Length()); }

void AppendQuotedLine(RWCString& out, const char* prefix, const RWCString& value) {
  Append(out, prefix);
  Append(out, PjlStringTable[kPjlQuote]);
  Append(out, GPJL::QuotedValue(value));
  Append(out, PjlStringTable[kPjlQuote]);
  Append(out, PjlStringTable[kPjlNewLine]);
}

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

// Feature ids of the job's settings lines.
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

// "@PJL SET " + text + CR LF.
void AppendSetLine(RWCString& out, const char* text) {
  Append(out, PjlStringTable[kPjlPrefix]);
  Append(out, PjlStringTable[kPjlSet]);
  Append(out, text);
  Append(out, PjlStringTable[kPjlNewLine]);
}

// "@PJL SET " + key + a quoted word + CR LF.
void AppendSetWord(RWCString& out, const char* key, const char* word) {
  Append(out, PjlStringTable[kPjlPrefix]);
  Append(out, PjlStringTable[kPjlSet]);
  Append(out, key);
  Append(out, PjlStringTable[kPjlQuote]);
  Append(out, word);
  Append(out, PjlStringTable[kPjlQuote]);
  Append(out, PjlStringTable[kPjlNewLine]);
}

// The entry of a value table, or null when the value has none.
const char* TableText(const char* const* table, int count, int16_t value) {
  return value >= 0 && value < count ? table[value] : nullptr;
}

}  // namespace

const char* const PjlStringTable[kPjlStringCount] = {
    kUel,
    "\r\n",
    "@PJL ",
    "@PJL COMMENT ",
    "@PJL ENTER LANGUAGE=",
    "EOJ NAME=\"",
    "JOB NAME=\"",
    "SET ",
    "\"",
    "@PJL SET JOBATTR=",
    "@PJL USAGE",
    "@PJL SET STRINGCODESET=",
    "UTF8",
    "@PJL SET PRINTQUALITY=",
    "DMINFO ASCIIHEX=",
    "0400040101020D10100115",
};

void GPJL::AddSections(bool currentOnlyWhenMissing) {
  for (const int32_t* id : kSections) {
    if (GState* current = GetCurrentState()) {
      if (!currentOnlyWhenMissing || current->FindById(*id) == nullptr) current->AddChild(new GState(id));
    }
    if (currentOnlyWhenMissing) continue;
    if (GState* defaults = GetDefaultState()) defaults->AddChild(new GState(id));
  }
}

GPJL::GPJL() : progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(false);
}

GPJL::GPJL(const int32_t* id) : GPeripheralComposite(id), progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(false);
}

GPJL::GPJL(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
           int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPeripheralComposite(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode), progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(true);
}

GPJL::GPJL(const GPJL& other)
    : GPeripheralComposite(other), mediaState_(other.mediaState_), jobName_(other.jobName_), progress_(other.progress_) {
  mediaState_.MarkEmbedded();
}

GPJL& GPJL::operator=(const GPJL& other) {
  if (&other == this) return *this;
  GPeripheralComposite::operator=(other);
  mediaState_ = other.mediaState_;
  jobName_ = other.jobName_;
  progress_ = other.progress_;
  return *this;
}

GPJL::~GPJL() = default;

QV_PERSISTENT_KIND_DEFINE(GPJL, GPeripheralComposite, GPJLClassId)

uint32_t GPJL::MembersStoreSize() const {
  SizingScope sizing(this);
  return GPeripheralComposite::MembersStoreSize() + 8 + mediaState_.StoredByteCount() +
         static_cast<uint32_t>(jobName_.Length());
}

void GPJL::SaveMembers(RWVirtualOutStream& stream) const {
  GPeripheralComposite::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, &mediaState_);
  jobName_.SaveTo(stream);
}

void GPJL::SaveMembersToFile(RWBinaryFile& file) const {
  GPeripheralComposite::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, &mediaState_);
  jobName_.SaveToFile(file);
}

void GPJL::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  RWReadObjectInto(stream, &mediaState_);
  if (!stream.Good() || RWReadTableGuard::RestoreFailed()) return;
  jobName_.RestoreFrom(stream);
}

void GPJL::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  RWReadObjectIntoFromFile(file, &mediaState_);
  if (file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed()) return;
  jobName_.RestoreFromFile(file);
}

// ---- Texts ----

bool GPJL::IsQuotable(const RWCString& text) {
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if ((byte < 32 && byte != 9) || byte == '"') return false;
  }
  return true;
}

RWCString GPJL::QuotedValue(const RWCString& text) {
  if (!IsQuotable(text)) return RWCString();
  if (text.Length() <= kMaxQuotedLength) return text;
  return RWCString(text.Data(), kMaxQuotedLength);
}

void GPJL::AppendOsInfo(RWCString& header) {
  GOSVersionInfo version;
  version.Query();
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%u.%u;%u.%u;", version.GetVersion() >> 16, version.GetVersion() & 0xFFFF,
                version.GetBuild() >> 16, version.GetBuild() & 0xFFFF);
  RWCString text("OS Info:");
  Append(text, PlatformText(version));
  Append(text, numbers);
  AppendQuotedLine(header, PjlStringTable[kPjlComment], text);
}

int GPJL::AppendCommentLines(RWCString& header, GState* job) {
  // The model number comes from the device model, but it is written
  // between quotes all the same, so it must be quotable too.
  if (const RWCString* model = FindText(job, GProductModelNumberId))
    AppendQuotedLine(header, PjlStringTable[kPjlComment], *model);
  if (const RWCString* comment = FindText(job, GJobCommentTextId)) {
    AppendQuotedLine(header, PjlStringTable[kPjlComment], *comment);
  } else {
    AppendOsInfo(header);
  }
  if (const RWCString* comment = FindText(job, GSecondJobCommentTextId))
    AppendQuotedLine(header, PjlStringTable[kPjlComment], *comment);
  return 0;
}

void GPJL::AppendExtensionLines(RWCString& text) {
  auto* lines = dynamic_cast<GAttributeComposite*>(JobSettings()->FindById(GExtensionPjlLinesId));
  if (lines == nullptr) return;
  for (size_t i = 0; i < lines->Children().Count(); ++i) {
    auto* line = dynamic_cast<GStringAttribute*>(lines->ChildAt(i));
    if (line == nullptr || !IsPrintableLine(line->GetString())) continue;
    Append(text, line->GetString());
    Append(text, PjlStringTable[kPjlNewLine]);
  }
}

void GPJL::AppendHeaderLines(RWCString& header, GDocumentStart* command) {
  GState* job = JobSettings();
  // Steps 2 to 4: comments.
  AppendCommentLines(header, job);
  // Step 5: the user.
  if (const RWCString* user = FindText(job, GJobUserNameId)) {
    const RWCString name = QuotedValue(*user);
    RWCString text("Username: ");
    // The prefix counts against the bound as well.
    Append(text, name.Length() + 10 <= kMaxQuotedLength ? name : RWCString(name.Data(), kMaxQuotedLength - 10));
    AppendQuotedLine(header, PjlStringTable[kPjlComment], text);
  }
  // Step 6: accounting attributes.
  AppendJobAttributes(header);
  // Step 7: the message on the printer's panel.
  if (const RWCString* message = FindText(job, GDisplayMessageTextId)) {
    int16_t kind = 0;
    const bool operatorMessage = FindValue(job, GDisplayMessageKindId, kind) && kind != 0;
    Append(header, PjlStringTable[kPjlPrefix]);
    Append(header, operatorMessage ? "OPMSG DISPLAY = \"" : "RDYMSG DISPLAY = \"");
    Append(header, QuotedValue(*message));
    Append(header, PjlStringTable[kPjlQuote]);
    Append(header, PjlStringTable[kPjlNewLine]);
  }
  // Step 8: copies, unless the manual-duplex filter makes them.
  int16_t value = 0;
  int16_t pending = 0;
  if (!(FindValue(job, kManualDuplexPending, pending) && pending == 1) && FindValue(job, kPrinterCopies, value) &&
      value > 1) {
    char line[24];
    std::snprintf(line, sizeof line, "QTY=%d", value);
    AppendSetLine(header, line);
  }
  // Step 9: raw header text, as stored (it holds whole PJL lines).
  if (const RWCString* raw = FindText(job, GPjlRawHeaderTextId)) Append(header, *raw);
  AppendSimpleSettings(header, command);
  // Step 26: job retention.
  RWCString retention;
  if (AppendJobRetention(retention, command) != 0) Append(header, retention);
  // Step 27: the media given for this job are forgotten.
  mediaState_.RemoveAllChildren();
  // Step 28: the resolution, 600 unless the job says otherwise, and its
  // bits per pixel when the printer knows more than one.
  AppendResolutionLines(header);
  // Steps 29, 31 to 33.
  if (FindValue(job, kEdgeToEdge, value) && value >= 0)
    AppendSetLine(header, value != 0 ? "EDGETOEDGE=YES" : "EDGETOEDGE=NO");
  AppendDeviceInfoRequest(header);
  AppendDryTime(header);
  AppendTransparencyInterleave(header);
  AppendImageShift(header);
  // Step 34: the children see the document start.
  GCountedPtr held(command);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) child->Send(command);
  }
  // Step 35: the extension's lines.
  AppendExtensionLines(header);
  // Step 36: the printer language, from this peripheral's current state.
  if (const RWCString* language = FindText(GetCurrentState(), GPdlLanguageNameId)) {
    if (IsLanguageName(*language)) {
      Append(header, PjlStringTable[kPjlEnterLanguage]);
      Append(header, *language);
      Append(header, PjlStringTable[kPjlNewLine]);
    }
  }
}

void GPJL::AppendJobAttributes(RWCString& header) {
  GState* job = JobSettings();
  const auto line = [&header](const char* key, const RWCString& value) {
    Append(header, PjlStringTable[kPjlSetJobAttr]);
    Append(header, PjlStringTable[kPjlQuote]);
    Append(header, key);
    Append(header, GPJL::QuotedValue(value));
    Append(header, PjlStringTable[kPjlQuote]);
    Append(header, PjlStringTable[kPjlNewLine]);
  };
  if (const RWCString* text = FindText(job, GJobUserNameId)) line("JobAcct1=", *text);
  if (const RWCString* text = FindText(job, kJobAccountingField2)) line("JobAcct2=", *text);
  if (const RWCString* text = FindText(job, kJobAccountingField3)) line("JobAcct3=", *text);
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (ReadClock(local, shifted, offset)) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", local.year, local.month, local.day, local.hour,
                  local.minute, local.second);
    line("JobAcct4=", RWCString(stamp));
  }
  if (const RWCString* text = FindText(job, kJobAccountingField5)) line("JobAcct5=", *text);
}

void GPJL::AppendSimpleSettings(RWCString& header, GDocumentStart* command) {
  GState* job = JobSettings();
  int16_t value = 0;
  // Step 10: resolution enhancement.
  static const char* const kZep[] = {"ZEP=OFF", "ZEP=LIGHT", "ZEP=MEDIUM", "ZEP=DARK", "ZEP=ON"};
  if (FindValue(job, kZepChoice, value) && value >= 0) {
    const char* text = TableText(kZep, 5, value);
    AppendSetLine(header, text != nullptr ? text : "ZEP=");
  }
  // Step 12: duplex. Without a duplex unit the printer is told to print
  // one side.
  if (FindValue(job, kDuplex, value)) {
    int16_t unit = 0;
    GDriverInstance* instance = command != nullptr ? command->GetDriverInstance() : nullptr;
    if (instance != nullptr) FindValue(instance->GetPrinterConfiguration(), kDiscoveredDuplexUnit, unit);
    if (unit == 0 || value == 0) {
      AppendSetLine(header, "DUPLEX=OFF");
    } else if (value == 1 || value == 2) {
      AppendSetLine(header, "DUPLEX=ON");
      AppendSetLine(header, value == 1 ? "BINDING=SHORTEDGE" : "BINDING=LONGEDGE");
    }
  }
  // Step 13.
  if (FindValue(job, kPrintOnBackSide, value))
    AppendSetLine(header, value != 0 ? "PRINTONBACKSIDE=ON" : "PRINTONBACKSIDE=OFF");
  // Step 14: the usage line.
  AppendUsageLine(header, command);
  // Step 15: print quality, -2 to 1.
  if (FindValue(job, kPrintQuality, value)) {
    static const char* const kQuality[] = {"DRAFT", "FASTNORMAL", "NORMAL", "BEST"};
    Append(header, PjlStringTable[kPjlSetPrintQuality]);
    if (const char* text = TableText(kQuality, 4, static_cast<int16_t>(value + 2))) Append(header, text);
    Append(header, PjlStringTable[kPjlNewLine]);
  }
  // Step 16: date and time lines.
  AppendDateTimeLines(header);
  // Steps 17 to 21.
  if (FindValue(job, kCleaning, value)) AppendSetLine(header, value != 0 ? "CLEANING=ON" : "CLEANING=OFF");
  if (FindValue(job, kSparetone, value) && value == 1) AppendSetLine(header, "SPARETONE=ON");
  if (FindValue(job, kTurboMode, value))
    AppendSetLine(header, value == 0 ? "TURBOMODE=OFF" : value == 1 ? "TURBOMODE=ON" : "");
  int16_t gray = 0;
  const bool hasGray = FindValue(job, kPrintColorAsGray, gray);
  if (FindValue(job, kPlanesInUseFlag, value) && value == 1 && hasGray && gray == 1)
    AppendSetLine(header, "PLANESINUSE=1");
  if (hasGray && FindValue(job, kPrintColorAsGrayOptions, value)) {
    AppendSetLine(header, gray != 1 ? "GRAYSCALE=OFF" : value == 1 ? "GRAYSCALE=BLACKONLY" : "GRAYSCALE=COMPOSITE");
  }
  // Step 22: output bin and finishing.
  AppendOutputLines(header);
  // Step 23: page protection.
  if (FindValue(job, kKivChoice, value) && value >= 0) {
    static const char* const kProtect[] = {"PAGEPROTECT=ON",     "PAGEPROTECT=AUTO",  "PAGEPROTECT=OFF",
                                           "PAGEPROTECT=LETTER", "PAGEPROTECT=LEGAL", "PAGEPROTECT=A4"};
    const char* text = TableText(kProtect, 6, value);
    AppendSetLine(header, text != nullptr ? text : "PAGEPROTECT=AUTO");
  }
}

void GPJL::AppendDateTimeLines(RWCString& header) {
  const RWCString* stored = FindText(JobSettings(), kJobTimeStampTemplate);
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
    if (IsPrintableLine(line)) AppendSetLine(header, line.Data());
  }
}

void GPJL::AppendDeviceInfoRequest(RWCString& header) {
  int16_t value = 0;
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (!FindValue(JobSettings(), kDeviceInfoRequest, value) || value != 1 || !ReadClock(local, shifted, offset)) return;
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", shifted.year, shifted.month, shifted.day,
                shifted.hour, shifted.minute, shifted.second);
  Append(header, PjlStringTable[kPjlPrefix]);
  Append(header, PjlStringTable[kPjlDmInfo]);
  Append(header, PjlStringTable[kPjlQuote]);
  Append(header, PjlStringTable[kPjlDmInfoPrefix]);
  Append(header, HexDigits(RWCString(stamp)));
  Append(header, PjlStringTable[kPjlQuote]);
  Append(header, PjlStringTable[kPjlNewLine]);
}

RWCString GPJL::HexDigits(const RWCString& text) {
  RWCString out;
  char digits[4];
  for (size_t i = 0; i < text.Length(); ++i) {
    const unsigned low = static_cast<unsigned char>(text.Data()[i]) & 0x7Fu;
    std::snprintf(digits, sizeof digits, "%x", low);
    Append(out, digits);
  }
  return out;
}

RWCString GPJL::ToUtf8(const RWCString& text) {
  RWWString wide;
  ToWideString(text, wide);
  RWCString out;
  const size_t count = wide.Length() < kMaxUtf8Characters ? wide.Length() : kMaxUtf8Characters;
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<uint16_t>(wide.Data()[i]);
    char bytes[3];
    size_t length = 0;
    if (c < 0x80) {
      bytes[length++] = static_cast<char>(c);
    } else if (c < 0x800) {
      bytes[length++] = static_cast<char>(0xC0 | (c >> 6));
      bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes[length++] = static_cast<char>(0xE0 | (c >> 12));
      bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.ReplaceRange(out.Length(), 0, bytes, length);
  }
  return out;
}

int GPJL::AppendJobRetention(RWCString& block, GDocumentStart* command) {
  GState* job = JobSettings();
  int16_t mode = 0;
  if (!FindValue(job, kJobRetentionMode, mode) || mode < 0) return 0;
  int16_t utf8 = 0;
  FindValue(job, kUtf8Switch, utf8);
  RWCString user;
  int16_t source = 1;
  const RWCString* jobUser = FindText(job, GJobUserNameId);
  if (FindValue(job, kUserNameSource, source) && source == 0 && jobUser != nullptr) {
    user = utf8 != 0 ? ToUtf8(*jobUser) : *jobUser;
  } else if (const RWCString* alternative = FindText(job, kAlternativeUserName)) {
    user = *alternative;
  }
  if (utf8 != 0 && mode != 0) {
    Append(block, PjlStringTable[kPjlSetStringCodeSet]);
    Append(block, PjlStringTable[kPjlUtf8]);
    Append(block, PjlStringTable[kPjlNewLine]);
  }
  // UTF-8 bytes of a name are quotable as long as the name had no control
  // character or quote; such a name is not taken either way.
  if (user.Length() == 0 || !IsQuotable(user)) user = RWCString("?");
  RWCString jobName;
  if (const RWCString* held = FindText(job, kHoldJobName)) {
    jobName = *held;
    int16_t nameSource = 1;
    if (FindValue(job, kJobNameSource, nameSource) && nameSource == 0 && command != nullptr &&
        command->GetJobText().Length() != 0)
      jobName = command->GetJobText();
  }
  RWCString pin;
  if (const RWCString* held = FindText(job, kHoldPin)) pin = *held;
  if (pin.Length() == 0 || !IsQuotable(pin)) user = RWCString();
  const auto quoted = [&block](const char* key, const RWCString& value) {
    Append(block, PjlStringTable[kPjlPrefix]);
    Append(block, PjlStringTable[kPjlSet]);
    Append(block, key);
    Append(block, PjlStringTable[kPjlQuote]);
    Append(block, QuotedValue(value));
    Append(block, PjlStringTable[kPjlQuote]);
    Append(block, PjlStringTable[kPjlNewLine]);
  };
  const auto names = [&]() {
    quoted("USERNAME=", user);
    // The job name comes from the application: it is quoted like every
    // other text, so that it cannot end its line.
    quoted("JOBNAME=", jobName);
  };
  int16_t privateStore = 0;
  switch (mode) {
    case 1:
      AppendSetLine(block, "HOLD=ON");
      AppendSetLine(block, "HOLDTYPE=PUBLIC");
      names();
      break;
    case 2:
      AppendSetLine(block, "HOLD=PROOF");
      names();
      break;
    case 3:
      AppendSetLine(block, "HOLD=STORE");
      if (FindValue(job, kPrivateStore, privateStore) && privateStore != 0) {
        AppendSetLine(block, "HOLDTYPE=PRIVATE");
        quoted("HOLDKEY=", pin);
      }
      names();
      break;
    case 4:
      AppendSetLine(block, "HOLD=ON");
      AppendSetLine(block, "HOLDTYPE=PRIVATE");
      quoted("HOLDKEY=", pin);
      names();
      break;
    default:
      AppendSetLine(block, "HOLD=OFF");
      break;
  }
  return 1;
}

void GPJL::AppendResolutionLines(RWCString& header) {
  GState* job = JobSettings();
  int16_t resolution = 600;
  int16_t bits = 1;
  if (MPersistentObject* entry = job->FindById(GPjlResolutionId)) {
    FindValue(entry, GPjlXResolutionId, resolution);
    FindValue(entry, kBitsPerPixel, bits);
  }
  bool twoBit = false;
  GConfiguration* configuration = GetConfiguration();
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
  AppendSetLine(header, line);
  int16_t pjlBits = 0;
  if (FindValue(job, kPjlBitsPerPixel, pjlBits) && bits == 1) {
    if (((pjlBits & 1) != 0 && resolution == 300) || ((pjlBits & 2) != 0 && resolution == 600)) twoBit = true;
  }
  if (twoBit) {
    std::snprintf(line, sizeof line, "BITSPERPIXEL=%u", static_cast<unsigned>(static_cast<uint16_t>(bits)));
    AppendSetLine(header, line);
  }
}

uint16_t GPJL::Crc16(const RWCString& text) {
  uint16_t crc = 0;
  const size_t count = text.Length() < 99 ? text.Length() : 99;
  for (size_t i = 0; i < count; ++i) {
    crc ^= static_cast<unsigned char>(text.Data()[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc == 0 ? 0xFFFF : crc;
}

void GPJL::AppendUsageLine(RWCString& header, GDocumentStart* command) {
  GState* job = JobSettings();
  if (job->FindById(kUsageLineSwitch) == nullptr) return;
  char number[16];
  Append(header, PjlStringTable[kPjlUsage]);
  // 1: the model's code.
  Append(header, "=");
  if (const RWCString* model = FindText(job, GProductModelNumberId)) {
    const RWCString head(model->Data(), model->Length() < 99 ? model->Length() : 99);
    for (const UsageModel& row : kUsageModels) {
      if (ContainsIgnoringCase(head, row.number)) {
        Append(header, row.code);
        break;
      }
    }
  }
  Append(header, ",");
  // 2 and 3: checksums of the accounting field and of the usage text.
  if (const RWCString* field = FindText(job, kJobAccountingField2)) {
    std::snprintf(number, sizeof number, "%02x", Crc16(*field));
    Append(header, number);
  }
  Append(header, ",");
  if (const RWCString* usage = FindText(job, kUsageText)) {
    std::snprintf(number, sizeof number, "%02x", Crc16(RWCString::ToUpperCopy(*usage)));
    Append(header, number);
  }
  Append(header, ",");
  // 4: the page layout.
  unsigned flags = 0;
  int16_t scale = 100;
  int16_t fit = 0;
  const bool hasScale = FindValue(job, kScaleChoice, scale);
  const bool hasFit = FindValue(job, kFitToOtherSizeChoice, fit);
  if ((hasScale || hasFit) && (scale != 100 || fit != 0)) flags |= 1;
  int16_t value = 0;
  if (FindValue(job, kNUpChoice, value) && value != 1) flags |= 2;
  if (FindValue(job, kDuplex, value) && value != 0) {
    int16_t booklet = 0;
    flags |= FindValue(job, kBookletPrintingChoice, booklet) && booklet != 0 ? 0x10 : 0x08;
  }
  std::snprintf(number, sizeof number, "%02x", flags);
  Append(header, number);
  Append(header, ",");
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
    Append(header, number);
  } else {
    Append(header, "(n/a)");
  }
  Append(header, ",");
  // 6: where the job goes.
  if (GDriverInstance* instance = command != nullptr ? command->GetDriverInstance() : nullptr) {
    RWCString port;
    ToNarrowString(instance->GetPortName(), port);
    const unsigned kind = ContainsIgnoringCase(port, "FILE") ? 4 : ContainsIgnoringCase(port, "LPT1") ? 1 : 2;
    std::snprintf(number, sizeof number, "%02x", kind);
    Append(header, number);
  }
  Append(header, PjlStringTable[kPjlNewLine]);
}

void GPJL::SetJobValue(int32_t id, int16_t value) {
  if (auto* attribute = dynamic_cast<GValueAttribute*>(JobSettings()->FindById(id))) attribute->SetValue(value);
}

void GPJL::AppendOutputLines(RWCString& header) {
  int16_t bin = 0;
  FindValue(JobSettings(), kOutputBin, bin);
  bool written = false;
  if (bin >= 9 && bin <= 12) {
    AppendStackerLines(header, bin);
    written = true;
  } else if (bin == 13 || bin == 14 || bin == 15) {
    AppendStaplerBinLines(header, bin != 15, bin);
    written = true;
  }
  int16_t noFinishing = 0;
  if (FindValue(JobSettings(), kNoFinishing, noFinishing) && noFinishing == 1 && bin == 3) {
    AppendStackerLines(header, 3);
    written = true;
  }
  if (!written) AppendOutputBinLines(header);
}

void GPJL::AppendStackerLines(RWCString& header, int16_t bin) {
  GState* job = JobSettings();
  const char* outbin = bin == 3 || bin == 10 ? "OUTBIN=OPTIONALOUTBIN2"
                       : bin == 9 || bin == 11 || bin == 12 ? "OUTBIN=OPTIONALOUTBIN1"
                                                            : "OUTBIN=";
  AppendSetLine(header, outbin);
  if (bin == 11 || bin == 12) {
    const char* face = bin == 11 ? "FACE_UP" : "FACE_DOWN";
    AppendSetWord(header, "PROCESSINGTYPE=", face);
    AppendSetWord(header, "PROCESSINGOPTION=", face);
  }
  int16_t value = 0;
  if (FindValue(job, kStaplingMode, value)) {
    if (value == 1) {
      AppendSetWord(header, "PROCESSINGTYPE=", "BOOKLET_MAKER");
      AppendSetWord(header, "PROCESSINGOPTION=", "BOOKLET_MAKER");
    } else {
      SetJobValue(kStaplingMode, 0);
    }
  }
  if (FindValue(job, kStaplerChoice, value) && value != 0) {
    AppendSetWord(header, "PROCESSINGTYPE=", "STAPLING");
    if (FindValue(job, kStapling, value)) {
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
      if (option != nullptr) AppendSetWord(header, "PROCESSINGOPTION=", option);
    }
  }
  AppendSetLine(header, "PROCESSINGBOUNDARY=PLUX");
}

void GPJL::AppendStaplerBinLines(RWCString& header, bool stapling, int16_t bin) {
  AppendSetLine(header, "OUTBIN=OPTIONALOUTBIN1");
  if (!stapling) {
    AppendSetWord(header, "PROCESSINGTYPE=", "NONE");
    return;
  }
  AppendSetWord(header, "PROCESSINGTYPE=", "STAPLING");
  AppendSetWord(header, "PROCESSINGOPTION=", bin == 13 ? "NONE" : "ONE_STAPLE");
  AppendSetLine(header, "PROCESSINGBOUNDARY=PLUX");
}

void GPJL::AppendOutputBinLines(RWCString& header) {
  GState* job = JobSettings();
  int16_t noFinishing = 0;
  FindValue(job, kNoFinishing, noFinishing);
  int16_t bin = 0;
  if (FindValue(job, kOutputBin, bin)) {
    // The kind of output device installed: its selected option.
    int16_t kind = 2;
    bool alternate = false;
    GConfiguration* configuration = GetConfiguration();
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
      case 1: AppendSetLine(header, "OUTBIN=UPPER"); break;
      case 2: AppendSetLine(header, alternate ? "OUTBIN=OPTIONALOUTBIN1" : "OUTBIN=LOWER"); break;
      case 3: AppendSetLine(header, kind == 2 ? "OUTBIN=OPTIONALOUTBIN7" : "OUTBIN=OPTIONALOUTBIN2"); break;
      case 4: AppendSetLine(header, "OUTBIN=OPTIONALOUTBIN2"); break;
      case 5: AppendSetLine(header, "OUTBIN=HCO-D"); break;
      case 6: AppendSetLine(header, "OUTBIN=HCO-U"); break;
      default:
        if (bin >= 30 && bin <= 59) {
          // The names of extension bins are not known here.
          AppendSetLine(header, "OUTBIN=");
        } else {
          std::snprintf(line, sizeof line, "OUTBIN=OPTIONALOUTBIN%d", bin - 14);
          AppendSetLine(header, line);
        }
        break;
    }
  }
  int16_t stapler = 0;
  int16_t value = 0;
  if (FindValue(job, kStaplerChoice, stapler)) {
    if (stapler != 0) {
      AppendSetLine(header, "FINISH=STAPLE");
      static const char* const kOptions[] = {"STAPLEOPTION=DEFAULT", "STAPLEOPTION=ONE",  "STAPLEOPTION=ONEANGLED",
                                             "STAPLEOPTION=TWO",     "STAPLEOPTION=THREE", "STAPLEOPTION=SIX",
                                             "STAPLEOPTION=CUSTOM"};
      if (FindValue(job, kStapling, value)) {
        if (const char* text = TableText(kOptions, 7, value)) AppendSetLine(header, text);
      }
    } else if (noFinishing == 1) {
      AppendSetWord(header, "PROCESSINGTYPE=", "NONE");
      return;
    } else {
      AppendSetLine(header, "FINISH=NONE");
      if (FindValue(job, kStapling, value) && value != 7) AppendSetLine(header, "STAPLEOPTION=NONE");
    }
  }
  if (FindValue(job, kBinderChoice, value)) {
    if (value == 1) {
      AppendSetLine(header, "FINISH=ON");
      AppendSetLine(header, "FINISHERTYPE=THERMALBINDER");
      AppendSetLine(header, "FINISHEROPTION=REGULARBIND");
    } else if (value == 3) {
      AppendSetLine(header, "FINISH=NONE");
      SetJobValue(kBinderChoice, 0);
    }
  }
}

void GPJL::AppendDryTime(RWCString& header) {
  int16_t value = 0;
  if (!FindValue(JobSettings(), kDryTime, value)) return;
  static const char* const kTimes[] = {"0", "-15", "-10", "-5", "0", "5", "10", "15", "20", "25", "30"};
  const char* text = TableText(kTimes, 11, value);
  RWCString line("KWEEXTRADRYTIME=");
  Append(line, text != nullptr ? text : "0");
  AppendSetLine(header, line.Data());
}

void GPJL::AppendTransparencyInterleave(RWCString& header) {
  int16_t value = 0;
  if (!FindValue(JobSettings(), kTransparencyInterleave, value)) return;
  if (value == 1) AppendSetLine(header, "OHPINTERLEAVE=BLANK");
  if (value == 2) AppendSetLine(header, "OHPINTERLEAVE=PRINTED");
}

void GPJL::AppendImageShift(RWCString& header) {
  int16_t value = 0;
  if (!FindValue(JobSettings(), kImageShift, value)) return;
  AppendSetWord(header, "PROCESSINGTYPE=", "IMAGE_SHIFT");
  AppendSetWord(header, "PROCESSINGOPTION=", value == 1 ? "ON" : "NONE");
  AppendSetLine(header, "PROCESSINGBOUNDARY=PLUX");
}

// ---- Commands ----

GCountedPtr GPJL::Send(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr || !IsActive()) return held;
  const RWClassID classId = command->ClassId();
  if (classId != GDocumentStartClassId && classId != GDocumentEndClassId && classId != GJobAbortClassId)
    return held;
  int16_t switchValue = 1;
  if (FindValue(JobSettings(), GPjlJobCommandsId, switchValue) && switchValue == 0) return held;
  const int16_t status = command->Dispatch(this);
  if (status == 0) return held;
  return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(status), command));
}

int16_t GPJL::DocumentStart(GDocumentStart* command) {
  if (command == nullptr) return GStatusNoOutputChannel;
  if (GOSFactory* factory = GOSFactory::GetInstance()) {
    if (factory->SuppressesProgress() != 0) progress_ = 0;
  }
  // A header already written and not yet closed by a footer belongs to a
  // job that never ended; the new job starts afresh.
  EnterIdle();
  const int16_t status = TakeOrOpenJobChannel(this, command, command->GetDriverInstance());
  if (status != 0) return status;
  GOutputChannel* channel = GetOutputChannel();

  RWCString narrow;
  ToNarrowString(command->GetDocumentName(), narrow);
  jobName_ = QuotedValue(narrow);

  RWCString header(kUel);
  Append(header, PjlStringTable[kPjlPrefix]);
  Append(header, PjlStringTable[kPjlJobName]);
  Append(header, jobName_);
  Append(header, PjlStringTable[kPjlQuote]);
  Append(header, PjlStringTable[kPjlNewLine]);
  AppendHeaderLines(header, command);

  const int16_t written = channel->WriteString(header, nullptr);
  if (written != 0) return written;
  if (progress_ != 0) static_cast<void>(channel->IsClosed());
  EnterDocument();
  return 0;
}

int16_t GPJL::DocumentEnd(GDocumentEnd* command) {
  // Only a job whose header went out gets a footer: an end without it would
  // close a job the printer never saw begin.
  const bool headerWritten = IsInDocument() != 0;
  EnterIdle();
  GCountedPtr held(command);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) child->Send(command);
  }
  GOutputChannel* channel = GetOutputChannel();
  if (!headerWritten || channel == nullptr) return 0;

  RWCString footer(kUel);
  AppendExtensionLines(footer);
  Append(footer, PjlStringTable[kPjlPrefix]);
  Append(footer, PjlStringTable[kPjlEojName]);
  Append(footer, jobName_);
  Append(footer, PjlStringTable[kPjlQuote]);
  Append(footer, PjlStringTable[kPjlNewLine]);
  int16_t noClosingUel = 0;
  if (!(FindValue(GetConfiguration(), GNoClosingUelId, noClosingUel) && noClosingUel != 0)) Append(footer, kUel);

  const int16_t status = channel->WriteString(footer, nullptr);
  if (status != 0) return status;
  if (OwnsOutputChannel()) return channel->Close();
  return 0;
}

int16_t GPJL::JobAbort(GJobAbort* command) {
  EnterIdle();
  static_cast<void>(GPeripheralComposite::JobAbort(command));
  return 0;
}

void GPJL::OnPeripheralChanged(GPeripheral*) {
  if (GConfiguration* configuration = GetConfiguration()) {
    configuration->RemoveAllChildren();
    if (MPersistentObject* own = GetOwnConfiguration()) configuration->AddChild(own);
    for (size_t i = 0; i < ChildCount(); ++i) {
      GPeripheral* child = ChildAt(i);
      GConfiguration* childConfiguration = child != nullptr ? child->GetConfiguration() : nullptr;
      if (childConfiguration != nullptr && childConfiguration != configuration)
        configuration->AddChild(childConfiguration);
    }
  }
  auto* current = new GState(&GPeripheralStateId);
  auto* defaults = new GState(&GPeripheralStateId);
  GCountedPtr heldCurrent(current);
  GCountedPtr heldDefaults(defaults);
  current->Merge(GetOwnCurrentState());
  defaults->Merge(GetOwnDefaultState());
  for (size_t i = 0; i < ChildCount(); ++i) {
    GPeripheral* child = ChildAt(i);
    if (child == nullptr) continue;
    defaults->Merge(child->GetDefaultState());
    current->Merge(child->GetCurrentState());
  }
  // Only the peripheral's states change; the own states stay its own part.
  GPeripheral::SetCurrentState(current);
  GPeripheral::SetDefaultState(defaults);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) {
      child->SetDefaultState(defaults);
      child->SetCurrentState(current);
    }
  }
  GPeripheral::OnPeripheralChanged(this);
}

int16_t GPJL::SetMedia(GMedia* media) {
  if (media != nullptr) mediaState_.AddChild(media->Clone());
  return 0;
}

int16_t GPJL::SetValue(GValueAttribute*) { return 0; }
int16_t GPJL::SetString(GStringAttribute*) { return 0; }
int16_t GPJL::SetEnum(GEnumAttribute*) { return 0; }
int16_t GPJL::SetRange(GRangeAttribute*) { return 0; }

RWCollectable* GPJLCreate() { return new GPJL; }
