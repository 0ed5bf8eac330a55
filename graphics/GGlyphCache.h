// GGlyphCache: what a font reader knows of each glyph of its font, one
// GGlyphCacheNode per glyph index: the glyph's outline bytes (its "glyf"
// data) and the result of rendering it. The 65536 glyph indexes are laid
// out as 256 pages of 256 slots (glyph g is slot g mod 256 of page
// g / 256); a page is made when its first node arrives. Like the table
// cache, the glyph cache is saved with its reader, can be merged with the
// cache of another copy of the font, and never evicts a node.
//
// Nodes are held through counted handles: a stored graph may name one node
// from several slots or caches, and each holder then keeps it alive rather
// than deleting it under the others.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "graphics/GByteBuffer.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GGlyphCacheClassId = 869;
constexpr RWClassID GGlyphCacheNodeClassId = 870;

class GGlyphCacheNode : public MPersistentObject {
 public:
  // No outline and no rendering.
  GGlyphCacheNode();
  // Takes over both buffers (either may be null): their bytes when they own
  // them, else a copy; the buffer objects are deleted.
  GGlyphCacheNode(GByteBuffer* outline, GByteBuffer* rendering);
  // Copies both parts.
  GGlyphCacheNode(const GGlyphCacheNode& other);
  GGlyphCacheNode& operator=(const GGlyphCacheNode& other);
  ~GGlyphCacheNode() override;

  static RWClassID StaticClassId() { return GGlyphCacheNodeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GGlyphCacheNode);
  // Same class and feature id and equal outlines; the rendering is not
  // compared.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 1; the outline's length
  // (32-bit) and bytes; the rendering's length and bytes.
  RW_STORED_MEMBERS();

  // Takes from the other node each part that is empty here and not there
  // (the other's part becomes empty), then deletes the other node unless a
  // counted handle still holds it; its holders then let go of it in their
  // own time. Merging a node with itself, or with null, does nothing.
  virtual void AssignFrom(GGlyphCacheNode* other);

  // A new view of the part (the caller deletes it; valid while the node
  // keeps the part), or null when the part is empty.
  GByteBuffer* GetOutline() const;
  GByteBuffer* GetRendering() const;
  uint32_t GetOutlineLength() const { return outlineLength_; }
  uint32_t GetRenderingLength() const { return renderingLength_; }

 private:

  std::unique_ptr<uint8_t[]> outline_;  // null when the length is 0
  uint32_t outlineLength_;
  std::unique_ptr<uint8_t[]> rendering_;  // null when the length is 0
  uint32_t renderingLength_;
};

class GGlyphCache : public MPersistentObject {
 public:
  static constexpr uint32_t kPageCount = 256;
  static constexpr uint32_t kSlotCount = 256;

  // No pages; the counter 0.
  GGlyphCache();
  // Copies every node (each slot gets a node of its own) and the counter.
  GGlyphCache(const GGlyphCache& other);
  GGlyphCache& operator=(const GGlyphCache& other);
  ~GGlyphCache() override;

  static RWClassID StaticClassId() { return GGlyphCacheClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GGlyphCache);
  // Same class and feature id; every page present in both or in neither;
  // in present pages, every slot pair both empty, the same node, or two
  // matching nodes.
  int Matches(const MPersistentObject* other) const override;
  // The counter: how many nodes were added, merged ones included.
  int GetEntryCount() const override;

  // Stored body after the persistent base: version 1; the page and slot
  // counts 256 and 256 (16-bit each); the counter (32-bit); then each page:
  // present (int32, 0 or 1) and, for a present page, each slot: present
  // (int32, 0 or 1) followed, when 1, by the node with its framing.
  RW_STORED_MEMBERS();

  // Merges the other cache into this one: for each page the other has, the
  // page is made here when missing, and every node of the other in a slot
  // that is empty here moves here (the other's slot becomes empty). Nodes
  // in slots both caches fill stay where they are. The counters do not
  // change; merging a cache with itself does nothing.
  virtual void AssignFrom(GGlyphCache& other);

  // Keeps the node (which the cache takes) in the glyph's slot and counts
  // the add. When the slot already holds another node, that node takes
  // what the new one adds (GGlyphCacheNode::AssignFrom) and the new one is
  // let go of. A null node is ignored (0); otherwise 1.
  int AddNode(uint16_t glyph, GGlyphCacheNode* node);
  // The glyph's node (still the cache's), or null.
  GGlyphCacheNode* FindNode(uint16_t glyph) const;

 private:
  using Page = std::array<GCountedRef, kSlotCount>;

  void CopyPagesOf(const GGlyphCache& other);
  Page& PageAt(uint32_t index);

  uint32_t counter_;
  std::unique_ptr<Page> pages_[kPageCount];
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGlyphCacheNode*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GGlyphCacheNode*& out);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGlyphCache*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GGlyphCache*& out);

RWCollectable* GGlyphCacheNodeCreate();
RWCollectable* GGlyphCacheCreate();
