#include "rw/RWFileSpaceManager.h"

#include <cstring>
#include <memory>
#include <vector>

#include "rw/RWError.h"

namespace {

constexpr int64_t kLargestOffset = 0x7FFFFFFF;

void PutSpaceWord(unsigned char* p, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

int32_t GetSpaceWord(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

// ---- Layouts and nodes ----

const RWFreeListLayout& RWFreeListLayout::Large() {
  static const RWFreeListLayout layout = {268, 0x1235, 32, 4, 132, 260, 264};
  return layout;
}

const RWFreeListLayout& RWFreeListLayout::Small() {
  static const RWFreeListLayout layout = {92, 0x1234, 10, 4, 44, 84, 88};
  return layout;
}

void RWFreeListNode::Encode(const RWFreeListLayout& layout, unsigned char* bytes) const {
  std::memset(bytes, 0, layout.nodeSize);
  bytes[0] = static_cast<unsigned char>(magic);
  bytes[1] = static_cast<unsigned char>(magic >> 8);
  for (uint32_t i = 0; i < layout.maxHoles; ++i) {
    PutSpaceWord(bytes + layout.offsetsAt + 4 * i, offsets[i]);
    PutSpaceWord(bytes + layout.sizesAt + 4 * i, sizes[i]);
  }
  PutSpaceWord(bytes + layout.countAt, count);
  PutSpaceWord(bytes + layout.nextAt, next);
}

void RWFreeListNode::Decode(const RWFreeListLayout& layout, const unsigned char* bytes) {
  *this = RWFreeListNode();
  magic = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  for (uint32_t i = 0; i < layout.maxHoles; ++i) {
    offsets[i] = GetSpaceWord(bytes + layout.offsetsAt + 4 * i);
    sizes[i] = GetSpaceWord(bytes + layout.sizesAt + 4 * i);
  }
  count = GetSpaceWord(bytes + layout.countAt);
  next = GetSpaceWord(bytes + layout.nextAt);
}

// ---- RWFreeList ----

RWFreeList::~RWFreeList() = default;

// ---- RWRingFreeList ----

RWRingFreeList::RWRingFreeList(RWFileSpaceManager* manager, const RWFreeListLayout& layout)
    : manager_(manager), layout_(layout), loaded_(RWFileSpaceManager::kFirstNodeOffset) {}

RWRingFreeList::~RWRingFreeList() = default;

bool RWRingFreeList::LoadFirst() { return Load(RWFileSpaceManager::kFirstNodeOffset); }

// A node of the ring is the first node or lies whole inside the space handed
// out so far, after the header and the first node.
bool RWRingFreeList::IsNodeOffset(int64_t nodeOffset) const {
  if (nodeOffset == RWFileSpaceManager::kFirstNodeOffset) return true;
  return nodeOffset >= manager_->DataStart() && nodeOffset + layout_.nodeSize <= manager_->endOfSpace_;
}

// Checks what a node read from the file claims: a count within the node, a
// next pointer to a possible node, holes inside the heap in ascending order
// without overlaps. The allocation and release rules rely on all of these.
bool RWRingFreeList::IsSoundNode(const RWFreeListNode& node) const {
  if (node.count < 0 || static_cast<uint32_t>(node.count) > layout_.maxHoles) return false;
  if (!IsNodeOffset(node.next)) return false;
  int64_t floor = manager_->DataStart();
  for (int32_t i = 0; i < node.count; ++i) {
    const int64_t offset = node.offsets[i];
    const int64_t size = node.sizes[i];
    if (offset < floor || size < 4 || offset + size > manager_->endOfSpace_) return false;
    floor = offset + size;
  }
  return true;
}

// The number of nodes a ring can have: every node but the first lies inside
// the file, so a walk longer than this is going round a damaged ring.
uint32_t RWRingFreeList::RingLimit() const {
  const int64_t length = manager_->FileLength();
  return static_cast<uint32_t>(length / layout_.nodeSize) + 1;
}

bool RWRingFreeList::Load(int32_t nodeOffset) {
  if (!IsNodeOffset(nodeOffset)) {
    manager_->RaiseDamaged();
    return false;
  }
  std::vector<unsigned char> bytes(layout_.nodeSize);
  if (!manager_->ReadAt(nodeOffset, bytes.data(), layout_.nodeSize)) return false;
  RWFreeListNode node;
  node.Decode(layout_, bytes.data());
  if (node.magic != layout_.magic) {
    RWRaiseExternalDataError(RWExternalDataError(
        RWMessageText(RWToolsMsg_MAGIC(), static_cast<long>(node.magic), static_cast<long>(layout_.magic))));
    return false;
  }
  if (!IsSoundNode(node)) {
    manager_->RaiseDamaged();
    return false;
  }
  // Only a sound node replaces the one in memory, so a failed load leaves
  // the free list as it was.
  node_ = node;
  loaded_ = nodeOffset;
  return true;
}

bool RWRingFreeList::StoreAt(int32_t nodeOffset, const RWFreeListNode& node) {
  std::vector<unsigned char> bytes(layout_.nodeSize);
  node.Encode(layout_, bytes.data());
  return manager_->WriteAt(nodeOffset, bytes.data(), layout_.nodeSize);
}

bool RWRingFreeList::Store() { return StoreAt(loaded_, node_); }

int32_t RWRingFreeList::Allocate(uint32_t n) {
  // (n + 7) with the low two bits cleared: n plus the size word, rounded up
  // to a multiple of 4.
  return AllocateBlock((static_cast<int64_t>(n) + 7) & ~int64_t{3});
}

int32_t RWRingFreeList::AllocateBlock(int64_t size) {
  const int32_t start = loaded_;
  const uint32_t limit = RingLimit();
  uint32_t steps = 0;
  int32_t hole = -1;
  for (;;) {
    for (int32_t i = 0; i < node_.count; ++i) {
      if (node_.sizes[i] >= size) {
        hole = i;
        break;
      }
    }
    if (hole >= 0 || node_.next == start) break;
    if (++steps > limit) {
      manager_->RaiseDamaged();
      return -1;
    }
    if (!Load(node_.next)) return -1;
  }

  int64_t blockOffset;
  if (hole >= 0) {
    blockOffset = node_.offsets[hole];
    if (node_.sizes[hole] - size > 7) {
      node_.offsets[hole] += static_cast<int32_t>(size);
      node_.sizes[hole] -= static_cast<int32_t>(size);
    } else {
      // The whole hole is used; the few bytes over the request go with it.
      size = node_.sizes[hole];
      for (int32_t i = hole; i + 1 < node_.count; ++i) {
        node_.offsets[i] = node_.offsets[i + 1];
        node_.sizes[i] = node_.sizes[i + 1];
      }
      --node_.count;
      node_.offsets[node_.count] = 0;
      node_.sizes[node_.count] = 0;
    }
    bool stored;
    if (node_.count > 0 || (loaded_ == RWFileSpaceManager::kFirstNodeOffset && node_.next == loaded_))
      stored = Store();
    else
      stored = RemoveEmptyNode();
    if (!stored) return -1;
  } else {
    blockOffset = manager_->endOfSpace_;
    if (blockOffset + size > kLargestOffset) {
      // The file cannot grow past 32-bit offsets.
      manager_->RaiseIo(RWFileIoError::Write);
      return -1;
    }
    if (!manager_->SetEndOfSpace(blockOffset + size)) return -1;
  }
  if (!manager_->WriteWordAt(blockOffset, static_cast<int32_t>(size))) return -1;
  return static_cast<int32_t>(blockOffset + 4);
}

// Takes the loaded node, which has just lost its last hole, out of the ring.
// The first node never moves: the second node's contents move into it
// instead, and the second node's block becomes a hole.
bool RWRingFreeList::RemoveEmptyNode() {
  const int32_t first = RWFileSpaceManager::kFirstNodeOffset;
  int32_t freed;
  if (loaded_ == first) {
    freed = node_.next;
    if (!Load(freed)) return false;
    if (node_.next == freed) {
      manager_->RaiseDamaged();
      return false;
    }
    loaded_ = first;
    if (!Store()) return false;
  } else {
    freed = loaded_;
    const int32_t after = node_.next;
    if (!Load(first)) return false;
    const uint32_t limit = RingLimit();
    uint32_t steps = 0;
    while (node_.next != freed) {
      if (++steps > limit || node_.next == first) {
        manager_->RaiseDamaged();
        return false;
      }
      if (!Load(node_.next)) return false;
    }
    node_.next = after;
    if (!Store()) return false;
  }
  return InsertHole(freed, static_cast<int32_t>(layout_.nodeSize));
}

RWRingFreeList::Fit RWRingFreeList::TryInsert(RWFreeListNode& node, int32_t offset, int32_t size) const {
  const int64_t end = static_cast<int64_t>(offset) + size;
  // A hole that overlaps one already listed was released twice (or read
  // from a damaged block); taking it would hand the same bytes out twice.
  for (int32_t i = 0; i < node.count; ++i) {
    if (offset < static_cast<int64_t>(node.offsets[i]) + node.sizes[i] && end > node.offsets[i])
      return Fit::Overlaps;
  }
  for (int32_t i = 0; i < node.count; ++i) {
    if (offset == static_cast<int64_t>(node.offsets[i]) + node.sizes[i]) {
      node.sizes[i] += size;
      if (i + 1 < node.count && end == node.offsets[i + 1]) {
        node.sizes[i] += node.sizes[i + 1];
        for (int32_t j = i + 1; j + 1 < node.count; ++j) {
          node.offsets[j] = node.offsets[j + 1];
          node.sizes[j] = node.sizes[j + 1];
        }
        --node.count;
        node.offsets[node.count] = 0;
        node.sizes[node.count] = 0;
      }
      return Fit::Taken;
    }
    if (end == node.offsets[i]) {
      node.offsets[i] = offset;
      node.sizes[i] += size;
      return Fit::Taken;
    }
  }
  if (static_cast<uint32_t>(node.count) >= layout_.maxHoles) return Fit::Full;
  int32_t at = 0;
  while (at < node.count && node.offsets[at] <= offset) ++at;
  for (int32_t j = node.count; j > at; --j) {
    node.offsets[j] = node.offsets[j - 1];
    node.sizes[j] = node.sizes[j - 1];
  }
  node.offsets[at] = offset;
  node.sizes[at] = size;
  ++node.count;
  return Fit::Taken;
}

bool RWRingFreeList::InsertHole(int32_t offset, int32_t size) {
  const int32_t start = loaded_;
  const uint32_t limit = RingLimit();
  uint32_t steps = 0;
  for (;;) {
    switch (TryInsert(node_, offset, size)) {
      case Fit::Taken:
        return Store();
      case Fit::Overlaps:
        manager_->RaiseDamaged();
        return false;
      case Fit::Full:
        break;
    }
    if (node_.next == start) break;
    if (++steps > limit) {
      manager_->RaiseDamaged();
      return false;
    }
    if (!Load(node_.next)) return false;
  }
  return AddNode(offset, size);
}

// Every node of the ring is full: a new node is linked in after the node
// loaded once its block has been allocated, and takes the hole.
bool RWRingFreeList::AddNode(int32_t offset, int32_t size) {
  const int32_t user = Allocate(layout_.nodeSize - 4);
  if (user == -1) return false;
  const int32_t nodeOffset = user - 4;
  RWFreeListNode fresh;
  fresh.magic = layout_.magic;
  fresh.next = node_.next;
  node_.next = nodeOffset;
  if (!Store()) return false;
  if (TryInsert(fresh, offset, size) != Fit::Taken) return false;
  node_ = fresh;
  loaded_ = nodeOffset;
  return Store();
}

void RWRingFreeList::Release(int32_t userOffset) {
  const int64_t blockOffset = static_cast<int64_t>(userOffset) - 4;
  if (blockOffset < manager_->DataStart() || blockOffset >= manager_->endOfSpace_) {
    // Not an offset this heap can have handed out.
    manager_->RaiseDamaged();
    return;
  }
  int32_t size;
  if (!manager_->ReadWordAt(blockOffset, size)) return;
  if (size < 4) {
    manager_->RaiseDamaged();
    return;
  }
  if (blockOffset + size >= manager_->endOfSpace_) {
    manager_->SetEndOfSpace(blockOffset);
    return;
  }
  InsertHole(static_cast<int32_t>(blockOffset), size);
}

// ---- RWFileSpaceManager ----

RWFileSpaceManager::RWFileSpaceManager(const char* name, const char* mode) : RWBinaryFile(name, mode) {
  if (!HasError()) Open();
}

RWFileSpaceManager::~RWFileSpaceManager() { delete freeList_; }

bool RWFileSpaceManager::Flush() {
  const bool written = blockWriter_ == nullptr || blockWriter_(blockWriterOwner_);
  return RWBinaryFile::Flush() && written;
}

void RWFileSpaceManager::Open() {
  if (IsEmpty()) {
    layout_ = &RWFreeListLayout::Large();
    firstBlock_ = -1;
    endOfSpace_ = kFirstNodeOffset + static_cast<int32_t>(layout_->nodeSize);
    unsigned char header[12];
    PutSpaceWord(header, firstBlock_);
    PutSpaceWord(header + 4, endOfSpace_);
    PutSpaceWord(header + 8, static_cast<int32_t>(layout_->nodeSize));
    if (!WriteAt(0, header, sizeof header)) return;
    RWFreeListNode first;
    first.magic = layout_->magic;
    first.next = kFirstNodeOffset;
    std::vector<unsigned char> bytes(layout_->nodeSize);
    first.Encode(*layout_, bytes.data());
    if (!WriteAt(kFirstNodeOffset, bytes.data(), layout_->nodeSize)) return;
  } else {
    unsigned char header[12];
    if (!ReadAt(0, header, sizeof header)) return;
    const int32_t first = GetSpaceWord(header);
    const int32_t end = GetSpaceWord(header + 4);
    const int32_t nodeSize = GetSpaceWord(header + 8);
    if (nodeSize == static_cast<int32_t>(RWFreeListLayout::Large().nodeSize)) {
      layout_ = &RWFreeListLayout::Large();
    } else if (nodeSize == static_cast<int32_t>(RWFreeListLayout::Small().nodeSize)) {
      layout_ = &RWFreeListLayout::Small();
    } else {
      RWRaiseExternalDataError(RWExternalDataError(RWMessageText(
          RWToolsMsg_FLIST(), static_cast<long>(RWFreeListLayout::Large().nodeSize), static_cast<long>(nodeSize))));
      return;
    }
    endOfSpace_ = end;
    // The end of space lies after the first node; the first block, once
    // there is one, inside the space handed out.
    const bool soundFirst =
        first == -1 || (static_cast<int64_t>(first) - 4 >= DataStart() && first <= end);
    if (end < DataStart() || !soundFirst) {
      RaiseDamaged();
      return;
    }
    firstBlock_ = first;
  }
  auto list = std::make_unique<RWRingFreeList>(this, *layout_);
  if (!list->LoadFirst()) {
    firstBlock_ = -1;
    return;
  }
  freeList_ = list.release();
}

int32_t RWFileSpaceManager::DataStart() const {
  return kFirstNodeOffset + static_cast<int32_t>(layout_ ? layout_->nodeSize : 0);
}

int32_t RWFileSpaceManager::Allocate(uint32_t n) {
  if (!freeList_) return -1;
  const int32_t result = freeList_->Allocate(n);
  if (firstBlock_ == -1 && result != -1) {
    firstBlock_ = result;
    WriteWordAt(0, firstBlock_);
  }
  return result;
}

void RWFileSpaceManager::Release(int32_t userOffset) {
  if (!freeList_ || userOffset == -1 || userOffset == firstBlock_) return;
  freeList_->Release(userOffset);
}

bool RWFileSpaceManager::SetEndOfSpace(int64_t end) {
  endOfSpace_ = static_cast<int32_t>(end);
  return WriteWordAt(4, endOfSpace_);
}

int64_t RWFileSpaceManager::FileLength() {
  if (!SeekToEnd()) return 0;
  const int64_t length = CurrentOffset();
  return length < 0 ? 0 : length;
}

bool RWFileSpaceManager::ReadAt(int64_t offset, void* bytes, uint32_t count) {
  if (offset < 0 || offset > kLargestOffset || !SeekTo(static_cast<int32_t>(offset))) {
    RaiseIo(RWFileIoError::Seek);
    return false;
  }
  if (!ReadChars(static_cast<char*>(bytes), count)) {
    RaiseIo(RWFileIoError::Read);
    return false;
  }
  return true;
}

bool RWFileSpaceManager::WriteAt(int64_t offset, const void* bytes, uint32_t count) {
  if (offset < 0 || offset > kLargestOffset || !SeekTo(static_cast<int32_t>(offset))) {
    RaiseIo(RWFileIoError::Seek);
    return false;
  }
  if (!WriteChars(static_cast<const char*>(bytes), count)) {
    RaiseIo(RWFileIoError::Write);
    return false;
  }
  return true;
}

bool RWFileSpaceManager::ReadWordAt(int64_t offset, int32_t& value) {
  unsigned char bytes[4];
  if (!ReadAt(offset, bytes, 4)) return false;
  value = GetSpaceWord(bytes);
  return true;
}

bool RWFileSpaceManager::WriteWordAt(int64_t offset, int32_t value) {
  unsigned char bytes[4];
  PutSpaceWord(bytes, value);
  return WriteAt(offset, bytes, 4);
}

void RWFileSpaceManager::RaiseIo(int code) {
  const RWMessageRecord* record = code == RWFileIoError::Seek   ? RWToolsMsg_SEEKERR()
                                  : code == RWFileIoError::Read ? RWToolsMsg_READERR()
                                                                : RWToolsMsg_WRITEERR();
  RWRaiseFileIoError(RWFileIoError(RWMessageText(record), Handle(), code));
}

// A structure read from the file that cannot be sound (an offset outside the
// heap, a count beyond a node, a ring that never closes) is a failed read.
void RWFileSpaceManager::RaiseDamaged() { RaiseIo(RWFileIoError::Read); }
