// What the print-side instance owns of the graphics model through the
// graphics library's services: its job's font database (made with it, made
// again by a rebind, cleared with its files, found under the instance's
// key, deleted at its release) and its graphics state (line attributes and
// clips handed to a fresh bundle on restore, paths nested and joined, clips
// to the open path), and the spooling filters' save and load of the job's
// fonts through the instance.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GraphicsServices.h"
#include "model/GGraphicBundle.h"
#include "printpath/GRenderInstance.h"
#include "support/DriverServerTestSupport.h"
#include "support/FontTestClasses.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "w32test/Testing.h"
#include "win32/File.h"

namespace {

// A front end that records what its path hooks were handed.
class GraphicsFrontEnd : public GRenderInstance {
 public:
  int16_t EnsureDocumentStarted() override { return 0; }
  void RefreshAppFlags() override {}
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return nullptr; }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return nullptr; }

  std::vector<std::string> hooks;

 protected:
  void EndNestedPath(GCommand* path, int value) override { Note("nested", path, value); }
  void EndOutermostPath(GCommand* path, int value) override { Note("outermost", path, value); }

 private:
  void Note(const char* which, GCommand* path, int value) {
    hooks.push_back(std::string(which) + (path == GetOpenPath() ? " open " : " other ") + std::to_string(value));
  }
};

class RenderInstanceGraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    services_.Change([&](GUpwardServices& s) {
      s.factory = &factory_;
      AddGraphicsServices(&s);
    });
    instance_ = std::make_unique<GraphicsFrontEnd>();
  }
  void TearDown() override { instance_.reset(); }

  GraphicsFrontEnd& instance() { return *instance_; }

  qvtest::ScopedUpwardServices services_;
  qvtest::ScriptedFactory factory_;
  std::unique_ptr<GraphicsFrontEnd> instance_;
};

RWWString SpoolPath(const char16_t* name) {
  w32test::MakeDirectories(u"C:\\Spool");
  return RWWString((std::u16string(u"C:\\Spool\\") + name).c_str());
}

bool FileExists(const RWWString& path) { return GetFileAttributesW(path.Data()) != INVALID_FILE_ATTRIBUTES; }

// ---- The font database ----

TEST_F(RenderInstanceGraphicsTest, TheInstanceOwnsAFontDatabaseFromItsMakingToItsRelease) {
  GFontDatabase* database = instance().GetFontDatabase();
  ASSERT_NE(database, nullptr);
  // Not in a driver server: found under key 0 until a handle is known.
  EXPECT_EQ(GFontDatabase::FindForInstance(0), database);

  // A face used by the job, saved beside a spooled page, then cleared: the
  // records go and so does the file.
  database->AddRecord(new qvtest::TestFontFace(qvtest::SampleFaceMetrics(), qvtest::SampleFaceExtras()));
  const RWWString page = SpoolPath(u"page1.fnt");
  ASSERT_EQ(database->SaveToFile(page), 1);
  ASSERT_TRUE(FileExists(page));
  instance().ClearFontDatabase();
  EXPECT_EQ(database->GetRecordCount(), 0u);
  EXPECT_FALSE(FileExists(page));

  // A rebind prepares the instance for the next printer with a new
  // database; the release at the end of its use deletes it.
  instance().Rebind(nullptr);
  EXPECT_NE(instance().GetFontDatabase(), nullptr);
  instance().Release();
  EXPECT_EQ(instance().GetFontDatabase(), nullptr);
  EXPECT_EQ(GFontDatabase::FindForInstance(0), nullptr);
}

// The driver server makes the instance and only then hands out its handle:
// the database moves to that handle when the document starts, and goes
// with the instance's release when the server closes it.
class RenderServerFactory : public qvtest::ServerFactory {
 public:
  GDriverInstance* CreateRenderInstance(GPrinterKey*) override { return new GraphicsFrontEnd; }
};

class RenderInstanceServerTest : public qvtest::DriverServerTest {
 protected:
  void SetUp() override {
    qvtest::DriverServerTest::SetUp();
    services_.Change([&](GUpwardServices& s) {
      s.factory = &renderFactory_;
      AddGraphicsServices(&s);
    });
  }
  RenderServerFactory renderFactory_;
};

TEST_F(RenderInstanceServerTest, TheDatabaseIsFoundUnderTheServersHandleOnceADocumentStarts) {
  int handle = 0;
  auto* instance = static_cast<GraphicsFrontEnd*>(
      static_cast<GRenderInstance*>(server->OpenRenderInstance(Key(u"A", u"Quarrin"), &handle)));
  ASSERT_NE(instance, nullptr);
  GFontDatabase* database = instance->GetFontDatabase();
  ASSERT_NE(database, nullptr);
  EXPECT_EQ(GFontDatabase::FindForInstance(static_cast<uint32_t>(handle)), nullptr);
  instance->SetDocumentPending(1);
  instance->StartDocument();
  EXPECT_EQ(GFontDatabase::FindForInstance(static_cast<uint32_t>(handle)), database);
  EXPECT_EQ(database->GetInstance(), static_cast<uint32_t>(handle));
  server->CloseRenderInstance(handle);
  EXPECT_EQ(GFontDatabase::FindForInstance(static_cast<uint32_t>(handle)), nullptr);
}

