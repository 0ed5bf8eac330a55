// The page preview with the staples: GStaplePreviewWrapper draws where the
// staples of the chosen stapling pattern, or the booklet maker's saddle
// stitch, fall on the page; GStaplePreviewModel tells the stapling mode the
// installed output accessory gives.
#pragma once

#include "ui/pages/GPreviewWrapper.h"

class GStaplePreviewModel : public GPreviewModel {
 public:
  static constexpr int16_t kSaddleStitch = -4;
  static constexpr int16_t kSingleStaple = -1;

  using GPreviewModel::GPreviewModel;
  // Also a change of the stapling pattern.
  int HasChanged() override;
  // The pattern (1-6) with the stapler/stacker, the saddle stitch with the
  // booklet maker, the preview's own staple with the mailbox stapler, 0
  // otherwise.
  int16_t GetStapleMode() const;
  // The paper of the page: the fit-to target when fitting, else the paper.
  int16_t GetPagePaper() const;
};

class GStaplePreviewWrapper : public GPreviewWrapper {
 public:
  GStaplePreviewWrapper(GStaplePreviewModel* model, const GControlRow* table) : GPreviewWrapper(model, table) {}
  void SetControlFromFeature(int force) override;
  void DrawStaple(HDC dc) override;

 private:
  GStaplePreviewModel* Staples() const { return static_cast<GStaplePreviewModel*>(accessor_); }
  void DrawSaddleStitch(HDC dc);
  void DrawPattern(HDC dc);

  int16_t mode_ = 0;
};
