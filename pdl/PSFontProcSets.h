// The PostScript texts that downloaded fonts and re-encoded printer fonts
// need: the Type 3, Type 42 and Type 1 font procsets (the procedures the
// generator's font and glyph definitions call) and the six glyph mappings
// (encoding vectors stored into the standard procset's mappings array).
#pragma once

#include <cstdint>
#include <string>

namespace psfonts {

// Glyph names as "/name" texts: ASCII (codes 32 to 126), codes 128 to 255
// of the code-page mappings 0 to 3, and codes 32 to 255 of the Symbol
// font's standard encoding (mapping 4).
extern const char kAsciiGlyphNames[];
extern const char* const kHighGlyphNames[4];
extern const char kSymbolGlyphNames[];

const std::string& Type3ProcSet();
const std::string& Type42ProcSet();
const std::string& Type1ProcSet();
// "mappings N [/name ...] put " for N 0 to 4; mapping 5 is empty.
std::string GlyphMapping(int32_t number);
// The mapping an encoding id needs: 1 for 5, 2 for 6, 3 for 12, 4 for 3, 5
// for 53 to 55, 0 for every other id.
int32_t MappingForEncoding(int32_t encoding);

}  // namespace psfonts