TEST_F(RenderInstanceGraphicsTest, WithoutTheServicesThereIsNoDatabaseAndTheStateKeepsItsValues) {
  qvtest::ScopedUpwardServices bare;
  bare.Change([](GUpwardServices& s) { s.renderGraphics = GRenderGraphicsServices(); });
  GraphicsFrontEnd plain;
  EXPECT_EQ(plain.GetFontDatabase(), nullptr);
  plain.ClearFontDatabase();  // nothing to clear
  EXPECT_EQ(plain.BeginPath(), 0) << "no path can be made";
  plain.SetLineCap(2);
  plain.SaveGraphicsState();
  plain.SetLineCap(0);
  plain.RestoreGraphicsState();
  EXPECT_EQ(plain.GetLineCap(), 2);
  EXPECT_EQ(plain.GetGraphicBundle()->GetLineCap(), nullptr);
}

TEST_F(RenderInstanceGraphicsTest, TheDatabaseGoesWithTheInstanceWhateverRecordIsInstalledThen) {
  ASSERT_EQ(GFontDatabase::FindForInstance(0), instance().GetFontDatabase());
  qvtest::ScopedUpwardServices bare;
  bare.Change([](GUpwardServices& s) { s.renderGraphics = GRenderGraphicsServices(); });
  instance_.reset();
  EXPECT_EQ(GFontDatabase::FindForInstance(0), nullptr) << "deleted by the library that made it";
}

TEST_F(RenderInstanceGraphicsTest, TheSpoolingFiltersSaveAndLoadTheFontsOfTheInstanceItself) {
  const GSpoolFontServices fonts = UpwardServices().spoolFonts;
  ASSERT_NE(fonts.save, nullptr);
  GFontDatabase* database = instance().GetFontDatabase();
  auto* face = new qvtest::TestFontFace(qvtest::SampleFaceMetrics(), qvtest::SampleFaceExtras());
  face->AddUse();  // a handle of the page holds it
  database->AddRecord(face);
  face->MarkForSave();
  const RWWString page = SpoolPath(u"page2.fnt");
  ASSERT_EQ(fonts.save(&instance(), page), 1);
  EXPECT_EQ(database->GetSavedFiles().size(), 1u);
  database->ReleaseRecord(face->GetKey());
  if (face->DropUse() <= 0) delete face;
  ASSERT_EQ(database->GetRecordCount(), 0u);

  // Replayed: the face comes back into the same instance's database.
  ASSERT_EQ(fonts.load(&instance(), page), 1);
  EXPECT_EQ(database->GetRecordCount(), 1u);
  EXPECT_EQ(database->GetCurrentFile(), page);
  EXPECT_EQ(fonts.load(nullptr, page), 0);
}

// ---- The graphics state ----

TEST_F(RenderInstanceGraphicsTest, RestoringHandsTheSavedLineAttributesAndClipToAFreshBundle) {
  instance().SetLineCap(2);
  instance().SetLineJoin(0);
  instance().SetMiterLimit(4.0f);
  instance().SetGraphicsWord(7);
  instance().SaveGraphicsState();
  instance().SetLineCap(1);
  instance().SetLineJoin(2);
  instance().SetGraphicsWord(0);
  GGraphicBundle* before = instance().GetGraphicBundle();
  instance().RestoreGraphicsState();

  EXPECT_EQ(instance().GetLineCap(), 2);
  EXPECT_EQ(instance().GetLineJoin(), 0);
  EXPECT_EQ(instance().GetGraphicsWord(), 7);
  EXPECT_EQ(instance().GetSavedStateCount(), 0u);
  GGraphicBundle* bundle = instance().GetGraphicBundle();
  EXPECT_NE(bundle, before) << "a fresh bundle";
  auto* cap = dynamic_cast<GCap*>(bundle->GetLineCap());
  ASSERT_NE(cap, nullptr);
  EXPECT_EQ(cap->GetCap(), 2);
  auto* miter = dynamic_cast<GMiterJoint*>(bundle->GetLineJoin());
  ASSERT_NE(miter, nullptr) << "join 0 is a miter joint";
  EXPECT_FLOAT_EQ(miter->GetMiterLimit(), 4.0f);
  EXPECT_NE(dynamic_cast<GClipToPage*>(bundle->GetClip()), nullptr) << "no clip: the page";

  // The same values again: the cap and joint last given are not repeated;
  // a joint of another style is.
  instance().SaveGraphicsState();
  instance().RestoreGraphicsState();
  EXPECT_EQ(instance().GetGraphicBundle()->GetLineCap(), nullptr);
  EXPECT_EQ(instance().GetGraphicBundle()->GetLineJoin(), nullptr);
  instance().SetLineJoin(2);
  instance().SaveGraphicsState();
  instance().RestoreGraphicsState();
  auto* joint = dynamic_cast<GJoint*>(instance().GetGraphicBundle()->GetLineJoin());
  ASSERT_NE(joint, nullptr);
  EXPECT_EQ(dynamic_cast<GMiterJoint*>(joint), nullptr);
  EXPECT_EQ(joint->GetJoin(), 2);

  // Nothing saved: the clip goes back to the page.
  instance().RestoreGraphicsState();
  EXPECT_EQ(instance().GetClip(), nullptr);
  EXPECT_NE(dynamic_cast<GClipToPage*>(instance().GetGraphicBundle()->GetClip()), nullptr);
}

