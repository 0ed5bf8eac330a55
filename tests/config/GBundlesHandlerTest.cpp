#include "config/GBundlesHandler.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config/GDMCHandlerFactory.h"
#include "config/GNT40DMCClient.h"
#include "support/HandlerTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::SetDMCFeature;
using qvtest::Values;

class BundlesHandlerTest : public qvtest::HandlerTest {
 protected:
  // Model list 369: entries {927 bundle number, 370 model name, 360
  // settings bundle holding 365/{308, 245 and a marker 4242}}.
  void AddModel(int16_t number, const char* name, int16_t marker) {
    if (models == nullptr) {
      const int32_t listId = 369;
      models = new GAttributeComposite(&listId);
      Configuration()->AddChild(models);
    }
    const int32_t noId = 0;
    auto* entry = new GAttributeComposite(&noId);
    entry->AddChild(MakeGroup(1, {{2, 0}}));  // an unrelated child first
    const int32_t numberId = 927;
    entry->AddChild(new GValueAttribute(number, &numberId));
    if (name != nullptr) {
      const int32_t nameId = 370;
      entry->AddChild(new GStringAttribute(name, &nameId));
    }
    const int32_t bundleId = 360;
    auto* bundle = new GAttributeComposite(&bundleId);
    bundle->AddChild(MakeGroup(365, {{4242, marker}}));
    entry->AddChild(bundle);
    models->AddChild(entry);
  }
  // The marker the merged bundle brought into the settings, or -999.
  static int16_t Marker(GAttributeComposite* root) {
    auto* value = dynamic_cast<GValueAttribute*>(root->FindById(4242));
    return value != nullptr ? value->GetValue() : int16_t(-999);
  }

  GAttributeComposite* models = nullptr;
};

TEST_F(BundlesHandlerTest, TheModelTableHasItsRowsAndEveryTextOnce) {
  GBundlesHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.GetOptionCount(), 55);
  std::set<std::string> names;
  std::set<std::u16string> options;
  for (const GBundleRow& row : GBundlesHandler::kRows) {
    ASSERT_NE(row.modelName, nullptr);
    ASSERT_NE(row.optionText, nullptr);
    names.insert(row.modelName);
    options.insert(row.optionText);
    EXPECT_LT(std::u16string(row.optionText).size(), 127u);
  }
  EXPECT_EQ(names.size(), 55u);
  EXPECT_EQ(options.size(), 55u);
}

TEST_F(BundlesHandlerTest, ImportAppliesTheNamedModelsBundleIgnoringCase) {
  AddModel(1, "Quarrin 4700", 1);
  AddModel(2, "QUARRIN 4700DN", 2);
  AddModel(3, "Quarrin 4700dn", 3);
  struct Case {
    std::u16string option;
    int result;
    int16_t marker;
  } cases[] = {
      {u"Quarrin 4700", 1, 1},
      {u"Quarrin 4700 DN", 1, 2},   // the first entry equal ignoring case
      {u"Quarrin 8100 DTN", 1, -999},  // a row whose model the list lacks
      {u"Quarrin 4700DN", 0, -999},  // not the library's text
      {u"quarrin 4700", 0, -999},
      {u"", 0, -999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option.begin(), c.option.end()));
    ClearRun();
    SetDMCFeature(u"physical/Bundles", c.option);
    auto root = Root({}, {}, {{927, 0}});
    GBundlesHandler handler(library.get(), &instance);
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Marker(root.get()), c.marker);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 128u);
  }
  // No path, or no driver instance.
  FakeDMC().features.clear();
  auto root = Root({});
  EXPECT_EQ(GBundlesHandler(library.get(), &instance).Import(root.get(), changes.get()), 0);
  SetDMCFeature(u"physical/Bundles", u"Quarrin 4700");
  EXPECT_EQ(GBundlesHandler(library.get(), nullptr).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Marker(root.get()), -999);
}

TEST_F(BundlesHandlerTest, ExportWritesTheOptionOfTheSettingsModel) {
  AddModel(7, "Quarrin 5100tn", 0);
  AddModel(8, "QUARRIN 5100TN", 0);  // only an exact name has a row
  AddModel(9, nullptr, 0);
  AddModel(7, "Quarrin 4100", 0);  // the first entry of a number counts
  struct Case {
    int16_t number;
    std::vector<std::u16string> exports;
  } cases[] = {
      {7, {u"physical/Bundles=Quarrin 5100 TN"}}, {8, {}}, {9, {}}, {10, {}},
  };
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({}, {}, {{927, c.number}});
    EXPECT_EQ(GBundlesHandler(library.get(), &instance).Export(root.get()), c.exports.empty() ? 0 : 1);
    EXPECT_EQ(Exports(), c.exports);
  }
  auto bare = Root({});
  EXPECT_EQ(GBundlesHandler(library.get(), &instance).Export(bare.get()), 0);
}

