#include "graphics/GNupFilter.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPen.h"
#include "graphics/GRect.h"
#include "graphics/GShapeGraphic.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GRenderInstance.h"

namespace {

constexpr int32_t kCellClipId = 177;

// The number a setting holds, or the fallback.
int32_t NumberOr(MPersistentObject* root, int32_t id, int32_t fallback) {
  int32_t value = fallback;
  return GSettingQuery::NumberAt(root, id, &value) ? value : fallback;
}

// Duplex taken out and put back with long and short edge exchanged: the
// binding edge follows a sheet turned against the pages.
void ExchangeDuplexEdges(GState* settings) {
  if (settings == nullptr) return;
  GCountedPtr held(settings->RemoveChildById(GFeatureIds::kDuplex));
  int32_t duplex = 0;
  if (held.Pointee() == nullptr || !GSettingQuery::Number(held.Pointee(), &duplex)) return;
  const int32_t id = GFeatureIds::kDuplex;
  settings->AddChild(new GValueAttribute(static_cast<int16_t>(duplex == 1 ? 2 : duplex == 2 ? 1 : duplex), &id));
}

// The largest integer whose square is at most n.
int32_t IntegerSquareRoot(int32_t n) {
  int32_t root = 0;
  while ((root + 1) * (root + 1) <= n) ++root;
  return root;
}

int64_t Quotient(int64_t numerator, int64_t denominator) {
  return denominator != 0 ? numerator / denominator : std::numeric_limits<int32_t>::max();
}

}  // namespace

// ---- NupCell ----

GTransformAttribute NupCell::PlacePage(const NupCell& cell, const NupCell& page) {
  const int32_t a = GGeometryFilter::ReduceDegrees(cell.secondRotation + page.secondRotation);
  int32_t x = cell.origin.x;
  int32_t y = cell.origin.y;
  float l = page.size.x;
  float h = page.size.y;
  switch (a) {
    case 90:
      l = page.size.y, h = page.size.x;
      y = cell.origin.y + cell.size.y;
      break;
    case 180:
      x = cell.origin.x + cell.size.x;
      y = cell.origin.y + cell.size.y;
      break;
    case 270:
      l = page.size.y, h = page.size.x;
      x = cell.origin.x + cell.size.x;
      break;
    default: break;
  }
  // A page without a size keeps its own scale.
  const float s = l > 0.0f && h > 0.0f ? std::min(cell.size.x / l, cell.size.y / h) : 1.0f;
  const float dx = (cell.size.x - l * s) * 0.5f;
  const float dyp = (cell.size.y - h * s) * 0.5f;
  const float dyn = (cell.size.y - h * s) * -0.5f;
  const float ox = page.origin.x * s;
  const float oy = page.origin.y * s;
  switch (a) {
    case 90:
      x += static_cast<int32_t>(dx + oy);
      y += static_cast<int32_t>(dyn - ox);
      break;
    case 180:
      x -= static_cast<int32_t>(dx + ox);
      y += static_cast<int32_t>(dyn - oy);
      break;
    case 270:
      x -= static_cast<int32_t>(dx + oy);
      y += static_cast<int32_t>(dyp + ox);
      break;
    default:
      x += static_cast<int32_t>(dx + ox);
      y += static_cast<int32_t>(dyp + oy);
      break;
  }
  return GTransformAttribute(static_cast<int16_t>(a), GShortPoint{static_cast<int16_t>(x), static_cast<int16_t>(y)},
                             GRealPair(s, s));
}

// ---- Construction and storage ----

GNupFilter::GNupFilter() : GGeometryFilter(nullptr) {}

GNupFilter::GNupFilter(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
                       GDriverInstance* instance)
    : GGeometryFilter(id), instance_(instance) {
  SetName(name);
  if (defaultState != nullptr) SetDefaultState(defaultState);
  if (configuration != nullptr) SetConfiguration(configuration);
}

GNupFilter::GNupFilter(const GNupFilter& other) = default;
GNupFilter& GNupFilter::operator=(const GNupFilter& other) = default;
GNupFilter::~GNupFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GNupFilter, GGeometryFilter, GNupFilterClassId)

