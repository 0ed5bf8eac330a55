// Stored forms of the graphics objects and graphic-state attributes: the
// sizes follow the stored layouts, shared objects stay shared, and damaged input (cut
// short, counts larger than the input, objects of the wrong kind) fails the
// restore without reading or allocating beyond what is there.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GGraphic.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GGraphicBundle.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "support/GraphicsObjectSamples.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;

using qvtest::OwnedPoints;
using qvtest::SamplePaint;

// The samples and their factory-made defaults.
std::vector<std::shared_ptr<MPersistentObject>> Samples() {
  std::vector<std::shared_ptr<MPersistentObject>> all = qvtest::GraphicsObjectSamples();
  const size_t populated = all.size();
  for (size_t i = 0; i < populated; ++i)
    all.push_back(std::shared_ptr<MPersistentObject>(static_cast<MPersistentObject*>(all[i]->CreateSameKind())));
  return all;
}

TEST(GraphicsObjectStorageTest, StoredSizesFollowTheLayouts) {
  // The render-attribute part, measured on the fill mode (part + 8).
  const uint32_t r = GFillMode().MembersStoreSize() - 8;
  const int32_t id = 1;
  struct Case {
    std::shared_ptr<MPersistentObject> object;
    uint32_t expected;
  } cases[] = {
      {std::make_shared<GRasterOperation>(), r + 10},
      {std::make_shared<GCap>(), r + 8},
      {std::make_shared<GJoint>(), r + 8},
      {std::make_shared<GMiterJoint>(), r + 8 + 8},
      {std::make_shared<GBrush>(), r + 4 + 6},
      {std::make_shared<GNoBrush>(), r + 4 + 6 + 4},
      {std::make_shared<GPen>(), r + 6 + 6},
      {std::make_shared<GNoPen>(), r + 6 + 6 + 4},
      {std::make_shared<GDashedPen>(new int16_t[4](), 4, 1, nullptr, 0, &id), r + 6 + 6 + 10 + 8},
      {std::make_shared<GClipToPage>(), r + 12 + 4},
      {std::make_shared<GClipToPath>(), r + 12 + 4 + 6},
      {std::make_shared<GClipToRectangle>(GRect(), 0, 0, &id), r + 12 + 8 + 8},
      {std::make_shared<GClipToSingleRectangle>(), r + 12 + 12},
  };
  for (const Case& c : cases) EXPECT_EQ(c.object->MembersStoreSize(), c.expected) << c.object->ClassId();

  // Graphics: a rectangle is the graphic part + 40, each point 4 more; a
  // path is the composite + 8.
  const uint32_t rectangle = GRectangleGraphic().MembersStoreSize();
  std::unique_ptr<GPointList> three(OwnedPoints({{1, 1}, {2, 2}, {1, 1}}));
  EXPECT_EQ(GPolygonGraphic(*three, nullptr, nullptr).MembersStoreSize(), rectangle + 12);
  EXPECT_EQ(GPathGraphic().MembersStoreSize(), GGraphicComposite().MembersStoreSize() + 8);
  // The transform: the attribute part + 18 (the value attribute's part + 2).
  EXPECT_EQ(GTransformAttribute().MembersStoreSize(), GValueAttribute().MembersStoreSize() - 6 + 18);
}

TEST(GraphicsObjectStorageTest, AReadBackPolyBezierHasPolygonModeOffAndOwnsItsPoints) {
  std::unique_ptr<GPointList> four(OwnedPoints({{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  GPolyBezierGraphic bezier(*four, nullptr, nullptr);
  bezier.SetPolygonMode(1);
  for (ModelForm form : qvtest::kAllModelForms) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&bezier, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* back = dynamic_cast<GPolyBezierGraphic*>(read.object);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPolygonMode(), 0);
    EXPECT_EQ(back->GetPointList().Owns(), 1);
    EXPECT_EQ(back->GetStartPoint(), GShortPoint(0, 0));
    EXPECT_EQ(back->GetBezierCount(), 1u);
  }
}

TEST(GraphicsObjectStorageTest, TwoBrushesSavedWithOnePaintShareItAgain) {
  GColorPaint* paint = SamplePaint(1);
  MPersistentComposite list;
  list.AddChild(new GBrush(paint, nullptr));
  list.AddChild(new GPen(1, paint, nullptr));
  for (ModelForm form : qvtest::kAllModelForms) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&list, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* back = dynamic_cast<MPersistentComposite*>(read.object);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Children().Count(), 2u);
    auto* brush = dynamic_cast<GBrush*>(back->Children().Data()[0].Pointee());
    auto* pen = dynamic_cast<GPen*>(back->Children().Data()[1].Pointee());
    ASSERT_NE(brush, nullptr);
    ASSERT_NE(pen, nullptr);
    ASSERT_NE(brush->GetPaint(), nullptr);
    EXPECT_EQ(brush->GetPaint(), pen->GetPaint());
    EXPECT_EQ(brush->GetPaint()->HolderCount(), 1) << "two holders";
  }
}

