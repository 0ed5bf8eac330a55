// GPrinter: the top of the print path, the peripheral that the print-side
// driver instance feeds. It is a peripheral composite whose children are
// one PJL peripheral (feature id 106) and one printer-language generator
// (feature id 101); it keeps a pointer to each, looked up again whenever
// its children change, and a printer mode that is stored with it. It gives
// all its children one shared current and default state, owns the output
// channel of the job, and routes each command to the generator and, at the
// job and page boundaries, to the PJL peripheral too.
#pragma once

#include <cstdint>

#include "model/GFeatureIds.h"
#include "printpath/GPeripheralComposite.h"
#include "rw/RWWString.h"
#include "rw/RWMembers.h"

class GDocumentStart;
class GOutputChannel;

constexpr RWClassID GPrinterClassId = 761;

// Feature ids of the printer's two children.
// The kind every printer-language generator answers to.
constexpr RWClassID GGeneratorKindId = 765;

class GPrinter : public GPeripheralComposite {
 public:
  // The composite's parts, printer mode 2, no children.
  GPrinter();
  explicit GPrinter(const int32_t* id);
  // The composite's full constructor with add-on list id 0, no add-on kind
  // and no add-ons.
  GPrinter(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id);
  GPrinter(const GPrinter& other);
  GPrinter& operator=(const GPrinter& other);
  ~GPrinter() override;

  static RWClassID StaticClassId() { return GPrinterClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPrinter);
  // Same class, equal peripheral parts and equal printer mode.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the composite's: version 1, printer mode (32-bit).
  // The children are looked up after reading.
  RW_STORED_MEMBERS();

  int32_t GetPrinterMode() const { return printerMode_; }
  void SetPrinterMode(int32_t mode) { printerMode_ = mode; }
  // 1 when the printer mode is 1.
  virtual int IsPrinterModeOne() const;

  // PJL child := the child with feature id 106, generator child := the
  // child with feature id 101 (null when there is none).
  void LocateChildren();
  // Looked up afresh, so they never outlive a change of the children made
  // past the printer.
  GPeripheral* GetPjlChild();
  GPeripheral* GetGeneratorChild();

  // ---- Children ----
  // A generator child first gets its language name (attribute 373, the
  // generator's name) in its own current state; then it is taken in as by
  // the composite.
  void AddChild(MPersistentObject* child) override;
  void PrependChild(MPersistentObject* child) override;

  // ---- Passing commands ----
  // The peripheral's: settings are merged into the shared state first, then
  // Filter routes the command.
  GCountedPtr Send(GCommand* command) override;
  // Document start: to the PJL child, then the generator; document end and
  // page end (with settings) and job abort: to the generator, then the PJL
  // child; anything else is dispatched to the generator alone. A missing
  // child is skipped.
  GCountedPtr Filter(GCommand* command) override;
  // Does nothing: the children apply the changes.
  void ApplyChangedAttributes(int32_t sectionId) override;
  // Rebuilds the configuration, looks the children up again, merges the
  // own and the children's states into a new current and a new default
  // state that the printer and every child then share, and tells the
  // observers.
  void OnPeripheralChanged(GPeripheral* source) override;

  // The printer keeps no active list (its children see commands through
  // Filter): the scale is the product of its generator's and its PJL
  // peripheral's, which ask their own active children.
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;

  // Opens (and owns) the job's output channel, or uses the one the command
  // already carries; 601 when none can be had, the channel's status when it
  // cannot be opened.
  int16_t DocumentStart(GDocumentStart* command) override;
  // Closes and deletes an owned channel; its status.
  int16_t DocumentEnd(GDocumentEnd* command) override;
  int16_t DocumentBreak(GCommand* command) override;
  // 1 when the output channel is not open; the mode does not change.
  int16_t PageEnd(GPageEnd* command) override;
  // Aborts and deletes an owned channel; its status.
  int16_t JobAbort(GJobAbort* command) override;
  // Replace the generator (the PJL peripheral) by a copy of the one given.
  int16_t UsePclXlGenerator(GPeripheral* generator) override;
  int16_t UsePcl5eGenerator(GPeripheral* generator) override;
  int16_t UsePostScriptGenerator(GPeripheral* generator) override;
  int16_t UsePjl(GPeripheral* pjl) override;

 protected:
  void ChildrenChanged() override;

 private:
  // Gives a generator its language name attribute.
  static void NameLanguage(MPersistentObject* child);
  // Replaces the child with the feature id by a copy of the peripheral.
  int16_t UseChild(int32_t featureId, GPeripheral* peripheral);
  // The child's changed attributes, then its Send; the result replaces the
  // command.
  static GCountedPtr PassTo(GPeripheral* child, GCountedPtr command, int32_t settingsId);

  int32_t printerMode_;
  GPeripheral* pjlChild_;        // not held
  GPeripheral* generatorChild_;  // not held
};

RWCollectable* GPrinterCreate();
