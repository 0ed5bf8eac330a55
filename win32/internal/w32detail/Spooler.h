// Internal to the stand-in (Spooler): on no include path but the stand-in's own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32/Spooler.h"
#include "w32test/Registry.h"
#include "w32detail/Registry.h"
#include "w32test/Spooler.h"

namespace w32detail {

// A copy of the spooler's printers and added forms, for saving the
// platform's state between runs. Open handles are not part of it.
struct SpoolerPrinterSnapshot {
  w32test::PrinterSetup setup;
  DWORD refused = 0;
  std::vector<DWORD> directoryActions;
};
struct SpoolerFormSnapshot {
  std::u16string server;  // the print server's name ("" for the local one)
  std::u16string name;
  DWORD flags = FORM_USER;
  SIZEL size{};
  RECTL area{};
};
struct SpoolerSnapshot {
  std::vector<SpoolerPrinterSnapshot> printers;
  std::vector<SpoolerFormSnapshot> forms;  // per server in the order they were added
};
SpoolerSnapshot TakeSpoolerSnapshot();
// Replaces the printers and forms (open handles are closed). The printers'
// registry keys are not touched: they come with the registry.
void RestoreSpooler(const SpoolerSnapshot& snapshot);

}  // namespace w32detail
