// Records: keys, stored forms and sizes, copies, and the searches of plain,
// composite and proxy records against a store.
#include "model/GRecord.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "model/GCountedPtr.h"
#include "model/GRecordComposite.h"
#include "model/GRecordProxy.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "rw/RWReadTable.h"
#include "support/ModelTestClasses.h"
#include "support/RecordStoreTestSupport.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

using recordtest::Leaf;
using recordtest::OtherLeaf;
using recordtest::Path;
using recordtest::ValueOf;

namespace {

TEST(GRecordTest, KeyIsTheSerialInLowerCaseHexadecimal) {
  const struct {
    uint32_t serial;
    const char* key;
  } cases[] = {{42, "2a"}, {255, "ff"}, {1, "1"}, {0, "0"}, {0xFFFFFFFF, "ffffffff"}, {0x10, "10"}};
  for (const auto& c : cases) EXPECT_EQ(GRecord::KeyOf(c.serial), RWCString(c.key)) << c.serial;
  TestLeaf leaf(1, 9);
  leaf.SetSerial(42);
  GRecord record(leaf);
  EXPECT_EQ(record.GetKey(), RWCString("2a"));
  EXPECT_EQ(record.RecordClassId(), TestLeafClassId);
  EXPECT_EQ(record.FeatureId(), 9);
  EXPECT_EQ(record.HolderCount(), -1);
}

TEST(GRecordTest, CopiesAreUnheldAndShareOrCopyWhatTheyHold) {
  TestLeaf leaf(1, 9);
  GRecordRef child(new GRecord(leaf));
  GRecordComposite composite(leaf);
  composite.AddRecord(child);
  composite.AddRecord(GRecordRef());  // ignored
  std::unique_ptr<GRecordComposite> copy(composite.Clone());
  EXPECT_EQ(copy->HolderCount(), -1);
  EXPECT_EQ(copy->Serial(), composite.Serial());
  ASSERT_EQ(copy->GetChildCount(), 1);
  EXPECT_EQ(GRecordComposite::RecordAt(copy->Links().First()), child.Pointee());
  EXPECT_EQ(child->HolderCount(), 2);  // the handle and both lists

  GRecordProxy proxy(leaf);
  std::unique_ptr<GRecordProxy> proxyCopy(proxy.Clone());
  ASSERT_NE(proxyCopy->Held(), nullptr);
  EXPECT_NE(proxyCopy->Held(), proxy.Held());
  EXPECT_TRUE(proxyCopy->Held()->Matches(proxy.Held()));
}

// Saves the record, reads it back and compares the tree of records.
void ExpectSameRecords(const GRecord& a, const GRecord& b) {
  EXPECT_EQ(a.ClassId(), b.ClassId());
  EXPECT_EQ(a.RecordClassId(), b.RecordClassId());
  EXPECT_EQ(a.Serial(), b.Serial());
  EXPECT_EQ(a.FeatureId(), b.FeatureId());
  auto* pa = dynamic_cast<const GRecordProxy*>(&a);
  auto* pb = dynamic_cast<const GRecordProxy*>(&b);
  if (pa != nullptr && pb != nullptr) {
    ASSERT_EQ(pa->Held() == nullptr, pb->Held() == nullptr);
    if (pa->Held() != nullptr) {
      EXPECT_TRUE(pa->Held()->Matches(pb->Held()));
    }
  }
  auto* ca = const_cast<GRecord&>(a).AsComposite();
  auto* cb = const_cast<GRecord&>(b).AsComposite();
  ASSERT_EQ(ca == nullptr, cb == nullptr);
  if (ca == nullptr) return;
  ASSERT_EQ(ca->GetChildCount(), cb->GetChildCount());
  for (RWDlistLink *x = ca->Links().First(), *y = cb->Links().First(); x != ca->Links().Tail();
       x = x->next, y = y->next) {
    ExpectSameRecords(*GRecordComposite::RecordAt(x), *GRecordComposite::RecordAt(y));
  }
}

RWCollectable* ReadBack(const std::string& bytes, qvtest::ModelForm form) {
  RWCollectable* object = nullptr;
  if (form == qvtest::ModelForm::kFile) {
    w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    RWReadObjectPointerFromFile(file, object);
  } else if (form == qvtest::ModelForm::kPortableText) {
    std::istringstream in(bytes);
    RWPortableInStream stream(in);
    RWReadObjectPointer(stream, object);
  } else {
    std::istringstream in(bytes, std::ios::binary);
    RWBinaryInStream stream(in);
    RWReadObjectPointer(stream, object);
  }
  return object;
}

TEST(GRecordTest, RecordsRoundTripAndTheirSizeIsWhatIsWritten) {
  TestLeaf a(1, 10), b(2, 20), c(3, 30);
  MPersistentComposite group(40);
  GRecordComposite root;  // an index: class 0, serial 0, id 0
  GRecordRef nested(new GRecordComposite(group));
  nested->AddRecord(GRecordRef(new GRecord(a)));
  nested->AddRecord(GRecordRef(new GRecordProxy(b)));
  root.AddRecord(nested);
  root.AddRecord(GRecordRef(new GRecord(c)));
  root.AddRecord(GRecordRef(new GRecordProxy()));  // no held object
  const GRecord* samples[] = {&root, nested.Pointee(), GRecordComposite::RecordAt(root.Links().Last())};
  for (const GRecord* sample : samples) {
    SCOPED_TRACE(sample->ClassId());
    qvtest::ExpectStoredByteCountIsWritten(*sample);
    for (qvtest::ModelForm form :
         {qvtest::ModelForm::kFile, qvtest::ModelForm::kPortableText, qvtest::ModelForm::kNativeBinary}) {
      SCOPED_TRACE(qvtest::ModelFormName(form));
      std::unique_ptr<RWCollectable> back(ReadBack(qvtest::SaveInForm(sample, form), form));
      auto* record = dynamic_cast<GRecord*>(back.get());
      ASSERT_NE(record, nullptr);
      ExpectSameRecords(*sample, *record);
    }
  }
  EXPECT_EQ(GRecord(a).MembersStoreSize(), 14u);
  EXPECT_EQ(GRecordProxy().MembersStoreSize(), 14u + 10u);
}

TEST(GRecordTest, RecordBodyOfAnotherVersionIsNotRead) {
  // A GRecord body of version 2 leaves the fields as constructed.
  std::string bytes = qvtest::StoredBytes().Marker().U16(GRecordClassId).U32(2).Bytes();
  std::unique_ptr<RWCollectable> back(ReadBack(bytes, qvtest::ModelForm::kFile));
  auto* record = dynamic_cast<GRecord*>(back.get());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Serial(), 0u);
  EXPECT_EQ(record->RecordClassId(), 0);
}

