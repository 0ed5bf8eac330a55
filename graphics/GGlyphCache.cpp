#include "graphics/GGlyphCache.h"

#include <cstring>
#include <utility>

#include "graphics/GCacheBytes.h"
#include "model/MStoredMembers.h"
#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// The bytes of a buffer handed to a cache, which deletes the buffer: its
// own block when it owns one, else a copy. length receives their count; it
// is 0 when there are none, or when no memory was left for the copy.
std::unique_ptr<uint8_t[]> TakeBytes(GByteBuffer* buffer, uint32_t& length) {
  std::unique_ptr<GByteBuffer> taken(buffer);
  length = 0;
  if (taken == nullptr || taken->GetLength() == 0) return nullptr;
  std::unique_ptr<uint8_t[]> data(taken->TakeData());
  if (data != nullptr) length = taken->GetLength();
  return data;
}

std::unique_ptr<uint8_t[]> CopyBytes(const uint8_t* bytes, uint32_t length) {
  if (length == 0) return nullptr;
  std::unique_ptr<uint8_t[]> copy(new uint8_t[length]);
  std::memcpy(copy.get(), bytes, length);
  return copy;
}

GByteBuffer* ViewOf(const std::unique_ptr<uint8_t[]>& bytes, uint32_t length) {
  return length != 0 ? new GByteBuffer(bytes.get(), length, 0) : nullptr;
}

}  // namespace

// ---- GGlyphCacheNode ----

GGlyphCacheNode::GGlyphCacheNode() : outlineLength_(0), renderingLength_(0) {}

GGlyphCacheNode::GGlyphCacheNode(GByteBuffer* outline, GByteBuffer* rendering)
    : outline_(TakeBytes(outline, outlineLength_)), rendering_(TakeBytes(rendering, renderingLength_)) {}

GGlyphCacheNode::GGlyphCacheNode(const GGlyphCacheNode& other)
    : MPersistentObject(other),
      outline_(CopyBytes(other.outline_.get(), other.outlineLength_)),
      outlineLength_(other.outlineLength_),
      rendering_(CopyBytes(other.rendering_.get(), other.renderingLength_)),
      renderingLength_(other.renderingLength_) {}

GGlyphCacheNode& GGlyphCacheNode::operator=(const GGlyphCacheNode& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    outline_ = CopyBytes(other.outline_.get(), other.outlineLength_);
    outlineLength_ = other.outlineLength_;
    rendering_ = CopyBytes(other.rendering_.get(), other.renderingLength_);
    renderingLength_ = other.renderingLength_;
  }
  return *this;
}

GGlyphCacheNode::~GGlyphCacheNode() = default;

QV_PERSISTENT_KIND_DEFINE(GGlyphCacheNode, MPersistentObject, GGlyphCacheNodeClassId)

int GGlyphCacheNode::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* node = dynamic_cast<const GGlyphCacheNode*>(other);
  if (node == nullptr || node->outlineLength_ != outlineLength_) return 0;
  return outlineLength_ == 0 || std::memcmp(node->outline_.get(), outline_.get(), outlineLength_) == 0;
}

void GGlyphCacheNode::AssignFrom(GGlyphCacheNode* other) {
  if (other == nullptr || other == this) return;
  if (outlineLength_ == 0 && other->outlineLength_ != 0) {
    outline_ = std::move(other->outline_);
    outlineLength_ = other->outlineLength_;
    other->outlineLength_ = 0;
  }
  if (renderingLength_ == 0 && other->renderingLength_ != 0) {
    rendering_ = std::move(other->rendering_);
    renderingLength_ = other->renderingLength_;
    other->renderingLength_ = 0;
  }
  // A node that a handle holds (another slot, another cache, a stored
  // graph's composite) belongs to its holders: deleting it here would free
  // it under them.
  if (other->HolderCount() == -1) delete other;
}

GByteBuffer* GGlyphCacheNode::GetOutline() const { return ViewOf(outline_, outlineLength_); }
GByteBuffer* GGlyphCacheNode::GetRendering() const { return ViewOf(rendering_, renderingLength_); }

