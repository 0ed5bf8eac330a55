#include "rw/RWRegularExpression.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWError.h"

namespace {

// Program codes. Codes below 0x100 are literal characters; a class code is
// followed by 16 words holding a 256-bit set (bit b of word b / 16 at b % 16);
// a closure code stands in front of the element it repeats.
constexpr uint16_t kEndCode = 0x8000;
constexpr uint16_t kEndAnchor = 0x8024;
constexpr uint16_t kAnyChar = 0x802E;
constexpr uint16_t kClass = 0x805B;
constexpr uint16_t kStartAnchor = 0x805E;
constexpr uint16_t kStar = 0x802A;
constexpr uint16_t kPlus = 0x802B;
constexpr uint16_t kOptional = 0x803F;

constexpr size_t kProgramCodes = 256;
constexpr size_t kClassCodes = 17;
constexpr size_t kNoMatch = static_cast<size_t>(-1);

bool IsClosure(uint16_t code) { return code == kStar || code == kPlus || code == kOptional; }
bool IsAnchor(uint16_t code) { return code == kStartAnchor || code == kEndAnchor; }
size_t ElementCodes(uint16_t code) { return code == kClass ? kClassCodes : 1; }

bool IsOctal(unsigned char c) { return c >= '0' && c <= '7'; }

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads one pattern character at *at, a backslash escape included, and moves
// past it. The caller guarantees *at < count.
unsigned char ReadChar(const unsigned char* p, size_t count, size_t* at) {
  unsigned char c = p[(*at)++];
  if (c != '\\') return c;
  if (*at >= count) return '\\';  // a backslash ending the pattern stands for itself
  c = p[(*at)++];
  switch (c) {
    case 'b': case 'B': return 0x08;
    case 'e': case 'E': return 0x1B;
    case 'f': case 'F': return 0x0C;
    case 'n': case 'N': return 0x0A;
    case 'r': case 'R': return 0x0D;
    case 's': case 'S': return 0x20;
    case 't': case 'T': return 0x09;
    case 'x': case 'X': {
      if (*at >= count || HexValue(p[*at]) < 0) return c;
      int value = HexValue(p[(*at)++]);
      if (*at < count && HexValue(p[*at]) >= 0) value = value * 16 + HexValue(p[(*at)++]);
      return static_cast<unsigned char>(value);
    }
    case '^': {
      if (*at >= count) return c;
      unsigned char ctl = p[(*at)++];
      if (ctl >= 'a' && ctl <= 'z') ctl = static_cast<unsigned char>(ctl - 'a' + 'A');
      return static_cast<unsigned char>(ctl - 0x40);
    }
    default:
      break;
  }
  if (IsOctal(c)) {
    unsigned value = c - '0';
    for (int digits = 1; digits < 3 && *at < count && IsOctal(p[*at]); ++digits) value = value * 8 + (p[(*at)++] - '0');
    return static_cast<unsigned char>(value);
  }
  return c;
}

void SetBit(uint16_t* set, unsigned b) { set[b / 16] = static_cast<uint16_t>(set[b / 16] | (1u << (b % 16))); }

// Parses the class text that starts at the '[' at *at into the 16 words of
// set and moves past its ']'. False for an empty or unclosed class.
bool ParseClass(const unsigned char* p, size_t count, size_t* at, uint16_t* set) {
  ++*at;  // '['
  if (*at < count && p[*at] == ']') return false;  // "[]"
  bool negated = false;
  if (*at < count && p[*at] == '^') {
    negated = true;
    ++*at;
  }
  std::fill(set, set + 16, uint16_t(0));
  bool members = false;
  bool havePrevious = false;  // a single character that a '-' may extend into a range
  unsigned previous = 0;
  while (*at < count && p[*at] != ']') {
    if (p[*at] == '-' && havePrevious && *at + 1 < count && p[*at + 1] != ']') {
      ++*at;
      unsigned last = ReadChar(p, count, at);
      unsigned low = std::min(previous, last), high = std::max(previous, last);
      for (unsigned b = low; b <= high; ++b) SetBit(set, b);
      havePrevious = false;
      continue;
    }
    previous = ReadChar(p, count, at);
    SetBit(set, previous);
    havePrevious = true;
    members = true;
  }
  if (*at >= count || !members) return false;
  ++*at;  // ']'
  if (negated)
    for (int w = 0; w < 16; ++w) set[w] = static_cast<uint16_t>(~set[w]);
  return true;
}

// Runs a compiled program over one text. Failed attempts of the program's
// tail after a repetition are remembered per text position, so that patterns
// with several repetitions cannot make the backtracking take exponential time;
// the result is the same as without the memory.
class Matcher {
 public:
  Matcher(const uint16_t* program, const unsigned char* text, size_t length, size_t searchStart)
      : program_(program), text_(text), length_(length), searchStart_(searchStart) {
    std::fill(slotOf_, slotOf_ + kProgramCodes, -1);
    int slots = 0;
    for (size_t i = 0; i < kProgramCodes && program_[i] != kEndCode;) {
      uint16_t code = program_[i];
      if ((code == kStar || code == kPlus) && i + 1 < kProgramCodes) {
        size_t rest = i + 1 + ElementCodes(program_[i + 1]);
        if (rest < kProgramCodes && slotOf_[rest] < 0) slotOf_[rest] = static_cast<int16_t>(slots++);
      }
      i += IsClosure(code) ? 1 : ElementCodes(code);
    }
    if (slots > 0) failed_.assign(static_cast<size_t>(slots) * (length_ + 1), false);
  }

