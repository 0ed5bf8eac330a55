// What the configuration-library tests share: a platform factory that keeps
// printer data, registry keys and the clock in memory, small settings roots
// built from groups of value attributes, and a fixture that installs the
// factory and the fake library "C:\Drivers\QVCDMC32.dll".
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/ScriptedFactory.h"
#include "model/GAttributeComposite.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/ScopedUpwardServices.h"
#include "support/FakeConfigLibrary.h"
#include "w32test/Testing.h"

namespace qvtest {

class ConfigTestFactory : public ScriptedFactory {
 public:
  std::map<std::u16string, std::u16string> printerStrings;  // SetPrinterDataString
  std::vector<std::u16string> printerStringWrites;          // names in order
  std::set<std::u16string> machineKeys;                     // keys that exist
  std::set<std::u16string> userKeys;
  std::map<std::u16string, std::u16string> machineValues;   // "key|name" -> text
  std::map<std::u16string, std::u16string> userValues;
  GDateTime now{2026, 3, 7, 10, 20, 30, 0, 6};
  bool clockWorks = true;

  int SetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& text) override {
    printerStrings[Text(name)] = Text(text);
    printerStringWrites.push_back(Text(name));
    return 1;
  }
  RWWString GetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& d) override {
    auto it = printerStrings.find(Text(name));
    return it != printerStrings.end() ? RWWString(it->second.c_str()) : d;
  }
  int MachineKeyExists(const RWWString& key) override { return machineKeys.count(Text(key)) ? 1 : 0; }
  int UserKeyExists(const RWWString& key) override { return userKeys.count(Text(key)) ? 1 : 0; }
  RWWString ReadMachineString(const RWWString& key, const RWWString& name, const RWWString& d) override {
    auto it = machineValues.find(Text(key) + u"|" + Text(name));
    return it != machineValues.end() ? RWWString(it->second.c_str()) : d;
  }
  RWWString ReadUserString(const RWWString& key, const RWWString& name, const RWWString& d) override {
    auto it = userValues.find(Text(key) + u"|" + Text(name));
    return it != userValues.end() ? RWWString(it->second.c_str()) : d;
  }
  int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offset) override {
    if (!clockWorks) return 0;
    if (local) *local = now;
    if (shifted) *shifted = now;
    if (offset) *offset = 0;
    return 1;
  }
};

// A group container with feature id and value attributes {id, value}.
inline GAttributeComposite* MakeGroup(int32_t id, std::vector<std::pair<int32_t, int16_t>> values = {}) {
  auto* group = new GAttributeComposite(&id);
  for (const auto& [attributeId, value] : values) group->AddChild(new GValueAttribute(value, &attributeId));
  return group;
}

inline GValueAttribute* ValueIn(GAttributeComposite* root, int32_t group, int32_t id) {
  auto* g = dynamic_cast<GAttributeComposite*>(root->FindById(group));
  return g != nullptr ? dynamic_cast<GValueAttribute*>(g->FindById(id)) : nullptr;
}

// The (id, value) pairs of the value attributes of a list, in order.
inline std::vector<std::pair<int32_t, int16_t>> ValuesOf(GAttributeComposite* list) {
  std::vector<std::pair<int32_t, int16_t>> out;
  for (size_t i = 0; list != nullptr && i < static_cast<size_t>(list->GetEntryCount()); ++i) {
    if (auto* v = dynamic_cast<GValueAttribute*>(list->ChildAt(i))) out.emplace_back(v->FeatureId(), v->GetValue());
  }
  return out;
}

inline const std::u16string kDriverDirectory = u"C:\\Drivers";

class ConfigLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    factory = std::make_unique<ConfigTestFactory>();
    services_.Change([&](GUpwardServices& s) { s.factory = factory.get(); });
  }
  void TearDown() override {
    services_.Restore();
    factory.reset();
    w32test::Reset();
  }
  void InstallLibrary(const std::vector<std::string>& entries = AllDMCEntries()) {
    InstallFakeConfigLibrary(kDriverDirectory, entries);
  }
  // Exported (path, option) pairs as "path=option".
  static std::vector<std::u16string> Exports() {
    std::vector<std::u16string> out;
    for (const auto& [path, option] : FakeDMC().exports) out.push_back(path + u"=" + option);
    return out;
  }

  ScopedUpwardServices services_;
  std::unique_ptr<ConfigTestFactory> factory;
};

}  // namespace qvtest
