// GPrinter: the top of the print path, the peripheral that the print-side
// driver instance feeds. It is a peripheral composite whose children are
// one PJL peripheral (feature id 106) and one printer-language generator
// (feature id 101); it keeps a pointer to each, looked up again whenever
// its children change, and a printer mode that is stored with it.
#pragma once

#include <cstdint>

#include "printpath/GPeripheralComposite.h"

constexpr RWClassID GPrinterClassId = 761;

// Feature ids of the printer's two children.
constexpr int32_t GGeneratorPeripheralId = 101;  // GeneratorPeripheral
constexpr int32_t GPjlPeripheralId = 106;        // PjlPeripheral

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

  GPrinter* CreateSameKind() const override;
  GPrinter* Clone() const override;
  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;
  // Same class, equal peripheral parts and equal printer mode.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the composite's: version 1, printer mode (32-bit).
  // The children are looked up after reading.
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;

  int32_t GetPrinterMode() const { return printerMode_; }
  void SetPrinterMode(int32_t mode) { printerMode_ = mode; }

  // PJL child := the child with feature id 106, generator child := the
  // child with feature id 101 (null when there is none).
  void LocateChildren();
  // Looked up afresh, so they never outlive a change of the children made
  // past the printer.
  GPeripheral* GetPjlChild();
  GPeripheral* GetGeneratorChild();

 protected:
  void ChildrenChanged() override;

 private:
  int32_t printerMode_;
  GPeripheral* pjlChild_;        // not held
  GPeripheral* generatorChild_;  // not held
};

RWCollectable* GPrinterCreate();
