// Storing and reading back graphs of model objects: round trips through the
// four stored forms, the store-size table over every registered class, and
// damaged or hostile inputs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GBinaryData.h"
#include "model/GBookletComposite.h"
#include "model/GCapabilities.h"
#include "model/GColorAttributes.h"
#include "model/GLocaleInfo.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GDisplayString.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GDownloadHeaderCommand.h"
#include "model/GCommandComposite.h"
#include "model/GErrorCommand.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GEnumAttribute.h"
#include "model/GFormToTrayAssociation.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GGraphicBundle.h"
#include "model/GMarginPool.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GOptMediaComposite.h"
#include "model/GPMDVersionInfo.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "model/GRangeAttribute.h"
#include "model/GRecord.h"
#include "model/GRecordComposite.h"
#include "model/GRecordProxy.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GTray.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/MPersistentIterator.h"
#include "model/ModelClasses.h"
#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kModelPersistenceRoot = 100;
const int32_t kLeft = 200;
const int32_t kRight = 300;
const int32_t kShared = 5;
const int32_t kOwn = 6;

// root(100) { left(200){ shared(5), own(6) }, right(300){ shared(5) }, shared(5) }
// The shared leaf sits in three places, so it is written once and referred
// to twice.
std::unique_ptr<MPersistentComposite> MakeGraph(TestLeaf** shared = nullptr) {
  auto root = std::make_unique<MPersistentComposite>(kModelPersistenceRoot);
  auto* left = new MPersistentComposite(kLeft);
  auto* right = new MPersistentComposite(kRight);
  auto* leaf = new TestLeaf(55, kShared);
  left->AddChild(leaf);
  left->AddChild(new TestLeaf(66, kOwn));
  right->AddChild(leaf);
  root->AddChild(left);
  root->AddChild(right);
  root->AddChild(leaf);
  if (shared != nullptr) *shared = leaf;
  return root;
}

// A container of attributes with a nested container and an attribute held
// in two places.
GAttributeComposite* MakeAttributeTree(GAttributeComposite* root) {
  auto* nested = new GState(&kLeft);
  auto* shared = new GStringAttribute("shared", &kShared);
  nested->AddChild(shared);
  nested->AddChild(new GValueAttribute(3, &kOwn));
  root->AddChild(nested);
  root->AddChild(shared);
  root->AddChild(new GDisplayStringAttribute(&kRight, 4, "Tray", ""));
  return root;
}

class ModelPersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLeaf::live; }
  void TearDown() override { EXPECT_EQ(TestLeaf::live, live_) << "test leaves leaked or deleted twice"; }

 private:
  int live_ = 0;
};

TEST_F(ModelPersistenceTest, AGraphWithSharedChildrenRoundTripsInEveryForm) {
  TestLeaf* shared = nullptr;
  auto graph = MakeGraph(&shared);
  qvtest::ExpectRoundTripsInAllForms(*graph);

  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(graph.get(), form), form);
    ASSERT_NE(read.object, nullptr);
    std::unique_ptr<MPersistentObject> copy(read.object);
    // Identity survives: the three places hold one object, three times.
    MPersistentObject* left = copy->FindById(kLeft);
    MPersistentObject* right = copy->FindById(kRight);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    MPersistentObject* leaf = left->FindById(kShared);
    EXPECT_EQ(right->FindById(kShared), leaf);
    EXPECT_EQ(leaf->HolderCount(), 2);
    EXPECT_EQ(leaf->GetSerial(), shared->GetSerial());
    EXPECT_EQ(copy->GetSerial(), graph->GetSerial());
    EXPECT_EQ(copy->HolderCount(), -1);
  }
}

TEST_F(ModelPersistenceTest, TheFileFormOfACompositeIsBaseVersionCountAndChildren) {
  MPersistentComposite composite(kModelPersistenceRoot);
  composite.SetSerial(9);
  auto* leaf = new TestLeaf(1, kOwn);
  leaf->SetSerial(10);
  composite.AddChild(leaf);
  composite.AddChild(leaf);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(MPersistentCompositeClassId)
                                   .Base(kModelPersistenceRoot, 9)
                                   .U32(1)  // version
                                   .U32(2)  // count
                                   .U16(TestLeafClassId)
                                   .Base(kOwn, 10)
                                   .U32(1)
                                   .U32(1)
                                   .Ref(2)  // the same leaf again
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&composite, ModelForm::kFile), expected);
}

// ---- Store sizes ----

