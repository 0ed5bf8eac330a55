// The page-description reader: one drawing call a line, turned into the
// graphics library's objects in device dots. docs/PAGE-FORMAT.md describes
// the format. A page file is untrusted input: lines, pages, calls, points,
// numbers and images are bounded, and every fault names its line.
#include "host/PageDescription.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "graphics/GBitmap.h"
#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTextStringGraphic.h"
#include "host/PngFile.h"
#include "host/Text.h"
#include "model/GGraphicBundle.h"

namespace qvhost {

namespace {

constexpr size_t kMostLineBytes = 64 * 1024;
constexpr size_t kMostPageFileBytes = 16u << 20;
constexpr size_t kMostPages = 1000;
// Drawing calls (graphics and texts) of the whole file.
constexpr size_t kMostCalls = 100000;
constexpr size_t kMostPointsInACall = 8192;
constexpr size_t kMostNameBytes = 64;
constexpr double kMostTextPoints = 1000;
constexpr int32_t kMostResolution = 9600;
// Decoded image bytes of one page file, all images together (an image
// drawn more than once is read once).
constexpr uint64_t kMostImageBytes = 512u << 20;
// A Bezier quarter of a circle: the control points lie this far along the
// tangents, in radii.
constexpr double kQuarterCircle = 0.5522847498;

// The page file's units are points, 72 to the inch.
constexpr double kPointsPerInch = 72.0;
// The text graphics' encoding of 16-bit UTF-16 codes.
constexpr int32_t kUtf16Encoding = 16;

constexpr const char* kUnclosedQuote = "a quoted word is not closed";

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

// The drawing state of a page: what each graphic carries in its bundle.
struct DrawingState {
  bool pen = true;
  int32_t penWidth = 0;  // dots; set from 1 point when the page starts
  Colour penColour;
  bool brush = false;
  Colour brushColour;
  Colour colour;
  bool clip = false;
  GRect clipRect;
};

// The words of one line: a word runs to the next blank; a word that starts
// with a double quote runs to the next double quote (\" and \\ stand for
// themselves inside it).
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  // The next word, or nothing at the end of the line; a quoted word that is
  // not closed sets the fault.
  std::optional<std::string> Word() {
    SkipBlanks();
    if (at_ >= line_.size()) return std::nullopt;
    std::string word;
    if (line_[at_] == '"') {
      ++at_;
      while (at_ < line_.size() && line_[at_] != '"') {
        if (line_[at_] == '\\' && at_ + 1 < line_.size() && (line_[at_ + 1] == '"' || line_[at_ + 1] == '\\')) ++at_;
        word.push_back(line_[at_++]);
      }
      if (at_ >= line_.size()) {
        unclosed_ = true;
        return std::nullopt;
      }
      ++at_;
      return word;
    }
    while (at_ < line_.size() && !IsBlank(line_[at_])) word.push_back(line_[at_++]);
    return word;
  }

  // Every word left.
  std::vector<std::string> Words() {
    std::vector<std::string> words;
    while (auto word = Word()) words.push_back(std::move(*word));
    return words;
  }

  // What is left of the line after the blanks that follow the last word.
  std::string_view Rest() {
    SkipBlanks();
    return line_.substr(at_);
  }

  bool Unclosed() const { return unclosed_; }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
  void SkipBlanks() {
    while (at_ < line_.size() && IsBlank(line_[at_])) ++at_;
  }

  std::string_view line_;
  size_t at_ = 0;
  bool unclosed_ = false;
};

bool ParseNumber(const std::string& word, double& out) {
  if (word.empty() || word.size() > 32) return false;
  const char* first = word.data();
  const char* last = word.data() + word.size();
  if (*first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, out, std::chars_format::fixed);
  return error == std::errc() && end == last && std::isfinite(out);
}

bool ParseNumbers(const std::vector<std::string>& words, size_t from, size_t count, std::vector<double>& out) {
  out.clear();
  if (words.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i) {
    double value = 0;
    if (!ParseNumber(words[i], value)) return false;
    out.push_back(value);
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<uint8_t>(text[i]);
    size_t more = 0;
    uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + more >= text.size()) return false;
    for (size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += more + 1;
  }
  return true;
}

bool IsPaperName(const std::string& word) {
  if (word.empty() || word.size() > 31) return false;
  return std::all_of(word.begin(), word.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
  });
}

class Reader {
 public:
  Reader(const PageDescriptionOptions& options, std::vector<DescribedPage>& pages)
      : options_(options), pages_(pages) {}

