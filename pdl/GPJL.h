// GPJL: the peripheral of the print path that wraps each printer job in
// Printer Job Language. The printer holds it as its child with feature id
// 106, beside the page-description generator (101). At document start it
// takes or opens the job's output channel and writes the PJL header (the
// universal exit language sequence, the JOB line, comment lines, the job's
// settings and the ENTER LANGUAGE line naming the generator's language); at
// document end, after the generator's stream, the footer (EOJ and the
// closing exit sequence). It writes nothing in between. Besides the
// composite's parts it keeps a state of the media it was given, the job
// name of the current job and its progress flag; its current and default
// states carry the graphics, page and job sections from construction.
//
// Every text that goes into a line comes from the job's settings, the
// document name or the device model, none of which the printer may take as
// PJL of its own: quoted texts are written only when they cannot end their
// quotes or their line (IsQuotable) and are cut to kMaxQuotedLength bytes;
// the texts written as they are stored (the model number, the extension's
// lines, the language name) must be one line of printable text, else they
// are left out.
#pragma once

#include <cstdint>

#include "model/GState.h"
#include "printpath/GPeripheralComposite.h"
#include "rw/RWCString.h"

class GAttribute;
class GConfiguration;

constexpr RWClassID GPJLClassId = 769;

// Feature ids the wrapper reads.
constexpr int32_t GPjlJobCommandsId = 579;      // 0: the job gets no PJL header or footer
constexpr int32_t GPjlRawHeaderTextId = 240;    // raw header text, written as stored
constexpr int32_t GProductModelNumberId = 956;  // ProductModelNumber
constexpr int32_t GJobCommentTextId = 1007;
constexpr int32_t GSecondJobCommentTextId = 1008;
constexpr int32_t GJobUserNameId = 975;          // JobUserName
constexpr int32_t GDisplayMessageTextId = 800;   // DisplayMessageText
constexpr int32_t GDisplayMessageKindId = 801;   // DisplayMessageKind
constexpr int32_t GExtensionPjlLinesId = 985;    // ExtensionPjlLines: a composite of strings
constexpr int32_t GNoClosingUelId = 1006;        // NoClosingUel, in the configuration
constexpr int32_t GPjlResolutionId = 249;        // Resolution, with XResolution (323)
constexpr int32_t GPjlXResolutionId = 323;

// The texts the header and the footer are built from.
enum GPjlString : int {
  kPjlUel = 0,             // ESC "%-12345X"
  kPjlNewLine = 1,         // CR LF
  kPjlPrefix = 2,          // "@PJL "
  kPjlComment = 3,         // "@PJL COMMENT "
  kPjlEnterLanguage = 4,   // "@PJL ENTER LANGUAGE="
  kPjlEojName = 5,         // "EOJ NAME=" and a double quote
  kPjlJobName = 6,         // "JOB NAME=" and a double quote
  kPjlSet = 7,             // "SET "
  kPjlQuote = 8,           // a double quote
  kPjlSetJobAttr = 9,      // "@PJL SET JOBATTR="
  kPjlUsage = 10,          // "@PJL USAGE"
  kPjlSetStringCodeSet = 11,
  kPjlUtf8 = 12,
  kPjlSetPrintQuality = 13,
  kPjlDmInfo = 14,         // "DMINFO ASCIIHEX="
  kPjlDmInfoPrefix = 15,
  kPjlStringCount = 16,
};
extern const char* const PjlStringTable[kPjlStringCount];

// The state sections a PJL peripheral's states start with.
constexpr int32_t GGraphicsStateId = 244;  // GraphicsState
constexpr int32_t GPageStateId = 256;      // PageState
constexpr int32_t GJobSettingsId = 246;    // JobSettings

