#include "config/GNRAProvider.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/GPMLDescriptor.h"
#include "config/GProviderRegistry.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"
#include "win32/Window.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::StoredBytes;

constexpr int32_t kTonerId = 501;
constexpr int32_t kTrayId = 502;

// A fresh platform for each test, with the agent's window when asked for.
class NRAProviderTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }

  HWND StartAgent() { return w32test::CreateTestWindow(u"qvnra", u"Network Registry Agent"); }
  static UINT AgentMessage() { return RegisterWindowMessageW(u"QVNRA_CLIENT_REQUEST"); }

  GNRAProvider provider;
};

// ---- Agent contact ----

TEST_F(NRAProviderTest, WithoutTheAgentsWindowNothingIsSentAndNothingIsOffered) {
  w32test::CreateTestWindow(u"qvnra2");  // another class
  EXPECT_EQ(provider.SupportsServices(0x10000), 0);
  EXPECT_EQ(provider.FindAgent(), 0);
  EXPECT_EQ(provider.IsAgentKnown(), 0);
  EXPECT_EQ(provider.SendAgentRequest(6), 0);
  EXPECT_TRUE(w32test::SentMessages().empty());
}

TEST_F(NRAProviderTest, FindsTheAgentByClassAndRegisteredMessage) {
  const HWND agent = StartAgent();
  EXPECT_EQ(provider.FindAgent(), 1);
  EXPECT_EQ(provider.IsAgentKnown(), 1);
  EXPECT_EQ(provider.GetAgentWindow(), agent);
  EXPECT_EQ(provider.GetAgentMessage(), AgentMessage());
  EXPECT_GE(provider.GetAgentMessage(), 0xC000u);
  EXPECT_EQ(provider.ForgetAgent(), 1);
  EXPECT_EQ(provider.IsAgentKnown(), 0);
  EXPECT_EQ(provider.GetAgentWindow(), nullptr);
  EXPECT_EQ(provider.GetAgentMessage(), 0u);
}

TEST_F(NRAProviderTest, OffersExactlyTheAutoConfigurationSessionWhileTheAgentRuns) {
  StartAgent();
  EXPECT_EQ(provider.GetServiceMask(), 0x10000);
  for (int services : {0x10001, 0x30000, 0x20000, 0x1, 0}) {
    SCOPED_TRACE(services);
    EXPECT_EQ(provider.SupportsServices(services), 0);
  }
  EXPECT_EQ(provider.IsAgentKnown(), 0) << "other requests do not look the agent up";
  EXPECT_EQ(provider.SupportsServices(0x10000), 1);
  EXPECT_EQ(provider.IsAgentKnown(), 1) << "the look-up is kept";
}

TEST_F(NRAProviderTest, TheWakeSequenceSendsSixThenOneAndForgetsTheAgent) {
  const HWND agent = StartAgent();
  ASSERT_EQ(provider.SendAgentRequest(6), 1);
  ASSERT_EQ(provider.SendAgentRequest(1), 1);
  provider.ForgetAgent();
  EXPECT_EQ(provider.IsAgentKnown(), 0);

  const std::vector<w32test::SentMessage> sent = w32test::SentMessages();
  ASSERT_EQ(sent.size(), 2u);
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].window, agent);
    EXPECT_EQ(sent[i].message, AgentMessage());
    EXPECT_EQ(sent[i].wParam, 3u);
  }
  EXPECT_EQ(sent[0].lParam, 6);
  EXPECT_EQ(sent[1].lParam, 1);

  // The next contact looks the agent up again and finds its new window.
  w32test::DestroyTestWindow(agent);
  const HWND restarted = StartAgent();
  EXPECT_EQ(provider.SendAgentRequest(6), 1);
  EXPECT_EQ(w32test::SentMessages().back().window, restarted);
}

