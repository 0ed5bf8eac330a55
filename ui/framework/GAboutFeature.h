// GAboutFeature: gathers what the "About This Driver" dialog shows (the
// loaded driver extensions and the dates and kinds of the last configuration
// updates) and runs that dialog. AboutBoxProc is its dialog procedure; the
// module exports it. GAboutButtonWrapper is the logo button at the foot of
// every page that opens the dialog.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWWString.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"
#include "win32/Types.h"

class GAboutFeature : public GFeatureAccessor {
 public:
  static constexpr int kTemplate = 11520;
  static constexpr int kVersionLine = 11521;
  static constexpr int kExtensionList = 11522;
  static constexpr int kProductLine1 = 11523;
  static constexpr int kProductLine2 = 11524;
  static constexpr int kSecondVersionLine = 11526;
  static constexpr int kLogo = 11527;
  static constexpr int kUpdateList = 11539;
  // The widths of the narrow fields the extension texts and lines are
  // shown in; longer texts are cut at a character boundary to fit.
  static constexpr size_t kLineBytes = 80;

  explicit GAboutFeature(GUISession* session);
  ~GAboutFeature() override;

  // Fills both lists, then runs dialog id over parent. The dialog's result.
  INT_PTR ShowAboutBox(HWND parent, short dialogId);

  // Five lines for every extension of the settings that has a name; the
  // update lines from the printer data. Each replaces its list.
  void CollectExtensionLines();
  void CollectUpdateLines();

  const std::vector<RWWString>& GetExtensionLines() const { return extensionLines_; }
  const std::vector<RWWString>& GetUpdateLines() const { return updateLines_; }

  static INT_PTR AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static void InitDialog(HWND window, GAboutFeature* feature);
  RWWString ReadPrinterData(const char* name) const;

  std::vector<RWWString> extensionLines_;
  std::vector<RWWString> updateLines_;
};

// The owner-drawn logo button that opens the about box. It owns its
// feature; it shows no setting and changes none.
class GAboutButtonWrapper : public GWrapper {
 public:
  static constexpr int kButton = 11525;

  GAboutButtonWrapper(GAboutFeature* feature, const GControlRow* table);
  ~GAboutButtonWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
};
