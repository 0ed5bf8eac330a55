#include "model/GPaperHandlingDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GTray.h"
#include "model/MPersistentIterator.h"
#include "rw/RWPersistence.h"
#include "rw/RWShortList.h"
#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;

using GFeatureIds::kPaperHandlingDevices;
const int32_t kBinId = 0;

// An option composite of n bins with codes first, first + 1, ...
GAttributeComposite* Option(int n, int16_t first = 1) {
  auto* option = new GAttributeComposite;
  for (int i = 0; i < n; ++i)
    option->AddChild(new GBin(RWCString("Bin"), static_cast<int16_t>(first + i), 0, 0, 250, -1, 0, 0, &kBinId));
  return option;
}

GPaperHandlingDevice MakeDevice() {
  return GPaperHandlingDevice(7, RWCString("Stacker X2"), GPaperHandlingDevice::kOutputDevice, 1, 1, 2, 1,
                              "Stacker", "qvres.dll", &kPaperHandlingDevices);
}

std::vector<int16_t> Keys(const GPaperHandlingDevice& device) {
  RWShortList list;
  list.Append(99);  // emptied first
  device.GetOptionKeys(list);
  std::vector<int16_t> keys;
  for (RWSlistLink* p = list.AsSlist().First(); p != list.AsSlist().Tail(); p = p->next)
    keys.push_back(static_cast<RWShortListNode*>(p)->value);
  return keys;
}

TEST(GPaperHandlingDevice, ConstructionKeepsANonInstallableDeviceInstalled) {
  GPaperHandlingDevice fixed(RWCString("Duplexer"), GPaperHandlingDevice::kInputDevice, 0, 0, 1, 0, &kPaperHandlingDevices);
  EXPECT_EQ(fixed.IsInstalled(), 1);
  EXPECT_EQ(fixed.SetInstalled(0), 0);
  EXPECT_EQ(fixed.IsInstalled(), 1);

  GPaperHandlingDevice optional(RWCString("Tray 3"), GPaperHandlingDevice::kInputDevice, 1, 0, 1, 0, &kPaperHandlingDevices);
  EXPECT_EQ(optional.IsInstalled(), 0);
  EXPECT_EQ(optional.SetInstalled(1), 1);
  EXPECT_EQ(optional.IsInstalled(), 1);
  optional.SetInstallable(0);
  EXPECT_EQ(optional.IsInstalled(), 1);
  EXPECT_EQ(optional.SetDetectionMode(3), 1);
  EXPECT_EQ(optional.GetDetectionMode(), 3);
  EXPECT_EQ(optional.SetOptionSource(1), 0);

  GPaperHandlingDevice defaults;
  EXPECT_EQ(defaults.IsInstallable(), 1);
  EXPECT_EQ(defaults.IsInstalled(), 0);
  EXPECT_EQ(defaults.GetOptionCount(), 0u);
  EXPECT_EQ(defaults.ApplyTo(nullptr), 1);
  EXPECT_TRUE(defaults.DerivesFrom(1010) && defaults.DerivesFrom(753) && defaults.DerivesFrom(751));
}

TEST(GPaperHandlingDevice, TheFirstOptionSelectsItselfAndAnEqualKeyReplaces) {
  GPaperHandlingDevice device = MakeDevice();
  device.SetOption(5, GCountedPtr(Option(2)));
  EXPECT_EQ(device.GetSelectedOption(), 5);
  device.SetOption(7, GCountedPtr(Option(3)));
  EXPECT_EQ(device.GetSelectedOption(), 5);
  GAttributeComposite* replacement = Option(4);
  device.SetOption(5, GCountedPtr(replacement));
  EXPECT_EQ(device.GetOptionCount(), 2u);
  EXPECT_EQ(device.GetOption(5), replacement);
  EXPECT_EQ(device.GetSelectedOptionSize(), 4);
  EXPECT_EQ(device.GetMinOptionSize(), 3);
  EXPECT_EQ(device.GetMaxOptionSize(), 4);
  EXPECT_TRUE(device.HasOption(7));
  EXPECT_FALSE(device.HasOption(6));

  EXPECT_EQ(device.SelectOption(6), 0);
  EXPECT_EQ(device.GetSelectedOption(), 5);
  EXPECT_EQ(device.SelectOption(7), 1);
  EXPECT_EQ(device.GetSelectedOptionSize(), 3);

  // Empty options do not count for the smallest size.
  device.SetOption(9, GCountedPtr(Option(0)));
  EXPECT_EQ(device.GetMinOptionSize(), 3);
}

