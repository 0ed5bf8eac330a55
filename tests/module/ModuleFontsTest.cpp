// The module's fonts as its start-up composes them: the process-wide font
// pool registered after the record is installed, the driver server's close
// of its last print-side instance resetting that pool, and the graphics
// services in the record.
#include <gtest/gtest.h>

#include <vector>

#include "driver/GUpwardServices.h"
#include "graphics/GTTFontPool.h"
#include "model/ModelClasses.h"
#include "module/ModuleFonts.h"
#include "rw/RWLibraryClasses.h"
#include "support/DriverServerTestSupport.h"
#include "support/TestFontReader.h"

namespace {

class ModuleFontsTest : public qvtest::DriverServerTest {
 protected:
  void SetUp() override {
    // The server reads the data file with the model's classes.
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    qvtest::DriverServerTest::SetUp();
    services_.Change([](GUpwardServices& s) { qvmodule::AddFontServices(&s); });
    qvmodule::StartFontPool();
  }
  void TearDown() override {
    qvmodule::StopFontPool();
    qvtest::DriverServerTest::TearDown();
  }
};

TEST_F(ModuleFontsTest, StartUpRegistersThePoolThatTheLastPrintSideCloseResets) {
  GTTFontPool* pool = GTTFontPool::GetInstance();
  ASSERT_NE(pool, nullptr);
  const GUpwardServices services = UpwardServices();
  EXPECT_NE(services.fontPoolReset, nullptr);
  EXPECT_NE(services.spoolFonts.save, nullptr);
  EXPECT_NE(services.renderGraphics.createFontDatabase, nullptr);

  pool->NextKey();
  pool->NextKey();
  pool->AddEntry(1);
  // A font that only the pool holds goes at the reset (the sanitizers would
  // report it leaked otherwise).
  const std::vector<uint8_t> bytes = qvtest::ReadFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  if (!bytes.empty()) pool->AddFont(new qvtest::TestFontReader(7, bytes));

  int first = 0, second = 0;
  ASSERT_NE(server->OpenRenderInstance(Key(u"A", u"Quarrin"), &first), nullptr);
  ASSERT_NE(server->OpenRenderInstance(Key(u"B", u"Quarrin"), &second), nullptr);
  server->CloseRenderInstance(first);
  EXPECT_EQ(pool->GetEntryCount(), 1u) << "a print-side instance is still open";
  server->CloseRenderInstance(second);
  EXPECT_EQ(pool->GetEntryCount(), 0u);
  EXPECT_EQ(pool->GetFontCount(), 0u);
  EXPECT_EQ(pool->NextKey(), 0u);
  EXPECT_EQ(GTTFontPool::GetInstance(), pool);

  qvmodule::StopFontPool();
  EXPECT_EQ(GTTFontPool::GetInstance(), nullptr);
}

}  // namespace