template <typename Archive>
void GNupFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(left_, right_, top_, bottom_, rowGap_, columnGap_, n_, order_, rwm::As<int16_t>(documentOrientation_),
          rwm::As<int16_t>(pageOrientation_), borders_);
  archive.Embedded(pageMedium_);
  archive.Embedded(sheetMedium_);
  if constexpr (Archive::kReading) {
    scale_ = GRealPair(0.0f, 0.0f);
    pageCount_ = rows_ = columns_ = 0;
    sheetOrientation_ = 0;
    ResetTransform();
  }
}

RW_STORED_MEMBERS_DEFINE(GNupFilter, GGeometryFilter)

RWCollectable* GNupFilterCreate() { return new GNupFilter; }

int GNupFilter::Reset() {
  prepared_ = 0;
  left_ = right_ = top_ = bottom_ = kDefaultMargin;
  rowGap_ = columnGap_ = kDefaultGap;
  n_ = 1;
  order_ = 0;
  scale_ = GRealPair(0.0f, 0.0f);
  pageCount_ = rows_ = columns_ = 0;
  sheetOrientation_ = documentOrientation_ = pageOrientation_ = 0;
  borders_ = 0;
  ResetTransform();
  pageMedium_ = GMedia();
  sheetMedium_ = GMedia();
  documentMedium_ = GMedia();
  cells_.clear();
  instance_ = nullptr;
  return 0;
}

void GNupFilter::RebuildCurrentState() {
  GGeometryFilter::RebuildCurrentState();
  Reset();
}

GRenderInstance* GNupFilter::Renderer() const { return dynamic_cast<GRenderInstance*>(instance_); }

// ---- Layout ----

int32_t GNupFilter::ReadNupSettings(GState* settings) {
  MPersistentObject* layout = GSettingQuery::Find(settings, GFeatureIds::kNUpLayout);
  GRenderInstance* renderer = Renderer();
  if (layout == nullptr || (renderer != nullptr && renderer->GetPostScriptNupOrBooklet() != 0)) {
    n_ = 1;
    order_ = 0;
    borders_ = 0;
    return 0;
  }
  const int32_t n = NumberOr(layout, GFeatureIds::kNUpChoice, 1);
  const int32_t order = NumberOr(layout, GFeatureIds::kNUpPageOrderChoice, 0);
  // No pages a sheet is one; an order the layout does not know is the
  // first (right, then down).
  n_ = static_cast<int16_t>(n < 1 || n > INT16_MAX ? 1 : n);
  order_ = static_cast<int16_t>(order < 0 || order > 3 ? 0 : order);
  borders_ = NumberOr(layout, GFeatureIds::kNUpBordersChoice, 0);
  return borders_;
}

void GNupFilter::ReadSheetMedium(GState* settings) {
  auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(settings, GFeatureIds::kPageMedia));
  if (medium == nullptr) return;
  documentMedium_ = *medium;
  documentOrientation_ = ReduceDegrees(NumberOr(settings, GFeatureIds::kOrientation, 0));
  sheetMedium_ = *medium;
  TakeSheetMargins();
}

void GNupFilter::TakeSheetMargins() {
  left_ = sheetMedium_.GetImageableOrigin()->x;
  top_ = sheetMedium_.GetImageableOrigin()->y;
  GShortPoint opposite{0, 0};
  sheetMedium_.GetOppositeMargins(&opposite);
  right_ = opposite.x;
  bottom_ = opposite.y;
}

void GNupFilter::PrepareLayout(GState* settings) {
  ReadNupSettings(settings);
  if (n_ != 1) {
    ReadSheetMedium(settings);
    ComputeLayout();
    if (sheetMedium_.GetOrientation() != sheetOrientation_) {
      if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(&sheetMedium_, sheetOrientation_);
      TakeSheetMargins();
    }
    BuildCells();
  }
  // A sheet that has no room for a cell prints the pages one to a sheet.
  if (cells_.empty()) n_ = 1;
  if (n_ == 1) {
    Deactivate();
  } else {
    Activate();
  }
  prepared_ = 1;
}

