#include "rw/RWPersistence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWHashTable.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"
#include "rw/RWReadTable.h"
#include "rw/RWSlistCollectables.h"
#include "rw/RWStoreTable.h"
#include "support/PersistentTestClasses.h"
#include "support/ErrorCapture.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

using qvtest::DeleteGraph;
using qvtest::TestLeaf;
using qvtest::TestNamed;
using qvtest::TestNode;
using qvtest::TestOwner;

const char* const kPersistencePath = "C:\\Spool\\Graph.dat";
const char16_t* const kPersistenceWidePath = u"C:\\Spool\\Graph.dat";

enum class PersistenceForm { File, Portable, Binary, Endian };
const PersistenceForm kAllForms[] = {PersistenceForm::File, PersistenceForm::Portable, PersistenceForm::Binary, PersistenceForm::Endian};

const char* PersistenceFormName(PersistenceForm form) {
  switch (form) {
    case PersistenceForm::File: return "file";
    case PersistenceForm::Portable: return "portable";
    case PersistenceForm::Binary: return "binary";
    default: return "endian";
  }
}

std::string PersistenceBytes(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Writes the whole graph as one outermost save in the given form.
std::string Save(PersistenceForm form, const RWCollectable* root) {
  if (form == PersistenceForm::File) {
    {
      RWBinaryFile file(kPersistencePath, "wb+");
      RWWriteObjectPointerToFile(file, root);
    }
    return w32test::FileContents(kPersistenceWidePath).value_or("<missing>");
  }
  std::stringbuf buffer;
  std::unique_ptr<RWVirtualOutStream> out;
  switch (form) {
    case PersistenceForm::Portable: out = std::make_unique<RWPortableOutStream>(&buffer); break;
    case PersistenceForm::Binary: out = std::make_unique<RWBinaryOutStream>(&buffer); break;
    default: out = std::make_unique<RWEndianOutStream>(&buffer, RWEndianOutStream::LittleEndian); break;
  }
  RWWriteObjectPointer(*out, root);
  EXPECT_TRUE(out->Good());
  out.reset();
  return buffer.str();
}

struct Restored {
  RWCollectable* object = nullptr;
  std::string failure;  // empty unless the restore failed
  bool inputFailed = false;  // the stream's fail bit, or the file's indicators
};

Restored Restore(PersistenceForm form, const std::string& bytes) {
  Restored r;
  if (form == PersistenceForm::File) {
    EXPECT_TRUE(w32test::PutFile(kPersistenceWidePath, bytes));
    RWBinaryFile file(kPersistencePath, "rb");
    RWReadObjectPointerFromFile(file, r.object);
    r.inputFailed = file.IsAtEnd() || file.HasError();
  } else {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
    std::unique_ptr<RWVirtualInStream> in;
    switch (form) {
      case PersistenceForm::Portable: in = std::make_unique<RWPortableInStream>(&buffer); break;
      case PersistenceForm::Binary: in = std::make_unique<RWBinaryInStream>(&buffer); break;
      default: in = std::make_unique<RWEndianInStream>(&buffer); break;
    }
    RWReadObjectPointer(*in, r.object);
    r.inputFailed = in->Fail();
  }
  r.failure = RWReadTableGuard::LastFailureText();
  return r;
}

// Where the framing's own bytes start: after the byte-order header of the
// tagged stream, at the start otherwise.
size_t PayloadStart(PersistenceForm form) { return form == PersistenceForm::Endian ? 9 : 0; }

class RWPersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  }
  void TearDown() override { w32test::Reset(); }

  // Nothing may reach the error handler in these tests unless a test says
  // so: a damaged input fails the restore instead.
  qvtest::ScopedErrorCapture errors_;
  qvtest::ScopedPersistentTestClasses classes_;
};

// ---- Golden forms ----