// Both parts are read in pieces, so a damaged length reserves no more than
// the input holds; a part is taken only when all its bytes were read.
template <typename Archive>
void GGlyphCacheNode::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint32_t length = 0;
    uint8_t* block = nullptr;
    archive(length);
    if (!archive.Ok() || !GCacheBlock(archive, length, block)) return;
    outline_.reset(block);
    outlineLength_ = length;
    rendering_.reset();
    renderingLength_ = 0;
    archive(length);
    if (!archive.Ok() || !GCacheBlock(archive, length, block)) return;
    rendering_.reset(block);
    renderingLength_ = length;
  } else {
    archive(outlineLength_);
    archive.Array(reinterpret_cast<unsigned char*>(outline_.get()), outlineLength_);
    archive(renderingLength_);
    archive.Array(reinterpret_cast<unsigned char*>(rendering_.get()), renderingLength_);
  }
}

RW_STORED_MEMBERS_DEFINE(GGlyphCacheNode, MPersistentObject)

// ---- GGlyphCache ----

GGlyphCache::GGlyphCache() : counter_(0) {}

GGlyphCache::GGlyphCache(const GGlyphCache& other) : MPersistentObject(other), counter_(other.counter_) {
  CopyPagesOf(other);
}

GGlyphCache& GGlyphCache::operator=(const GGlyphCache& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    counter_ = other.counter_;
    CopyPagesOf(other);
  }
  return *this;
}

GGlyphCache::~GGlyphCache() = default;

void GGlyphCache::CopyPagesOf(const GGlyphCache& other) {
  // The copies are made before this cache lets go of its own pages: the
  // other cache may live only through one of them.
  std::unique_ptr<Page> copies[kPageCount];
  for (uint32_t p = 0; p < kPageCount; ++p) {
    if (other.pages_[p] == nullptr) continue;
    copies[p] = std::make_unique<Page>();
    for (uint32_t s = 0; s < kSlotCount; ++s) {
      const MPersistentObject* node = (*other.pages_[p])[s].Pointee();
      if (node != nullptr) (*copies[p])[s] = GCountedRef(node->Clone());
    }
  }
  for (uint32_t p = 0; p < kPageCount; ++p) pages_[p] = std::move(copies[p]);
}

GGlyphCache::Page& GGlyphCache::PageAt(uint32_t index) {
  if (pages_[index] == nullptr) pages_[index] = std::make_unique<Page>();
  return *pages_[index];
}

QV_PERSISTENT_KIND_DEFINE(GGlyphCache, MPersistentObject, GGlyphCacheClassId)

int GGlyphCache::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* cache = dynamic_cast<const GGlyphCache*>(other);
  if (cache == nullptr) return 0;
  for (uint32_t p = 0; p < kPageCount; ++p) {
    const Page* mine = pages_[p].get();
    const Page* theirs = cache->pages_[p].get();
    if (mine == nullptr && theirs == nullptr) continue;
    if (mine == nullptr || theirs == nullptr) return 0;
    for (uint32_t s = 0; s < kSlotCount; ++s) {
      const MPersistentObject* a = (*mine)[s].Pointee();
      const MPersistentObject* b = (*theirs)[s].Pointee();
      if (a == b) continue;
      if (a == nullptr || b == nullptr || !a->Matches(b)) return 0;
    }
  }
  return 1;
}

int GGlyphCache::GetEntryCount() const { return static_cast<int>(counter_); }

int GGlyphCache::AddNode(uint16_t glyph, GGlyphCacheNode* node) {
  if (node == nullptr) return 0;
  GCountedRef& slot = PageAt(glyph / kSlotCount)[glyph % kSlotCount];
  auto* existing = static_cast<GGlyphCacheNode*>(slot.Pointee());
  if (existing == nullptr) {
    slot = GCountedRef(node);
  } else if (existing != node) {
    // The existing node keeps what it has and takes what the new one adds;
    // the new one is deleted unless some other holder keeps it.
    existing->AssignFrom(node);
  }
  ++counter_;
  return 1;
}

