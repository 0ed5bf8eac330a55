// GNT40PrinterSetup: the work the NT 4.0 driver object does when a printer
// is set up or a connection to a shared printer comes and goes. It adds the
// spooler forms the device needs, fills an empty watermark pool with the
// default watermarks in the language of the resource module, registers the
// DIMM font descriptor of the printer configuration, and copies (or
// deletes) the mass-storage font descriptor files of a connection.
//
// The font descriptor paths of a connection come from printer data that the
// print server controls; the file operations act only on plain files of the
// driver directory and ignore any other path.
#pragma once

#include <cstdint>
#include <string>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GAttributeComposite;
class GDriverInstance;

// The face and character set of the default watermarks for the code page of
// the resource module; the face is text in that code page.
struct GWatermarkFont {
  RWCString face;
  int16_t charSet = 0;
};

class GNT40PrinterSetup {
 public:
  // Feature ids of the watermark records and the settings they live in.
  // Configuration attributes of the DIMM font descriptor.
  // Forms are matched within this many thousandths of a millimetre.
  static constexpr LONG kFormTolerance = 100;

  // Works for the instance; printer is the handle the forms are added under.
  GNT40PrinterSetup(GDriverInstance* instance, HANDLE printer);

  // Adds a printer form for each device medium without a spooler paper
  // number and for each custom size of the printer configuration, unless a
  // non-built-in form of that size (or a form of that name) exists.
  // orientation is in degrees, resolution x and y in dots per inch. 1 when
  // a form was added, else 0.
  int InstallForms(int32_t orientation, const int16_t resolution[2]);
  // Fills the watermark pool of the document settings with the four default
  // records when it is empty.
  void CreateDefaultWatermarks(GAttributeComposite* documentSettings);
  // Stores the configuration's DIMM font descriptor as the file of the first
  // DIMM font device.
  void RegisterDimmFonts();
  // Copies the descriptor file of each font device from the print server of
  // the connection printerName (\\server\queue).
  void FetchServerFontFiles(const RWWString& printerName);
  // Deletes the local descriptor file of each font device.
  void DeleteServerFontFiles(const RWWString& printerName);

  // The face and character set for a code page of the resource module.
  static GWatermarkFont WatermarkFontFor(UINT codePage);
  // The code page of the first translation of a module's version block; 0
  // when it has none.
  static UINT ResourceCodePage(const RWWString& modulePath);
  // True when path is a plain file directly inside directory (compared
  // without regard to case): no further separators, no "." or "..".
  static bool IsFileOfDirectory(const std::u16string& path, const std::u16string& directory);

 private:
  GDriverInstance* instance_;
  HANDLE printer_;
};
