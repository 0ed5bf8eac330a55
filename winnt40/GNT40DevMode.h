// GNT40DevMode: the DEVMODE object of the NT 4.0 platform. It maps the
// document settings to the public DEVMODEW fields and back (orientation,
// paper, copies, source, resolution and print quality, colour, ICM, duplex,
// collation), writes the driver's default DEVMODE, applies the colour and
// collation policies and validates a DEVMODE an application passes.
// Capabilities come from the printer configuration of the driver instance.
#pragma once

#include <cstdint>

#include "driver/GDevMode.h"
#include "rw/RWCString.h"

class MPersistentObject;

class GNT40DevMode : public GDevMode {
 public:
  // Paper ids of the custom size and of the largest and smallest custom
  // media of the media pool.
  static constexpr int16_t kCustomPaperId = 0x4000;
  static constexpr int16_t kLargestCustomPaperId = 17384;
  static constexpr int16_t kSmallestCustomPaperId = 17385;
  // Application flags of the driver instance that this class tests.
  static constexpr uint32_t kAppFlagPaperSizeAlways = 0x200;
  static constexpr uint32_t kAppFlagMonochrome = 0x80;
  // The dmFields bits the mappings read and write.
  static constexpr uint32_t kHandledFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH |
                                             DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR |
                                             DM_DUPLEX | DM_YRESOLUTION | DM_COLLATE | DM_FORMNAME |
                                             DM_ICMMETHOD | DM_ICMINTENT;

  explicit GNT40DevMode(GDriverInstance* instance);
  GNT40DevMode(const GNT40DevMode& other);
  ~GNT40DevMode() override;

  // ---- Overrides of GDevMode ----
  // Also puts the instance's printer name into dmDeviceName.
  int AttachInstance(GDriverInstance* instance) override;
  // Settings -> public fields of dm. 1; 0 without settings.
  int SettingsToPublic(GAttributeComposite* settings, DEVMODEW* dm) override;
  // The public fields dm marks in dmFields -> settings. 1; 0 without
  // settings. dm must be a full 220-byte public record (LoadFrom passes a
  // bounded image).
  int PublicToSettings(const DEVMODEW* dm, GAttributeComposite* settings) override;
  RWWString GetDeviceName() override;
  RWWString GetDriverNameTag() override;

  // ---- Own operations, in slot order ----
  virtual void ApplyColorPolicy();
  virtual void ApplyCollatePolicy();
  virtual int GetSpecVersion() = 0;
  virtual int GetDriverVersion() { return 24; }
  // 1 valid, 0 invalid; *badFields gets the dmFields bits of the rejected
  // fields. checkAll 0 stops at the first rejection.
  virtual int Validate(void* reserved, const DEVMODEW* dm, int checkAll, uint32_t* badFields);
  // Same dmSize and dmDriverExtra as the own buffer and the same bytes.
  virtual int IsEqual(const DEVMODEW* dm);
  virtual int IsEmfDatatype() { return IsEmfFlagSet(); }
  virtual void SetDefaults();
  virtual int ResolutionForQuality(GAttributeComposite* settings, int16_t quality, int16_t* x, int16_t* y,
                                   int16_t* bits);
  virtual int QualityForResolution(GAttributeComposite* settings, int16_t x, int16_t y, int16_t* quality);
  // 1 when the name names a form of the printer's spooler (out: the
  // form's paper id, 0 without one) or is empty; 0 when it names no form.
  virtual int IsFormNameAccepted(const RWWString& formName, int16_t* out, int16_t x, int16_t y, int16_t orientation);
  virtual int ReservedQuery(int a, int b);
  virtual int MediaTypeForSource(MPersistentObject* configuration, int16_t source, RWCString* mediaType);
  virtual int SourceForMediaType(MPersistentObject* configuration, const RWCString& mediaType, int16_t* source);

 protected:
  // The printer configuration of the instance, or null.
  MPersistentObject* Configuration();
  // The Resolution attribute of the settings, or the settings themselves
  // when they have none: where 323, 324, 325 and 902 are looked up.
  static MPersistentObject* ResolutionScope(MPersistentObject* settings);
  // The custom-size limits of the printer media pool at the resolution, in
  // tenths of a millimetre; false for a missing medium or resolution.
  bool CustomLimit(int16_t paperId, int16_t x, int16_t y, int16_t* width, int16_t* length);

 private:
  // The table of public fields that the two mappings and Validate walk: one
  // row per field with its mapping each way and its check (see the .cpp).
  struct FieldPass;
  struct FieldRow;
  struct FieldRows;
  // A pass over the table on these settings (null for the checks).
  FieldPass MakeFieldPass(GAttributeComposite* settings);
};
