#include "winnt40/GNT40TakenDevMode.h"

#include <atomic>

#include "driver/GSpoolerFormServices.h"

namespace {

std::atomic<uint64_t> g_printerRevision{1};

}  // namespace

uint64_t GNT40TakenDevMode::PrinterRevision() { return g_printerRevision.load(std::memory_order_acquire); }

void GNT40TakenDevMode::NotePrinterChanged() { g_printerRevision.fetch_add(1, std::memory_order_acq_rel); }

bool GNT40TakenDevMode::SameForms(const GSpoolerFormList* a, const GSpoolerFormList* b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr || a->Count() != b->Count()) return false;
  for (size_t i = 0; i < a->Count(); ++i) {
    const GSpoolerFormList::Form& x = a->At(i);
    const GSpoolerFormList::Form& y = b->At(i);
    if (x.flags != y.flags || x.width != y.width || x.length != y.length || !(x.name == y.name)) return false;
  }
  return true;
}

const GNT40TakenDevMode::Taken* GNT40TakenDevMode::Find(const Source& source) const {
  if (source_ == nullptr || taken_.restored == nullptr) return nullptr;
  const Source& kept = *source_;
  if (kept.revision != source.revision || kept.emf != source.emf || kept.appFlags != source.appFlags ||
      kept.colorCapability != source.colorCapability || kept.loaded != source.loaded ||
      !(kept.printer == source.printer) || !SameForms(kept.forms.get(), source.forms.get()))
    return nullptr;
  return &taken_;
}

void GNT40TakenDevMode::Keep(Source source, Taken taken) {
  source_ = std::make_unique<Source>(std::move(source));
  taken_ = std::move(taken);
}

void GNT40TakenDevMode::Clear() {
  source_.reset();
  taken_ = Taken{};
}
