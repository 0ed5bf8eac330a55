#include "driver/osfactry.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "driver/GDriverInstanceAccess.h"
#include "model/GAttributeComposite.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWFactory.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "rw/RWStringID.h"
#include "support/DevModeTestSupport.h"
#include "support/ModelTestClasses.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "w32test/Testing.h"

namespace {

using qvtest::FakeLock;
using qvtest::FatalErrorRecorder;
using qvtest::ScriptedFactory;
using qvtest::Text;

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

class OSFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }

  qvtest::ScopedUpwardServices services_;
};

// ---- Base behaviour ----

TEST_F(OSFactoryTest, BaseOperationsAnswerTheirFixedValues) {
  auto factory = std::make_unique<ScriptedFactory>();
  int object = 0;
  EXPECT_EQ(factory->ResolveInstance(&object), &object);
  EXPECT_EQ(factory->GetPathSeparator(), u'\\');
  EXPECT_EQ(Text(factory->GetDefaultFileTemplate()), u"&&&&&&&&.&&&");
  EXPECT_EQ(factory->IsPlatformFlagSet(), 0);
  EXPECT_EQ(factory->GetPlatformLimit(), -1);
  EXPECT_EQ(factory->CreateMiniInstallerLauncher(u"Office", nullptr, nullptr), nullptr);
  EXPECT_EQ(factory->GetModuleHandle(), nullptr);
  HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
  factory->SetModuleHandle(module);
  EXPECT_EQ(factory->GetModuleHandle(), module);
  void* block = factory->Allocate(100);
  ASSERT_NE(block, nullptr);
  factory->Free(block);
  factory->Free(nullptr);

  GOSVersionInfo expected;
  expected.Query();
  EXPECT_EQ(factory->GetOSVersion(), expected);
}

TEST_F(OSFactoryTest, ProcessWideFactoryIsTheOneSetAndGoesWhenDeleted) {
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr);
  auto* factory = new ScriptedFactory;
  services_.Change([&](GUpwardServices& s) { s.factory = factory; });
  EXPECT_EQ(GOSFactory::GetInstance(), factory);
  delete factory;
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr);
}

TEST_F(OSFactoryTest, ConstructingAFactoryChangesNothingProcessWide) {
  const int before = ScriptedFactory::live;
  auto first = std::make_unique<ScriptedFactory>();
  services_.Change([&](GUpwardServices& s) { s.factory = first.get(); });
  auto second = std::make_unique<ScriptedFactory>();
  EXPECT_EQ(ScriptedFactory::live, before + 2) << "a new factory leaves the one before it alone";
  EXPECT_EQ(GOSFactory::GetInstance(), first.get()) << "only the upward services make a factory the process's";
  second.reset();
  EXPECT_EQ(GOSFactory::GetInstance(), first.get()) << "deleting another factory leaves the installed one";
  first.reset();
  EXPECT_EQ(ScriptedFactory::live, before);
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr);
}

TEST_F(OSFactoryTest, DestructorDeletesTheFactoryLock) {
  const int before = FakeLock::live;
  auto factory = std::make_unique<ScriptedFactory>(new FakeLock);
  EXPECT_EQ(FakeLock::live, before + 1);
  factory.reset();
  EXPECT_EQ(FakeLock::live, before);
}

// ---- Unique file names ----

TEST_F(OSFactoryTest, EmptyTemplateGivesEightAndThreeDrawnCharacters) {
  auto factory = std::make_unique<ScriptedFactory>();
  for (int i = 0; i < 11; ++i) factory->randoms.push_back(i * 1234 + 5);
  const std::u16string name = Text(factory->MakeUniqueFileName(u"C:\\Temp", RWWString(), 0));
  EXPECT_TRUE(std::regex_match(Narrow(name), std::regex(R"(C:\\Temp\\[0-9A-Z]{8}\.[0-9A-Z]{3})"))) << Narrow(name);
  EXPECT_EQ(factory->seeds, 1);
  EXPECT_TRUE(factory->created.empty());
}

