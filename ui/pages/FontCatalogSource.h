// The descriptor reader as the driver core reaches it: the module makes it
// the upward services' font catalogue source, so that the driver
// instance's cache of printer-resident fonts is read from the devices' font
// descriptor files.
#pragma once

class GDriverInstance;
class GDeviceFontCatalog;

// A catalogue of device 0-9 for the printer, read by a GFontCatalogReader;
// null for an index outside 0-9.
GDeviceFontCatalog* CreateFontCatalog(int deviceIndex, GDriverInstance* printer);
