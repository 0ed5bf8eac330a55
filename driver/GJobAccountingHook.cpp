#include "driver/GJobAccountingHook.h"

#include <cstring>

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GStringConversion.h"
#include "win32/File.h"

using namespace GFeatureIds;

namespace {

const WCHAR kLibraryName[] = u"qvkeys32.dll";
const WCHAR kApplicationText[] = u"Application";
// Feature ids: copies in the job-options group; the configuration value the
// record reports after them.
constexpr uint16_t kDriverMajorVersion = 4;

void Put16(BYTE* at, uint16_t v) {
  at[0] = static_cast<BYTE>(v & 0xFF);
  at[1] = static_cast<BYTE>(v >> 8);
}

void Put32(BYTE* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>((v >> (8 * i)) & 0xFF);
}

}  // namespace

// ---- GAccountingLibrary ----

GAccountingLibrary::GAccountingLibrary(const RWWString& fileName) : fileName_(fileName) {}

GAccountingLibrary::~GAccountingLibrary() { Unload(); }

int GAccountingLibrary::Load() {
  if (module_ != nullptr) Unload();
  RWCString narrow;
  ToNarrowString(fileName_, narrow);
  OFSTRUCT info{};
  if (OpenFile(narrow.Data(), &info, OF_EXIST) == HFILE_ERROR) return 0;
  module_ = LoadLibraryW(fileName_.Data());
  if (module_ == nullptr) return 0;
  beginJob_ = reinterpret_cast<KsBeginJobProc>(GetProcAddress(module_, "ksBeginJob"));
  beginJobEx_ = reinterpret_cast<KsBeginJobExProc>(GetProcAddress(module_, "ksBeginJobEx"));
  endPage_ = reinterpret_cast<KsEndPageProc>(GetProcAddress(module_, "ksEndPage"));
  endJob_ = reinterpret_cast<KsEndJobProc>(GetProcAddress(module_, "ksEndJob"));
  if ((beginJob_ == nullptr && beginJobEx_ == nullptr) || endPage_ == nullptr || endJob_ == nullptr) {
    Unload();
    return 0;
  }
  return 1;
}

int GAccountingLibrary::Unload() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  beginJob_ = nullptr;
  beginJobEx_ = nullptr;
  endPage_ = nullptr;
  endJob_ = nullptr;
  return 1;
}

int GAccountingLibrary::BeginJob(LPCWSTR application, LPCWSTR document, LPCWSTR printer, LPCWSTR output1,
                                 LPCWSTR output2, BYTE* jobRecord) {
  if (!Load()) return 0;
  job_ = 0;
  if (beginJobEx_ != nullptr && jobRecord != nullptr) {
    job_ = beginJobEx_(application, document, printer, output1, output2, jobRecord);
  } else if (beginJob_ != nullptr && jobRecord != nullptr) {
    job_ = beginJob_(document, output1, output2, jobRecord);
  }
  if (job_ == 0) {
    Unload();
    return 0;
  }
  return 1;
}

int GAccountingLibrary::EndPage() {
  if (job_ == 0 || endPage_ == nullptr) return 0;
  BYTE record[kPageRecordSize] = {};
  Put16(record, static_cast<uint16_t>(kPageRecordSize));
  endPage_(job_, record);
  return 1;
}

int GAccountingLibrary::EndJob(int aborted) {
  if (job_ == 0 || endJob_ == nullptr) {
    Unload();
    return 0;
  }
  endJob_(job_, aborted == 1 ? 1 : 0);
  job_ = 0;
  Unload();
  return 1;
}

// ---- GJobAccountingHook ----

GJobAccountingHook::~GJobAccountingHook() { delete library_; }

void GJobAccountingHook::BuildJobRecord(GDriverInstance* instance, GAttributeComposite* settings,
                                        BYTE record[GAccountingLibrary::kJobRecordSize]) {
  std::memset(record, 0, GAccountingLibrary::kJobRecordSize);
  Put32(record + 4, 4);
  Put16(record + 8, kDriverMajorVersion);
  int32_t copies = 1;
  GSettingQuery::Number(GSettingQuery::FindPath(settings, {kDocumentSettings2, kCopies}), &copies);
  Put16(record + 10, static_cast<uint16_t>(copies));
  MPersistentObject* configuration = instance != nullptr ? instance->GetPrinterConfiguration() : nullptr;
  Put16(record + 12, static_cast<uint16_t>(GSettingQuery::NumberOr(configuration, kAccountingValue, 2)));
}

void GJobAccountingHook::BeginJob(GDriverInstance* instance, GAttributeComposite* settings,
                                  const DOCINFOW* docInfo) {
  delete library_;
  library_ = new GAccountingLibrary(RWWString(kLibraryName));
  BYTE record[GAccountingLibrary::kJobRecordSize];
  BuildJobRecord(instance, settings, record);
  RWWString port = instance != nullptr ? instance->GetPortName() : RWWString();
  RWWString printer = instance != nullptr ? instance->GetPrinterName() : RWWString();
  LPCWSTR output = docInfo != nullptr && docInfo->lpszOutput != nullptr ? docInfo->lpszOutput : port.Data();
  LPCWSTR document = docInfo != nullptr ? docInfo->lpszDocName : nullptr;
  if (!library_->BeginJob(kApplicationText, document, printer.Data(), output, output, record)) {
    delete library_;
    library_ = nullptr;
  }
}

void GJobAccountingHook::EndPage(GDriverInstance*, GAttributeComposite*) {
  if (library_ != nullptr) library_->EndPage();
}

// Both ends check for the library object: between jobs, and for every job
// without an installed accounting library, there is none.
void GJobAccountingHook::EndJob(GDriverInstance*, GAttributeComposite*) {
  if (library_ == nullptr) return;
  library_->EndJob(0);
  delete library_;
  library_ = nullptr;
}

void GJobAccountingHook::AbortJob(GDriverInstance*, GAttributeComposite*) {
  if (library_ == nullptr) return;
  library_->EndJob(1);
  delete library_;
  library_ = nullptr;
}
