// The user-interface services the driver core calls, declared here because
// the user-interface framework sits above the driver core and implements
// them: the property-sheet bridge (GSheetBridge) with the records it works
// on (SheetRequest, GUIData), the UI string loader and the print-time
// message dialog. The framework implements them; they reach the driver
// core as part of the upward services (GUpwardServices::ui). Without them a
// bridge or a dialog cannot be made and strings load as empty.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/CompStui.h"
#include "win32/Types.h"

class GAttributeComposite;
class GDriverInstance;
class MPersistentObject;
struct GUIData;

// The dialog hook the bridge puts into GUIData: called after every message
// of a page with the record of its sheet.
typedef WORD (*GUIDialogHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, GUIData* data);

// One property sheet as the driver object asks for it. An in-process record
// in its natural layout: `size` holds sizeof(SheetRequest), and the bridge
// refuses a request of any other size.
struct SheetRequest {
  int size = 0;
  GDriverInstance* host = nullptr;  // the per-printer driver object
  void* reserved = nullptr;
  GAttributeComposite* settings = nullptr;  // the sheet's settings
  MPersistentObject* printer = nullptr;     // the printer entry whose configuration is the model
  HWND ownerWindow = nullptr;
  int sheetKind = 0;    // 3 for the document sheet; bit 2 (4) the device sheet
  int accessFlags = 0;  // copied into GUIData
  HANDLE hostHandle = nullptr;              // hComPropSheet
  PFNCOMPROPSHEET hostCallback = nullptr;   // pfnComPropSheet; null without a host
  HWND sheetWindow = nullptr;               // for CommonPropertySheetUIW when there is no host
  PFNPROPSHEETUI sheetFunction = nullptr;
  LPARAM sheetParameter = 0;
  int applied = 0;  // 1 once the user pressed Apply or OK
  GUIData* uiData = nullptr;  // built by OpenSheet, null after CloseSheet
};

// The record handed to every UI provider. In-process, natural layout;
// `size` holds sizeof(GUIData).
struct GUIData {
  int size = 0;
  GDriverInstance* host = nullptr;
  GAttributeComposite* settings = nullptr;
  MPersistentObject* printer = nullptr;
  HWND ownerWindow = nullptr;
  int sheetKind = 0;    // bits 0 and 1: document sheet; bit 2: device sheet
  int accessFlags = 0;  // bit 0 no printer-wide changes; bit 1 changes allowed; bit 2 per-user; bit 3 with bit 2 on 5.x
  GUIDialogHook dialogHook = nullptr;
  int16_t pageCount = 0;
  PROPSHEETPAGEW* pages = nullptr;
  SheetRequest* request = nullptr;
  void* providerData = nullptr;
  WCHAR* driverName = nullptr;  // heap copies, zero-terminated
  WCHAR* printerName = nullptr;
  WCHAR* portName = nullptr;
};

// Access flags of SheetRequest and GUIData.
namespace GUIAccess {
constexpr int kNoPrinterChanges = 1;
constexpr int kChangesAllowed = 2;
constexpr int kPerUser = 4;
constexpr int kPerUserNT5 = 8;
}  // namespace GUIAccess

// Single-page modes of OpenSheet that the driver core asks for.
namespace GSheetMode {
constexpr int16_t kPromptPage = 30874;
constexpr int16_t kSecondPromptPage = 30875;
}  // namespace GSheetMode

// The bridge to the common property-sheet UI for one sheet.
class GSheetBridge {
 public:
  virtual ~GSheetBridge();
  // Builds the GUIData, collects the pages and hands them to the host (or
  // runs a sheet of its own without one). The number of pages, or 0 or a
  // negative value when nothing could be built.
  virtual int16_t OpenSheet(SheetRequest* request, int16_t mode) = 0;
  // Releases the pages and the GUIData; 0.
  virtual int16_t CloseSheet(SheetRequest* request) = 0;
  // Lets every UI provider take the configuration into the settings; the
  // last non-zero result, 0 when there is none.
  virtual int16_t ConfigToSettings(GUIData* data) = 0;
};

// The print-time message dialog: a modal dialog with a check box by which
// the user asks not to see it again.
class GTimedMessage {
 public:
  virtual ~GTimedMessage();
  virtual void SetHelpFile(const RWCString& helpFile) = 0;
  // Runs the dialog from the resource library; -1 when the library cannot
  // be loaded, else the dialog's result.
  virtual int DoModal(HWND parent, const RWWString& resourceLibrary) = 0;
  // 0 after the user cleared "show again", else 1.
  virtual int GetShowAgain() = 0;
};

// The framework's implementations.
struct GUIServices {
  // A new bridge (the caller owns it).
  GSheetBridge* (*createSheetBridge)() = nullptr;
  // Loads a string of at most 256 characters from the UI resource library;
  // its length, 0 when missing.
  int (*loadUIString)(int id, RWWString* out) = nullptr;
  // A new dialog with its five texts (the caller owns it).
  GTimedMessage* (*createTimedMessage)(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                       const RWWString& text2, const RWWString& text3,
                                       const RWWString& text4) = nullptr;
};

// Through the installed services: null, 0 (out emptied) or null when none
// are installed.
GSheetBridge* CreateSheetBridge();
int LoadUIStringService(int id, RWWString* out);
GTimedMessage* CreateTimedMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                  const RWWString& text2, const RWWString& text3, const RWWString& text4);
