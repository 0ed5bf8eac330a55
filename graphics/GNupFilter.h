// GNupFilter: prints several logical pages on one sheet. At the job's start
// it lays a grid of cells on the sheet and chooses whether the sheet is
// turned against the logical pages; each logical page then gets a
// transform that shrinks and centres it into its cell. Only the first page
// of a sheet starts a physical page and only the page end that completes a
// sheet reaches the printer; the others travel on as null commands.
// Borders can be drawn around the cells. The booklet filter drives one of
// its own through the operations this class adds.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/GGeometryFilter.h"
#include "graphics/GShortPoint.h"
#include "model/GMedia.h"
#include "rw/RWMembers.h"

class GDriverInstance;
class GRenderInstance;

constexpr RWClassID GNupFilterClassId = 1101;

// One place on the sheet (device pixels) and the turn of what lands there.
struct NupCell {
  int32_t rotation = 0;
  GShortPoint origin{0, 0};
  GShortPoint size{0, 0};
  int32_t secondRotation = 0;

  // The transform that shrinks and centres the page (origin = its
  // imageable origin, size = its paper size, second rotation = its turn
  // against the document) into this cell.
  static GTransformAttribute PlacePage(const NupCell& cell, const NupCell& page);
};

class GNupFilter : public GGeometryFilter {
 public:
  static constexpr int16_t kDefaultMargin = 120;
  static constexpr int32_t kDefaultGap = 30;

  GNupFilter();
  GNupFilter(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
             GDriverInstance* instance);
  GNupFilter(const GNupFilter& other);
  GNupFilter& operator=(const GNupFilter& other);
  ~GNupFilter() override;

  static RWClassID StaticClassId() { return GNupFilterClassId; }
  static uint32_t ClassVersion() { return 3; }
  QV_PERSISTENT_KIND(GNupFilter);
  // After the peripheral part: version 3, the margins (left, right, top,
  // bottom), the row and column gaps, n and the order, the document and
  // page orientations, the borders, and the page and sheet media. Reading
  // clears the layout of a job (scale, grid, sheet turn, transform).
  RW_STORED_MEMBERS();

  // ---- What this class adds to the peripheral ----
  // Every field back to its default, the cells emptied, the instance
  // forgotten, not prepared.
  int Reset();
  // n, order and borders from NUpLayout (1-up without it, or when the
  // PostScript generator imposes pages itself); returns the borders.
  int32_t ReadNupSettings(GState* settings);
  // The sheet and document media and the document orientation from the
  // settings' PageMedia.
  void ReadSheetMedium(GState* settings);
  // Reads the settings and, for more than one page a sheet, computes the
  // grid and the cells; the filter is active only then.
  void PrepareLayout(GState* settings);

  // ---- Peripheral ----
  GCountedPtr Filter(GCommand* command) override;
  void RebuildCurrentState() override;
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  // 42 (pages reordered and scaled) when prepared for more than one page a
  // sheet.
  int GetEffectFlags() override { return prepared_ != 0 && n_ != 1 ? 42 : 0; }

  // ---- Layout, for the owner and for tests ----
  int IsPrepared() const { return prepared_; }
  int16_t GetPagesPerSheet() const { return n_; }
  int16_t GetRows() const { return rows_; }
  int16_t GetColumns() const { return columns_; }
  int32_t GetSheetOrientation() const { return sheetOrientation_; }
  GRealPair GetLayoutScale() const { return scale_; }
  const std::vector<NupCell>& GetCells() const { return cells_; }
  const GMedia& GetSheetMedium() const { return sheetMedium_; }

 private:
  void TakeSheetMargins();
  void ComputeLayout();
  void BuildCells();
  void AddCell(int row, int column, int32_t width, int32_t height);
  GRenderInstance* Renderer() const;
  GCountedPtr StartDocument(GCommand* command);
  GCountedPtr StartPage(GCommand* command);
  GCountedPtr EndPage(GCommand* command);
  GCountedPtr CloseSheet(GCommand* command);
  GCountedPtr PassDrawing(GCommand* command);
  GCommand* BorderCommand(const NupCell& cell) const;
  const NupCell& CellFor(int32_t index) const;

  int prepared_ = 0;
  int16_t left_ = kDefaultMargin, right_ = kDefaultMargin, top_ = kDefaultMargin, bottom_ = kDefaultMargin;
  int32_t rowGap_ = kDefaultGap;
  int32_t columnGap_ = kDefaultGap;
  int16_t n_ = 1;
  int16_t order_ = 0;
  GRealPair scale_{0.0f, 0.0f};
  int16_t pageCount_ = 0;
  int16_t rows_ = 0;
  int16_t columns_ = 0;
  int32_t sheetOrientation_ = 0;
  int32_t documentOrientation_ = 0;
  int32_t pageOrientation_ = 0;
  int32_t borders_ = 0;
  GMedia pageMedium_;
  GMedia sheetMedium_;
  GMedia documentMedium_;
  std::vector<NupCell> cells_;
  GDriverInstance* instance_ = nullptr;
};

RWCollectable* GNupFilterCreate();
