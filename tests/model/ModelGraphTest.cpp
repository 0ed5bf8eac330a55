// A device configuration built from every kind of small model object
// (associations, records, mappings, capability sets, nested
// configurations), stored and read back in every form, and read from
// damaged and hostile inputs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GBinaryData.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GPMDVersionInfo.h"
#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kModelGraphRoot = 359;
const int32_t kFonts = 30;
const int32_t kSources = 31;
const int32_t kCaps = 32;
const int32_t kTray = 33;
const int32_t kModelGraphNoId = 0;

// root { caps, fonts{ 1 -> "Courier", 2 -> blob }, sources{ 3 mappings },
//        tray config { caps (shared), stacker name, version info }, -5 }
std::unique_ptr<GConfiguration> ModelGraphMakeDevice(GCapabilities** sharedCaps = nullptr) {
  auto root = std::make_unique<GConfiguration>(kModelGraphRoot);
  const uint32_t bits[] = {0, 7, 8, 63};
  auto* caps = new GCapabilities(kCaps, 64, bits, 4);
  root->AddChild(caps);

  auto* fonts = new MAssociationList(kFonts);
  fonts->Add(new MPersistentAssociation(new GPersistableULong(1), new GSelectionString("Courier", 10, kModelGraphNoId), kModelGraphNoId));
  fonts->Add(new MPersistentAssociation(new GPersistableULong(0xFFFFFFFF),
                                        new GBinaryData(new unsigned char[3]{0, 0x80, 0xFF}, 3, 1, kModelGraphNoId), kModelGraphNoId));
  root->AddChild(fonts);

  auto* sources = new GResourceMappingList(kSources);
  sources->AddIfNew(new GResourceMapping(1000, 1, 28, kModelGraphNoId));
  sources->AddIfNew(new GResourceMapping(1001, 2, 29, kModelGraphNoId));
  sources->AddIfNew(new GResourceMapping(1002, 257, 30, kModelGraphNoId));
  root->AddChild(sources);

  auto* tray = new GConfiguration(kTray);
  tray->AddChild(caps);
  tray->AddChild(new GSelectionString("Stacker", 260, kModelGraphNoId));
  auto* info = new GPMDVersionInfo(0x00010002, 0x00030004, 5, kModelGraphNoId);
  info->AddString("model data");
  tray->AddChild(info);
  root->AddChild(tray);
  root->AddChild(new GPersistableLong(-5));
  if (sharedCaps != nullptr) *sharedCaps = caps;
  return root;
}

TEST(ModelGraphTest, ADeviceConfigurationRoundTripsInEveryFormWithItsSharing) {
  GCapabilities* caps = nullptr;
  auto device = ModelGraphMakeDevice(&caps);
  ASSERT_EQ(device->GetEntryCount(), 5);
  qvtest::ExpectRoundTripsInAllForms(*device);
  qvtest::ExpectStoredByteCountIsWritten(*device);

  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(device.get(), form), form);
    ASSERT_NE(read.object, nullptr);
    std::unique_ptr<MPersistentObject> copy(read.object);
    // The capability set sits in two places and comes back as one object.
    MPersistentObject* rootCaps = copy->FindById(kCaps);
    MPersistentObject* tray = copy->FindById(kTray);
    ASSERT_NE(rootCaps, nullptr);
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->FindById(kCaps), rootCaps);
    EXPECT_EQ(rootCaps->HolderCount(), 1);
    EXPECT_EQ(static_cast<GCapabilities*>(rootCaps)->Has(63), 1);
    // The restored lists work as lists.
    auto* fonts = dynamic_cast<MAssociationList*>(copy->FindById(kFonts));
    ASSERT_NE(fonts, nullptr);
    GPersistableULong one(1);
    auto* courier = dynamic_cast<GSelectionString*>(fonts->GetValueFor(&one));
    ASSERT_NE(courier, nullptr);
    EXPECT_STREQ(courier->GetText().Data(), "Courier");
    auto* sources = dynamic_cast<GResourceMappingList*>(copy->FindById(kSources));
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->FindBySystemCode(257)->GetDeviceCode(), 30);
  }
}

TEST(ModelGraphTest, EveryTruncationFailsCleanly) {
  auto device = ModelGraphMakeDevice();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(device.get(), form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        // Only a text form cut in trailing layout may still read whole.
        EXPECT_FALSE(read.failed) << length;
        EXPECT_TRUE(device->Matches(read.object)) << length;
        delete read.object;
      }
    }
  }
}

