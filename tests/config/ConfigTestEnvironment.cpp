// Registers the library's, the model's and the configuration exchange's
// classes with the class factory once per test program, as the module does
// at start-up.
#include <gtest/gtest.h>

#include "config/ConfigClasses.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class ConfigClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterConfigClasses();
  }
  void TearDown() override {
    UnregisterConfigClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ConfigClassesEnvironment);

}  // namespace
