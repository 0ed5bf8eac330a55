// GNT40PrinterDevMode: the driver's concrete DEVMODE object, bound to a
// printer. At creation it takes the printer's own default DEVMODE from the
// spooler when that buffer has this driver's layout (else it starts from the
// defaults), notes whether the printer's datatype is an EMF datatype, and it
// maps jobs that select the paper by form (DMBIN_FORMSOURCE) through the
// names of the spooler's forms.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Types.h"
#include "winnt40/GNT40DevMode.h"
#include "winnt40/GNT40TakenDevMode.h"

class GSpoolerFormServices;

class GNT40PrinterDevMode : public GNT40DevMode {
 public:
  // The dmSpecVersion this driver writes and takes.
  static constexpr int kSpecVersion = 0x0401;
  // Application flags that ask for a DEVMODE without the private part.
  static constexpr uint32_t kAppFlagsPublicOnly = 0x40100;

  // owner (not owned; may be null) supplies the driver instance and the
  // printer handle of the form list; with a printer handle the printer's
  // own DEVMODE is taken when it is this driver's.
  GNT40PrinterDevMode(GSpoolerFormServices* owner, HANDLE printer);
  // The driver's default DEVMODE without settings yet, for a caller that
  // gives it settings next (the printer's, or the driver's defaults), so
  // that no default settings are made to be thrown away; the caller ends
  // with TakeDefaultSettingsIfNone.
  struct WithoutSettings {};
  GNT40PrinterDevMode(GSpoolerFormServices* owner, WithoutSettings);
  GNT40PrinterDevMode(const GNT40PrinterDevMode& other);
  ~GNT40PrinterDevMode() override;

  // ---- Overrides ----
  // With the public-only application flags, only the 220 public bytes
  // (dmDriverExtra 0).
  int CopyTo(DEVMODEW* out) override;
  // Adds the form name of a form-source job.
  int SettingsToPublic(GAttributeComposite* settings, DEVMODEW* dm) override;
  // A form-source job's form name selects the paper.
  int PublicToSettings(const DEVMODEW* dm, GAttributeComposite* settings) override;
  int IsUsable() override { return 1; }
  int GetSpecVersion() override { return kSpecVersion; }

  // ---- Own operations, in slot order ----
  // 1 when the printer's DEVMODE was taken: the words of the layout, the
  // driver version, the tag and the printer's name are put back, and a
  // settings length past the area's room empties the area.
  virtual int LoadFromPrinter(HANDLE printer);
  // 1 when dm has exactly this driver's layout.
  virtual int IsDriverDevmode(const DEVMODEW* dm);
  // The form check of the first form named name (case counting); *index is
  // its 1-based number when the check answers 1. 0 when no form has the name.
  virtual int FindFormIndex(const RWWString& name, int16_t* index, int16_t x, int16_t y, int16_t orientation,
                            int flag);
  // FindFormIndex at the settings' resolution and the buffer's orientation.
  virtual int FormIndexForName(const RWWString& name, int16_t* index, int flag);

  // Takes the printer's DEVMODE (LoadFromPrinter) with its settings, checked
  // as strictly as an application's; one that fails the check is written
  // again from the settings and stored back. 1 when it was taken.
  int TakePrinterDevMode(HANDLE printer);

  // An object still without settings takes the driver's defaults.
  void TakeDefaultSettingsIfNone();

  GSpoolerFormServices* GetOwner() const { return owner_; }
  // 1 when the printer's DEVMODE failed the check at creation and was
  // written again from the settings.
  int WasRepaired() const { return repaired_; }

 private:
  // The settings area holds one complete zlib stream of exactly its
  // stored length.
  static bool IsSettingsAreaWhole(const uint8_t* dm);
  // The taken DEVMODE sets only the fields the driver handles, passes
  // Validate with every check and its public fields are those its settings
  // give.
  bool IsTakenDevModeSound();
  // Writes the own buffer as the printer's DEVMODE (SetPrinterW level 2);
  // the caller's last error is kept.
  void StoreRepairedDevMode(HANDLE printer);
  // Settings length 0 and the area zeroed: the DEVMODE carries no settings.
  void EmptySettingsArea();
  // The driver object's kept take, or null without one.
  GNT40TakenDevMode* KeptTakes();
  // What the take about to be made depends on, read after LoadFromPrinter.
  GNT40TakenDevMode::Source DescribeTake();

  GSpoolerFormServices* owner_;
  int repaired_ = 0;
  RWWString loadedPrinterName_;
};
