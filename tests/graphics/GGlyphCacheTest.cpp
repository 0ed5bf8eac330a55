// The glyph cache and its nodes: nodes made from buffers, added and found
// by glyph index across the pages, an add to a filled slot, merging (nodes
// shared between slots and caches freed once), matching, the stored forms
// and damaged stored caches.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "graphics/GGlyphCache.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

uint8_t* Block(const std::string& bytes) {
  auto* block = new uint8_t[bytes.size()];
  std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

GByteBuffer* Owning(const std::string& bytes) {
  return bytes.empty() ? nullptr : new GByteBuffer(Block(bytes), static_cast<uint32_t>(bytes.size()), 1);
}

GGlyphCacheNode* Node(const std::string& outline, const std::string& rendering) {
  return new GGlyphCacheNode(Owning(outline), Owning(rendering));
}

std::string Text(GByteBuffer* view) {
  std::unique_ptr<GByteBuffer> owned(view);
  if (owned == nullptr) return "<none>";
  return std::string(reinterpret_cast<const char*>(owned->GetData()), owned->GetLength());
}

std::string Outline(const GGlyphCacheNode* node) { return node != nullptr ? Text(node->GetOutline()) : "<no node>"; }
std::string Rendering(const GGlyphCacheNode* node) {
  return node != nullptr ? Text(node->GetRendering()) : "<no node>";
}

// ---- Nodes ----

TEST(GGlyphCacheNodeTest, TakesOverOwnedBytesAndCopiesBorrowedOnes) {
  uint8_t* outline = Block("outline");
  uint8_t borrowed[3] = {'b', 'm', 'p'};
  GGlyphCacheNode node(new GByteBuffer(outline, 7, 1), new GByteBuffer(borrowed, 3, 0));
  borrowed[0] = 'X';
  std::unique_ptr<GByteBuffer> view(node.GetOutline());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetData(), outline);
  EXPECT_EQ(view->OwnsData(), 0);
  EXPECT_EQ(node.GetOutlineLength(), 7u);
  EXPECT_EQ(Rendering(&node), "bmp");
  EXPECT_EQ(node.GetRenderingLength(), 3u);

  GGlyphCacheNode bare(nullptr, new GByteBuffer(nullptr, 0, 1));
  EXPECT_EQ(bare.GetOutline(), nullptr);
  EXPECT_EQ(bare.GetRendering(), nullptr);
  EXPECT_EQ(bare.GetOutlineLength(), 0u);
}

TEST(GGlyphCacheNodeTest, MergingTakesOnlyTheEmptyPartsAndDeletesTheOtherNode) {
  auto* mine = Node("mine", "");
  mine->AssignFrom(Node("theirs", "rendered"));  // deleted (the sanitizer checks)
  EXPECT_EQ(Outline(mine), "mine");
  EXPECT_EQ(Rendering(mine), "rendered");
  // Merging with itself or with nothing changes nothing and deletes nothing.
  mine->AssignFrom(mine);
  mine->AssignFrom(nullptr);
  EXPECT_EQ(Outline(mine), "mine");
  delete mine;
}

TEST(GGlyphCacheNodeTest, ANodeHeldElsewhereIsEmptiedButNotDeleted) {
  auto* held = Node("outline", "rendering");
  GCountedRef holder(held);
  GGlyphCacheNode empty;
  empty.AssignFrom(held);
  EXPECT_EQ(Outline(&empty), "outline");
  EXPECT_EQ(Rendering(&empty), "rendering");
  EXPECT_EQ(held->GetOutlineLength(), 0u);
  EXPECT_EQ(held->GetRenderingLength(), 0u);
  EXPECT_EQ(held->HolderCount(), 0);  // still alive, still held once
}

