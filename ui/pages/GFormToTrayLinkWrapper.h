// GFormToTrayLinkWrapper: the NT Forms page, which assigns to each input
// tray the paper size and paper type loaded in it. The tray list shows the
// installed trays, the size list the host's papers the tray takes, the type
// list the paper types the tray takes and the types the printer reported;
// "Clear All" drops every assignment. GFormToTrayAccessor reads and writes
// the assignments in the settings' form-to-tray database, each change as a
// replaced database so that it is logged and can be undone.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GFormToTrayDatabase;

class GFormToTrayAccessor : public GFeatureAccessor {
 public:
  static constexpr int16_t kUnspecifiedPaper = 0;
  static constexpr int16_t kUnspecifiedType = 11913;
  static constexpr int16_t kShowEverything = 6;  // the tray that takes every size and type
  static constexpr int16_t kEnvelopeTray = 5;
  static constexpr int16_t kEnvelopePaper = 8;  // ENV_10

  explicit GFormToTrayAccessor(GUISession* session);
  ~GFormToTrayAccessor() override;

  // The installed trays' source codes and, when names is not null, their
  // names; 0 when the model lists no paper-handling devices.
  int ListTrays(std::vector<int16_t>* codes, std::vector<RWWString>* names);
  // The tray's assigned paper and type (0 and 0 without an entry).
  void GetAssignment(int16_t tray, int16_t& paper, int16_t& type);
  void Assign(int16_t tray, int16_t paper, int16_t type);
  void ClearAll();
  // Drops the entries of trays no longer installed; codes receives the
  // installed trays.
  void PruneAssignments(std::vector<int16_t>* codes);
  int EnumeratePapers(int (*callback)(int, int16_t, const RWWString&, void*), void* context);
  int16_t GetDefaultPaper();
  int16_t GetSelectedTray();
  void SetSelectedTray(int16_t tray);
  int TrayRefusesPaper(int16_t paper, int16_t tray);
  int TrayRefusesType(int16_t typeId, int16_t tray);
  // The names the printer reported for its paper types, in order.
  std::vector<RWWString> ReportedMediaNames();

 private:
  GFormToTrayDatabase* Database() const;
  // Logs the database as it stands and puts the copy in its place.
  void Replace(const GFormToTrayDatabase& copy);
};

class GFormToTrayLinkWrapper : public GWrapper {
 public:
  // Takes the accessor over. Rows: 0 trays, 1 sizes, 2 types, 3 "Clear All".
  GFormToTrayLinkWrapper(GFormToTrayAccessor* accessor, const GControlRow* table);
  ~GFormToTrayLinkWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // Adds the paper to the size list when the selected tray takes it; 1.
  virtual int AddPaper(int16_t paperId, const RWWString& name);

 protected:
  // The host's paper walk calls this once per paper; wrapper is this
  // wrapper.
  static int MediaNameCallback(int ordinal, int16_t paperId, const RWWString& name, void* wrapper);

 private:
  GFormToTrayAccessor* Forms() const { return static_cast<GFormToTrayAccessor*>(accessor_); }
  int16_t FillTrays();
  void FillSizes();
  void FillTypes(int16_t tray);

  GComboBox trays_;
  GComboBox sizes_;
  GComboBox types_;
  int16_t tray_ = GFormToTrayAccessor::kShowEverything;
};
