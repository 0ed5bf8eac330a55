// GDriverInstance: the per-printer object that every driver object is built
// on (as a virtual base). It holds the printer's identity, the device model
// read from the driver's data file with the paper, source and capability
// mapping lists, the document settings and the driver extension, and it
// answers the questions the spooler entry points ask of the model: paper
// and source conversions, resolutions, media pools, installable options,
// fonts on the printer's mass storage, and stored objects in printer data.
// GUIDriverInstance is the step between it and the user-interface driver
// object.
//
// Everything read from the device model is untrusted: a missing entry, a
// part of another class than expected or a resolution of 0 gives the
// documented default, never a crash.
#pragma once

#include <cstdint>

#include "driver/GUpwardServices.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GAttribute;
class GAttributeComposite;
class GCapabilities;
class GConfiguration;
class GCustomMediaSize;
class GDeviceFontListComposite;
class GDriverExtension;
class GMedia;
class GMediaPool;
class GPeripheral;
class GPrinterKey;
class GResourceMapping;
class GResourceMappingList;
class GTray;
class MPersistentObject;

// One paper query of IsPaperSupported: the orientation in degrees, the x
// and y resolution, whether the custom-size limits of the media pool apply,
// and the spooler's paper number.
struct GPaperRequest {
  int32_t orientation = 0;
  int16_t resolution[2] = {0, 0};
  int customLimits = 0;
  int16_t spoolerPaper = 0;
};

// The enumerators' callbacks: the item, the mapping that matches it or null,
// the running index, the caller's context and an out flag the callback sets
// when it found what it looked for. The walk goes on while it answers 1.
typedef int (*GMediaCallback)(GMedia* medium, GResourceMapping* mapping, int index, void* context, int* found);
typedef int (*GTrayCallback)(GTray* tray, GResourceMapping* mapping, int index, void* context, int* found);
typedef int (*GBinCallback)(GResourceMapping* bin, GResourceMapping* mapping, int index, void* context,
                            int* found);

// The update object that the auto-configuration runs on the printer
// configuration. The configuration-exchange layer implements it; the driver
// instance deletes it after one run.
class GUpdateSession {
 public:
  virtual ~GUpdateSession();
  // Updates the configuration from the printer; modelCheck 1 checks the
  // printer's model first. A 16-bit result code.
  virtual int16_t Update(MPersistentObject* configuration, int modelCheck) = 0;
};

// The update objects come from the upward services' session source
// (GUpwardServices::updateSession); without one there is no session.

// The catalogue of one mass-storage font device as the driver core reads it:
// the device's font descriptor file, read by the property-page layer's
// descriptor reader. Operations in the order they are used.
class GDeviceFontCatalog {
 public:
  virtual ~GDeviceFontCatalog();
  // Opens the device's descriptor file; false when it cannot be opened.
  virtual bool Open() = 0;
  // Reads the descriptor; false on failure.
  virtual bool ReadDescriptor() = 0;
  // The descriptor's stamp; a larger stamp than the stored list's replaces it.
  virtual int32_t GetStamp() = 0;
  // A new device font list built from the catalogue (the caller owns it), or
  // null when the catalogue does not parse.
  virtual MPersistentObject* BuildFontList() = 0;
};

// The catalogue readers come from the upward services
// (GUpwardServices::fontCatalog); without one no catalogue is readable.

class GDriverInstance {
 public:
  // All names empty, every pointer and counter 0, colour stale; then the
  // driver extension for this instance.
  GDriverInstance();
  GDriverInstance(const GDriverInstance&) = delete;
  GDriverInstance& operator=(const GDriverInstance&) = delete;

