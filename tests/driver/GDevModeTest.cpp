// Tests of the DEVMODE object's buffer and private area: the creation
// header, the settings written compressed (judged by stock zlib), restoring
// them from a DEVMODE handed back in both codec modes and from the older
// forms, compatibility, and damaged private areas that must give the
// current settings back without an over-read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "driver/GDevMode.h"
#include "model/GByteStream.h"
#include "model/GFeatureIds.h"
#include "model/GLZWCompressor.h"
#include "model/GPersistOutStream.h"
#include "rw/RWPersistence.h"
#include "support/DevModeTestSupport.h"
#include "w32test/Testing.h"

namespace qvtest {
namespace {

using PA = DevmodePrivateArea;

// The framing's native binary form of an object, as the private area holds
// it before compression.
std::vector<uint8_t> Framed(const MPersistentObject* object) {
  std::vector<uint8_t> buffer(16384);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  RWWriteObjectPointer(*holder.GetStream(), object);
  holder.GetStream()->Flush();
  buffer.resize(static_cast<size_t>(holder.Tell()));
  return buffer;
}

// What a settings tree holds, without the serial numbers that every copy
// renews.
std::vector<uint8_t> Content(const MPersistentObject* object) {
  std::unique_ptr<MPersistentObject> copy(object->DeepCopy());
  copy->ClearSerials();
  return Framed(copy.get());
}

// Stock zlib's inflation of the settings data of a DEVMODE.
std::vector<uint8_t> Inflate(const uint8_t* dm) {
  const size_t length = PA::GetWord(dm, PA::kSettingsLengthOffset);
  std::vector<uint8_t> plain(65536);
  uLongf plainLength = plain.size();
  EXPECT_EQ(uncompress(plain.data(), &plainLength, dm + PA::kSettingsOffset, length), Z_OK);
  plain.resize(plainLength);
  return plain;
}

// A zlib stream of the bytes (stock zlib).
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& plain) {
  uLongf length = compressBound(plain.size());
  std::vector<uint8_t> packed(length);
  EXPECT_EQ(compress(packed.data(), &length, plain.data(), plain.size()), Z_OK);
  packed.resize(length);
  return packed;
}

// A copy of the object's DEVMODE with other settings data.
std::vector<uint8_t> WithSettingsData(GDevMode& devMode, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> dm(PA::kTotalSize);
  devMode.CopyTo(reinterpret_cast<DEVMODEW*>(dm.data()));
  std::memset(dm.data() + PA::kSettingsOffset, 0, PA::kSettingsCapacity);
  const size_t n = std::min(data.size(), PA::kSettingsCapacity);
  std::memcpy(dm.data() + PA::kSettingsOffset, data.data(), n);
  PA::SetWord(dm.data(), PA::kSettingsLengthOffset, static_cast<uint16_t>(n));
  return dm;
}

class GDevModeTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { w32test::Reset(); }

  // A DEVMODE object made as the driver makes its first one.
  std::unique_ptr<TestDevMode> MakeDevMode(DevModeTestInstance& instance) {
    auto devMode = std::make_unique<TestDevMode>(&instance);
    devMode->SetDefaults();
    std::unique_ptr<GAttributeComposite> settings(MakeSettings());
    EXPECT_EQ(devMode->SetSettings(settings.get()), 1);
    return devMode;
  }
};

INSTANTIATE_TEST_SUITE_P(CodecModes, GDevModeTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 1 ? std::string("Compact") : std::string("Framing");
                         });

TEST(GDevModeCreation, BufferStartsWithThePrivateHeaderValues) {
  DevModeTestInstance instance;
  TestDevMode devMode(&instance);
  const auto* dm = reinterpret_cast<const uint8_t*>(devMode.GetBuffer());
  EXPECT_EQ(PA::GetWord(dm, 220), 1172);
  EXPECT_EQ(PA::GetWord(dm, 222), 46);
  EXPECT_EQ(PA::GetDword(dm, 256), 0u);
  EXPECT_EQ(PA::GetWord(dm, 262), 4);
  EXPECT_EQ(PA::GetWord(dm, 264), 50);
  EXPECT_EQ(PA::GetWord(dm, 266), 0);
  EXPECT_EQ(devMode.GetTotalSize(), 1172);
  EXPECT_EQ(devMode.GetBufferSize(), 1172);
  EXPECT_EQ(devMode.GetPublicSize() + devMode.GetPrivateHeaderSize() + devMode.GetSettingsAreaSize(), 1172);
  EXPECT_EQ(devMode.GetSettings(), nullptr);
}

