// GFormToTrayDatabase: the printer's form-to-tray table: which paper size,
// media type and spooler form the administrator assigned to each input
// tray, one GFormToTrayAssociation per tray that has an entry. The paper
// and source mapping, the device capabilities, the DEVMODE checks and the
// compact settings codec read it; the device property sheet edits it.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GFormToTrayAssociation.h"
#include "rw/RWCString.h"
#include "rw/RWOrderedVector.h"
#include "rw/RWWString.h"
#include "rw/RWMembers.h"

constexpr RWClassID GFormToTrayDatabaseClassId = 1012;

class GFormToTrayDatabase : public GAttribute {
 public:
  // The media type and the paper size that count as no assignment.
  static constexpr int16_t kUnspecifiedMediaType = 11913;
  static constexpr int16_t kNoPaperSize = 0;

  GFormToTrayDatabase();
  explicit GFormToTrayDatabase(const int32_t* id);
  // Copies the defaults and shares the source's entries.
  GFormToTrayDatabase(const GFormToTrayDatabase& other);
  GFormToTrayDatabase& operator=(const GFormToTrayDatabase& other);
  ~GFormToTrayDatabase() override;

  static RWClassID StaticClassId() { return GFormToTrayDatabaseClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GFormToTrayDatabase);
  RW_STORED_MEMBERS();
  // Same class and feature id, and entries that match in order.
  int Matches(const MPersistentObject* other) const override;
  // The table applies nothing: 1.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // The first entry with the value, borrowed; null when none.
  GFormToTrayAssociation* FindByTray(int16_t tray) const;
  GFormToTrayAssociation* FindByPaperSize(int16_t paperSize) const;
  GFormToTrayAssociation* FindByMediaType(int16_t mediaType) const;
  // 1 when some entry has a paper size or a media type other than the default.
  int HasAssignments() const;
  // Replaces the tray's entry by a new one at the end.
  void AssignTray(int16_t tray, int16_t paperSize, int16_t mediaType);
  // The same with a form name, converted to wide characters.
  void AssignTrayWithForm(int16_t tray, int16_t paperSize, int16_t mediaType, const char* formName);
  // Removes and deletes the tray's first entry; non-zero when there was one.
  int RemoveTray(int16_t tray);
  // Replaces the tray's entry by one that holds the defaults.
  void ResetTray(int16_t tray);
  void Clear();
  // The entry's value, or the default when the tray has no entry.
  int16_t GetPaperSizeForTray(int16_t tray) const;
  int16_t GetMediaTypeForTray(int16_t tray) const;
  int16_t GetMediaTypeForPaperSize(int16_t paperSize) const;
  int16_t GetPaperSizeForMediaType(int16_t mediaType) const;
  // The value of the first entry that is not the default, or the default.
  int16_t GetFirstAssignedPaperSize() const;
  int16_t GetFirstAssignedMediaType() const;
  int HasTray(int16_t tray) const { return FindByTray(tray) != nullptr; }
  int IsPaperSizeAssigned(int16_t paperSize) const { return FindByPaperSize(paperSize) != nullptr; }
  int IsMediaTypeAssigned(int16_t mediaType) const { return FindByMediaType(mediaType) != nullptr; }
  // 1 when one entry has both values.
  int IsPaperAndMediaAssigned(int16_t paperSize, int16_t mediaType) const;
  // 1 when one entry has the paper size and exactly that form name.
  int IsFormAssigned(int16_t paperSize, const RWWString& formName) const;
  // Appends every entry's tray, in entry order.
  void GetTrays(RWOrderedVector<int16_t>& trays) const;

  int16_t GetDefaultMediaType() const { return defaultMediaType_; }
  int16_t GetDefaultPaperSize() const { return defaultPaperSize_; }
  GAttributeComposite& GetEntries() { return entries_; }
  const GAttributeComposite& GetEntries() const { return entries_; }

 private:
  // The first entry for which match answers true, borrowed.
  template <typename Match>
  GFormToTrayAssociation* FindWhere(Match match) const;

  int16_t defaultMediaType_ = kUnspecifiedMediaType;
  int16_t defaultPaperSize_ = kNoPaperSize;
  mutable GAttributeComposite entries_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GFormToTrayDatabase*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GFormToTrayDatabase*& out);

RWCollectable* GFormToTrayDatabaseCreate();
