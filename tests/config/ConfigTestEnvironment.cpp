// Registers the library's, the model's, the driver core's and the
// configuration exchange's classes with the class factory once per test
// program, as the module does at start-up.
#include <gtest/gtest.h>

#include "config/ConfigClasses.h"
#include "driver/DriverClasses.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class ConfigClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RegisterConfigClasses();
  }
  void TearDown() override {
    UnregisterConfigClasses();
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ConfigClassesEnvironment);

}  // namespace