TEST_P(GDevModeTest, SettingsAreaInflatesWithStockZlibAndLoadsBackEqual) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  ASSERT_EQ(devMode->GetCodecMode(), GetParam());
  // Settings that differ from the defaults, in public and private values.
  std::unique_ptr<GAttributeComposite> changed(MakeSettings());
  GSettingValue::Set(changed.get(), 267, 1);
  GSettingValue::SetText(changed.get(), 270, "Changed");
  GSettingValue::Set(changed.get(), GFeatureIds::kCopies, 3);
  ASSERT_EQ(devMode->SetSettings(changed.get()), 1);
  const auto* dm = reinterpret_cast<const uint8_t*>(devMode->GetBuffer());
  EXPECT_EQ(PA::GetWord(dm, QV_DM(dmSpecVersion)), 0x0401);
  EXPECT_EQ(PA::GetWord(dm, QV_DM(dmDriverVersion)), 24);
  EXPECT_EQ(PA::GetWord(dm, QV_DM(dmSize)), 220);
  EXPECT_EQ(PA::GetWord(dm, QV_DM(dmDriverExtra)), 952);
  EXPECT_EQ(PA::GetWord(dm, 268), 902);
  const size_t length = PA::GetWord(dm, 266);
  ASSERT_GT(length, 0u);
  ASSERT_LE(length, 902u);

  const std::vector<uint8_t> plain = Inflate(dm);
  if (GetParam() == 0) {
    // Framing mode writes the framing's native binary form.
    EXPECT_EQ(plain, Framed(devMode->GetSettings()));
  } else {
    // The compact stream starts with its 20-byte header of 0x73.
    ASSERT_GE(plain.size(), 20u);
    EXPECT_EQ(std::vector<uint8_t>(plain.begin(), plain.begin() + 20), std::vector<uint8_t>(20, 0x73));
  }

  // A fresh object of the same printer gets the settings back.
  std::vector<uint8_t> copy(PA::kTotalSize);
  ASSERT_EQ(devMode->CopyTo(reinterpret_cast<DEVMODEW*>(copy.data())), 1);
  TestDevMode other(&instance);
  other.SetDefaults();
  ASSERT_EQ(other.LoadFrom(reinterpret_cast<DEVMODEW*>(copy.data())), 1);
  ASSERT_NE(other.GetSettings(), nullptr);
  EXPECT_EQ(Describe(other.GetSettings()), Describe(devMode->GetSettings()));
  EXPECT_EQ(Get(other.GetSettings(), 267), 1);
  if (GetParam() == 0) {
    EXPECT_EQ(Content(other.GetSettings()), Content(devMode->GetSettings()));
  }
}

// The same settings give the same DEVMODE whatever the process made
// before: settings made later (their objects numbered higher) write the
// same bytes, and so do the settings of one DEVMODE restored twice (their
// objects numbered afresh each time).
TEST_P(GDevModeTest, SameSettingsGiveTheSameDevModeWhateverTheProcessMadeBefore) {
  DevModeTestInstance instance(GetParam());
  auto first = MakeDevMode(instance);
  std::vector<uint8_t> expected(PA::kTotalSize);
  ASSERT_EQ(first->CopyTo(reinterpret_cast<DEVMODEW*>(expected.data())), 1);

  std::vector<std::unique_ptr<GAttributeComposite>> madeMeanwhile;
  auto makeMore = [&] {
    for (int i = 0; i < 50; ++i) madeMeanwhile.emplace_back(MakeSettings());
  };
  makeMore();
  auto later = MakeDevMode(instance);
  std::vector<uint8_t> written(PA::kTotalSize);
  ASSERT_EQ(later->CopyTo(reinterpret_cast<DEVMODEW*>(written.data())), 1);
  EXPECT_EQ(written, expected);

  auto restore = [&](std::vector<uint8_t>* out) {
    TestDevMode restored(&instance);
    restored.SetDefaults();
    ASSERT_EQ(restored.LoadFrom(reinterpret_cast<DEVMODEW*>(expected.data())), 1);
    out->assign(PA::kTotalSize, 0);
    ASSERT_EQ(restored.CopyTo(reinterpret_cast<DEVMODEW*>(out->data())), 1);
  };
  std::vector<uint8_t> restoredOnce;
  ASSERT_NO_FATAL_FAILURE(restore(&restoredOnce));
  makeMore();
  std::vector<uint8_t> restoredAgain;
  ASSERT_NO_FATAL_FAILURE(restore(&restoredAgain));
  EXPECT_EQ(restoredAgain, restoredOnce);
  // The framing restores the graph as it was written. (The compact codec
  // restores over its template, in the template's order.)
  if (GetParam() == 0) EXPECT_EQ(restoredOnce, expected);
}