TEST(GPaperHandlingDevice, OptionsKeepBucketOrder) {
  GPaperHandlingDevice device = MakeDevice();
  for (int16_t key : {17, 2, 1, 16, 33, 0})  // 17, 1 and 33 share bucket 1
    device.SetOption(key, GCountedPtr(Option(1, key)));
  EXPECT_EQ(Keys(device), (std::vector<int16_t>{16, 0, 17, 1, 33, 2}));
  // Replacing a key moves it to the end of its bucket.
  device.SetOption(17, GCountedPtr(Option(1)));
  EXPECT_EQ(Keys(device), (std::vector<int16_t>{16, 0, 1, 33, 17, 2}));
  // Negative keys hash as their 16-bit pattern: -1 is 0xFFFF, bucket 15.
  device.SetOption(-1, GCountedPtr(Option(1)));
  EXPECT_EQ(Keys(device).back(), -1);
}

TEST(GPaperHandlingDevice, TheStoredOptionsFollowBucketOrder) {
  GPaperHandlingDevice device(RWCString("D"), 0, 1, 1, 2, 0, &kPaperHandlingDevices);
  device.SetSerial(8);
  device.GetDisplayString().SetSerial(9);
  auto* a = new GAttributeComposite;
  a->SetSerial(20);
  auto* b = new GAttributeComposite;
  b->SetSerial(21);
  device.SetOption(17, GCountedPtr(a));
  device.SetOption(16, GCountedPtr(b));
  device.SetOption(1, GCountedPtr(a));  // shared: written once, then referred to
  auto emptyComposite = [](uint32_t serial) {
    return StoredBody().U16(757).Attribute(0, serial, 1).U32(1).U32(0);
  };
  StoredBody expected;
  expected.Top(1010).Attribute(kPaperHandlingDevices, 8, 1).U32(2).Str("D").I32(0).I32(1).I32(1).U16(17).U32(3);
  expected.U16(16).Raw(emptyComposite(21).Bytes());
  expected.U16(17).Raw(emptyComposite(20).Bytes());
  expected.U16(1).Ref(3);  // index 0 is null, 1 the device, 2 and 3 the composites
  expected.I32(2).I32(0);
  expected.U16(786).Base(0, 9).U32(1).Str("").Str("").U16(0);
  EXPECT_EQ(qvtest::SaveInForm(&device, ModelForm::kFile), expected.Bytes());
  qvtest::ExpectStoredByteCountIsWritten(device);
}

TEST(GPaperHandlingDevice, RemovingTheSelectedOptionSelectsTheNextOne) {
  GPaperHandlingDevice device = MakeDevice();
  GAttributeComposite* three = Option(1);
  device.SetOption(3, GCountedPtr(three));
  device.SetOption(9, GCountedPtr(Option(2)));
  EXPECT_EQ(device.GetSelectedOption(), 3);

  // The only holder: the composite itself comes back.
  std::unique_ptr<MPersistentObject> removed(device.RemoveOption(3));
  EXPECT_EQ(removed.get(), three);
  EXPECT_EQ(removed->HolderCount(), -1);
  EXPECT_EQ(device.GetSelectedOption(), 9);
  EXPECT_EQ(device.RemoveOption(3), nullptr);

  // Held by a copy too: the caller gets a copy, the copy keeps its option.
  GPaperHandlingDevice copy(device);
  std::unique_ptr<MPersistentObject> shared(device.RemoveOption(9));
  ASSERT_NE(shared, nullptr);
  EXPECT_NE(shared.get(), copy.GetOption(9));
  EXPECT_EQ(copy.GetOption(9)->GetEntryCount(), 2);
  EXPECT_EQ(device.GetSelectedOption(), 0);
  EXPECT_EQ(device.GetOptionCount(), 0u);
}

