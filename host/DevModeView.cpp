#include "host/DevModeView.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <iomanip>
#include <sstream>

#include <zlib.h>

#include "host/Text.h"
#include "model/GFeatureIds.h"
#include "model/GPersistInStream.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWVirtualStream.h"

namespace {

// ---- Little-endian access within the bytes held ----

uint32_t Get(const std::vector<uint8_t>& b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = 0; i < width && at + i < b.size(); ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return v;
}
void Put(std::vector<uint8_t>& b, size_t at, int width, uint32_t v) {
  for (int i = 0; i < width && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
std::string WideField(const std::vector<uint8_t>& b, size_t at, size_t count) {
  std::u16string s;
  for (size_t i = 0; i < count && at + 2 * i + 1 < b.size(); ++i) {
    const char16_t c = static_cast<char16_t>(Get(b, at + 2 * i, 2));
    if (c == 0) break;
    s += c;
  }
  return ToUtf8(s);
}

constexpr size_t kPublicSize = 220;
constexpr size_t kHeadSize = 76;  // name through dmFields
constexpr size_t kDeviceNameChars = 32;
constexpr size_t kFormNameChars = 32;

struct Symbol {
  int value;
  const char* name;
};

constexpr Symbol kOrientations[] = {{1, "portrait"}, {2, "landscape"}, {0, nullptr}};
constexpr Symbol kQualities[] = {{-1, "draft"}, {-2, "low"}, {-3, "medium"}, {-4, "high"}, {0, nullptr}};
constexpr Symbol kColours[] = {{1, "monochrome"}, {2, "color"}, {0, nullptr}};
constexpr Symbol kDuplexes[] = {{1, "simplex"}, {2, "vertical"}, {3, "horizontal"}, {0, nullptr}};
constexpr Symbol kTrueTypes[] = {{1, "bitmap"}, {2, "download"}, {3, "subdev"}, {4, "download-outline"}, {0, nullptr}};
constexpr Symbol kCollates[] = {{0, "false"}, {1, "true"}, {0, nullptr}};
constexpr Symbol kIcmMethods[] = {{1, "none"}, {2, "system"}, {3, "driver"}, {4, "device"}, {0, nullptr}};
constexpr Symbol kIcmIntents[] = {
    {1, "saturate"}, {2, "contrast"}, {3, "colorimetric"}, {4, "abs-colorimetric"}, {0, nullptr}};
constexpr Symbol kMediaTypes[] = {{1, "standard"}, {2, "transparency"}, {3, "glossy"}, {0, nullptr}};

enum Kind { kShort, kDword, kText };

struct Field {
  const char* name;
  size_t offset;
  Kind kind;
  uint32_t bit;
  const Symbol* symbols;
};

// The public fields with a dmFields bit, in record order.
constexpr Field kFields[] = {
    {"dmOrientation", 76, kShort, 0x00000001, kOrientations},
    {"dmPaperSize", 78, kShort, 0x00000002, nullptr},
    {"dmPaperLength", 80, kShort, 0x00000004, nullptr},
    {"dmPaperWidth", 82, kShort, 0x00000008, nullptr},
    {"dmScale", 84, kShort, 0x00000010, nullptr},
    {"dmCopies", 86, kShort, 0x00000100, nullptr},
    {"dmDefaultSource", 88, kShort, 0x00000200, nullptr},
    {"dmPrintQuality", 90, kShort, 0x00000400, kQualities},
    {"dmColor", 92, kShort, 0x00000800, kColours},
    {"dmDuplex", 94, kShort, 0x00001000, kDuplexes},
    {"dmYResolution", 96, kShort, 0x00002000, nullptr},
    {"dmTTOption", 98, kShort, 0x00004000, kTrueTypes},
    {"dmCollate", 100, kShort, 0x00008000, kCollates},
    {"dmFormName", 102, kText, 0x00010000, nullptr},
    {"dmLogPixels", 166, kShort, 0x00020000, nullptr},
    {"dmICMMethod", 188, kDword, 0x00800000, kIcmMethods},
    {"dmICMIntent", 192, kDword, 0x01000000, kIcmIntents},
    {"dmMediaType", 196, kDword, 0x02000000, kMediaTypes},
    {"dmDitherType", 200, kDword, 0x04000000, nullptr},
};

size_t FieldBytes(const Field& f) { return f.kind == kText ? 2 * kFormNameChars : f.kind == kDword ? 4 : 2; }

const Field* FindField(const std::string& given) {
  const std::string name = Lower(given);
  for (const Field& f : kFields) {
    const std::string full = Lower(f.name);
    if (name == full || name == full.substr(2)) return &f;
  }
  return nullptr;
}

const char* SymbolName(const Symbol* symbols, int value) {
  for (const Symbol* s = symbols; s != nullptr && s->name != nullptr; ++s)
    if (s->value == value) return s->name;
  return nullptr;
}

// ---- The compact settings stream of the private area ----

// Names of the settings the host knows by number.
const char* SettingName(int32_t id) {
  switch (id) {
    case GFeatureIds::kPrinterCopies: return "printer copies";
    case GFeatureIds::kOutputBin: return "output bin";
    case GFeatureIds::kResolution: return "resolution";
    case GFeatureIds::kDuplex: return "duplex";
    case GFeatureIds::kInputBin: return "input bin";
    case GFeatureIds::kPageMedia: return "page media";
    case GFeatureIds::kPaperSize: return "paper size";
    case GFeatureIds::kMediaType: return "media type";
    case GFeatureIds::kOrientation: return "orientation";
    case GFeatureIds::kNUpChoice: return "pages per sheet";
    case GFeatureIds::kScaleChoice: return "scale";
    case GFeatureIds::kFitToOtherSizeChoice: return "fit to other size";
    case GFeatureIds::kTargetSizeChoice: return "target size";
    case GFeatureIds::kCustomPaperList: return "custom papers";
    case GFeatureIds::kStaplerChoice: return "stapler";
    case GFeatureIds::kBookletPrintingChoice: return "booklet";
    case GFeatureIds::kUIState: return "UI state";
    case GFeatureIds::kStapling: return "stapling";
    case GFeatureIds::kCopies: return "copies";
    case GFeatureIds::kCollate: return "collate";
    case GFeatureIds::kXResolution: return "x resolution";
    case GFeatureIds::kYResolution: return "y resolution";
    case GFeatureIds::kBitsPerPixel: return "bits per pixel";
    case GFeatureIds::kSettingsRoot: return "document settings";
    case GFeatureIds::kInstallableOptions: return "installable options";
    case GFeatureIds::kDriverPreferences: return "driver preferences";
    case GFeatureIds::kExtensionRegistryGroup: return "extension registry";
    case GFeatureIds::kWatermarkPool: return "watermarks";
    default: return nullptr;
  }
}

// Reads the stream record by record; every read is checked against the
// record that holds it. The stream says nothing of its id width, so the
// reader is tried with 16-bit ids and versions first, then 32-bit.
class CompactDump {
 public:
  CompactDump(const uint8_t* data, size_t size, bool wide) : data_(data), size_(size), wide_(wide) {}

  bool Run() {
    if (size_ < 21) return false;
    for (size_t i = 0; i < 20; ++i)
      if (data_[i] != 0x73) return false;
    at_ = 20;
    uint8_t tag = 0;
    if (!U8(&tag) || !IsGroup(tag)) return false;
    return Group(tag, 0, size_) && at_ == size_;
  }
  const std::string& Text() const { return out_; }

 private:
  static bool IsGroup(uint8_t tag) { return tag == 1 || tag == 2 || tag == 9; }

  bool U8(uint8_t* v) {
    if (at_ >= size_) return false;
    *v = data_[at_++];
    return true;
  }
  bool Uint(uint32_t* v, int width) {
    if (size_ - at_ < static_cast<size_t>(width)) return false;
    *v = 0;
    for (int i = 0; i < width; ++i) *v |= static_cast<uint32_t>(data_[at_ + i]) << (8 * i);
    at_ += static_cast<size_t>(width);
    return true;
  }
  bool I16(int32_t* v) {
    uint32_t u = 0;
    if (!Uint(&u, 2)) return false;
    *v = static_cast<int16_t>(u);
    return true;
  }
  bool Id(int32_t* id) {
    uint32_t u = 0;
    if (!Uint(&u, wide_ ? 4 : 2)) return false;
    *id = static_cast<int32_t>(u);
    return true;
  }
  bool Version() {
    uint32_t v = 0;
    return Uint(&v, wide_ ? 4 : 2) && v == 1;
  }
  bool Text(std::string* text, size_t end) {
    uint32_t n = 0;
    if (!Uint(&n, 4) || n > end - at_) return false;
    text->assign(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return true;
  }

  void Line(int depth, const std::string& text) {
    out_ += std::string(2 * static_cast<size_t>(depth) + 4, ' ');
    out_ += text;
    out_ += '\n';
  }
  static std::string Named(int32_t id) {
    std::string s = std::to_string(id);
    if (const char* name = SettingName(id)) s += std::string(" (") + name + ")";
    return s;
  }

  // A group record: tag, version, id, 16-bit length, children, end byte.
  bool Group(uint8_t tag, int depth, size_t parentEnd) {
    if (depth > 64) return false;
    int32_t id = 0;
    uint32_t length = 0;
    if (!Version() || !Id(&id)) return false;
    const size_t lengthAt = at_;
    if (!Uint(&length, 2) || length < 3) return false;
    const size_t end = lengthAt + length - 1;
    if (end > parentEnd) return false;
    Line(depth, std::string(tag == 1 ? "group " : tag == 2 ? "state " : "choice ") + Named(id));
    for (;;) {
      uint8_t child = 0;
      if (!U8(&child) || at_ > end) return false;
      if (child == 0) break;
      if (IsGroup(child)) {
        if (!Group(child, depth + 1, end)) return false;
      } else if (!Leaf(child, depth + 1, end)) {
        return false;
      }
    }
    return at_ == end;
  }

  bool Leaf(uint8_t tag, int depth, size_t end) {
    int32_t id = 0;
    if (tag >= 110 && tag <= 130) {
      if (!Id(&id)) return false;
      Line(depth, Named(id) + " = " + std::to_string(tag - 110));
      return at_ < end;
    }
    switch (tag) {
      case 3: {
        int32_t value = 0;
        if (!Id(&id) || !I16(&value)) return false;
        Line(depth, Named(id) + " = " + std::to_string(value));
        return at_ < end;
      }
      case 7: {
        uint32_t count = 0;
        if (!Id(&id) || !Uint(&count, 2) || count > end - at_) return false;
        std::string text(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        text = text.substr(0, strnlen(text.c_str(), text.size()));
        Line(depth, Named(id) + " = \"" + text + "\"");
        return at_ < end;
      }
      case 4:
      case 19:
      case 20: {
        const size_t codes = tag == 4 ? 6 : tag == 19 ? 8 : 10;
        if (!Version() || !Id(&id) || end - at_ < codes) return false;
        std::string text = Named(id) + " = colour codes";
        for (size_t i = 0; i < codes; ++i) text += " " + std::to_string(data_[at_ + i]);
        at_ += codes;
        Line(depth, text);
        return at_ < end;
      }
      case 5: {
        int32_t max = 0, min = 0, step = 0, value = 0;
        if (!Version() || !Id(&id) || !I16(&max) || !I16(&min) || !I16(&step) || !I16(&value)) return false;
        Line(depth, Named(id) + " = " + std::to_string(value) + " (" + std::to_string(min) + " to " +
                        std::to_string(max) + " by " + std::to_string(step) + ")");
        return at_ < end;
      }
      case 6: {
        std::string text, module;
        int32_t resource = 0;
        if (!Version() || !Id(&id) || !Text(&text, end) || !I16(&resource) || !Text(&module, end)) return false;
        Line(depth, Named(id) + " = \"" + text + "\" (string " + std::to_string(resource) + ")");
        return at_ < end;
      }
      case 11: {
        uint32_t paper = 0;
        std::string name;
        int32_t unit = 0;
        uint32_t width = 0, height = 0;
        if (!Version() || !Id(&id) || !Uint(&paper, 2) || !Text(&name, end) || !I16(&unit) || !Uint(&width, 4) ||
            !Uint(&height, 4))
          return false;
        Line(depth, Named(id) + " = custom size " + std::to_string(paper) + " \"" + name + "\" " +
                        std::to_string(width) + " x " + std::to_string(height) + " (unit " + std::to_string(unit) +
                        ")");
        return at_ < end;
      }
      default:
        // Tray tables, font lists and mappings are not shown: the rest of
        // the group is skipped by its length.
        Line(depth, "(record " + std::to_string(tag) + " and the rest of this group not shown)");
        at_ = end - 1;
        return true;
    }
  }

  const uint8_t* data_;
  size_t size_;
  bool wide_;
  size_t at_ = 0;
  std::string out_;
};

// A stored object graph of settings, restored with the model's classes and
// shown one object a line. Restoring outside input fails cleanly on damage.
bool PrintGraph(const std::vector<uint8_t>& plain, std::string* text) {
  static const bool registered = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    return true;
  }();
  (void)registered;
  GPersistInStream holder(plain.data(), plain.size(), 1);
  RWVirtualInStream* stream = holder.GetStream();
  if (stream == nullptr || !stream->Good()) return false;
  MPersistentObject* root = nullptr;
  MPersistentObject::ReadPersistentObject(*stream, root);
  if (root == nullptr) return false;
  std::function<void(MPersistentObject*, int)> walk = [&](MPersistentObject* object, int depth) {
    std::string line(2 * static_cast<size_t>(depth) + 4, ' ');
    const int32_t id = object->FeatureId();
    line += std::to_string(id);
    if (const char* name = SettingName(id)) line += std::string(" (") + name + ")";
    if (auto* v = dynamic_cast<GValueAttribute*>(object)) {
      line += " = " + std::to_string(v->GetValue());
    } else if (auto* v32 = dynamic_cast<GValue32Attribute*>(object)) {
      line += " = " + std::to_string(v32->GetValue());
    } else if (auto* r = dynamic_cast<GRangeAttribute*>(object)) {
      line += " = " + std::to_string(r->GetValue()) + " (" + std::to_string(r->GetMin()) + " to " +
              std::to_string(r->GetMax()) + ")";
    } else if (auto* str = dynamic_cast<GStringAttribute*>(object)) {
      line += " = \"" + std::string(str->GetString().Data(), str->GetString().Length()) + "\"";
    }
    *text += line + "\n";
    if (depth >= 32) return;
    std::unique_ptr<MPersistentIterator> children(object->CreateIterator());
    while (children && children->Advance())
      if (MPersistentObject* child = children->Current()) walk(child, depth + 1);
  };
  walk(root, 0);
  delete root;
  return true;
}

}  // namespace

bool DevModeView::Check(const std::vector<uint8_t>& bytes, std::string* why) {
  if (bytes.size() < kHeadSize) {
    *why = "it holds " + std::to_string(bytes.size()) + " bytes, fewer than the " + std::to_string(kHeadSize) +
           " of a DEVMODE's fixed head";
    return false;
  }
  const size_t size = Get(bytes, 68, 2), extra = Get(bytes, 70, 2);
  if (size < kHeadSize) {
    *why = "its dmSize is " + std::to_string(size) + ", less than a DEVMODE's fixed head";
    return false;
  }
  if (size + extra > bytes.size()) {
    *why = "it announces " + std::to_string(size + extra) + " bytes (dmSize + dmDriverExtra) but holds " +
           std::to_string(bytes.size());
    return false;
  }
  return true;
}

size_t DevModeView::Extent() const {
  const size_t extent = Get(bytes_, 68, 2) + Get(bytes_, 70, 2);
  return extent < bytes_.size() ? extent : bytes_.size();
}

bool DevModeView::Set(const std::string& assignment, std::string* why) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) {
    *why = "\"" + assignment + "\" is not FIELD=VALUE";
    return false;
  }
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  const Field* f = FindField(name);
  if (f == nullptr) {
    *why = "unknown DEVMODE field \"" + name + "\" (settable: " + SettableFields() + ")";
    return false;
  }
  if (bytes_.size() < f->offset + FieldBytes(*f) || Get(bytes_, 68, 2) < f->offset + FieldBytes(*f)) {
    *why = std::string("this DEVMODE is too short to hold ") + f->name;
    return false;
  }
  if (f->kind == kText) {
    const std::u16string text = FromUtf8(value);
    if (text.size() >= kFormNameChars) {
      *why = std::string(f->name) + " holds at most 31 characters";
      return false;
    }
    for (size_t i = 0; i < kFormNameChars; ++i) Put(bytes_, f->offset + 2 * i, 2, i < text.size() ? text[i] : 0);
  } else {
    long number = 0;
    bool found = false;
    for (const Symbol* s = f->symbols; s != nullptr && s->name != nullptr; ++s)
      if (Lower(value) == s->name) {
        number = s->value;
        found = true;
      }
    if (!found && !ParseNumber(value, &number)) {
      *why = "\"" + value + "\" is no value for " + f->name;
      return false;
    }
    const bool fits = f->kind == kShort ? (number >= -32768 && number <= 32767) : (number >= 0 && number <= 0xFFFFFFFFL);
    if (!fits) {
      *why = "\"" + value + "\" is out of range for " + f->name;
      return false;
    }
    Put(bytes_, f->offset, f->kind == kShort ? 2 : 4, static_cast<uint32_t>(number));
  }
  Put(bytes_, 72, 4, Get(bytes_, 72, 4) | f->bit);
  return true;
}

std::string DevModeView::SettableFields() {
  std::string names;
  for (const Field& f : kFields) {
    if (!names.empty()) names += ", ";
    names += f.name;
  }
  return names;
}

void DevModeView::Print(std::ostream& out, std::string (*formName)(int paper)) const {
  const size_t size = Get(bytes_, 68, 2);
  const uint32_t fields = Get(bytes_, 72, 4);
  auto row = [&out](const std::string& name, const std::string& value) {
    out << "  " << std::left << std::setw(18) << name << value << "\n";
  };
  out << "Public part (" << size << " bytes)\n";
  row("dmDeviceName", WideField(bytes_, 0, kDeviceNameChars));
  row("dmSpecVersion", Hex(Get(bytes_, 64, 2), 4));
  row("dmDriverVersion", std::to_string(Get(bytes_, 66, 2)));
  row("dmSize", std::to_string(size));
  row("dmDriverExtra", std::to_string(Get(bytes_, 70, 2)));
  row("dmFields", Hex(fields, 8));
  for (const Field& f : kFields) {
    if (f.offset + FieldBytes(f) > size || f.offset + FieldBytes(f) > bytes_.size()) continue;
    std::string value;
    if (f.kind == kText) {
      value = "\"" + WideField(bytes_, f.offset, kFormNameChars) + "\"";
    } else {
      const int number = f.kind == kShort ? static_cast<int16_t>(Get(bytes_, f.offset, 2))
                                          : static_cast<int>(Get(bytes_, f.offset, 4));
      value = std::to_string(number);
      std::string name;
      if (const char* symbol = SymbolName(f.symbols, number)) name = symbol;
      if (f.offset == 78 && formName != nullptr) name = formName(number);
      if (!name.empty()) value += " (" + name + ")";
    }
    if ((fields & f.bit) == 0) value += "  [not in dmFields]";
    row(f.name, value);
  }
  PrintPrivate(out);
}

void DevModeView::PrintPrivate(std::ostream& out) const {
  const size_t size = Get(bytes_, 68, 2), extra = Get(bytes_, 70, 2);
  if (extra == 0) {
    out << "No private part\n";
    return;
  }
  // This driver's private part: a 46-byte header, then the settings area.
  if (size != kPublicSize || extra < 46 || Extent() < kPublicSize + 46) {
    out << "Private part (" << extra << " bytes) not this driver's\n";
    return;
  }
  auto row = [&out](const std::string& name, const std::string& value) {
    out << "  " << std::left << std::setw(18) << name << value << "\n";
  };
  std::string tag;
  for (size_t i = 224; i < 256 && bytes_[i] != 0; ++i) tag += static_cast<char>(bytes_[i]);
  const size_t length = Get(bytes_, 266, 2), capacity = Get(bytes_, 268, 2);
  out << "Private part (" << extra << " bytes)\n";
  row("private size", std::to_string(Get(bytes_, 220, 2)));
  row("header size", std::to_string(Get(bytes_, 222, 2)));
  row("driver", "\"" + tag + "\"");
  row("job value", Hex(Get(bytes_, 256, 4), 8));
  row("time bias", std::to_string(static_cast<int16_t>(Get(bytes_, 260, 2))) + " min");
  row("format", std::to_string(Get(bytes_, 262, 2)));
  row("version", std::to_string(Get(bytes_, 264, 2)));
  row("settings", std::to_string(length) + " of " + std::to_string(capacity) + " bytes");
  if (length == 0) return;
  if (length > capacity || 270 + length > Extent()) {
    out << "Document settings: the length runs past the settings area\n";
    return;
  }
  // The stream is kept zlib-packed; unpacked it is at most 16000 bytes.
  std::vector<uint8_t> plain(16000);
  z_stream z{};
  z.next_in = const_cast<Bytef*>(bytes_.data() + 270);
  z.avail_in = static_cast<uInt>(length);
  z.next_out = plain.data();
  z.avail_out = static_cast<uInt>(plain.size());
  int inflated = Z_DATA_ERROR;
  if (inflateInit(&z) == Z_OK) {
    inflated = inflate(&z, Z_FINISH);
    inflateEnd(&z);
  }
  if (inflated != Z_STREAM_END) {
    out << "Document settings: the settings area is no complete zlib stream\n";
    return;
  }
  plain.resize(z.total_out);
  const bool compact = plain.size() > 20 && std::all_of(plain.begin(), plain.begin() + 20, [](uint8_t b) {
    return b == 0x73;
  });
  if (!compact) {
    std::string text;
    if (PrintGraph(plain, &text))
      out << "Document settings\n" << text;
    else
      out << "Document settings: a stored object graph of " << plain.size() << " bytes that could not be read\n";
    return;
  }
  for (bool wide : {false, true}) {
    CompactDump dump(plain.data(), plain.size(), wide);
    if (dump.Run()) {
      out << "Document settings\n" << dump.Text();
      return;
    }
  }
  out << "Document settings: the stream could not be read\n";
}
