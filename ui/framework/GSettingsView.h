// GSettingsView: the one door through which the user interface reads and
// writes feature values. A small value object over one composite of the
// settings model (the sheet settings, the device model, the UI state or the
// reference settings, or a composite reached by Descend) that finds typed
// attributes by feature id and converts between their stored form and the
// 16-bit numbers and wide strings of the controls. Every write that really
// changes a value first hands the old attribute to the UI session's change
// log and only then replaces it; writing an equal value is no change.
//
// The view owns nothing and is copied freely. A view without a composite
// finds nothing; a read-only view refuses every write.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GAttribute;
class GAttributeComposite;
class GEnumAttribute;
class GMedia;
class GRangeAttribute;
class GStringAttribute;
class GUISession;
class GValueAttribute;
class MPersistentObject;

// The composite ids that lead from the settings root to the composite that
// holds a changed attribute.
using GChangePath = std::vector<int32_t>;

class GSettingsView {
 public:
  // Class ids the view tells apart.
  static constexpr int16_t kRangeClass = 762;
  static constexpr int16_t kValueClass = 763;
  static constexpr int16_t kEnumClass = 764;
  static constexpr int16_t kStringClass = 776;
  static constexpr int16_t kCompositeClass = 757;
  static constexpr int16_t kMediaPoolClass = 1006;
  static constexpr int16_t kFormToTrayClass = 1012;

  // Feature ids the view knows.
  static constexpr int32_t kFirstCustomPaper = 0x4000;
  static constexpr int32_t kLastCustomPaper = 17383;
  static constexpr int16_t kLetter = 1;

  // A view over nothing: finds nothing, writes nothing.
  GSettingsView() = default;
  // Writable view over the composite; changes go to the session's log.
  static GSettingsView Writable(MPersistentObject* composite, GUISession* session) {
    return GSettingsView(composite, session, 0);
  }
  // Read-only view; the session, when given, builds custom media.
  explicit GSettingsView(MPersistentObject* composite, GUISession* session = nullptr, int readOnly = 1);
  GSettingsView(const GSettingsView&) = default;
  GSettingsView& operator=(const GSettingsView&) = default;

  // Copies composite, session and the read-only flag.
  void Assign(const GSettingsView& other) { *this = other; }

  MPersistentObject* GetComposite() const { return composite_; }
  GUISession* GetSession() const { return session_; }
  int IsReadOnly() const { return readOnly_; }

  // ---- Look-up (depth first; a null id finds nothing) ----
  int Contains(const int32_t* id) const;
  // The attribute when it exists and is of exactly that class, else null.
  GAttribute* FindOfClass(const int32_t* id, int16_t classId) const;
  int IsOfClass(const int32_t* id, int16_t classId) const;
  GValueAttribute* FindValueAttribute(const int32_t* id) const;
  GStringAttribute* FindStringAttribute(const int32_t* id) const;
  GRangeAttribute* FindRangeAttribute(const int32_t* id) const;
  GEnumAttribute* FindEnumAttribute(const int32_t* id) const;
  // The attribute when it is a plain composite (757) or an enumeration
  // (764), else null.
  GAttributeComposite* FindComposite(const int32_t* id) const;
  // Moves the view into that composite: 1; 0 and unchanged when there is
  // none.
  int Descend(const int32_t* id);
  // The enumerated custom-paper list (276), whose presence enables custom
  // paper sizes.
  GEnumAttribute* FindCustomPaperList() const;
  // The attribute with id 375, whatever it is.
  GAttribute* FindLockedList() const;
  // A deep copy (the caller owns it), or null.
  GAttribute* CloneAttribute(const int32_t* id) const;
  // Puts a copy of attribute in place of the first one with that id; 1 when
  // found. Not logged; 0 on a read-only view.
  int ReplaceAttribute(const int32_t* id, const GAttribute* attribute);

  // ---- Reading: 1 and the value, or 0 and a zero / empty value ----
  int GetInt(const int32_t* id, int* out) const;
  int GetString(const int32_t* id, RWWString* out) const;
  int GetNarrowString(const int32_t* id, RWCString* out) const;
  int GetRangeMaximum(const int32_t* id, int16_t* out) const;
  int GetRangeMinimum(const int32_t* id, int16_t* out) const;
  int GetRangeStep(const int32_t* id, int16_t* out) const;
  int GetRangeValue(const int32_t* id, int16_t* out) const;
  // 1 when the session's log of the current update cycle holds a change of
  // that id with no path.
  int HasChanged(const int32_t* id) const;

  // ---- Writing: 0 on a read-only view ----
  // 1 when set or already equal; 0 when there is no value attribute of that
  // id. Inside the UI state a missing key is first created with the value
  // (not logged).
  int SetInt(const int32_t* id, int16_t value);
  // The text narrowed under the code page; 1 when there is a string
  // attribute of that id, whether or not it changed. 0 and nothing changed
  // when the text does not convert.
  int SetString(const int32_t* id, const RWWString& text);
  int SetNarrowString(const int32_t* id, const RWCString& text);
  // 1 when the id exists or was added with the value.
  int AddIntIfMissing(int16_t value, const int32_t* id);
  // Hands the attribute (as it is before a change) to the session's change
  // log; the session takes the path over. 1.
  int LogChange(const GAttribute* attribute, std::unique_ptr<GChangePath> path);

  // ---- Media ----
  // Standard and printable-range ids ask the media pool (189); custom ids
  // (0x4000 to 17383) are built by the session, else Letter of the pool.
  // Borrowed; null when there is no pool.
  GMedia* FindMedia(int16_t paperId, int16_t orientation, int16_t xResolution, int16_t yResolution) const;
  GMedia* FindMediaForResolution(int16_t paperId, int16_t orientation, int16_t resolution) const;

 private:
  GAttribute* Find(const int32_t* id) const;
  // Logs the attribute (no path) and puts a copy of replacement in its
  // place.
  void LogAndReplace(GAttribute* current, const GAttribute& replacement);
  GRangeAttribute* RangeFor(const int32_t* id, int16_t* out) const;

  MPersistentObject* composite_ = nullptr;
  GUISession* session_ = nullptr;
  int readOnly_ = 0;
};