void GNupFilter::ComputeLayout() {
  const int32_t p = IntegerSquareRoot(n_);
  const int32_t q = n_ / p + (n_ % p != 0 ? 1 : 0);
  int32_t rows = p;
  int32_t columns = q;
  const int32_t sw = sheetMedium_.GetSize()->x;
  const int32_t sh = sheetMedium_.GetSize()->y;
  int32_t w = sw - left_ - right_;
  int32_t h = sh - top_ - bottom_;
  const int64_t a0 = Quotient(int64_t{sw} * 1000, sh);
  const int64_t gr = rowGap_;
  const int64_t gc = columnGap_;
  const int64_t candidates[4] = {
      Quotient(q * (w + (1 - p) * gc) * 1000, p * (h + (1 - q) * gr)),
      Quotient(q * (w + (1 - q) * gc) * 1000, p * (h + (1 - p) * gr)),
      Quotient(q * (h + (1 - p) * gc) * 1000, p * (w + (1 - q) * gr)),
      Quotient(p * (h + (1 - q) * gc) * 1000, q * (w + (1 - p) * gr)),
  };
  int d = 0;
  for (int i = 1; i < 4; ++i)
    if (std::llabs(candidates[i] - a0) < std::llabs(candidates[d] - a0)) d = i;
  switch (d) {
    case 0:
      sheetOrientation_ = documentOrientation_ % 180;
      std::swap(rows, columns);
      break;
    case 1: sheetOrientation_ = documentOrientation_ % 180; break;
    case 2:
      sheetOrientation_ = 0;
      std::swap(w, h);
      std::swap(rows, columns);
      break;
    default:
      sheetOrientation_ = 90;
      std::swap(w, h);
      break;
  }
  rows_ = static_cast<int16_t>(rows);
  columns_ = static_cast<int16_t>(columns);
  float scale = 1.0f;
  if (rows * columns > 1) {
    const auto wide = static_cast<int16_t>(w + (1 - columns) * columnGap_);
    const auto high = static_cast<int16_t>(h + (1 - rows) * rowGap_);
    if (candidates[d] > a0)
      scale = sh != 0 ? static_cast<float>(high) / static_cast<float>(rows) / static_cast<float>(sh) : 0.0f;
    else
      scale = sw != 0 ? static_cast<float>(wide) / static_cast<float>(columns) / static_cast<float>(sw) : 0.0f;
    if (scale < 0.0f) scale = 0.0f;
  }
  scale_ = GRealPair(scale, scale);
  FilterTransform().SetScale(scale_);
}

void GNupFilter::AddCell(int row, int column, int32_t width, int32_t height) {
  NupCell cell;
  cell.origin = GShortPoint{static_cast<int16_t>(column * (width + columnGap_) + left_ + 2),
                            static_cast<int16_t>(row * (height + rowGap_) + top_ + 2)};
  cell.size = GShortPoint{static_cast<int16_t>(width), static_cast<int16_t>(height)};
  cells_.push_back(cell);
}

void GNupFilter::BuildCells() {
  cells_.clear();
  if (rows_ <= 0 || columns_ <= 0) return;
  const int32_t sw = sheetMedium_.GetSize()->x;
  const int32_t sh = sheetMedium_.GetSize()->y;
  const int32_t width = (sw + columnGap_ * (1 - columns_) - left_ - right_) / columns_ - 4;
  const int32_t height = (sh + rowGap_ * (1 - rows_) - bottom_ - top_) / rows_ - 4;
  if (width <= 0 || height <= 0) return;
  switch (order_) {
    case 0:
      for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) AddCell(r, c, width, height);
      break;
    case 1:
      for (int c = 0; c < columns_; ++c)
        for (int r = 0; r < rows_; ++r) AddCell(r, c, width, height);
      break;
    case 2:
      for (int r = 0; r < rows_; ++r)
        for (int c = columns_ - 1; c >= 0; --c) AddCell(r, c, width, height);
      break;
    case 3:
      for (int c = columns_ - 1; c >= 0; --c)
        for (int r = 0; r < rows_; ++r) AddCell(r, c, width, height);
      break;
    default: break;
  }
}

