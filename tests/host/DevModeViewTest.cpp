// The host's view of a DEVMODE: the private area's settings written by the
// driver's own writers (the compact codec and the framed graph), packed with
// stock zlib, read back line by line; the checks on DEVMODEs from files; the
// field changes.
#include "host/DevModeView.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "driver/GCompactSettingsCodec.h"
#include "model/GAttributeComposite.h"
#include "model/GPersistOutStream.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, unsigned v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A document settings tree: copies 3, orientation 90, a job name and a range.
GAttributeComposite* SampleSettings() {
  const int32_t root = 360, copies = 291, orientation = 265, name = 500, scale = 269;
  auto* settings = new GAttributeComposite(&root);
  settings->AddChild(new GValueAttribute(3, &copies));
  settings->AddChild(new GValueAttribute(90, &orientation));
  settings->AddChild(new GStringAttribute("Minutes", &name));
  settings->AddChild(new GRangeAttribute(25, 400, 1, 150, &scale));
  return settings;
}

// The stream a settings writer made, zlib-packed into a full-size DEVMODE
// the way the driver lays it out.
std::vector<uint8_t> DevModeWith(const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> dm(1172, 0);
  Put16(dm, 68, 220);
  Put16(dm, 70, 952);
  Put16(dm, 220, 1172);
  Put16(dm, 222, 46);
  Put16(dm, 262, 4);
  Put16(dm, 264, 50);
  Put16(dm, 268, 902);
  uLongf packed = 902;
  EXPECT_EQ(compress(dm.data() + 270, &packed, stream.data(), stream.size()), Z_OK);
  Put16(dm, 266, static_cast<unsigned>(packed));
  return dm;
}

std::string Shown(const std::vector<uint8_t>& dm) {
  std::ostringstream out;
  DevModeView(dm).Print(out, nullptr);
  return out.str();
}

std::vector<uint8_t> Written(GPersistOutStream& holder, const std::vector<uint8_t>& buffer) {
  holder.GetStream()->Flush();
  return std::vector<uint8_t>(buffer.begin(), buffer.begin() + holder.Tell());
}

TEST(DevModeView, ShowsTheCompactSettingsStream) {
  std::unique_ptr<GAttributeComposite> settings(SampleSettings());
  std::vector<uint8_t> buffer(4096);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  GCompactSettingsCodec codec;
  ASSERT_EQ(codec.Encode(settings.get(), holder.GetStream(), &holder, 0), 1);
  const std::string text = Shown(DevModeWith(Written(holder, buffer)));
  EXPECT_NE(text.find("Document settings\n"
                      "    group 360 (document settings)\n"
                      "      291 (copies) = 3\n"
                      "      265 (orientation) = 90\n"
                      "      500 = \"Minutes\"\n"
                      "      269 (scale) = 150 (25 to 400 by 1)\n"),
            std::string::npos)
      << text;
}

TEST(DevModeView, ShowsAStoredGraphOfSettings) {
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  std::unique_ptr<GAttributeComposite> settings(SampleSettings());
  std::vector<uint8_t> buffer(4096);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  RWWriteObjectPointer(*holder.GetStream(), settings.get());
  const std::string text = Shown(DevModeWith(Written(holder, buffer)));
  EXPECT_NE(text.find("Document settings\n"
                      "    360 (document settings)\n"
                      "      291 (copies) = 3\n"
                      "      265 (orientation) = 90\n"
                      "      500 = \"Minutes\"\n"
                      "      269 (scale) = 150 (25 to 400)\n"),
            std::string::npos)
      << text;
}