TEST(GPaperHandlingDevice, IteratesTheSelectedOption) {
  GPaperHandlingDevice device = MakeDevice();
  std::unique_ptr<MPersistentIterator> empty(device.CreateIterator());
  EXPECT_EQ(empty->Advance(), 0);

  device.SetOption(4, GCountedPtr(Option(3, 11)));
  device.SetOption(8, GCountedPtr(Option(2, 21)));
  device.SelectOption(8);
  std::unique_ptr<MPersistentIterator> it(device.CreateIterator());
  std::vector<int16_t> codes;
  while (it->Advance()) codes.push_back(dynamic_cast<GBin*>(it->Current())->GetBinType());
  EXPECT_EQ(codes, (std::vector<int16_t>{21, 22}));
}

TEST(GPaperHandlingDevice, CopiesShareOptionsAndMatchIgnoresTheirContents) {
  GPaperHandlingDevice device = MakeDevice();
  device.SetOption(1, GCountedPtr(Option(2)));
  std::unique_ptr<GPaperHandlingDevice> clone(device.Clone());
  EXPECT_EQ(clone->GetOption(1), device.GetOption(1));
  EXPECT_TRUE(clone->Matches(&device));

  GPaperHandlingDevice other = MakeDevice();
  other.SetOption(1, GCountedPtr(Option(5, 40)));
  EXPECT_TRUE(other.Matches(&device));  // only the trays of an option differ

  other.SetOption(2, GCountedPtr(Option(1)));
  EXPECT_FALSE(other.Matches(&device));  // entry counts differ
  GPaperHandlingDevice renamed = device;
  renamed.GetDisplayString().SetModuleName(RWCString("other.dll"));
  EXPECT_FALSE(renamed.Matches(&device));
  GPaperHandlingDevice reselected = device;
  reselected.SetOption(2, GCountedPtr(Option(1)));
  device.SetOption(2, GCountedPtr(Option(1)));
  reselected.SelectOption(2);
  EXPECT_FALSE(reselected.Matches(&device));

  // Assignment to itself keeps the options.
  device = device;
  EXPECT_EQ(device.GetOptionCount(), 2u);
}

TEST(GPaperHandlingDevice, RoundTripsWithSharedOptions) {
  GPaperHandlingDevice device = MakeDevice();
  GAttributeComposite* shared = Option(2);
  device.SetOption(1, GCountedPtr(shared));
  device.SetOption(17, GCountedPtr(Option(3)));
  device.SetOption(4, GCountedPtr(shared));
  device.SelectOption(17);
  qvtest::ExpectRoundTripsInAllForms(device);
  qvtest::ExpectStoredByteCountIsWritten(device);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&device, form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GPaperHandlingDevice*>(copy.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(Keys(*restored), Keys(device));
    EXPECT_EQ(restored->GetOption(1), restored->GetOption(4));
    EXPECT_EQ(restored->GetOption(1)->HolderCount(), 1);
    EXPECT_EQ(restored->GetSelectedOptionSize(), 3);
    EXPECT_EQ(restored->GetDisplayString().GetText(), RWCString("Stacker"));
  }
}

TEST(GPaperHandlingDevice, AnInputDeviceWithTraysRoundTrips) {
  const int32_t trayId = 0;
  GPaperHandlingDevice feeder(21, RWCString("Feeder 500"), GPaperHandlingDevice::kInputDevice, 1, 1, 1, 0, "Feeder",
                              nullptr, &kPaperHandlingDevices);
  auto* option = new GAttributeComposite;
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6400);
  const GShortPoint origin(100, 100);
  option->AddChild(new GTray("Tray 3", 3, 0, 0, 500, 250,
                             new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &trayId), &trayId));
  option->AddChild(new GTray("Tray 4", 4, &trayId));
  feeder.SetOption(1, GCountedPtr(option));
  qvtest::ExpectRoundTripsInAllForms(feeder);
  qvtest::ExpectStoredByteCountIsWritten(feeder);

  std::unique_ptr<MPersistentIterator> it(feeder.CreateIterator());
  std::vector<int16_t> trays;
  while (it->Advance()) trays.push_back(dynamic_cast<GTray*>(it->Current())->GetTrayNumber());
  EXPECT_EQ(trays, (std::vector<int16_t>{3, 4}));
}