TEST_F(RWPersistenceTest, NullPointerAtTopLevelInFileFormIsTenBytes) {
  EXPECT_EQ(Save(PersistenceForm::File, nullptr), PersistenceBytes({0x88, 0x88, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
  Restored r = Restore(PersistenceForm::File, PersistenceBytes({0x88, 0x88, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_EQ(r.object, nullptr);
  EXPECT_EQ(r.failure, "");
  EXPECT_FALSE(r.inputFailed);
}

TEST_F(RWPersistenceTest, PortableTextOfANewObjectAndABackReference) {
  // Class 781 whose body is its value and a pointer to itself: the new
  // object is ":", "781", newline, the escaped braces around the body, and
  // the pointer inside refers to the first object written, "@1".
  TestNode node(7);
  node.link = &node;
  EXPECT_EQ(Save(PersistenceForm::Portable, &node), ":781\n\\[7\n@1\n\\]");
}

TEST_F(RWPersistenceTest, CollectionsInFileFormAreCountThenReferences) {
  TestLeaf a(1), b(2);
  RWSlistCollectables list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&a);
  EXPECT_EQ(Save(PersistenceForm::File, &list), PersistenceBytes({0x88, 0x88, 0, 0, 0x33, 0x80, 3, 0, 0, 0,  // list, 3 elements
                                            0x0E, 0x03, 1, 0, 0, 0,                   // leaf 1 (index 2)
                                            0x0E, 0x03, 2, 0, 0, 0,                   // leaf 2
                                            0xFF, 0xFF, 2, 0, 0, 0}));                // leaf 1 again
  RWSlistCollectables empty;
  EXPECT_EQ(Save(PersistenceForm::File, &empty), PersistenceBytes({0x88, 0x88, 0, 0, 0x33, 0x80, 0, 0, 0, 0}));
}

TEST_F(RWPersistenceTest, StringIdClassesWriteTheirNameOnceThenItsIndex) {
  TestNamed first(1), second(2);
  RWSlistCollectables list;
  list.Add(&first);
  list.Add(&second);
  // list 1, first 2, "TestNamed" 3, second 4.
  EXPECT_EQ(Save(PersistenceForm::File, &list),
            PersistenceBytes({0x88, 0x88, 0, 0, 0x33, 0x80, 2, 0, 0, 0,  // list
                   0x8F, 0x88, 9, 0, 0, 0, 'T', 'e', 's', 't', 'N', 'a', 'm', 'e', 'd',  // first
                   1, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0,                                 // its body
                   0x8E, 0x88, 3, 0, 0, 0,                                             // second
                   2, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
}

// ---- Round trips ----

// A list holding: n1 (which points at itself), n2 (pointing at n1), a null
// element, n1 again, two objects of a class stored by string id (the second
// pointing at the first), an owner with its child, and an empty stack.
struct Graph {
  TestNode n1{1}, n2{2};
  TestNamed s1{3}, s2{4};
  TestOwner owner{new TestLeaf(5)};
  RWSlistCollectablesStack stack;
  RWSlistCollectables root;
  Graph() {
    n1.link = &n1;
    n2.link = &n1;
    s2.link = &s1;
    for (RWCollectable* e : std::initializer_list<RWCollectable*>{&n1, &n2, nullptr, &n1, &s1, &s2, &owner, &stack}) {
      root.Add(e);
    }
  }
};

void ExpectSameShape(RWCollectable* restored) {
  auto* root = dynamic_cast<RWSlistCollectables*>(restored);
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->Count(), 8u);
  auto* n1 = dynamic_cast<TestNode*>(root->At(0));
  auto* n2 = dynamic_cast<TestNode*>(root->At(1));
  auto* s1 = dynamic_cast<TestNamed*>(root->At(4));
  auto* s2 = dynamic_cast<TestNamed*>(root->At(5));
  auto* owner = dynamic_cast<TestOwner*>(root->At(6));
  ASSERT_TRUE(n1 && n2 && s1 && s2 && owner);
  EXPECT_EQ(n1->value, 1);
  EXPECT_EQ(n1->link, n1);  // self-cycle
  EXPECT_EQ(n2->link, n1);  // shared
  EXPECT_EQ(root->At(2), nullptr);
  EXPECT_EQ(root->At(3), n1);
  EXPECT_EQ(s1->value, 3);
  EXPECT_EQ(s1->link, nullptr);
  EXPECT_EQ(s2->link, s1);
  auto* leaf = dynamic_cast<TestLeaf*>(owner->child);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->value, 5);
  auto* stack = dynamic_cast<RWSlistCollectablesStack*>(root->At(7));
  ASSERT_NE(stack, nullptr);
  EXPECT_EQ(stack->Count(), 0u);
}

TEST_F(RWPersistenceTest, GraphWithSharingCycleAndNullSurvivesEveryForm) {
  Graph graph;
  for (PersistenceForm form : kAllForms) {
    SCOPED_TRACE(PersistenceFormName(form));
    Restored r = Restore(form, Save(form, &graph.root));
    EXPECT_EQ(r.failure, "");
    EXPECT_FALSE(r.inputFailed);
    ExpectSameShape(r.object);
    DeleteGraph(r.object);
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWPersistenceTest, StoredByteCountMatchesTheFileWrite) {
  Graph graph;
  // Nested objects of a string-id class before and after their first use
  // move the name between them; the total stays the same.
  TestNamed inner(8);
  TestNamed outer(9, &inner);
  TestNode plain(10, &outer);
  const RWCollectable* roots[] = {&graph.root, &outer, &plain, &graph.n1, &RWNullObjectInstance};
  for (const RWCollectable* root : roots) {
    const uint32_t count = root->StoredByteCount();
    EXPECT_EQ(count, Save(PersistenceForm::File, root).size());
  }
  // Nested under an outer operation the marker is not counted, and an
  // object already entered costs a back reference.
  const size_t written = Save(PersistenceForm::File, &plain).size();
  RWStoreTableGuard guard;
  EXPECT_EQ(plain.StoredByteCount(), written - 4);
  EXPECT_EQ(plain.StoredByteCount(), 6u);
}

TEST_F(RWPersistenceTest, SuccessiveOutermostSavesAreIndependent) {
  TestNode node(4);
  node.link = &node;
  {
    RWBinaryFile file(kPersistencePath, "wb+");
    node.WriteToFile(file);
    node.WriteToFile(file);
  }
  const std::string one = PersistenceBytes({0x88, 0x88, 0, 0, 0x0D, 0x03, 4, 0, 0, 0, 0xFF, 0xFF, 1, 0, 0, 0});
  EXPECT_EQ(w32test::FileContents(kPersistenceWidePath).value_or(""), one + one);
  RWBinaryFile file(kPersistencePath, "rb");
  RWCollectable* first = nullptr;
  RWCollectable* second = nullptr;
  RWReadObjectPointerFromFile(file, first);
  RWReadObjectPointerFromFile(file, second);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(static_cast<TestNode*>(second)->link, second);
  RWCollectable* third = nullptr;
  RWReadObjectPointerFromFile(file, third);  // the end: no object, no failure
  EXPECT_EQ(third, nullptr);
  EXPECT_EQ(RWReadTableGuard::LastFailureText(), "");
  delete first;
  delete second;
}

TEST_F(RWPersistenceTest, VirtualStreamEndingAfterAnObjectYieldsNoObjectAndNoFailure) {
  TestLeaf leaf(3);
  for (PersistenceForm form : {PersistenceForm::Portable, PersistenceForm::Binary, PersistenceForm::Endian}) {
    SCOPED_TRACE(PersistenceFormName(form));
    const std::string bytes = Save(form, &leaf);
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
    std::unique_ptr<RWVirtualInStream> in;
    if (form == PersistenceForm::Portable) in = std::make_unique<RWPortableInStream>(&buffer);
    if (form == PersistenceForm::Binary) in = std::make_unique<RWBinaryInStream>(&buffer);
    if (form == PersistenceForm::Endian) in = std::make_unique<RWEndianInStream>(&buffer);
    RWCollectable* first = RWReadObjectInto(*in, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(in->Good());
    const int32_t before = in->ReadState();
    RWCollectable* none = nullptr;
    RWReadObjectPointer(*in, none);
    EXPECT_EQ(none, nullptr);
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(RWReadTableGuard::LastFailureText(), "");
    // A stream that is not good is not read at all.
    in->Clear(before | RW_STREAM_FAIL);
    RWCollectable* untouched = nullptr;
    RWReadObjectPointer(*in, untouched);
    EXPECT_EQ(untouched, nullptr);
    delete first;
  }
}

TEST_F(RWPersistenceTest, ReadIntoAnExistingObjectFillsItInPlace) {
  TestNode stored(6);
  stored.link = &stored;
  for (PersistenceForm form : kAllForms) {
    SCOPED_TRACE(PersistenceFormName(form));
    const std::string bytes = Save(form, &stored);
    TestNode target;
    RWCollectable* result = nullptr;
    if (form == PersistenceForm::File) {
      ASSERT_TRUE(w32test::PutFile(kPersistenceWidePath, bytes));
      RWBinaryFile file(kPersistencePath, "rb");
      result = RWReadObjectIntoFromFile(file, &target);
    } else {
      RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
      std::unique_ptr<RWVirtualInStream> in;
      if (form == PersistenceForm::Portable) in = std::make_unique<RWPortableInStream>(&buffer);
      if (form == PersistenceForm::Binary) in = std::make_unique<RWBinaryInStream>(&buffer);
      if (form == PersistenceForm::Endian) in = std::make_unique<RWEndianInStream>(&buffer);
      result = RWReadObjectInto(*in, &target);
    }
    EXPECT_EQ(result, &target);
    EXPECT_EQ(target.value, 6);
    EXPECT_EQ(target.link, &target);  // the back reference names the existing object
  }
}

TEST_F(RWPersistenceTest, ThreadsKeepTheirOwnTables) {
  // Each thread saves and restores its own graphs in memory at the same
  // time; a shared table would number one thread's objects in the other's
  // save.
  auto work = [](int seed, bool* ok) {
    *ok = true;
    for (int round = 0; round < 50; ++round) {
      TestNode a(seed + round), b(seed - round, &a);
      a.link = &b;
      std::stringbuf buffer;
      {
        RWBinaryOutStream out(&buffer);
        RWWriteObjectPointer(out, &a);
      }
      const std::string bytes = buffer.str();
      RWMemoryStreamBuf in(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
      RWBinaryInStream stream(&in);
      RWCollectable* restored = nullptr;
      RWReadObjectPointer(stream, restored);
      auto* ra = dynamic_cast<TestNode*>(restored);
      auto* rb = ra != nullptr ? dynamic_cast<TestNode*>(ra->link) : nullptr;
      if (rb == nullptr || rb->link != ra || ra->value != seed + round || rb->value != seed - round) *ok = false;
      delete rb;
      delete ra;
    }
  };
  bool ok1 = false, ok2 = false;
  std::thread t1(work, 1000, &ok1);
  std::thread t2(work, 5000, &ok2);
  t1.join();
  t2.join();
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
}

// ---- Collections ----

TEST_F(RWPersistenceTest, StackRestoresTopFirstWithoutEmptyingFirst) {
  TestLeaf a(1), b(2), c(3);
  RWSlistCollectablesStack stack;
  stack.Add(&a);
  stack.Add(&b);
  stack.Add(&c);
  for (PersistenceForm form : kAllForms) {
    SCOPED_TRACE(PersistenceFormName(form));
    Restored r = Restore(form, Save(form, &stack));
    auto* restored = dynamic_cast<RWSlistCollectablesStack*>(r.object);
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->Count(), 3u);
    EXPECT_EQ(static_cast<TestLeaf*>(restored->At(0))->value, 3);
    EXPECT_EQ(static_cast<TestLeaf*>(restored->At(1))->value, 2);
    EXPECT_EQ(static_cast<TestLeaf*>(restored->At(2))->value, 1);
    DeleteGraph(r.object);
  }
  // Restored into a stack that holds an element, the stored ones follow it;
  // a list is emptied first.
  TestLeaf x(9);
  const std::string bytes = Save(PersistenceForm::File, &stack);
  for (bool isStack : {true, false}) {
    std::unique_ptr<RWSlistCollectables> target;
    if (isStack) {
      target = std::make_unique<RWSlistCollectablesStack>();
    } else {
      target = std::make_unique<RWSlistCollectables>();
    }
    target->Add(&x);
    ASSERT_TRUE(w32test::PutFile(kPersistenceWidePath, bytes));
    RWBinaryFile file(kPersistencePath, "rb");
    EXPECT_EQ(RWReadObjectIntoFromFile(file, target.get()), target.get());
    ASSERT_EQ(target->Count(), isStack ? 4u : 3u);
    if (isStack) {
      EXPECT_EQ(target->At(0), &x);
    }
    EXPECT_EQ(static_cast<TestLeaf*>(target->At(isStack ? 1 : 0))->value, 3);
    target->RemoveEqual(&x);
    target->RemoveAndDeleteAll();
  }
}

TEST_F(RWPersistenceTest, SetRestoreGoesThroughAddAndSkipsNulls) {
  TestLeaf a(1);
  RWSlistCollectables list;
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&a);
  // The stored elements of the list, read back as a set: the set's Add
  // drops the second a and the null.
  std::string bytes = Save(PersistenceForm::File, &list);
  bytes[4] = 0x2B;  // the class id of RWSet
  bytes[5] = 0x80;
  Restored r = Restore(PersistenceForm::File, bytes);
  auto* set = dynamic_cast<RWSet*>(r.object);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Count(), 1u);
  DeleteGraph(r.object);
}

TEST_F(RWPersistenceTest, CollectionsThatHoldThemselvesCompareAndRestoreWithoutEndlessRecursion) {
  // A stored set holding itself three times: each Add compares the set
  // with itself.
  Restored r = Restore(PersistenceForm::Portable, ":32811\n\\[3\n@1\n@1\n@1\n\\]");
  auto* set = dynamic_cast<RWSet*>(r.object);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Count(), 1u);
  set->RemoveAll();
  delete set;
  // Two lists and two sets, each holding itself: comparing them ends.
  RWSlistCollectables l1, l2;
  l1.Add(&l1);
  l2.Add(&l2);
  EXPECT_TRUE(l1.IsEqual(&l1));
  EXPECT_FALSE(l1.IsEqual(&l2));
  RWSet s1, s2;
  s1.Add(&s1);
  s2.Add(&s2);
  EXPECT_FALSE(s1.IsEqual(&s2));
}

// ---- Damaged input ----

// Every shorter prefix of a valid graph fails cleanly in every form: no
// object, nothing left allocated, nothing raised to the handler.
TEST_F(RWPersistenceTest, TruncationAtEveryCutPointFailsCleanly) {
  Graph graph;
  for (PersistenceForm form : kAllForms) {
    SCOPED_TRACE(PersistenceFormName(form));
    const std::string bytes = Save(form, &graph.root);
    for (size_t cut = PayloadStart(form); cut < bytes.size(); ++cut) {
      SCOPED_TRACE(cut);
      Restored r = Restore(form, bytes.substr(0, cut));
      EXPECT_EQ(r.object, nullptr);
      // Up to the first value the input simply holds no object.
      const bool empty = form == PersistenceForm::File ? cut < 4 : cut == PayloadStart(form);
      if (!empty) {
        EXPECT_NE(r.failure, "");
        EXPECT_TRUE(r.inputFailed);
      }
    }
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

struct PersistenceDamageCase {
  const char* name;
  std::string bytes;   // file form
  const char* failure;  // the start of the failure text
};

TEST_F(RWPersistenceTest, DamagedFilesFailWithTheirError) {
  const std::string marker = PersistenceBytes({0x88, 0x88, 0, 0});
  const PersistenceDamageCase cases[] = {
      {"bad magic", PersistenceBytes({0x34, 0x12, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}),
       "[MAGIC] Bad magic number: 4660 (should be 34952)"},
      {"unknown class id", marker + PersistenceBytes({0x39, 0x30}),
       "[NOCREATE] RWFactory: no create function for class with ID 12345 (0x3039)"},
      {"unknown string id", marker + PersistenceBytes({0x8F, 0x88, 3, 0, 0, 0, 'N', 'o', 'X'}), "[NOCREATE]"},
      {"back reference at the count", marker + PersistenceBytes({0xFF, 0xFF, 1, 0, 0, 0}), "[REF]"},
      {"back reference far out", marker + PersistenceBytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "[REF]"},
      {"string index on the null slot", marker + PersistenceBytes({0x8E, 0x88, 0, 0, 0, 0}), "[REF]"},
      // A list whose element names the list's own slot as a class.
      {"string index on an object slot", marker + PersistenceBytes({0x33, 0x80, 1, 0, 0, 0, 0x8E, 0x88, 1, 0, 0, 0}),
       "[REF]"},
      // A named object (slot 1, its class id in slot 2) whose link refers
      // back to slot 2 as if it were an object.
      {"back reference to a class slot",
       marker + PersistenceBytes({0x8F, 0x88, 9, 0, 0, 0, 'T', 'e', 's', 't', 'N', 'a', 'm', 'e', 'd', 1, 0, 0, 0, 0xFF,
                       0xFF, 2, 0, 0, 0}),
       "[REF]"},
      {"string id longer than the file", marker + PersistenceBytes({0x8F, 0x88, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b'}), "[EOF]"},
      // A list claiming four billion elements, holding one.
      {"huge element count", marker + PersistenceBytes({0x33, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), "[EOF]"},
  };
  for (const PersistenceDamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restored r = Restore(PersistenceForm::File, c.bytes);
    EXPECT_EQ(r.object, nullptr);
    EXPECT_EQ(r.failure.substr(0, std::strlen(c.failure)), c.failure);
    EXPECT_TRUE(r.inputFailed);
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWPersistenceTest, DamagedVirtualStreamsFailWithTheFailBit) {
  const struct {
    const char* name;
    std::string text;
    const char* failure;
  } cases[] = {
      {"unknown mark", "x", "[STREAM]"},
      {"brace missing", ":782\n7\n", "[STREAM]"},
      {"unknown class", ":12345\n\\[\\]", "[NOCREATE]"},
      {"back reference at the count", "@1\n", "[REF]"},
      {"negative back reference", "@-1\n", "[REF]"},
      {"string id without quotes", ":34959\n3\nabc", "[SYNSTREAM]"},
      {"string id of a huge length", ":34959\n4294967280\n\"ab\"", "[STREAM]"},
      {"string index on an object", ":32819\n\\[1\n:34958\n1\n\\[\\]\\]", "[REF]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restored r = Restore(PersistenceForm::Portable, c.text);
    EXPECT_EQ(r.object, nullptr);
    EXPECT_EQ(r.failure.substr(0, std::strlen(c.failure)), c.failure);
    EXPECT_TRUE(r.inputFailed);
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWPersistenceTest, DeepNestingFailsInsteadOfExhaustingTheStack) {
  // Lists nested a hundred thousand deep, each holding the next.
  std::string bytes = PersistenceBytes({0x88, 0x88, 0, 0});
  for (int i = 0; i < 100000; ++i) bytes += PersistenceBytes({0x33, 0x80, 1, 0, 0, 0});
  bytes += PersistenceBytes({0xFF, 0xFF, 0, 0, 0, 0});
  Restored r = Restore(PersistenceForm::File, bytes);
  EXPECT_EQ(r.object, nullptr);
  EXPECT_EQ(r.failure, "[STREAM] Bad input stream");
}

TEST_F(RWPersistenceTest, FailedRestoreFreesWhatItCreatedButLeavesAdoptedObjectsToTheirOwners) {
  // An owner (which deletes its child) inside a list, cut before the list's
  // second element: the list and the owner are freed by the restore, the
  // child by the owner; LeakSanitizer and AddressSanitizer check both.
  TestOwner owner(new TestNode(1));
  TestLeaf leaf(2);
  RWSlistCollectables list;
  list.Add(&owner);
  list.Add(&leaf);
  for (PersistenceForm form : kAllForms) {
    SCOPED_TRACE(PersistenceFormName(form));
    const std::string bytes = Save(form, &list);
    Restored r = Restore(form, bytes.substr(0, bytes.size() - 3));
    EXPECT_EQ(r.object, nullptr);
    EXPECT_NE(r.failure, "");
  }
  // An existing object read into is never deleted.
  RWSlistCollectables target;
  const std::string bytes = Save(PersistenceForm::File, &list);
  ASSERT_TRUE(w32test::PutFile(kPersistenceWidePath, bytes.substr(0, bytes.size() - 3)));
  RWBinaryFile file(kPersistencePath, "rb");
  EXPECT_EQ(RWReadObjectIntoFromFile(file, &target), nullptr);
  EXPECT_TRUE(file.IsAtEnd() || file.HasError());
  // The elements it held at the failure were freed with the failed
  // restore; the caller discards what the list still points to.
  target.RemoveAll();
}

TEST_F(RWPersistenceTest, AnErrorThatEscapesARestoreStillFreesWhatItCreated) {
  // A body raising an error of its own (not one of damaged framing) goes to
  // the handler as always; a handler that throws unwinds the restore, which
  // frees the list it had created.
  TestLeaf bad(-2);
  RWSlistCollectables list;
  list.Add(&bad);
  const std::string bytes = Save(PersistenceForm::File, &list);
  ASSERT_TRUE(w32test::PutFile(kPersistenceWidePath, bytes));
  RWBinaryFile file(kPersistencePath, "rb");
  RWCollectable* out = nullptr;
  const std::string text = qvtest::RaisedText([&] { RWReadObjectPointerFromFile(file, out); });
  EXPECT_EQ(text.substr(0, 10), "[INDEXERR]");
  EXPECT_EQ(out, nullptr);
}

// ---- The error hook is scoped to restores ----

TEST(RWPersistenceHandler, ReferenceErrorsOutsideARestoreStillEndTheProcess) {
  EXPECT_EXIT(
      {
        RWReadTable table;
        RWCollectable* object = nullptr;
        table.ObjectAt(5, nullptr, object);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(RWPersistenceHandler, NoInterceptorIsLeftAfterARestore) {
  qvtest::ScopedPersistentTestClasses classes;
  const std::string bytes = "@7\n";
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
  RWPortableInStream in(&buffer);
  RWCollectable* out = nullptr;
  RWReadObjectPointer(in, out);
  EXPECT_EQ(RWReadTableGuard::LastFailureText(), "[REF] Bad persistence reference");
  EXPECT_EQ(RWSetThreadErrorInterceptor(nullptr), nullptr);
}

// ---- The tables ----

TEST(RWReadTable, GrowsFromThirtyByTheCollectionPolicyAndChecksReferences) {
  RWReadTable table;
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Capacity(), 30u);
  TestLeaf leaf;
  uint32_t index = 0;
  for (int i = 0; i < 29; ++i) ASSERT_TRUE(table.Append(index, RWReadTableEntry::ForObject(&leaf)));
  EXPECT_EQ(index, 29u);
  EXPECT_EQ(table.Capacity(), 30u);
  ASSERT_TRUE(table.Append(index, RWReadTableEntry::ForClassId(0x9001)));
  EXPECT_EQ(index, 30u);
  EXPECT_EQ(table.Capacity(), 60u);
  qvtest::ScopedErrorCapture capture;
  RWCollectable* object = &leaf;
  EXPECT_TRUE(table.ObjectAt(0, nullptr, object));
  EXPECT_EQ(object, nullptr);  // the null object
  EXPECT_TRUE(table.ObjectAt(29, &leaf, object));
  EXPECT_EQ(object, &leaf);
  RWClassID id = 0;
  EXPECT_TRUE(table.ClassIdAt(30, id));
  EXPECT_EQ(id, 0x9001);
  EXPECT_TRUE(capture.Texts().empty());
  TestLeaf other;
  EXPECT_FALSE(table.ObjectAt(31, nullptr, object));      // index = count
  EXPECT_FALSE(table.ObjectAt(30, nullptr, object));      // a class slot
  EXPECT_FALSE(table.ObjectAt(29, &other, object));       // not the expected object
  EXPECT_FALSE(table.ClassIdAt(29, id));                  // an object slot
  EXPECT_FALSE(table.ClassIdAt(0xFFFFFFFFu, id));
  EXPECT_EQ(capture.Texts(), std::vector<std::string>(5, "[REF] Bad persistence reference"));
}

TEST(RWStoreTable, NumbersObjectsAndStringIdsInOrderOfFirstEntry) {
  RWStoreTable table;
  TestLeaf a, b;
  uint32_t index = 99;
  EXPECT_FALSE(table.Enter(&RWNullObjectInstance, index));
  EXPECT_EQ(index, 0u);
  EXPECT_TRUE(table.Enter(&a, index));
  EXPECT_EQ(index, 1u);
  EXPECT_TRUE(table.EnterStringId(RWStringID("Name"), index));
  EXPECT_EQ(index, 2u);
  EXPECT_TRUE(table.EnterStringId(RWStringID("name"), index));  // case counts
  EXPECT_EQ(index, 3u);
  EXPECT_TRUE(table.Enter(&b, index));
  EXPECT_EQ(index, 4u);
  EXPECT_FALSE(table.Enter(&a, index));
  EXPECT_EQ(index, 1u);
  EXPECT_FALSE(table.EnterStringId(RWStringID("Name"), index));
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(table.Count(), 5u);
}

TEST(RWStoreTable, GuardsShareOneTablePerThreadUntilTheOutermostEnds) {
  RWStoreTable* outer = nullptr;
  {
    RWStoreTableGuard first;
    EXPECT_TRUE(first.IsTopLevel());
    outer = &first.Table();
    RWStoreTableGuard second;
    EXPECT_FALSE(second.IsTopLevel());
    EXPECT_EQ(&second.Table(), outer);
    std::thread([outer] {
      RWStoreTableGuard other;
      EXPECT_TRUE(other.IsTopLevel());
      EXPECT_NE(&other.Table(), outer);
    }).join();
  }
  RWStoreTableGuard again;
  EXPECT_TRUE(again.IsTopLevel());
}

}  // namespace
