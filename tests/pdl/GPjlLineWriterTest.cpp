// The PJL line writer: the bytes of each line format, and what it does with
// a text that could end its quotes or its line, or that is too long.
#include "pdl/GPjlLineWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/PythonJudge.h"
#include "w32test/Testing.h"

namespace {

RWCString Text(const std::string& bytes) { return RWCString(bytes.data(), bytes.size()); }
std::string Bytes(const RWCString& text) { return std::string(text.Data(), text.Length()); }

const std::string k100(100, 'x');
const std::string kPjlLineWriter80(80, 'x');

struct LineCase {
  const char* name;
  std::function<void(GPjlLineWriter&)> write;
  std::string bytes;
};

class GPjlLineWriterFormatTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(GPjlLineWriterFormatTest, WritesItsBytes) {
  RWCString text("before|");
  GPjlLineWriter out(text);
  GetParam().write(out);
  EXPECT_EQ(Bytes(text), "before|" + GetParam().bytes) << "lines are appended to what is there";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GPjlLineWriterFormatTest,
    ::testing::Values(
        LineCase{"Uel", [](GPjlLineWriter& out) { out.AppendUel(); }, "\x1b%-12345X"},
        LineCase{"JobLine", [](GPjlLineWriter& out) { out.AppendJobLine("Memo"); }, "@PJL JOB NAME=\"Memo\"\r\n"},
        LineCase{"JobLineOfAnUnquotableName", [](GPjlLineWriter& out) { out.AppendJobLine("a\"b"); },
                 "@PJL JOB NAME=\"\"\r\n"},
        LineCase{"EojLine", [](GPjlLineWriter& out) { out.AppendEojLine("Memo"); }, "@PJL EOJ NAME=\"Memo\"\r\n"},
        LineCase{"EojLineOfALongName", [](GPjlLineWriter& out) { out.AppendEojLine(Text(k100)); },
                 "@PJL EOJ NAME=\"" + kPjlLineWriter80 + "\"\r\n"},
        LineCase{"SetLine", [](GPjlLineWriter& out) { out.AppendSetLine("QTY=2"); }, "@PJL SET QTY=2\r\n"},
        LineCase{"SetWord", [](GPjlLineWriter& out) { out.AppendSetWord("PROCESSINGTYPE=", "NONE"); },
                 "@PJL SET PROCESSINGTYPE=\"NONE\"\r\n"},
        LineCase{"SetQuoted", [](GPjlLineWriter& out) { out.AppendSetQuoted("USERNAME=", "ada"); },
                 "@PJL SET USERNAME=\"ada\"\r\n"},
        LineCase{"SetQuotedThatWouldEndItsLine",
                 [](GPjlLineWriter& out) { out.AppendSetQuoted("JOBNAME=", "x\"\r\n@PJL SET COPIES=9"); },
                 "@PJL SET JOBNAME=\"\"\r\n"},
        LineCase{"SetQuotedCut", [](GPjlLineWriter& out) { out.AppendSetQuoted("HOLDKEY=", Text(k100)); },
                 "@PJL SET HOLDKEY=\"" + kPjlLineWriter80 + "\"\r\n"},
        LineCase{"Comment", [](GPjlLineWriter& out) { out.AppendQuotedLine("@PJL COMMENT ", "tab\there"); },
                 "@PJL COMMENT \"tab\there\"\r\n"},
        LineCase{"CommentWithAnEscape", [](GPjlLineWriter& out) { out.AppendQuotedLine("@PJL COMMENT ", "a\x1b" "E"); },
                 "@PJL COMMENT \"\"\r\n"},
        LineCase{"JobAttribute", [](GPjlLineWriter& out) { out.AppendJobAttribute("JobAcct1=", "ada"); },
                 "@PJL SET JOBATTR=\"JobAcct1=ada\"\r\n"},
        LineCase{"JobAttributeThatWouldEndItsLine",
                 [](GPjlLineWriter& out) { out.AppendJobAttribute("JobAcct2=", "a\r\nb"); },
                 "@PJL SET JOBATTR=\"JobAcct2=\"\r\n"},
        LineCase{"JobAttributeCutAfterItsKey",
                 [](GPjlLineWriter& out) { out.AppendJobAttribute("JobAcct3=", Text(k100)); },
                 "@PJL SET JOBATTR=\"JobAcct3=" + kPjlLineWriter80 + "\"\r\n"},
        LineCase{"PrintableLine", [](GPjlLineWriter& out) { out.AppendPrintableLine("@PJL SET HOLD=OFF"); },
                 "@PJL SET HOLD=OFF\r\n"},
        LineCase{"PrintableLineWithDel", [](GPjlLineWriter& out) { out.AppendPrintableLine("@PJL SET A=1\x7f"); }, ""},
        LineCase{"PrintableLineWithAQuote", [](GPjlLineWriter& out) { out.AppendPrintableLine("@PJL A=\"1"); }, ""},
        LineCase{"PrintableLineWithALineBreak",
                 [](GPjlLineWriter& out) { out.AppendPrintableLine("@PJL SET A=1\n@PJL SET B=2"); }, ""},
        LineCase{"Language", [](GPjlLineWriter& out) { out.AppendEnterLanguage("PCLXL"); },
                 "@PJL ENTER LANGUAGE=PCLXL\r\n"},
        LineCase{"LanguageOfTwoWords", [](GPjlLineWriter& out) { out.AppendEnterLanguage("PCL XL"); }, ""},
        LineCase{"LanguageWithAnEqualsSign", [](GPjlLineWriter& out) { out.AppendEnterLanguage("A=B"); }, ""},
        LineCase{"NoLanguage", [](GPjlLineWriter& out) { out.AppendEnterLanguage(""); }, ""}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(GPjlLineWriterTest, QuotedValuesAreCutToTheirBound) {
  EXPECT_EQ(Bytes(GPjlLineWriter::QuotedValue(Text(kPjlLineWriter80))), kPjlLineWriter80);
  EXPECT_EQ(Bytes(GPjlLineWriter::QuotedValue(Text(kPjlLineWriter80 + "y"))), kPjlLineWriter80);
  EXPECT_EQ(Bytes(GPjlLineWriter::QuotedValue(Text(k100 + "\""))), "") << "a long text with a quote is left out";
  EXPECT_EQ(Bytes(GPjlLineWriter::QuotedValue(Text("caf\xe9"))), "caf\xe9") << "bytes from 128 stay";
}

TEST(GPjlLineWriterTest, HexDigitsAreTheLowSevenBitsWithoutLeadingZeros) {
  EXPECT_EQ(Bytes(GPjlLineWriter::HexDigits("2026")), "32303236");
  EXPECT_EQ(Bytes(GPjlLineWriter::HexDigits("\xb2")), "32");
  EXPECT_EQ(Bytes(GPjlLineWriter::HexDigits(Text(std::string("\x01\x0f", 2)))), "1f");
  EXPECT_EQ(Bytes(GPjlLineWriter::HexDigits("")), "");
}

TEST(GPjlLineWriterTest, Utf8NamesAreCutTo16Characters) {
  w32test::Reset();
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8("ada")), "ada");
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8("\xe9")), "\xc3\xa9");
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8("\xe9" "abcdefghijklmnopqrst")), "\xc3\xa9" "abcdefghijklmno");
}

