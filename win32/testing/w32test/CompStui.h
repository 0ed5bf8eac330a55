// The testing interface of the stand-in, part CompStui: see "w32test/Testing.h".
#pragma once

#include <functional>
#include <vector>

#include "w32host/Administration.h"
#include "win32/CompStui.h"

namespace w32test {

using w32host::SheetPageRecord;

// A page handed to a host through CPSFUNC_ADD_PROPSHEETPAGEW.
// The pages added since the last reset, in order.
const std::vector<SheetPageRecord>& SheetPages();
// The start page each host was given (CPSFUNC_SET_HSTARTPAGE), null when none.
HANDLE SheetStartPage(HANDLE sheet);
// Every CPSFUNC_SET_RESULT call: the page handle and the result.
struct SheetResultRecord {
  HANDLE sheet = nullptr;
  HANDLE page = nullptr;
  LPARAM result = 0;
};
const std::vector<SheetResultRecord>& SheetResults();
// The reasons the sheet function was called with, in order, over every sheet
// run since the last reset.
const std::vector<WORD>& SheetReasons();

// The user's answer for the next sheet runs, first in first out; when none
// is queued the sheet ends with CPSUI_OK.
void QueueSheetResult(LONG result);
// Called during the run of every sheet with its host handle (replaces any
// action set before; an empty function removes it).
void SetSheetAction(std::function<void(HANDLE sheet)> action);

// A host of its own, as the printers folder or an application gives one to a
// driver's sheet function: a fresh host handle and the host function.
HANDLE NewHostSheet();
PFNCOMPROPSHEET HostFunction();

}  // namespace w32test
