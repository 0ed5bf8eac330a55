// GDriverExtension: the driver's side of the driver-extension interface, one
// per driver instance. Driver extensions are separate modules installed
// beside the driver that add input trays and output bins to the printer
// model and contribute PJL lines, page-description data and per-page raw
// data to print jobs. This class registers and removes them (keeping the
// registry in the document settings and the extension trays and bins in
// the tray and bin maps stored in printer data), and drives the registered
// ones through a job: BeginJob, OnPageStart, OnPageEnd, EndJob.
//
// Everything an extension module answers is untrusted: counts, numbers,
// names and the record's texts are bounded before they are used. So is the
// registry read back from the document settings and the maps read back
// from printer data.
//
// The tables and tray and bin groups that extensions hand over are
// in-process records with pointers: they take their natural layout here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWCString.h"

class GAttributeComposite;
class GCommand;
class GDriverInstance;
class GDynamicLibrary;
class MPersistentObject;

// ---- What an extension fills in ----

// The record the extension's init entry fills: fixed fields of 8-bit text,
// each zero-terminated within its field when the extension behaves.
struct ExtensionInfoRecord {
  char text0[40];        // required
  char extensionId[40];  // required; unique per printer
  char text80[32];       // required
  uint16_t flags;        // kExtensionSuppliesTrays | kExtensionSuppliesBins | kExtensionHasRuntimeModule
  uint16_t reserved;
  char text116[30];      // required
  char moduleName[30];   // the runtime module's file name; required with kExtensionHasRuntimeModule
  char text176[40];      // required
  char text216[60];      // required
};
static_assert(sizeof(ExtensionInfoRecord) == 276, "the extension record is 276 bytes");
static_assert(offsetof(ExtensionInfoRecord, extensionId) == 40);
static_assert(offsetof(ExtensionInfoRecord, text80) == 80);
static_assert(offsetof(ExtensionInfoRecord, flags) == 112);
static_assert(offsetof(ExtensionInfoRecord, text116) == 116);
static_assert(offsetof(ExtensionInfoRecord, moduleName) == 146);
static_assert(offsetof(ExtensionInfoRecord, text176) == 176);
static_assert(offsetof(ExtensionInfoRecord, text216) == 216);

constexpr uint16_t kExtensionSuppliesTrays = 1;
constexpr uint16_t kExtensionSuppliesBins = 2;
constexpr uint16_t kExtensionHasRuntimeModule = 8;

// Interface 0 of "QVExt_QueryInterface": registration. Missing entries are null.
struct ExtensionRegistrationTable {
  int16_t (*init)(ExtensionInfoRecord* record, int16_t deviceType);
  // Hand out the tray (bin) groups and their count; 0 when supplied.
  int16_t (*trayEntry)(void** groups, int16_t* groupCount, int16_t deviceType);
  int16_t (*binEntry)(void** groups, int16_t* groupCount, int16_t deviceType);
  void (*installed)();
  void (*removed)();
  // The extension's default settings bytes (at most 50).
  int16_t (*settings)(void** data, uint16_t* length);
};

// Interface 2: the runtime table of a job. The context is the
// GDriverExtension that drives the job.
struct ExtensionRuntimeTable {
  int16_t (*init)(void* interfaceEntry, int32_t* eventMask, void* context);
  void (*end)(void* context);
  // 0 when data is supplied; the data goes back through free.
  int16_t (*event)(int32_t event, void** data, uint16_t* length, void* context);
  void (*free)(void* data, void* context);
};

constexpr int32_t kExtensionRegistrationInterface = 0;
constexpr int32_t kExtensionRuntimeInterface = 2;

// The module's entry: fills the table of the interface; 0 on success.
typedef int16_t (*ExtensionQueryInterface)(int32_t interfaceId, void* table);

// Tray and bin groups. A group is a header directly followed by its
// entries; the next group's header follows the previous group's last entry.
struct ExtensionGroupHeader {
  const char* name;
  int16_t entryCount;
  int16_t reserved;
};
struct ExtensionTrayEntry {
  const char* name;
  int16_t trayNumber;   // 0-based: device tray 28 + n
  int16_t pdlTrayCode;  // the code the page-description language selects it by
};
struct ExtensionBinEntry {
  const char* name;
  int16_t binNumber;  // 0-based: map code 30 + m, pool bin 41 + m
  int16_t reserved;
  const char* pjlBinName;
};

// Event codes, which are also the bits of an extension's event mask.
namespace ExtensionEvent {
constexpr int32_t kDefaultMask = 16;
constexpr int32_t kJobStartPjl = 32;
constexpr int32_t kJobEndPjl = 64;
constexpr int32_t kJobStartPdl = 128;
constexpr int32_t kJobEndPdl = 256;
constexpr int32_t kPageStart = 512;
constexpr int32_t kPageEnd = 1024;
constexpr int32_t kPageStartSecondPass = 2048;
constexpr int32_t kPageEndSecondPass = 4096;
}  // namespace ExtensionEvent

// Result codes of registration and removal.
namespace ExtensionResult {
constexpr int16_t kSuccess = 0;
constexpr int16_t kModuleMissing = 1;
constexpr int16_t kNotSupported = 5;
constexpr int16_t kTrayMapsMissing = 7;
constexpr int16_t kBinMapMissing = 8;
constexpr int16_t kTooManyExtensions = 9;
constexpr int16_t kNotFound = 10;
constexpr int16_t kIdRegistered = 13;
constexpr int16_t kTextMissing = 14;
constexpr int16_t kSettingsTooLong = 15;
}  // namespace ExtensionResult