TEST(GDevModeFormat, FramingModeWritesTheNativeBinaryFormNotTheTaggedOrTextForms) {
  // Pins the stream format of a framing-mode private area: the native
  // binary streams (no byte-order header, no text).
  EXPECT_EQ(GDevMode::PrivateStreamFormat(false), 1);
  EXPECT_EQ(GDevMode::PrivateStreamFormat(true), 1);
  w32test::Reset();
  DevModeTestInstance instance(0);
  TestDevMode devMode(&instance);
  devMode.SetDefaults();
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  const std::vector<uint8_t> plain = Inflate(reinterpret_cast<const uint8_t*>(devMode.GetBuffer()));
  // The binary framing of a composite (class 757) begins ':' 0xF5 0x02.
  ASSERT_GE(plain.size(), 3u);
  EXPECT_EQ(plain[0], ':');
  EXPECT_EQ(plain[1], 0xF5);
  EXPECT_EQ(plain[2], 0x02);
}

TEST_P(GDevModeTest, SettingsTooLargeForTheAreaFailAndKeepTheStoredLength) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  const auto* dm = reinterpret_cast<const uint8_t*>(devMode->GetBuffer());
  const uint16_t before = PA::GetWord(dm, 266);
  std::unique_ptr<GAttributeComposite> big(MakeSettings());
  // Text that does not compress, far more than 902 bytes of it.
  std::mt19937 gen(7);
  std::string noise(1500, ' ');
  for (char& c : noise) c = static_cast<char>('!' + gen() % 90);
  dynamic_cast<GAttributeComposite*>(big->FindById(362))->AddChild(Text(270, noise.c_str()));
  EXPECT_EQ(devMode->HasUnwrittenSettings(), 0);
  EXPECT_EQ(devMode->SetSettings(big.get()), 0);
  EXPECT_EQ(PA::GetWord(dm, 266), before);
  // The buffer no longer stands for the object's settings, until settings
  // that fit are written.
  EXPECT_EQ(devMode->HasUnwrittenSettings(), 1);
  std::unique_ptr<GAttributeComposite> fitting(MakeSettings());
  EXPECT_EQ(devMode->SetSettings(fitting.get()), 1);
  EXPECT_EQ(devMode->HasUnwrittenSettings(), 0);
}

TEST_P(GDevModeTest, ForeignPrivateAreasAreIgnoredAndOnlyPublicFieldsApply) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  struct Case {
    const char* name;
    void (*damage)(uint8_t* dm);
  };
  const Case cases[] = {
      {"driver extra 45", [](uint8_t* dm) { PA::SetWord(dm, QV_DM(dmDriverExtra), 45); }},
      {"other driver tag", [](uint8_t* dm) { dm[224] = 'X'; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Another object of the driver with other settings hands its DEVMODE over.
    TestDevMode source(&instance);
    source.SetDefaults();
    std::unique_ptr<GAttributeComposite> settings(MakeSettings());
    GSettingValue::Set(settings.get(), 267, 1);  // a setting without a public field
    ASSERT_EQ(source.SetSettings(settings.get()), 1);
    std::vector<uint8_t> dm(PA::kTotalSize);
    source.CopyTo(reinterpret_cast<DEVMODEW*>(dm.data()));
    SetField16(dm.data(), QV_DM(dmCopies), 5);
    c.damage(dm.data());
    EXPECT_EQ(devMode->IsCompatible(reinterpret_cast<DEVMODEW*>(dm.data())), 0);
    ASSERT_EQ(devMode->LoadFrom(reinterpret_cast<DEVMODEW*>(dm.data())), 1);
    EXPECT_EQ(Get(devMode->GetSettings(), GFeatureIds::kCopies), 5);
    EXPECT_EQ(Get(devMode->GetSettings(), 267), 0);  // private settings not taken
  }
}

TEST_P(GDevModeTest, HeaderWordsMatterOnlyInFramingMode) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  std::vector<uint8_t> dm(PA::kTotalSize);
  devMode->CopyTo(reinterpret_cast<DEVMODEW*>(dm.data()));
  PA::SetWord(dm.data(), 264, 49);  // another private version
  EXPECT_EQ(devMode->IsCompatible(reinterpret_cast<DEVMODEW*>(dm.data())), GetParam() == 1 ? 1 : 0);
}

