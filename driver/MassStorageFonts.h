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

#include "rw/RWWString.h"

class GDriverInstance;

constexpr int kFontDeviceCount = 10;

// The printer-data value name of a device, or null for an index outside 0-9.
const WCHAR* FontDeviceValueName(int deviceIndex);

// The device's descriptor path: a stored value without a backslash is a file
// of the driver directory and comes back with the directory in front; empty
// when the device has none.
void GetFontDeviceFilePath(RWWString* out, GDriverInstance* printer, int deviceIndex);
// Stores the path; a path in the driver directory is stored as its name
// relative to it. The result of the printer-data write (1 on success).
int SetFontDeviceFilePath(GDriverInstance* printer, int deviceIndex, RWWString path);
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
// The device's two state bits, 0-3.
int GetFontDeviceState(GDriverInstance* printer, int deviceIndex);
// Replaces the device's two state bits by state (its low two bits) and
// writes the mask back; 1, or 0 for an index outside 0-9.
int SetFontDeviceState(GDriverInstance* printer, int deviceIndex, int state);
