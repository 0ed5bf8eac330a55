#include "config/GProviderRegistry.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/GNRAProvider.h"
#include "config/GNRAUpdateSession.h"

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

// A channel provider that hands out a recognisable channel (never used as
// one: only its address is compared) and can refuse to count itself.
class ChannelProvider : public GProvider {
 public:
  ChannelProvider(int mask, GOutputChannel* channel, int supports = -1)
      : mask_(mask), channel_(channel), supports_(supports) {}
  ChannelProvider* CreateSameKind() const override { return new ChannelProvider(mask_, nullptr); }
  ChannelProvider* Clone() const override { return new ChannelProvider(*this); }
  int GetServiceMask() override { return mask_; }
  int SupportsServices(int services) override {
    return supports_ < 0 ? GProvider::SupportsServices(services) : supports_;
  }
  GOutputChannel* CreateOutputChannel(MPersistentObject*, const RWCString& name, int services,
                                      const RWWString& port) override {
    ++asked;
    lastName = name;
    lastServices = services;
    lastPort = port;
    return channel_;
  }
  int asked = 0;
  RWCString lastName;
  int lastServices = 0;
  RWWString lastPort;

 private:
  int mask_;
  GOutputChannel* channel_;
  int supports_;
};

GOutputChannel* FakeChannel(int n) {
  static char channels[3];
  return reinterpret_cast<GOutputChannel*>(&channels[n]);
}

TEST_F(ProviderRegistryTest, ChannelsComeFromTheFirstCoveringProviderInRegistrationOrder) {
  ChannelProvider narrow(0x1, FakeChannel(0));
  ChannelProvider silent(0x3, nullptr);
  ChannelProvider wide(0x10003, FakeChannel(1));
  ChannelProvider late(0x3, FakeChannel(2));
  registry.Register(&narrow, RWCString("first"));
  registry.Register(&silent, RWCString("second"));
  registry.Register(&wide, RWCString("both"));
  registry.Register(&late, RWCString("QVNRA 1.0"));

  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(u"LPT1:"), 0x2), FakeChannel(1));
  EXPECT_EQ(narrow.asked, 0) << "its mask does not cover 0x2";
  EXPECT_EQ(silent.asked, 1);
  EXPECT_EQ(late.asked, 0) << "the walk stops at the first channel";
  EXPECT_EQ(std::string(wide.lastName.Data()), "both");
  EXPECT_EQ(wide.lastServices, 0x2);
  EXPECT_TRUE(wide.lastPort == RWWString(u"LPT1:"));

  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(), 0x1), FakeChannel(0));
  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(), 0x4), nullptr);
  registry.Unregister(RWCString("both"));
  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(), 0x2), FakeChannel(2));
}

TEST_F(ProviderRegistryTest, CountingAsksEachListsProvidersWhetherTheyServe) {
  ChannelProvider offers(0x1, nullptr);
  ChannelProvider declines(0x1, nullptr, 0);
  TestProvider sessions(0x10000);
  ChannelProvider both(0x10001, nullptr);
  registry.Register(&offers, RWCString("first"));
  registry.Register(&declines, RWCString("second"));
  registry.Register(&sessions, RWCString("QVNRA 1.0"));
  EXPECT_EQ(registry.CountProviders(0x1), 1);
  EXPECT_EQ(registry.CountProviders(0x10000), 1);
  EXPECT_EQ(registry.CountProviders(0x2), 0);
  EXPECT_EQ(registry.CountProviders(0), 0) << "no bit asks neither list";
  registry.Register(&both, RWCString("both"));
  EXPECT_EQ(registry.CountProviders(0x1), 2);
  EXPECT_EQ(registry.CountProviders(0x10000), 2);
  EXPECT_EQ(registry.CountProviders(0x10001), 2) << "only the provider offering both, once per list";
}

TEST(ProviderRegistry, OneRegistryPerProcess) {
  EXPECT_NE(GProviderRegistry::GetInstance(), nullptr);
  EXPECT_EQ(GProviderRegistry::GetInstance(), GProviderRegistry::GetInstance());
}

TEST(GNRAProvider, OffersTheAutoConfigurationSessionOnly) {
  GNRAProvider provider;
  EXPECT_EQ(provider.GetServiceMask(), 0x10000);
  EXPECT_TRUE(provider.DerivesFrom(957));
  EXPECT_TRUE(provider.DerivesFrom(952));
  EXPECT_TRUE(provider.DerivesFrom(751));
  EXPECT_EQ(provider.ClassId(), 957u);
  // Without a reachable agent the provider offers nothing; a session asked
  // for all the same is made for the provider, whatever the services.
  EXPECT_EQ(provider.SupportsServices(0x10000), 0);
  std::unique_ptr<GProviderSession> session(
      provider.CreateSession(nullptr, RWCString("QVNRA 1.0"), 0x30000, RWWString(u"LPT1:")));
  ASSERT_NE(dynamic_cast<GNRAUpdateSession*>(session.get()), nullptr);
  EXPECT_EQ(session->GetProvider(), &provider);
  EXPECT_EQ(session->GetPortName(), RWWString(u"LPT1:"));
  EXPECT_EQ(session->HasModelName(), 0);
}

}  // namespace