// Private areas that are damaged, cut short or oversized: each restores
// nothing, the object keeps its settings, and nothing outside the DEVMODE's
// extent is read (the buffers are exactly as long as they say).
TEST_P(GDevModeTest, DamagedPrivateAreasKeepTheCurrentSettings) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  GSettingValue::Set(devMode->GetSettings(), GFeatureIds::kCollate, 1);
  ASSERT_EQ(devMode->SetSettings(nullptr), 1);
  std::vector<uint8_t> good(PA::kTotalSize);
  devMode->CopyTo(reinterpret_cast<DEVMODEW*>(good.data()));
  const std::vector<uint8_t> expected = Content(devMode->GetSettings());
  const std::string expectedText = Describe(devMode->GetSettings());

  // A zlib stream of more than the 4096 bytes the reader inflates into.
  std::vector<uint8_t> huge(20000, 0x41);
  const std::vector<uint8_t> hugePacked = Deflate(huge);
  ASSERT_LE(hugePacked.size(), 902u);
  // A zlib stream of bytes that are neither framing nor compact stream.
  std::vector<uint8_t> junk(600);
  std::mt19937 gen(11);
  for (auto& b : junk) b = static_cast<uint8_t>(gen());
  const std::vector<uint8_t> junkPacked = Deflate(junk);

  struct Case {
    const char* name;
    std::vector<uint8_t> dm;
    size_t extent;  // bytes of the caller's buffer
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, std::vector<uint8_t> dm, size_t extent = PA::kTotalSize) {
    cases.push_back({name, std::move(dm), extent});
  };
  {
    auto dm = good;
    PA::SetWord(dm.data(), QV_DM(dmDriverExtra), 46);
    add("header only", dm, 220 + 46);
  }
  {
    auto dm = good;
    PA::SetWord(dm.data(), QV_DM(dmDriverExtra), 60);
    add("cut inside the data", dm, 220 + 60);
  }
  {
    auto dm = good;
    PA::SetWord(dm.data(), 266, 903);
    PA::SetWord(dm.data(), 268, 1000);
    add("length beyond the area", dm);
  }
  {
    auto dm = good;
    PA::SetWord(dm.data(), 266, static_cast<uint16_t>(PA::GetWord(dm.data(), 268) + 1));
    add("length beyond the capacity", dm);
  }
  {
    auto dm = good;
    PA::SetWord(dm.data(), 268, 0);
    add("capacity 0", dm);
  }
  {
    auto dm = good;
    dm[270] = 0;
    add("first settings byte 0", dm);
  }
  {
    auto dm = good;
    PA::SetWord(dm.data(), 266, static_cast<uint16_t>(PA::GetWord(dm.data(), 266) - 5));
    add("truncated zlib stream", dm);
  }
  {
    auto dm = good;
    for (size_t i = 300; i < 330; ++i) dm[i] ^= 0x5A;
    add("corrupted zlib data", dm);
  }
  add("inflates beyond the staging buffer", WithSettingsData(*devMode, hugePacked));
  add("inflates to junk", WithSettingsData(*devMode, junkPacked));
  {
    std::vector<uint8_t> random(902);
    for (auto& b : random) b = static_cast<uint8_t>(gen() | 1);
    add("random settings bytes", WithSettingsData(*devMode, random));
  }

  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> exact(c.dm.begin(), c.dm.begin() + static_cast<long>(c.extent));
    EXPECT_EQ(devMode->ReadPrivate(reinterpret_cast<DEVMODEW*>(exact.data()), 0), nullptr);
    EXPECT_EQ(devMode->ReadPrivate(reinterpret_cast<DEVMODEW*>(exact.data()), GDevMode::kForceFraming), nullptr);
    EXPECT_EQ(devMode->ReadPrivate(reinterpret_cast<DEVMODEW*>(exact.data()), 5), nullptr);
    ASSERT_EQ(devMode->LoadFrom(reinterpret_cast<DEVMODEW*>(exact.data())), 1);
    ASSERT_NE(devMode->GetSettings(), nullptr);
    EXPECT_EQ(Describe(devMode->GetSettings()), expectedText);
    EXPECT_EQ(Content(devMode->GetSettings()), expected);
  }
}