GMedia* SampleMedium() {
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6400);
  const GShortPoint origin(100, 100);
  return new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &kModelPersistenceRoot, 0, "", "Plain");
}

// A device font list with two fonts and both maps.
GDeviceFontList* MakeFontList() {
  static const int32_t noId = 0;
  auto* list = new GDeviceFontList(416);
  GDeviceFontDescription::SymbolSetVector sets(64);
  sets.Append(277);
  list->AddFont(GDeviceFontDescription(RWCString("Mono"), RWCString("(s0T"), 277, sets, 400, 0, 16, 1, 1, 12, 3, 4));
  list->AddFont(GDeviceFontDescription());
  list->SetStamp(9);
  auto* first = new MAssociationList;
  first->Add(new MPersistentAssociation(new GPersistableULong(3), new GStringAttribute("(3@", &noId), noId));
  list->SetFirstMap(first);
  list->SetSecondMap(new MAssociationList);
  return list;
}

// One populated sample per registered class. A class added to
// RegisterModelClasses adds its sample here.
struct StoreSizeSample {
  RWClassID id;
  std::function<RWCollectable*()> make;
};

std::vector<StoreSizeSample> StoreSizeSamples() {
  return {
      {MPersistentCompositeClassId, [] { return MakeGraph().release(); }},
      {GCountedPtrClassId, [] { return new GCountedPtr(MakeGraph().release()); }},
      {GValueAttributeClassId, [] { return new GValueAttribute(-5, &kOwn); }},
      {GValue32AttributeClassId, [] { return new GValue32Attribute(100000, &kOwn); }},
      {GStringAttributeClassId, [] { return new GStringAttribute("Letter", &kOwn); }},
      {GDisplayStringClassId, [] { return new GDisplayString(12, "Tray 1", "qvres.dll"); }},
      {GDisplayStringAttributeClassId, [] { return new GDisplayStringAttribute(&kOwn, 12, "Tray 1", "qvres.dll"); }},
      {GAttributeCompositeClassId, [] { return MakeAttributeTree(new GAttributeComposite(&kModelPersistenceRoot)); }},
      {GStateClassId, [] { return MakeAttributeTree(new GState(&kModelPersistenceRoot)); }},
      {GGraphicBundleClassId, [] { return MakeAttributeTree(new GGraphicBundle); }},
      {GEnumAttributeClassId,
       [] {
         auto* e = new GEnumAttribute(&kModelPersistenceRoot);
         for (int16_t v : {1, 2, 3}) e->AddChild(new GValueAttribute(v, &kOwn));
         e->SelectNext();
         return e;
       }},
      {GRangeAttributeClassId, [] { return new GRangeAttribute(0, 10, 2, 4, &kOwn); }},
      {GOptMediaCompositeClassId,
       [] {
         auto* list = new GOptMediaComposite(4, 1);
         list->AddOption(7);
         list->AddOption(8);
         return list;
       }},
      {GBookletCompositeClassId,
       [] {
         auto* list = new GBookletComposite(2, 0);
         list->AddOptionPair(1, 2);
         return list;
       }},
      {MPersistentAssociationClassId,
       [] { return new MPersistentAssociation(new TestLeaf(1, kOwn), new GSelectionString("v", 2, kOwn), kOwn); }},
      {MAssociationListClassId,
       [] {
         auto* list = new MAssociationList(kModelPersistenceRoot);
         list->Add(new MPersistentAssociation(new GPersistableULong(1), MakeGraph().release(), kOwn));
         list->Add(new MPersistentAssociation(new GPersistableULong(2), nullptr, kOwn));
         return list;
       }},
      {GBinaryDataClassId, [] { return new GBinaryData(new unsigned char[5](), 5, 1, kOwn); }},
      {GSelectionStringClassId, [] { return new GSelectionString("Upper tray", 7, kOwn); }},
      {GPMDVersionInfoClassId,
       [] {
         auto* info = new GPMDVersionInfo(0x00010002, 0x00030004, 5, kOwn);
         info->AddString("");
         info->AddString("data");
         return info;
       }},
      {GPersistableLongClassId, [] { return new GPersistableLong(-7); }},
      {GPersistableULongClassId, [] { return new GPersistableULong(7); }},
      {GResourceMappingClassId, [] { return new GResourceMapping(1000, 1, 28, kOwn); }},
      {GResourceMappingListClassId,
       [] {
         auto* list = new GResourceMappingList(kModelPersistenceRoot);
         list->AddIfNew(new GResourceMapping(1000, 1, 28, kOwn));
         list->AddIfNew(new GResourceMapping(1001, 2, 29, kOwn));
         return list;
       }},
      {GCapabilitiesClassId, [] { return new GCapabilities(kOwn, 13, 12); }},
      {GConfigurationClassId,
       [] {
         // A capability set shared by the root and a nested configuration.
         auto* config = new GConfiguration(kModelPersistenceRoot);
         auto* caps = new GCapabilities(kOwn, 9, 8);
         config->AddChild(caps);
         config->AddChild(MakeGraph().release());
         auto* nested = new GConfiguration(kLeft);
         nested->AddChild(caps);
         config->AddChild(nested);
         return config;
       }},
      {GTintwrightAttributeClassId, [] { return new GTintwrightAttribute(&kModelPersistenceRoot, 1, 2, 3, 4, 5, 6); }},
      {GTintwrightEnhancedAttributeClassId, [] { return new GTintwrightEnhancedAttribute(&kModelPersistenceRoot); }},
      {GTintwrightEnhancedAttributeVer2ClassId, [] { return new GTintwrightEnhancedAttributeVer2(&kModelPersistenceRoot); }},
      {GSRGBExtensionClassId, [] { return new GSRGBExtension(101, &kModelPersistenceRoot); }},
      {GEdgeControlClassId, [] { return new GEdgeControl(94, &kModelPersistenceRoot); }},
      {GSRGBColorClassId, [] { return new GSRGBColor(98, &kModelPersistenceRoot); }},
      {GHalftoneEnhancedClassId, [] { return new GHalftoneEnhanced(41, &kModelPersistenceRoot); }},
      {GHalftoneClassId, [] { return new GHalftone(41, &kModelPersistenceRoot); }},
      {GNeutralGraysClassId, [] { return new GNeutralGrays(80, &kModelPersistenceRoot); }},
      {GColorMapClassId, [] { return new GColorMap(15, &kModelPersistenceRoot); }},
      {GMediaClassId, [] { return SampleMedium(); }},
      {GTrayClassId,
       [] { return new GTray(5, "Tray1", 1, 0, 0, 250, 100, SampleMedium(), "Tray 1", "qvres.dll", &kModelPersistenceRoot); }},
      {GMediaPoolClassId,
       [] {
         auto* pool = new GMediaPool(&kModelPersistenceRoot);
         pool->AddChild(SampleMedium());
         return pool;
       }},
      {MPersistentCompositeOnDiskClassId,
       [] { return new MPersistentCompositeOnDisk(RWWString(u"C:\\ModelTests\\records.dat"), 0, kOwn); }},
      {MPersistentCompositeOnDiskImpClassId, [] { return new MPersistentCompositeOnDiskImp; }},
      {GRecordClassId, [] { return new GRecord(TestLeaf(1, kOwn)); }},
      {GRecordProxyClassId, [] { return new GRecordProxy(TestLeaf(1, kOwn)); }},
      {GRecordCompositeClassId,
       [] {
         auto* record = new GRecordComposite(MPersistentComposite(kModelPersistenceRoot));
         record->AddRecord(GRecordRef(new GRecord(TestLeaf(1, kOwn))));
         record->AddRecord(GRecordRef(new GRecordProxy(TestLeaf(2, kOwn))));
         return record;
       }},
      {GDeviceFontDescriptionClassId,
       [] {
         GDeviceFontDescription::SymbolSetVector sets(64);
         sets.Append(277);
         sets.Append(14);
         return new GDeviceFontDescription(RWCString("Mono"), RWCString("(s0T"), 277, sets, 400, 0, 16, 1, 1, 12, 3,
                                           4);
       }},
      {GMarginPoolClassId,
       [] {
         auto* pool = new GMarginPool;
         const int32_t record[16] = {6350, 4233, 6350, 4233};
         pool->Add(record);
         return pool;
       }},
      {GDeviceFontListClassId, [] { return MakeFontList(); }},
      {GDeviceFontListCompositeClassId,
       [] {
         auto* lists = new GDeviceFontListComposite;
         lists->Add(MakeFontList());
         lists->Add(MakeFontList());
         return lists;
       }},
      {GCustomMediaSizeClassId,
       [] {
         static const int32_t id = 777;
         return new GCustomMediaSize(16384, RWCString("Postcard"), 1, 100, 148, &id);
       }},
      {GBinClassId,
       [] {
         static const int32_t id = 0;
         return new GBin(12, RWCString("Face up"), 16, 1, 2, 250, -1, 0, 0, "Face-up bin", "qvres.dll", &id);
       }},
      {GPaperHandlingDeviceClassId,
       [] {
         static const int32_t id = 0;
         auto* device = new GPaperHandlingDevice(7, RWCString("Mailbox"), 1, 1, 0, 1, 1, "Mailbox", nullptr, &id);
         auto* option = new GAttributeComposite;
         option->AddChild(new GBin(RWCString("Bin 1"), 41, &id));
         device->SetOption(3, GCountedPtr(option));
         device->SetOption(19, GCountedPtr(option));
         device->SetOption(2, GCountedPtr(new GAttributeComposite));
         return device;
       }},
      {GFormToTrayDatabaseClassId,
       [] {
         static const int32_t id = 510;
         auto* database = new GFormToTrayDatabase(&id);
         database->AssignTrayWithForm(1, 1, 11102, "Letter");
         database->ResetTray(2);
         return database;
       }},
      {GFormToTrayAssociationClassId,
       [] { return new GFormToTrayAssociation(3, 9, 11104, RWWString(u"A4")); }},
      {GLocaleInfoClassId,
       [] {
         auto* info = new GLocaleInfo(kOwn);
         info->SetCountryName("Deutschland");
         info->SetAMSymbol("");
         return info;
       }},
      {GPassThroughCommandClassId,
       [] {
         static const uint8_t kBytes[] = {0x1B, 'E', 0x00, 0xFF};
         auto* command = new GPassThroughCommand(kBytes, sizeof kBytes, 767, &kOwn);
         command->SetSettings(new GState(&kModelPersistenceRoot));
         return command;
       }},
      {GDownloadHeaderCommandClassId, [] { return new GDownloadHeaderCommand(19, &kOwn); }},
      {GErrorCommandClassId,
       [] {
         // The failed command and the error share one settings object.
         auto* settings = new GState(&kModelPersistenceRoot);
         settings->AddChild(new GValueAttribute(3, &kLeft));
         auto* failed = new GDownloadHeaderCommand(2, &kOwn);
         failed->SetSettings(settings);
         auto* error = new GErrorCommand(601, failed);
         error->SetSettings(settings);
         return error;
       }},
      {GCommandCompositeClassId,
       [] {
         // A nested composite, and one member held twice (a back reference).
         auto* settings = new GState(&kModelPersistenceRoot);
         auto* composite = new GCommandComposite;
         composite->SetSettings(settings);
         auto* header = new GDownloadHeaderCommand(19, &kOwn);
         composite->AddChild(header);
         auto* inner = new GCommandComposite;
         inner->AddChild(new GDownloadHeaderCommand(2, &kOwn));
         inner->AddChild(header);
         composite->AddChild(inner);
         return composite;
       }},
  };
}

