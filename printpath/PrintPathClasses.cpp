#include "printpath/PrintPathClasses.h"

#include "printpath/GBackCoverFilter.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GCopyPageFilter.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GLetterheadFilter.h"
#include "printpath/GManualDuplexFilter.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPeripheralProxy.h"
#include "printpath/GPrinter.h"
#include "printpath/GReverseFilter.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kPrintPathClasses[] = {
    {&GPeripheralCompositeCreate, GPeripheralCompositeClassId, "GPeripheralComposite"},
    {&GPrinterCreate, GPrinterClassId, "GPrinter"},
    {&GDocumentStartCreate, GDocumentStartClassId, "GDocumentStart"},
    {&GDocumentEndCreate, GDocumentEndClassId, "GDocumentEnd"},
    {&GPageStartCreate, GPageStartClassId, "GPageStart"},
    {&GPageEndCreate, GPageEndClassId, "GPageEnd"},
    {&GJobAbortCreate, GJobAbortClassId, "GJobAbort"},
    {&GNoCommandCreate, GNoCommandClassId, "GNoCommand"},
    {&GNullCommandCreate, GNullCommandClassId, "GNullCommand"},
    {&GDocumentBreakCreate, GDocumentBreakClassId, "GDocumentBreak"},
    {&GCommandCompositeOnDiskCreate, GCommandCompositeOnDiskClassId, "GCommandCompositeOnDisk"},
    {&GPeripheralProxyCreate, GPeripheralProxyClassId, "GPeripheralProxy"},
    {&GCopyPageFilterCreate, GCopyPageFilterClassId, "GCopyPageFilter"},
    {&GManualDuplexFilterCreate, GManualDuplexFilterClassId, "GManualDuplexFilter"},
    {&GReverseFilterCreate, GReverseFilterClassId, "GReverseFilter"},
    {&GLetterheadFilterCreate, GLetterheadFilterClassId, "GLetterheadFilter"},
    {&GBackCoverFilterCreate, GBackCoverFilterClassId, "GBackCoverFilter"},
};

}  // namespace

const ModelClassEntry* PrintPathClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kPrintPathClasses) / sizeof(kPrintPathClasses[0]);
  return kPrintPathClasses;
}

void RegisterPrintPathClasses() {
  for (const ModelClassEntry& entry : kPrintPathClasses)
    RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterPrintPathClasses() {
  for (const ModelClassEntry& entry : kPrintPathClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
