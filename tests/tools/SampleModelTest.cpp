// The sample device model that mkmodel writes: it restores to the expected
// tree, a driver instance answers from it as the model says, and damaged
// copies of the file fail cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "support/DriverInstanceTestSupport.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPersistInStream.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/MPersistentObject.h"
#include "printpath/GPrinter.h"

namespace {

std::vector<unsigned char> ReadSampleFile() {
  std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Restores one object from the bytes as the driver server does (binary
// stream form); null when the restore fails.
MPersistentObject* Restore(const std::vector<unsigned char>& bytes, size_t length) {
  GPersistInStream in(bytes.data(), length, 1);
  MPersistentObject* object = nullptr;
  if (in.GetStream() != nullptr) MPersistentObject::ReadPersistentObject(*in.GetStream(), object);
  return object;
}

// Takes the root's parts into the instance as the driver server does and
// deletes the rest.
void Install(MPersistentObject* root, qvtest::TestDriverInstance& instance) {
  instance.SetDeviceModel(root->RemoveChildById(353));
  instance.SetPaperMappings(root->RemoveChildById(191));
  instance.SetSourceMappings(root->RemoveChildById(84));
  instance.SetCapabilityMappings(root->RemoveChildById(194));
  delete root;
}

class SampleModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = ReadSampleFile();
    ASSERT_GT(bytes.size(), 100u) << QV_SAMPLE_MODEL_FILE;
  }
  std::vector<unsigned char> bytes;
};

TEST_F(SampleModelTest, RestoresToTheExpectedTree) {
  std::unique_ptr<MPersistentObject> root(Restore(bytes, bytes.size()));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassId(), 752u);

  // The root's direct children, in the order the driver server takes them.
  const int32_t rootIds[] = {353, 191, 84, 194};
  const RWClassID rootClasses[] = {770, 1005, 1005, 1005};
  MPersistentIterator* it = root->CreateIterator();
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(it->Advance());
    EXPECT_EQ(it->Current()->FeatureId(), rootIds[i]);
    EXPECT_EQ(it->Current()->ClassId(), rootClasses[i]);
  }
  EXPECT_FALSE(it->Advance());
  delete it;

  auto* printer = dynamic_cast<GPrinter*>(root->FindById(353)->FindById(76));
  ASSERT_NE(printer, nullptr);
  ASSERT_NE(printer->GetPjlChild(), nullptr);
  EXPECT_EQ(printer->GetPjlChild()->ClassId(), 769u);
  ASSERT_NE(printer->GetGeneratorChild(), nullptr);
  EXPECT_EQ(printer->GetGeneratorChild()->ClassId(), 788u);

  GConfiguration* configuration = printer->GetConfiguration();
  ASSERT_NE(configuration, nullptr);
  GConfiguration* generator = printer->GetGeneratorChild()->GetConfiguration();
  GConfiguration* pjl = printer->GetPjlChild()->GetConfiguration();
  ASSERT_NE(generator, nullptr);
  ASSERT_NE(pjl, nullptr);

  struct Expected {
    MPersistentObject* in;
    int32_t id;
    RWClassID classId;
  };
  const Expected expected[] = {
      {configuration, 359, 757}, {configuration, 365, 757}, {configuration, 276, 764},
      {configuration, 228, 757}, {configuration, 90, 757},   {configuration, 202, 762},
      {configuration, 189, 1006}, {configuration, 195, 1006}, {configuration, 112, 752},
      {configuration, 135, 1003}, {configuration, 206, 757},  {configuration, 192, 772},
      {configuration, 375, 757}, {configuration, 1132, 757}, {configuration, 339, 763},
      {configuration, 401, 776}, {configuration, 984, 763},  {generator, 85, 772},
      {generator, 202, 762},     {generator, 317, 763},      {pjl, 93, 772},
      {configuration, 313, 763}, {configuration, 314, 757},  {configuration, 230, 757},
      {configuration, 232, 762}, {configuration, 233, 762},  {configuration, 234, 762},
      {configuration, 236, 762}, {configuration, 700, 762},  {configuration->FindById(359), 364, 757},
  };
  for (const Expected& e : expected) {
    MPersistentObject* found = e.in->FindById(e.id);
    ASSERT_NE(found, nullptr) << "id " << e.id;
    EXPECT_EQ(found->ClassId(), e.classId) << "id " << e.id;
  }

  // Five paper-handling devices, two of them always present.
  int devices = 0;
  int fixed = 0;
  it = configuration->FindById(90)->CreateIterator();
  while (it->Advance()) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(it->Current());
    ASSERT_NE(device, nullptr);
    ++devices;
    if (device->IsInstallable() == 0) ++fixed;
  }
  delete it;
  EXPECT_EQ(devices, 5);
  EXPECT_EQ(fixed, 2);

  auto* capabilities = dynamic_cast<GCapabilities*>(configuration->FindById(112)->FindById(135));
  ASSERT_NE(capabilities, nullptr);
  EXPECT_EQ(capabilities->Has(0), 1);
}