TEST_F(ModelPersistenceTest, StoredByteCountIsWhatTheFileFormWritesForEveryRegisteredClass) {
  std::set<RWClassID> sampled;
  for (const StoreSizeSample& sample : StoreSizeSamples()) {
    SCOPED_TRACE(sample.id);
    std::unique_ptr<RWCollectable> object(sample.make());
    ASSERT_EQ(object->ClassId(), sample.id);
    qvtest::ExpectStoredByteCountIsWritten(*object);
    sampled.insert(sample.id);
  }
  unsigned count = 0;
  const ModelClassEntry* classes = ModelClasses(&count);
  for (unsigned i = 0; i < count; ++i)
    EXPECT_EQ(sampled.count(classes[i].id), 1u) << classes[i].name << " has no store-size sample";
}

TEST_F(ModelPersistenceTest, StoreSizesCountEmptyChildrenAndBackReferences) {
  MPersistentComposite empty;
  EXPECT_EQ(empty.MembersStoreSize(), 20u);
  qvtest::ExpectStoredByteCountIsWritten(empty);

  // A child that appears twice is counted once in full, then as a 6-byte
  // back reference.
  MPersistentComposite twice;
  auto* leaf = new TestLeaf(1, kOwn);
  twice.AddChild(leaf);
  twice.AddChild(leaf);
  EXPECT_EQ(twice.MembersStoreSize(), 20u + (2 + leaf->MembersStoreSize()) + 6);
  qvtest::ExpectStoredByteCountIsWritten(twice);
}

