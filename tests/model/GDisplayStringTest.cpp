// Display strings: their fields, matching and stored form, the attribute
// that wraps one, and the text shown for them, resolved from the string
// tables of the stand-in's module table.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GDisplayString.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GDisplayStringLoader.h"
#include "model/MPersistentComposite.h"
#include "support/ModelRoundTrip.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;

const int32_t kTrayName = 31;

std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

TEST(GDisplayStringTest, ConstructionAndAccessors) {
  GDisplayString empty;
  EXPECT_EQ(empty.GetResourceId(), 0);
  EXPECT_EQ(empty.GetText().Length(), 0u);
  EXPECT_EQ(empty.GetModuleName().Length(), 0u);

  GDisplayString nulls(5, nullptr, nullptr);
  EXPECT_EQ(nulls.GetResourceId(), 5);
  EXPECT_EQ(nulls.GetText().Length(), 0u);

  GDisplayString s(7, "Tray 1", "qvres.dll");
  s.SetResourceId(8);
  s.SetText(RWCString("Upper Tray"));
  s.SetModuleName(RWCString("other.dll"));
  EXPECT_EQ(s.GetResourceId(), 8);
  EXPECT_EQ(std::string(s.GetText().Data()), "Upper Tray");
  EXPECT_EQ(std::string(s.GetModuleName().Data()), "other.dll");
  EXPECT_TRUE(s.DerivesFrom(786));
  EXPECT_TRUE(s.DerivesFrom(751));
  EXPECT_FALSE(s.DerivesFrom(753));  // not an attribute
}

TEST(GDisplayStringTest, MatchingComparesEveryField) {
  GDisplayString a(7, "Tray 1", "qvres.dll");
  GDisplayString b(7, "Tray 1", "qvres.dll");
  GDisplayString otherModule(7, "Tray 1", "QVRES.DLL");
  GDisplayString otherText(7, "Tray 2", "qvres.dll");
  GDisplayString otherId(8, "Tray 1", "qvres.dll");
  EXPECT_TRUE(a.Matches(&b));
  EXPECT_FALSE(a.Matches(&otherModule));
  EXPECT_FALSE(a.Matches(&otherText));
  EXPECT_FALSE(a.Matches(&otherId));

  GDisplayStringAttribute attribute(&kTrayName, 7, "Tray 1", "qvres.dll");
  GDisplayStringAttribute same(&kTrayName, 7, "Tray 1", "qvres.dll");
  GDisplayStringAttribute noId(7, "Tray 1", "qvres.dll");
  EXPECT_TRUE(attribute.Matches(&same));
  EXPECT_FALSE(attribute.Matches(&noId));
  same.GetDisplayString().SetText(RWCString("Tray 9"));
  EXPECT_FALSE(attribute.Matches(&same));
  same.SetDisplayString(attribute.GetDisplayString());
  EXPECT_TRUE(attribute.Matches(&same));
}

TEST(GDisplayStringTest, BothRoundTripInEveryFormWithEveryField) {
  GDisplayString s(-2, "Envelope Feeder", "qvres.dll");
  qvtest::ExpectRoundTripsInAllForms(s);
  GDisplayStringAttribute attribute(&kTrayName, 1234, "Tray 1", "qvres.dll");
  attribute.changed = 0;
  qvtest::ExpectRoundTripsInAllForms(attribute);
  qvtest::ExpectRoundTripsInAllForms(GDisplayStringAttribute());

  qvtest::ModelRead read =
      qvtest::RestoreFromForm(qvtest::SaveInForm(&attribute, ModelForm::kPortableText), ModelForm::kPortableText);
  std::unique_ptr<MPersistentObject> copy(read.object);
  auto* restored = dynamic_cast<GDisplayStringAttribute*>(copy.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->FeatureId(), kTrayName);
  EXPECT_EQ(restored->GetDisplayString().GetResourceId(), 1234);
  EXPECT_EQ(std::string(restored->GetDisplayString().GetText().Data()), "Tray 1");
  EXPECT_EQ(std::string(restored->GetDisplayString().GetModuleName().Data()), "qvres.dll");
}

