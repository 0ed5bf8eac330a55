// A UI session over small settings of its own, without a driver object:
// the record carries only the settings, as a provider's record does before
// the host is known. The settings hold a job group (362) with values, a
// text and a range, the custom-paper list (276) with one custom size, a
// media pool (189) and the preferences (366) with a nested group.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "w32test/Testing.h"
#include "support/AttributeBuilders.h"

namespace uisession {

using qvtest::Value;
using qvtest::Text;
using qvtest::Group;
inline GMedia* Medium(int16_t paperId, int16_t width, int16_t height, const char* name) {
  const GShortPoint size(width, height);
  const GShortPoint extent(static_cast<int16_t>(width - 200), static_cast<int16_t>(height - 200));
  const GShortPoint origin(100, 100);
  const int32_t id = GFeatureIds::kCustomMedia;
  return new GMedia(name, &size, &extent, &origin, 0, paperId, 600, 600, &id);
}

// Ids of the fixture's settings: the model's where the session treats the
// setting by its id, free ones elsewhere.
constexpr int32_t kJob = GFeatureIds::kDocumentSettings;
constexpr int32_t kCopies = 259;
using GFeatureIds::kPaperSize;
using GFeatureIds::kOrientation;
constexpr int32_t kJobName = 300;
constexpr int32_t kMemory = 307;
constexpr int32_t kPreferences = GFeatureIds::kDriverPreferences;
constexpr int32_t kNested = 370;
constexpr int32_t kNestedValue = 371;
constexpr int32_t kDuplex = 280;
constexpr int16_t kLabelPaper = 0x4000;

inline GAttributeComposite* MakeSettings() {
  const int32_t root = 360;
  auto* settings = new GAttributeComposite(&root);
  const int32_t memory = kMemory;
  settings->AddChild(Group(kJob, {Value(kCopies, 1), Value(kPaperSize, 1), Value(kOrientation, 0),
                                  Value(kDuplex, 0), Text(kJobName, "Caf\xE9 menu"),
                                  new GRangeAttribute(100, 3200, 50, 800, &memory)}));
  auto* customs = new GEnumAttribute(&GFeatureIds::kCustomPaperList);
  const int32_t entry = 277;
  customs->AddChild(new GCustomMediaSize(kLabelPaper, RWCString("Label"), 0, 400, 600, &entry));
  settings->AddChild(customs);
  auto* pool = new GMediaPool(&GFeatureIds::kPrinterMediaPool);
  pool->AddChild(Medium(1, 5100, 6600, "Letter"));
  pool->AddChild(Medium(17384, 7200, 10800, "Largest"));
  settings->AddChild(pool);
  settings->AddChild(Group(kPreferences, {Value(940, 0), Group(kNested, {Value(kNestedValue, 5)})}));
  return settings;
}

class UISessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    settings_.reset(MakeSettings());
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.accessFlags = GUIAccess::kChangesAllowed;
    session_ = std::make_unique<GUISession>(&data_);
  }
  void TearDown() override {
    session_.reset();
    settings_.reset();
    w32test::Reset();
  }

  // The 16-bit value of id in the settings (depth first), -9999 when there
  // is none.
  int ValueOf(int32_t id) {
    int value = 0;
    return session_->GetSettingsView().GetInt(&id, &value) != 0 ? value : -9999;
  }
  int Set(int32_t id, int16_t value) { return session_->GetSettingsView().SetInt(&id, value); }
  std::vector<int32_t> ChangedIds() {
    return std::vector<int32_t>(session_->GetChangedIds().begin(), session_->GetChangedIds().end());
  }

  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::unique_ptr<GUISession> session_;
};

}  // namespace uisession
