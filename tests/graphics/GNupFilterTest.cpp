// The n-up filter: the grid it lays on the sheet, where a page lands in
// its cell, and what it sends on for the commands of a job (one physical
// page a sheet, the sheet's page end alone reaching the printer, an
// incomplete sheet closed at the document's end). The rendered sheets are
// judged by the PCL interpreter in the host's tests.
#include "graphics/GNupFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/GClip.h"
#include "graphics/GShapeGraphic.h"
#include "model/GAttributeComposite.h"
#include "model/GCommandComposite.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "support/ModelRoundTrip.h"

namespace {

// Letter at 600 dpi: 5100 x 6600 pixels, 120 pixels of margin all round.
GMedia* Letter() {
  const GShortPoint size{5100, 6600}, extent{4860, 6360}, origin{120, 120};
  auto* medium = new GMedia("Letter", &size, &extent, &origin, 0, 2, 600, 600, nullptr);
  medium->SetFeatureId(GFeatureIds::kPageMedia);
  return medium;
}

GState* JobSettings(int n, int order, int borders, bool layout = true) {
  const int32_t jobId = GFeatureIds::kJobSettings;
  auto* state = new GState(&jobId);
  if (layout) {
    const int32_t layoutId = GFeatureIds::kNUpLayout;
    auto* composite = new GAttributeComposite(&layoutId);
    const int32_t ids[3] = {GFeatureIds::kNUpChoice, GFeatureIds::kNUpPageOrderChoice, GFeatureIds::kNUpBordersChoice};
    const int values[3] = {n, order, borders};
    for (int i = 0; i < 3; ++i) composite->AddChild(new GValueAttribute(static_cast<int16_t>(values[i]), &ids[i]));
    state->AddChild(composite);
  }
  state->AddChild(Letter());
  const int32_t orientationId = GFeatureIds::kOrientation;
  state->AddChild(new GValueAttribute(0, &orientationId));
  return state;
}

GState* PageSettings() {
  const int32_t pageId = GFeatureIds::kPageState;
  auto* state = new GState(&pageId);
  state->AddChild(Letter());
  const int32_t orientationId = GFeatureIds::kOrientation;
  state->AddChild(new GValueAttribute(0, &orientationId));
  return state;
}

// The classes of what came back: a composite's members in order.
std::vector<RWClassID> Classes(const GCountedPtr& result) {
  std::vector<RWClassID> out;
  MPersistentObject* object = result.Pointee();
  if (object == nullptr) return out;
  if (object->ClassId() != GCommandCompositeClassId) return {object->ClassId()};
  MPersistentIterator* it = object->CreateIterator();
  while (it->Advance()) out.push_back(it->Current()->ClassId());
  delete it;
  return out;
}

// The transform the last member of a composite carries in its settings.
GTransformAttribute* CarriedTransform(const GCountedPtr& result) {
  auto* composite = dynamic_cast<GCommandComposite*>(result.Pointee());
  GCommand* carrier = nullptr;
  if (composite != nullptr) {
    MPersistentIterator* it = composite->CreateIterator();
    while (it->Advance()) carrier = dynamic_cast<GCommand*>(it->Current());
    delete it;
  }
  GState* bundle = carrier != nullptr ? carrier->GetSettings() : nullptr;
  return bundle != nullptr ? dynamic_cast<GTransformAttribute*>(bundle->FindByClass(GTransformAttributeClassId)) : nullptr;
}

TEST(GNupFilterTest, TwoUpTurnsTheLetterSheetAndPutsThePagesSideBySide) {
  GNupFilter filter;
  GCountedPtr settings(JobSettings(2, 0, 0));
  filter.PrepareLayout(static_cast<GState*>(settings.Pointee()));
  EXPECT_EQ(filter.IsActive(), 1);
  EXPECT_EQ(filter.GetSheetOrientation(), 90);
  EXPECT_EQ(filter.GetRows(), 1);
  EXPECT_EQ(filter.GetColumns(), 2);
  EXPECT_FLOAT_EQ(filter.GetLayoutScale().x, 6330.0f / 2 / 5100);
  EXPECT_EQ(filter.GetEffectFlags(), 42);
}

TEST(GNupFilterTest, SquareCountsMakeSquareGridsInEachPageOrder) {
  struct Case {
    int n, order;
    int rows, columns;
    std::vector<std::pair<int, int>> origins;  // of the first cells, in placement order
  } cases[] = {
      // Cells of (5100 - 30 - 240) / 2 - 4 = 2411 by (6600 - 30 - 240) / 2 - 4 = 3161.
      {4, 0, 2, 2, {{122, 122}, {2563, 122}, {122, 3313}, {2563, 3313}}},
      {4, 1, 2, 2, {{122, 122}, {122, 3313}, {2563, 122}, {2563, 3313}}},
      {4, 2, 2, 2, {{2563, 122}, {122, 122}, {2563, 3313}, {122, 3313}}},
      {4, 3, 2, 2, {{2563, 122}, {2563, 3313}, {122, 122}, {122, 3313}}},
      {9, 0, 3, 3, {{122, 122}, {1748, 122}, {3374, 122}, {122, 2248}}},
      // An order the layout does not know is the first.
      {4, 7, 2, 2, {{122, 122}, {2563, 122}, {122, 3313}, {2563, 3313}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.n) + "-up, order " + std::to_string(c.order));
    GNupFilter filter;
    GCountedPtr settings(JobSettings(c.n, c.order, 0));
    filter.PrepareLayout(static_cast<GState*>(settings.Pointee()));
    EXPECT_EQ(filter.GetSheetOrientation(), 0);
    EXPECT_EQ(filter.GetRows(), c.rows);
    EXPECT_EQ(filter.GetColumns(), c.columns);
    ASSERT_EQ(filter.GetCells().size(), static_cast<size_t>(c.n));
    for (size_t i = 0; i < c.origins.size(); ++i) {
      EXPECT_EQ(filter.GetCells()[i].origin.x, c.origins[i].first) << i;
      EXPECT_EQ(filter.GetCells()[i].origin.y, c.origins[i].second) << i;
    }
  }
}

TEST(GNupFilterTest, NoLayoutOrNoPagesASheetPrintsOnePageASheet) {
  struct Case {
    const char* name;
    GState* settings;
  } cases[] = {{"no NUpLayout", JobSettings(4, 0, 0, false)}, {"n = 0", JobSettings(0, 0, 0)}, {"n = 1", JobSettings(1, 0, 0)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GCountedPtr held(c.settings);
    GNupFilter filter;
    filter.PrepareLayout(c.settings);
    EXPECT_EQ(filter.IsActive(), 0);
    EXPECT_EQ(filter.GetPagesPerSheet(), 1);
    EXPECT_EQ(filter.GetEffectFlags(), 0);
    int32_t code = 0;
    GCountedPtr page(PageSettings());
    EXPECT_EQ(filter.GetScale(c.settings, static_cast<GState*>(page.Pointee()), 1, &code), GRealPair(1.0f, 1.0f));
  }
}

TEST(GNupFilterTest, APageIsShrunkAndCentredIntoItsCell) {
  // A Letter page into a cell of 2411 x 3161: s = min(2411 / 5100, 3161 /
  // 6600); the page is centred across and its imageable origin scaled.
  NupCell cell;
  cell.origin = GShortPoint{122, 122};
  cell.size = GShortPoint{2411, 3161};
  NupCell page;
  page.origin = GShortPoint{120, 120};
  page.size = GShortPoint{5100, 6600};
  const GTransformAttribute placed = NupCell::PlacePage(cell, page);
  const float s = std::min(2411.0f / 5100.0f, 3161.0f / 6600.0f);
  GRealPair scale;
  GShortPoint offset;
  placed.GetScale(scale);
  placed.GetOffset(offset);
  EXPECT_FLOAT_EQ(scale.x, s);
  EXPECT_EQ(placed.GetRotation(), 0);
  EXPECT_EQ(offset.x, 122 + static_cast<int>((2411 - 5100 * s) * 0.5f + 120 * s));
  EXPECT_EQ(offset.y, 122 + static_cast<int>((3161 - 6600 * s) * 0.5f + 120 * s));
  // A page turned by 180 degrees is placed from the cell's far corner.
  page.secondRotation = 180;
  const GTransformAttribute turned = NupCell::PlacePage(cell, page);
  turned.GetOffset(offset);
  EXPECT_EQ(turned.GetRotation(), 180);
  EXPECT_EQ(offset.x, 122 + 2411 - static_cast<int>((2411 - 5100 * s) * 0.5f + 120 * s));
}

TEST(GNupFilterTest, OnlyTheFirstPageOfASheetStartsAPageAndOnlyItsLastEndsIt) {
  GNupFilter filter;
  filter.RebuildCurrentState();
  GCountedPtr start(new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), nullptr,
                                       JobSettings(4, 0, 1)));
  EXPECT_EQ(Classes(filter.Send(static_cast<GCommand*>(start.Pointee()))), std::vector<RWClassID>{GDocumentStartClassId});
  std::vector<std::vector<RWClassID>> starts, ends;
  std::vector<int16_t> offsetsX;
  for (int n = 1; n <= 5; ++n) {
    GCountedPtr pageStart(new GPageStart(PageSettings()));
    GCountedPtr started = filter.Send(static_cast<GCommand*>(pageStart.Pointee()));
    starts.push_back(Classes(started));
    GTransformAttribute* transform = CarriedTransform(started);
    ASSERT_NE(transform, nullptr);
    GShortPoint offset;
    transform->GetOffset(offset);
    offsetsX.push_back(offset.x);
    GCountedPtr pageEnd(new GPageEnd);
    ends.push_back(Classes(filter.Send(static_cast<GCommand*>(pageEnd.Pointee()))));
  }
  const std::vector<RWClassID> real = {GPageStartClassId, GNullCommandClassId};
  const std::vector<RWClassID> inner = {GNullCommandClassId, GNullCommandClassId};
  EXPECT_EQ(starts, (std::vector<std::vector<RWClassID>>{real, inner, inner, inner, real}));
  // With borders each page end draws its cell's frame.
  const RWClassID frame = GRectangleGraphicClassId;
  const std::vector<RWClassID> open = {frame, GNullCommandClassId};
  const std::vector<RWClassID> closed = {frame, GPageEndClassId};
  EXPECT_EQ(ends, (std::vector<std::vector<RWClassID>>{open, open, open, closed, open}));
  // Right then down: the second page is in the right column, the fifth
  // back in the first cell of the next sheet.
  EXPECT_GT(offsetsX[1], offsetsX[0]);
  EXPECT_EQ(offsetsX[4], offsetsX[0]);
  // The incomplete second sheet is closed before the document ends.
  GCountedPtr end(new GDocumentEnd);
  EXPECT_EQ(Classes(filter.Send(static_cast<GCommand*>(end.Pointee()))),
            (std::vector<RWClassID>{GPageEndClassId, GDocumentEndClassId}));
}

