// The module's exports through which driver-extension pages read and write
// values while a sheet runs: "QVDrv_QueryInterface" hands out the UI-side
// table {QVDrv_UIGetValue, QVDrv_UIGetExtSettings, QVDrv_UISetExtSettings}.
// The UI context an extension page passes is the built-in extension host,
// whose first field points at its GExtensionUIContext.
#pragma once

#include <cstdint>

#include "driver/GDriverExtension.h"
#include "rw/RWCString.h"

struct GUIData;

#define QV_UI_EXPORT extern "C" __attribute__((visibility("default")))

// The extension record the host builds for each extension (276 bytes; the
// extension id is the zero-terminated text at offset 40, 40 bytes); at most
// kMaxExtensions of them.
constexpr size_t kExtensionInfoSize = 276;
constexpr size_t kExtensionIdOffset = 40;
constexpr size_t kExtensionIdLength = 40;

struct GExtensionUIContext {
  GUIData* data = nullptr;
  const uint8_t* info[kMaxExtensions] = {};  // ExtensionInfo records, null when absent
  RWCString settings[kMaxExtensions];        // each extension's settings string
  int16_t count = 0;
};

// Interface id of the UI-side table and the results of the exports.
constexpr int16_t kUIInterfaceId = 50;
constexpr int16_t kResultDone = 0;
constexpr int16_t kResultUnavailable = 1;
constexpr int16_t kResultBufferShort = 2;
constexpr int16_t kResultUnknownInterface = 5;
constexpr int16_t kResultEmpty = 10;
constexpr int16_t kResultBufferLong = 11;
constexpr int16_t kResultTooLong = 15;
// Settings ids of the stored extension settings.
constexpr uint16_t kMaxSettingsLength = 50;

typedef int16_t (*QVDrvUIGetValueProc)(int valueId, int16_t* out, void* uiContext);
typedef int16_t (*QVDrvUIGetExtSettingsProc)(char* buffer, uint16_t length, const char* extensionId,
                                            void* uiContext);
typedef int (*QVDrvUISetExtSettingsProc)(const void* data, uint16_t length, const char* extensionId,
                                        void* uiContext);

// The table of interface 50, in its natural layout.
struct QVDrvUITable {
  QVDrvUIGetValueProc getValue;
  QVDrvUIGetExtSettingsProc getExtSettings;
  QVDrvUISetExtSettingsProc setExtSettings;
};

// Interface 50 fills the table and answers 0; any other id answers 5 and
// leaves the table alone.
QV_UI_EXPORT int QVDrv_QueryInterface(int16_t interfaceId, void* table);
// 1 without a context, without out or without settings; otherwise the
// sheet's driver extension answers the value id from the sheet's settings
// (the value ids and results of "QVDrv_GetValue").
QV_UI_EXPORT int16_t QVDrv_UIGetValue(int valueId, int16_t* out, void* uiContext);
// Copies the settings string of the (last) extension with that id into the
// buffer, at most length bytes and unterminated: 10 when the string is empty
// or no extension matched, 2 when the buffer is shorter, 11 when it is
// longer, 0 when both lengths are equal; 1 without a context.
QV_UI_EXPORT int16_t QVDrv_UIGetExtSettings(char* buffer, uint16_t length, const char* extensionId,
                                            void* uiContext);
// Replaces the stored settings string of the (last) extension with that id
// (at most 50 bytes: 15 otherwise); 0 when a record was updated, else 1.
QV_UI_EXPORT int QVDrv_UISetExtSettings(const void* data, uint16_t length, const char* extensionId,
                                        void* uiContext);