TEST_F(RenderInstanceGraphicsTest, NestedPathsJoinTheirOuterPathAndTheHooksSeeEachLevel) {
  EXPECT_EQ(instance().BeginPath(), 1);
  GCommand* outer = instance().GetOpenPath();
  ASSERT_NE(dynamic_cast<GPathGraphic*>(outer), nullptr);
  EXPECT_EQ(instance().BeginPath(), 2);
  GCommand* inner = instance().GetOpenPath();
  EXPECT_NE(inner, outer);
  EXPECT_EQ(instance().EndPath(5), 1);
  EXPECT_EQ(instance().GetOpenPath(), outer) << "the outer path is open again";
  EXPECT_EQ(static_cast<GPathGraphic*>(outer)->MemberCount(), 1u) << "holding the nested one";
  EXPECT_EQ(instance().EndPath(6), 0);
  EXPECT_EQ(instance().EndPath(7), 0) << "not below 0";
  EXPECT_EQ(instance().hooks, (std::vector<std::string>{"nested open 5", "outermost open 6", "outermost open 7"}));
  // A path left open at depth 0 is opened again, not replaced.
  EXPECT_EQ(instance().BeginPath(), 1);
  EXPECT_EQ(instance().GetOpenPath(), outer);
}

TEST_F(RenderInstanceGraphicsTest, ClippingTakesTheOpenPathWithTheRegionAndRuleOfTheMode) {
  struct Case {
    int fillRule;
    int mode;
    int32_t region;
    int32_t rule;
  };
  for (const Case& c : {Case{0, 2, 0, 1}, Case{1, 2, 0, 0}, Case{0, 3, 1, 0}, Case{1, 3, 1, 0}}) {
    SCOPED_TRACE(testing::Message() << "fill rule " << c.fillRule << ", mode " << c.mode);
    instance().BeginPath();
    GCommand* path = instance().GetOpenPath();
    instance().EndPath(0);
    ASSERT_EQ(instance().SelectClip(c.fillRule, c.mode), 1);
    auto* clip = dynamic_cast<GClipToPath*>(instance().GetClip());
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetPath(), path) << "the clip holds the path";
    EXPECT_EQ(clip->GetClipRegion(), c.region);
    EXPECT_EQ(clip->GetClipRule(), c.rule);
    EXPECT_EQ(instance().GetOpenPath(), nullptr) << "the path went with the clip";
    auto* given = dynamic_cast<GClipToPath*>(instance().GetGraphicBundle()->GetClip());
    ASSERT_NE(given, nullptr);
    EXPECT_NE(given, clip) << "the bundle has a copy";
  }
  // Without an open path the clip is the page; modes 0 and 1 save and
  // restore; any other mode does nothing.
  ASSERT_EQ(instance().SelectClip(0, 0), 1);
  EXPECT_EQ(instance().GetSavedStateCount(), 1u);
  ASSERT_EQ(instance().SelectClip(0, 2), 1);
  EXPECT_EQ(instance().GetClip(), nullptr);
  EXPECT_NE(dynamic_cast<GClipToPage*>(instance().GetGraphicBundle()->GetClip()), nullptr);
  ASSERT_EQ(instance().SelectClip(0, 1), 1);
  EXPECT_NE(dynamic_cast<GClipToPath*>(instance().GetClip()), nullptr) << "the saved clip is back";
  EXPECT_EQ(instance().SelectClip(0, 4), 0);
}

TEST_F(RenderInstanceGraphicsTest, ANewJobStartsFromTheDefaultGraphicsState) {
  instance().SetLineCap(2);
  instance().SetLineJoin(0);
  instance().SetMiterLimit(3.0f);
  instance().SetGraphicsWord(0);
  instance().SetColour(1, 2, 3, 4);
  instance().SaveGraphicsState();
  instance().BeginPath();
  instance().BeginPath();
  instance().BeginJob();
  EXPECT_EQ(instance().GetLineCap(), 0);
  EXPECT_EQ(instance().GetLineJoin(), 1);
  EXPECT_FLOAT_EQ(instance().GetMiterLimit(), 10.0f);
  EXPECT_EQ(instance().GetGraphicsWord(), 1);
  EXPECT_EQ(std::vector<uint8_t>(instance().GetColour(), instance().GetColour() + 4),
            (std::vector<uint8_t>{255, 255, 255, 255}));
  EXPECT_EQ(instance().GetSavedStateCount(), 0u);
  EXPECT_EQ(instance().GetOpenPath(), nullptr);
  EXPECT_EQ(instance().GetPathDepth(), 0);
}

}  // namespace
