#include "model/GStringConversion.h"

int ToWideString(const RWCString& in, RWWString& out) {
  out = RWWString(in, RWMultibyte);
  return 1;
}

int ToNarrowString(const RWWString& in, RWCString& out) {
  // Plain ASCII needs no code page; taking the bytes directly also keeps
  // embedded 0s, where the runtime's conversion would stop.
  out = in.IsAscii() ? in.NarrowAscii() : in.ToMultibyte();
  return 1;
}
