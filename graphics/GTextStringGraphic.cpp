#include "graphics/GTextStringGraphic.h"

#include <algorithm>
#include <vector>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "model/GPeripheral.h"
#include "model/GSpacingDistributor.h"
#include "model/MStoredMembers.h"
#include "rw/RWMembers.h"

GTextStringGraphic::GTextStringGraphic() : GGraphic(nullptr, nullptr) {}

GTextStringGraphic::GTextStringGraphic(GFontFaceHandle* font, uint16_t* chars, int32_t owns, int32_t encoding,
                                       GArrayHolder<GShortPoint>* positions, int32_t textOptions, uint16_t count,
                                       GState* settings)
    : GGraphic(settings, nullptr), font_(font), textOptions_(textOptions) {
  const uint16_t n = positions != nullptr ? static_cast<uint16_t>(std::min<uint32_t>(count, positions->Count())) : 0;
  BuildFromPositions(chars, owns, encoding, positions != nullptr ? positions->Data() : nullptr, n);
}

GTextStringGraphic::GTextStringGraphic(GFontFaceHandle* font, uint16_t* chars, int32_t owns, int32_t encoding,
                                       const GShortPoint* positions, int32_t textOptions, uint16_t count,
                                       GState* settings)
    : GGraphic(settings, nullptr), font_(font), textOptions_(textOptions) {
  BuildFromPositions(chars, owns, encoding, positions, positions != nullptr ? count : 0);
}

// The steps between positions become the advances; an axis along which no
// position moves has no array.
void GTextStringGraphic::BuildFromPositions(uint16_t* chars, int32_t owns, int32_t encoding,
                                            const GShortPoint* positions, uint16_t n) {
  if (chars == nullptr) n = 0;
  origin_ = n != 0 ? positions[0] : GShortPoint(0, 0);
  totalAdvance_ = 0;
  text_ = GCountedRef(new GTextString(new GArrayHolder<uint16_t>(chars, n, owns == 1), n, encoding));
  GArrayHolder<int16_t>* axes[2] = {nullptr, nullptr};
  for (int axis = 0; axis < 2; ++axis) {
    bool moves = false;
    for (uint32_t i = 0; i + 1 < n && !moves; ++i)
      moves = axis == 0 ? positions[i + 1].x != positions[i].x : positions[i + 1].y != positions[i].y;
    if (!moves) continue;
    auto* steps = new int16_t[n]();
    for (uint32_t i = 0; i + 1 < n; ++i)
      steps[i] = static_cast<int16_t>(axis == 0 ? positions[i + 1].x - positions[i].x
                                                : positions[i + 1].y - positions[i].y);
    axes[axis] = new GArrayHolder<int16_t>(steps, n, true);
  }
  escapements_ = GCountedRef(new GTextEscapements(axes[0], axes[1], n));
}

