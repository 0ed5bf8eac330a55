// Populated samples of the graphics objects and graphic-state attributes,
// one per class, for the tests of their stored forms.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GGraphic.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GGraphicBundle.h"

namespace qvtest {

inline GPointList* OwnedPoints(std::initializer_list<GShortPoint> points) {
  auto* data = new GShortPoint[points.size()];
  std::copy(points.begin(), points.end(), data);
  return new GPointList(data, static_cast<uint32_t>(points.size()), true);
}

inline GColorPaint* SamplePaint(uint8_t red) { return new GColorPaint(new GRGBColor(red, 2, 3, 255)); }

inline GGraphicBundle* SampleBundle() {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GPen(2, SamplePaint(9), nullptr));
  bundle->SetFillMode(new GFillMode(kFillWinding, nullptr));
  return bundle;
}

inline GPathGraphic* SamplePath() {
  auto* path = new GPathGraphic(SampleBundle(), nullptr);
  path->AddChild(new GRectangleGraphic(GRect(1, 2, 30, 40), nullptr, nullptr));
  std::unique_ptr<GPointList> curve(OwnedPoints({{0, 0}, {5, 5}, {6, 6}, {7, 7}}));
  path->AddChild(new GPolyBezierGraphic(*curve, nullptr, nullptr));
  path->Close();
  return path;
}

// A small top-down bitmap owning its bytes: width x height pixels of the
// depth, each byte seed + its index; a two-colour palette when asked.
inline GBitmap SampleBitmap(uint8_t bits, int16_t width, int16_t height, uint8_t seed, bool palette) {
  GBitmapDescription d;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = bits;
  d.rowAlignment = 4;
  const uint32_t stride = (static_cast<uint32_t>(bits) * width + 31) / 32 * 4;
  d.dataLength = stride * static_cast<uint32_t>(height);
  d.data = new uint8_t[d.dataLength];
  for (uint32_t i = 0; i < d.dataLength; ++i) d.data[i] = static_cast<uint8_t>(seed + i);
  if (palette) {
    GRGBColor black(0, 0, 0, 255), white(255, 255, 255, 255);
    d.palette = new GPaletteTable(std::vector<GColor*>{&black, &white});
  }
  return GBitmap(d);
}

// One populated sample of every class.
inline std::vector<std::shared_ptr<MPersistentObject>> GraphicsObjectSamples() {
  const int32_t id = 177;
  std::vector<std::shared_ptr<MPersistentObject>> all;
  auto composite = std::make_shared<GGraphicComposite>(SampleBundle(), nullptr);
  composite->AddChild(SamplePath());
  composite->AddChild(new GRectangleGraphic(GRect(-5, -5, 5, 5), SampleBundle(), nullptr));
  all.push_back(composite);
  all.push_back(std::shared_ptr<MPersistentObject>(SamplePath()));
  all.push_back(std::make_shared<GRectangleGraphic>(GRect(10, 20, 110, 220), SampleBundle(), nullptr));
  std::unique_ptr<GPointList> three(OwnedPoints({{0, 0}, {10, 0}, {10, 10}}));
  auto polygon = std::make_shared<GPolygonGraphic>(*three, SampleBundle(), nullptr);
  polygon->SetArcDirection(0);
  polygon->SetCornerSize(GShortPoint(3, 4));
  polygon->SetEndPoint(GShortPoint(-7, 8));
  all.push_back(polygon);
  std::unique_ptr<GPointList> seven(OwnedPoints({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}));
  all.push_back(std::make_shared<GPolyBezierGraphic>(*seven, nullptr, nullptr));
  all.push_back(std::make_shared<GTransformAttribute>(90, GShortPoint(-3, 4), GRealPair(0.5f, 2.25f)));
  all.push_back(std::make_shared<GClipToPage>(&id));
  all.push_back(std::make_shared<GClipToPath>(SamplePath(), kClipOutside, kClipEvenOdd, &id));
  GRectVector rects;
  for (int16_t i = 0; i < 70; ++i) rects.Append(GRect(i, -i, static_cast<int16_t>(i + 5), 9));
  all.push_back(std::make_shared<GClipToRectangle>(rects, kClipInside, kClipWinding, &id));
  all.push_back(std::make_shared<GClipToSingleRectangle>(GRect(-1, -2, 3, 4), kClipOutside, kClipEvenOdd, &id));
  all.push_back(std::make_shared<GFillMode>(kFillEvenOdd, &id));
  all.push_back(std::make_shared<GRasterOperation>(0xA0CC, kRopExtended, &id));
  all.push_back(std::make_shared<GBrush>(SamplePaint(200), &id));
  all.push_back(std::make_shared<GNoBrush>(&id));
  all.push_back(std::make_shared<GPen>(7, SamplePaint(100), &id));
  all.push_back(std::make_shared<GNoPen>(&id));
  all.push_back(std::make_shared<GDashedPen>(new int16_t[3]{5, -3, 1}, 3, 4, SamplePaint(50), 2, &id));
  all.push_back(std::make_shared<GCap>(2, &id));
  all.push_back(std::make_shared<GJoint>(1, &id));
  all.push_back(std::make_shared<GMiterJoint>(4.5f, &id));
  all.push_back(std::make_shared<GRasterGraphic>(SampleBitmap(24, 5, 3, 7, false), GRect(1, 0, 5, 3),
                                                 GRect(-10, 20, 90, 95), SampleBitmap(1, 9, 2, 1, true),
                                                 SampleBundle(), &id));
  all.push_back(std::make_shared<GPreScaledRasterGraphic>(SampleBitmap(8, 4, 4, 3, true), GRect(0, 0, 4, 4),
                                                          GRect(0, 0, 4, 4), GBitmap(), nullptr, nullptr));
  return all;
}

}  // namespace qvtest