  // End of the match of the program from code i at text position pos, or
  // kNoMatch.
  size_t Match(size_t i, size_t pos) {
    for (;;) {
      if (i >= kProgramCodes) return kNoMatch;
      uint16_t code = program_[i];
      switch (code) {
        case kEndCode:
          return pos;
        case kEndAnchor:
          if (pos != length_) return kNoMatch;
          ++i;
          break;
        case kStartAnchor:
          if (pos != searchStart_) return kNoMatch;
          ++i;
          break;
        case kOptional: {
          // Taken once when it can be, never given back.
          size_t element = i + 1;
          if (ElementMatches(element, pos)) ++pos;
          i = element + ElementCodes(program_[element]);
          break;
        }
        case kStar:
        case kPlus:
          return MatchRepetition(i, pos);
        default:
          if (!ElementMatches(i, pos)) return kNoMatch;
          ++pos;
          i += ElementCodes(code);
          break;
      }
    }
  }

 private:
  // Whether the element at code i matches the character at pos. Anchors and
  // anything else that is not a character element match nothing here.
  bool ElementMatches(size_t i, size_t pos) const {
    if (i >= kProgramCodes || pos >= length_) return false;
    uint16_t code = program_[i];
    unsigned char c = text_[pos];
    if (code < 0x100) return c == code;
    if (code == kAnyChar) return c != 0x0A;
    if (code == kClass) return i + kClassCodes <= kProgramCodes && ((program_[i + 1 + c / 16] >> (c % 16)) & 1) != 0;
    return false;
  }

  // A '*' or '+' at code i: greedy, then gives back one character at a time
  // until the rest of the program matches.
  size_t MatchRepetition(size_t i, size_t pos) {
    size_t element = i + 1;
    if (element >= kProgramCodes) return kNoMatch;
    size_t rest = element + ElementCodes(program_[element]);
    size_t begin = pos;
    if (program_[i] == kPlus) {
      if (!ElementMatches(element, pos)) return kNoMatch;
      begin = ++pos;
    }
    size_t end = begin;
    while (ElementMatches(element, end)) ++end;
    if (rest < kProgramCodes && program_[rest] == kEndCode) return end;
    for (size_t at = end;; --at) {
      if (!Failed(rest, at)) {
        size_t result = Match(rest, at);
        if (result != kNoMatch) return result;
        MarkFailed(rest, at);
      }
      if (at == begin) return kNoMatch;
    }
  }