GTextStringGraphic::GTextStringGraphic(GFontFaceHandle* font, int32_t encoding, const void* chars,
                                       const int16_t* advances, int32_t textOptions, uint16_t length,
                                       GShortPoint origin, GSpacingDistributor* spacing, GState* settings)
    : GGraphic(settings, nullptr), font_(font), textOptions_(textOptions), origin_(origin) {
  const uint16_t L = chars != nullptr ? length : 0;
  const int encodingClass = GetEncodingClass(encoding);
  GArrayHolder<int16_t>* adv = nullptr;
  uint16_t n = L;
  if (encodingClass == 1) {
    const auto* codes = static_cast<const uint16_t*>(chars);
    const bool narrow = std::all_of(codes, codes + L, [](uint16_t c) { return c <= 0xFF; });
    if (narrow) {
      auto* bytes = L != 0 ? new uint8_t[L] : nullptr;
      for (uint16_t i = 0; i < L; ++i) bytes[i] = static_cast<uint8_t>(codes[i]);
      text_ = GCountedRef(new GTextString(new GArrayHolder<uint8_t>(bytes, L, true), L, encoding));
    } else {
      text_ = GCountedRef(new GTextString(new GArrayHolder<uint16_t>(const_cast<uint16_t*>(codes), L, false), L, encoding));
    }
    if (advances != nullptr) adv = new GArrayHolder<int16_t>(const_cast<int16_t*>(advances), L, false);
  } else {
    const auto* bytes = static_cast<const uint8_t*>(chars);
    bool anyLead = false;
    if (encodingClass == 2)
      for (uint16_t i = 0; i + 1 < L && !anyLead; ++i) anyLead = IsLeadByte(encoding, bytes[i]);
    if (!anyLead) {
      text_ = GCountedRef(new GTextString(new GArrayHolder<uint8_t>(const_cast<uint8_t*>(bytes), L, false), L, encoding));
      if (advances != nullptr) adv = new GArrayHolder<int16_t>(const_cast<int16_t*>(advances), L, false);
    } else {
      std::vector<uint16_t> codes;
      std::vector<int16_t> steps;
      for (uint32_t i = 0; i < L; ++i) {
        if (i + 1 < L && IsLeadByte(encoding, bytes[i])) {
          codes.push_back(static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]));
          if (advances != nullptr) steps.push_back(static_cast<int16_t>(advances[i] + advances[i + 1]));
          ++i;
        } else {
          codes.push_back(bytes[i]);
          if (advances != nullptr) steps.push_back(advances[i]);
        }
      }
      n = static_cast<uint16_t>(codes.size());
      auto* owned = new uint16_t[n];
      std::copy(codes.begin(), codes.end(), owned);
      text_ = GCountedRef(new GTextString(new GArrayHolder<uint16_t>(owned, n, true), n, encoding));
      if (advances != nullptr) {
        auto* ownedSteps = new int16_t[n];
        std::copy(steps.begin(), steps.end(), ownedSteps);
        adv = new GArrayHolder<int16_t>(ownedSteps, n, true);
      }
    }
  }
  if (adv == nullptr) {
    adv = new GArrayHolder<int16_t>(n != 0 ? new int16_t[n]() : nullptr, n, true);
    if (GetFont() != nullptr && n != 0) GetFont()->GetWidthsForText(GetText(), adv->Data());
  }
  int16_t total = 0;
  if (spacing != nullptr && spacing->IsActive() != 0) {
    adv->MakeOwned();
    const uint16_t breakChar = GetFont() != nullptr ? GetFont()->GetMetrics().metricWord : 0;
    for (uint32_t i = 0; i < adv->Count(); ++i) {
      const int16_t extra =
          GetText()->GetChar(i) == breakChar ? spacing->NextBreakExtra() : spacing->NextCharacterExtra();
      if (adv->Owns() != 0) adv->Data()[i] = static_cast<int16_t>(adv->Data()[i] + extra);
    }
  }
  for (uint32_t i = 0; i < adv->Count(); ++i) total = static_cast<int16_t>(total + adv->Data()[i]);
  totalAdvance_ = total;
  escapements_ = GCountedRef(new GTextEscapements(GetFont() != nullptr ? GetFont()->GetAngle1() : GAngle(), adv));
}

GTextStringGraphic::GTextStringGraphic(const GTextStringGraphic& other)
    : GGraphic(other),
      font_(other.GetFont() != nullptr ? other.GetFont()->Clone() : nullptr),
      text_(other.GetText() != nullptr ? new GTextString(*other.GetText()) : nullptr),
      escapements_(other.GetEscapements() != nullptr ? new GTextEscapements(*other.GetEscapements()) : nullptr),
      totalAdvance_(other.totalAdvance_),
      textOptions_(other.textOptions_),
      origin_(other.origin_) {}

GTextStringGraphic::~GTextStringGraphic() = default;

GFontFaceHandle* GTextStringGraphic::GetFont() const { return dynamic_cast<GFontFaceHandle*>(font_.Pointee()); }
GTextString* GTextStringGraphic::GetText() const { return dynamic_cast<GTextString*>(text_.Pointee()); }
GTextEscapements* GTextStringGraphic::GetEscapements() const {
  return dynamic_cast<GTextEscapements*>(escapements_.Pointee());
}

