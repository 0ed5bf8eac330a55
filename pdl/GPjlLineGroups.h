// GPjlLineGroups: the writers of the PJL header's setting groups whose
// lines depend on more than one setting or on the device: the comments and
// job attributes, duplex, the usage line, the time lines, grayscale, output
// bin and finishing, job retention, resolution, the device information
// request and image shift. Each is named by its row of GPjlSettingsTable,
// takes its settings from the job (GPjlJob) and writes through
// GPjlLineWriter. Some consume a one-shot setting as they write it.
#pragma once

#include <cstdint>

#include "pdl/GPjlSettingsTable.h"
#include "rw/RWCString.h"

class GPjlLineWriter;

class GPjlLineGroups {
 public:
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
  // MANUALDUPLEX=ON when the printer configuration's switch (1010) is 1;
  // the switch is set to 1 after every header that finds it.
  static void AppendManualDuplexLine(GPjlLineWriter& out, const GPjlJob& job);
  // The line itself: manual duplex (245) on and the job duplex, except for
  // papers the duplex unit takes (list 188, custom sizes); or the pending
  // manual duplex of a one-sided pass (1123, cleared as it is written).
  static void AppendManualDuplex(GPjlLineWriter& out, GState* settings, MPersistentObject* printerConfiguration,
                                 int16_t duplexUnit);
  // Duplex and binding; without a duplex unit the printer is told to print
  // one side.
  static void AppendDuplex(GPjlLineWriter& out, const GPjlJob& job);
  // PAPER= the PJL name of the page medium's paper (map 192; a custom size
  // is named as the instance's default paper).
  static void AppendPaper(GPjlLineWriter& out, const GPjlJob& job);
  // The copy qualifier's text (906 by 907) set for the tray-1 temperature:
  // into each PJL variable the map 930 names for 931, else TRAY1TEMP.
  static void AppendTemperature(GPjlLineWriter& out, const GPjlJob& job);
  // The text the association list maps the value to (a value key, a text
  // value); false when the list or the entry is missing.
  static bool MappedText(MPersistentObject* list, int16_t value, RWCString& text);
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
