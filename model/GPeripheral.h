// GPeripheral: a stage of the print path as the settings model sees it. It
// is the receiver of the attribute apply protocol: an attribute's ApplyTo
// calls the one receiver operation of its class with itself and passes the
// returned status up; in this base every receiver does nothing and answers
// 0 ("done"). It is also an attribute itself, so a peripheral is stored in
// the device model: it keeps the stage's name, its current and default
// state, its configuration, its document/page mode, its add-on settings and
// the peripherals that observe it (the composites that hold it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/GAttribute.h"
#include "model/GCountedPtr.h"
#include "rw/RWCString.h"
#include "rw/RWStoreTable.h"

class GBrush;
class GCap;
class GClipToPage;
class GClipToPath;
class GClipToRectangle;
class GClipToSingleRectangle;
class GColorMap;
class GConfiguration;
class GDashedPen;
class GEdgeControl;
class GEnumAttribute;
class GFillMode;
class GHalftone;
class GHalftoneEnhanced;
class GJoint;
class GMedia;
class GMiterJoint;
class GNeutralGrays;
class GNoBrush;
class GNoPen;
class GPen;
class GRangeAttribute;
class GRasterOperation;
class GSRGBColor;
class GSRGBExtension;
class GState;
class GStringAttribute;
class GTransformAttribute;
class GTray;
class GValueAttribute;
class GColorPaint;

constexpr RWClassID GPeripheralClassId = 760;

// Feature ids of a peripheral's own parts.
constexpr int32_t GPeripheralStateId = 243;          // PeripheralState
constexpr int32_t GPeripheralConfigurationId = 198;  // PeripheralConfiguration
constexpr int32_t GPeripheralAddOnListId = 64;       // AddOnList

// Which entry points an add-on exports.
enum GAddOnKind : int32_t {
  kAddOnGeneric = 0,
  kAddOnPclXl = 1,
  kAddOnPcl = 2,
  kAddOnPostScript = 3,
  kAddOnPjl = 4,
  kAddOnNone = 6,
};

// When add-ons are loaded.
enum GAddOnMode : int32_t {
  kAddOnsPerCommand = 0,
  kAddOnsWhenCreated = 1,
  kNoAddOns = 2,
};