TEST_F(OSFactoryTest, DrawnValuesMapOntoDigitsThenLetters) {
  struct Case {
    int random;
    char16_t expected;
  };
  const Case cases[] = {{0, u'0'}, {9, u'9'}, {10, u'A'}, {35, u'Z'}, {36, u'0'}, {32767, u'7'}, {71, u'Z'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.random);
    auto factory = std::make_unique<ScriptedFactory>();
    factory->randoms.push_back(c.random);
    EXPECT_EQ(Text(factory->MakeUniqueFileName(u"", u"x&.t", 0)), std::u16string(u"x") + c.expected + u".t");
  }
}

TEST_F(OSFactoryTest, SeparatorIsAddedOnlyWhenMissing) {
  auto factory = std::make_unique<ScriptedFactory>();
  EXPECT_EQ(Text(factory->MakeUniqueFileName(u"C:\\Spool\\", u"job.spl", 0)), u"C:\\Spool\\job.spl");
  EXPECT_EQ(Text(factory->MakeUniqueFileName(u"C:\\Spool", u"job.spl", 0)), u"C:\\Spool\\job.spl");
  EXPECT_EQ(Text(factory->MakeUniqueFileName(u"", u"job.spl", 0)), u"job.spl");
}

TEST_F(OSFactoryTest, ExistingNameIsDrawnAgainAndCreateMakesTheFile) {
  auto factory = std::make_unique<ScriptedFactory>();
  factory->files.insert(u"C:\\T\\A.q");
  factory->randoms = {10, 11};
  EXPECT_EQ(Text(factory->MakeUniqueFileName(u"C:\\T", u"&.q", 1)), u"C:\\T\\B.q");
  EXPECT_EQ(factory->existsAsked, (std::vector<std::u16string>{u"C:\\T\\A.q", u"C:\\T\\B.q"}));
  EXPECT_EQ(factory->created, (std::vector<std::u16string>{u"C:\\T\\B.q"}));
}

TEST_F(OSFactoryTest, NameThatCannotBeFoundGivesAnEmptyResultInsteadOfLoopingForEver) {
  {
    // A template without '&' whose file exists can never succeed.
    auto factory = std::make_unique<ScriptedFactory>();
    factory->files.insert(u"C:\\T\\fixed.tmp");
    EXPECT_TRUE(factory->MakeUniqueFileName(u"C:\\T", u"fixed.tmp", 0).IsEmpty());
    EXPECT_EQ(factory->existsAsked.size(), 1u);
  }
  {
    // A directory in which nothing can be created.
    auto factory = std::make_unique<ScriptedFactory>();
    factory->canCreate = false;
    EXPECT_TRUE(factory->MakeUniqueFileName(u"C:\\Missing", RWWString(), 1).IsEmpty());
    EXPECT_GT(factory->existsAsked.size(), 1u);
    EXPECT_LE(factory->existsAsked.size(), 1000u);
  }
}

TEST_F(OSFactoryTest, TemplateIsCutAt259Characters) {
  auto factory = std::make_unique<ScriptedFactory>();
  const std::u16string longTemplate(300, u'n');
  const RWWString name = factory->MakeUniqueFileName(u"", RWWString(longTemplate.data(), longTemplate.size()), 0);
  EXPECT_EQ(name.Length(), 259u);
}

// ---- Locks ----

TEST_F(OSFactoryTest, EnsureLockFillsAnEmptySlotOnceUnderTheFactoryLock) {
  auto* factoryLock = new FakeLock;
  auto factory = std::make_unique<ScriptedFactory>(factoryLock);
  GLock* slot = nullptr;
  factory->EnsureLock(&slot);
  ASSERT_NE(slot, nullptr);
  GLock* first = slot;
  factory->EnsureLock(&slot);
  EXPECT_EQ(slot, first);
  EXPECT_EQ(factory->locksCreated, 1);
  EXPECT_EQ(factoryLock->locks, 1);
  EXPECT_EQ(factoryLock->unlocks, 1);
  delete slot;
}