  bool Failed(size_t rest, size_t pos) const {
    int slot = rest < kProgramCodes ? slotOf_[rest] : -1;
    return slot >= 0 && failed_[static_cast<size_t>(slot) * (length_ + 1) + pos];
  }

  void MarkFailed(size_t rest, size_t pos) {
    int slot = rest < kProgramCodes ? slotOf_[rest] : -1;
    if (slot >= 0) failed_[static_cast<size_t>(slot) * (length_ + 1) + pos] = true;
  }

  const uint16_t* program_;
  const unsigned char* text_;
  size_t length_;
  size_t searchStart_;
  int16_t slotOf_[kProgramCodes];  // memory slot of each program tail that follows a repetition
  std::vector<bool> failed_;
};

}  // namespace

RWRegularExpression::RWRegularExpression(const char* pattern)
    : program_(new uint16_t[kProgramCodes]()), status_(kCompiled), compiled_(false) {
  Compile(pattern, pattern ? std::strlen(pattern) : 0);
}

RWRegularExpression::RWRegularExpression(const RWCString& pattern)
    : program_(new uint16_t[kProgramCodes]()), status_(kCompiled), compiled_(false) {
  Compile(pattern.Data(), pattern.Length());
}

RWRegularExpression::RWRegularExpression(const RWRegularExpression& other)
    : program_(new uint16_t[kProgramCodes]), status_(other.status_), compiled_(other.compiled_) {
  std::copy(other.program_, other.program_ + kProgramCodes, program_);
}

RWRegularExpression::~RWRegularExpression() { delete[] program_; }

RWRegularExpression& RWRegularExpression::Assign(const RWRegularExpression& other) {
  if (this != &other) {
    std::copy(other.program_, other.program_ + kProgramCodes, program_);
    status_ = other.status_;
    compiled_ = other.compiled_;
  }
  return *this;
}

RWRegularExpression& RWRegularExpression::AssignText(const char* pattern) {
  std::fill(program_, program_ + kProgramCodes, uint16_t(0));
  Compile(pattern, pattern ? std::strlen(pattern) : 0);
  return *this;
}

RWRegularExpression& RWRegularExpression::AssignText(const RWCString& pattern) {
  std::fill(program_, program_ + kProgramCodes, uint16_t(0));
  Compile(pattern.Data(), pattern.Length());
  return *this;
}

int32_t RWRegularExpression::TakeStatus() {
  int32_t status = status_;
  status_ = kCompiled;
  return status;
}

