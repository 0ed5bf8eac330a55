// How a peripheral takes commands: Send merges a command's settings into
// the section of their id and applies what changed, Filter dispatches and
// turns a failure into an error command, composites are walked member by
// member, modes follow the boundary commands, the observers are told of
// changes, and an owned output channel is aborted and let go.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GDownloadHeaderCommand.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "support/RecordingPeripheral.h"

namespace {

using qvtest::RecordingPeripheral;
using Ops = std::vector<std::string>;

const int32_t kCopies = 5;
const int32_t kDuplex = 6;

// A command whose dispatch reaches the peripheral's DocumentBreak, the one
// command hook that takes any command.
class BreakCommand : public GCommand {
 public:
  explicit BreakCommand(GState* settings = nullptr, const int32_t* id = nullptr) : GCommand(settings, id) {}
  BreakCommand* CreateSameKind() const override { return new BreakCommand; }
  BreakCommand* Clone() const override { return new BreakCommand(*this); }
  int16_t Dispatch(GPeripheral* peripheral) override { return peripheral->DocumentBreak(this); }
};

// Stands for the graphics layer's transform attribute (class 103).
class TestTransform : public GAttribute {
 public:
  TestTransform() = default;
  TestTransform* CreateSameKind() const override { return new TestTransform; }
  TestTransform* Clone() const override { return new TestTransform(*this); }
  RWClassID ClassId() const override { return 103; }
  int16_t ApplyTo(GPeripheral* receiver) override { return receiver->SetTransform(nullptr); }
};

// A channel that records what it is asked and can be told to fail.
class FakeChannel : public GOutputChannel {
 public:
  static inline int live = 0;
  FakeChannel() : GOutputChannel(RWWString(u"PORT:")) { ++live; }
  ~FakeChannel() override { --live; }
  int16_t Write(const uint8_t* bytes, uint32_t count, uint32_t* written) override {
    if (GetState() != kInDocument) return kNotAllowed;
    data.append(reinterpret_cast<const char*>(bytes), count);
    AddBytesWritten(count);
    if (written != nullptr) *written = count;
    return writeStatus;
  }
  int IsReady() override { return 1; }
  std::string data;
  int16_t writeStatus = 0;
};

GState* SettingsWith(int32_t sectionId, GAttribute* attribute) {
  auto* settings = new GState(&sectionId);
  if (attribute != nullptr) settings->AddChild(attribute);
  return settings;
}

TEST(GPeripheralSendTest, AnInactivePeripheralReturnsTheCommandUntouched) {
  RecordingPeripheral peripheral;
  peripheral.Deactivate();
  GCountedPtr command(new BreakCommand(SettingsWith(GFeatureIds::kPageState, new GValueAttribute(2, &kCopies))));
  CommandOf(command)->SetModified(1);
  GCountedPtr result = peripheral.Send(CommandOf(command));
  EXPECT_EQ(result.Pointee(), command.Pointee());
  EXPECT_EQ(CommandOf(command)->IsModified(), 1) << "the modified flag is left alone";
  EXPECT_TRUE(peripheral.Calls().empty());
  EXPECT_EQ(peripheral.GetCurrentState()->FindById(GFeatureIds::kPageState), nullptr) << "no settings merged";
  EXPECT_TRUE(peripheral.Send(nullptr).IsEmpty());
}

TEST(GPeripheralSendTest, AnErrorCommandPassesUntouchedEvenThroughAnActivePeripheral) {
  RecordingPeripheral peripheral;
  GCountedPtr error(new GErrorCommand(7, nullptr));
  CommandOf(error)->SetSettings(SettingsWith(GFeatureIds::kJobSettings, new GValueAttribute(1, &kCopies)));
  GCountedPtr result = peripheral.Send(CommandOf(error));
  EXPECT_EQ(result.Pointee(), error.Pointee());
  EXPECT_TRUE(peripheral.Calls().empty()) << "neither dispatched nor applied";
}

TEST(GPeripheralSendTest, SettingsMergeIntoTheSectionOfTheirIdAndTheChangesReachThePeripheral) {
  const struct {
    int32_t id;
    bool section;  // merges into a section of that id, else into the current state itself
  } cases[] = {{GFeatureIds::kGraphicsState, true}, {GFeatureIds::kJobSettings, true}, {GFeatureIds::kPageState, true}, {77, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    RecordingPeripheral peripheral;
    auto* value = new GValueAttribute(2, &kCopies);
    GState* settings = SettingsWith(c.id, value);
    GCountedPtr command(new BreakCommand(settings));
    GCountedPtr result = peripheral.Send(CommandOf(command));
    EXPECT_EQ(result.Pointee(), command.Pointee());
    EXPECT_EQ(peripheral.Operations(), (Ops{"SetValue", "DocumentBreak"})) << "settings apply before dispatch";
    GState* current = peripheral.GetCurrentState();
    auto* section = dynamic_cast<GState*>(current->FindById(c.id));
    ASSERT_NE(section, nullptr);
    if (c.section) {
      EXPECT_NE(section, settings) << "the section takes the members, not the settings object";
      EXPECT_EQ(section, peripheral.GetStateSection(c.id));
      EXPECT_EQ(section->FindById(kCopies), value);
    } else {
      EXPECT_EQ(section, settings) << "the settings become one member of the current state";
      EXPECT_EQ(peripheral.GetStateSection(c.id), current);
    }
  }
}

TEST(GPeripheralSendTest, ANewCurrentStateGetsItsSectionsAnew) {
  RecordingPeripheral peripheral;
  GState* before = peripheral.GetStateSection(GFeatureIds::kGraphicsState);
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(before->FeatureId(), GFeatureIds::kGraphicsState);
  EXPECT_EQ(peripheral.GetStateSection(GFeatureIds::kGraphicsState), before) << "cached";
  auto* state = new GState;
  peripheral.SetCurrentState(state);
  // The old state (and the section cached from it) is gone, so the section
  // must be one of the new state's own: comparing with the old address would
  // prove nothing once the allocator reuses it.
  GState* after = peripheral.GetStateSection(GFeatureIds::kGraphicsState);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->FeatureId(), GFeatureIds::kGraphicsState);
  EXPECT_GE(state->IndexOfChild(after), 0);

  // A section taken out of the state behind the peripheral's back is not
  // served from the cache any more.
  delete state->RemoveChild(after);
  GState* again = peripheral.GetStateSection(GFeatureIds::kGraphicsState);
  EXPECT_GE(state->IndexOfChild(again), 0);
}

TEST(GPeripheralSendTest, AChangedTransformGoesFirstAndSendsTheWholeGraphicsSectionAgain) {
  RecordingPeripheral peripheral;
  auto* pen = new GValueAttribute(3, &kCopies);
  GCountedPtr first(new BreakCommand(SettingsWith(GFeatureIds::kGraphicsState, pen)));
  peripheral.Send(CommandOf(first));
  pen->changed = 0;  // as if it had gone out long ago
  peripheral.Clear();

  auto* settings = new GState(&GFeatureIds::kGraphicsState);
  settings->AddChild(new GValueAttribute(1, &kDuplex));
  settings->AddChild(new TestTransform);
  GCountedPtr second(new BreakCommand(settings));
  peripheral.Send(CommandOf(second));
  EXPECT_EQ(peripheral.Operations(), (Ops{"SetTransform", "SetValue", "SetValue", "DocumentBreak"}));
  EXPECT_EQ(peripheral.FeatureIds(), (std::vector<int32_t>{kCopies, kDuplex}));
}

TEST(GPeripheralSendTest, ATransformInsideAGraphicBundleStillGoesFirst) {
  // A graphic's bundle is a state of its own kind: the graphics section
  // keeps it as one member, and its transform must still lead.
  RecordingPeripheral peripheral;
  auto* bundle = new GGraphicBundle;
  bundle->AddChild(new GValueAttribute(1, &kDuplex));
  bundle->AddChild(new GValueAttribute(2, &kCopies));
  bundle->AddChild(new TestTransform);
  GCountedPtr command(new BreakCommand(bundle));
  peripheral.Send(CommandOf(command));
  EXPECT_EQ(peripheral.Operations(), (Ops{"SetTransform", "SetValue", "SetValue", "DocumentBreak"}));
  EXPECT_EQ(peripheral.FeatureIds(), (std::vector<int32_t>{kDuplex, kCopies}));
}

TEST(GPeripheralSendTest, AFailedDispatchBecomesAnErrorThatLaterStagesPassOn) {
  RecordingPeripheral first;
  RecordingPeripheral second;
  first.SetResult("DocumentBreak", 42);
  GCommand* command = new BreakCommand;  // handed over: the chain's handles keep it
  GCountedPtr out = second.Send(CommandOf(first.Send(command)));
  auto* error = dynamic_cast<GErrorCommand*>(out.Pointee());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 42);
  EXPECT_EQ(error->GetFailedCommand(), command);
  EXPECT_EQ(first.Operations(), (Ops{"DocumentBreak"}));
  EXPECT_TRUE(second.Operations().empty()) << "the error is neither filtered nor dispatched";
}