TEST_F(OSFactoryTest, EnsureLockWorksWithoutAFactoryLock) {
  auto factory = std::make_unique<ScriptedFactory>();
  GLock* slot = nullptr;
  factory->EnsureLock(&slot);
  EXPECT_NE(slot, nullptr);
  delete slot;
}

TEST_F(OSFactoryTest, FactoryLockFailuresReport301And302) {
  FatalErrorRecorder recorder;
  struct Case {
    bool failLock;
    bool failUnlock;
    int expectedId;
  };
  for (const Case& c : {Case{true, false, 301}, Case{false, true, 302}}) {
    SCOPED_TRACE(c.expectedId);
    FatalErrorRecorder::Reports().clear();
    auto* factoryLock = new FakeLock;
    factoryLock->failLock = c.failLock;
    factoryLock->failUnlock = c.failUnlock;
    auto factory = std::make_unique<ScriptedFactory>(factoryLock);
    GLock* slot = nullptr;
    factory->EnsureLock(&slot);
    EXPECT_NE(slot, nullptr);
    ASSERT_EQ(FatalErrorRecorder::Reports().size(), 1u);
    const GFatalErrorReport& report = FatalErrorRecorder::Reports()[0];
    EXPECT_EQ(report.severity, 2);
    EXPECT_EQ(report.errorId, c.expectedId);
    EXPECT_TRUE(report.sourceFile == "osfactry");
    EXPECT_GT(report.line, 0);
    // A lock that was not taken is not released.
    EXPECT_EQ(factoryLock->unlocks, c.failLock ? 0 : 1);
    delete slot;
  }
}

// ---- Fatal errors ----

TEST_F(OSFactoryTest, ReportTextsCarryTheLow16BitsOfTheId) {
  FatalErrorRecorder recorder;
  ReportFatalError(0, 7, "x", 1, "");
  ReportFatalError(2, 0x10065, "gbnewhnd", 2, "");
  ReportFatalError(5, 501, "drvrsrvr", 3, "detail");
  auto& reports = FatalErrorRecorder::Reports();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_TRUE(reports[0].text == "Error id = 7  (No error string table, yet...)");
  EXPECT_TRUE(reports[1].text ==
              "There has been a critical error and the printer driver cannot continue.  Save your work, and exit the "
              "current application.  (Error id = 101)");
  EXPECT_TRUE(reports[2].text == "Error id = 501  (No error string table, yet...)");
  EXPECT_TRUE(reports[2].detail == "detail");
  // Only severity 2 shuts the driver server down.
  EXPECT_EQ(FatalErrorRecorder::shutdowns, 1);
}

// Without a handler, a report of severity 0 or 3 returns to its caller: no
// handler is called (none is installed, and the one installed afterwards
// still sees nothing) and the shut-down never begins.
int g_quietShutdowns = 0;
void CountQuietShutdown() { ++g_quietShutdowns; }

TEST_F(OSFactoryTest, SeverityZeroReturnsWithoutAHandler) {
  g_quietShutdowns = 0;
  const GFatalErrorHandler previous = SetFatalErrorHandler(nullptr);
  services_.Change([](GUpwardServices& s) { s.criticalShutdown = &CountQuietShutdown; });
  ReportFatalError(0, 301, "osfactry", 10, "");
  ReportFatalError(3, 301, "osfactry", 10, "");
  services_.Change([](GUpwardServices& s) { s.criticalShutdown = nullptr; });
  // Nothing was installed meanwhile: the reports went to no handler.
  EXPECT_EQ(SetFatalErrorHandler(previous), nullptr);
  EXPECT_EQ(g_quietShutdowns, 0);
  // The same reports with a recorder installed reach it, and still no
  // shut-down begins: the test above sees what it would have missed.
  FatalErrorRecorder recorder;
  ReportFatalError(0, 301, "osfactry", 10, "");
  ReportFatalError(3, 301, "osfactry", 10, "");
  EXPECT_EQ(FatalErrorRecorder::Reports().size(), 2u);
  EXPECT_EQ(FatalErrorRecorder::shutdowns, 0);
}