TEST(GGlyphCacheNodeTest, MatchingComparesTheOutlineOnly) {
  std::unique_ptr<GGlyphCacheNode> a(Node("abc", "one"));
  std::unique_ptr<GGlyphCacheNode> b(Node("abc", "two"));
  std::unique_ptr<GGlyphCacheNode> c(Node("abd", "one"));
  std::unique_ptr<GGlyphCacheNode> d(Node("", "one"));
  EXPECT_TRUE(a->Matches(b.get()));
  EXPECT_FALSE(a->Matches(c.get()));
  EXPECT_FALSE(a->Matches(d.get()));
  std::unique_ptr<GGlyphCacheNode> copy(a->Clone());
  EXPECT_TRUE(copy->Matches(a.get()));
  EXPECT_EQ(Rendering(copy.get()), "one");
}

TEST(GGlyphCacheNodeTest, StoredFormHoldsBothPartsAndAnEmptyRenderingStaysEmpty) {
  std::unique_ptr<GGlyphCacheNode> node(Node("glyf", ""));
  const std::string bytes = qvtest::SaveInForm(node.get(), ModelForm::kFile);
  EXPECT_EQ(bytes, StoredBytes().Marker().U16(GGlyphCacheNodeClassId).Base(0, node->GetSerial()).U32(1).U32(4).Bytes() +
                       "glyf" + StoredBytes().U32(0).Bytes());
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(node.get(), form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GGlyphCacheNode*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(Outline(restored), "glyf");
    EXPECT_EQ(restored->GetRendering(), nullptr);
    EXPECT_EQ(restored->GetRenderingLength(), 0u);
  }
  std::unique_ptr<GGlyphCacheNode> full(Node("o", "rr"));
  qvtest::ExpectStoredByteCountIsWritten(*full);
  EXPECT_EQ(full->MembersStoreSize(), 12u + 12u + 1u + 2u);
}

TEST(GGlyphCacheNodeTest, ALengthBeyondTheInputFailsTheRestore) {
  const std::string head = StoredBytes().Marker().U16(GGlyphCacheNodeClassId).Base(0, 1).U32(1).Bytes();
  const std::string cases[] = {
      head + StoredBytes().U32(0xFFFFFFF0u).Bytes() + "abc",
      head + StoredBytes().U32(2).Bytes() + "ab" + StoredBytes().U32(0x7FFFFFFFu).Bytes() + "x",
      head + StoredBytes().U32(2).Bytes() + "a",
  };
  for (const std::string& bytes : cases) {
    for (ModelForm form : {ModelForm::kFile}) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
      EXPECT_TRUE(read.failed);
      EXPECT_EQ(read.object, nullptr);
      delete read.object;
    }
  }
}

// ---- The cache ----

TEST(GGlyphCacheTest, IsRegisteredAndEmpty) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GGlyphCacheClassId));
  auto* cache = dynamic_cast<GGlyphCache*>(made.get());
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->GetEntryCount(), 0);
  EXPECT_TRUE(cache->DerivesFrom(GGlyphCacheClassId));
  EXPECT_TRUE(cache->DerivesFrom(751));
  EXPECT_FALSE(cache->DerivesFrom(GGlyphCacheNodeClassId));
  EXPECT_EQ(cache->FindNode(0), nullptr);
  EXPECT_EQ(cache->FindNode(0xFFFF), nullptr);
  std::unique_ptr<RWCollectable> node(RWFactoryCreate(GGlyphCacheNodeClassId));
  EXPECT_NE(dynamic_cast<GGlyphCacheNode*>(node.get()), nullptr);
}

TEST(GGlyphCacheTest, EveryGlyphIndexHasItsOwnSlot) {
  GGlyphCache cache;
  const uint16_t glyphs[] = {0, 1, 255, 256, 0x1234, 0xFF00, 0xFFFF};
  for (uint16_t g : glyphs) cache.AddNode(g, Node(std::to_string(g), ""));
  for (uint16_t g : glyphs) EXPECT_EQ(Outline(cache.FindNode(g)), std::to_string(g));
  EXPECT_EQ(cache.FindNode(2), nullptr);
  EXPECT_EQ(cache.FindNode(0x1235), nullptr);
  EXPECT_EQ(cache.GetEntryCount(), 7);
  EXPECT_EQ(cache.AddNode(9, nullptr), 0);
  EXPECT_EQ(cache.GetEntryCount(), 7);
}