// A stored device of class version 1: no detection mode, option source or
// display string.
std::string VersionOneDevice(int options) {
  StoredBody bytes;
  bytes.Top(1010).Attribute(kPaperHandlingDevices, 3, 1).U32(1).Str("HCI").I32(0).I32(1).I32(0).U16(1).U32(options);
  for (int i = 0; i < options; ++i) bytes.U16(static_cast<uint16_t>(i + 1)).U16(757).Attribute(0, 10 + i, 1).U32(1).U32(0);
  return bytes.Bytes();
}

TEST(GPaperHandlingDevice, VersionOneBodiesRestoreWithTheirDefaults) {
  struct Case {
    int options;
    int32_t optionSource;
  };
  for (Case c : {Case{3, 1}, Case{2, 1}, Case{1, 0}, Case{0, 0}}) {
    SCOPED_TRACE(c.options);
    qvtest::ModelRead read = qvtest::RestoreFromForm(VersionOneDevice(c.options), ModelForm::kFile);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* device = dynamic_cast<GPaperHandlingDevice*>(copy.get());
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(read.failed);
    EXPECT_EQ(device->GetOptionCount(), static_cast<uint32_t>(c.options));
    EXPECT_EQ(device->GetDetectionMode(), 1);
    EXPECT_EQ(device->GetOptionSource(), c.optionSource);
    EXPECT_EQ(device->GetSelectedOption(), 1);
    EXPECT_EQ(device->GetName(), RWCString("HCI"));
  }

  // Read into an existing device, a version 1 body keeps its display string.
  GPaperHandlingDevice device = MakeDevice();
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), VersionOneDevice(2));
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  EXPECT_EQ(RWReadObjectIntoFromFile(file, &device), &device);
  EXPECT_EQ(device.GetDisplayString().GetResourceId(), 7);
  EXPECT_EQ(device.GetOptionCount(), 2u);
}

TEST(GPaperHandlingDevice, ALaterVersionIsNotRead) {
  GPaperHandlingDevice device = MakeDevice();
  device.SetOption(1, GCountedPtr(Option(1)));
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBody().Attribute(5, 3, 0).U32(3).Str("X").Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  device.RestoreMembersFromFile(file);
  EXPECT_EQ(device.FeatureId(), 5);
  EXPECT_EQ(device.GetName(), RWCString("Stacker X2"));
  EXPECT_EQ(device.GetOptionCount(), 1u);
}

