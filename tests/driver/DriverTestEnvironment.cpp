// Registers the library's, the model's and the driver core's classes, and
// the model's test classes, once per test program, as the module does at
// start-up.
#include <gtest/gtest.h>

#include "driver/DriverClasses.h"
#include "model/ModelClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "support/ModelTestClasses.h"

namespace {

class DriverClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RWFactoryAddClass(&TestLeafCreate, TestLeafClassId, RWStringID("TestLeaf"));
  }
  void TearDown() override {
    RWFactoryRemoveClassId(TestLeafClassId);
    RWFactoryRemoveStringId(RWStringID("TestLeaf"));
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new DriverClassesEnvironment);

}  // namespace
