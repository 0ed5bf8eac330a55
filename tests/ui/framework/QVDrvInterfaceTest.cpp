// The UI-side extension interface: the table of interface 50 and the
// settings strings that extension pages read and write.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "driver/GDriverExtension.h"
#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/ScopedUpwardServices.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/QVDrvInterface.h"
#include "winnt40/nt40qddi.h"

namespace {

// An ExtensionInfo record with the id at offset 40.
std::vector<uint8_t> Info(const char* id) {
  std::vector<uint8_t> info(kExtensionInfoSize, 0);
  std::memcpy(info.data() + kExtensionIdOffset, id, std::strlen(id));
  return info;
}

class QVDrvInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    infos_ = {Info("EXT-A"), Info("EXT-B"), Info("EXT-A")};
    for (size_t i = 0; i < infos_.size(); ++i) context_.info[i] = infos_[i].data();
    context_.count = 3;
    context_.settings[0] = RWCString("first");
    context_.settings[1] = RWCString("");
    context_.settings[2] = RWCString("abcd");
    // Stored settings records: index 995, settings string 998.
    const int32_t groupId = GFeatureIds::kExtensionSettingsGroup, listId = GFeatureIds::kExtensionSettingsList;
    settings_ = std::make_unique<GAttributeComposite>();
    auto* group = new GAttributeComposite(&groupId);
    auto* list = new GAttributeComposite(&listId);
    for (int16_t index : {0, 2}) {
      const int32_t recordId = 0, indexId = GFeatureIds::kExtensionIndex, textId = GFeatureIds::kExtensionSettingsText;
      auto* record = new GAttributeComposite(&recordId);
      record->AddChild(new GValueAttribute(index, &indexId));
      record->AddChild(new GStringAttribute("old", &textId));
      list->AddChild(record);
    }
    group->AddChild(list);
    settings_->AddChild(group);
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    context_.data = &data_;
    holder_ = &context_;
  }

  void* Context() { return &holder_; }

  std::vector<std::vector<uint8_t>> infos_;
  GExtensionUIContext context_;
  GExtensionUIContext* holder_ = nullptr;  // the host's first field
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
};

TEST_F(QVDrvInterfaceTest, QueryInterfaceFillsOnlyInterfaceFifty) {
  QVDrvUITable table{};
  EXPECT_EQ(QVDrv_QueryInterface(7, &table), 5);
  EXPECT_EQ(table.getValue, nullptr);
  EXPECT_EQ(QVDrv_QueryInterface(50, &table), 0);
  EXPECT_EQ(table.getValue, &QVDrv_UIGetValue);
  EXPECT_EQ(table.getExtSettings, &QVDrv_UIGetExtSettings);
  EXPECT_EQ(table.setExtSettings, &QVDrv_UISetExtSettings);
}

TEST_F(QVDrvInterfaceTest, GetExtSettingsComparesTheBufferWithTheString) {
  char buffer[16];
  const struct {
    uint16_t length;
    const char* id;
    int16_t result;
    const char* copied;
  } cases[] = {
      {4, "EXT-A", 0, "abcd"},   // the last extension of that id
      {2, "EXT-A", 2, "ab"},     // shorter: cut
      {9, "EXT-A", 11, "abcd"},  // longer
      {9, "EXT-B", 10, ""},      // empty string
      {9, "EXT-C", 10, ""},      // no such extension
      {9, "EXT-", 10, ""},       // ids compare whole
  };
  for (const auto& c : cases) {
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(QVDrv_UIGetExtSettings(buffer, c.length, c.id, Context()), c.result) << c.id << " " << c.length;
    EXPECT_EQ(std::string(buffer, std::strlen(c.copied)), c.copied);
    EXPECT_EQ(buffer[std::strlen(c.copied)], '#');  // never terminated
  }
  EXPECT_EQ(QVDrv_UIGetExtSettings(buffer, 4, "EXT-A", nullptr), 1);
}

TEST_F(QVDrvInterfaceTest, SetExtSettingsReplacesTheStoredRecord) {
  EXPECT_EQ(QVDrv_UISetExtSettings("new", 3, "EXT-A", nullptr), 1);
  char tooLong[51] = {};
  EXPECT_EQ(QVDrv_UISetExtSettings(tooLong, 51, "EXT-A", Context()), 15);
  EXPECT_EQ(QVDrv_UISetExtSettings("new", 3, "EXT-A", Context()), 0);
  EXPECT_EQ(std::string(context_.settings[2].Data()), "new");
  // The record of index 2 was written directly; index 0 keeps its text.
  MPersistentObject* list = settings_->FindById(GFeatureIds::kExtensionSettingsList);
  std::vector<std::string> texts;
  std::unique_ptr<MPersistentIterator> it(list->CreateIterator());
  while (it->Advance()) {
    auto* text = dynamic_cast<GStringAttribute*>(it->Current()->FindById(GFeatureIds::kExtensionSettingsText));
    texts.push_back(text->GetString().Data());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"old", "new"}));
  // No record for the extension (index 1) or no extension at all: 1.
  EXPECT_EQ(QVDrv_UISetExtSettings("x", 1, "EXT-B", Context()), 1);
  EXPECT_EQ(QVDrv_UISetExtSettings("x", 1, "EXT-Z", Context()), 1);
}

TEST_F(QVDrvInterfaceTest, GetValueGoesToTheHostsExtension) {
  int16_t out = 0;
  EXPECT_EQ(QVDrv_UIGetValue(1, &out, nullptr), 1);
  EXPECT_EQ(QVDrv_UIGetValue(1, nullptr, Context()), 1);
  EXPECT_EQ(QVDrv_UIGetValue(1, &out, Context()), 1);  // no host
  GNT40Driver host(nullptr, RWWString(u"Front Desk"), RWWString(u"Quarrin 4700"), RWWString(u"LPT1:"));
  data_.host = &host;
  // An id outside the dispatcher's table is its own answer, 3.
  EXPECT_EQ(QVDrv_UIGetValue(60000, &out, Context()), 3);
  data_.settings = nullptr;
  EXPECT_EQ(QVDrv_UIGetValue(60000, &out, Context()), 1);
}

TEST(UIServicesTest, InstallationHandsTheUIInterfaceToNewExtensions) {
  qvtest::ScopedUpwardServices services_;
  services_.Change([](GUpwardServices& s) { AddUIFrameworkServices(&s); });
  GNT40Driver host(nullptr, RWWString(u"Front Desk"), RWWString(u"Quarrin 4700"), RWWString(u"LPT1:"));
  std::unique_ptr<GSheetBridge> bridge(CreateSheetBridge());
  EXPECT_NE(dynamic_cast<GCPSOSUI*>(bridge.get()), nullptr);
  services_.Change([](GUpwardServices& s) { s.ui = GUIServices(); });
  EXPECT_EQ(CreateSheetBridge(), nullptr);
  RWWString text(u"stale");
  EXPECT_EQ(LoadUIStringService(10120, &text), 0);
  EXPECT_TRUE(text.IsEmpty());
}

}  // namespace