TEST(GGlyphCacheTest, AnAddToAFilledSlotCompletesTheNodeThereAndStillCounts) {
  GGlyphCache cache;
  cache.AddNode(40, Node("outline", ""));
  GGlyphCacheNode* kept = cache.FindNode(40);
  cache.AddNode(40, Node("other outline", "rendered"));
  EXPECT_EQ(cache.FindNode(40), kept);
  EXPECT_EQ(Outline(kept), "outline");
  EXPECT_EQ(Rendering(kept), "rendered");
  // The reverse: a rendering first, the outline later.
  cache.AddNode(41, Node("", "bits"));
  cache.AddNode(41, Node("glyf", "other bits"));
  EXPECT_EQ(Outline(cache.FindNode(41)), "glyf");
  EXPECT_EQ(Rendering(cache.FindNode(41)), "bits");
  // The node that is already there, added again, is kept (not merged into
  // itself and deleted).
  cache.AddNode(40, kept);
  EXPECT_EQ(cache.FindNode(40), kept);
  EXPECT_EQ(Outline(kept), "outline");
  EXPECT_EQ(cache.GetEntryCount(), 5);
}

TEST(GGlyphCacheTest, MergingMovesNodesIntoEmptySlotsAndMakesMissingPages) {
  GGlyphCache mine;
  GGlyphCache theirs;
  mine.AddNode(1, Node("mine 1", ""));
  theirs.AddNode(1, Node("theirs 1", ""));
  theirs.AddNode(2, Node("theirs 2", ""));
  theirs.AddNode(0x0305, Node("theirs 0x305", ""));
  GGlyphCacheNode* moving = theirs.FindNode(2);

  mine.AssignFrom(theirs);
  EXPECT_EQ(Outline(mine.FindNode(1)), "mine 1");
  EXPECT_EQ(Outline(theirs.FindNode(1)), "theirs 1");  // both filled: stays there
  EXPECT_EQ(mine.FindNode(2), moving);
  EXPECT_EQ(theirs.FindNode(2), nullptr);
  EXPECT_EQ(Outline(mine.FindNode(0x0305)), "theirs 0x305");
  EXPECT_EQ(theirs.FindNode(0x0305), nullptr);
  EXPECT_EQ(mine.GetEntryCount(), 1);
  EXPECT_EQ(theirs.GetEntryCount(), 3);

  mine.AssignFrom(mine);
  EXPECT_EQ(mine.FindNode(2), moving);
}

TEST(GGlyphCacheTest, ANodeSharedByTwoCachesIsFreedOnceWhateverIsMerged) {
  // One node in slot 1 of the first cache and slot 2 of the second, as a
  // stored graph may make it; merging moves it into the first cache's slot
  // 2, so that cache holds it twice. Deleting both caches frees it once
  // (the sanitizer checks).
  auto* first = new GGlyphCache;
  auto* second = new GGlyphCache;
  auto* shared = Node("shared", "");
  first->AddNode(1, shared);
  second->AddNode(2, shared);
  first->AssignFrom(*second);
  EXPECT_EQ(first->FindNode(1), shared);
  EXPECT_EQ(first->FindNode(2), shared);
  EXPECT_EQ(second->FindNode(2), nullptr);
  // An add into a filled slot of a node that another cache holds takes its
  // parts but leaves it to its holder.
  second->AddNode(7, Node("", ""));
  auto* pending = Node("", "late rendering");
  second->AddNode(8, pending);
  first->AddNode(1, pending);
  EXPECT_EQ(Rendering(shared), "late rendering");
  EXPECT_EQ(second->FindNode(8), pending);
  EXPECT_EQ(pending->GetRenderingLength(), 0u);
  delete second;
  delete first;
}