  // Reads every line; false with the fault in error.
  bool Read(std::string_view text, std::string& error) {
    if (options_.xResolution < 1 || options_.xResolution > kMostResolution || options_.yResolution < 1 ||
        options_.yResolution > kMostResolution) {
      error = "the resolution must be 1 to " + std::to_string(kMostResolution) + " dots per inch";
      return false;
    }
    if (text.size() > kMostPageFileBytes) {
      error = "the page file is larger than " + std::to_string(kMostPageFileBytes >> 20) + " MB";
      return false;
    }
    size_t start = 0;
    size_t number = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      start = end + 1;
      ++number;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::string why;
      if (line.size() <= kMostLineBytes && Line(line, why)) continue;
      if (why.empty()) why = "the line is longer than " + std::to_string(kMostLineBytes) + " bytes";
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    if (pages_.empty()) StartPage();
    return true;
  }

 private:
  bool Line(std::string_view line, std::string& why) {
    LineReader reader(line);
    const std::optional<std::string> first = reader.Word();
    if (!first) {
      if (reader.Unclosed()) {
        why = kUnclosedQuote;
        return false;
      }
      return true;  // blank
    }
    if (!first->empty() && (*first)[0] == '#') return true;
    const std::string call = Lower(*first);
    if (call == "page") return Page(reader, why);
    if (pages_.empty()) StartPage();
    if (call == "text") return Text(reader, why);
    const std::vector<std::string> words = reader.Words();
    if (reader.Unclosed()) {
      why = kUnclosedQuote;
      return false;
    }
    if (call == "colour" || call == "color") return SetColour(call, words, why);
    if (call == "pen") return SetPen(words, why);
    if (call == "brush") return SetBrush(words, why);
    if (call == "clip") return SetClip(words, why);
    if (call == "rectangle") return Rectangle(words, why);
    if (call == "ellipse") return Ellipse(words, why);
    if (call == "polyline" || call == "polygon" || call == "bezier") return Figure(call, words, why);
    if (call == "image") return Image(words, why);
    why = "unknown drawing call \"" + first->substr(0, kMostNameBytes) + "\"";
    return false;
  }

  void StartPage() {
    pages_.emplace_back();
    state_ = DrawingState();
    state_.penWidth = static_cast<int32_t>(std::lround(static_cast<double>(options_.xResolution) / kPointsPerInch));
  }

  DescribedPage& CurrentPage() { return pages_.back(); }

  // Counts a drawing call of the file.
  bool RoomForACall(std::string& why) {
    if (calls_ >= kMostCalls) {
      why = "more than " + std::to_string(kMostCalls) + " drawing calls";
      return false;
    }
    ++calls_;
    return true;
  }

  // Points to dots, within the 16-bit coordinates of the graphics.
  bool Dots(double points, int32_t resolution, int16_t& out) const {
    const double dots = std::round(points * resolution / kPointsPerInch);
    if (!(dots >= INT16_MIN && dots <= INT16_MAX)) return false;
    out = static_cast<int16_t>(dots);
    return true;
  }

  bool Point(double x, double y, GShortPoint& out, std::string& why) const {
    if (!Dots(x, options_.xResolution, out.x) || !Dots(y, options_.yResolution, out.y)) {
      why = OffTheRange();
      return false;
    }
    return true;
  }

  static std::string OffTheRange() { return "a coordinate lies beyond 32767 dots"; }

  // A box from x, y, width and height; width and height not negative.
  bool Box(const std::vector<double>& n, GRect& out, std::string& why) const {
    if (n[2] < 0 || n[3] < 0) {
      why = "the width and height must not be negative";
      return false;
    }
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    if (!Dots(n[0], options_.xResolution, left) || !Dots(n[1], options_.yResolution, top) ||
        !Dots(n[0] + n[2], options_.xResolution, right) || !Dots(n[1] + n[3], options_.yResolution, bottom)) {
      why = OffTheRange();
      return false;
    }
    out = GRect(left, top, right, bottom);
    return true;
  }

  // The box of a call whose first four words are x, y, width and height,
  // followed by `more` words.
  bool BoxWords(const std::vector<std::string>& words, size_t more, const char* needs, GRect& out,
                std::string& why) const {
    std::vector<double> n;
    if (words.size() != 4 + more || !ParseNumbers(words, 0, 4, n)) {
      why = needs;
      return false;
    }
    return Box(n, out, why);
  }