QV_PERSISTENT_KIND_DEFINE(GTextStringGraphic, GGraphic, GTextStringGraphicClassId)

void GTextStringGraphic::SetFont(GFontFaceHandle* font) {
  if (font == GetFont()) return;
  font_ = GCountedRef(font);
}

int GTextStringGraphic::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* text = dynamic_cast<const GTextStringGraphic*>(other);
  if (text == nullptr || text->ClassId() != ClassId() || !GGraphic::Matches(other)) return 0;
  if (text->totalAdvance_ != totalAdvance_ || text->origin_ != origin_) return 0;
  auto same = [](const MPersistentObject* a, const MPersistentObject* b) {
    return a == b || (a != nullptr && b != nullptr && a->Matches(b) != 0);
  };
  return same(GetFont(), text->GetFont()) && same(GetText(), text->GetText()) &&
         same(GetEscapements(), text->GetEscapements()) ? 1 : 0;
}

void GTextStringGraphic::PinFont() {
  if (GetFont() == nullptr || GetText() == nullptr) return;
  GetFont()->PrepareCharacters(GetText(), GetFont()->GetFaceKind() == 1 ? 1 : 2);
}

void GTextStringGraphic::PinResources() {
  PinFont();
  if (GetText() != nullptr) GetText()->MakeOwned();
}

int16_t GTextStringGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawText(this) : kNoReceiver;
}

namespace {

bool InUserRange(int32_t encoding, uint16_t c) {
  auto in = [c](uint16_t lo, uint16_t hi) { return c >= lo && c <= hi; };
  const uint8_t lead = static_cast<uint8_t>(c >> 8);
  const uint8_t trail = static_cast<uint8_t>(c & 0xFF);
  switch (encoding) {
    case 16:
      return in(0xE000, 0xEDE7);
    case 17:
      return in(0xF040, 0xF9FC);
    case 18:
      return in(0x9A41, 0xA0FE) || in(0xAA41, 0xAFFE) || in(0xF8A1, 0xFEFE);
    case 19:
      return (lead >= 0xA1 && lead <= 0xA7 && ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xA0))) ||
             (((lead >= 0xAA && lead <= 0xAF) || (lead >= 0xF8 && lead <= 0xFE)) && trail >= 0xA1 && trail <= 0xFE);
    case 21:
      return in(0xC9A1, 0xC9FE) || in(0xFEA1, 0xFEFE);
    case 23:
      return in(0x8140, 0x8DFE) || in(0x8E40, 0xA0FE) || in(0xC6A1, 0xC8FE) || in(0xFA40, 0xFEFE);
    default:
      return false;
  }
}

}  // namespace

bool GTextStringGraphic::HasUserDefinedCharacters() const {
  if (GetText() == nullptr || GetText()->GetCharSize() == 1) return false;
  for (uint32_t i = 0; i < GetText()->GetLength(); ++i)
    if (InUserRange(GetText()->GetEncoding(), GetText()->GetChar(i))) return true;
  return false;
}

bool GTextStringGraphic::ContainsAnyCode(const uint16_t* list) const {
  if (list == nullptr || list[0] == 0 || GetText() == nullptr) return false;
  const uint16_t* first = list + 1;
  const uint16_t* last = first + list[0];
  for (uint32_t i = 0; i < GetText()->GetLength(); ++i)
    if (std::binary_search(first, last, GetText()->GetChar(i))) return true;
  return false;
}

template <typename Archive>
void GTextStringGraphic::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  // Saving lets the font note the characters before it is written.
  if constexpr (Archive::kWriting) PinFont();
  MStored::TypedRef<GFontFaceHandle>(archive, font_);
  MStored::TypedRef<GTextString>(archive, text_);
  MStored::TypedRef<GTextEscapements>(archive, escapements_);
  archive(rwm::As<uint16_t>(totalAdvance_), textOptions_, origin_.x, origin_.y);
}

RW_STORED_MEMBERS_DEFINE(GTextStringGraphic, GGraphic)

RWCollectable* GTextStringGraphicCreate() { return new GTextStringGraphic; }
