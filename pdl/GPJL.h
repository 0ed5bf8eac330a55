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
// The peripheral keeps the frame of the job: the JOB and EOJ lines, the
// order of the header and when it is written. The job's settings become
// lines through GPjlSettingsTable, one row per setting; every line is
// written by GPjlLineWriter, which decides what text from the job, the
// document name or the device model may stand in a line.
#pragma once

#include <cstdint>

#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "pdl/GPjlLineWriter.h"
#include "pdl/GPjlSettingsTable.h"
#include "printpath/GPeripheralComposite.h"
#include "rw/RWCString.h"

class GAttribute;
class GConfiguration;

constexpr RWClassID GPJLClassId = 769;

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
  RW_STORED_MEMBERS();

  // The embedded media state itself.
  GState& GetMediaState() { return mediaState_; }
  const GState& GetMediaState() const { return mediaState_; }
  const RWCString& GetJobName() const { return jobName_; }
  void SetJobName(const RWCString& name) { jobName_ = name; }
  int32_t GetProgressFlag() const { return progress_; }

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

  // ---- Text operations of the PJL lines (GPjlLineWriter) ----
  static constexpr auto& IsQuotable = GPjlLineWriter::IsQuotable;
  static constexpr auto& QuotedValue = GPjlLineWriter::QuotedValue;
  static constexpr auto& Crc16 = GPjlLineWriter::Crc16;
  static constexpr auto& HexDigits = GPjlLineWriter::HexDigits;
  static constexpr auto& ToUtf8 = GPjlLineWriter::ToUtf8;

 private:
  // Adds the three sections (to the current state only, when missing).
  void AddSections(bool currentOnlyWhenMissing);

  // The job settings section of the current state.
  GState* JobSettings() { return GetStateSection(GFeatureIds::kJobSettings); }
  // The lines of the header after the JOB line.
  void AppendHeaderLines(GPjlLineWriter& out, GDocumentStart* command);
  // The extension's lines of the job settings, each with CR LF.
  void AppendExtensionLines(GPjlLineWriter& out);

  GState mediaState_;
  RWCString jobName_;
  int32_t progress_;
};

RWCollectable* GPJLCreate();