TEST_F(NRAProviderTest, ARequestSucceedsOnlyWhenTheAgentAnswersZero) {
  const HWND agent = StartAgent();
  struct Case {
    LRESULT answer;
    int result;
  } cases[] = {{0, 1}, {1, 0}, {-1, 0}, {static_cast<LRESULT>(0x100000000LL), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    w32test::QueueWindowAnswer(agent, c.answer);
    EXPECT_EQ(provider.SendAgentRequest(6), c.result);
  }
  EXPECT_EQ(w32test::SentMessages().size(), 4u);
}

TEST_F(NRAProviderTest, AFailedMessageRegistrationLeavesTheAgentUnknown) {
  StartAgent();
  w32test::FailCall("RegisterWindowMessageW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(provider.SendAgentRequest(6), 0);
  EXPECT_EQ(provider.IsAgentKnown(), 0);
  EXPECT_TRUE(w32test::SentMessages().empty());
  EXPECT_EQ(provider.SendAgentRequest(6), 1) << "the next request looks again";
}

// A window that went away after the look-up must not pass for an agent that
// handled the request: sending to it answers 0 as a handled request does.
TEST_F(NRAProviderTest, ARequestToAnAgentWindowThatHasGoneFails) {
  const HWND agent = StartAgent();
  ASSERT_EQ(provider.SupportsServices(0x10000), 1);
  w32test::DestroyTestWindow(agent);
  EXPECT_EQ(provider.SendAgentRequest(6), 0);
  EXPECT_EQ(provider.IsAgentKnown(), 0) << "the stale window is forgotten";
  EXPECT_EQ(provider.SupportsServices(0x10000), 0);
  StartAgent();
  EXPECT_EQ(provider.SendAgentRequest(6), 1);
}

TEST_F(NRAProviderTest, TheRegistryCountsItExactlyWhileTheAgentsWindowExists) {
  GProviderRegistry registry;
  ASSERT_EQ(registry.Register(&provider, RWCString(GNRAProvider::kRegisteredName)), 0);
  EXPECT_EQ(registry.Register(&provider, RWCString("QVNRA 1.0")), 1);
  EXPECT_EQ(registry.CountProviders(0x10000), 0);
  const HWND agent = StartAgent();
  EXPECT_EQ(registry.CountProviders(0x10000), 1);
  EXPECT_EQ(registry.CountProviders(0x30000), 0);
  EXPECT_EQ(registry.CountProviders(0x1), 0);
  EXPECT_EQ(registry.OpenOutputChannel(nullptr, RWWString(u"LPT1:"), 0), nullptr) << "never a channel";
  provider.ForgetAgent();
  w32test::DestroyTestWindow(agent);
  EXPECT_EQ(registry.CountProviders(0x10000), 0);
  registry.Unregister(RWCString("qvnra 1.0"));
  StartAgent();
  EXPECT_EQ(registry.CountProviders(0x10000), 1) << "a name in another case is another name";
  registry.Unregister(RWCString("QVNRA 1.0"));
  EXPECT_EQ(registry.CountProviders(0x10000), 0);
}

// ---- Persistent object ----

// A provider with something in both lists; one child stands in both.
std::unique_ptr<GNRAProvider> MakePopulated(GAttribute** shared = nullptr) {
  auto provider = std::make_unique<GNRAProvider>();
  provider->SetFeatureId(77);
  provider->WatchedObjects().AddChild(new GValueAttribute(3, &kTonerId));
  auto* tray = new GStringAttribute("Tray 2", &kTrayId);
  provider->WatchedObjects().AddChild(tray);
  provider->ReservedObjects().AddChild(new GValueAttribute(-4, &kTrayId));
  provider->ReservedObjects().AddChild(tray);
  if (shared != nullptr) *shared = tray;
  return provider;
}

TEST_F(NRAProviderTest, ClassIdentity) {
  EXPECT_EQ(provider.ClassId(), 957u);
  for (RWClassID id : {957, 952, 751}) EXPECT_TRUE(provider.DerivesFrom(id)) << id;
  EXPECT_FALSE(provider.DerivesFrom(956));
  std::unique_ptr<RWCollectable> made(RWFactoryCreateByStringId(RWStringID("GNRAProvider")));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassId(), 957u);
  std::unique_ptr<RWCollectable> byId(RWFactoryCreate(957));
  ASSERT_NE(byId, nullptr);
}

TEST_F(NRAProviderTest, RoundTripsInEveryFormWithItsByteCount) {
  std::unique_ptr<GNRAProvider> populated = MakePopulated();
  for (const GNRAProvider* p : {populated.get(), &provider}) {
    qvtest::ExpectStoredByteCountIsWritten(*p);
    qvtest::ExpectRoundTripsInAllForms(*p);
  }
  // The child shared by both lists is shared again after the read.
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(populated.get(), form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* copy = dynamic_cast<GNRAProvider*>(read.object);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->WatchedObjects().GetEntryCount(), 2);
    ASSERT_EQ(copy->ReservedObjects().GetEntryCount(), 2);
    EXPECT_EQ(copy->WatchedObjects().ChildAt(1), copy->ReservedObjects().ChildAt(1));
    EXPECT_EQ(copy->FeatureId(), 77);
  }
}

