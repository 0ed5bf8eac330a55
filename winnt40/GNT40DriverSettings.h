// GNT40DriverSettings: the settings base of the per-printer driver object.
// It owns the driver object's DEVMODE object and joins three sources into
// the document settings the sheets, the capability queries and the document
// events work on: the device model's defaults, the DEVMODE an application
// passes, and the setting groups the driver keeps in the printer's data
// ("365", "366", "368"). It also keeps the per-user watermark pool, the
// host-application flags and the job-storage registry path. The spooler
// form services come from its base GSpoolerFormServices; the printer handle
// they work on is supplied by the driver object (GetPrinterHandle).
//
// The device model is read from the driver's data file and is untrusted: a
// missing device entry, configuration group or default state gives the
// settings that can be built without it, never a crash.
#pragma once

#include <cstdint>
#include <memory>

#include "driver/GSpoolerFormServices.h"
#include "rw/RWWString.h"
#include "win32/Types.h"
#include "winnt40/GNT40TakenDevMode.h"

class GAttributeComposite;
class GNT40PrinterDevMode;
struct DEVMODEW;

// The application flags read from the companion module at module attach;
// every driver object copies them (RefreshAppFlags).
void SetProcessAppFlags(uint32_t flags);
uint32_t ProcessAppFlags();

class GNT40DriverSettings : public GSpoolerFormServices {
 public:
  // Settings-group ids and their printer-data value names.
  // Watermark origins.
  static constexpr int16_t kPrinterPool = 1;
  static constexpr int16_t kUserPool = 2;
  // DEVMODE state bits.
  static constexpr int kRebuildSettings = 1;
  static constexpr int kRebuildPaperList = 2;
  // Application flags that cut the DEVMODE down to its public part.
  static constexpr uint32_t kPublicDevModeFlags = 0x40100;
  // Sizes the driver reports for its DEVMODE.
  static constexpr int kFullDevModeSize = 1172;
  static constexpr int kPublicDevModeSize = 220;
  // Offset of the time-zone bias in the private area.
  static constexpr size_t kTimeBiasOffset = 260;

  GNT40DriverSettings();
  ~GNT40DriverSettings() override;

  // ---- Own virtual operations, in slot order ----
  // Loads the caller's DEVMODE (null: the printer's defaults) into the
  // DEVMODE object, making the object when needed. 1, or 0 when no object
  // can be made.
  virtual int LoadDevMode(const DEVMODEW* in);
  // Stores the groups 368, 366 and 365 (store == 1) and hands the rest of
  // the settings to the DEVMODE object. 1 when every store and the DEVMODE
  // write succeeded.
  virtual int SaveSettings(GAttributeComposite* settings, int store);
  // The stored group of that id (printer-data value named by the decimal
  // id), owned by the caller; null when missing or not a composite.
  virtual GAttributeComposite* LoadSettingsGroup(const int32_t* id);
  virtual int StoreSettingsGroup(GAttributeComposite* group);
  // Sets the options of InstallableOptions that the configuration binds to
  // printer-data values, and the TrueType-as-bitmap flag by the OEM code page.
  virtual void ApplyPrinterDataOptions(GAttributeComposite* settings);
  // GetPrinterHandle (from GSpoolerFormServices): the driver object's
  // administrative handle while in use, else its creation handle.

  // ---- Overrides of GDriverInstance ----
  void RefreshAppFlags() override;
  GAttributeComposite* CreateDefaultSettings() override;
  GAttributeComposite* GetDocumentSettings() override;
  RWWString GetJobStorageKeyPath() override;
  // The DEVMODE object's own settings (not a copy), null without one.
  GAttributeComposite* GetDevModeSettings() override;
  int IsRemotePrinter() override;
  RWWString GetResourceModulePath() override;

  // ---- Non-virtual ----
  // 1172, or 220 with the application flags 0x40100 (then, with fix, the
  // user's stored DEVMODE under HKCU "Printers\DevModes2" is cut to 220).
  int GetDevModeSize(int fixUserDevMode);
  void SetLocalJobStorage(int flag);
  // "EnableDevmodeAppflag": HKCU, then HKLM; 1 when neither has it.
  static int IsDevmodeAppflagEnabled();

  GNT40PrinterDevMode* GetDevModeObject() const { return devMode_; }
  // Deletes the DEVMODE object (a later LoadDevMode makes a new one).
  void DeleteDevModeObject();
  // Takes the object over in place of the current one (deleted).
  void ReplaceDevModeObject(GNT40PrinterDevMode* object);
  int GetDevModeState() const { return devModeState_; }
  void SetDevModeState(int state) { devModeState_ = state; }
  int IsDefaultsLoaded() const { return defaultsLoaded_; }
  int GetDatatypeFlag() const { return datatypeFlag_; }
  int GetPerUserFlag() const { return perUser_; }
  void SetPerUserFlag(int flag) { perUser_ = flag; }

  // The printer's DEVMODE as the DEVMODE objects last took it, kept with
  // what it was made from (see GNT40TakenDevMode).
  GNT40TakenDevMode& TakenDevMode() { return takenDevMode_; }
  // The printer's forms as a take sees them (the held list while a hold
  // lasts).
  std::shared_ptr<const GSpoolerFormList> FormsForTake() { return Forms(); }

  // The registry location of the per-user watermark pool.
  RWWString UserWatermarkPoolLocation();

 protected:
  // Per-user watermark pool: merged into group 366 when it is read, saved
  // from it when it is written.
  void MergeUserWatermarks(GAttributeComposite* preferences);
  int SaveUserWatermarks(GAttributeComposite* preferences);
  // The printer-data string "PrinterUUID", "" when missing.
  RWWString PrinterUuid();

 private:
  // Makes the DEVMODE object anew for the printer handle.
  int MakeDevModeObject();
  // The named model variant for a driver name; empty when none applies.
  static RWWString ModelVariantFromDriverName(const RWWString& driverName);

  GNT40PrinterDevMode* devMode_ = nullptr;
  int devModeState_ = 0;
  int defaultsLoaded_ = 0;
  int datatypeFlag_ = 0;
  int perUser_ = 0;
  GNT40TakenDevMode takenDevMode_;
};
