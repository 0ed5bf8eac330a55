#include "config/GPMLDescriptor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rw/RWFactory.h"
#include "rw/RWStringID.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::StoredBytes;

// Request bytes with a zero byte and a high byte inside.
RWCString RequestBytes() { return RWCString(std::string("\x06\x00\x81\xFFok", 6).c_str(), 6); }

GPMLDescriptor Sample() {
  GPMLDescriptor descriptor(RWWString(u"Tr\u00e4y 2 status"), -17, RequestBytes());
  descriptor.SetFeatureId(41);
  return descriptor;
}

TEST(GPMLDescriptorTest, ConstructorsAndAccessors) {
  GPMLDescriptor empty;
  EXPECT_EQ(empty.GetName().Length(), 0u);
  EXPECT_EQ(empty.GetNumber(), 0);
  EXPECT_EQ(empty.GetData().Length(), 0u);

  GPMLDescriptor named(RWWString(u"Toner"), 12);
  EXPECT_TRUE(named.GetName() == RWWString(u"Toner"));
  EXPECT_EQ(named.GetNumber(), 12);
  EXPECT_EQ(named.GetData().Length(), 0u);

  named.SetData(RequestBytes());
  EXPECT_EQ(named.GetData().Length(), 6u);
  EXPECT_TRUE(named.GetData() == RequestBytes());
  named.SetNameAndNumber(RWWString(u"Drum"), 3);
  EXPECT_TRUE(named.GetName() == RWWString(u"Drum"));
  EXPECT_EQ(named.GetNumber(), 3);

  EXPECT_EQ(named.ClassId(), 956u);
  EXPECT_TRUE(named.DerivesFrom(956));
  EXPECT_TRUE(named.DerivesFrom(751));
  EXPECT_FALSE(named.DerivesFrom(952));
}

TEST(GPMLDescriptorTest, TheFactoryMakesItByIdAndByName) {
  std::unique_ptr<RWCollectable> byId(RWFactoryCreate(956));
  ASSERT_NE(byId, nullptr);
  EXPECT_EQ(byId->ClassId(), 956u);
  std::unique_ptr<RWCollectable> byName(RWFactoryCreateByStringId(RWStringID("GPMLDescriptor")));
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName->ClassId(), 956u);
}

TEST(GPMLDescriptorTest, MatchesByFeatureIdAndNameOnly) {
  const GPMLDescriptor base = Sample();
  GPMLDescriptor otherNumberAndData(base.GetName(), 99, RWCString("x"));
  otherNumberAndData.SetFeatureId(41);
  EXPECT_TRUE(base.Matches(&otherNumberAndData));

  GPMLDescriptor otherName(RWWString(u"Tr\u00e4y 2 Status"), -17, RequestBytes());
  otherName.SetFeatureId(41);
  EXPECT_FALSE(base.Matches(&otherName)) << "names compare exactly";

  GPMLDescriptor otherId = base;
  otherId.SetFeatureId(42);
  EXPECT_FALSE(base.Matches(&otherId));
  EXPECT_FALSE(base.Matches(nullptr));
}

TEST(GPMLDescriptorTest, OrdersByName) {
  GPMLDescriptor a(RWWString(u"Alpha"), 9), b(RWWString(u"Beta"), 1), a2(RWWString(u"Alpha"), 0);
  EXPECT_TRUE(a.IsLessThan(b));
  EXPECT_FALSE(b.IsLessThan(a));
  EXPECT_FALSE(a.IsLessThan(a2));
  EXPECT_FALSE(a2.IsLessThan(a));
}

TEST(GPMLDescriptorTest, StoredFormIsBodyVersionNameNumberData) {
  GPMLDescriptor descriptor(RWWString(u"Ab"), 0x01020304, RWCString("xyz"));
  descriptor.SetFeatureId(7);
  descriptor.SetSerial(5);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(956)
                                   .Base(7, 5)
                                   .U32(1)   // version
                                   .U32(2)   // name length in characters
                                   .U16(u'A')
                                   .U16(u'b')
                                   .U32(0x01020304)
                                   .U32(3)
                                   .Bytes() +
                               "xyz";
  EXPECT_EQ(qvtest::SaveInForm(&descriptor, ModelForm::kFile), expected);
  EXPECT_EQ(descriptor.MembersStoreSize(), 12u + 16 + 2 * 2 + 3);
}

TEST(GPMLDescriptorTest, RoundTripsInEveryFormWithItsByteCount) {
  for (const GPMLDescriptor& descriptor : {Sample(), GPMLDescriptor()}) {
    qvtest::ExpectStoredByteCountIsWritten(descriptor);
    qvtest::ExpectRoundTripsInAllForms(descriptor);
    // Matches looks at the name only; number and data are compared here.
    for (ModelForm form : kAllModelForms) {
      SCOPED_TRACE(qvtest::ModelFormName(form));
      qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&descriptor, form), form);
      auto* copy = dynamic_cast<GPMLDescriptor*>(read.object);
      ASSERT_NE(copy, nullptr);
      EXPECT_EQ(copy->GetNumber(), descriptor.GetNumber());
      EXPECT_TRUE(copy->GetData() == descriptor.GetData());
      EXPECT_EQ(copy->GetSerial(), descriptor.GetSerial());
      delete read.object;
    }
  }
}

TEST(GPMLDescriptorTest, AnotherVersionRestoresTheBodyOnly) {
  const std::string bytes = StoredBytes().Marker().U16(956).Base(33, 8).U32(2).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* descriptor = dynamic_cast<GPMLDescriptor*>(read.object);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor->FeatureId(), 33);
  EXPECT_EQ(descriptor->GetSerial(), 8u);
  EXPECT_EQ(descriptor->GetName().Length(), 0u);
  EXPECT_EQ(descriptor->GetNumber(), 0);
  EXPECT_EQ(descriptor->GetData().Length(), 0u);
}

TEST(GPMLDescriptorTest, DamagedInputFailsCleanly) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"name longer than the input",
       StoredBytes().Marker().U16(956).Base(1, 1).U32(1).U32(0xFFFFFFFF).U16(u'A').Bytes()},
      {"data longer than the input",
       StoredBytes().Marker().U16(956).Base(1, 1).U32(1).U32(1).U16(u'A').U32(4).U32(0x7FFFFFFF).Bytes() + "ab"},
      {"number cut short", StoredBytes().Marker().U16(956).Base(1, 1).U32(1).U32(0).U16(4).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
    delete read.object;
  }
  // Every cut of every form.
  const GPMLDescriptor descriptor = Sample();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&descriptor, form);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
}

}  // namespace
