// The paper, source and form rules: GPaperSourceRule keeps the paper source
// consistent with the paper type and size it can take (asking or refusing
// with the conflict messages), GPaperSizeRule notes that the document is
// printed on another size, GCustomPaperSizeRule greys the custom paper sizes
// and the quick-set saving without the permission to change the printer, and
// GFormToTrayRule keeps the source automatic and the paper size and type to
// what the trays hold while forms are assigned to trays, and
// GTypesInSourceListRule keeps media types out of the applications' source
// list while forms are assigned to trays.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "rw/RWCString.h"
#include "ui/framework/GUIRule.h"

class GPaperSourceAccessor;

class GPaperSourceRule : public GUIRule {
 public:
  explicit GPaperSourceRule(GUISession* session);
  ~GPaperSourceRule() override;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

  // 1 when the source takes the paper (the accessory installed in
  // OptionalPaperSources decides for the optional trays).
  int PaperFitsSource(int16_t paperId, int16_t source);
  // 1 when the source takes the paper type (a media name; "" is automatic).
  static int MediaFitsSource(const RWCString& media, int16_t source);

 private:
  void CheckInstalledSources(const std::list<int32_t>& changedIds, int force);
  void CheckMediaAgainstSource(const std::list<int32_t>& changedIds);
  void CheckSizeAgainstSources(const std::list<int32_t>& changedIds, int force);
  int16_t CurrentPaper();

  // The Paper page's source accessor, for the trays the user may choose.
  std::unique_ptr<GPaperSourceAccessor> sources_;
};

class GPaperSizeRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GCustomPaperSizeRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GFormToTrayRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  // Active for this revalidation when the settings hold a form-to-tray
  // database with assignments.
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

 private:
  // Clears the paper type of that feature when no tray holds the paper with
  // it.
  void KeepMediaAssigned(int32_t mediaId, int16_t paper);

  int active_ = 0;
};

class GTypesInSourceListRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};
