// The page preview of the document pages (owner-drawn control 1070): a
// live picture of the sheet the settings produce. GPreviewModel reads the
// settings (paper, orientation, n-up with its order and borders, booklet,
// scaling and fitting, grey, toner saving, negative image, stapling,
// binding); GPreviewWrapper lays the pages out on the sheet and draws them
// with sample text, page numbers, staple and binding marks and the size
// caption. A click on the sheet turns it between portrait and landscape, a
// click on the caption switches inches and millimetres. Subclasses add
// marks through the hook operations.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"
#include "rw/RWWString.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Window.h"

class GPaperSizeAccessor;

class GPreviewModel : public GFeatureAccessor {
 public:
  explicit GPreviewModel(GUISession* session);
  ~GPreviewModel() override;

  int16_t GetAvailability() override { return 0; }
  virtual int HasChanged();
  // The stapling accessory staples the job (the booklet maker's saddle
  // stitch).
  virtual int IsStaplerOnAccessory();

  int16_t GetResolution() const { return resolution_; }
  int16_t GetOrientation() const;
  int16_t GetNUp() const;
  int GetNUpBorders() const;
  int16_t GetPageOrder() const;
  int16_t GetBooklet() const;
  int IsGrayscale() const;
  int IsSparetone() const;
  int IsNegative() const;
  int IsMirror() const;
  int IsStapled() const;
  int IsBinding() const;
  int IsEnvelope() const;
  int16_t GetScale() const;
  int IsFitToOtherSize() const;
  int IsScalePage() const;
  int16_t GetTargetPaper() const;
  int16_t GetBookletTargetPaper() const;
  int16_t GetPaper() const;
  // The paper's extent in pixels at the preview resolution and the
  // orientation; Letter's when the paper has no medium; 0 x 0 when neither
  // has one.
  void GetPaperExtent(int32_t& width, int32_t& height) const;
  void GetPaperExtentFor(int16_t paper, int32_t& width, int32_t& height) const;
  // Two Letter pages side by side.
  void GetSpreadExtent(int32_t& width, int32_t& height) const;
  void ToggleOrientation();
  void ToggleMeasurementSystem();
  // The caption: the size of the paper the pages print on; empty when it
  // cannot be measured.
  RWWString GetSizeText();

 protected:
  int Changed(int32_t id) const;

 private:
  int16_t resolution_ = 600;
  GPaperSizeAccessor* papers_ = nullptr;
};

class GPreviewWrapper : public GWrapper {
 public:
  static constexpr int kControl = 1070;

  // The drawn layout, in logical units (printer pixels at the preview
  // resolution).
  struct Layout {
    RECT sheet{};
    RECT area{};
    std::vector<RECT> pages;  // by page number, 1 first
    int32_t unit = 1;         // logical units per screen pixel
    int16_t orientation = 0;  // of the drawn page
    int16_t nUp = 1;
  };

  // Takes the model over.
  GPreviewWrapper(GPreviewModel* model, const GControlRow* table);
  ~GPreviewWrapper() override;

  void Refresh(int force) override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override {}
  void RefreshAvailability() override {}

  // Draws the whole preview into the item's context.
  void DrawPreview(const DRAWITEMSTRUCT& item);
  const Layout& GetLayout() const { return layout_; }
  // The colour rule of negative image and toner saving.
  COLORREF TransformColor(int r, int g, int b) const;

  // ---- Hooks, in order ----
  virtual void DrawStaple(HDC dc);
  virtual void DrawStackerMark(HDC) {}
  virtual void DrawBinding(HDC dc);
  virtual void DrawBeforePages(HDC) {}
  virtual void DrawAfterMarks(HDC) {}

 protected:
  GPreviewModel* Model() const { return static_cast<GPreviewModel*>(accessor_); }
  // A line of that width (logical units) and colour.
  void Line(HDC dc, int x0, int y0, int x1, int y1, int width, COLORREF colour, int style = PS_SOLID);

  // Fields the settings give, filled by SetControlFromFeature.
  int16_t orientation_ = 0;
  int16_t nUp_ = 1;
  int borders_ = 0;
  int16_t order_ = 0;
  int16_t booklet_ = 0;
  int grey_ = 0;
  int sparetone_ = 0;
  int negative_ = 0;
  int stapled_ = 0;
  int binding_ = 0;
  int16_t scale_ = 100;
  int fit_ = 0;
  int scalePage_ = 0;
  int16_t bookletPaper_ = 0;
  int32_t paperWidth_ = 0;
  int32_t paperHeight_ = 0;
  int32_t scaleReference_ = 0;
  Layout layout_;

 private:
  void DrawPages(HDC dc, const RECT& area, int32_t gap);
  void DrawPage(HDC dc, int number, const RECT& page, const RECT& area, int32_t gap);
  void DrawSizeCaption(HDC dc, const RECT& item);
  // The sample emblem and bar chart of the first page, in the page less its
  // margins.
  void DrawEmblem(HDC dc, const RECT& inner);
  void DrawChart(HDC dc, const RECT& inner, const RECT& area, int32_t gap);
  // A mark of that length along the edge at the corner the orientation
  // gives, inset from it.
  void DrawCornerMark(HDC dc, int32_t length);
  bool Portrait() const { return orientation_ == 0 || orientation_ == 180; }

  RECT caption_{};
};