TEST(GDisplayStringTest, TheFileFormOfADisplayString) {
  GDisplayString s(0x0102, "ab", "m");
  s.SetSerial(3);
  // The module name first, then the text (each a 32-bit length and the
  // bytes), then the id.
  std::string bytes = qvtest::StoredBytes().Marker().U16(786).Base(0, 3).U32(1).Bytes();
  bytes += std::string("\x01\x00\x00\x00m", 5);
  bytes += std::string("\x02\x00\x00\x00" "ab", 6);
  bytes += std::string("\x02\x01", 2);
  EXPECT_EQ(qvtest::SaveInForm(&s, ModelForm::kFile), bytes);
}

TEST(GDisplayStringTest, TheEmbeddedStringIsNeverHandedOutByALaterReference) {
  // root { attribute { embedded string }, a reference to that string }:
  // slots 1 root, 2 the attribute, 3 its embedded string. Holding the
  // embedded string in the root would delete a member of the attribute.
  qvtest::StoredBytes bytes;
  bytes.Marker().U16(MPersistentCompositeClassId).Base(1, 1).U32(1).U32(2);
  bytes.U16(GDisplayStringAttributeClassId).Base(2, 2).U32(1).U32(1).U32(1);
  bytes.U16(GDisplayStringClassId).Base(0, 3).U32(1).U32(0).U32(0).U16(0);
  bytes.Ref(3);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

class GDisplayStringLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::ModuleSpec resources;
    resources.name = u"qvres.dll";
    resources.strings = {{7, u"Upper Tray"}, {0xFFFE, u"High Id"}};
    w32test::InstallModule(resources);
    w32test::ModuleSpec self;
    self.name = u"qvui.dll";
    self.strings = {{7, u"Own Tray"}};
    self.loadCount = 1;
    self_ = w32test::InstallModule(self);
  }
  void TearDown() override { w32test::Reset(); }

  std::u16string Shown(const GDisplayString& s, HINSTANCE fallback) {
    GDisplayStringLoader loader(fallback, nullptr);
    RWWString out;
    loader.Resolve(out, &s);
    return Text(out);
  }

  HMODULE self_ = nullptr;
};

TEST_F(GDisplayStringLoaderTest, TheTextShownComesFromTheNamedModuleOrTheFallback) {
  struct Case {
    const char* what;
    int16_t id;
    const char* text;
    const char* module;
    bool withFallback;
    std::u16string shown;
  };
  const Case cases[] = {
      {"resource of the named module", 7, "Tray 1", "qvres.dll", true, u"Upper Tray"},
      {"name without extension", 7, "Tray 1", "QVRES", true, u"Upper Tray"},
      {"a negative id is the same 16 bits", -2, "Tray 1", "qvres.dll", true, u"High Id"},
      {"no module named: the fallback", 7, "Tray 1", "", true, u"Own Tray"},
      {"no module named and no fallback", 7, "Tray 1", "", false, u"Tray 1"},
      {"id 0 shows the literal text", 0, "Tray 1", "qvres.dll", true, u"Tray 1"},
      {"id 0 whatever the module", 0, "Tray 1", "missing.dll", true, u"Tray 1"},
      {"missing module", 7, "Tray 1", "missing.dll", true, u"Tray 1"},
      {"missing id", 8, "Tray 1", "qvres.dll", true, u"Tray 1"},
      {"missing id in the fallback", 8, "Tray 1", "", true, u"Tray 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GDisplayString s(c.id, c.text, c.module);
    EXPECT_EQ(Shown(s, c.withFallback ? self_ : nullptr), c.shown);
  }
  // The named module is loaded for each look-up and released after it.
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvres.dll"), 0u);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvui.dll"), 1u);
}

TEST_F(GDisplayStringLoaderTest, LoadOperationsAnswerTheCharactersLoaded) {
  GDisplayStringLoader loader(self_, nullptr);
  RWWString out(u"before");
  EXPECT_EQ(loader.LoadFromModule(nullptr, 7, out), 0);
  EXPECT_EQ(loader.LoadFromLibrary(RWCString("missing.dll"), 7, out), 0);
  EXPECT_EQ(loader.LoadFromLibrary(RWCString("qvres.dll"), 8, out), 0);
  EXPECT_EQ(Text(out), u"before");
  EXPECT_EQ(loader.LoadFromLibrary(RWCString("qvres.dll"), 7, out), 10);
  EXPECT_EQ(Text(out), u"Upper Tray");
  // Nothing bound: empty text.
  EXPECT_EQ(Text(loader.GetText(out)), u"");
}

}  // namespace
