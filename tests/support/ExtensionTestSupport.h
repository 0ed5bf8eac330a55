// Pieces shared by the driver-extension tests: a device model with a
// printer entry, its generator and PJL peripheral, job commands of the
// classes the value providers tell apart, and small attribute builders.
#pragma once

#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GCommand.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/AttributeBuilders.h"

namespace qvtest {


// A peripheral with child peripherals, found by id and by kind as the
// printer's are.
class ExtTestPeripheral : public GPeripheral {
 public:
  explicit ExtTestPeripheral(int32_t id) : GPeripheral(&id) {}
  ExtTestPeripheral* CreateSameKind() const override { return new ExtTestPeripheral(0); }
  ExtTestPeripheral* Clone() const override { return new ExtTestPeripheral(FeatureId()); }
  void Add(GPeripheral* child) { children_.emplace_back(child); }
  MPersistentObject* FindById(const int32_t& id) override {
    for (GCountedPtr& child : children_) {
      if (child->FeatureId() == id) return child.Pointee();
      if (MPersistentObject* found = child->FindById(id)) return found;
    }
    return nullptr;
  }
  MPersistentObject* FindByKind(const RWClassID& classId) override {
    for (GCountedPtr& child : children_) {
      if (child->DerivesFrom(classId)) return child.Pointee();
    }
    return nullptr;
  }

 private:
  std::vector<GCountedPtr> children_;
};

// A page-description generator of the class given (767 PCL XL, 788 PCL 5e).
class ExtTestGenerator : public GPeripheral {
 public:
  ExtTestGenerator(int32_t id, RWClassID classId) : GPeripheral(&id), classId_(classId) {}
  ExtTestGenerator* CreateSameKind() const override { return new ExtTestGenerator(0, classId_); }
  ExtTestGenerator* Clone() const override { return new ExtTestGenerator(FeatureId(), classId_); }
  RWClassID ClassId() const override { return classId_; }
  int DerivesFrom(RWClassID classId) const override { return classId == 765 || classId == classId_; }

 private:
  RWClassID classId_;
};

// A job command of the class given (705 document start, 706 document end,
// 709 page start, 710 page end), with its own settings.
class ExtTestCommand : public GCommand {
 public:
  explicit ExtTestCommand(RWClassID classId, bool withSettings = true)
      : GCommand(withSettings ? new GState() : nullptr, nullptr), classId_(classId) {}
  ExtTestCommand* CreateSameKind() const override { return new ExtTestCommand(classId_); }
  ExtTestCommand* Clone() const override { return new ExtTestCommand(*this); }
  RWClassID ClassId() const override { return classId_; }
  int16_t Dispatch(GPeripheral*) override { return 0; }
  void PinResources() override { ++pins; }
  int pins = 0;

 private:
  RWClassID classId_;
};

}  // namespace qvtest