  static GColorPaint* Paint(const Colour& c) { return new GColorPaint(new GRGBColor(c.red, c.green, c.blue, 255)); }

  // The bundle of the next graphic: every attribute is given, so that no
  // attribute of an earlier graphic stays in force by chance.
  GGraphicBundle* Bundle(bool fill) const {
    auto* bundle = new GGraphicBundle;
    if (state_.pen)
      bundle->SetPen(new GPen(state_.penWidth, Paint(state_.penColour), nullptr));
    else
      bundle->SetPen(new GNoPen(nullptr));
    if (fill && state_.brush)
      bundle->SetBrush(new GBrush(Paint(state_.brushColour), nullptr));
    else
      bundle->SetBrush(new GNoBrush(nullptr));
    if (state_.clip)
      bundle->SetClip(new GClipToSingleRectangle(state_.clipRect, kClipInside, kClipWinding, nullptr));
    else
      bundle->SetClip(new GClipToPage(nullptr));
    return bundle;
  }

  void Add(MPersistentObject* graphic) { CurrentPage().graphics.emplace_back(graphic); }

  // The run as a text graphic in drawing order: its UTF-16 codes placed
  // along the baseline from the run's position, one advance of six tenths
  // of the size per character, in the brush's colour. Which face draws it
  // is the generator's to choose from the font name.
  void AddText(const PageText& run) {
    const std::u16string wide = FromUtf8(run.utf8);
    const size_t count = std::min<size_t>(wide.size(), 0xFFFF);
    if (count == 0) return;
    const double advance = run.points * 0.6 * options_.xResolution / kPointsPerInch;
    std::vector<GShortPoint> positions(count);
    auto* codes = new uint16_t[count];
    for (size_t i = 0; i < count; ++i) {
      codes[i] = static_cast<uint16_t>(wide[i]);
      const long x = std::lround(run.x + advance * static_cast<double>(i));
      positions[i] = GShortPoint(static_cast<int16_t>(std::clamp<long>(x, -32768, 32767)),
                                 static_cast<int16_t>(run.y));
    }
    auto* bundle = new GGraphicBundle;
    bundle->SetBrush(new GBrush(Paint(state_.brushColour), nullptr));
    Add(new GTextStringGraphic(nullptr, codes, 1, kUtf16Encoding, positions.data(), 0,
                               static_cast<uint16_t>(count), bundle));
  }

  // ---- The calls ----

  bool Page(LineReader& reader, std::string& why) {
    const std::vector<std::string> words = reader.Words();
    if (reader.Unclosed()) {
      why = kUnclosedQuote;
      return false;
    }
    if (pages_.size() >= kMostPages) {
      why = "more than " + std::to_string(kMostPages) + " pages";
      return false;
    }
    std::string paper;
    int orientation = 0;
    for (const std::string& word : words) {
      const std::string lower = Lower(word);
      if (lower == "portrait" || lower == "landscape") {
        if (orientation != 0) {
          why = "page takes one orientation";
          return false;
        }
        orientation = lower == "portrait" ? 1 : 2;
      } else if (paper.empty() && IsPaperName(word)) {
        paper = word;
      } else {
        why = "page takes a paper name and portrait or landscape, not \"" + word.substr(0, kMostNameBytes) + "\"";
        return false;
      }
    }
    StartPage();
    CurrentPage().paper = paper;
    CurrentPage().orientation = orientation;
    return true;
  }

  bool SetColour(const std::string& call, const std::vector<std::string>& words, std::string& why) {
    std::vector<double> n;
    if (words.size() != 3 || !ParseNumbers(words, 0, 3, n) ||
        std::any_of(n.begin(), n.end(), [](double v) { return v < 0 || v > 255 || v != std::floor(v); })) {
      why = call + " needs 3 whole numbers from 0 to 255";
      return false;
    }
    state_.colour = Colour{static_cast<uint8_t>(n[0]), static_cast<uint8_t>(n[1]), static_cast<uint8_t>(n[2])};
    return true;
  }

  bool SetPen(const std::vector<std::string>& words, std::string& why) {
    if (words.size() == 1 && Lower(words[0]) == "none") {
      state_.pen = false;
      return true;
    }
    double width = 0;
    int16_t dots = 0;
    if (words.size() != 1 || !ParseNumber(words[0], width) || width < 0) {
      why = "pen needs a width in points or none";
      return false;
    }
    if (!Dots(width, options_.xResolution, dots)) {
      why = "the pen is wider than 32767 dots";
      return false;
    }
    state_.pen = true;
    state_.penWidth = dots;
    state_.penColour = state_.colour;
    return true;
  }

