// GOutputBinWrapper: the Destination page's output bin group. The bin list
// offers the bins of the printer and of its installed output accessory
// (named mailboxes last), the options list offers offsetting for the
// high-capacity stackers, which travels to the printer as a PJL line kept in
// CustomPJLCommands. GOutputBinAccessor lists the bins and names them.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GOutputBinAccessor : public GKeyedFeatureAccessor {
 public:
  static constexpr int16_t kTopBin = 1;
  static constexpr int16_t kNoCode = -1;
  static constexpr char kOffsettingOn[] = "@PJL SET OUTBINPROCESS =0 \r\n";
  static constexpr char kOffsettingOff[] = "@PJL SET OUTBINPROCESS =1 \r\n";

  explicit GOutputBinAccessor(GUISession* session);
  ~GOutputBinAccessor() override;

  // The rule's availability of the output bin (UI value 0x40000043).
  int16_t GetAvailability() override;
  // OutputBin, the output accessory or its mode changed.
  int HasChanged() override;

  // The bins to offer, as OutputBin codes with their display names.
  void ListBins(std::vector<int16_t>* codes, std::vector<RWWString>* names);
  // The OutputBin code of a bin type (booklet maker aware); kNoCode for a
  // bin that is not offered.
  int16_t BinCodeForType(int16_t type);
  // The string id naming a code; 0xFFFF for none.
  uint16_t BinNameId(int16_t code);

  void SetPJLLine(const RWCString& line);
  void GetPJLLine(RWCString& out);
  RWCString GetAccessory() const;
  // The accessory is one of the high-capacity stackers.
  bool IsStacker() const;
};

// Whether an output bin choice may be applied with that accessory; every
// choice is.
int IsOutputBinChoiceAllowed(int16_t value, const RWCString& accessory, int flag);

class GOutputBinWrapper : public GWrapper {
 public:
  // Takes the accessor over. Rows: 0 group, 1 bin label, 2 bin list, 3
  // options label, 4 options list.
  GOutputBinWrapper(GOutputBinAccessor* accessor, const GControlRow* table);
  ~GOutputBinWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GOutputBinAccessor* Bins() const { return static_cast<GOutputBinAccessor*>(accessor_); }
  void FillBins();
  void FillOptions();
  void ApplyOption();

  GComboBox bins_;
  GComboBox options_;
};