const NupCell& GNupFilter::CellFor(int32_t index) const {
  return cells_[static_cast<size_t>(index) % cells_.size()];
}

GRealPair GNupFilter::GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) {
  if (code != nullptr && *code == kScaleGiven) return GRealPair(0.0f, 0.0f);
  if (prepared_ == 0) PrepareLayout(jobState);
  if (n_ == 1 || cells_.empty()) return GRealPair(1.0f, 1.0f);
  auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(pageSettings, GFeatureIds::kPageMedia));
  if (medium == nullptr) return scale_;
  const int32_t d = ReduceDegrees(NumberOr(pageSettings, GFeatureIds::kOrientation, 0));
  GMedia m(*medium);
  if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(&m, d);
  NupCell page;
  page.origin = *m.GetImageableOrigin();
  page.size = *m.GetSize();
  page.secondRotation = (d - documentOrientation_ + 360) % 360;
  GRealPair scale;
  NupCell::PlacePage(CellFor(pageNumber < 0 ? 0 : pageNumber % n_), page).GetScale(scale);
  return scale;
}

// ---- Commands ----

GCountedPtr GNupFilter::Filter(GCommand* command) {
  if (command == nullptr) return GCountedPtr(command);
  const RWClassID id = command->ClassId();
  if (id == GDocumentStartClassId) return StartDocument(command);
  if (!IsActive() || cells_.empty()) return GCountedPtr(command);
  if (id == GPageStartClassId) return StartPage(command);
  if (id == GPageEndClassId) return EndPage(command);
  if ((id == GDocumentEndClassId || id == GDocumentBreakClassId) && pageCount_ != 0) return CloseSheet(command);
  return PassDrawing(command);
}

GCountedPtr GNupFilter::StartDocument(GCommand* command) {
  GCountedPtr held(command);
  instance_ = static_cast<GDocumentStart*>(command)->GetDriverInstance();
  GState* settings = command->GetSettings();
  if (prepared_ == 0) PrepareLayout(settings);
  if (IsActive() && sheetOrientation_ != documentOrientation_ && (n_ == 2 || n_ == 6)) {
    ExchangeDuplexEdges(settings);
    command->SetModified(1);
  }
  return held;
}

GCountedPtr GNupFilter::StartPage(GCommand* command) {
  GCountedPtr held(command);
  GState* settings = command->DetachSettings();
  if (settings == nullptr) {
    const int32_t pageState = GFeatureIds::kPageState;
    settings = new GState(&pageState);
  }
  GCountedPtr orientation(settings->RemoveChildById(GFeatureIds::kOrientation));
  int32_t v = 0;
  GSettingQuery::Number(orientation.Pointee(), &v);
  pageOrientation_ = ReduceDegrees(v);
  GCountedPtr medium(settings->RemoveChildById(GFeatureIds::kPageMedia));
  if (auto* given = dynamic_cast<GMedia*>(medium.Pointee())) pageMedium_ = *given;
  else pageMedium_ = documentMedium_;
  if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(&pageMedium_, pageOrientation_);

  const int32_t k = pageCount_ % n_;
  NupCell page;
  page.origin = *pageMedium_.GetImageableOrigin();
  page.size = *pageMedium_.GetSize();
  page.secondRotation = (pageOrientation_ - documentOrientation_ + 360) % 360;
  FilterTransform() = NupCell::PlacePage(CellFor(k), page);

  GCommand* target = command;
  GCountedPtr replacement;
  if (k != 0) {
    // Not the first page of the sheet: no new physical page.
    target = new GNullCommand;
    replacement = GCountedPtr(target);
  } else {
    if (sheetOrientation_ == 90 && (v == 270 || v == 180)) sheetOrientation_ = 270;
    if (sheetOrientation_ == 0 && (v == 270 || v == 180)) sheetOrientation_ = 180;
    const int32_t orientationId = GFeatureIds::kOrientation;
    settings->AddChild(new GValueAttribute(static_cast<int16_t>(sheetOrientation_), &orientationId));
    if (documentMedium_.GetOrientation() != sheetOrientation_)
      if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(&documentMedium_, sheetOrientation_);
    if (documentMedium_.GetMediaTypeName() != pageMedium_.GetMediaTypeName())
      documentMedium_.SetMediaTypeName(pageMedium_.GetMediaTypeName());
    auto* sheet = new GMedia(documentMedium_);
    sheet->SetFeatureId(GFeatureIds::kPageMedia);
    settings->AddChild(sheet);
    if (sheetOrientation_ != documentOrientation_) ExchangeDuplexEdges(settings);
    command->PinResources();
  }
  delete settings->RemoveChildByClass(GTransformAttributeClassId);
  target->SetSettings(settings);
  return WithTransform(target, FilterTransform());
}