class GPJL : public GPeripheralComposite {
 public:
  // Empty media state and job name, progress flag 1; empty sections 244,
  // 256 and 246 in the current and in the default state.
  GPJL();
  explicit GPJL(const int32_t* id);
  // The composite's full constructor; each section is added to the current
  // state only, and only when it has none with that id.
  GPJL(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
       int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Copies the composite part, the media state (sharing its attributes),
  // the job name and the progress flag.
  GPJL(const GPJL& other);
  GPJL& operator=(const GPJL& other);
  ~GPJL() override;

  static RWClassID StaticClassId() { return GPJLClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPJL);

  // Stored body after the composite's: version 1, the media state as one
  // object, the job name. The progress flag is not stored.
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;

  // The embedded media state itself.
  GState& GetMediaState() { return mediaState_; }
  const GState& GetMediaState() const { return mediaState_; }
  const RWCString& GetJobName() const { return jobName_; }
  void SetJobName(const RWCString& name) { jobName_ = name; }
  int32_t GetProgressFlag() const { return progress_; }

  // The most bytes of a text written between quotes.
  static constexpr uint32_t kMaxQuotedLength = 80;

  // ---- Commands ----
  // Acts on document start (705), end (706) and job abort (713) only: when
  // the job settings hold feature 579 with value 0 the command passes
  // untouched; otherwise it is dispatched here and a non-zero status puts
  // an error command (feature id 0) in its place. Every other command, and
  // every command while inactive, comes back unchanged.
  GCountedPtr Send(GCommand* command) override;
  // Takes or opens the channel (601 without a usable one, the channel's
  // status when it does not open), writes the header in one call (its
  // status returned, the peripheral staying idle) and enters the document.
  int16_t DocumentStart(GDocumentStart* command) override;
  // Idle; the children get the command; the footer goes out in one call
  // and an owned channel is closed (their statuses returned). Without a
  // header written for the job there is no footer either.
  int16_t DocumentEnd(GDocumentEnd* command) override;
  // Idle and an owned channel aborted; writes nothing; always 0.
  int16_t JobAbort(GJobAbort* command) override;
  // Rebuilds the configuration from the own one and the children's, and
  // the current and default states (243) from the own states merged with
  // the children's; the children get the new states and the observers are
  // told.
  void OnPeripheralChanged(GPeripheral* source) override;
  // Keeps a copy of the medium in the media state; 0.
  int16_t SetMedia(GMedia* media) override;
  int16_t SetValue(GValueAttribute* value) override;
  int16_t SetString(GStringAttribute* text) override;
  int16_t SetEnum(GEnumAttribute* enumeration) override;
  int16_t SetRange(GRangeAttribute* range) override;

  // ---- Line writers ----
  // True when no byte of the text is below 32 (the tab aside) or a double
  // quote; bytes from 128 are allowed; the empty text is quotable.
  static bool IsQuotable(const RWCString& text);
  // The text as it may stand between quotes: itself cut to
  // kMaxQuotedLength bytes when quotable, else empty.
  static RWCString QuotedValue(const RWCString& text);
  // The model number, the job comments or the operating-system line; 0.
  int AppendCommentLines(RWCString& header, GState* job);
  // "@PJL COMMENT " and the quoted operating-system text.
  static void AppendOsInfo(RWCString& header);
  // JOBATTR lines: the user name, accounting fields 2 and 3, the local time
  // when the platform gives it, accounting field 5.
  void AppendJobAttributes(RWCString& header);
  // Resolution enhancement, duplex and binding, printing on the back side,
  // print quality, cleaning, toner saving, turbo mode, planes, grayscale
  // and page protection, each when the job has its setting.
  void AppendSimpleSettings(RWCString& header, GDocumentStart* command);
  // One SET line per segment of the job's time-stamp template, the last
  // segment first, its tags replaced by the local date and time.
  void AppendDateTimeLines(RWCString& header);
  // The DMINFO request stamped with the adjusted time.
  void AppendDeviceInfoRequest(RWCString& header);
  // Each byte's low seven bits as lower-case hexadecimal digits.
  static RWCString HexDigits(const RWCString& text);
  // The job retention block into its own text; 1 when it made one (the job
  // has a retention mode), else 0.
  int AppendJobRetention(RWCString& block, GDocumentStart* command);
  // The first 16 characters of the text, read in the current code page,
  // in UTF-8.
  static RWCString ToUtf8(const RWCString& text);
  static constexpr size_t kMaxUtf8Characters = 16;
  // RESOLUTION always, BITSPERPIXEL when the printer has a two-bit mode.
  void AppendResolutionLines(RWCString& header);
  // CRC-16 (polynomial 0xA001, reflected, initial 0) of the first 99 bytes;
  // 0 becomes 0xFFFF.
  static uint16_t Crc16(const RWCString& text);
  // The USAGE line: model code, checksums, layout flags, system and port.
  void AppendUsageLine(RWCString& header, GDocumentStart* command);
  // Output bin and finishing: one of the three writers below by OutputBin.
  void AppendOutputLines(RWCString& header);
  void AppendStackerLines(RWCString& header, int16_t bin);
  void AppendStaplerBinLines(RWCString& header, bool stapling, int16_t bin);
  void AppendOutputBinLines(RWCString& header);
  void AppendDryTime(RWCString& header);
  void AppendTransparencyInterleave(RWCString& header);
  void AppendImageShift(RWCString& header);

 private:
  // Adds the three sections (to the current state only, when missing).
  void AddSections(bool currentOnlyWhenMissing);

  // Sets a value attribute of the job settings that the header consumed.
  void SetJobValue(int32_t id, int16_t value);
  // The job settings section of the current state.
  GState* JobSettings() { return GetStateSection(GJobSectionId); }
  // Appends the lines of the header after the JOB line.
  void AppendHeaderLines(RWCString& header, GDocumentStart* command);
  // The extension's lines of the job settings, each with CR LF.
  void AppendExtensionLines(RWCString& text);

  GState mediaState_;
  RWCString jobName_;
  int32_t progress_;
};

RWCollectable* GPJLCreate();