// Values of the extension registry.
namespace ExtensionIds {
// The slot value of the one entry of a placeholder list.
constexpr int16_t kPlaceholderSlot = 100;
}  // namespace ExtensionIds

// At most this many extensions take part in a job.
constexpr int kMaxExtensions = 4;
// An extension's settings are at most this many bytes.
constexpr uint16_t kMaxExtensionSettings = 50;
// Bounds on the groups an extension hands over.
constexpr int kMaxExtensionGroups = 8;
constexpr int kMaxGroupEntries = 64;

// What the value providers and the callbacks of a job read.
struct GExtensionInfoBlock {
  GDriverInstance* owner = nullptr;
  GAttributeComposite* documentSettings = nullptr;
  GCommand* command = nullptr;
  // The printer's page-description generator, borrowed from the device model.
  MPersistentObject* generator = nullptr;
  ExtensionInfoRecord* records[kMaxExtensions] = {};
  RWCString settingsTexts[kMaxExtensions];
  uint16_t count = 0;
};

class GDriverExtension {
 public:
  // No owner.
  GDriverExtension();
  // Keeps the owner and the interface entry installed at this time.
  explicit GDriverExtension(GDriverInstance* owner);
  // Ends what a job left behind.
  ~GDriverExtension();
  GDriverExtension(const GDriverExtension&) = delete;
  GDriverExtension& operator=(const GDriverExtension&) = delete;

  // The address handed to extensions at job start for their queries into
  // the driver's user-interface side: the upward services'
  // extensionInterface.
  static void* GetInterfaceEntry();
  // True while extension is a live GDriverExtension: the context an
  // extension passes back is checked against the live ones.
  static bool IsLive(const void* extension);

  // Registers / removes the extension module of that file name (in the
  // driver directory); a result code of ExtensionResult.
  int16_t LoadExtension(const char* moduleName);
  int16_t RemoveExtension(const char* moduleName);

  // The job: the extension filters of the print path call these.
  void BeginJob(GCommand* documentStart);
  void EndJob(GCommand* documentEnd);
  // The command to send: the given one, or a command composite that holds
  // it and the data the extensions added (the composite then holds the
  // command).
  GCommand* OnPageStart(GCommand* page, int secondPass);
  GCommand* OnPageEnd(GCommand* page, int secondPass);

  // For the user-interface side: a value of the extension code space for
  // the settings.
  int16_t GetUIValue(int32_t valueId, int16_t* out, GAttributeComposite* settings);
  // The settings text of the job's extension with that id; see
  // DriverGetExtSettings.
  int16_t GetExtSettings(char* buffer, uint32_t length, const char* extensionId);

  // 12 for a PCL XL generator, 11 for PCL 5e, else 0.
  int16_t GetDeviceType() const;
  GDriverInstance* GetOwner() const { return owner_; }
  GExtensionInfoBlock* GetInfoBlock() const { return info_; }
  int GetJobState() const { return jobState_; }
  uint16_t GetCount() const { return count_; }
  int32_t GetEventMask(int slot) const;

 private:
  struct Session;  // one registration call: the module, its table and record
  struct Maps;     // the pool and maps a registration changes

  MPersistentObject* FindGenerator() const;
  GAttributeComposite* DocumentSettings() const;
  int16_t OpenSession(Session& session, const char* moduleName, int16_t initial);
  int16_t AddDekMaps(const ExtensionRegistrationTable& table, uint16_t flags);
  int16_t RemoveDekMaps(const ExtensionRegistrationTable& table, uint16_t flags);
  void LookUpMaps(Maps& maps, bool needPool);
  void StoreMaps(Maps& maps);
  void ReleaseJob();
  // Asks every extension with the event in its mask for data; the answers
  // as string attributes in a new composite of the id, or null.
  GAttributeComposite* CollectJobData(int32_t event, int32_t compositeId);
  void AddToSettings(GCommand* command, GAttributeComposite* data);
  int16_t PassThroughTarget() const;

  int jobState_ = 0;
  ExtensionInfoRecord* records_[kMaxExtensions] = {};
  ExtensionRuntimeTable* runtimeTables_[kMaxExtensions] = {};
  GDynamicLibrary* libraries_[kMaxExtensions] = {};
  int32_t eventMasks_[kMaxExtensions] = {};
  GDriverInstance* owner_ = nullptr;
  void* interfaceEntry_ = nullptr;
  uint16_t count_ = 0;
  GExtensionInfoBlock* info_ = nullptr;
};

// ---- The driver's exports for extensions (the module's export wrappers
// call these) ----

// QVDrv_GetValue: 1 when out is null or the context is no live extension;
// else the value dispatcher without settings.
int16_t DriverGetValue(int32_t valueId, int16_t* out, void* context);
// QVDrv_GetExtSettings: the settings text of the job's extension with that
// id (the last record whose id matches): min(length, text length) bytes
// copied without a terminator; 10 when the text is empty or no record
// matched, 2 when length is below the text length, 11 above, 0 equal. The
// length is taken as 16 bits.
int16_t DriverGetExtSettings(char* buffer, uint32_t length, const char* extensionId, void* context);
// QVDrv_SetExtSettings: not supported at print time, 5.
int16_t DriverSetExtSettings(const char* buffer, uint32_t length, const char* extensionId, void* context);