GCountedPtr GNupFilter::EndPage(GCommand* command) {
  GCountedPtr held(command);
  auto* composite = new GCommandComposite;
  GCountedPtr result(composite);
  composite->AddChild(BorderCommand(CellFor(pageCount_ % n_)));
  pageCount_ = static_cast<int16_t>(pageCount_ + 1);
  if (pageCount_ >= n_) {
    // The sheet is complete: its page end reaches the printer.
    pageCount_ = 0;
    command->PinResources();
    composite->AddChild(command);
  } else {
    auto* carrier = new GNullCommand;
    carrier->SetSettings(command->DetachSettings());
    composite->AddChild(carrier);
  }
  return result;
}

GCountedPtr GNupFilter::CloseSheet(GCommand* command) {
  GCountedPtr held(command);
  pageCount_ = 0;
  auto* composite = new GCommandComposite;
  GCountedPtr result(composite);
  composite->AddChild(new GPageEnd);
  command->PinResources();
  composite->AddChild(command);
  return result;
}

GCountedPtr GNupFilter::PassDrawing(GCommand* command) {
  GCountedPtr held = PassTransform(command);
  GState* settings = command->GetSettings();
  if (settings == nullptr || settings->FindByClass(GClipToPageClassId) == nullptr) return held;
  // Each logical page is clipped to its own printable area.
  settings = command->DetachSettings();
  delete settings->RemoveChildByClass(GClipToPageClassId);
  const GShortPoint extent = *pageMedium_.GetImageableExtent();
  const int32_t clipId = kCellClipId;
  settings->AddChild(new GClipToSingleRectangle(GRect(0, 0, extent.x, extent.y), kClipInside, kClipEvenOdd, &clipId));
  command->SetSettings(settings);
  command->SetModified(1);
  return held;
}

GCommand* GNupFilter::BorderCommand(const NupCell& cell) const {
  const GShortPoint origin = *sheetMedium_.GetImageableOrigin();
  const GShortPoint size = *sheetMedium_.GetSize();
  auto* bundle = new GGraphicBundle;
  bundle->AddChild(new GTransformAttribute(0, origin, GRealPair(1.0f, 1.0f)));
  const int32_t clipId = kCellClipId;
  bundle->SetClip(new GClipToSingleRectangle(
      GRect(static_cast<int16_t>(-origin.x), static_cast<int16_t>(-origin.y), static_cast<int16_t>(size.x - origin.x),
            static_cast<int16_t>(size.y - origin.y)),
      kClipInside, kClipEvenOdd, &clipId));
  bundle->SetFillMode(new GFillMode(0, nullptr));
  bundle->SetRasterOperation(new GRasterOperation(240, kRopTernary, nullptr));
  bundle->SetBrush(new GNoBrush(nullptr));
  if (borders_ != 0) {
    bundle->SetPen(new GPen(2, new GColorPaint(new GRGBColor(0, 0, 0, 255)), nullptr));
    const GRect rect(static_cast<int16_t>(cell.origin.x - origin.x - 1), static_cast<int16_t>(cell.origin.y - origin.y - 1),
                     static_cast<int16_t>(cell.origin.x + cell.size.x - origin.x + 1),
                     static_cast<int16_t>(cell.origin.y + cell.size.y - origin.y + 1));
    return new GRectangleGraphic(rect, bundle, nullptr);
  }
  bundle->SetPen(new GNoPen(nullptr));
  auto* none = new GNullCommand;
  none->SetSettings(bundle);
  return none;
}
