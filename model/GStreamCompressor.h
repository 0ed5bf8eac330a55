// GStreamCompressor: packs and unpacks a whole byte stream with zlib (zlib
// format), as the document settings are stored in a DEVMODE's private area.
// Both directions work on the whole stream in memory and never write more
// than the output has room for.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>

class GStreamCompressor {
 public:
  // The longest content Uncompress gives.
  static constexpr size_t kMaxContent = 16000;
  // The longest packed input Uncompress reads: the largest private area a
  // DEVMODE can carry (its extra size is 16-bit). Longer input is refused
  // unread.
  static constexpr size_t kMaxPacked = 0xFFFF;

  // The room of an output is what a seek of its write position to the end
  // answers (the capacity of a memory buffer, the present length of a file);
  // both operations measure it and then write from the start.

  // Compresses the whole input (from its start to its end) at zlib's default
  // level. 1 when the result is no longer than the input and fits the
  // output's room; it is then written at the start of the output. 0
  // otherwise, with nothing written; a result too long for the room sets the
  // output's fail state.
  int Compress(std::istream& in, std::ostream& out);

  // Decompresses the whole input, which must be one complete zlib stream of
  // at most kMaxContent bytes of content. 1 when it is and the content fits
  // the output's room; the content is then written at the start of the
  // output. 0 otherwise, with nothing written; content too long for the room
  // sets the output's fail state.
  int Uncompress(std::istream& in, std::ostream& out);
};