TEST(GPaperHandlingDevice, DamagedInputFailsCleanly) {
  GPaperHandlingDevice device = MakeDevice();
  device.SetOption(1, GCountedPtr(Option(2)));
  device.SetOption(2, GCountedPtr(Option(1)));
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&device, form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(device.Matches(read.object));
      }
      delete read.object;
    }
  }

  // A huge option count with one option behind it.
  StoredBody huge;
  huge.Top(1010).Attribute(kPaperHandlingDevices, 3, 1).U32(2).Str("H").I32(0).I32(1).I32(0).U16(1).U32(0xFFFFFFFFu);
  huge.U16(1).U16(757).Attribute(0, 10, 1).U32(1).U32(0);
  qvtest::ModelRead read = qvtest::RestoreFromForm(huge.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);

  // A bin where an option composite belongs.
  StoredBody notComposite;
  notComposite.Top(1010).Attribute(kPaperHandlingDevices, 3, 1).U32(2).Str("H").I32(0).I32(1).I32(0).U16(1).U32(1);
  notComposite.U16(1).U16(1009).Attribute(0, 11, 1).U32(2).Str("B").U16(1).I32(0).I32(0).I32(-1).I32(-1).I32(0).I32(0);
  notComposite.U16(786).Base(0, 12).U32(1).Str("").Str("").U16(0);
  notComposite.I32(1).I32(0).U16(786).Base(0, 13).U32(1).Str("").Str("").U16(0);
  read = qvtest::RestoreFromForm(notComposite.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);

  // An option that refers back to the device being read.
  StoredBody cycle;
  cycle.Top(1010).Attribute(kPaperHandlingDevices, 3, 1).U32(2).Str("H").I32(0).I32(1).I32(0).U16(1).U32(1);
  cycle.U16(1).U16(757).Attribute(0, 10, 1).U32(1).U32(1).Ref(1);
  read = qvtest::RestoreFromForm(cycle.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

// ---- Bins ----

TEST(GBin, ConstructorsAndLevels) {
  GBin simple(RWCString("Top"), 15, &kBinId);
  EXPECT_EQ(simple.GetCapacity(), -1);
  EXPECT_EQ(simple.GetLevel(), -1);
  EXPECT_EQ(simple.GetParameter3(), 0);
  EXPECT_EQ(simple.GetDisplayString().GetResourceId(), 0);
  EXPECT_EQ(simple.ApplyTo(nullptr), 1);

  GBin bin(12, RWCString("Face up"), 16, 1, 2, 100, 0, 1, 4, "Face-up bin", "qvres.dll", &kBinId);
  EXPECT_EQ(bin.GetDisplayString().GetResourceId(), 12);
  EXPECT_EQ(bin.GetDisplayString().GetModuleName(), RWCString("qvres.dll"));
  EXPECT_EQ(bin.GetParameter4(), 4);
  EXPECT_EQ(bin.SetLevel(100, 0), 1);
  EXPECT_EQ(bin.SetLevel(101, 0), 0);
  EXPECT_EQ(bin.GetLevel(), 100);
  EXPECT_EQ(bin.SetLevel(50, 1), 1);
  EXPECT_EQ(bin.GetLevel(), 50);
  EXPECT_EQ(bin.SetLevel(101, 1), 0);
  EXPECT_EQ(simple.SetLevel(10, 1), 0);  // no capacity given
}

TEST(GBin, MatchesEveryValueAndTheDisplayString) {
  GBin bin(12, RWCString("Face up"), 16, 1, 2, 100, 0, 1, 4, "Face-up bin", "qvres.dll", &kBinId);
  GBin same(bin);
  EXPECT_TRUE(same.Matches(&bin));
  same.SetParameter3(0);
  EXPECT_FALSE(same.Matches(&bin));
  GBin text(bin);
  text.GetDisplayString().SetText(RWCString("face-up bin"));
  EXPECT_FALSE(text.Matches(&bin));
  GBin capacity(bin);
  capacity.SetCapacity(99);
  EXPECT_FALSE(capacity.Matches(&bin));
}

TEST(GBin, RoundTripsAndAVersionOneBodyKeepsTheDisplayString) {
  GBin bin(12, RWCString("Face up"), 16, 1, 2, 100, 0, 1, 4, "Face-up bin", "qvres.dll", &kBinId);
  qvtest::ExpectRoundTripsInAllForms(bin);
  qvtest::ExpectStoredByteCountIsWritten(bin);

  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBody()
                                                     .Attribute(0, 3, 1)
                                                     .U32(1)
                                                     .Str("Old")
                                                     .U16(3)
                                                     .I32(5)
                                                     .I32(6)
                                                     .I32(7)
                                                     .I32(8)
                                                     .I32(9)
                                                     .I32(10)
                                                     .U32(0xBEEF)
                                                     .Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  bin.RestoreMembersFromFile(file);
  EXPECT_EQ(bin.GetName(), RWCString("Old"));
  EXPECT_EQ(bin.GetBinType(), 3);
  EXPECT_EQ(bin.GetParameter4(), 10);
  EXPECT_EQ(bin.GetDisplayString().GetText(), RWCString("Face-up bin"));
  uint32_t next = 0;
  EXPECT_TRUE(file.ReadULong(next));
  EXPECT_EQ(next, 0xBEEFu);
}

}  // namespace