TEST(GPeripheralSendTest, BoundaryCommandsMoveTheModeAndTheBaseRefusesNothing) {
  RecordingPeripheral p;
  EXPECT_EQ(p.GetMode(), 0);
  EXPECT_EQ(p.PageStart(nullptr), 0);
  EXPECT_TRUE(p.IsInPage()) << "a page start outside a document still enters the page";
  EXPECT_EQ(p.PageEnd(nullptr), 0);
  EXPECT_TRUE(p.IsInDocument());
  EXPECT_EQ(p.DocumentStart(nullptr), 0);
  EXPECT_TRUE(p.IsInDocument());
  EXPECT_EQ(p.DocumentEnd(nullptr), 0);
  EXPECT_EQ(p.GetMode(), 0);
  p.EnterPage();
  EXPECT_EQ(p.JobAbort(nullptr), 0);
  EXPECT_EQ(p.GetMode(), 0);
  EXPECT_EQ(p.SupportsScaling(), 1);
  EXPECT_EQ(p.GetEffectFlags(), 0);
}

TEST(GPeripheralSendTest, CommandsDispatchToTheirOneOperationAndRefuseANullPeripheral) {
  static const uint8_t kBytes[] = {1, 2, 3};
  struct Case {
    std::shared_ptr<GCommand> command;
    std::string operation;
  };
  const Case cases[] = {
      {std::make_shared<GPassThroughCommand>(kBytes, 3, 767, nullptr), "PassThrough"},
      {std::make_shared<GDownloadHeaderCommand>(19, nullptr), "DownloadHeader"},
      {std::make_shared<GErrorCommand>(3, nullptr), "Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    RecordingPeripheral p;
    EXPECT_EQ(c.command->Dispatch(&p), 0);
    EXPECT_EQ(p.Operations(), Ops{c.operation});
    p.SetResult(c.operation, 9);
    EXPECT_EQ(c.command->Dispatch(&p), 9) << "the operation's status comes back unchanged";
    EXPECT_EQ(c.command->Dispatch(nullptr), GCommand::kNoReceiver) << "no peripheral: refused, no crash";
    EXPECT_EQ(c.command->ReservedQuery(), 1);
  }
  GCommandComposite composite;
  RecordingPeripheral p;
  EXPECT_EQ(composite.Dispatch(&p), 0);
  EXPECT_EQ(composite.Dispatch(nullptr), 0);
  EXPECT_TRUE(p.Calls().empty());
}

// Replaces every command with the feature id kDuplex by a new command.
class ReplacingPeripheral : public RecordingPeripheral {
 public:
  GCountedPtr Filter(GCommand* command) override {
    GCountedPtr held(command);
    if (command->FeatureId() == kDuplex) return GCountedPtr(new BreakCommand(nullptr, &kCopies));
    return RecordingPeripheral::Filter(command);
  }
};

TEST(GPeripheralSendTest, ACompositeIsWalkedMemberByMemberAndReplacedMembersTakeTheirPlaces) {
  ReplacingPeripheral p;
  GCountedPtr holder(new GCommandComposite);
  auto* composite = static_cast<GCommandComposite*>(holder.Pointee());
  auto* kept = new BreakCommand;
  auto* replaced = new BreakCommand(nullptr, &kDuplex);
  composite->AddChild(kept);
  composite->AddChild(replaced);
  GCountedPtr result = p.Send(composite);
  EXPECT_EQ(result.Pointee(), composite);
  EXPECT_EQ(composite->MemberAt(0), kept);
  ASSERT_NE(composite->MemberAt(1), nullptr);
  EXPECT_EQ(composite->MemberAt(1)->FeatureId(), kCopies) << "the replacement sits in the member's place";
  EXPECT_EQ(composite->IsModified(), 1);
  EXPECT_EQ(p.Operations(), (Ops{"DocumentBreak"}));

  // Sending it again clears the flag first; nothing is replaced this time.
  p.Send(composite);
  EXPECT_EQ(composite->IsModified(), 0);
}

TEST(GPeripheralSendTest, AnErrorInsideACompositeTakesTheMembersPlaceAndEndsTheWalk) {
  RecordingPeripheral p;
  p.SetResult("DocumentBreak", 5);
  GCountedPtr holder(new GCommandComposite);
  auto* composite = static_cast<GCommandComposite*>(holder.Pointee());
  auto* failing = new BreakCommand;
  composite->AddChild(failing);
  composite->AddChild(new GDownloadHeaderCommand(1, nullptr));
  GCountedPtr result = p.Send(composite);
  EXPECT_EQ(result.Pointee(), composite) << "the composite comes back, carrying the error";
  auto* error = dynamic_cast<GErrorCommand*>(composite->MemberAt(0));
  ASSERT_NE(error, nullptr) << "the error travels on in the failed member's place";
  EXPECT_EQ(error->GetStatus(), 5);
  EXPECT_EQ(error->GetFailedCommand(), failing);
  EXPECT_EQ(composite->IsModified(), 1);
  EXPECT_EQ(composite->FindByClass(GErrorCommandClassId), error) << "the job's sender finds it by class";
  EXPECT_EQ(p.Operations(), (Ops{"DocumentBreak"})) << "the walk stopped at the failure";

  // A later stage gets the error member unchanged and sends nothing after it.
  RecordingPeripheral next;
  next.Send(composite);
  EXPECT_TRUE(next.Operations().empty());
  EXPECT_EQ(composite->MemberAt(0), error);

  // A peripheral that becomes inactive stops the walk before the next member.
  RecordingPeripheral quitting;
  quitting.SetResult("DocumentBreak", 0);
  GCountedPtr second(new GCommandComposite);
  auto* list = static_cast<GCommandComposite*>(second.Pointee());
  list->AddChild(new GDownloadHeaderCommand(1, nullptr));
  list->AddChild(new GDownloadHeaderCommand(2, nullptr));
  quitting.SetResult("DownloadHeader", 0);
  struct Deactivating : RecordingPeripheral {
    int16_t DownloadHeader(GDownloadHeaderCommand* c) override {
      Deactivate();
      return RecordingPeripheral::DownloadHeader(c);
    }
  } stopping;
  stopping.Send(list);
  EXPECT_EQ(stopping.Operations(), (Ops{"DownloadHeader"}));
}

TEST(GPeripheralSendTest, ObserversAreToldInOrderAndOnlyWhileTheyAreListed) {
  RecordingPeripheral source;
  RecordingPeripheral a;
  RecordingPeripheral b;
  source.AddObserver(&a);
  source.AddObserver(&b);
  source.AddObserver(&a);
  source.RemoveObserver(&a);  // only the first entry goes
  ASSERT_EQ(source.ObserverCount(), 2u);
  EXPECT_EQ(source.ObserverAt(0), &b);
  EXPECT_EQ(source.ObserverAt(1), &a);
  source.SetConfiguration(new GConfiguration(GFeatureIds::kPeripheralConfiguration));
  EXPECT_EQ(b.Changes(), (std::vector<GPeripheral*>{&source}));
  EXPECT_EQ(a.Changes(), (std::vector<GPeripheral*>{&source}));
  source.RemoveObserver(&b);
  source.RemoveObserver(&b);  // absent: nothing
  EXPECT_EQ(source.ObserverCount(), 1u);
}

// An observer that, when told, removes and destroys another observer.
class DroppingObserver : public RecordingPeripheral {
 public:
  std::unique_ptr<RecordingPeripheral> victim;
  void OnPeripheralChanged(GPeripheral* source) override {
    if (victim) {
      source->RemoveObserver(victim.get());
      victim.reset();
    }
    RecordingPeripheral::OnPeripheralChanged(source);
  }
};

TEST(GPeripheralSendTest, AnObserverRemovedDuringANotificationIsNotToldAfterwards) {
  RecordingPeripheral source;
  DroppingObserver dropper;
  dropper.victim = std::make_unique<RecordingPeripheral>();
  source.AddObserver(&dropper);
  source.AddObserver(dropper.victim.get());
  source.RebuildCurrentState();  // would tell the destroyed observer without the check
  EXPECT_EQ(source.ObserverCount(), 1u);
  EXPECT_EQ(dropper.Changes().size(), 1u);
}

TEST(GPeripheralSendTest, JobAbortAbortsOnlyAnOwnedChannel) {
  {
    RecordingPeripheral p;
    auto channel = std::make_unique<FakeChannel>();
    ASSERT_EQ(channel->Open(RWWString(u"doc")), 0);
    ASSERT_EQ(channel->BeginDocument(), 0);
    p.SetOutputChannel(channel.get(), 0);
    EXPECT_EQ(p.JobAbort(nullptr), 0);
    EXPECT_EQ(channel->GetState(), GOutputChannel::kInDocument) << "a borrowed channel is left alone";
    p.SetOutputChannel(nullptr, 0);
  }
  {
    RecordingPeripheral p;
    auto* channel = new FakeChannel;
    ASSERT_EQ(channel->Open(RWWString(u"doc")), 0);
    p.SetOutputChannel(channel, 1);
    EXPECT_EQ(p.JobAbort(nullptr), 0);
    EXPECT_EQ(channel->GetState(), GOutputChannel::kFinished);
    EXPECT_EQ(p.GetOutputChannel(), channel) << "the base aborts; deleting is the owner's next step";
  }
  EXPECT_EQ(FakeChannel::live, 0) << "the peripheral deletes the channel it owns";
}

TEST(GPeripheralSendTest, RebuildingMakesAFreshCopyOfTheDefaultsAndLetsGoOfTheChannel) {
  RecordingPeripheral observer;
  auto* defaults = new GState;
  defaults->AddChild(new GValueAttribute(4, &kCopies));
  RecordingPeripheral p;
  p.SetDefaultState(defaults);
  p.AddObserver(&observer);
  p.GetStateSection(GFeatureIds::kPageState);
  p.Deactivate();
  p.SetOutputChannel(new FakeChannel, 1);
  ASSERT_EQ(FakeChannel::live, 1);
  p.RebuildCurrentState();
  EXPECT_TRUE(p.IsActive());
  GState* current = p.GetCurrentState();
  EXPECT_NE(current, defaults);
  EXPECT_FALSE(current->DiffersFrom(defaults));
  EXPECT_EQ(current->FeatureId(), GFeatureIds::kPeripheralState);
  EXPECT_EQ(current->FindById(GFeatureIds::kPageState), nullptr);
  EXPECT_EQ(p.GetOutputChannel(), nullptr);
  EXPECT_EQ(FakeChannel::live, 0);
  EXPECT_EQ(observer.Changes().size(), 1u);

  // A borrowed channel is forgotten, not deleted.
  FakeChannel borrowed;
  p.SetOutputChannel(&borrowed, 0);
  p.RebuildCurrentState();
  EXPECT_EQ(p.GetOutputChannel(), nullptr);
  EXPECT_EQ(FakeChannel::live, 1);
}

TEST(GPeripheralSendTest, ResetsHandTheOldStateOverAndACopyIsIdleWithoutAChannel) {
  RecordingPeripheral p;
  GState* section = p.GetStateSection(GFeatureIds::kJobSettings);
  std::unique_ptr<GState> old(p.ResetCurrentState());
  EXPECT_GE(old->IndexOfChild(section), 0);
  EXPECT_NE(p.GetCurrentState(), old.get());
  EXPECT_NE(p.GetStateSection(GFeatureIds::kJobSettings), section);
  std::unique_ptr<GConfiguration> config(p.ResetConfiguration());
  EXPECT_NE(config.get(), nullptr);
  std::unique_ptr<GState> defaults(p.ResetDefaultState());
  EXPECT_NE(defaults.get(), nullptr);

  p.EnterPage();
  p.SetOutputChannel(new FakeChannel, 1);
  RecordingPeripheral copy(p);
  EXPECT_EQ(copy.GetMode(), 0);
  EXPECT_EQ(copy.GetOutputChannel(), nullptr);
  EXPECT_EQ(copy.GetCurrentState(), p.GetCurrentState()) << "states are shared";
}

// ---- The output channel's state machine ----

enum class Op { kOpen, kBegin, kEnd, kClose, kAbort, kWrite };

TEST(GOutputChannelTest, EveryRequestFollowsTheStateTable) {
  using S = GOutputChannel::State;
  const struct {
    S from;
    Op op;
    int16_t status;
    S to;
  } cases[] = {
      {S::kClosed, Op::kOpen, 0, S::kOpen},          {S::kOpen, Op::kOpen, 1, S::kOpen},
      {S::kInDocument, Op::kOpen, 1, S::kInDocument}, {S::kFinished, Op::kOpen, 1, S::kFinished},
      {S::kClosed, Op::kBegin, 1, S::kClosed},        {S::kOpen, Op::kBegin, 0, S::kInDocument},
      {S::kInDocument, Op::kBegin, 0, S::kInDocument}, {S::kFinished, Op::kBegin, 1, S::kFinished},
      {S::kClosed, Op::kEnd, 1, S::kClosed},          {S::kOpen, Op::kEnd, 0, S::kOpen},
      {S::kInDocument, Op::kEnd, 0, S::kOpen},        {S::kFinished, Op::kEnd, 1, S::kFinished},
      {S::kClosed, Op::kClose, 1, S::kClosed},        {S::kOpen, Op::kClose, 0, S::kClosed},
      {S::kInDocument, Op::kClose, 0, S::kClosed},    {S::kFinished, Op::kClose, 1, S::kFinished},
      {S::kClosed, Op::kAbort, 0, S::kFinished},      {S::kOpen, Op::kAbort, 0, S::kFinished},
      {S::kInDocument, Op::kAbort, 0, S::kFinished},  {S::kFinished, Op::kAbort, 0, S::kFinished},
      {S::kClosed, Op::kWrite, 1, S::kClosed},        {S::kOpen, Op::kWrite, 0, S::kInDocument},
      {S::kInDocument, Op::kWrite, 0, S::kInDocument}, {S::kFinished, Op::kWrite, 1, S::kFinished},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " op " << static_cast<int>(c.op));
    FakeChannel channel;
    if (c.from != S::kClosed) channel.Open(RWWString(u"doc"));
    if (c.from == S::kInDocument) channel.BeginDocument();
    if (c.from == S::kFinished) channel.Abort();
    ASSERT_EQ(channel.GetState(), c.from);
    int16_t status = -1;
    uint32_t written = 0;
    switch (c.op) {
      case Op::kOpen: status = channel.Open(RWWString(u"doc")); break;
      case Op::kBegin: status = channel.BeginDocument(); break;
      case Op::kEnd: status = channel.EndDocument(); break;
      case Op::kClose: status = channel.Close(); break;
      case Op::kAbort: status = channel.Abort(); break;
      case Op::kWrite: status = channel.WriteString(RWCString("%-12345X"), &written); break;
    }
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(channel.GetState(), c.to);
    EXPECT_EQ(channel.IsClosed(), c.to == S::kClosed || c.to == S::kFinished);
    if (c.op == Op::kWrite) {
      EXPECT_EQ(channel.data, c.status == 0 ? "%-12345X" : "") << "nothing written when refused";
    }
  }
}

TEST(GOutputChannelTest, AConcreteChannelsStatusPassesThroughWriteString) {
  FakeChannel channel;
  channel.Open(RWWString(u"doc"));
  channel.writeStatus = 23;
  uint32_t written = 0;
  EXPECT_EQ(channel.WriteString(RWCString("abc"), &written), 23);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(channel.GetBytesWritten(), 3u);
  EXPECT_EQ(channel.GetName(), RWWString(u"PORT:"));
}

}  // namespace