TEST(GGlyphCacheTest, MatchingComparesPagesAndNodes) {
  auto make = [](const char* outline, uint16_t glyph) {
    auto cache = std::make_unique<GGlyphCache>();
    cache->AddNode(glyph, Node(outline, "r"));
    return cache;
  };
  EXPECT_TRUE(make("a", 3)->Matches(make("a", 3).get()));
  EXPECT_FALSE(make("a", 3)->Matches(make("b", 3).get()));
  EXPECT_FALSE(make("a", 3)->Matches(make("a", 4).get()));
  // A page that one cache has and the other lacks makes them differ, even
  // when that page holds no node any more.
  auto emptied = make("a", 3);
  auto drained = std::make_unique<GGlyphCache>();
  drained->AddNode(0x0400, Node("x", ""));
  GGlyphCache sink;
  sink.AssignFrom(*drained);  // drained keeps an empty page 4
  EXPECT_FALSE(emptied->Matches(drained.get()));
  EXPECT_FALSE(std::make_unique<GGlyphCache>()->Matches(drained.get()));
  // The same node in both counts as equal.
  auto* node = Node("n", "");
  GGlyphCache a;
  GGlyphCache b;
  a.AddNode(5, node);
  b.AddNode(5, node);
  EXPECT_TRUE(a.Matches(&b));
  // Copies hold nodes of their own.
  std::unique_ptr<GGlyphCache> copy(a.Clone());
  EXPECT_TRUE(copy->Matches(&a));
  EXPECT_NE(copy->FindNode(5), node);
  EXPECT_EQ(copy->GetEntryCount(), 1);
}

// The head of a stored cache after the marker and tag (the cache is object
// 1 of the restore, so its first node is object 2).
std::string CacheHead(uint16_t pages, uint16_t slots, uint32_t counter) {
  return StoredBytes().Marker().U16(GGlyphCacheClassId).Base(0, 1).U32(1).U16(pages).U16(slots).U32(counter).Bytes();
}

std::string NodeObject(const std::string& outline) {
  return StoredBytes()
             .U16(GGlyphCacheNodeClassId)
             .Base(0, 1)
             .U32(1)
             .U32(static_cast<uint32_t>(outline.size()))
             .Bytes() +
         outline + StoredBytes().U32(0).Bytes();
}

std::string Zeros(int count) {
  StoredBytes b;
  for (int i = 0; i < count; ++i) b.U32(0);
  return b.Bytes();
}

TEST(GGlyphCacheTest, StoredFormHoldsEveryPageAndSlot) {
  GGlyphCache cache;
  cache.AddNode(0x0101, Node("g", ""));
  const std::string bytes = qvtest::SaveInForm(&cache, ModelForm::kFile);
  std::string node = NodeObject("g");
  node.replace(2 + 8, 4, StoredBytes().U32(cache.FindNode(0x0101)->GetSerial()).Bytes());
  const std::string want = StoredBytes()
                               .Marker()
                               .U16(GGlyphCacheClassId)
                               .Base(0, cache.GetSerial())
                               .U32(1)
                               .U16(256)
                               .U16(256)
                               .U32(1)
                               .Bytes() +
                           Zeros(1) + StoredBytes().U32(1).Bytes() + Zeros(1) + StoredBytes().U32(1).Bytes() + node +
                           Zeros(254) + Zeros(254);
  EXPECT_EQ(bytes, want);
  EXPECT_EQ(bytes.size(), 6u + cache.MembersStoreSize());
  qvtest::ExpectRoundTripsInAllForms(cache);
}