// ---- Restoring ----

TEST_F(ModelPersistenceTest, RestoreBringsBackEveryChildWhateverAddChildAccepts) {
  TestRefusingComposite list;
  list.AddChild(new TestLeaf(1, kOwn));
  EXPECT_EQ(list.GetEntryCount(), 0);
  // Build the stored form by hand: the class refuses every AddChild.
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(TestRefusingCompositeClassId)
                                .Base(kModelPersistenceRoot, 3)
                                .U32(1)
                                .U32(2)
                                .U16(TestLeafClassId)
                                .Base(kOwn, 4)
                                .U32(1)
                                .U32(11)
                                .U16(TestLeafClassId)
                                .Base(kShared, 5)
                                .U32(1)
                                .U32(12)
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  std::unique_ptr<MPersistentObject> restored(read.object);
  EXPECT_EQ(restored->ClassId(), TestRefusingCompositeClassId);
  EXPECT_EQ(restored->GetEntryCount(), 2);
  qvtest::ExpectRoundTripsInAllForms(*restored);
}

TEST_F(ModelPersistenceTest, AnUnknownCompositeVersionLeavesTheChildren) {
  MPersistentComposite composite(kModelPersistenceRoot);
  composite.AddChild(new TestLeaf(1, kOwn));
  const std::string bytes = StoredBytes().Base(kLeft, 8).U32(2).U32(0).Bytes();
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  composite.RestoreMembersFromFile(file);
  EXPECT_EQ(composite.FeatureId(), kLeft);  // the base part was read
  EXPECT_EQ(composite.GetEntryCount(), 1);  // its own part was not
  uint32_t next = 7;
  EXPECT_TRUE(file.ReadULong(next));
  EXPECT_EQ(next, 0u);  // nothing after the version word was consumed
}

