// GUpwardServices: everything a lower layer needs of the layers built on it,
// as one record. Each lower layer names here what it calls; the layer above
// implements it. The module's entry fills in the whole record and installs it
// at once when the module is attached; a test installs the record it needs
// through one scoped helper that puts the previous record back. Nothing else
// installs any part of it: constructors in particular do not.
//
// A null member means the service is not there; each caller says what it
// answers then (no bridge, no channel, no session and so on). The members
// that reach a driver instance are the exception: null means the instance's
// own answer, so that only tests working with stand-in instances set them.
#pragma once

#include <cstdint>

#include "driver/GUIServices.h"
#include "rw/RWWString.h"
#include "win32/CompStui.h"
#include "win32/Types.h"

class GAttributeComposite;
class GDeviceFontCatalog;
class GDriverInstance;
class GAttribute;
class GCommand;
class GExternalModule;
class GFontDatabase;
class GOSFactory;
class GOutputChannel;
class GPrinterKey;
class GQuickSetAccessor;
class GUpdateSession;
class MPersistentObject;
struct GUIData;

// ---- Driver core ----

// How the platform factory and the settings codec reach the driver instance
// they work for. Null members take the instance's own GetPrinterName,
// GetPrinterConfiguration and CreateDefaultSettings.
struct GDriverInstanceAccess {
  // The instance's spooler printer name.
  RWWString (*printerName)(GDriverInstance* instance) = nullptr;
  // The printer configuration of the instance's device model (borrowed), or null.
  MPersistentObject* (*printerConfiguration)(GDriverInstance* instance) = nullptr;
  // A new document settings composite (id 360) holding the instance's
  // defaults, owned by the caller; or null. The compact codec builds its
  // tree of defaults from it.
  MPersistentObject* (*createDefaultSettings)(GDriverInstance* instance) = nullptr;
};

// The update object of the auto-configuration for the instance's printer on
// the port: the provider registry's session creation. Null: no session.
typedef GUpdateSession* (*GUpdateSessionSource)(GDriverInstance* instance, const RWWString& portName,
                                                int services);

// The catalogue reader of mass-storage device 0-9 for the instance: the
// property pages' font descriptor reader. Null: no catalogue is readable.
typedef GDeviceFontCatalog* (*GFontCatalogReaderSource)(int deviceIndex, GDriverInstance* instance);

// ---- NT 4.0 platform layer ----

// How the NT 4.0 factory reaches the per-printer driver object, which is
// built on the factory. Without them no driver is created and instances
// have no handle.
struct GNT40DriverHooks {
  // A new driver object built from the key's printer handle, printer name,
  // driver name and port name.
  GDriverInstance* (*createDriver)(GPrinterKey* key) = nullptr;
  // The spooler handle of the instance's driver object, null without one.
  HANDLE (*printerHandle)(GDriverInstance* instance) = nullptr;
  // The printer name and the handle the driver object was created with;
  // 0 when the instance has no driver object.
  int (*keyInfo)(GDriverInstance* instance, RWWString* printerName, HANDLE* printer) = nullptr;
};

// Creates the agent mini-installer's launcher (the configuration exchange's).
using GMiniInstallerCreator = GExternalModule* (*)(const RWWString& printerName, HANDLE printer);

// What the driver object's document operations need from the layers above
// the driver core: the number of registered configuration providers of a
// service (the provider registry), and the configuration library's two runs
// (restoring the factory contexts after a document sheet, updating the
// defaults of a new printer or of a printer that has no DEVMODE yet).
// Without them no provider counts and the configuration-library runs are
// skipped.
struct GNT40DocumentServices {
  // The number of registered providers that serve the services.
  int (*countProviders)(unsigned services) = nullptr;
  // Restores the factory contexts ("factory/physical", then
  // "factory/printing") into the settings of the instance's printer.
  int (*restoreFactory)(GAttributeComposite* settings, GDriverInstance* instance,
                        const RWWString& printerName) = nullptr;
  // Updates the settings from the configuration library for the printer
  // (mode 0: a printer of this machine).
  int (*update)(GAttributeComposite* settings, GDriverInstance* instance, const RWWString& printerName,
                int mode) = nullptr;
};

// ---- User-interface framework ----

