// The PostScript texts that downloaded fonts and re-encoded printer fonts
// need: the Type 3, Type 42 and Type 1 font procsets (the procedures the
// generator's font and glyph definitions call) and the six glyph mappings
// (encoding vectors stored into the standard procset's mappings array).
#pragma once

#include <cstdint>
#include <string>

namespace psfonts {

// Glyph names of mappings 0 to 4 as "/name" texts, 256 a vector.
extern const char* const kGlyphMappingNames[5];

const std::string& Type3ProcSet();
const std::string& Type42ProcSet();
const std::string& Type1ProcSet();
// "mappings N [/name ...] put " for N 0 to 4; mapping 5 is empty.
std::string GlyphMapping(int32_t number);
// The mapping an encoding id needs: 1 for 5, 2 for 6, 3 for 12, 4 for 3, 5
// for 53 to 55, 0 for every other id.
int32_t MappingForEncoding(int32_t encoding);

}  // namespace psfonts