  // ---- Virtual operations, in slot order ----
  // Deletes the device model, the three mapping lists, the document
  // settings, the symmetric media pool and the driver extension.
  virtual ~GDriverInstance();
  virtual void RefreshAppFlags() = 0;
  // The print-side object / the user-interface driver object this instance
  // is part of, as the driver server hands them out.
  virtual void* GetRenderObject() = 0;
  virtual void* GetDriverObject() = 0;
  virtual GAttributeComposite* CreateDefaultSettings() = 0;
  virtual GAttributeComposite* GetDocumentSettings() = 0;
  // Runs an update session of the provider registry on the printer
  // configuration: its result, or 603 without session or configuration.
  virtual int16_t RunAutoConfiguration(int ignored);
  // Applies the installable options of the settings (null: the instance's
  // own) to the device model; 0 without settings, else 1.
  virtual int ApplyDocumentSettings(GAttributeComposite* settings);
  // Prepares a cached instance for another printer of the same driver: the
  // colour cache and the symmetric media pool are dropped.
  virtual void Rebind(GPrinterKey* key);
  virtual void Release() = 0;
  // 0: the base keeps nothing it could free.
  virtual int ReleaseMemory();
  // Configuration value 339, read once (until Rebind); 0 when absent.
  virtual int GetColorCapability();
  virtual int IsPaperSupported(const GPaperRequest* request);
  virtual int IsRemotePrinter();
  virtual int IsSourceSupported(int16_t source);
  virtual int IsResolutionSupported(int16_t x, int16_t y);
  // Paper mappings: the device code of the mapping with that system code;
  // 1 when found, else 0 (and out unchanged).
  virtual int DmPaperToPaperId(int16_t spoolerPaper, int16_t* paperId);
  virtual int PaperIdToDmPaper(int16_t paperId, int16_t* spoolerPaper);
  // 1 (Letter) or 23 (A4) from the user's country; cached.
  virtual int16_t GetDefaultPaperId();
  // Gives the size the first free paper id of 16385-17383 and adds it to
  // the list (taking it over), replacing an entry of the same name; 1, or 0
  // when no id is free (the size stays with the caller).
  virtual int AddCustomForm(GCustomMediaSize* size, GAttributeComposite* list, int ignored);
  // Removes and deletes the list's entry that is or matches the size; 1
  // when there was one.
  virtual int DeleteCustomForm(GCustomMediaSize* size, GAttributeComposite* list, int ignored);
  virtual int EnumeratePaperNames(void* callback, void* userData, int checkLimits, GAttributeComposite* settings);
  virtual int EnumerateAllPaperNames(void* callback, void* userData, int checkLimits,
                                     GAttributeComposite* settings);
  virtual int CheckPaperForSettings(GAttributeComposite* settings, int16_t paperId);
  // 2 above 16383; 1 without paper list 192; else 1 when the list has the
  // id, 2 when not.
  virtual int CheckPaperId(GAttributeComposite* ignored, int16_t paperId, int32_t orientation, int16_t xResolution,
                           int16_t yResolution);
  virtual RWWString GetResourceModulePath();
  // A new key for this instance, owned by the caller.
  virtual GPrinterKey* GetPrinterKey() = 0;
  virtual int ApplyNamedModelEntry(const RWWString& name, GAttribute* target);
  virtual int16_t ResolvePaperId(GAttributeComposite* settings, int16_t paperId);
  virtual int16_t RegisterExtension(const char* name, int remove);
  virtual int EnumerateBuiltinForms(void* callback, void* userData);
  virtual int IsBuiltinForm(GCustomMediaSize* medium);
  virtual int MatchPaperByName(int16_t paperId, int16_t* spoolerPaper);
  virtual RWWString GetJobStorageKeyPath() = 0;
  virtual GAttributeComposite* GetDevModeSettings() = 0;

  // ---- Identity ----
  const RWWString& GetPrinterName() const { return printerName_; }
  const RWWString& GetDriverName() const { return driverName_; }
  const RWWString& GetPortName() const { return portName_; }
  const RWWString& GetFourthName() const { return fourthName_; }
  uint32_t GetAppFlags() const { return appFlags_; }
  void SetEventValue(int value) { eventValue_ = value; }
  int GetEventValue() const { return eventValue_; }
  GDriverExtension* GetDriverExtension() const { return driverExtension_; }

  // ---- The device model and the mapping lists (owned) ----
  MPersistentObject* GetDeviceModel() const { return deviceModel_; }
  GResourceMappingList* GetPaperMappings() const { return paperMappings_; }
  GResourceMappingList* GetSourceMappings() const { return sourceMappings_; }
  GResourceMappingList* GetCapabilityMappings() const { return capabilityMappings_; }
  // Each takes the object over and deletes the one it replaces. A mapping
  // list of another class than GResourceMappingList is deleted and null
  // installed.
  void SetDeviceModel(MPersistentObject* model);
  void SetPaperMappings(MPersistentObject* list);
  void SetSourceMappings(MPersistentObject* list);
  void SetCapabilityMappings(MPersistentObject* list);

  // ---- Model paths (borrowed results, null when absent) ----
  // Child 76 of the device model, when it is a peripheral.
  GPeripheral* FindPrinter() const;
  // The printer entry's configuration.
  GConfiguration* GetPrinterConfiguration() const;
  // The configuration of peripheral 101 / 106 of the printer entry.
  GConfiguration* GetPeripheralConfiguration(int32_t peripheralId) const;
  // The capability set 135 of the printer configuration's group 112.
  GCapabilities* GetCapabilitySet() const;
  GMediaPool* GetPrinterMediaPool() const;
  GAttributeComposite* GetPaperHandlingDevices() const;
  // The 16-bit value of configuration attribute 958; 0 when absent.
  int16_t IsTrueTypeBitmapRequired() const;