// ---- Searches against a store ----

class RecordSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recordtest::MakeRecordsFolder();
    const std::string name = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".dat";
    store_.Assign(GCountedRef(new MPersistentCompositeOnDiskImp(RWCString(Path(name).c_str()), 0)));
  }
  MPersistentCompositeOnDiskImp& Store() { return *static_cast<MPersistentCompositeOnDiskImp*>(store_.Pointee()); }
  GRecord& IndexRecord(int i) {
    return *GRecordComposite::RecordAt(Store().Index().Links().LinkAt(static_cast<size_t>(i)));
  }

  GCountedRef store_;
};

TEST_F(RecordSearchTest, CompositeRecordTakesAChildByClassAndDropsItsRecord) {
  auto* composite = new MPersistentComposite(1);
  composite->AddChild(new TestLeaf(5, 50));
  composite->AddChild(new TestOtherLeaf(7, 70));
  store_->AddChildHandle(GCountedRef(composite));
  GRecord& record = IndexRecord(0);
  GCountedRef out;
  record.TakeByClass(out, TestOtherLeafClassId, Store());
  EXPECT_EQ(ValueOf(out), 7);
  EXPECT_EQ(record.AsComposite()->GetChildCount(), 1);
  record.TakeByClass(out, TestOtherLeafClassId, Store());
  EXPECT_TRUE(out.IsEmpty());
  // A plain record answers for itself only.
  GRecord& child = *GRecordComposite::RecordAt(record.AsComposite()->Links().First());
  child.PeekById(out, 51, Store());
  EXPECT_TRUE(out.IsEmpty());
  child.PeekById(out, 50, Store());
  EXPECT_EQ(ValueOf(out), 5);
  EXPECT_EQ(child.GetRecordCount(), 1);
  EXPECT_EQ(child.AsComposite(), nullptr);
}

