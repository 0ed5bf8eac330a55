// Walks the class tables of all seven registering libraries (the container
// library, the model, the driver core, the print path, graphics, the
// generators and the configuration exchange) and checks every registered
// class the same way: the factory makes an object of the class; the size
// the framing predicts is the number of bytes the file form writes; and in
// every stored form the object reads back as its own class, a model object
// matching the original, and saves again to the same bytes. A class added
// to any table is checked without a line here.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/ConfigClasses.h"
#include "driver/DriverClasses.h"
#include "model/GCommand.h"
#include "model/GCountedPtr.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;

struct TableClass {
  const char* table;
  RWCollectable* (*create)();
  RWClassID id;
  const char* name;
};

template <typename Entry>
void AddTable(std::vector<TableClass>& into, const char* table, const Entry* entries, unsigned count) {
  for (unsigned i = 0; i < count; ++i) into.push_back({table, entries[i].create, entries[i].id, entries[i].name});
}

// Every entry of the seven tables, in the order the module registers them.
std::vector<TableClass> AllTableClasses() {
  std::vector<TableClass> all;
  unsigned count = 0;
  const RWLibraryClassEntry* library = RWLibraryClasses(&count);
  AddTable(all, "library", library, count);
  const ModelClassEntry* model = ModelClasses(&count);
  AddTable(all, "model", model, count);
  const ModelClassEntry* driver = DriverClasses(&count);
  AddTable(all, "driver", driver, count);
  const ModelClassEntry* printPath = PrintPathClasses(&count);
  AddTable(all, "print path", printPath, count);
  const ModelClassEntry* graphics = GraphicsClasses(&count);
  AddTable(all, "graphics", graphics, count);
  const ModelClassEntry* generators = GeneratorClasses(&count);
  AddTable(all, "generators", generators, count);
  const ModelClassEntry* config = ConfigClasses(&count);
  AddTable(all, "configuration", config, count);
  return all;
}

// Reads one object of any class as an outermost read from bytes in the
// form, into existing when it is not null; the caller owns the result.
RWCollectable* ReadAnyFromForm(const std::string& bytes, ModelForm form, RWCollectable* existing, bool* failed) {
  RWCollectable* object = existing;
  if (form == ModelForm::kFile) {
    w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    if (existing != nullptr)
      object = RWReadObjectIntoFromFile(file, existing);
    else
      RWReadObjectPointerFromFile(file, object);
    *failed = file.HasError() || !RWReadTableGuard::LastFailureText().empty();
    return object;
  }
  std::istringstream in(bytes, std::ios::in | std::ios::binary);
  auto read = [&](RWVirtualInStream& stream) {
    if (existing != nullptr)
      object = RWReadObjectInto(stream, existing);
    else
      RWReadObjectPointer(stream, object);
    *failed = stream.Bad();
  };
  if (form == ModelForm::kPortableText) {
    RWPortableInStream stream(in);
    read(stream);
  } else if (form == ModelForm::kNativeBinary) {
    RWBinaryInStream stream(in);
    read(stream);
  } else {
    RWReadTableGuard restore;
    RWEndianInStream stream(in);
    read(stream);
  }
  return object;
}

// A handle is only ever read into an existing one, so its create function
// answers null; it is walked with a handle that holds an attribute.
RWCollectable* MakeObject(const TableClass& entry) {
  if (entry.id == GCountedPtrClassId) {
    static const int32_t kId = 7;
    return new GCountedPtr(new GValueAttribute(3, &kId));
  }
  return entry.create();
}

// The on-disk composites match only a composite over the same open store,
// so their copies are judged by the bytes they save again.
bool MatchesAcrossReads(RWClassID id) {
  return id != MPersistentCompositeOnDiskClassId && id != GCommandCompositeOnDiskClassId;
}

class ClassTableWalkTest : public ::testing::TestWithParam<TableClass> {};

TEST_P(ClassTableWalkTest, TheFactoryMakesTheClassUnderItsId) {
  const TableClass& entry = GetParam();
  std::unique_ptr<RWCollectable> made(MakeObject(entry));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassId(), entry.id);
  EXPECT_EQ(RWFactoryClassIdOf(RWStringID(entry.name)), entry.id) << "registered under another id";
  std::unique_ptr<RWCollectable> byName(RWFactoryCreateByStringId(RWStringID(entry.name)));
  if (entry.id != GCountedPtrClassId) {
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->ClassId(), entry.id);
  }
  // A copy and an empty object of the same kind keep the class (a handle
  // makes neither).
  if (entry.id == GCountedPtrClassId) return;
  std::unique_ptr<RWCollectable> copy(made->Clone());
  std::unique_ptr<RWCollectable> same(made->CreateSameKind());
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(copy->ClassId(), entry.id);
  EXPECT_EQ(same->ClassId(), entry.id);
  if (auto* model = dynamic_cast<MPersistentObject*>(made.get())) {
    EXPECT_TRUE(model->DerivesFrom(entry.id));
    EXPECT_TRUE(model->DerivesFrom(MPersistentObjectClassId));
    EXPECT_FALSE(model->DerivesFrom(RWNoClassId));
  }
}

TEST_P(ClassTableWalkTest, ThePredictedSizeIsWhatTheFileFormWrites) {
  std::unique_ptr<RWCollectable> object(MakeObject(GetParam()));
  ASSERT_NE(object, nullptr);
  qvtest::ExpectStoredByteCountIsWritten(*object);
}

TEST_P(ClassTableWalkTest, ItReadsBackAndSavesTheSameBytesInEveryForm) {
  std::unique_ptr<RWCollectable> object(MakeObject(GetParam()));
  ASSERT_NE(object, nullptr);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(object.get(), form);
    bool failed = false;
    // A handle is read into an existing one.
    RWCollectable* into = GetParam().id == GCountedPtrClassId ? new GCountedPtr : nullptr;
    std::unique_ptr<RWCollectable> copy(ReadAnyFromForm(bytes, form, into, &failed));
    if (copy == nullptr) delete into;
    EXPECT_FALSE(failed) << RWReadTableGuard::LastFailureText();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->ClassId(), object->ClassId());
    EXPECT_EQ(qvtest::SaveInForm(copy.get(), form), bytes);
    auto* original = dynamic_cast<MPersistentObject*>(object.get());
    auto* read = dynamic_cast<MPersistentObject*>(copy.get());
    ASSERT_EQ(read != nullptr, original != nullptr);
    if (original != nullptr && MatchesAcrossReads(GetParam().id)) {
      EXPECT_TRUE(original->Matches(read));
      EXPECT_TRUE(read->Matches(original));
    }
  }
}

std::string ClassName(const ::testing::TestParamInfo<TableClass>& info) {
  return std::string(info.param.name) + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(AllTables, ClassTableWalkTest, ::testing::ValuesIn(AllTableClasses()), ClassName);

TEST(ClassTables, EveryTableHasClassesAndNoNameIsRegisteredTwice) {
  const std::vector<TableClass> all = AllTableClasses();
  std::set<std::string> tables;
  std::set<std::string> names;
  for (const TableClass& entry : all) {
    tables.insert(entry.table);
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " is in two tables";
  }
  EXPECT_EQ(tables.size(), 7u);
}

}  // namespace