// What the UI session reaches of the layers built on it: the quick-set
// storage and the module's own provider entry that takes the configuration
// into the settings. Without them the session keeps no quick-set pool on
// disk and skips the configuration step.
struct GUISessionHooks {
  // Loads the quick-set pool with the accessor; *loaded 0 when nothing was
  // stored. The session owns the result.
  GAttributeComposite* (*loadQuickSetPool)(GQuickSetAccessor* accessor, int* loaded) = nullptr;
  // Stores the pool (per-user or shared); 1 on success.
  int (*saveQuickSetPool)(GAttributeComposite* pool, int perUser, GDriverInstance* host) = nullptr;
  // The provider's "UI_CONFIGTOSETTINGS" with the sheet's record.
  int16_t (*configToSettings)(GUIData* data) = nullptr;
};

// ---- Print path ----

// A new output channel for the instance's job on the port, owned by the
// caller, or null: the provider registry's channel.
typedef GOutputChannel* (*GOutputChannelSource)(GDriverInstance* instance, const RWWString& portName,
                                                int services);

// What the spooling page filters need of the font model: the job's font
// database of the print-side instance saved into the companion file of a
// spooled page at its end, and loaded back from it before the page is
// replayed. Each answers 1 on success. Without them nothing is saved (a
// save counts as done) and nothing reloaded.
struct GSpoolFontServices {
  int (*save)(GDriverInstance* instance, const RWWString& companionPath) = nullptr;
  int (*load)(GDriverInstance* instance, const RWWString& companionPath) = nullptr;
};

// What the print-side instance owns of the graphics model, which sits above
// the print path: the job's font database, and the attributes and paths of
// its graphics state (line cap and join, clips to the page or to a path,
// the path being built). New objects are owned by the caller. Without them
// the instance has no font database, its clip is the page (null) and its
// graphic bundle gets no line attributes; the state's values are still kept.
struct GRenderGraphicsServices {
  // A new empty font database of the instance, found under instanceKey.
  GFontDatabase* (*createFontDatabase)(GDriverInstance* owner, uint32_t instanceKey) = nullptr;
  // Clears and deletes the database.
  void (*deleteFontDatabase)(GFontDatabase* database) = nullptr;
  // Drops its records and deletes the files it saved.
  void (*clearFontDatabase)(GFontDatabase* database) = nullptr;
  // The instance is now found under instanceKey (its driver-server handle).
  void (*setFontDatabaseKey)(GFontDatabase* database, uint32_t instanceKey) = nullptr;
  // A line cap (cap style), a joint (join style) and a miter joint (limit).
  GAttribute* (*createLineCap)(int32_t cap) = nullptr;
  GAttribute* (*createLineJoin)(int32_t join) = nullptr;
  GAttribute* (*createMiterJoin)(float limit) = nullptr;
  // A clip to the page, and a clip to the path (a path graphic, held by
  // the clip with a reference of its own) with its region and rule.
  GAttribute* (*createClipToPage)() = nullptr;
  GAttribute* (*createClipToPath)(GCommand* path, int32_t region, int32_t rule) = nullptr;
  // A new empty path graphic.
  GCommand* (*createPath)() = nullptr;
};

// ---- The record ----

struct GUpwardServices {
  // Driver core.
  // The process-wide platform factory (GOSFactory::GetInstance); whoever
  // installs it owns it.
  GOSFactory* factory = nullptr;
  GDriverInstanceAccess instance;
  // The property-sheet bridge, UI strings and the print-time dialog.
  GUIServices ui;
  // The UI-side extension interface ("QVDrv_QueryInterface") handed to the
  // driver extensions at job start.
  void* extensionInterface = nullptr;
  GUpdateSessionSource updateSession = nullptr;
  GFontCatalogReaderSource fontCatalog = nullptr;
  // The driver server's critical shut-down, which a fatal error of severity
  // 2 runs before the process ends.
  void (*criticalShutdown)() = nullptr;
  // Empties the font pools when the driver server drops its caches.
  void (*fontPoolReset)() = nullptr;

  // NT 4.0 platform layer.
  GNT40DriverHooks nt40Driver;
  GMiniInstallerCreator miniInstaller = nullptr;
  GNT40DocumentServices documents;
  // The module's DrvDevicePropertySheets, which PrinterProperties runs as
  // the sheet function.
  PFNPROPSHEETUI devicePropertySheets = nullptr;

  // User-interface framework.
  GUISessionHooks uiSession;

  // Print path.
  GOutputChannelSource outputChannel = nullptr;
  GSpoolFontServices spoolFonts;
  GRenderGraphicsServices renderGraphics;
};

// Installs the record as a whole and answers the one installed before.
GUpwardServices InstallUpwardServices(const GUpwardServices& services);
// A copy of the installed record (a default-made one before any install).
GUpwardServices UpwardServices();
// Takes the factory out of the installed record if it is the one there, so
// that a deleted factory is never handed out.
void WithdrawFactory(const GOSFactory* factory);
