// The module's own UI provider: the private UI interface the property-sheet
// bridge asks for pages. UIInitialize creates the sheet's UI session, builds
// the pages of the document sheet (Finishing, Effects, Paper, Destination,
// PS when the printer offers it, Basics) and of the device sheet (NT Forms,
// Configure), each a GPropertyPage over its dialog with its control
// wrappers, and registers the setting rules. UIConfigToSettings copies what
// the printer reported about itself into the sheet's installable options.
// The module exports these five under their interface names.
//
// Also here: the small value-to-text maps the pages share.
#pragma once

#include <cstdint>

#include "win32/Types.h"

class GUISession;
struct GUIData;

namespace UIProvider {

constexpr int kInterfaceVersion = 2;

// Pages of the sheets.
constexpr int16_t kDocumentPages = 5;  // without the PS page
constexpr int16_t kDevicePages = 2;

// Dialog ids, help contexts and title strings of the pages.
struct PageInfo {
  int16_t dialogId;
  int16_t helpContext;
  int titleId;  // 0: the page has no title of its own
};
constexpr PageInfo kFinishingPage{3000, 300, 1051};
constexpr PageInfo kEffectsPage{6000, 500, 1052};
constexpr PageInfo kPaperPage{2000, 200, 1053};
constexpr PageInfo kDestinationPage{4000, 400, 1054};
constexpr PageInfo kPSPage{6500, 800, 0};
constexpr PageInfo kBasicsPage{1000, 100, 1055};
constexpr PageInfo kNTFormsPage{12000, 700, 0};
constexpr PageInfo kConfigurePage{7000, 600, 0};

// The number of pages the sheet kind gets: 5 (6 with the PS page) for a
// document sheet (bits 0-1), 2 more for a device sheet (bit 2).
int16_t CountPages(const GUIData* data);

}  // namespace UIProvider

int UIInterfaceVersion();
// Pass 1 (no page array): the number of pages. Pass 2: fills that many pages
// from start and answers the number; nothing is filled (0) when the pages do
// not fit the page array, when the resource library cannot be loaded, or
// when a page already holds a page object.
int16_t UIInitialize(GUIData* data, int16_t start);
// Deletes the page objects of this provider's pages and the session; 0.
int16_t UIDestroy(GUIData* data);
// Copies the discovered configuration into the installable options; 0.
// Nothing is copied when the printer entry, its configuration, the
// installable options or the auto-configuration is missing.
int16_t UIConfigToSettings(GUIData* data);
// Does nothing; 0.
int16_t UISettingsToConfig(GUIData* data);

// The UI session a filled GUIData keeps; null before pass 2.
GUISession* UIProviderSession(const GUIData* data);

// Display names of values: string ids, 0xFFFF for a value without a name.
uint16_t LookupSourceNameId(int16_t code, GUISession* session);
uint16_t OutputDeviceKindNameId(int kind);
uint16_t ResolutionNameId(int choice);
uint16_t BookletNameId(int choice);
uint16_t PageOrderNameId(int order);