TEST_F(RecordSearchTest, RecordCountsCountStoredObjects) {
  store_->AddChildHandle(Leaf(1, 1));
  auto* composite = new MPersistentComposite(2);
  for (int i = 0; i < 3; ++i) composite->AddChild(new TestLeaf(i, 10 + i));
  store_->AddChildHandle(GCountedRef(composite));
  EXPECT_EQ(Store().Index().GetRecordCount(), 4);
  EXPECT_EQ(Store().Index().GetChildCount(), 2);
  EXPECT_EQ(IndexRecord(1).GetRecordCount(), 3);
}

// The index's own record is never an answer: an object stored with serial 0
// has the index's key, and id 0 is the index's own id.
TEST_F(RecordSearchTest, IndexNeverAnswersForItself) {
  GCountedRef zero = Leaf(3, 0);
  zero->ClearSerials();
  store_->AddChildHandle(Leaf(1, 5));
  store_->AddChildHandle(zero);
  GCountedRef out;
  store_->HandleById(out, 0);
  EXPECT_EQ(ValueOf(out), 3);
  store_->RemoveChildHandleById(out, 0);
  EXPECT_EQ(ValueOf(out), 3);
  EXPECT_EQ(store_->GetEntryCount(), 1);
  store_->HandleById(out, 5);
  EXPECT_EQ(ValueOf(out), 1);
}

TEST_F(RecordSearchTest, ProxyAnswersForItselfThenForItsComposite) {
  MPersistentCompositeOnDisk inner(recordtest::WideName("ProxyInner.dat"), 0, 8);
  GCountedRef innerLeaf = Leaf(4, 44);
  inner.AddChildHandle(innerLeaf);
  GCountedRef innerHandle(inner.Clone());
  store_->AddChildHandle(innerHandle);
  GRecord& proxy = IndexRecord(0);
  ASSERT_EQ(proxy.ClassId(), GRecordProxyClassId);
  EXPECT_EQ(proxy.GetRecordCount(), 1);

  GCountedRef out;
  proxy.PeekMatching(out, innerHandle.Pointee(), Store());
  ASSERT_FALSE(out.IsEmpty());
  EXPECT_EQ(out->ClassId(), MPersistentCompositeOnDiskClassId);
  out.Assign(GCountedRef());
  proxy.PeekMatching(out, innerLeaf.Pointee(), Store());
  EXPECT_EQ(ValueOf(out), 4);
  // Replacing by a matching object never goes through a proxy.
  EXPECT_EQ(proxy.ReplaceMatching(innerLeaf.Pointee(), Leaf(5), Store()), 0);
  EXPECT_EQ(proxy.ReplaceById(44, Leaf(6, 46), Store()), 1);
  proxy.TakeById(out, 46, Store());
  EXPECT_EQ(ValueOf(out), 6);
  EXPECT_EQ(inner.GetEntryCount(), 0);
  // An unheld object is looked for by its serial without being taken over.
  TestLeaf probe(0, 0);
  proxy.TakeMatching(out, &probe, Store());
  EXPECT_TRUE(out.IsEmpty());
  innerHandle.Assign(GCountedRef());
  store_.Assign(GCountedRef());
  inner.Close();
}

}  // namespace
