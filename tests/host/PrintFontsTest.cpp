// The fonts of the host's print command: the record it installs carries the
// graphics library's services (the spooling filters' save and load of the
// job's fonts among them), and a font pool lives for the length of a job.
#include <gtest/gtest.h>

#include "driver/GUpwardServices.h"
#include "graphics/GTTFontPool.h"
#include "host/PrintFonts.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"

namespace {

TEST(HostPrintFonts, TheRecordCarriesTheFontServicesAndAPoolLivesForTheJob) {
  GUpwardServices services;
  qvhost::AddPrintFontServices(&services);
  EXPECT_NE(services.spoolFonts.save, nullptr);
  EXPECT_NE(services.spoolFonts.load, nullptr);
  EXPECT_NE(services.fontPoolReset, nullptr);
  EXPECT_NE(services.renderGraphics.createFontDatabase, nullptr);
  EXPECT_NE(services.renderGraphics.createPath, nullptr);

  qvtest::ScriptedFactory factory;
  services.factory = &factory;
  qvtest::ScopedUpwardServices installed(services);
  qvhost::StartPrintFontPool();
  GTTFontPool* pool = GTTFontPool::GetInstance();
  ASSERT_NE(pool, nullptr);
  pool->NextKey();
  UpwardServices().fontPoolReset();
  EXPECT_EQ(pool->NextKey(), 0u) << "the reset reaches the host's pool";
  qvhost::StopPrintFontPool();
  EXPECT_EQ(GTTFontPool::GetInstance(), nullptr);
}

}  // namespace