  bool SetBrush(const std::vector<std::string>& words, std::string& why) {
    const std::string word = words.size() == 1 ? Lower(words[0]) : std::string();
    if (word != "solid" && word != "none") {
      why = "brush needs solid or none";
      return false;
    }
    state_.brush = word == "solid";
    state_.brushColour = state_.colour;
    return true;
  }

  bool SetClip(const std::vector<std::string>& words, std::string& why) {
    if (words.size() == 1 && Lower(words[0]) == "none") {
      state_.clip = false;
      return true;
    }
    GRect rect;
    if (!BoxWords(words, 0, "clip needs 4 numbers or none", rect, why)) return false;
    state_.clip = true;
    state_.clipRect = rect;
    return true;
  }

  bool Rectangle(const std::vector<std::string>& words, std::string& why) {
    GRect rect;
    if (!BoxWords(words, 0, "rectangle needs 4 numbers", rect, why) || !RoomForACall(why)) return false;
    Add(new GRectangleGraphic(rect, Bundle(true), nullptr));
    return true;
  }

  // Four quarter arcs from the right-hand end of the box's middle line,
  // going down first (y grows downwards), as one closed path.
  bool Ellipse(const std::vector<std::string>& words, std::string& why) {
    GRect box;
    if (!BoxWords(words, 0, "ellipse needs 4 numbers", box, why) || !RoomForACall(why)) return false;
    const double cx = (static_cast<double>(box.left) + box.right) / 2;
    const double cy = (static_cast<double>(box.top) + box.bottom) / 2;
    const double rx = (static_cast<double>(box.right) - box.left) / 2;
    const double ry = (static_cast<double>(box.bottom) - box.top) / 2;
    const double kx = rx * kQuarterCircle;
    const double ky = ry * kQuarterCircle;
    const double xy[13][2] = {
        {cx + rx, cy},      {cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry},      {cx - kx, cy + ry},
        {cx - rx, cy + ky}, {cx - rx, cy},      {cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry},
        {cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy},
    };
    // Every point lies inside the box, so it fits in 16 bits.
    std::vector<GShortPoint> points;
    for (const auto& p : xy)
      points.emplace_back(static_cast<int16_t>(std::lround(p[0])), static_cast<int16_t>(std::lround(p[1])));
    auto* path = new GPathGraphic(Bundle(true), nullptr);
    GPointList list(points.data(), static_cast<uint32_t>(points.size()), false);
    auto* curves = new GPolyBezierGraphic(list, nullptr, nullptr);
    curves->PinResources();
    path->AddChild(curves);
    path->Close();
    Add(path);
    return true;
  }

  // polyline: an open path of straight lines, drawn with the pen alone;
  // polygon: a closed figure, outlined and filled; bezier: a start point
  // and three points for each curve, drawn with the pen alone.
  bool Figure(const std::string& call, const std::vector<std::string>& words, std::string& why) {
    const size_t least = call == "polyline" ? 2 : call == "polygon" ? 3 : 4;
    std::vector<double> n;
    const bool pairs = words.size() % 2 == 0 && ParseNumbers(words, 0, words.size(), n);
    const size_t count = words.size() / 2;
    if (!pairs || count < least || (call == "bezier" && (count - 1) % 3 != 0)) {
      if (call == "polyline")
        why = "polyline needs at least 2 points, as pairs of numbers";
      else if (call == "polygon")
        why = "polygon needs at least 3 points, as pairs of numbers";
      else
        why = "bezier needs a start point and 3 points for each curve, as pairs of numbers";
      return false;
    }
    if (count > kMostPointsInACall) {
      why = call + " has more than " + std::to_string(kMostPointsInACall) + " points";
      return false;
    }
    std::vector<GShortPoint> points(count);
    for (size_t i = 0; i < count; ++i)
      if (!Point(n[2 * i], n[2 * i + 1], points[i], why)) return false;
    if (!RoomForACall(why)) return false;
    if (call == "polygon") {
      GPointList list(points.data(), static_cast<uint32_t>(count), false);
      auto* polygon = new GPolygonGraphic(list, Bundle(true), nullptr);
      polygon->PinResources();
      Add(polygon);
      return true;
    }
    if (call == "bezier") {
      GPointList list(points.data(), static_cast<uint32_t>(count), false);
      auto* curves = new GPolyBezierGraphic(list, Bundle(false), nullptr);
      curves->PinResources();
      Add(curves);
      return true;
    }
    // Each line is a curve whose control points lie on its ends.
    std::vector<GShortPoint> curve{points[0]};
    for (size_t i = 1; i < count; ++i) {
      curve.push_back(points[i - 1]);
      curve.push_back(points[i]);
      curve.push_back(points[i]);
    }
    auto* path = new GPathGraphic(Bundle(false), nullptr);
    GPointList list(curve.data(), static_cast<uint32_t>(curve.size()), false);
    auto* lines = new GPolyBezierGraphic(list, nullptr, nullptr);
    lines->PinResources();
    path->AddChild(lines);
    Add(path);
    return true;
  }

