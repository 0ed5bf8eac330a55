// The driver's own version number (4.2.1.8) and build stamp, as the module
// reports them to the DEVMODE, the about box and the printer-language output.
#pragma once

// high = major << 16 | minor (0x00040002), low = build << 16 | revision
// (0x00010008).
void GetDriverVersion(int& high, int& low);

// Date and time at which this version was built, in the C compiler's
// __DATE__ / __TIME__ form ("Jun 29 2001", "21:42:28").
const char* GetDriverBuildDate();
const char* GetDriverBuildTime();

// Further version numbers of the driver; this version has none of them, so
// each answers 0.
int GetDriverPatchLevel();
int GetDriverPrivateBuild();
int GetDriverSpecialBuild();