TEST_F(BundlesHandlerTest, ExportNeedsTheModelList) {
  auto root = Root({}, {}, {{927, 1}});
  EXPECT_EQ(GBundlesHandler(library.get(), &instance).Export(root.get()), 0);
  EXPECT_EQ(GBundlesHandler(library.get(), nullptr).Export(root.get()), 0);
  EXPECT_TRUE(Exports().empty());
}

TEST_F(BundlesHandlerTest, EveryRowRoundTripsThroughTheModelList) {
  int16_t number = 1;
  for (const GBundleRow& row : GBundlesHandler::kRows) {
    AddModel(number, row.modelName, static_cast<int16_t>(number + 1));
    ++number;
  }
  number = 1;
  for (const GBundleRow& row : GBundlesHandler::kRows) {
    ClearRun();
    SetDMCFeature(u"physical/Bundles", row.optionText);
    auto root = Root({}, {}, {{927, number}});
    GBundlesHandler handler(library.get(), &instance);
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Marker(root.get()), number + 1) << row.modelName;
    EXPECT_EQ(handler.Export(root.get()), 1);
    EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"physical/Bundles=" + std::u16string(row.optionText)}));
    ++number;
  }
}

// The client runs the bundle before the physical features and on a factory
// export of "factory/physical" only.
TEST_F(BundlesHandlerTest, TheClientRunsTheBundleBeforeThePhysicalFeatures) {
  AddModel(3, "Quarrin 4700dn", 77);
  SetDMCFeature(u"physical/Bundles", u"Quarrin 4700 DN");
  SetDMCFeature(u"physical/DuplexUnit", u"Installed");
  auto root = Root({}, {}, {{308, 0}, {927, 3}});
  {
    GNT40DMCClient client(root.get(), &instance);
    EXPECT_EQ(client.ImportPhysical(), 1);
    EXPECT_EQ(client.IsPhysicalChanged(), 1);
  }
  EXPECT_EQ(Marker(root.get()), 77);
  EXPECT_EQ(Value(root.get(), 365, 308), 1);

  // A tree whose only physical feature is the bundle still counts a change.
  TearDown();
  SetUp();
  models = nullptr;
  AddModel(3, "Quarrin 4700dn", 5);
  SetDMCFeature(u"physical/Bundles", u"Quarrin 4700 DN");
  root = Root({}, {}, {{927, 3}});
  {
    GNT40DMCClient client(root.get(), &instance);
    EXPECT_EQ(client.ImportPhysical(), 1);
    EXPECT_EQ(client.IsPhysicalChanged(), 1);
  }

  // Export: "factory/physical" writes the bundle first, other contexts not.
  SetDMCFeature(u"factory/physical/DuplexUnit", u"NotInstalled");
  SetDMCFeature(u"factory/printing/Copies", u"1");
  for (const std::u16string context : {u"factory/physical", u"factory/printing", u"physical"}) {
    ClearRun();
    GNT40DMCClient client(root.get(), &instance);
    EXPECT_EQ(client.ExportContext(RWWString(context.c_str())), 1);
    const std::vector<std::u16string> exports = Exports();
    if (context == u"factory/physical") {
      ASSERT_FALSE(exports.empty());
      EXPECT_EQ(exports.front(), u"physical/Bundles=Quarrin 4700 DN");
    } else {
      for (const auto& e : exports) EXPECT_EQ(e.find(u"physical/Bundles"), std::u16string::npos);
    }
  }
  std::unique_ptr<GConfigFeatureHandler> bundles(CreateBundlesHandler(library.get(), &instance));
  ASSERT_NE(dynamic_cast<GBundlesHandler*>(bundles.get()), nullptr);
  EXPECT_EQ(dynamic_cast<GBundlesHandler*>(bundles.get())->GetDriverInstance(), &instance);
}

TEST_F(BundlesHandlerTest, DriverInstanceAppliesAModelBundleByName) {
  AddModel(1, "Quarrin 4500n", 11);
  const int32_t rootId = 360;
  GAttributeComposite settings(&rootId);
  EXPECT_EQ(instance.ApplyModelBundle(RWWString(u"quarrin 4500N"), &settings), 1);
  EXPECT_EQ(Marker(&settings), 11);
  EXPECT_EQ(instance.ApplyModelBundle(RWWString(u"Quarrin 4500"), &settings), 0);
  EXPECT_EQ(instance.ApplyModelBundle(RWWString(u"Quarrin 4500n"), nullptr), 1);
  qvtest::TestDriverInstance bare;
  EXPECT_EQ(bare.ApplyModelBundle(RWWString(u"Quarrin 4500n"), &settings), 0);
}

}  // namespace