  bool Text(LineReader& reader, std::string& why) {
    const char* needs = "text needs a position, a font name, a size in points and the text";
    std::vector<std::string> words;
    for (int i = 0; i < 4; ++i) {
      std::optional<std::string> word = reader.Word();
      if (!word) {
        why = reader.Unclosed() ? kUnclosedQuote : needs;
        return false;
      }
      words.push_back(std::move(*word));
    }
    std::vector<double> position;
    double points = 0;
    if (!ParseNumbers(words, 0, 2, position) || !ParseNumber(words[3], points)) {
      why = needs;
      return false;
    }
    if (words[2].empty() || words[2].size() > kMostNameBytes || !IsUtf8(words[2])) {
      why = "the font name must be 1 to " + std::to_string(kMostNameBytes) + " bytes of UTF-8";
      return false;
    }
    if (!(points > 0 && points <= kMostTextPoints)) {
      why = "the text size must be above 0 and at most " + std::to_string(static_cast<int>(kMostTextPoints)) +
            " points";
      return false;
    }
    const std::string_view text = reader.Rest();
    if (text.empty()) {
      why = needs;
      return false;
    }
    if (!IsUtf8(text)) {
      why = "the text is not UTF-8";
      return false;
    }
    GShortPoint at;
    if (!Point(position[0], position[1], at, why) || !RoomForACall(why)) return false;
    PageText run;
    run.x = at.x;
    run.y = at.y;
    run.font = words[2];
    run.points = points;
    run.utf8 = std::string(text);
    AddText(run);
    CurrentPage().texts.push_back(std::move(run));
    return true;
  }

  bool Image(const std::vector<std::string>& words, std::string& why) {
    const char* needs = "image needs 4 numbers and a file name";
    GRect destination;
    if (!BoxWords(words, 1, needs, destination, why) || !RoomForACall(why)) return false;
    std::string path = words[4];
    if (path.empty()) {
      why = needs;
      return false;
    }
    if (path[0] != '/' && !options_.baseDirectory.empty()) path = options_.baseDirectory + "/" + path;
    GBitmap bitmap;
    auto known = images_.find(path);
    if (known != images_.end()) {
      bitmap = known->second;
    } else {
      PngImage png;
      std::string reason;
      if (!ReadPng(path, png, &reason)) {
        why = "image: " + reason;
        return false;
      }
      if (imageBytes_ + png.rgb.size() > kMostImageBytes) {
        why = "the images of the page file take more than " + std::to_string(kMostImageBytes >> 20) + " MB";
        return false;
      }
      imageBytes_ += png.rgb.size();
      bitmap = RgbBitmap(png.width, png.height, png.rgb.data());
      images_.emplace(path, bitmap);
    }
    GRect bounds;
    bitmap.GetBounds(bounds);
    Add(new GRasterGraphic(bitmap, bounds, destination, GBitmap(), Bundle(false), nullptr));
    return true;
  }

 public:
  // A 24-bit bitmap of top-down rows of red, green and blue, owning a copy.
  static GBitmap RgbBitmap(int32_t width, int32_t height, const uint8_t* rgb) {
    GBitmapDescription d;
    d.ownsData = 1;
    d.dataLength = static_cast<uint32_t>(static_cast<uint64_t>(width) * height * 3);
    d.data = new uint8_t[d.dataLength != 0 ? d.dataLength : 1];
    if (d.dataLength != 0) std::memcpy(d.data, rgb, d.dataLength);
    d.rowAlignment = 1;
    d.bounds = GRect(0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height));
    d.bitsPerPixel = 24;
    d.planes = 1;
    d.componentOrder = 1;
    return GBitmap(d);
  }

 private:
  const PageDescriptionOptions& options_;
  std::vector<DescribedPage>& pages_;
  DrawingState state_;
  std::map<std::string, GBitmap> images_;
  uint64_t imageBytes_ = 0;
  size_t calls_ = 0;
};

}  // namespace