TEST(DevModeView, DamagedSettingsAreReportedNotRead) {
  std::unique_ptr<GAttributeComposite> settings(SampleSettings());
  std::vector<uint8_t> buffer(4096);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  GCompactSettingsCodec codec;
  ASSERT_EQ(codec.Encode(settings.get(), holder.GetStream(), &holder, 0), 1);
  const std::vector<uint8_t> stream = Written(holder, buffer);

  struct Case {
    const char* name;
    std::vector<uint8_t> dm;
    const char* message;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> dm = DevModeWith(stream);
  Put16(dm, 266, 903);
  cases.push_back({"longer than its room", dm, "the length runs past the settings area"});
  dm = DevModeWith(stream);
  dm[275] ^= 0xFF;
  cases.push_back({"packed bytes changed", dm, "Document settings: "});
  dm = DevModeWith(stream);
  Put16(dm, 266, 10);
  cases.push_back({"cut short", dm, "no complete zlib stream"});
  for (size_t cut : {size_t{21}, size_t{30}, stream.size() - 1}) {
    std::vector<uint8_t> shorter(stream.begin(), stream.begin() + static_cast<long>(cut));
    cases.push_back({"stream cut", DevModeWith(shorter), "could not be read"});
  }
  std::vector<uint8_t> lying = stream;
  lying[20 + 5] = 0xFF;  // the root group's length
  lying[20 + 6] = 0xFF;
  cases.push_back({"group longer than the stream", DevModeWith(lying), "could not be read"});
  for (const Case& c : cases) {
    const std::string text = Shown(c.dm);
    EXPECT_NE(text.find(c.message), std::string::npos) << c.name << "\n" << text;
    EXPECT_EQ(text.find("291 (copies)"), std::string::npos) << c.name;
  }
}

TEST(DevModeView, ChecksWhatAFileHolds) {
  struct Case {
    size_t size;
    unsigned dmSize;
    unsigned extra;
    bool ok;
  };
  for (const Case& c : std::vector<Case>{{1172, 220, 952, true},
                                         {220, 220, 0, true},
                                         {156, 156, 0, true},
                                         {75, 220, 0, false},
                                         {220, 220, 952, false},
                                         {1171, 220, 952, false},
                                         {100, 70, 0, false}}) {
    std::vector<uint8_t> dm(c.size, 0);
    if (c.size >= 72) {
      Put16(dm, 68, c.dmSize);
      Put16(dm, 70, c.extra);
    }
    std::string why;
    EXPECT_EQ(DevModeView::Check(dm, &why), c.ok) << c.size << " " << c.dmSize << " " << c.extra;
    EXPECT_EQ(why.empty(), c.ok) << why;
  }
}

TEST(DevModeView, SetsFieldsAndTheirBits) {
  std::vector<uint8_t> dm(220, 0);
  Put16(dm, 68, 220);
  DevModeView view(dm);
  std::string why;
  for (const char* ok : {"dmCopies=3", "ORIENTATION=landscape", "dmPaperSize=0x9", "duplex=vertical",
                         "dmPrintQuality=-4", "dmFormName=A4 \xc3\xa9", "dmMediaType=glossy"})
    EXPECT_TRUE(view.Set(ok, &why)) << ok << ": " << why;
  const auto& b = view.Bytes();
  EXPECT_EQ(b[86], 3);
  EXPECT_EQ(b[76], 2);
  EXPECT_EQ(b[78], 9);
  EXPECT_EQ(b[94], 2);
  EXPECT_EQ(static_cast<int16_t>(b[90] | (b[91] << 8)), -4);
  EXPECT_EQ(b[102], 'A');
  EXPECT_EQ(b[108], 0xE9);  // U+00E9 in UTF-16
  EXPECT_EQ(b[196], 3);
  const uint32_t fields = b[72] | (b[73] << 8) | (b[74] << 16) | (static_cast<uint32_t>(b[75]) << 24);
  EXPECT_EQ(fields, 0x00000100u | 0x1u | 0x2u | 0x1000u | 0x400u | 0x10000u | 0x2000000u);

  struct Bad {
    const char* text;
    const char* message;
  };
  for (const Bad& bad : std::vector<Bad>{{"dmCopies", "not FIELD=VALUE"},
                                         {"=3", "not FIELD=VALUE"},
                                         {"dmNothing=1", "unknown DEVMODE field"},
                                         {"dmCopies=40000", "out of range"},
                                         {"dmCopies=3x", "no value"},
                                         {"dmCopies=", "no value"},
                                         {"dmMediaType=-1", "out of range"},
                                         {"dmFormName=abcdefghijklmnopqrstuvwxyz0123456", "at most 31"}}) {
    std::vector<uint8_t> before = view.Bytes();
    EXPECT_FALSE(view.Set(bad.text, &why)) << bad.text;
    EXPECT_NE(why.find(bad.message), std::string::npos) << bad.text << ": " << why;
    EXPECT_EQ(view.Bytes(), before) << bad.text;
  }
  // A DEVMODE whose dmSize ends before the field cannot take it.
  std::vector<uint8_t> small(156, 0);
  Put16(small, 68, 156);
  DevModeView smallView(small);
  EXPECT_FALSE(smallView.Set("dmICMMethod=2", &why));
  EXPECT_TRUE(smallView.Set("dmCopies=2", &why)) << why;
}

TEST(DevModeView, ShowsFieldsWithinDmSizeOnly) {
  std::vector<uint8_t> dm(156, 0);
  Put16(dm, 68, 156);
  dm[0] = 'P';
  dm[72] = 1;  // orientation
  dm[76] = 2;
  const std::string text = Shown(dm);
  EXPECT_NE(text.find("Public part (156 bytes)"), std::string::npos) << text;
  EXPECT_NE(text.find("  dmDeviceName      P\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  dmOrientation     2 (landscape)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  dmCopies          0  [not in dmFields]\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("dmFormName"), std::string::npos) << "the form name lies beyond dmSize";
  EXPECT_NE(text.find("No private part"), std::string::npos);
}

}  // namespace