TEST_F(SampleModelTest, MediaHaveTheDocumentedSizes) {
  std::unique_ptr<MPersistentObject> root(Restore(bytes, bytes.size()));
  ASSERT_NE(root, nullptr);
  auto* printer = dynamic_cast<GPrinter*>(root->FindById(76));
  ASSERT_NE(printer, nullptr);
  auto* pool = dynamic_cast<GMediaPool*>(printer->GetConfiguration()->FindById(189));
  ASSERT_NE(pool, nullptr);
  struct Case {
    int16_t paperId;
    int32_t orientation;
    uint16_t dpi;
    int16_t width;
    int16_t height;
  };
  const Case cases[] = {
      {1, 0, 600, 5100, 6600},  {1, 90, 600, 6600, 5100}, {1, 0, 300, 2550, 3300},
      {6, 0, 600, 5100, 8400},  {23, 0, 600, 4960, 7016}, {17384, 0, 600, 5100, 8400},
      {17385, 0, 600, 1800, 3000},
  };
  for (const Case& c : cases) {
    GMedia* medium = pool->FindMediaAtResolution(c.paperId, c.orientation, c.dpi);
    ASSERT_NE(medium, nullptr) << c.paperId;
    EXPECT_EQ(*medium->GetSize(), GShortPoint(c.width, c.height)) << c.paperId;
  }
}

TEST_F(SampleModelTest, DriverInstanceAnswersFromTheSampleModel) {
  MPersistentObject* root = Restore(bytes, bytes.size());
  ASSERT_NE(root, nullptr);
  qvtest::TestDriverInstance instance;
  Install(root, instance);
  ASSERT_NE(instance.GetPrinterConfiguration(), nullptr);

  int16_t out = 0;
  EXPECT_EQ(instance.DmPaperToPaperId(9, &out), 1);
  EXPECT_EQ(out, 23);
  EXPECT_EQ(instance.PaperIdToDmPaper(6, &out), 1);
  EXPECT_EQ(out, 5);
  EXPECT_EQ(instance.IsResolutionSupported(600, 600), 1);
  EXPECT_EQ(instance.IsResolutionSupported(1200, 1200), 0);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 23, 0, 600, 600), 1);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 2, 0, 600, 600), 2);
  EXPECT_EQ(instance.QueryCapabilitySet(0), 1);
  EXPECT_EQ(instance.GetColorCapability(), 0);
  // Trays 1 and 2 are always there; the optional feeder is not installed.
  EXPECT_EQ(instance.IsSourceSupported(2), 1);
  EXPECT_EQ(instance.IsSourceSupported(3), 0);
  GPaperRequest letter;
  letter.resolution[0] = 600;
  letter.resolution[1] = 600;
  letter.spoolerPaper = 1;
  EXPECT_EQ(instance.IsPaperSupported(&letter), 1);
  int bins = 0;
  EXPECT_EQ(instance.EnumerateOutputBins(nullptr, nullptr, &bins), 1);
  EXPECT_EQ(bins, 2);
}

// Every query of the driver instance on whatever a damaged file restores to.
void QueryEverything(MPersistentObject* root) {
  qvtest::TestDriverInstance instance;
  Install(root, instance);
  int16_t out = 0;
  instance.DmPaperToPaperId(1, &out);
  instance.PaperIdToDmPaper(23, &out);
  instance.IsResolutionSupported(600, 600);
  instance.CheckPaperId(nullptr, 1, 0, 600, 600);
  instance.QueryCapabilitySet(0);
  instance.GetColorCapability();
  instance.IsSourceSupported(1);
  GPaperRequest request;
  request.resolution[0] = 600;
  request.resolution[1] = 0;
  request.spoolerPaper = 1;
  request.customLimits = 1;
  instance.IsPaperSupported(&request);
  instance.EnumerateOutputBins(nullptr, nullptr, nullptr);
  instance.IsMediaTypeAllowed(RWCString("Labels"));
  instance.GetResourceModulePath();
  instance.ApplyNamedModelEntry(RWWString(u"Quarrin 4700dn"), nullptr);
  instance.IsTrueTypeBitmapRequired();
}

TEST_F(SampleModelTest, TruncatedFilesRestoreNothing) {
  const size_t step = bytes.size() / 257 + 1;
  for (size_t length = 0; length < bytes.size(); length += step) {
    MPersistentObject* root = Restore(bytes, length);
    EXPECT_EQ(root, nullptr) << "length " << length;
    if (root != nullptr) QueryEverything(root);
  }
  for (size_t cut = 1; cut <= 8; ++cut) EXPECT_EQ(Restore(bytes, bytes.size() - cut), nullptr) << cut;
}

TEST_F(SampleModelTest, FlippedBytesFailOrGiveAModelThatIsSafeToQuery) {
  const size_t step = bytes.size() / 301 + 1;
  int refused = 0;
  for (size_t position = 0; position < bytes.size(); position += step) {
    std::vector<unsigned char> damaged = bytes;
    damaged[position] ^= 0xFF;
    MPersistentObject* root = Restore(damaged, damaged.size());
    if (root == nullptr) {
      ++refused;
      continue;
    }
    QueryEverything(root);
  }
  // Most of the stream is structure: most flips must be refused.
  EXPECT_GT(refused, 0);
}

}  // namespace
