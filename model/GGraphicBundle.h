// GGraphicBundle: the graphics state of a print-path stage. A state whose
// members are the graphic-state attributes of drawing (brush, pen, line cap,
// line join, clip, fill mode, raster operation), each kept under a fixed
// feature id whatever id it carried before; the print path replaces them
// one by one through the setters.
#pragma once

#include <cstdint>

#include "model/GState.h"
#include "rw/RWMembers.h"

constexpr RWClassID GGraphicBundleClassId = 101;

class GGraphicBundle : public GState {
 public:
  // The feature ids of the bundle and of its members.
  static const int32_t kGraphicsStateId;  // 244
  static const int32_t kBrushId;          // 154
  static const int32_t kPenId;            // 160
  static const int32_t kLineCapId;        // 166
  static const int32_t kLineJoinId;       // 172
  static const int32_t kClipId;           // 177
  static const int32_t kFillModeId;       // 182
  static const int32_t kRasterOperationId;  // 183

  // Feature id 244.
  GGraphicBundle();
  // The argument is ignored: feature id 244 as well.
  explicit GGraphicBundle(const int32_t* ignored);
  GGraphicBundle(const GGraphicBundle& other);
  GGraphicBundle& operator=(const GGraphicBundle& other);
  ~GGraphicBundle() override;

  static RWClassID StaticClassId() { return GGraphicBundleClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GGraphicBundle);
  RW_STORED_MEMBERS();

  // Setters: the attribute (taken over) gets the member's feature id and is
  // added by the state rule: it replaces a different member, is dropped
  // when an equal one is there, else appended.
  virtual void SetBrush(GAttribute* brush);
  virtual void SetLineCap(GAttribute* cap);
  virtual void SetClip(GAttribute* clip);
  virtual void SetFillMode(GAttribute* fillMode);
  virtual void SetLineJoin(GAttribute* joint);
  virtual void SetPen(GAttribute* pen);
  virtual void SetRasterOperation(GAttribute* operation);
  // Detachers: the member taken out of the bundle, owned by the caller (a
  // copy when it is still held elsewhere); null when there is none.
  virtual GAttribute* DetachBrush();
  virtual GAttribute* DetachLineCap();
  virtual GAttribute* DetachClip();
  virtual GAttribute* DetachFillMode();
  virtual GAttribute* DetachLineJoin();
  virtual GAttribute* DetachPen();
  virtual GAttribute* DetachRasterOperation();
  // Getters: the member, borrowed; null when there is none.
  virtual GAttribute* GetBrush();
  virtual GAttribute* GetLineCap();
  virtual GAttribute* GetClip();
  virtual GAttribute* GetFillMode();
  virtual GAttribute* GetLineJoin();
  virtual GAttribute* GetPen();
  virtual GAttribute* GetRasterOperation();

 private:
  void SetMember(const int32_t& id, GAttribute* attribute);
  GAttribute* DetachMember(const int32_t& id);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGraphicBundle*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GGraphicBundle*& out);

RWCollectable* GGraphicBundleCreate();