bool ParsePageDescription(std::string_view text, const PageDescriptionOptions& options,
                          std::vector<DescribedPage>& pages, std::string& error) {
  pages.clear();
  error.clear();
  Reader reader(options, pages);
  if (!reader.Read(text, error)) {
    pages.clear();
    return false;
  }
  return true;
}

bool LoadPageDescriptionFile(const std::string& path, const PageDescriptionOptions& options,
                             std::vector<DescribedPage>& pages, std::string& error) {
  pages.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  // One byte more than the limit, so that a larger file is refused whole.
  std::string text(kMostPageFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMostPageFileBytes) {
    error = path + " is larger than " + std::to_string(kMostPageFileBytes >> 20) + " MB";
    return false;
  }
  PageDescriptionOptions beside = options;
  if (beside.baseDirectory.empty()) {
    const size_t slash = path.find_last_of('/');
    beside.baseDirectory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  }
  if (!ParsePageDescription(text, beside, pages, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

std::vector<DescribedPage> SamplePages(const PageDescriptionOptions& options) {
  // The page in the file format, at the job's resolution; the photo is
  // made here and drawn at 600 dots per inch.
  static const char kVectors[] =
      "page\n"
      "text 72 90 Arial 24 Reference page\n"
      "text 72 120 \"Times New Roman\" 12 Text, vectors and a photo-like image at 600 dots per inch.\n"
      "colour 0 0 0\n"
      "pen 2\n"
      "rectangle 72 144 216 108\n"
      "colour 200 30 30\n"
      "brush solid\n"
      "colour 0 0 160\n"
      "pen 1\n"
      "ellipse 324 144 216 108\n"
      "colour 20 140 40\n"
      "brush solid\n"
      "pen none\n"
      "polygon 72 396 180 288 288 396\n"
      "colour 0 0 0\n"
      "pen 0.5\n"
      "polyline 324 396 360 300 396 396 432 300 468 396 504 300 540 396\n"
      "pen 3\n"
      "bezier 72 432 150 380 210 500 288 432\n"
      "clip 324 420 108 72\n"
      "colour 255 200 0\n"
      "brush solid\n"
      "rectangle 300 400 216 108\n"
      "clip none\n";
  std::vector<DescribedPage> pages;
  std::string error;
  PageDescriptionOptions own = options;
  own.baseDirectory.clear();
  if (!ParsePageDescription(kVectors, own, pages, error)) {
    // Only a resolution the reader refuses lands here: one empty page.
    return std::vector<DescribedPage>(1);
  }
  // A 3 by 2 inch photo-like image: smooth colour gradients, a soft
  // round highlight and a little noise, 1800 x 1200 pixels.
  constexpr int32_t kWidth = 1800;
  constexpr int32_t kHeight = 1200;
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t noise = 2463534242u;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const double dx = (x - kWidth * 0.65) / kWidth;
      const double dy = (y - kHeight * 0.35) / kHeight;
      const double light = std::exp(-(dx * dx + dy * dy) * 12.0);
      const double sky = static_cast<double>(y) / kHeight;
      const int grain = static_cast<int>(noise % 13) - 6;
      auto channel = [&](double value) {
        return static_cast<uint8_t>(std::clamp(static_cast<int>(value) + grain, 0, 255));
      };
      uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = channel(60 + 120 * sky + 75 * light);
      p[1] = channel(90 + 80 * (1 - sky) + 85 * light);
      p[2] = channel(150 + 60 * std::sin(x * 0.004) + 45 * light);
    }
  }
  const GBitmap photo = Reader::RgbBitmap(kWidth, kHeight, rgb.data());
  // At 600 dpi the photo is 3 by 2 inches: 216 by 144 points at 72, 468.
  auto dots = [](double points, int32_t resolution) {
    return static_cast<int16_t>(std::lround(points * resolution / kPointsPerInch));
  };
  const GRect destination(dots(72, options.xResolution), dots(468, options.yResolution),
                          dots(72 + 216, options.xResolution), dots(468 + 144, options.yResolution));
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GNoPen(nullptr));
  bundle->SetBrush(new GNoBrush(nullptr));
  bundle->SetClip(new GClipToPage(nullptr));
  pages.front().graphics.emplace_back(
      new GRasterGraphic(photo, GRect(0, 0, kWidth, kHeight), destination, GBitmap(), bundle, nullptr));
  return pages;
}

}  // namespace qvhost