TEST_F(NRAProviderTest, StoredFormIsProviderVersionThenBothLists) {
  GNRAProvider empty;
  empty.SetFeatureId(2);
  empty.SetSerial(9);
  const std::string bytes = qvtest::SaveInForm(&empty, ModelForm::kFile);
  const std::string head = StoredBytes().Marker().U16(957).Base(2, 9).U32(1).U32(1).Bytes();
  ASSERT_GE(bytes.size(), head.size() + 4);
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  // Then the two lists, each a composite of class 757.
  EXPECT_EQ(bytes.substr(head.size(), 2), StoredBytes().U16(757).Bytes());
  // Inside the provider's save a list has no outermost marker.
  const uint32_t list = empty.WatchedObjects().StoredByteCount() - 4;
  EXPECT_EQ(empty.MembersStoreSize(), 12u + 4 + 4 + 2 * list);
  EXPECT_EQ(bytes.size(), 4u + 2 + empty.MembersStoreSize());
}

TEST_F(NRAProviderTest, TheCachedAgentIsNeverStored) {
  StartAgent();
  std::unique_ptr<GNRAProvider> populated = MakePopulated();
  ASSERT_EQ(populated->FindAgent(), 1);
  const uint32_t predicted = populated->StoredByteCount();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(populated.get(), form);
    if (form == ModelForm::kFile) {
      EXPECT_EQ(bytes.size(), predicted);
    }
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* copy = dynamic_cast<GNRAProvider*>(read.object);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetAgentWindow(), nullptr);
    EXPECT_EQ(copy->GetAgentMessage(), 0u);
    EXPECT_FALSE(copy->Matches(populated.get())) << "the cache takes part in the comparison";
    populated->ForgetAgent();
    EXPECT_TRUE(copy->Matches(populated.get()));
    populated->FindAgent();
  }
}

TEST_F(NRAProviderTest, AnotherVersionReadsNothingAfterTheProvider) {
  const std::string bytes = StoredBytes().Marker().U16(957).Base(5, 6).U32(1).U32(2).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* copy = dynamic_cast<GNRAProvider*>(read.object);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->FeatureId(), 5);
  EXPECT_EQ(copy->WatchedObjects().GetEntryCount(), 0);
  EXPECT_EQ(copy->ReservedObjects().GetEntryCount(), 0);
}

TEST_F(NRAProviderTest, DamagedInputFailsCleanly) {
  std::unique_ptr<GNRAProvider> populated = MakePopulated();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(populated.get(), form);
    const size_t step = form == ModelForm::kPortableText ? 3 : 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
  // A list whose stored reference points back at the provider, a stored
  // null in place of a list, and a huge child count.
  const std::string head = StoredBytes().Marker().U16(957).Base(1, 1).U32(1).U32(1).Bytes();
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"back reference to the provider", head + StoredBytes().Ref(1).Bytes()},
      {"null list", head + StoredBytes().Ref(0).Bytes()},
      {"huge child count", head + StoredBytes().U16(757).Base(0, 0).U32(1).U32(1).U32(1).U32(0x7FFFFFFF).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
    delete read.object;
  }
}

TEST_F(NRAProviderTest, ACopyKeepsTheAgentAndSharesTheListsChildren) {
  StartAgent();
  GAttribute* shared = nullptr;
  std::unique_ptr<GNRAProvider> populated = MakePopulated(&shared);
  populated->FindAgent();
  std::unique_ptr<GNRAProvider> copy(populated->Clone());
  EXPECT_EQ(copy->GetAgentWindow(), populated->GetAgentWindow());
  EXPECT_EQ(copy->GetAgentMessage(), populated->GetAgentMessage());
  EXPECT_EQ(copy->WatchedObjects().ChildAt(1), shared);
  EXPECT_EQ(copy->ReservedObjects().ChildAt(1), shared);
  EXPECT_TRUE(copy->Matches(populated.get()));
  EXPECT_EQ(copy->FeatureId(), 77);

  // The copy is a provider of its own: its lists change alone.
  delete copy->WatchedObjects().RemoveChildById(kTonerId);
  EXPECT_EQ(populated->WatchedObjects().GetEntryCount(), 2);
  EXPECT_FALSE(copy->Matches(populated.get()));
  populated.reset();
  EXPECT_EQ(copy->ReservedObjects().ChildAt(1), shared) << "still held by the copy";
}

TEST_F(NRAProviderTest, MatchesComparesClassAgentAndLists) {
  std::unique_ptr<GNRAProvider> a = MakePopulated();
  std::unique_ptr<GNRAProvider> b = MakePopulated();
  EXPECT_TRUE(a->Matches(b.get()));
  b->ReservedObjects().AddChild(new GValueAttribute(1, &kTonerId));
  EXPECT_FALSE(a->Matches(b.get())) << "the second list counts too";
  GPMLDescriptor descriptor;
  descriptor.SetFeatureId(77);
  EXPECT_FALSE(a->Matches(&descriptor));
  EXPECT_FALSE(a->Matches(nullptr));
}

}  // namespace