TEST_F(ModelPersistenceTest, AStoredNullChildIsAnEmptyPlaceThatEveryOperationSkips) {
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(MPersistentCompositeClassId)
                                .Base(kModelPersistenceRoot, 1)
                                .U32(1)
                                .U32(3)
                                .Ref(0)
                                .U16(TestLeafClassId)
                                .Base(kOwn, 2)
                                .U32(1)
                                .U32(7)
                                .Ref(0)
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  EXPECT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> root(read.object);
  EXPECT_EQ(root->GetEntryCount(), 3);
  EXPECT_EQ(root->GetNodeCount(), 2);
  EXPECT_NE(root->FindById(kOwn), nullptr);
  EXPECT_EQ(root->FindById(kShared), nullptr);
  EXPECT_EQ(root->RemoveChildById(kShared), nullptr);
  MPersistentComposite into;
  root->CollectById(kOwn, &into);
  EXPECT_EQ(into.GetEntryCount(), 1);
  root->ClearSerials();
  EXPECT_TRUE(root->Matches(root.get()));
  std::unique_ptr<MPersistentObject> deep(root->DeepCopy());
  EXPECT_EQ(deep->GetEntryCount(), 1);  // the copy leaves the empty places out
  EXPECT_FALSE(root->Matches(deep.get()));
  // The empty places are stored again as null objects.
  qvtest::ExpectRoundTripsInAllForms(*root);
  qvtest::ExpectStoredByteCountIsWritten(*root);
}

// ---- Damaged and hostile input ----

TEST_F(ModelPersistenceTest, EveryTruncationOfAGraphFailsCleanly) {
  auto graph = MakeGraph();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(graph.get(), form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      SCOPED_TRACE(length);
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      // Either nothing, or (a text form cut only in trailing layout) the
      // whole graph.
      if (read.object != nullptr) {
        EXPECT_FALSE(read.failed);
        EXPECT_TRUE(graph->Matches(read.object));
        delete read.object;
      }
    }
  }
}

TEST_F(ModelPersistenceTest, AHugeChildCountReservesNothingAndFailsAtTheEndOfInput) {
  for (uint32_t count : {0xFFFFFFFFu, 0x1FFFFFBFu, 3u}) {
    SCOPED_TRACE(count);
    StoredBytes bytes;
    bytes.Marker().U16(MPersistentCompositeClassId).Base(kModelPersistenceRoot, 1).U32(1).U32(count);
    for (int i = 0; i < 2; ++i) bytes.U16(TestLeafClassId).Base(kOwn, 2).U32(1).U32(i);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
  }
}

