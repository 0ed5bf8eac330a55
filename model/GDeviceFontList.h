// GDeviceFontList: the font catalogue of one printer storage device: the
// descriptions of its fonts (held by value, in insertion order), the
// catalogue's stamp, and two maps from numeric keys to texts that the
// generators look fonts up in. Lists are kept, one per device, in a
// GDeviceFontListComposite.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GDeviceFontDescription.h"
#include "model/MPersistentObject.h"
#include "rw/RWIntrusiveSlist.h"

class MAssociationList;

constexpr RWClassID GDeviceFontListClassId = 856;

class GDeviceFontList : public MPersistentObject {
 public:
  // Answers non-zero for the font wanted.
  typedef int (*FontPredicate)(GDeviceFontDescription* font, int userData);

  // No fonts, stamp 0, no maps.
  GDeviceFontList();
  explicit GDeviceFontList(const int32_t& id);
  // Id and serial, then CopyFrom.
  GDeviceFontList(const GDeviceFontList& other);
  GDeviceFontList& operator=(const GDeviceFontList& other);
  // Deletes both maps and every font entry.
  ~GDeviceFontList() override;

  static RWClassID StaticClassId() { return GDeviceFontListClassId; }
  static uint32_t ClassVersion() { return 3; }

  QV_PERSISTENT_KIND(GDeviceFontList);
  RW_STORED_MEMBERS();
  // Same class and id, maps alike (the same or matching), and the same
  // fonts in the same order. The stamp is not compared.
  int Matches(const MPersistentObject* other) const override;

  // Takes copies of the other's maps (which share their associations) and
  // fonts, and its stamp.
  void CopyFrom(const GDeviceFontList& other);
  // Appends a copy of the description.
  void AddFont(const GDeviceFontDescription& font);
  // Deletes every font and both maps.
  void Clear();
  uint32_t GetCount() const { return static_cast<uint32_t>(fonts_.Count()); }
  // 1 and out = a copy of font index; 0 when there is none.
  int GetFont(uint32_t index, GDeviceFontDescription& out) const;
  // 1 and out = the first font (borrowed) for which the predicate answers
  // non-zero; 0 when none does.
  int FindFontWhere(FontPredicate predicate, int userData, GDeviceFontDescription*& out);
  uint32_t GetStamp() const { return stamp_; }
  void SetStamp(uint32_t stamp) { stamp_ = stamp; }

  // The list takes the map over (the current one goes).
  void SetFirstMap(MAssociationList* map);
  void SetSecondMap(MAssociationList* map);
  MAssociationList* GetFirstMap() const;
  MAssociationList* GetSecondMap() const;
  // The text stored under the key's low 16 bits in the first map (keys
  // with id 0 only), or null.
  const char* LookupFirst(int32_t key) const;
  // The text stored under the full key in the second map, or null.
  const char* LookupSecond(int32_t key) const;

 private:
  struct FontNode : RWSlistLink {
    GDeviceFontDescription font;
  };

  void DeleteFonts();
  static const char* Lookup(const GCountedPtr& map, uint32_t key);
  // Appends a node whose description was read in place.
  void AppendNode(FontNode* node);

  RWIntrusiveSlist fonts_;
  uint32_t stamp_ = 0;
  // The maps are held by counted handle: the list is their owner, and a
  // stored graph that shares one map between two places still deletes it
  // once.
  GCountedPtr firstMap_;
  GCountedPtr secondMap_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontList*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontList*& out);

RWCollectable* GDeviceFontListCreate();
