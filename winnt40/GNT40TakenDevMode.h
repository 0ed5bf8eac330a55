// GNT40TakenDevMode: the printer's DEVMODE as the driver object last took
// it (read, restored, checked), kept between calls so that a conversion or a
// document query on an unchanged printer does not restore and check the
// same stored DEVMODE again.
//
// A kept take is used again only while everything it was made from is
// unchanged; it goes stale when
// - the printer's stored DEVMODE (read from the spooler on every take) or
//   its datatype differs in any byte, whoever wrote it (another process,
//   the spooler, this module);
// - the spooler's forms differ (a form added, deleted or changed anywhere);
// - the take is for another printer, or the application flags differ;
// - this process wrote printer data or a printer record, or ran an
//   auto-configuration (the printer configuration may have changed): each
//   such write moves the process-wide printer revision on;
// - the model is loaded again: the driver object (its instance) that keeps
//   the take goes with the model it was made for.
// Only a take that passed its check is kept; one that had to be repaired
// is written back and taken afresh next time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "driver/GDevMode.h"
#include "rw/RWWString.h"

class GSpoolerFormList;

class GNT40TakenDevMode {
 public:
  // What a take was made from.
  struct Source {
    RWWString printer;
    std::vector<uint8_t> loaded;  // the DEVMODE as read from the spooler, after the driver's own words
    int emf = 0;
    uint32_t appFlags = 0;
    int colorCapability = 0;
    uint64_t revision = 0;
    std::shared_ptr<const GSpoolerFormList> forms;
  };

  // The process-wide printer revision, and the step every write of printer
  // data, of a printer record or of the configuration makes.
  static uint64_t PrinterRevision();
  static void NotePrinterChanged();
  // Moves the revision on when it goes out of scope, after the write it
  // guards: a take made meanwhile is then not used again.
  struct PrinterWrite {
    PrinterWrite() = default;
    PrinterWrite(const PrinterWrite&) = delete;
    PrinterWrite& operator=(const PrinterWrite&) = delete;
    ~PrinterWrite() { NotePrinterChanged(); }
  };

  // The kept take when it was made from the same source: the taken DEVMODE
  // (1172 bytes) and the settings restored from it (never handed out; the
  // caller copies them). Null when none is kept or it is stale.
  struct Taken {
    std::vector<uint8_t> buffer;
    // The settings with the private area they were restored from.
    std::shared_ptr<const GDevMode::RestoredArea> restored;
  };
  const Taken* Find(const Source& source) const;
  void Keep(Source source, Taken taken);
  void Clear();

 private:
  static bool SameForms(const GSpoolerFormList* a, const GSpoolerFormList* b);

  std::unique_ptr<Source> source_;
  Taken taken_;
};
