// Dialog templates an image carries as data, beside its strings: an exported
// object of the name IMAGE_DIALOG_SECTION_NAME, which the loader reads when
// it maps the image (see "win32/Module.h"). Each template gives the size of
// the dialog's client area and its controls in tab order, with their
// rectangles in client pixels.
#pragma once

#include "win32/Gdi.h"
#include "win32/Types.h"

#define IMAGE_DIALOG_SECTION_NAME "w32_dialog_section"
#define IMAGE_DIALOG_SIGNATURE 0x474C4457u  // "WDLG"
#define IMAGE_DIALOG_VERSION 1u

// Control kinds: static text, push button, check box, edit, rich edit,
// drop-down combo box, list box, multiple-selection list box, up-down.
#define IMAGE_CONTROL_STATIC 0u
#define IMAGE_CONTROL_BUTTON 1u
#define IMAGE_CONTROL_CHECKBOX 2u
#define IMAGE_CONTROL_EDIT 3u
#define IMAGE_CONTROL_RICHEDIT 4u
#define IMAGE_CONTROL_COMBOBOX 5u
#define IMAGE_CONTROL_LISTBOX 6u
#define IMAGE_CONTROL_MULTILISTBOX 7u
#define IMAGE_CONTROL_UPDOWN 8u

// Control flags.
#define IMAGE_CONTROL_DISABLED 1u
#define IMAGE_CONTROL_HIDDEN 2u

struct IMAGE_RESOURCE_CONTROL {
  INT id;
  DWORD kind;
  LPCWSTR text;
  INT x;
  INT y;
  INT width;
  INT height;
  DWORD flags;
};

struct IMAGE_RESOURCE_DIALOG {
  UINT id;
  LPCWSTR caption;
  INT width;
  INT height;
  DWORD controlCount;
  const IMAGE_RESOURCE_CONTROL* controls;
};

struct IMAGE_DIALOG_SECTION {
  DWORD signature;  // IMAGE_DIALOG_SIGNATURE
  DWORD version;    // IMAGE_DIALOG_VERSION
  DWORD dialogCount;
  const IMAGE_RESOURCE_DIALOG* dialogs;
};

// A bitmap carried as data: its pixels row by row from the top, width *
// height colours (RGB()).
struct IMAGE_RESOURCE_BITMAP {
  UINT id;
  INT width;
  INT height;
  const COLORREF* pixels;
};