TEST(GGlyphCacheTest, ANodeNamedFromTwoSlotsIsReadOnceAndFreedOnce) {
  // Slot 0 holds a node, slot 1 refers back to it; fewer pages and slots
  // than the full shape leave the rest empty.
  const std::string bytes = CacheHead(1, 2, 9) + StoredBytes().U32(1).U32(1).Bytes() + NodeObject("shared") +
                            StoredBytes().U32(1).Ref(2).Bytes();
  for (ModelForm form : {ModelForm::kFile}) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    ASSERT_FALSE(read.failed) << RWReadTableGuard::LastFailureText();
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* cache = dynamic_cast<GGlyphCache*>(read.object);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->GetEntryCount(), 9);
    ASSERT_NE(cache->FindNode(0), nullptr);
    EXPECT_EQ(cache->FindNode(0), cache->FindNode(1));
    EXPECT_EQ(Outline(cache->FindNode(1)), "shared");
    EXPECT_EQ(cache->FindNode(2), nullptr);
    // Stored again, the second slot is a back reference, and the size
    // predicted counts it as one.
    qvtest::ExpectStoredByteCountIsWritten(*cache);
    qvtest::ExpectRoundTripsInAllForms(*cache);
    // Merged into an empty cache, the node moves with both its holders.
    GGlyphCache other;
    other.AssignFrom(*cache);
    EXPECT_EQ(other.FindNode(0), other.FindNode(1));
  }
}

TEST(GGlyphCacheTest, TwoCachesSharingANodeInAStoredGraphMergeAndFreeSafely) {
  MPersistentComposite root(6);
  auto* first = new GGlyphCache;
  auto* second = new GGlyphCache;
  auto* shared = Node("shared", "");
  first->AddNode(10, shared);
  second->AddNode(11, shared);
  root.AddChild(first);
  root.AddChild(second);
  qvtest::ExpectStoredByteCountIsWritten(root);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&root, form), form);
    ASSERT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    MPersistentComposite* composite = read.object->AsComposite();
    ASSERT_NE(composite, nullptr);
    auto* a = dynamic_cast<GGlyphCache*>(composite->Children().Data()[0].Pointee());
    auto* b = dynamic_cast<GGlyphCache*>(composite->Children().Data()[1].Pointee());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a->FindNode(10), nullptr);
    EXPECT_EQ(a->FindNode(10), b->FindNode(11));
    a->AssignFrom(*b);
    EXPECT_EQ(a->FindNode(11), a->FindNode(10));
    EXPECT_EQ(b->FindNode(11), nullptr);
    // The composite, then both caches, let go: the node is freed once.
  }
}

TEST(GGlyphCacheTest, ADamagedStoredCacheFailsTheRestore) {
  const int32_t id = 3;
  GValueAttribute value(1, &id);
  const std::string valueObject = qvtest::SaveInForm(&value, ModelForm::kFile).substr(4);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"more pages than 256", CacheHead(257, 256, 0) + Zeros(257)},
      {"more slots than 256", CacheHead(1, 257, 0) + StoredBytes().U32(1).Bytes() + Zeros(257)},
      {"a page flag other than 0 or 1", CacheHead(256, 256, 0) + StoredBytes().U32(2).Bytes() + Zeros(255)},
      {"a slot flag other than 0 or 1",
       CacheHead(1, 256, 0) + StoredBytes().U32(1).U32(0xFFFFFFFFu).Bytes() + Zeros(255)},
      {"a present slot holding the null object",
       CacheHead(1, 2, 0) + StoredBytes().U32(1).U32(1).Ref(0).U32(0).Bytes()},
      {"a present slot holding another class", CacheHead(1, 1, 0) + StoredBytes().U32(1).U32(1).Bytes() + valueObject},
      {"a present slot holding the cache itself", CacheHead(1, 1, 0) + StoredBytes().U32(1).U32(1).Ref(1).Bytes()},
      {"a node whose outline runs past the input",
       CacheHead(1, 1, 0) +
           StoredBytes().U32(1).U32(1).U16(GGlyphCacheNodeClassId).Base(0, 1).U32(1).U32(0x10000000u).Bytes() + "xyz"},
      {"a cut page", CacheHead(256, 256, 0) + StoredBytes().U32(1).U32(0).U32(0).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

TEST(GGlyphCacheTest, AFailedRestoreAfterANodeWasTakenFreesItOnce) {
  // The first slot's node is read and held; the damage comes after it.
  const std::string bytes =
      CacheHead(1, 3, 0) + StoredBytes().U32(1).U32(1).Bytes() + NodeObject("n") + StoredBytes().U32(7).Bytes();
  for (ModelForm form : {ModelForm::kFile}) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

}  // namespace
