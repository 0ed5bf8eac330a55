// `qvhost print`: the host plays the spooler's render side. It opens a
// print-side driver instance of its own for the printer (the module's
// platform factories make none), gives it the device model of the sample
// model file and the job's DEVMODE, and sends document start, each page's
// graphics and document end through the printer peripheral into a file
// channel. The job is written to a temporary file beside the output and
// renamed over it when the job is complete, so a failed job leaves nothing
// half-written at the output's name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/Types.h"

namespace qvhost {

struct PrintRequest {
  std::u16string printerName;
  std::u16string driverName;
  HANDLE printer = nullptr;      // the open printer (its printer data)
  std::vector<uint8_t> devMode;  // the job's DEVMODE, public changes applied
  // Settings of the private part by feature id, "ID=VALUE" (see IsSettingAssignment).
  std::vector<std::string> settings;
  std::string modelFile;  // the device model (the driver's data file)
  std::string pageFile;   // the pages; empty with sample
  bool sample = false;    // the built-in reference page
  std::string language;   // "pcl5e", "pclxl", "postscript"; empty: the printer's own
  std::string document;   // the document's name
  std::string out;        // where the job goes
  // Page filters of the job (the settings that make them take part).
  bool reverse = false;       // back-to-front page order (PageOrder 1)
  bool manualDuplex = false;  // the printer's manual duplex on (with duplex, the sides in two passes)
  bool driverCopies = false;  // uncollated copies made by the driver (copy qualifier "LOW")
  std::string nup;            // several pages a sheet: "N[,ORDER[,BORDERS]]"; empty: one
  std::string mediaType;      // the paper's media type name ("Letterhead"); empty: the printer's
};

// Exit statuses the command answers (the host's).
struct PrintStatus {
  int status = 0;
  std::string message;  // for stderr when status is not 0
  std::string report;   // for stdout
};

// A --set assignment that names a setting of the private part by its
// feature id ("248=30") rather than a public DEVMODE field.
bool IsSettingAssignment(const std::string& assignment);

// Runs the job. Status 0 done; 1 the print path failed the job; 2 bad
// arguments or a malformed page file (the message names the line); 4 a
// file cannot be read or written.
PrintStatus Print(const PrintRequest& request);

extern const char* const kPrintSummary;
extern const char* const kPrintHelp;

}  // namespace qvhost