TEST_F(ModelPersistenceTest, ALongChildListIsReadInLinearSteps) {
  // 3000 children, most of them back references to the first: the list
  // grows with what is read, and the composite holds every place.
  const uint32_t count = 3000;
  StoredBytes bytes;
  bytes.Marker().U16(MPersistentCompositeClassId).Base(kModelPersistenceRoot, 1).U32(1).U32(count);
  bytes.U16(TestLeafClassId).Base(kOwn, 2).U32(1).U32(5);
  for (uint32_t i = 1; i < count; ++i) bytes.Ref(2);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  std::unique_ptr<MPersistentObject> root(read.object);
  EXPECT_EQ(root->GetEntryCount(), 3000);
  EXPECT_EQ(root->FindById(kOwn)->HolderCount(), 2999);
  auto* composite = root->AsComposite();
  EXPECT_LE(composite->Children().Capacity(), 2u * count);
}

// Hand-made graphs that refer back to an object whose body is still being
// read: a composite would hold itself or an ancestor.
struct CycleCase {
  const char* name;
  std::string bytes;
};

std::vector<CycleCase> CycleCases() {
  std::vector<CycleCase> cases;
  // root(index 1) holding itself.
  cases.push_back({"SelfReference", StoredBytes()
                                        .Marker()
                                        .U16(MPersistentCompositeClassId)
                                        .Base(kModelPersistenceRoot, 1)
                                        .U32(1)
                                        .U32(2)
                                        .U16(TestLeafClassId)
                                        .Base(kOwn, 2)
                                        .U32(1)
                                        .U32(0)
                                        .Ref(1)
                                        .Bytes()});
  // root(1) { inner(2) { leaf(3), @1 } }
  cases.push_back({"AncestorReference", StoredBytes()
                                            .Marker()
                                            .U16(MPersistentCompositeClassId)
                                            .Base(kModelPersistenceRoot, 1)
                                            .U32(1)
                                            .U32(1)
                                            .U16(MPersistentCompositeClassId)
                                            .Base(kLeft, 2)
                                            .U32(1)
                                            .U32(2)
                                            .U16(TestLeafClassId)
                                            .Base(kOwn, 3)
                                            .U32(1)
                                            .U32(0)
                                            .Ref(1)
                                            .Bytes()});
  return cases;
}

TEST_F(ModelPersistenceTest, AStoredCycleFailsTheRestoreAndFreesWhatItRead) {
  for (const CycleCase& c : CycleCases()) {
    SCOPED_TRACE(c.name);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(RWReadTableGuard::LastFailureText(), "[REF] Bad persistence reference");
  }
}

TEST_F(ModelPersistenceTest, AnObjectThatIsNoModelObjectIsRefusedAndFreed) {
  // A plain collectable (class 0x8007) where a child belongs.
  const std::string nested = StoredBytes()
                                 .Marker()
                                 .U16(MPersistentCompositeClassId)
                                 .Base(kModelPersistenceRoot, 1)
                                 .U32(1)
                                 .U32(2)
                                 .U16(TestLeafClassId)
                                 .Base(kOwn, 2)
                                 .U32(1)
                                 .U32(0)
                                 .U16(RWCollectableClassId)
                                 .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(nested, ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);

  // At the top of the graph.
  const std::string top = StoredBytes().Marker().U16(RWCollectableClassId).Bytes();
  read = qvtest::RestoreFromForm(top, ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);

  // A model object where a composite is wanted.
  w32test::PutFile(qvtest::ModelTestFilePathW(),
                   StoredBytes().Marker().U16(TestLeafClassId).Base(kOwn, 2).U32(1).U32(0).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  MPersistentComposite* composite = nullptr;
  file >> composite;
  EXPECT_EQ(composite, nullptr);
}

TEST_F(ModelPersistenceTest, AHandleWhosePointeeHoldsItselfIsRefused) {
  // GCountedPtr { composite(1) { @1 } } read into an existing handle.
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(GCountedPtrClassId)
                                .U16(MPersistentCompositeClassId)
                                .Base(kModelPersistenceRoot, 1)
                                .U32(1)
                                .U32(1)
                                .Ref(2)
                                .Bytes();
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  GCountedPtr handle(new TestLeaf(1, kOwn));
  RWReadObjectIntoFromFile(file, &handle);
  EXPECT_TRUE(file.IsAtEnd());
  EXPECT_TRUE(handle.IsEmpty());
  EXPECT_EQ(RWReadTableGuard::LastFailureText(), "[REF] Bad persistence reference");
}

}  // namespace
