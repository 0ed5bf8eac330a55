// A peripheral for tests that records every receiver, drawing and command
// call it gets: the operation's name and its argument, in call order. The command
// operations then do what the base does (mode changes, channel abort). Each operation answers
// the status a test sets for it (0 by default), so tests can check how
// results travel back up. Attribute classes of the print path and graphics
// that are not defined yet are recorded by address only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/GAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

namespace qvtest {

struct ReceiverCall {
  std::string operation;           // "SetValue", "SetEnum", ...
  const void* argument = nullptr;  // the attribute passed, as given
  // The attribute when its class is known here, else null; then its feature
  // id at the time of the call.
  const GAttribute* attribute = nullptr;
  int32_t featureId = 0;
};

class RecordingPeripheral : public GPeripheral {
 public:
  RecordingPeripheral() = default;
  explicit RecordingPeripheral(const int32_t* id) : GPeripheral(id) {}

  RecordingPeripheral* CreateSameKind() const override { return new RecordingPeripheral; }
  RecordingPeripheral* Clone() const override { return new RecordingPeripheral(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }

  const std::vector<ReceiverCall>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  // The operations called, in order.
  std::vector<std::string> Operations() const {
    std::vector<std::string> names;
    for (const ReceiverCall& call : calls_) names.push_back(call.operation);
    return names;
  }
  // The feature ids of the known attributes passed, in order.
  std::vector<int32_t> FeatureIds() const {
    std::vector<int32_t> ids;
    for (const ReceiverCall& call : calls_)
      if (call.attribute != nullptr) ids.push_back(call.featureId);
    return ids;
  }
  // The status the operation answers from now on.
  void SetResult(const std::string& operation, int16_t status) { results_[operation] = status; }

  int16_t SetBrush(GBrush* a) override { return Record("SetBrush", a); }
  int16_t SetLineCap(GCap* a) override { return Record("SetLineCap", a); }
  int16_t ClipToPage(GClipToPage* a) override { return Record("ClipToPage", a); }
  int16_t ClipToPath(GClipToPath* a) override { return Record("ClipToPath", a); }
  int16_t ClipToRectangles(GClipToRectangle* a) override { return Record("ClipToRectangles", a); }
  int16_t ClipToRectangle(GClipToSingleRectangle* a) override { return Record("ClipToRectangle", a); }
  int16_t SetColorMap(GColorMap* a) override { return Record("SetColorMap", a); }
  int16_t SetDashedPen(GDashedPen* a) override { return Record("SetDashedPen", a); }
  int16_t SetFillMode(GFillMode* a) override { return Record("SetFillMode", a); }
  int16_t SetHalftone(GHalftone* a) override { return Record("SetHalftone", a); }
  int16_t SetHalftoneEnhanced(GHalftoneEnhanced* a) override { return Record("SetHalftoneEnhanced", a); }
  int16_t SetNeutralGrays(GNeutralGrays* a) override { return Record("SetNeutralGrays", a); }
  int16_t SetEdgeControl(GEdgeControl* a) override { return Record("SetEdgeControl", a); }
  int16_t SetSRGBColor(GSRGBColor* a) override { return Record("SetSRGBColor", a); }
  int16_t SetSRGBExtension(GSRGBExtension* a) override { return Record("SetSRGBExtension", a); }
  int16_t SetLineJoin(GJoint* a) override { return Record("SetLineJoin", a); }
  int16_t SetMiterJoin(GMiterJoint* a) override { return Record("SetMiterJoin", a); }
  int16_t SetNoBrush(GNoBrush* a) override { return Record("SetNoBrush", a); }
  int16_t SetNoPen(GNoPen* a) override { return Record("SetNoPen", a); }
  int16_t SetPen(GPen* a) override { return Record("SetPen", a); }
  int16_t SetRasterOperation(GRasterOperation* a) override { return Record("SetRasterOperation", a); }
  int16_t SetValue(GValueAttribute* a) override { return RecordAttribute("SetValue", a, a); }
  int16_t SetString(GStringAttribute* a) override { return RecordAttribute("SetString", a, a); }
  int16_t SetEnum(GEnumAttribute* a) override { return RecordAttribute("SetEnum", a, a); }
  int16_t SetRange(GRangeAttribute* a) override { return RecordAttribute("SetRange", a, a); }
  int16_t SetMedia(GMedia* a) override { return Record("SetMedia", a); }
  int16_t SetTray(GTray* a) override { return Record("SetTray", a); }
  int16_t SetTransform(GTransformAttribute* a) override { return Record("SetTransform", a); }

  int16_t DrawPath(GGraphic* g) override { return Record("DrawPath", g); }
  int16_t DrawRectangle(GGraphic* g) override { return Record("DrawRectangle", g); }
  int16_t DrawPolygon(GGraphic* g) override { return Record("DrawPolygon", g); }
  int16_t DrawPolyBezier(GGraphic* g) override { return Record("DrawPolyBezier", g); }
  int16_t DrawRaster(GGraphic* g) override { return Record("DrawRaster", g); }
  int16_t DrawText(GGraphic* g) override { return Record("DrawText", g); }

  int16_t DocumentStart(GDocumentStart* c) override { return Command("DocumentStart", c, GPeripheral::DocumentStart(c)); }
  int16_t DocumentEnd(GDocumentEnd* c) override { return Command("DocumentEnd", c, GPeripheral::DocumentEnd(c)); }
  int16_t DocumentBreak(GCommand* c) override { return Command("DocumentBreak", c, GPeripheral::DocumentBreak(c)); }
  int16_t PageStart(GPageStart* c) override { return Command("PageStart", c, GPeripheral::PageStart(c)); }
  int16_t PageEnd(GPageEnd* c) override { return Command("PageEnd", c, GPeripheral::PageEnd(c)); }
  int16_t JobAbort(GJobAbort* c) override { return Command("JobAbort", c, GPeripheral::JobAbort(c)); }
  int16_t Error(GErrorCommand* c) override { return Command("Error", c, GPeripheral::Error(c)); }
  int16_t PassThrough(GPassThroughCommand* c) override { return Command("PassThrough", c, GPeripheral::PassThrough(c)); }
  int16_t DownloadHeader(GDownloadHeaderCommand* c) override {
    return Command("DownloadHeader", c, GPeripheral::DownloadHeader(c));
  }
  // Every change this peripheral was told of, by source (kept apart from
  // the calls).
  void OnPeripheralChanged(GPeripheral* source) override {
    changes_.push_back(source);
    GPeripheral::OnPeripheralChanged(source);
  }
  const std::vector<GPeripheral*>& Changes() const { return changes_; }

 private:
  int16_t Result(const std::string& operation) const {
    auto found = results_.find(operation);
    return found != results_.end() ? found->second : 0;
  }
  int16_t Record(const char* operation, const void* argument) {
    ReceiverCall call;
    call.operation = operation;
    call.argument = argument;
    calls_.push_back(call);
    return Result(operation);
  }
  // A set result replaces the base's status.
  int16_t Command(const char* operation, const void* argument, int16_t baseStatus) {
    ReceiverCall call;
    call.operation = operation;
    call.argument = argument;
    calls_.push_back(call);
    auto found = results_.find(operation);
    return found != results_.end() ? found->second : baseStatus;
  }
  int16_t RecordAttribute(const char* operation, const void* argument, const GAttribute* attribute) {
    ReceiverCall call;
    call.operation = operation;
    call.argument = argument;
    call.attribute = attribute;
    call.featureId = attribute != nullptr ? attribute->FeatureId() : 0;
    calls_.push_back(call);
    return Result(operation);
  }

  std::vector<ReceiverCall> calls_;
  std::vector<GPeripheral*> changes_;
  std::map<std::string, int16_t> results_;
};

}  // namespace qvtest
