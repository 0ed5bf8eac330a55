// The PCL symbol set of a text encoding, shared by the PCL 5e and PCL XL
// generators: the 16-bit code (number x 32 + letter - 64) the printer's
// font selection names.
#pragma once

#include <cstdint>

// The symbol set of the text encoding; 0 for an encoding without one.
uint16_t PclSymbolSetForEncoding(int32_t encoding);