void ExpectFails(const std::string& bytes, ModelForm form, const char* what) {
  SCOPED_TRACE(what);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

TEST(GraphicsObjectStorageTest, InputCutShortAnywhereFailsTheRestore) {
  for (const auto& sample : Samples()) {
    SCOPED_TRACE(sample->ClassId());
    for (ModelForm form : {ModelForm::kFile, ModelForm::kNativeBinary}) {
      const std::string whole = qvtest::SaveInForm(sample.get(), form);
      // Every cut for small objects; a spread of cuts for the large ones.
      const size_t step = whole.size() > 400 ? 7 : 1;
      for (size_t cut = 0; cut < whole.size(); cut += step) {
        qvtest::ModelRead read = qvtest::RestoreFromForm(whole.substr(0, cut), form);
        EXPECT_TRUE(read.failed) << "cut at " << cut << " of " << whole.size();
        delete read.object;
      }
    }
  }
}

// Replaces the first occurrence of what (which must be there) by with.
std::string Patched(std::string bytes, const std::string& what, const std::string& with) {
  const size_t at = bytes.find(what);
  EXPECT_NE(at, std::string::npos);
  if (at != std::string::npos) bytes.replace(at, what.size(), with);
  return bytes;
}

std::string Le32(uint32_t v) { return qvtest::StoredBytes().U32(v).Bytes(); }
std::string Le16(uint16_t v) { return qvtest::StoredBytes().U16(v).Bytes(); }

TEST(GraphicsObjectStorageTest, CountsBeyondTheInputFailWithoutAllocatingThem) {
  std::unique_ptr<GPointList> points(OwnedPoints({{0x1234, 0x5678}, {1, 1}, {0x1234, 0x5678}}));
  GPolygonGraphic polygon(*points, nullptr, nullptr);
  GClipToRectangle clip(GRect(0x2345, 1, 2, 3), 0, 0, nullptr);
  GDashedPen pen(new int16_t[2]{0x3456, 1}, 2, 1, nullptr, 0, nullptr);
  const std::string point = Le16(0x1234) + Le16(0x5678);
  const std::string rect = Le16(0x2345) + Le16(1);
  const std::string dash = Le16(0x3456);
  for (uint32_t huge : {0xFFFFFFFFu, 0x40000000u, 1000u}) {
    SCOPED_TRACE(huge);
    const ModelForm form = ModelForm::kFile;
    ExpectFails(Patched(qvtest::SaveInForm(&polygon, form), Le32(3) + point, Le32(huge) + point), form, "points");
    ExpectFails(Patched(qvtest::SaveInForm(&clip, form), Le32(1) + rect, Le32(huge) + rect), form, "rectangles");
    ExpectFails(Patched(qvtest::SaveInForm(&pen, form), Le32(2) + dash, Le32(huge) + dash), form, "dashes");
  }
}

TEST(GraphicsObjectStorageTest, AnObjectOfTheWrongKindInAGraphicsPlaceFailsTheRestore) {
  const int32_t id = 5;
  const ModelForm form = ModelForm::kFile;
  // What an object reference to a value attribute looks like inside a save.
  GValueAttribute attribute(3, &id);
  const std::string value = qvtest::SaveInForm(&attribute, form).substr(4);
  const std::string nil = qvtest::SaveInForm(nullptr, form).substr(4);

  GClipToPath clip;
  ExpectFails(Patched(qvtest::SaveInForm(&clip, form), nil, value), form, "clip path");
  GBrush brush;
  ExpectFails(Patched(qvtest::SaveInForm(&brush, form), nil, value), form, "brush paint");
  GPen pen;
  ExpectFails(Patched(qvtest::SaveInForm(&pen, form), nil, value), form, "pen paint");

  // A member list holding something that is not a graphic: the bytes of a
  // member replaced by those of the attribute.
  GGraphicComposite composite;
  GPathGraphic path;
  auto* member = new GRectangleGraphic(GRect(1, 2, 3, 4), nullptr, nullptr);
  composite.AddChild(member);
  path.AddChild(member);
  const std::string memberBytes = qvtest::SaveInForm(member, form).substr(4);
  ExpectFails(Patched(qvtest::SaveInForm(&composite, form), memberBytes, value), form, "composite member");
  ExpectFails(Patched(qvtest::SaveInForm(&path, form), memberBytes, value), form, "path piece");
}

TEST(GraphicsObjectStorageTest, ACompositeOfAnotherVersionKeepsItsMembers) {
  // The body of an empty composite as saved, its own version at the end of
  // the graphic part.
  GGraphicComposite empty;
  const std::string saved = qvtest::SaveInForm(&empty, ModelForm::kFile);
  const std::string framing = saved.substr(0, 6);
  const std::string body = saved.substr(6);
  const uint32_t graphicPart = empty.GGraphic::MembersStoreSize();
  ASSERT_EQ(body.substr(graphicPart, 4), qvtest::StoredBytes().U32(1).Bytes());
  std::string version2 = body;
  version2.replace(graphicPart, 4, qvtest::StoredBytes().U32(2).Bytes());

  struct Case {
    std::string body;
    size_t members;
  } cases[] = {{version2, 1}, {body, 0}};
  for (const Case& c : cases) {
    GGraphicComposite composite;
    composite.AddChild(new GRectangleGraphic(GRect(0, 0, 1, 1), nullptr, nullptr));
    w32test::MakeDirectories(u"C:\\ModelTests");
    w32test::PutFile(qvtest::ModelTestFilePathW(), framing + c.body);
    {
      RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
      EXPECT_EQ(RWReadObjectIntoFromFile(file, &composite), &composite);
    }
    EXPECT_EQ(composite.MemberCount(), c.members);
  }
}

}  // namespace