TEST(ModelGraphTest, DamagedBytesNeverCrashOrLeak) {
  // Each byte of the file form replaced by 0 and by 0xFF. Whatever a
  // damaged graph reads as is freed with its root; the sanitizers watch for
  // over-reads, double deletes and leaks.
  auto device = ModelGraphMakeDevice();
  const std::string bytes = qvtest::SaveInForm(device.get(), ModelForm::kFile);
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (unsigned char value : {0x00, 0xFF}) {
      std::string damaged = bytes;
      if (static_cast<unsigned char>(damaged[i]) == value) continue;
      damaged[i] = static_cast<char>(value);
      qvtest::ModelRead read = qvtest::RestoreFromForm(damaged, ModelForm::kFile);
      if (read.object != nullptr) {
        // What did read must store and size consistently.
        qvtest::ExpectStoredByteCountIsWritten(*read.object);
        delete read.object;
      }
    }
  }
}

// ---- Hostile references around associations ----

// An association's stored key that is also a child elsewhere in the graph
// is one object with two holders: each lets go once.
TEST(ModelGraphTest, AKeySharedWithAnotherHolderIsDeletedOnce) {
  const int live = TestLeaf::live;
  {
    StoredBytes b;
    b.Marker().U16(MPersistentCompositeClassId).Base(kModelGraphRoot, 1).U32(1).U32(3);
    b.U16(TestLeafClassId).Base(kModelGraphNoId, 2).U32(1).U32(5);  // slot 2
    b.U16(MPersistentAssociationClassId).Base(kModelGraphNoId, 3).U32(1).Ref(2).Ref(2);
    b.U16(MPersistentAssociationClassId).Base(kModelGraphNoId, 4).U32(1).Ref(2).Ref(0);
    qvtest::ModelRead read = qvtest::RestoreFromForm(b.Bytes(), ModelForm::kFile);
    ASSERT_NE(read.object, nullptr);
    EXPECT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> root(read.object);
    MPersistentObject* leaf = root->FindById(kModelGraphNoId);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->HolderCount(), 3);  // the composite and three halves, minus one
    qvtest::ExpectRoundTripsInAllForms(*root);
  }
  EXPECT_EQ(TestLeaf::live, live);
}

struct ModelGraphHostileCase {
  const char* name;
  std::string bytes;
};

std::vector<ModelGraphHostileCase> HostileCases() {
  std::vector<ModelGraphHostileCase> cases;
  // A pair whose key is the pair itself.
  cases.push_back(
      {"PairHoldsItself",
       StoredBytes().Marker().U16(MPersistentAssociationClassId).Base(kModelGraphNoId, 1).U32(1).Ref(1).Ref(0).Bytes()});
  // list(1) { pair(2) { key leaf(3), value @1 } }: the pair would hold its list.
  cases.push_back({"PairHoldsItsList", StoredBytes()
                                           .Marker()
                                           .U16(MAssociationListClassId)
                                           .Base(kModelGraphNoId, 1)
                                           .U32(1)
                                           .U32(1)
                                           .U16(MPersistentAssociationClassId)
                                           .Base(kModelGraphNoId, 2)
                                           .U32(1)
                                           .U16(TestLeafClassId)
                                           .Base(kModelGraphNoId, 3)
                                           .U32(1)
                                           .U32(0)
                                           .Ref(1)
                                           .U32(1)
                                           .Bytes()});
  // config(1) { pair(2) { key config(3) { @2 } } }: a cycle through the key.
  cases.push_back({"CycleThroughAKey", StoredBytes()
                                           .Marker()
                                           .U16(GConfigurationClassId)
                                           .Base(kModelGraphNoId, 1)
                                           .U32(1)
                                           .U32(1)
                                           .U16(MPersistentAssociationClassId)
                                           .Base(kModelGraphNoId, 2)
                                           .U32(1)
                                           .U16(GConfigurationClassId)
                                           .Base(kModelGraphNoId, 3)
                                           .U32(1)
                                           .U32(1)
                                           .Ref(2)
                                           .U32(1)
                                           .Ref(0)
                                           .U32(1)
                                           .Bytes()});
  // A key that is no model object.
  cases.push_back({"KeyIsNoModelObject", StoredBytes()
                                             .Marker()
                                             .U16(MPersistentAssociationClassId)
                                             .Base(kModelGraphNoId, 1)
                                             .U32(1)
                                             .U16(RWCollectableClassId)
                                             .Ref(0)
                                             .Bytes()});
  return cases;
}

TEST(ModelGraphTest, HostileReferencesFailTheRestoreAndFreeWhatItRead) {
  const int live = TestLeaf::live;
  for (const ModelGraphHostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.name);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
    EXPECT_FALSE(RWReadTableGuard::LastFailureText().empty());
  }
  EXPECT_EQ(TestLeaf::live, live);
}

TEST(ModelGraphTest, TypedReadsRefuseAnotherClass) {
  GCapabilities caps(kCaps, 3, 1);
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), qvtest::SaveInForm(&caps, ModelForm::kFile));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    GConfiguration* config = nullptr;
    file >> config;
    EXPECT_EQ(config, nullptr);
  }
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    GCapabilities* read = nullptr;
    file >> read;
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->Matches(&caps));
    delete read;
  }
}

}  // namespace
