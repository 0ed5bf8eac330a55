// A spooled page replays with its fonts: the page filter saves the job's
// font database beside each page it records, and a replay of the page
// (here, from the reverse-order filter's document) loads that file back
// into the database of the instance that spooled it, so the faces the page
// draws with are there again although the database had let them go.
#include <gtest/gtest.h>

#include <initializer_list>

#include "driver/GDriverInstance.h"
#include "driver/drvrsrvr.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GFontFaceHandle.h"
#include "model/GCommandComposite.h"
#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GReverseFilter.h"
#include "support/DriverServerTestSupport.h"
#include "support/FontTestClasses.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

const char16_t kSpoolDirectory[] = u"C:\\SpooledFonts";

class SpoolingServerFactory : public qvtest::ServerFactory {
 public:
  RWWString GetTempDirectory(GDriverInstance*) override { return RWWString(kSpoolDirectory); }
};

int g_loads = 0;  // loads asked of the services

// The job's font database: the one registered under the instance's
// print-side handle, as the module's services find it.
GFontDatabase* JobDatabase(GDriverInstance* instance) {
  int handle = 0;
  GDriverServer* server = GDriverServer::GetInstance();
  if (server == nullptr || !server->GetRenderHandle(&handle, instance)) return nullptr;
  return GFontDatabase::FindForInstance(static_cast<uint32_t>(handle));
}
int SaveFonts(GDriverInstance* instance, const RWWString& path) {
  GFontDatabase* database = JobDatabase(instance);
  return database == nullptr || database->SaveToFile(path) != 0 ? 1 : 0;
}
int LoadFonts(GDriverInstance* instance, const RWWString& path) {
  ++g_loads;
  GFontDatabase* database = JobDatabase(instance);
  return database != nullptr && database->LoadFromFile(path) != 0 ? 1 : 0;
}

class SpooledFontsTest : public qvtest::DriverServerTest {
 protected:
  void SetUp() override {
    qvtest::DriverServerTest::SetUp();
    w32test::MakeDirectories(kSpoolDirectory);
    g_loads = 0;
    services_.Change([this](GUpwardServices& s) {
      s.factory = &spooling_;
      s.spoolFonts.save = &SaveFonts;
      s.spoolFonts.load = &LoadFonts;
    });
  }
  SpoolingServerFactory spooling_;
};

TEST_F(SpooledFontsTest, AReplayedPageLoadsTheFontsSavedWithIt) {
  int handle = 0;
  ASSERT_NE(server->OpenRenderInstance(Key(u"A", u"Quarrin"), &handle), nullptr);
  GDriverInstance* instance = server->FindRenderDriverInstance(handle);
  ASSERT_NE(instance, nullptr);
  GFontDatabase database(static_cast<uint32_t>(handle));
  auto* face = new qvtest::TestFontFace(qvtest::SampleFaceMetrics(), qvtest::SampleFaceExtras());
  qvtest::TestFaceHandle keep(face, static_cast<uint32_t>(handle));
  database.AddRecord(face);
  face->MarkForSave();
  const uint32_t key = face->GetKey();

  // One page spooled back to front: its fonts are saved beside it.
  GReverseFilter filter;
  const int32_t jobId = GFeatureIds::kJobSettings, orderId = GFeatureIds::kPageOrder;
  auto* settings = new GState(&jobId);
  settings->AddChild(new GValueAttribute(1, &orderId));
  GCountedPtr holder;
  for (GCommand* command : std::initializer_list<GCommand*>{
           new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), instance, settings), new GPageStart,
           new GPageEnd, new GDocumentEnd}) {
    GCountedPtr held(command);
    GCountedPtr result = filter.Send(command);
    if (command->ClassId() == GDocumentEndClassId) holder = result;
  }
  ASSERT_NE(holder.Pointee(), nullptr);
  ASSERT_EQ(holder.Pointee()->ClassId(), GCommandCompositeClassId);

  // The database lets the face go; the replay brings it back.
  database.ReleaseRecord(key);
  ASSERT_EQ(database.ContainsRecord(key), 0);
  qvtest::RecordingPeripheral next;
  next.Send(dynamic_cast<GCommand*>(holder.Pointee()));
  EXPECT_GE(next.Operations().size(), 2u) << "the page reached the next stage";
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(database.ContainsRecord(key), 1);

  holder = GCountedPtr();
  server->CloseRenderInstance(handle);
}

}  // namespace