// Compiles count pattern characters into the program. Every code written is
// checked against the program's size first, so that the end code always fits.
void RWRegularExpression::Compile(const char* pattern, size_t count) {
  compiled_ = false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
  if (count == 0 || p[0] == '*' || p[0] == '+' || p[0] == '?') {
    status_ = kIllegalPattern;
    return;
  }
  if (program_ == nullptr) {
    status_ = kNoProgram;
    return;
  }
  uint16_t* program = program_;
  size_t used = 0;          // codes written
  size_t last = 0;          // where the last element (or the closure in front of it) begins
  size_t classBegin = 0;    // pattern text of the last class: '[' ...
  size_t classEnd = 0;      // ... up to and including its ']'
  // A closure written after its element for the copy that follows (x*x as x
  // then x*): where the first copy begins, where the closure is, and whether
  // the copy has been compiled yet.
  constexpr size_t kNone = static_cast<size_t>(-1);
  size_t aheadElement = kNone, aheadClosure = kNone;
  bool copyDone = false;
  // Puts a closure written ahead back in front of its first copy:
  // [x][*] becomes [*][x]. Used when the copy turns out to be repeated
  // itself (x*x*) or to be another element after all.
  auto moveClosureBack = [&] {
    uint16_t closure = program[aheadClosure];
    std::copy_backward(program + aheadElement, program + aheadClosure, program + aheadClosure + 1);
    program[aheadElement] = closure;
    aheadElement = aheadClosure = kNone;
  };
  size_t at = 0;
  while (at < count) {
    if (used >= kProgramCodes - 1) {
      status_ = kProgramFull;
      return;
    }
    unsigned char c = p[at];
    if (c == '*' || c == '+' || c == '?') {
      if (aheadClosure != kNone && copyDone) moveClosureBack();
      uint16_t lastCode = program[last];
      if (IsAnchor(lastCode) || IsClosure(lastCode)) {
        status_ = kProgramFull;
        return;
      }
      aheadElement = aheadClosure = kNone;
      uint16_t closure = c == '*' ? kStar : c == '+' ? kPlus : kOptional;
      ++at;
      // x*x and x?x are written as x then x* / x?: the closure goes to the
      // copy that follows instead.
      bool sameNext = false;
      if (c != '+' && at < count) {
        if (lastCode == kClass) {
          size_t n = classEnd - classBegin + 1;
          sameNext = count - at >= n && std::memcmp(p + at, p + classBegin, n) == 0;
        } else {
          sameNext = p[at] == (lastCode & 0xFF);
        }
      }
      if (sameNext) {
        aheadElement = last;
        aheadClosure = used;
        copyDone = false;
        program[used] = closure;
        last = used++;
      } else {
        std::copy_backward(program + last, program + used, program + used + 1);
        program[last] = closure;
        ++used;
      }
      continue;
    }
    if (aheadClosure != kNone && copyDone) aheadElement = aheadClosure = kNone;
    size_t elementAt = used;
    if (c == '$' && at + 1 == count) {
      program[used++] = kEndAnchor;
      ++at;
    } else if (c == '^' && used == 0) {
      program[used++] = kStartAnchor;
      ++at;
    } else if (c == '.') {
      program[used++] = kAnyChar;
      ++at;
    } else if (c == '[') {
      if (used + kClassCodes + 1 > kProgramCodes) {
        status_ = kProgramFull;
        return;
      }
      classBegin = at;
      if (!ParseClass(p, count, &at, program + used + 1)) {
        status_ = kIllegalPattern;
        return;
      }
      classEnd = at - 1;
      program[used] = kClass;
      used += kClassCodes;
    } else {
      program[used++] = ReadChar(p, count, &at);
    }
    // The closure written ahead is meant for a copy of its element. When the
    // next pattern character only looked like one (\\*\n and \.*. compile
    // to another element, a final $ to the end anchor), the closure goes back
    // in front of its own element.
    if (aheadClosure != kNone && !copyDone) {
      size_t n = aheadClosure - aheadElement;
      if (used - elementAt != n || !std::equal(program + elementAt, program + used, program + aheadElement))
        moveClosureBack();
    }
    last = elementAt;
    copyDone = true;
  }
  program[used] = kEndCode;
  status_ = kCompiled;
  compiled_ = true;
}

size_t RWRegularExpression::IndexIn(const RWCString& text, size_t& length, size_t start) const {
  if (!compiled_ || status_ != kCompiled) {
    RWRaiseInternalLogicError(RWInternalLogicError(RWMessageText(RWToolsMsg_BADRE())));
    length = 0;
    return RW_NPOS;
  }
  size_t size = text.Length();
  if (start > size) return RW_NPOS;
  Matcher matcher(program_, reinterpret_cast<const unsigned char*>(text.Data()), size, start);
  if (program_[0] == kStartAnchor) {
    size_t end = matcher.Match(1, start);
    if (end != kNoMatch) {
      length = end - start;
      return start;
    }
  } else {
    for (size_t at = start; at <= size; ++at) {
      size_t end = matcher.Match(0, at);
      if (end != kNoMatch) {
        length = end - at;
        return at;
      }
    }
  }
  length = 0;
  return RW_NPOS;
}

size_t RWCString::IndexOfRegex(const RWRegularExpression& re, size_t& length, size_t start) const {
  return re.IndexIn(*this, length, start);
}

RWCSubString RWCString::SubStringOfRegex(const RWRegularExpression& re, size_t start) {
  size_t length = 0;
  size_t at = re.IndexIn(*this, length, start);
  if (at == RW_NPOS) return RWCSubString(*this, RW_NPOS, 0);
  return RWCSubString(*this, at, length);
}