class GPeripheral : public GAttribute {
 public:
  // Empty name, mode idle, add-on list id 64, add-on kind none, no
  // add-ons, a new empty GState (243) as current and as default state, a
  // new GConfiguration (198), active.
  GPeripheral();
  explicit GPeripheral(const int32_t* id);
  // A null configuration or default state is replaced by a new one; the
  // current state starts as a deep copy of the default state.
  GPeripheral(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
              int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Copies the attribute part, the name, the add-on fields and the active
  // flag and shares the current state, default state and configuration.
  // The copy is idle and observed by nobody: observers are the composites
  // that hold a peripheral, and they do not hold the copy.
  GPeripheral(const GPeripheral& other);
  // Nothing when the source does not differ; otherwise as the copy (the
  // observers of this peripheral stay).
  GPeripheral& operator=(const GPeripheral& other);
  ~GPeripheral() override;

  static RWClassID StaticClassId() { return GPeripheralClassId; }
  static uint32_t ClassVersion() { return 1; }

  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;
  // Same attribute part, name, mode, add-on fields and active flag, and
  // current state, default state and configuration that do not differ.
  // Observers are links to the holders, not settings, and are not compared.
  int Matches(const MPersistentObject* other) const override;
  // A clone whose current state, default state and configuration are deep
  // copies rather than shared.
  MPersistentObject* DeepCopy() const override;

  // Stored body after the attribute part: version 1; default state,
  // current state and configuration as object references; the observer
  // list (tag ':', count, each observer as an object reference); the name;
  // add-on list id, kind and mode. A restored peripheral is idle.
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;

  // Applies every attribute of the current state to the target, clears its
  // own changed flag; the last non-zero status of the attributes, else 0.
  int16_t ApplyTo(GPeripheral* target) override;

  int IsActive() const { return active_; }
  void Activate() { active_ = 1; }
  void Deactivate() { active_ = 0; }

  // Each state is stamped with id 243 and held; null is ignored.
  virtual void SetDefaultState(GState* state);
  virtual void SetCurrentState(GState* state);
  // Holds the configuration; null is ignored.
  virtual void SetConfiguration(GConfiguration* configuration);
  virtual void SetName(const RWCString& name);
  // Appends (no duplicate check) / removes the first entry equal to it.
  virtual void AddObserver(GPeripheral* observer);
  virtual void RemoveObserver(GPeripheral* observer);
  // Removes every entry equal to the observer (a composite that lets go of
  // all its places).
  void RemoveAllObserverEntries(GPeripheral* observer);
  virtual void EnterDocument();
  virtual void EnterPage();
  virtual void EnterIdle();
  // Borrowed; no reference is taken.
  virtual GState* GetCurrentState() const;
  virtual GState* GetDefaultState() const;
  virtual GConfiguration* GetConfiguration() const;
  virtual void GetName(RWCString& out) const;
  virtual int IsInDocument() const;
  virtual int IsInPage() const;

  const RWCString& Name() const { return name_; }
  int32_t GetMode() const { return mode_; }
  int32_t GetAddOnListId() const { return addOnListId_; }
  int32_t GetAddOnKind() const { return addOnKind_; }
  int32_t GetAddOnMode() const { return addOnMode_; }
  size_t ObserverCount() const { return observers_.size(); }
  GPeripheral* ObserverAt(size_t i) const { return i < observers_.size() ? observers_[i] : nullptr; }

  // ---- Receiver operations, one per attribute class; status 0 = done ----
  virtual int16_t SetBrush(GBrush* brush);
  virtual int16_t SetLineCap(GCap* cap);
  virtual int16_t ClipToPage(GClipToPage* clip);
  virtual int16_t ClipToPath(GClipToPath* clip);
  virtual int16_t ClipToRectangles(GClipToRectangle* clip);
  virtual int16_t ClipToRectangle(GClipToSingleRectangle* clip);
  virtual int16_t SetColorMap(GColorMap* colorMap);
  virtual int16_t SetDashedPen(GDashedPen* pen);
  virtual int16_t SetFillMode(GFillMode* fillMode);
  virtual int16_t SetHalftone(GHalftone* halftone);
  virtual int16_t SetHalftoneEnhanced(GHalftoneEnhanced* halftone);
  virtual int16_t SetNeutralGrays(GNeutralGrays* grays);
  virtual int16_t SetEdgeControl(GEdgeControl* edgeControl);
  virtual int16_t SetSRGBColor(GSRGBColor* color);
  virtual int16_t SetSRGBExtension(GSRGBExtension* extension);
  virtual int16_t SetLineJoin(GJoint* joint);
  virtual int16_t SetMiterJoin(GMiterJoint* joint);
  virtual int16_t SetNoBrush(GNoBrush* brush);
  virtual int16_t SetNoPen(GNoPen* pen);
  virtual int16_t SetPen(GPen* pen);
  virtual int16_t SetRasterOperation(GRasterOperation* operation);
  virtual int16_t SetValue(GValueAttribute* value);
  virtual int16_t SetString(GStringAttribute* text);
  // Enumerations, the media pool included.
  virtual int16_t SetEnum(GEnumAttribute* enumeration);
  virtual int16_t SetRange(GRangeAttribute* range);
  // A generator or the PJL peripheral applied to a peripheral: the printer
  // takes a copy of it in place of its child.
  virtual int16_t UsePclXlGenerator(GPeripheral* generator);
  virtual int16_t UsePcl5eGenerator(GPeripheral* generator);
  virtual int16_t UsePostScriptGenerator(GPeripheral* generator);
  virtual int16_t UsePjl(GPeripheral* pjl);
  virtual int16_t SetMedia(GMedia* media);
  virtual int16_t SetTray(GTray* tray);
  virtual int16_t SetTransform(GTransformAttribute* transform);
  // The colour of the pen and of the brush: a colour paint applying itself
  // as a pen's or a brush's paint calls these; the generators implement them.
  virtual int16_t SetPenColor(GColorPaint* paint);
  virtual int16_t SetBrushColor(GColorPaint* paint);

 protected:
  // A stored size asked on its own is that of the body inside one save of
  // this object, where the object itself is already known: the children's
  // links back to it are back references. The sizes open their identity
  // table with this.
  class SizingScope {
   public:
    explicit SizingScope(const GPeripheral* self);
    SizingScope(const SizingScope&) = delete;
    SizingScope& operator=(const SizingScope&) = delete;

   private:
    RWStoreTableGuard guard_;
  };

  // Held state parts, for the composites that keep them in step.
  GCountedPtr& CurrentStateHandle() { return currentState_; }
  GCountedPtr& DefaultStateHandle() { return defaultState_; }
  GCountedPtr& ConfigurationHandle() { return configuration_; }

  // While a composite reads its list of children, the peripherals read as
  // its direct children may name it as their observer; nothing else may be
  // named. A composite opens one of these around the read of its list.
  class ChildListRead {
   public:
    explicit ChildListRead(GPeripheral* parent);
    ~ChildListRead();
    ChildListRead(const ChildListRead&) = delete;
    ChildListRead& operator=(const ChildListRead&) = delete;

   private:
    GPeripheral* outer_;
  };

 private:
  // Reads the observer list after its tag; false when the restore cannot go
  // on. parent is the only peripheral an entry may name.
  bool RestoreObservers(RWVirtualInStream& stream, GPeripheral* parent);
  bool RestoreObserversFromFile(RWBinaryFile& file, GPeripheral* parent);
  bool AcceptObserver(RWCollectable* object, GPeripheral* parent);

  RWCString name_;
  std::vector<GPeripheral*> observers_;  // not held
  int32_t mode_;                         // 0 idle, 1 in a document, 2 in a page
  int32_t addOnListId_;
  int32_t addOnKind_;
  int32_t addOnMode_;
  GCountedPtr currentState_;   // GState, 243
  GCountedPtr defaultState_;   // GState, 243
  GCountedPtr configuration_;  // GConfiguration, 198
  int32_t active_;
};
