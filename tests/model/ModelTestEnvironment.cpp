// Registers the model's classes and the test classes with the class factory
// once per test program, as the module does at start-up.
#include <gtest/gtest.h>

#include "model/ModelClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "support/ModelTestClasses.h"

namespace {

class ModelClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RWFactoryAddClass(&TestLeafCreate, TestLeafClassId, RWStringID("TestLeaf"));
    RWFactoryAddClass(&TestRefusingCompositeCreate, TestRefusingCompositeClassId,
                      RWStringID("TestRefusingComposite"));
  }
  void TearDown() override {
    RWFactoryRemoveClassId(TestRefusingCompositeClassId);
    RWFactoryRemoveStringId(RWStringID("TestRefusingComposite"));
    RWFactoryRemoveClassId(TestLeafClassId);
    RWFactoryRemoveStringId(RWStringID("TestLeaf"));
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_modelTestEnvironmentEnvironment =
    ::testing::AddGlobalTestEnvironment(new ModelClassesEnvironment);

}  // namespace
