// Registers the library's, the model's and the driver core's classes once
// per test program, as the module does at start-up.
#include <gtest/gtest.h>

#include "driver/DriverClasses.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class PagesClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
  }
  void TearDown() override {
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PagesClassesEnvironment);

}  // namespace
