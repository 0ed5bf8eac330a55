// GTextStringGraphic: a text as a graphics object: a font face handle, the
// text (GTextString), the advances of the pen along x and y
// (GTextEscapements) and the position of the first character. The creator
// gives either the position of every character, or advances (or lets the
// font supply them) with character and word spacing; either form becomes
// advances along x and y, turned by the font's escapement angle. It draws
// through the peripheral's DrawText.
#pragma once

#include <cstdint>

#include "graphics/GArrayHolder.h"
#include "graphics/GGraphic.h"
#include "graphics/GShortPoint.h"
#include "model/GCountedPtr.h"

class GFontFaceHandle;
class GSpacingDistributor;
class GTextEscapements;
class GTextString;

constexpr RWClassID GTextStringGraphicClassId = 804;

class GTextStringGraphic : public GGraphic {
 public:
  // No font, text or escapements.
  GTextStringGraphic();
  // Positions form: n 16-bit characters (owned by the text when owns is 1)
  // at the given positions; the origin is the first position ((0, 0) for
  // an empty text) and the advances the steps between positions.
  GTextStringGraphic(GFontFaceHandle* font, uint16_t* chars, int32_t owns, int32_t encoding,
                     GArrayHolder<GShortPoint>* positions, int32_t textOptions, uint16_t count, GState* settings);
  GTextStringGraphic(GFontFaceHandle* font, uint16_t* chars, int32_t owns, int32_t encoding,
                     const GShortPoint* positions, int32_t textOptions, uint16_t count, GState* settings);
  // Advances form: length input units (16-bit codes for encodings 1 and 16,
  // bytes otherwise), one advance per unit or none (the font supplies
  // them), with the spacing's extras added.
  GTextStringGraphic(GFontFaceHandle* font, int32_t encoding, const void* chars, const int16_t* advances,
                     int32_t textOptions, uint16_t length, GShortPoint origin, GSpacingDistributor* spacing,
                     GState* settings);
  // Copies of font, text and escapements.
  GTextStringGraphic(const GTextStringGraphic& other);
  GTextStringGraphic& operator=(const GTextStringGraphic&) = delete;
  ~GTextStringGraphic() override;

  static RWClassID StaticClassId() { return GTextStringGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GTextStringGraphic);
  // Matching graphic parts, total advance, origin, font, text and
  // escapements; the text options do not take part.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the graphic part: version 1, font, text and
  // escapements (framed), total advance, text options, origin.
  RW_STORED_MEMBERS();

  // Lets the font note the characters it must keep, then owns the text.
  void PinResources() override;
  // GPeripheral::DrawText.
  int16_t Dispatch(GPeripheral* peripheral) override;

  GFontFaceHandle* GetFont() const;
  // Deletes the font held and keeps the new one.
  void SetFont(GFontFaceHandle* font);
  GTextString* GetText() const;
  GTextEscapements* GetEscapements() const;
  int16_t GetTotalAdvance() const { return totalAdvance_; }
  int32_t GetTextOptions() const { return textOptions_; }
  GShortPoint GetOrigin() const { return origin_; }

  // A 16-bit code in the user-defined range of the text's encoding.
  bool HasUserDefinedCharacters() const;
  // list: a 16-bit count, then that many codes in ascending order.
  bool ContainsAnyCode(const uint16_t* list) const;

 private:
  void BuildFromPositions(uint16_t* chars, int32_t owns, int32_t encoding, const GShortPoint* positions,
                          uint16_t count);
  void PinFont();

  // Held through counted references, so that a stored graph that names one
  // object from two graphics gives it two holders, not two owners.
  GCountedRef font_;
  GCountedRef text_;
  GCountedRef escapements_;
  int16_t totalAdvance_ = 0;
  int32_t textOptions_ = 0;
  GShortPoint origin_;
};

RWCollectable* GTextStringGraphicCreate();
