#include "pdl/GPcl5eDownloadRecord.h"

#include <mutex>
#include <set>
#include <string>

#include "pdl/GPdlGenerator.h"

namespace {

// The program's soft-font id counter and the ids the live records hold.
struct SoftFontIds {
  std::mutex lock;
  int32_t counter = GPcl5eDownloadRecord::kFirstCounterValue;
  std::set<int32_t> inUse;
};

SoftFontIds& Pcl5eIds() {
  static SoftFontIds ids;
  return ids;
}

}  // namespace

GPcl5eDownloadRecord::GPcl5eDownloadRecord(GPdlGenerator* generator) : GDownloadRecord(generator) {}

GPcl5eDownloadRecord::~GPcl5eDownloadRecord() {
  GiveBack(fontId_);
  for (const Block& block : blocks_) GiveBack(block.fontId);
}

int32_t GPcl5eDownloadRecord::TakeId() {
  SoftFontIds& ids = Pcl5eIds();
  std::lock_guard<std::mutex> guard(ids.lock);
  for (int32_t tries = 0; tries < kLastFontId; ++tries) {
    ids.counter = ids.counter >= kLastFontId ? 1 : ids.counter + 1;
    if (ids.inUse.insert(ids.counter).second) return ids.counter;
  }
  return 0;
}

void GPcl5eDownloadRecord::GiveBack(int32_t id) {
  if (id == 0) return;
  SoftFontIds& ids = Pcl5eIds();
  std::lock_guard<std::mutex> guard(ids.lock);
  ids.inUse.erase(id);
}

int32_t GPcl5eDownloadRecord::PeekCounter() {
  SoftFontIds& ids = Pcl5eIds();
  std::lock_guard<std::mutex> guard(ids.lock);
  return ids.counter;
}

void GPcl5eDownloadRecord::SetCounterForTesting(int32_t value) {
  SoftFontIds& ids = Pcl5eIds();
  std::lock_guard<std::mutex> guard(ids.lock);
  ids.counter = value;
}

void GPcl5eDownloadRecord::MarkBlock(uint32_t code) { blocks_[(code >> 8) & 0xFF].headerMark = 1; }

int32_t GPcl5eDownloadRecord::GetFontId() {
  if (fontId_ == 0) fontId_ = TakeId();
  return fontId_;
}

int32_t GPcl5eDownloadRecord::GetBlockFontId(uint32_t code) {
  Block& block = blocks_[(code >> 8) & 0xFF];
  if (block.fontId == 0) block.fontId = TakeId();
  return block.fontId;
}

int32_t GPcl5eDownloadRecord::IsBlockMarked(uint32_t code) const { return blocks_[(code >> 8) & 0xFF].headerMark; }

void GPcl5eDownloadRecord::DeleteSoftFont(int32_t id) {
  if (GetGenerator() != nullptr) GetGenerator()->RemoveDownloadedFont(RWCString(std::to_string(id).c_str()));
}

void GPcl5eDownloadRecord::RemoveFromPrinter() {
  if (fontId_ != 0) {
    DeleteSoftFont(fontId_);
    GiveBack(fontId_);
    fontId_ = 0;
  }
  for (Block& block : blocks_) {
    if (block.fontId == 0) continue;
    DeleteSoftFont(block.fontId);
    block.headerMark = 0;
  }
}

GPcl5eDownloadHandle::GPcl5eDownloadHandle(GPdlGenerator* generator)
    : GDownloadHandle(new GPcl5eDownloadRecord(generator)) {}
GPcl5eDownloadHandle::GPcl5eDownloadHandle(GPcl5eDownloadRecord* record) : GDownloadHandle(record) {}
GPcl5eDownloadHandle::~GPcl5eDownloadHandle() = default;

GDownloadHandle* GPcl5eDownloadHandle::Clone() const { return new GPcl5eDownloadHandle(Record()); }

GDownloadHandle* GPcl5eDownloadCache::Find(GFontFaceHandle* face) { return FindServing(face, false); }

GPcl5eGlyphCodeAllocator::GPcl5eGlyphCodeAllocator() : GGlyphCodeAllocator(256) {}

uint16_t GPcl5eGlyphCodeAllocator::SetExtendedMode(int32_t mode) {
  mode_ = mode;
  first_ = mode == 1 ? 128 : 256;
  return first_;
}

uint16_t GPcl5eGlyphCodeAllocator::Map(uint16_t c) {
  if (c < first_) return c;
  const uint32_t offset = static_cast<uint32_t>(c - first_);
  uint16_t* entry = Entry(offset >> 8, offset & 0xFF);
  if (entry == nullptr) return 0;
  if (*entry != 0) return *entry;
  if (IsExhausted()) return 0;
  const uint32_t code = mode_ == 1 ? 0x7F00u + GetNextCode() : GetNextCode();
  // A code past 0xFFFF would wrap onto codes already given.
  if (code > 0xFFFF) {
    MarkExhausted();
    return 0;
  }
  return Hand(*entry, static_cast<uint16_t>(code));
}

void GPcl5eGlyphCodeAllocator::Advance() { SetNextCode(static_cast<uint16_t>(GetNextCode() + 1)); }
