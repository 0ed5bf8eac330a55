// GDMCClient: moves settings between the configuration library's tree and
// the settings of one printer. An import walks the features of "physical"
// (installed options) and "printing" (job defaults) and lets one feature
// handler per feature write the tree's value into the settings; an export
// walks a context and lets each handler write the settings' value into the
// tree. The client also decides whether the printer's stored settings are
// stale, stamps the last successful update ("DMCLastUpdate") and keeps the
// job attributes an import changed, stored as "DMCQuickset" when it goes.
//
// The update itself is the platform's (GNT40DMCClient); a client lives for
// one update or one factory export.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GAttributeComposite;
class GConfigFeatureHandler;
class GDMCLibrary;
class GDriverInstance;

class GDMCClient {
 public:
  // The update types: a printer of this machine, or a per-user connection.
  static constexpr int kMachineUpdate = 0;
  static constexpr int kUserConnectionUpdate = 2;
  // The change list's feature id.
  // The most features one walk takes from the library's list.
  static constexpr int kMaxFeaturesPerWalk = 1024;
  // The media names of the photo papers, for which an import switches
  // 362/1029 on.
  static constexpr size_t kPhotoMediaCount = 5;
  static const char* const kPhotoMediaNames[kPhotoMediaCount];

  // Binds the client to the settings and the instance (neither owned) and
  // loads the library.
  GDMCClient(GAttributeComposite* settings, GDriverInstance* instance);
  GDMCClient(const GDMCClient&) = delete;
  GDMCClient& operator=(const GDMCClient&) = delete;
  // Stores the change list as "DMCQuickset" when a job setting changed,
  // then unloads the library.
  virtual ~GDMCClient();

  // ---- Operations, in slot order ----
  // 1 when the walk of "physical" ran; 0 when the library is not loaded or
  // the context cannot be listed.
  virtual int ImportPhysical();
  // 1 when the walk of "printing" ran.
  virtual int ImportPrinting();
  // 1 when the walk of the context ran.
  virtual int ExportContext(const RWWString& context);
  virtual int Update(const RWWString& connectionName, int updateType) = 0;
  // 1 when the stored settings must not be refreshed from the tree.
  virtual int IsStale();
  virtual void SetConnectionName(const RWWString& name);
  // 1 when the printer configuration's auto-configuration state is 2.
  virtual int IsAutoConfigured();
  // Stores the composite as "DMCQuickset"; 1 for null or when stored.
  virtual int SaveQuickSets(GAttributeComposite* quickSets);

  // Stamps "DMCLastUpdate": nothing when ok is 0, "ERROR" when nothing
  // changed, else the date ("MM/ DD/ YYYY").
  void WriteLastUpdate(int ok);
  // The handler of the feature name, or null; the caller deletes it.
  GConfigFeatureHandler* CreateHandler(LPCWSTR featureName);
  // After a job-settings import: the x and y resolution follow the print
  // quality, the different first page and the media type.
  void DeriveResolution();

  // ---- State ----
  GDMCLibrary* GetLibrary() const { return library_.get(); }
  GAttributeComposite* GetSettings() const { return settings_; }
  GDriverInstance* GetDriverInstance() const { return instance_; }
  GAttributeComposite* GetChangeList() const { return changes_.get(); }
  const RWWString& GetConnectionName() const { return connectionName_; }
  const RWWString& GetRegistryName() const { return registryName_; }
  const RWWString& GetPrinterPart() const { return printerPart_; }
  const RWWString& GetFullName() const { return fullName_; }
  const RWWString& GetShortName() const { return shortName_; }
  int GetUpdateType() const { return updateType_; }
  int IsPrintingChanged() const { return printingChanged_; }
  int IsPhysicalChanged() const { return physicalChanged_; }

 protected:
  enum class Walk { kImportPhysical, kImportPrinting, kExport };
  // Lists the context's features and runs a handler for each.
  int WalkFeatures(const WCHAR* context, Walk walk);
  // Writes a printer-data string of the instance's printer.
  void SetPrinterString(const WCHAR* name, const RWWString& text);

  GAttributeComposite* settings_;
  RWWString connectionName_;
  int updateType_ = 0;
  int reserved_ = 0;
  std::unique_ptr<GDMCLibrary> library_;
  const WCHAR* clientName_;
  RWWString registryName_;
  RWWString printerPart_;
  RWWString fullName_;
  RWWString shortName_;
  GDriverInstance* instance_;
  int printingChanged_ = 0;
  int physicalChanged_ = 0;
  std::unique_ptr<GAttributeComposite> changes_;
};