  // ---- Media ----
  // The media pool for the document settings' margin choices (711, 713).
  GMediaPool* GetMediaPool();
  int IsMediaSizeWithinLimits(int16_t customPaperId, GAttributeComposite* settings);
  int IsMediaTypeAllowed(const RWCString& mediaTypeName) const;

  // ---- Enumerators: 1 when some callback set its flag, else -1 ----
  int EnumerateMedia(GMediaCallback callback, void* context, int32_t orientation, const int16_t resolution[2],
                     int mappingFilter, int customLimits, int* counter);
  int EnumerateInputTrays(GTrayCallback callback, void* context, int mappingFilter, int* counter);
  int EnumerateOutputBins(GBinCallback callback, void* context, int* counter);
  // 1 when the capability mappings, else the discovered-media mappings,
  // know the device code.
  int IsSourceMapped(int16_t code);

  // ---- Stored objects, fonts, physical settings ----
  // Through the platform factory; the caller owns what it gets.
  MPersistentObject* LoadStoredObject(const RWWString& name);
  int StoreStoredObject(const RWWString& name, const MPersistentObject* object);
  // The fonts of the printer's mass-storage devices (stored "AddedFonts",
  // refreshed from the devices' catalogues); the caller owns it.
  MPersistentObject* LoadAddedFonts();
  int IsPhySettingCurrent(MPersistentObject* options);
  // The model list's (369) entry whose model name (370) equals the name,
  // ignoring case, gives the settings its settings bundle (360), merged in;
  // 1 when such an entry exists, else 0.
  int ApplyModelBundle(const RWWString& modelName, GAttribute* settings);
  // Copies the n-up choices (266-268) of source's 362 into destination's
  // 329; returns destination.
  MPersistentObject* CopyNUpSettings(MPersistentObject* source, MPersistentObject* destination);

  // ---- Re-encoding of stored objects (driver upgrade) ----
  int ReencodeNamedObject(const RWWString& name);
  int ReencodeNumberedObject(uint32_t number);
  int ReencodeObject(MPersistentObject* object, const RWWString& name);

 protected:
  // For the derived driver objects.
  void SetNames(const RWWString& printerName, const RWWString& driverName, const RWWString& portName);
  void SetFourthName(const RWWString& name) { fourthName_ = name; }
  void SetAppFlags(uint32_t flags) { appFlags_ = flags; }
  // The document settings member, without creating them.
  GAttributeComposite* StoredDocumentSettings() const { return documentSettings_; }
  // Takes the settings over, deleting the ones held before.
  void SetStoredDocumentSettings(GAttributeComposite* settings);

 private:
  // One discovered-media name turned into a mapping for the output bins.
  GResourceMappingList* AddDiscoveredMediaMappings();
  GMediaPool* BuildSymmetricMediaPool(GMediaPool* pool);
  MPersistentObject* ConvertEntryList(MPersistentObject* list);

  RWWString printerName_;
  RWWString driverName_;
  RWWString portName_;
  RWWString fourthName_;
  uint32_t appFlags_ = 0;
  MPersistentObject* deviceModel_ = nullptr;
  int reserved_ = 0;
  int colourStale_ = 1;
  int colourValue_ = 0;
  GResourceMappingList* paperMappings_ = nullptr;
  GResourceMappingList* sourceMappings_ = nullptr;
  GResourceMappingList* capabilityMappings_ = nullptr;
  GAttributeComposite* documentSettings_ = nullptr;
  GMediaPool* symmetricPool_ = nullptr;
  int16_t defaultPaper_ = 0;
  GDriverExtension* driverExtension_ = nullptr;
  int eventValue_ = 0;
};

// The base of the user-interface driver object.
class GUIDriverInstance : public virtual GDriverInstance {
 public:
  GUIDriverInstance();
  ~GUIDriverInstance() override;

  void* GetRenderObject() override;
  void* GetDriverObject() override;
  void Rebind(GPrinterKey* key) override;
  void Release() override;

  // Own operations, in slot order: both answer the empty string here.
  virtual void GetPrinterLocation(RWWString& out);
  virtual RWWString GetJobDisplayName();

  // Has (bit) of the capability set; 0 without one.
  int QueryCapabilitySet(uint32_t bit);
  // Configuration values 1025 and 1100 equal to 1, each read once per
  // process.
  int IsConfigurationFlag1025Set();
  int IsConfigurationFlag1100Set();
};