TEST(GNupFilterTest, ADrawingIsClippedToItsOwnPageAndCarriesThePlacement) {
  GNupFilter filter;
  filter.RebuildCurrentState();
  GCountedPtr start(new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), nullptr, JobSettings(4, 0, 0)));
  filter.Send(static_cast<GCommand*>(start.Pointee()));
  GCountedPtr pageStart(new GPageStart(PageSettings()));
  filter.Send(static_cast<GCommand*>(pageStart.Pointee()));
  auto* bundle = new GGraphicBundle;
  bundle->SetClip(new GClipToPage(nullptr));
  bundle->AddChild(new GTransformAttribute(0, GShortPoint{100, 40}, GRealPair(1.0f, 1.0f)));
  auto* drawing = new GNullCommand;
  drawing->SetSettings(bundle);
  GCountedPtr held(drawing);
  GCountedPtr result = filter.Send(drawing);
  GState* settings = drawing->GetSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->FindByClass(GClipToPageClassId), nullptr);
  auto* clip = dynamic_cast<GClipToSingleRectangle*>(settings->FindByClass(GClipToSingleRectangleClassId));
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->FeatureId(), 177);
  auto* transform = dynamic_cast<GTransformAttribute*>(settings->FindByClass(GTransformAttributeClassId));
  ASSERT_NE(transform, nullptr);
  GRealPair scale;
  transform->GetScale(scale);
  EXPECT_LT(scale.x, 0.5f);
}

TEST(GNupFilterTest, TheStoredFormKeepsTheSettingsAndDropsTheJobsLayout) {
  GNupFilter filter;
  GCountedPtr settings(JobSettings(4, 1, 1));
  filter.PrepareLayout(static_cast<GState*>(settings.Pointee()));
  qvtest::ExpectStoredByteCountIsWritten(filter);
  qvtest::ModelRead restored =
      qvtest::RestoreFromForm(qvtest::SaveInForm(&filter, qvtest::ModelForm::kNativeBinary), qvtest::ModelForm::kNativeBinary);
  GCountedPtr copy(restored.object);
  EXPECT_FALSE(restored.failed);
  auto* read = dynamic_cast<GNupFilter*>(copy.Pointee());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetPagesPerSheet(), 4);
  EXPECT_EQ(read->GetRows(), 0);
  EXPECT_EQ(read->GetLayoutScale(), GRealPair(0.0f, 0.0f));
  EXPECT_EQ(read->GetSheetMedium().GetSize()->x, 5100);
}

}  // namespace