GGlyphCacheNode* GGlyphCache::FindNode(uint16_t glyph) const {
  const Page* page = pages_[glyph / kSlotCount].get();
  return page != nullptr ? static_cast<GGlyphCacheNode*>((*page)[glyph % kSlotCount].Pointee()) : nullptr;
}

void GGlyphCache::AssignFrom(GGlyphCache& other) {
  if (&other == this) return;
  for (uint32_t p = 0; p < kPageCount; ++p) {
    if (other.pages_[p] == nullptr) continue;
    Page& from = *other.pages_[p];
    Page& to = PageAt(p);
    for (uint32_t s = 0; s < kSlotCount; ++s) {
      if (from[s].IsEmpty() || !to[s].IsEmpty()) continue;
      // The handle moves: the node keeps exactly the holders it had, so a
      // node that both caches (or two slots) hold is freed once, by its
      // last holder.
      to[s] = from[s];
      from[s] = GCountedRef();
    }
  }
}

// ---- Persistence ----

// A stored cache is spool data. More pages or slots than the fixed 256 x
// 256, a present flag other than 0 or 1, a present slot without a node or
// with an object of another class are damage and fail the restore; fewer
// pages or slots leave the rest empty. The cache holds each node it reads
// through a counted handle, so the node is adopted from the restore: a
// failed restore must not delete it as well, and a node that the input
// names from two slots is held, and freed, once. The nodes read before the
// input ends stay. A node named from several slots is written once and then
// referred back to: the nodes share the identity table of the save.
template <typename Archive>
void GGlyphCache::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint16_t pageCount = 0;
    uint16_t slotCount = 0;
    uint32_t counter = 0;
    archive(pageCount, slotCount, counter);
    if (!archive.Ok()) return;
    if (pageCount > kPageCount || slotCount > kSlotCount) {
      GCacheFail(archive);
      return;
    }
    for (auto& page : pages_) page.reset();
    counter_ = counter;
    auto readFlag = [&archive](bool& present) {
      int32_t flag = 0;
      archive(flag);
      if (!archive.Ok()) return false;
      if (flag != 0 && flag != 1) {
        GCacheFail(archive);
        return false;
      }
      present = flag == 1;
      return true;
    };
    for (uint32_t p = 0; p < pageCount; ++p) {
      bool pagePresent = false;
      if (!readFlag(pagePresent)) return;
      if (!pagePresent) continue;
      Page& page = PageAt(p);
      for (uint32_t s = 0; s < slotCount; ++s) {
        bool slotPresent = false;
        if (!readFlag(slotPresent)) return;
        if (!slotPresent) continue;
        MPersistentObject* object = nullptr;
        if (MStored::Going(archive.Input())) MPersistentObject::ReadPersistentObject(archive.Input(), object);
        auto* node = dynamic_cast<GGlyphCacheNode*>(object);
        if (node == nullptr) {
          if (object != nullptr) MRefuseTypedRead(object);
          GCacheFail(archive);
          return;
        }
        RWReadTableGuard::Adopt(node);
        page[s] = GCountedRef(node);
      }
    }
  } else {
    uint16_t pageCount = kPageCount;
    uint16_t slotCount = kSlotCount;
    archive(pageCount, slotCount, counter_);
    for (const auto& page : pages_) {
      int32_t present = page != nullptr ? 1 : 0;
      archive(present);
      if (page == nullptr) continue;
      for (const GCountedRef& slot : *page) {
        int32_t filled = slot.IsEmpty() ? 0 : 1;
        archive(filled);
        if (filled != 0) archive.Pointer(slot.Pointee());
      }
    }
  }
}

RW_STORED_MEMBERS_DEFINE(GGlyphCache, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGlyphCacheNode*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GGlyphCacheNode*& out) { return MReadPersistentAs(file, out); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGlyphCache*& out) { return MReadPersistentAs(stream, out); }

RWBinaryFile& operator>>(RWBinaryFile& file, GGlyphCache*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GGlyphCacheNodeCreate() { return new GGlyphCacheNode; }
RWCollectable* GGlyphCacheCreate() { return new GGlyphCache; }