TEST(OSFactoryDeathTest, SeverityOneEndsTheProcessWithCode3) {
  EXPECT_EXIT(ReportFatalError(1, 501, "drvrsrvr", 1, ""), ::testing::ExitedWithCode(3), "");
}

// The shut-down takes the driver server's locks; when one of them fails it
// reports again. That report must not start the shut-down a second time.
int g_shutdownRuns = 0;
void ShutdownWhoseLockFails() {
  ++g_shutdownRuns;
  ReportFatalError(2, 301, "drvrsrvr", 42, "");
}

TEST_F(OSFactoryTest, ReportMadeDuringTheShutdownDoesNotStartItAgain) {
  FatalErrorRecorder recorder;
  services_.Change([](GUpwardServices& s) { s.criticalShutdown = &ShutdownWhoseLockFails; });
  g_shutdownRuns = 0;
  ReportFatalError(2, 302, "nt40qddi", 7, "");
  EXPECT_EQ(g_shutdownRuns, 1);
  auto& reports = FatalErrorRecorder::Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].errorId, 301);
  EXPECT_TRUE(reports[0].sourceFile == "drvrsrvr");
  EXPECT_EQ(reports[1].errorId, 302);
  // A later report shuts down again.
  ReportFatalError(2, 101, "gbnewhnd", 8, "");
  EXPECT_EQ(g_shutdownRuns, 2);
}

TEST(OSFactoryDeathTest, SeverityTwoWithAFailingServerLockEndsWithCode3) {
  EXPECT_EXIT(
      {
        GUpwardServices services;
        services.criticalShutdown = &ShutdownWhoseLockFails;
        InstallUpwardServices(services);
        ReportFatalError(2, 301, "osfactry", 1, "");
      },
      ::testing::ExitedWithCode(3), "");
}

// ---- Storing and loading objects ----

// A leaf whose body is a run of bytes and whose predicted size is what the
// test says, so that the store buffer can be made to overflow.
constexpr RWClassID kSizedLeafClassId = 1993;
class SizedLeaf : public MPersistentObject {
 public:
  SizedLeaf() = default;
  SizedLeaf(uint32_t bytes, uint32_t predicted) : bytes_(bytes), predicted_(predicted) {}
  SizedLeaf* CreateSameKind() const override { return new SizedLeaf; }
  SizedLeaf* Clone() const override { return new SizedLeaf(*this); }
  RWClassID ClassId() const override { return kSizedLeafClassId; }
  uint32_t MembersStoreSize() const override { return predicted_; }
  void SaveMembers(RWVirtualOutStream& stream) const override {
    MPersistentObject::SaveMembers(stream);
    stream.PutULong(bytes_);
    for (uint32_t i = 0; i < bytes_; ++i) stream.PutUChar(static_cast<unsigned char>(i));
  }
  void RestoreMembers(RWVirtualInStream& stream) override {
    MPersistentObject::RestoreMembers(stream);
    stream.GetULong(bytes_);
    if (bytes_ > 100000) return;
    for (uint32_t i = 0; i < bytes_ && stream.Good(); ++i) {
      unsigned char c = 0;
      stream.GetUChar(c);
    }
  }
  uint32_t Bytes() const { return bytes_; }

 private:
  uint32_t bytes_ = 0;
  uint32_t predicted_ = 12;
};
RWCollectable* SizedLeafCreate() { return new SizedLeaf; }

class ObjectStoreTest : public OSFactoryTest {
 protected:
  void SetUp() override {
    OSFactoryTest::SetUp();
    RWFactoryAddClass(&SizedLeafCreate, kSizedLeafClassId, RWStringID("SizedLeaf"));
  }
  void TearDown() override {
    RWFactoryRemoveClassId(kSizedLeafClassId);
    RWFactoryRemoveStringId(RWStringID("SizedLeaf"));
    OSFactoryTest::TearDown();
  }
};

