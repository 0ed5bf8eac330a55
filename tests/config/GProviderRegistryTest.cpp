#include "config/GProviderRegistry.h"

#include <gtest/gtest.h>

#include "config/GNRAProvider.h"

namespace {

// A provider with a chosen mask that hands out a recognisable session.
class TestSession : public GProviderSession {
 public:
  using GProviderSession::GProviderSession;
  int HasModelName() override { return 0; }
  int16_t Run(MPersistentObject*, int) override { return 7; }
};

class TestProvider : public GProvider {
 public:
  explicit TestProvider(int mask, bool answers = true) : mask_(mask), answers_(answers) {}
  TestProvider* CreateSameKind() const override { return new TestProvider(mask_); }
  TestProvider* Clone() const override { return new TestProvider(*this); }
  int GetServiceMask() override { return mask_; }
  GProviderSession* CreateSession(GDriverInstance* instance, const RWCString& name, int, const RWWString& port) override {
    ++asked;
    lastName = name;
    return answers_ ? new TestSession(this, instance, port) : nullptr;
  }
  int asked = 0;
  RWCString lastName;

 private:
  int mask_;
  bool answers_;
};

class ProviderRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* name : {"QVNRA 1.0", "first", "second", "both"}) registry.Unregister(RWCString(name));
  }
  GProviderRegistry registry;
};

TEST_F(ProviderRegistryTest, ASecondRegistrationUnderTheSameNameIsRefused) {
  TestProvider a(0x10000), b(0x10000);
  EXPECT_EQ(registry.Register(&a, RWCString("QVNRA 1.0")), 0);
  EXPECT_EQ(registry.Register(&b, RWCString("QVNRA 1.0")), 1);
  EXPECT_EQ(registry.CountProviders(0x10000), 1);
  GProviderSession* session = registry.CreateSession(nullptr, RWWString(u"LPT1:"), 0x10000);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->GetProvider(), &a);
  EXPECT_EQ(session->Update(nullptr, 1), 7);
  delete session;
}

TEST_F(ProviderRegistryTest, ASessionProviderNeverServesChannelsOrWiderRequests) {
  TestProvider sessions(0x10000);
  registry.Register(&sessions, RWCString("first"));
  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(), 0x1), nullptr);
  EXPECT_EQ(registry.CreateSession(nullptr, RWWString(), 0x30000), nullptr);
  EXPECT_EQ(sessions.asked, 0);
  EXPECT_EQ(registry.CountProviders(0x30000), 0);
  GProviderSession* session = registry.CreateSession(nullptr, RWWString(), 0x10000);
  EXPECT_NE(session, nullptr);
  EXPECT_EQ(std::string(sessions.lastName.Data()), "first");
  delete session;
}

TEST_F(ProviderRegistryTest, AProviderAnsweringNothingIsSkipped) {
  TestProvider silent(0x10000, false), answering(0x10000);
  registry.Register(&silent, RWCString("first"));
  registry.Register(&answering, RWCString("second"));
  GProviderSession* session = registry.CreateSession(nullptr, RWWString(), 0x10000);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->GetProvider(), &answering);
  EXPECT_EQ(silent.asked, 1);
  delete session;
}

TEST_F(ProviderRegistryTest, NamesAreExactAndUnregisterEmptiesBothLists) {
  TestProvider both(0x10001);
  registry.Register(&both, RWCString("both"));
  EXPECT_EQ(registry.CountProviders(0x10001), 2) << "a provider in both lists counts twice";
  registry.Unregister(RWCString("BOTH"));
  EXPECT_EQ(registry.CountProviders(0x10000), 1);
  registry.Unregister(RWCString("both"));
  EXPECT_EQ(registry.CountProviders(0x10000), 0);
  EXPECT_EQ(registry.CountProviders(0x00001), 0);
}

TEST_F(ProviderRegistryTest, MaskZeroRegistersNothing) {
  TestProvider none(0);
  EXPECT_EQ(registry.Register(&none, RWCString("first")), 0);
  EXPECT_EQ(registry.CountProviders(0x10000), 0);
  EXPECT_EQ(registry.Register(&none, RWCString("first")), 0) << "the name was never entered";
}

TEST(GNRAProvider, OffersTheAutoConfigurationSessionOnly) {
  GNRAProvider provider;
  EXPECT_EQ(provider.GetServiceMask(), 0x10000);
  EXPECT_TRUE(provider.DerivesFrom(957));
  EXPECT_TRUE(provider.DerivesFrom(952));
  EXPECT_TRUE(provider.DerivesFrom(751));
  EXPECT_EQ(provider.ClassId(), 957u);
  // Without a reachable agent the provider serves nothing.
  EXPECT_EQ(provider.SupportsServices(0x10000), 0);
  EXPECT_EQ(provider.CreateSession(nullptr, RWCString("QVNRA 1.0"), 0x10000, RWWString()), nullptr);
}

}  // namespace