// A name is read in the ANSI code page: every byte from 0x80 to 0x9F of
// code page 1252 (the euro sign at 0x80, the curly quotes, the dashes)
// comes out as Python's cp1252 codec reads it, and the bytes that code
// page leaves undefined as U+FFFD, as the platform's conversion gives them.
TEST(GPjlLineWriterTest, Utf8NamesAreReadInCodePage1252) {
  w32test::Reset();
  std::string script;
  for (int b = 0x80; b < 0xA0; ++b)
    script += "print(bytes([" + std::to_string(b) + "]).decode('cp1252','replace').encode('utf-8').hex())\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  const std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), 32u);
  for (int b = 0x80; b < 0xA0; ++b) {
    EXPECT_EQ(qvtest::Hex(Bytes(GPjlLineWriter::ToUtf8(Text(std::string(1, static_cast<char>(b)))))),
              lines[static_cast<size_t>(b - 0x80)])
        << "byte " << b;
  }
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8("\x80 5")), "\xe2\x82\xac 5");
}

// Another ANSI code page reads the same bytes as its own characters, and
// the cut counts characters, not bytes.
TEST(GPjlLineWriterTest, Utf8NamesFollowTheAnsiCodePage) {
  w32test::Reset();
  w32test::SetAnsiCodePage(1251);
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8("\xcf\xf0")), "\xd0\x9f\xd1\x80");
  w32test::SetAnsiCodePage(932);
  std::string kana;
  for (int i = 0; i < 20; ++i) kana += "\x82\xa0";  // U+3042, two bytes each
  std::string expected;
  for (int i = 0; i < 16; ++i) expected += "\xe3\x81\x82";
  EXPECT_EQ(Bytes(GPjlLineWriter::ToUtf8(Text(kana))), expected);
  w32test::Reset();
}

}  // namespace