TEST_F(ObjectStoreTest, StoredObjectLoadsBackInTheBinaryFormat) {
  auto factory = std::make_unique<ScriptedFactory>();
  MPersistentComposite root;
  for (int i = 0; i < 40; ++i) root.AddChild(new TestLeaf(i * 3, i));
  ASSERT_EQ(factory->StoreObject(nullptr, u"QuickSets", &root), 1);
  ASSERT_EQ(factory->blobs.count(u"QuickSets"), 1u);
  // The stored bytes are the framing's binary form of the object.
  std::ostringstream expected(std::ios::binary);
  {
    RWBinaryOutStream out(expected);
    RWWriteObjectPointer(out, &root);
  }
  const std::vector<BYTE>& stored = factory->blobs[u"QuickSets"];
  EXPECT_EQ(std::string(stored.begin(), stored.end()), expected.str());

  std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(nullptr, u"QuickSets", 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(root.Matches(loaded.get()));
  EXPECT_EQ(loaded->GetEntryCount(), 40);
}

TEST_F(ObjectStoreTest, PortableBlobLoadsInThePortableFormat) {
  auto factory = std::make_unique<ScriptedFactory>();
  const int32_t id = 376;
  TestLeaf leaf(-12345, id);
  std::ostringstream bytes(std::ios::binary);
  {
    RWPortableOutStream out(bytes);
    RWWriteObjectPointer(out, &leaf);
  }
  const std::string text = bytes.str();
  ASSERT_EQ(factory->WriteBlob(nullptr, u"Portable", text.data(), static_cast<DWORD>(text.size())), 1);
  std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(nullptr, u"Portable", 1));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(leaf.Matches(loaded.get()));
  // The same bytes read as binary are not an object.
  std::unique_ptr<MPersistentObject> wrong(factory->LoadObject(nullptr, u"Portable", 0));
  EXPECT_EQ(wrong, nullptr);
}

TEST_F(ObjectStoreTest, LargeBlobIsReadWithTheSizeItReports) {
  auto factory = std::make_unique<ScriptedFactory>();
  SizedLeaf leaf(5000, 5100);
  ASSERT_EQ(factory->StoreObject(nullptr, u"Big", &leaf), 1);
  ASSERT_GT(factory->blobs[u"Big"].size(), 1024u);
  std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(nullptr, u"Big", 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(static_cast<SizedLeaf*>(loaded.get())->Bytes(), 5000u);
}

TEST_F(ObjectStoreTest, OverflowDoublesTheBufferAtMostThreeTimes) {
  {
    // Predicted 400, written about 1500: 600, then 1200, then 2400 fits.
    auto factory = std::make_unique<ScriptedFactory>();
    SizedLeaf leaf(1500, 400);
    EXPECT_EQ(factory->StoreObject(nullptr, u"Grows", &leaf), 1);
    EXPECT_EQ(factory->capacities, (std::vector<size_t>{600, 1200, 2400}));
  }
  {
    // Needs more than three doublings: nothing is written.
    auto factory = std::make_unique<ScriptedFactory>();
    SizedLeaf leaf(5000, 400);
    EXPECT_EQ(factory->StoreObject(nullptr, u"TooBig", &leaf), 0);
    EXPECT_EQ(factory->capacities.size(), 3u);
    EXPECT_TRUE(factory->blobWrites.empty());
  }
}

TEST_F(ObjectStoreTest, FailuresGiveZeroOrNull) {
  auto factory = std::make_unique<ScriptedFactory>();
  EXPECT_EQ(factory->StoreObject(nullptr, u"None", nullptr), 0);
  factory->failBlobWrite = true;
  TestLeaf leaf;
  EXPECT_EQ(factory->StoreObject(nullptr, u"Refused", &leaf), 0);
  EXPECT_EQ(factory->LoadObject(nullptr, u"Missing", 0), nullptr);
  factory->blobs[u"Empty"] = {};
  EXPECT_EQ(factory->LoadObject(nullptr, u"Empty", 0), nullptr);
}

TEST_F(ObjectStoreTest, DamagedBlobLoadsAsNull) {
  auto factory = std::make_unique<ScriptedFactory>();
  const int32_t id = 5;
  TestLeaf leaf(99, id);
  ASSERT_EQ(factory->StoreObject(nullptr, u"Leaf", &leaf), 1);
  const std::vector<BYTE> whole = factory->blobs[u"Leaf"];
  for (size_t cut = 1; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    factory->blobs[u"Cut"] = std::vector<BYTE>(whole.begin(), whole.begin() + static_cast<long>(cut));
    std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(nullptr, u"Cut", 0));
    if (loaded != nullptr) {
      EXPECT_FALSE(leaf.Matches(loaded.get()));
    }
  }
  factory->blobs[u"Noise"] = std::vector<BYTE>(300, 0xFF);
  EXPECT_EQ(factory->LoadObject(nullptr, u"Noise", 0), nullptr);
}