TEST_P(GDevModeTest, OldFormsOfAnIncomingBufferAreRestoredOverTheCurrentDefaults) {
  DevModeTestInstance instance(GetParam());
  auto devMode = MakeDevMode(instance);
  // An older driver's settings: the framing, LZW-packed, with n-up values
  // in the old place (362: 266 and 268).
  std::unique_ptr<GAttributeComposite> old(MakeSettings());
  GSettingValue::Set(old.get(), GFeatureIds::kCopies, 7);
  GSettingValue::Set(old.get(), 267, 1);  // a setting without a public field
  MPersistentObject* document = old->FindById(362);
  GSettingValue::Set(document, 266, 4);
  GSettingValue::Set(document, 268, 2);
  const std::vector<uint8_t> framed = Framed(old.get());
  std::vector<uint8_t> packed(4096);
  GMemoryByteSource source(framed.data(), framed.size());
  GMemoryByteSink sink(packed.data(), packed.size());
  ASSERT_EQ(GLZWCompressor().Compress(source, sink), 1);
  packed.resize(sink.Length());
  ASSERT_LE(packed.size(), 902u);
  std::vector<uint8_t> dm = WithSettingsData(*devMode, packed);
  SetField16(dm.data(), QV_DM(dmCopies), 7);

  std::unique_ptr<GAttributeComposite> direct(devMode->ReadPrivate(reinterpret_cast<DEVMODEW*>(dm.data()), 5));
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(Get(direct.get(), 267), 1);
  ASSERT_EQ(devMode->LoadFrom(reinterpret_cast<DEVMODEW*>(dm.data())), 1);
  GAttributeComposite* settings = devMode->GetSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(Get(settings, GFeatureIds::kCopies), 7);
  EXPECT_EQ(Get(settings, 267), 1);
  // The n-up choices moved into the layout group.
  MPersistentObject* layout = settings->FindById(329);
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(Get(layout, 266), 4);
}

TEST_P(GDevModeTest, CopyToCarriesThePrivatePartWithATerminatedTag) {
  DevModeTestInstance instance(GetParam(), u"QV Office Laser Printer Driver Series 4100 PCL 6");
  auto devMode = MakeDevMode(instance);
  std::vector<uint8_t> out(PA::kTotalSize, 0xEE);
  EXPECT_EQ(devMode->CopyTo(nullptr), 0);
  ASSERT_EQ(devMode->CopyTo(reinterpret_cast<DEVMODEW*>(out.data())), 1);
  const auto* own = reinterpret_cast<const uint8_t*>(devMode->GetBuffer());
  EXPECT_EQ(std::memcmp(out.data(), own, 220), 0);
  EXPECT_EQ(std::memcmp(out.data() + 224, own + 224, 31), 0);
  EXPECT_EQ(own[255], 'S');  // a name of 32 or more characters fills the field
  EXPECT_EQ(out[255], 0);
  EXPECT_EQ(std::memcmp(out.data() + 266, own + 266, 4 + 902), 0);
}

TEST(GDevModeInstance, AttachingAnotherDriverRewritesTheWholeTag) {
  w32test::Reset();
  DevModeTestInstance longName(0, u"QV Office Laser 4100 Series");
  DevModeTestInstance shortName(0, u"QV Jet");
  TestDevMode devMode(&longName);
  devMode.SetDefaults();
  ASSERT_EQ(devMode.AttachInstance(&shortName), 1);
  EXPECT_TRUE(devMode.GetDriverNameTag() == RWWString(u"QV Jet"));
  const auto* dm = reinterpret_cast<const uint8_t*>(devMode.GetBuffer());
  for (size_t i = 224 + 6; i < 256; ++i) EXPECT_EQ(dm[i], 0) << i;
  EXPECT_TRUE(devMode.GetDeviceName() == RWWString(u"QV Test Printer"));
}

TEST(GDevModeInstance, CopyOfTheObjectOwnsItsOwnSettings) {
  w32test::Reset();
  DevModeTestInstance instance;
  TestDevMode devMode(&instance);
  devMode.SetDefaults();
  std::unique_ptr<GAttributeComposite> settings(MakeSettings());
  ASSERT_EQ(devMode.SetSettings(settings.get()), 1);
  TestDevMode copy(devMode);
  ASSERT_NE(copy.GetSettings(), nullptr);
  EXPECT_NE(copy.GetSettings(), devMode.GetSettings());
  EXPECT_EQ(Content(copy.GetSettings()), Content(devMode.GetSettings()));
  EXPECT_EQ(copy.IsEqual(devMode.GetBuffer()), 1);
}

TEST(GDevModeInstance, NullBuffersAreRefused) {
  w32test::Reset();
  DevModeTestInstance instance;
  TestDevMode devMode(&instance);
  EXPECT_EQ(devMode.LoadFrom(nullptr), 0);
  EXPECT_EQ(devMode.ReadPrivate(nullptr, 0), nullptr);
  EXPECT_EQ(devMode.IsCompatible(nullptr), 0);
  EXPECT_EQ(devMode.IsEqual(nullptr), 0);
  // Without settings there is nothing to write.
  EXPECT_EQ(devMode.SetSettings(nullptr), 0);
}

}  // namespace
}  // namespace qvtest
