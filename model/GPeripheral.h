// GPeripheral: the interface of every stage of the print path (the printer,
// the peripheral composites, the page filters, the generators). A stage
// receives commands through Send, merges the settings they carry into its
// state, transforms or swallows them in Filter and returns the command the
// next stage is to see. Commands, graphics objects and attributes reach the
// stage's work by calling one operation of this interface on it (double
// dispatch), so the interface is a wide table of hooks whose base versions
// do nothing and answer 0 ("done"). It is also an attribute, so a
// peripheral is stored in the device model: it keeps the stage's name, its
// current and default state, its configuration, its document/page mode,
// the output channel it may own, its add-on settings and the peripherals
// that observe it (the composites that hold it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/GAttribute.h"
#include "model/GCommand.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GRealPair.h"
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
class GDocumentEnd;
class GDocumentStart;
class GDownloadFace;
class GDownloadHeaderCommand;
class GErrorCommand;
class GGraphic;
class GJobAbort;
class GOutputChannel;
class GPageEnd;
class GPageStart;
class GPassThroughCommand;
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

// Statuses of the print path: 0 done; 601 no output channel could be had.
constexpr int16_t GStatusNoOutputChannel = 601;

// Effect flags a stage reports (OR-able).
enum GEffectFlag : int32_t {
  kEffectReordersPages = 4,
  kEffectChangesGeometry = 10,
  kEffectNUp = 42,
  kEffectBooklet = 62,
};

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
  // observers of this peripheral stay; its own channel is let go).
  GPeripheral& operator=(const GPeripheral& other);
  // Deletes an owned output channel.
  ~GPeripheral() override;

  static RWClassID StaticClassId() { return GPeripheralClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
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
  RW_STORED_MEMBERS();

  // Applies every attribute of the current state to the target, clears its
  // own changed flag; the last non-zero status of the attributes, else 0.
  int16_t ApplyTo(GPeripheral* target) override;

  int IsActive() const { return active_; }
  void Activate() { active_ = 1; }
  void Deactivate() { active_ = 0; }

  // ---- The stage's entry ----
  // Passes a command through this stage. A null command, or any command
  // while the stage is inactive, comes back unchanged; otherwise the
  // modified flag is cleared, a composite goes through SendComposite, an
  // error or no-op command comes back unchanged, and any other command has
  // its settings merged and applied and then goes through Filter. The
  // returned handle holds the command the next stage is to see; a command
  // that no handle held is taken over by it (or by the error that replaced
  // it).
  virtual GCountedPtr Send(GCommand* command);

  // Each state is stamped with id 243 and held; null is ignored. A new
  // current state empties the section cache.
  virtual void SetDefaultState(GState* state);
  virtual void SetCurrentState(GState* state);
  // Holds the configuration and tells the observers; null is ignored.
  virtual void SetConfiguration(GConfiguration* configuration);
  // Put a new empty state (configuration) in place and hand the old one to
  // the caller, who owns it (a copy when others still hold the old one).
  virtual GState* ResetDefaultState();
  virtual GState* ResetCurrentState();
  virtual GConfiguration* ResetConfiguration();
  // Activates the stage, makes a deep copy of the default state the current
  // state, empties the section cache, tells the observers, and lets go of
  // the output channel (deleting it when owned).
  virtual void RebuildCurrentState();
  virtual void SetName(const RWCString& name);
  // The stage's own work on one command: the base dispatches it to this
  // stage; a non-zero status puts an error command carrying the status and
  // the command in its place.
  virtual GCountedPtr Filter(GCommand* command);
  // Sends each member of a composite through this stage, stopping when the
  // stage becomes inactive or a member comes back as an error; replaced
  // members take their places and mark the composite modified. An error
  // takes the place of the member that failed, so it travels on inside the
  // composite to the job's sender, which aborts the job; the members after
  // it are not sent. Anything but a composite comes back unchanged.
  virtual GCountedPtr SendComposite(GCommand* composite);
  // Merges settings into the section of their id (see GetStateSection):
  // what is missing or differs is brought in and marked changed.
  virtual void MergeSettings(GState* settings);
  // Applies the changed attributes of a section to this stage, in order. A
  // changed transform in the graphics section goes first and makes every
  // attribute of that section go out again.
  virtual void ApplyChangedAttributes(int32_t sectionId);
  // Appends (no duplicate check) / removes the first entry equal to it.
  virtual void AddObserver(GPeripheral* observer);
  virtual void RemoveObserver(GPeripheral* observer);
  // Removes every entry equal to the observer (a composite that lets go of
  // all its places).
  void RemoveAllObserverEntries(GPeripheral* observer);
  // Tells every observer, in list order, that this stage changed. An
  // observer removed while the others are told is not told any more.
  virtual void OnPeripheralChanged(GPeripheral* source);
  // The graphics (244), page (256) or job (246) section of the current
  // state, created empty when it is missing; for any other id the current
  // state itself. Borrowed.
  virtual GState* GetStateSection(int32_t sectionId);
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
  // 1: the stage can print scaled pages.
  virtual int SupportsScaling();
  // What the stage does to the pages (GEffectFlag bits); 0 here: a stage
  // that reorders pages or changes their geometry says so.
  virtual int GetEffectFlags();
  // The scale the stage gives the page: the job state, the page's settings
  // and its number, and a code the scaling stages share (a stage that has
  // already given the page its scale sets it to 3, and the others then
  // answer (0, 0)). (1.0, 1.0) here: the page keeps its size.
  virtual GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code);

  // ---- Output channel ----
  // The channel this stage writes to (borrowed), null when none.
  GOutputChannel* GetOutputChannel() const { return outputChannel_; }
  int OwnsOutputChannel() const { return ownsChannel_; }
  // Uses the channel from now on; owned = 1 when this stage opened it and
  // must close and delete it. A channel owned before is deleted first
  // (unless it is the same channel).
  void SetOutputChannel(GOutputChannel* channel, int owned);
  // Deletes the channel when owned; in any case forgets it.
  void DropOutputChannel();

  const RWCString& Name() const { return name_; }
  int32_t GetMode() const { return mode_; }
  int32_t GetAddOnListId() const { return addOnListId_; }
  int32_t GetAddOnKind() const { return addOnKind_; }
  int32_t GetAddOnMode() const { return addOnMode_; }
  size_t ObserverCount() const { return observers_.size(); }
  GPeripheral* ObserverAt(size_t i) const { return i < observers_.size() ? observers_[i] : nullptr; }

  // ---- Drawing operations: each graphics object calls the one that draws it ----
  virtual int16_t DrawArc(GGraphic* graphic);
  virtual int16_t DrawChord(GGraphic* graphic);
  virtual int16_t DrawEllipse(GGraphic* graphic);
  virtual int16_t EndScanLines(GGraphic* graphic);
  virtual int16_t DrawPath(GGraphic* graphic);
  virtual int16_t DrawPie(GGraphic* graphic);
  virtual int16_t DrawPolyBezier(GGraphic* graphic);
  virtual int16_t DrawPolyBezierTo(GGraphic* graphic);
  virtual int16_t DrawPolyline(GGraphic* graphic);
  virtual int16_t DrawPolylineTo(GGraphic* graphic);
  virtual int16_t DrawPolygon(GGraphic* graphic);
  virtual int16_t DrawRectangle(GGraphic* graphic);
  virtual int16_t DrawRaster(GGraphic* graphic);
  virtual int16_t DrawRoundRectangle(GGraphic* graphic);
  virtual int16_t ScanLines(GGraphic* graphic);
  virtual int16_t BeginScanLines(GGraphic* graphic);
  virtual int16_t DrawText(GGraphic* graphic);
  virtual int16_t DownloadFace(GDownloadFace* command);

  // ---- Command operations: each command calls the one that handles it ----
  // Mode := in a document, 0.
  virtual int16_t DocumentStart(GDocumentStart* command);
  // Mode := idle, 0.
  virtual int16_t DocumentEnd(GDocumentEnd* command);
  // An intermediate end of document; 0.
  virtual int16_t DocumentBreak(GCommand* command);
  // Mode := in a page, 0.
  virtual int16_t PageStart(GPageStart* command);
  // Mode := in a document, 0.
  virtual int16_t PageEnd(GPageEnd* command);
  // Mode := idle; an owned channel is aborted and its status returned, else 0.
  virtual int16_t JobAbort(GJobAbort* command);
  virtual int16_t Error(GErrorCommand* command);
  virtual int16_t PassThrough(GPassThroughCommand* command);
  virtual int16_t DownloadHeader(GDownloadHeaderCommand* command);
  // Kept free in the table; nothing calls or overrides them.
  virtual int16_t ReservedCommand1(MPersistentObject* object);
  virtual int16_t ReservedCommand2(MPersistentObject* object);

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
  // Kept free in the table; nothing calls or overrides it.
  virtual int16_t ReservedAttribute(GAttribute* attribute);
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
  void ClearSectionCache();
  GCountedPtr* SectionSlot(int32_t sectionId);

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
  GOutputChannel* outputChannel_;  // owned when ownsChannel_ is 1
  int32_t ownsChannel_;
  // Cache of the graphics, page and job sections of the current state. The
  // handles keep a cached section alive even when something takes it out
  // of the state; every change of the current state empties the cache.
  GCountedPtr graphicsSection_;
  GCountedPtr pageSection_;
  GCountedPtr jobSection_;
};
