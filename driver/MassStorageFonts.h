// The printer's registry of fonts on mass-storage devices: for each of the
// ten devices the path of its font descriptor file and a two-bit state, kept
// in the printer's printer data, and one flag that says whether fonts on
// mass storage exist at all. The driver core reads it when it builds its
// cache of device fonts and when it sets a printer up or upgrades it.
//
// Devices, by index: 0 "ROMAddOnFonts1", 1 "ROMAddOnFonts2", 2 "DiskFonts1",
// 3 "DiskFonts2", 4 "FlashFonts1", 5 "FlashFonts2", 6 "DIMMFonts1",
// 7 "DIMMFonts2", 8 "DIMMFonts3", 9 "DIMMFonts4"; each name is also the
// printer-data value holding the device's descriptor path. "DisabledMSDs"
// holds the states, bits 2i and 2i+1 for device i (1 enabled, 2 disabled,
// 0 not known); "MassStorageFonts" is 1 when such fonts exist.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"

class GDriverInstance;

constexpr int kFontDeviceCount = 10;
// What FindFreeFontDevice answers when no device is free.
constexpr int kNoFontDevice = kFontDeviceCount;

// The printer-data value name of a device, or null for an index outside 0-9.
const WCHAR* FontDeviceValueName(int deviceIndex);
// The device's id, which is also the id of its font list: 416, 417 (ROM
// add-ons), 420, 421 (disks), 418, 419 (flash), 422, 423, 428, 429 (DIMMs);
// 0 for an index outside 0-9.
int32_t FontDeviceId(int deviceIndex);

// The device's descriptor path: a stored value without a backslash is a file
// of the driver directory and comes back with the directory in front; empty
// when the device has none.
void GetFontDeviceFilePath(RWWString* out, GDriverInstance* printer, int deviceIndex);
// Stores the path; a path in the driver directory is stored as its name
// relative to it. The result of the printer-data write (1 on success).
int SetFontDeviceFilePath(GDriverInstance* printer, int deviceIndex, RWWString path);
// Forgets the device's descriptor and deletes the file. The device's value
// is emptied when it names path (compared without regard to case; a bare
// file name stands for that file of the driver directory). The file is
// deleted when it exists and lies in the driver directory: a descriptor
// elsewhere is not this driver's to delete.
void RemoveFontDeviceFile(GDriverInstance* printer, int deviceIndex, RWWString path);
// The first device of first..last (clamped to 0-9) without a descriptor
// path; when all have one, the first of them whose state is 2 (disabled) or
// 0 (not known); kNoFontDevice when there is none.
int FindFreeFontDevice(GDriverInstance* printer, int first, int last);
// 1 when "MassStorageFonts" is 1.
int IsMassStorageFontsPresent(GDriverInstance* printer);
// "MassStorageFonts" := 1 when flag is 1, else 0.
void SetMassStorageFontsPresent(int flag, GDriverInstance* printer);
// Fonts exist when one of the devices 0-5 has a path, or one of the DIMM
// devices 6-9 has a path and is not disabled. Writes the flag when it
// differs from the stored one; 1 when it had to change, else 0.
int UpdateMassStorageFontsPresent(GDriverInstance* printer);
// The driver core's name for the same operation.
inline int RefreshMassStorageFontsFlag(GDriverInstance* printer) { return UpdateMassStorageFontsPresent(printer); }
// "DisabledMSDs", two state bits per device; a missing value (read as -1)
// is 0.
DWORD GetDisabledDeviceMask(GDriverInstance* printer);
void SetDisabledDeviceMask(GDriverInstance* printer, DWORD mask);
// The device's two state bits, 0-3.
int GetFontDeviceState(GDriverInstance* printer, int deviceIndex);
// Replaces the device's two state bits by state (its low two bits) and
// writes the mask back; 1, or 0 for an index outside 0-9.
int SetFontDeviceState(GDriverInstance* printer, int deviceIndex, int state);
