#include "pdl/PclSymbolSets.h"

uint16_t PclSymbolSetForEncoding(int32_t encoding) {
  switch (encoding) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 621;
    case 4: return 629;
    case 5: return 293;
    case 6: return 180;
    case 7: return 295;
    case 8: return 296;
    case 9: return 310;
    case 12: return 620;
    case 14: return 306;
    case 15: return 628;
    case 16: return 590;
    case 17: return 619;
    case 18: return 579;
    case 19: return 643;
    case 20:
    case 21: return 616;
    case 22: return 584;
    case 23: return 596;
    case 53: return 18540;
    case 54: return 18604;
    case 55: return 460;
    default: return 0;
  }
}
