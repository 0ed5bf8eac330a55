// The Configure page's accessory lists: which output accessory (with its
// operation mode) and which input accessory the printer has. A change
// applies the settings to the model at once, so that trays, bins and
// pictures follow, and resets the settings that depended on the old
// accessory: the output bin and stapling for the output side, the sources,
// the different first page and the assignments of vanished trays for the
// input side.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GPaperHandlingDevice;

// The display name string of an accessory's model name; 0xFFFF for none.
uint16_t OutputAccessoryNameId(const RWCString& name);
uint16_t InputAccessoryNameId(const RWCString& name);

// What both accessory accessors share: the model's installable devices of
// one kind, listed with their names and model names.
class GAccessoryListAccessor : public GFeatureAccessor {
 public:
  GAccessoryListAccessor(GUISession* session, int32_t kind);
  ~GAccessoryListAccessor() override;

  // "(None)" with key "", then each installable device of the kind.
  void ListAccessories(std::vector<RWWString>* names, std::vector<RWCString>* keys);
  // The device of the model with that model name, or null.
  GPaperHandlingDevice* FindDevice(const RWCString& name) const;

 protected:
  virtual uint16_t NameId(const RWCString& name) const = 0;
  virtual bool Listed(const RWCString&) const { return true; }
  RWCString Text(int32_t id) const;
  void Write(int32_t id, int16_t value);

  int32_t kind_;
};

class GOutputAccessoryAccessor : public GAccessoryListAccessor {
 public:
  static constexpr int16_t kMailboxMode = 2;

  explicit GOutputAccessoryAccessor(GUISession* session);
  ~GOutputAccessoryAccessor() override;

  RWCString GetAccessory() const { return Text(kAccessory); }
  int16_t GetMode() const;
  int HasOption(int16_t key) const;
  void GetOptionKeys(std::vector<int16_t>* keys) const;
  int GetOptionCount() const;
  void SetAccessory(const RWCString& name);
  void SetMode(int16_t mode);
  int NeedsRefresh() const;

 protected:
  uint16_t NameId(const RWCString& name) const override { return OutputAccessoryNameId(name); }

 private:
  static constexpr int32_t kAccessory = 316;
  GPaperHandlingDevice* Current() const { return FindDevice(GetAccessory()); }
  void ClearMailboxNames();
};

class GInputAccessoryAccessor : public GAccessoryListAccessor {
 public:
  explicit GInputAccessoryAccessor(GUISession* session);
  ~GInputAccessoryAccessor() override;

  RWCString GetAccessory() const;
  void SetAccessory(const RWCString& name);
  int HasChanged() const;

 protected:
  uint16_t NameId(const RWCString& name) const override { return InputAccessoryNameId(name); }
  bool Listed(const RWCString& name) const override;
};

class GOutputAccessoryWrapper : public GWrapper {
 public:
  // Takes the accessor over. Rows: 0 accessory list, 1 mode label, 2 mode
  // list.
  GOutputAccessoryWrapper(GOutputAccessoryAccessor* accessor, const GControlRow* table);
  ~GOutputAccessoryWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GOutputAccessoryAccessor* Accessories() const { return static_cast<GOutputAccessoryAccessor*>(accessor_); }
  void FillModes();
  bool ModeChangeable() const;

  GComboBox accessories_;
  GComboBox modes_;
  std::vector<RWCString> keys_;
};

class GInputAccessoryWrapper : public GWrapper {
 public:
  // Takes the accessor over. Row 0: the accessory list.
  GInputAccessoryWrapper(GInputAccessoryAccessor* accessor, const GControlRow* table);
  ~GInputAccessoryWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GInputAccessoryAccessor* Accessories() const { return static_cast<GInputAccessoryAccessor*>(accessor_); }

  GComboBox accessories_;
  std::vector<RWCString> keys_;
};

// The envelope feeder check box: a change applies the settings to the
// model and drops the assignments of trays that went away.
class GEnvelopeFeederAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GEnvelopeFeederAccessor(GUISession* session);
  int SetValue(int16_t value) override;
};

// The Plurex check box, which also sets collation in the printer.
class GPlurexAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GPlurexAccessor(GUISession* session);
  void SetCollate(int16_t value);
};

// A check box over a keyed accessor: checked for the value 1.
class GAccessoryCheckWrapper : public GWrapper {
 public:
  GAccessoryCheckWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 protected:
  GKeyedFeatureAccessor* Keyed() const { return static_cast<GKeyedFeatureAccessor*>(accessor_); }
};

class GEnvelopeFeederWrapper : public GAccessoryCheckWrapper {
 public:
  GEnvelopeFeederWrapper(GEnvelopeFeederAccessor* accessor, const GControlRow* table)
      : GAccessoryCheckWrapper(accessor, table) {}
};

class GPlurexWrapper : public GAccessoryCheckWrapper {
 public:
  GPlurexWrapper(GPlurexAccessor* accessor, const GControlRow* table) : GAccessoryCheckWrapper(accessor, table) {}
  void ReadControlIntoFeature() override;
};