// The codec mode comes from the instance's printer configuration
// (DevmodeCodecMode 940 in DriverPreferences 366 of DriverConfiguration 359).
class CodecModeTest : public ObjectStoreTest {
 protected:
  void SetUp() override {
    ObjectStoreTest::SetUp();
    // A real instance whose printer configuration asks for codec mode 1.
    instance_ = std::make_unique<qvtest::DevModeTestInstance>(1);
  }
  void TearDown() override {
    instance_.reset();
    ObjectStoreTest::TearDown();
  }
  GDriverInstance* Instance() { return instance_.get(); }

 private:
  std::unique_ptr<qvtest::DevModeTestInstance> instance_;
};

TEST_F(CodecModeTest, CompactModeStoresThroughTheFramingWhileTheCodecIsNotAvailable) {
  auto factory = std::make_unique<ScriptedFactory>();
  const int32_t id = 8;
  TestLeaf leaf(77, id);
  ASSERT_EQ(factory->StoreObject(Instance(), u"QuickSets", &leaf), 1);
  // The codec was tried on a stream of its own, then the framing wrote.
  EXPECT_EQ(factory->capacities.size(), 2u);
  std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(Instance(), u"QuickSets", 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(leaf.Matches(loaded.get()));
}

TEST_F(CodecModeTest, BinPoolNeverGoesThroughTheCodec) {
  auto factory = std::make_unique<ScriptedFactory>();
  TestLeaf leaf;
  ASSERT_EQ(factory->StoreObject(Instance(), u"DEKBinPool", &leaf), 1);
  EXPECT_EQ(factory->capacities.size(), 1u);
}

// One factory serves every printer of the process: each store takes the
// form the asking instance's model chooses, whatever a model asked before.
TEST_F(CodecModeTest, EveryStoreFollowsTheModelOfTheAskingInstance) {
  auto factory = std::make_unique<ScriptedFactory>();
  TestLeaf leaf;
  // No instance, hence no configuration: the framing alone.
  ASSERT_EQ(factory->StoreObject(nullptr, u"First", &leaf), 1);
  EXPECT_EQ(factory->capacities.size(), 1u);
  // The compact model: the codec is tried first.
  factory->capacities.clear();
  ASSERT_EQ(factory->StoreObject(Instance(), u"Second", &leaf), 1);
  EXPECT_EQ(factory->capacities.size(), 2u);
  // And no instance again: the framing alone, not the mode of the last model.
  factory->capacities.clear();
  ASSERT_EQ(factory->StoreObject(nullptr, u"Third", &leaf), 1);
  EXPECT_EQ(factory->capacities.size(), 1u);
  std::unique_ptr<MPersistentObject> loaded(factory->LoadObject(nullptr, u"Third", 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(leaf.Matches(loaded.get()));
}

}  // namespace
