// Behaviour shared by the three kinds of virtual stream: every typed put is
// read back by its get, and damaged or short input leaves a failed stream
// without reading outside the bytes given.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"
#include "support/ErrorCapture.h"

namespace {

enum class VirtualStreamKind { Portable, Binary, EndianLittle, EndianBig, EndianHost };

const char* VirtualStreamKindName(VirtualStreamKind kind) {
  switch (kind) {
    case VirtualStreamKind::Portable: return "Portable";
    case VirtualStreamKind::Binary: return "Binary";
    case VirtualStreamKind::EndianLittle: return "EndianLittle";
    case VirtualStreamKind::EndianBig: return "EndianBig";
    case VirtualStreamKind::EndianHost: return "EndianHost";
  }
  return "?";
}

std::unique_ptr<RWVirtualOutStream> MakeOut(VirtualStreamKind kind, std::streambuf* buffer) {
  switch (kind) {
    case VirtualStreamKind::Portable: return std::make_unique<RWPortableOutStream>(buffer);
    case VirtualStreamKind::Binary: return std::make_unique<RWBinaryOutStream>(buffer);
    case VirtualStreamKind::EndianLittle: return std::make_unique<RWEndianOutStream>(buffer, 0);
    case VirtualStreamKind::EndianBig: return std::make_unique<RWEndianOutStream>(buffer, 1);
    case VirtualStreamKind::EndianHost: return std::make_unique<RWEndianOutStream>(buffer, 2);
  }
  return nullptr;
}

std::unique_ptr<RWVirtualInStream> VirtualStreamMakeIn(VirtualStreamKind kind, std::streambuf* buffer) {
  switch (kind) {
    case VirtualStreamKind::Portable: return std::make_unique<RWPortableInStream>(buffer);
    case VirtualStreamKind::Binary: return std::make_unique<RWBinaryInStream>(buffer);
    default: return std::make_unique<RWEndianInStream>(buffer);
  }
}

// One typed value (or array) written and read back with its counterpart.
struct Op {
  std::string name;
  std::function<void(RWVirtualOutStream&)> put;
  // Reads the value back and answers whether it is the one put.
  std::function<bool(RWVirtualInStream&)> getMatches;
};

template <typename T>
Op Scalar(std::string name, RWVirtualOutStream& (RWVirtualOutStream::*put)(T),
          RWVirtualInStream& (RWVirtualInStream::*get)(T&), T value) {
  return {name, [=](RWVirtualOutStream& out) { (out.*put)(value); },
          [=](RWVirtualInStream& in) {
            T read{};
            (in.*get)(read);
            return read == value;
          }};
}

template <typename T>
Op Array(std::string name, RWVirtualOutStream& (RWVirtualOutStream::*put)(const T*, unsigned),
         RWVirtualInStream& (RWVirtualInStream::*get)(T*, unsigned), std::vector<T> values) {
  return {name, [=](RWVirtualOutStream& out) { (out.*put)(values.data(), static_cast<unsigned>(values.size())); },
          [=](RWVirtualInStream& in) {
            std::vector<T> read(values.size() + 1, T{});
            (in.*get)(read.data(), static_cast<unsigned>(values.size()));
            const bool untouchedAfter = read.back() == T{};
            read.pop_back();
            return read == values && untouchedAfter;
          }};
}

Op String(std::string text) {
  return {"PutString/GetString " + std::to_string(text.size()),
          [=](RWVirtualOutStream& out) { out.PutString(text.data(), static_cast<unsigned>(text.size())); },
          [=](RWVirtualInStream& in) {
            std::vector<char> buffer(text.size() + 1, 'X');
            in.GetString(buffer.data(), static_cast<unsigned>(buffer.size()));
            return std::string(buffer.data(), text.size()) == text && buffer[text.size()] == '\0';
          }};
}

Op CString(std::string text) {
  return {"PutCString/GetString",
          [=](RWVirtualOutStream& out) { out.PutCString(text.c_str()); },
          [=](RWVirtualInStream& in) {
            char buffer[128];
            in.GetString(buffer, sizeof buffer);
            return text == buffer;
          }};
}

std::vector<Op> AllOps() {
  using O = RWVirtualOutStream;
  using I = RWVirtualInStream;
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte.push_back(static_cast<char>(c));
  return {
      Scalar<uint16_t>("UShort max", &O::PutUShort, &I::GetUShort, 0xFFFF),
      Scalar<uint16_t>("UShort", &O::PutUShort, &I::GetUShort, 0x1234),
      Scalar<int16_t>("Short min", &O::PutShort, &I::GetShort, -32768),
      Scalar<int16_t>("Short max", &O::PutShort, &I::GetShort, 32767),
      Scalar<uint32_t>("ULong max", &O::PutULong, &I::GetULong, 0xFFFFFFFFu),
      Scalar<int32_t>("Long min", &O::PutLong, &I::GetLong, INT32_MIN),
      Scalar<int32_t>("Long", &O::PutLong, &I::GetLong, -123456789),
      Scalar<uint32_t>("UInt", &O::PutUInt, &I::GetUInt, 0x89ABCDEFu),
      Scalar<int32_t>("Int max", &O::PutInt, &I::GetInt, INT32_MAX),
      Scalar<int32_t>("Int -1", &O::PutInt, &I::GetInt, -1),
      Scalar<float>("Float", &O::PutFloat, &I::GetFloat, 1.5f),
      Scalar<float>("Float big", &O::PutFloat, &I::GetFloat, -3.25e10f),
      Scalar<float>("Float zero", &O::PutFloat, &I::GetFloat, 0.0f),
      Scalar<double>("Double", &O::PutDouble, &I::GetDouble, 0.1),
      Scalar<double>("Double small", &O::PutDouble, &I::GetDouble, -1.25e-300),
      Scalar<double>("Double big", &O::PutDouble, &I::GetDouble, 6.02214076e23),
      Scalar<unsigned char>("UCharText brace", &O::PutUCharText, &I::GetUCharText, '{'),
      Scalar<unsigned char>("UCharText high", &O::PutUCharText, &I::GetUCharText, 0xE9),
      Scalar<unsigned char>("UCharText zero", &O::PutUCharText, &I::GetUCharText, 0),
      Scalar<char>("CharText quote", &O::PutCharText, &I::GetCharText, '"'),
      Scalar<char>("CharText backslash", &O::PutCharText, &I::GetCharText, '\\'),
      Scalar<char>("CharText space", &O::PutCharText, &I::GetCharText, ' '),
      Scalar<char>("CharText newline", &O::PutCharText, &I::GetCharText, '\n'),
      Scalar<char>("CharText close", &O::PutCharText, &I::GetCharText, '}'),
      Scalar<char>("CharText high", &O::PutCharText, &I::GetCharText, static_cast<char>(0xFF)),
      Scalar<unsigned char>("UChar", &O::PutUChar, &I::GetUChar, 0xE9),
      Scalar<char>("Char", &O::PutChar, &I::GetChar, static_cast<char>(0xE9)),
      Scalar<char>("Char x", &O::PutChar, &I::GetChar, 'x'),
      Array<double>("Doubles", &O::PutDoubles, &I::GetDoubles, {1.0, -2.5, 1e100}),
      Array<float>("Floats", &O::PutFloats, &I::GetFloats, {0.25f, -8.0f, 3.0e-5f}),
      Array<uint32_t>("ULongs", &O::PutULongs, &I::GetULongs, {0, 1, 0xFFFFFFFFu}),
      Array<int32_t>("Longs", &O::PutLongs, &I::GetLongs, {INT32_MIN, -1, INT32_MAX}),
      Array<uint32_t>("UInts", &O::PutUInts, &I::GetUInts, {7, 0x80000000u}),
      Array<int32_t>("Ints", &O::PutInts, &I::GetInts, {-7, 0, 7}),
      Array<uint16_t>("UShorts", &O::PutUShorts, &I::GetUShorts, {0x0041, 0xFFFF, 0x00E9, 0x20AC}),
      Array<int16_t>("Shorts", &O::PutShorts, &I::GetShorts, {-32768, -1, 32767}),
      Array<unsigned char>("UChars", &O::PutUChars, &I::GetUChars, {0, 0x7F, 0x80, 0xFF}),
      Array<char>("Chars", &O::PutChars, &I::GetChars, {'a', '\0', static_cast<char>(0x90), '"'}),
      Array<uint16_t>("UShorts empty", &O::PutUShorts, &I::GetUShorts, {}),
      Array<int32_t>("Ints many", &O::PutInts, &I::GetInts, std::vector<int32_t>(300, -99999)),
      String(""),
      String("hello, world"),
      String("quote \" backslash \\ braces {} tab \t newline \n"),
      String(everyByte),
      String(std::string(200, 'z')),
      CString("a C string"),
  };
}

class VirtualStreamKinds : public ::testing::TestWithParam<VirtualStreamKind> {};

TEST_P(VirtualStreamKinds, EveryPutIsReadBackByItsGet) {
  qvtest::ScopedErrorCapture capture;
  const std::vector<Op> ops = AllOps();
  std::vector<char> storage(64 * 1024);
  RWMemoryStreamBuf outBuffer(RWMemoryStreamBuf::ForWriting{}, storage.data(), storage.size());
  {
    auto out = MakeOut(GetParam(), &outBuffer);
    for (const Op& op : ops) op.put(*out);
    out->Flush();
    ASSERT_TRUE(out->Good());
  }
  // The bytes go into a block of exactly their size so a read past them is
  // caught by the address sanitizer.
  std::vector<char> written(storage.begin(), storage.begin() + static_cast<long>(outBuffer.Size()));
  RWMemoryStreamBuf inBuffer(RWMemoryStreamBuf::ForReading{}, written.data(), written.size());
  auto in = VirtualStreamMakeIn(GetParam(), &inBuffer);
  for (const Op& op : ops) {
    EXPECT_TRUE(op.getMatches(*in)) << op.name;
    ASSERT_TRUE(in->Good()) << op.name;
  }
  // Everything was consumed (the text form may leave white space).
  if (GetParam() != VirtualStreamKind::Portable) {
    EXPECT_EQ(in->Get(), -1);
    EXPECT_TRUE(in->Eof());
  }
  EXPECT_TRUE(capture.Texts().empty());
}

TEST_P(VirtualStreamKinds, EachOperationAloneRoundTrips) {
  qvtest::ScopedErrorCapture capture;
  // Each value on its own stream: nothing depends on what came before.
  for (const Op& op : AllOps()) {
    std::vector<char> storage(4096);
    RWMemoryStreamBuf outBuffer(RWMemoryStreamBuf::ForWriting{}, storage.data(), storage.size());
    auto out = MakeOut(GetParam(), &outBuffer);
    op.put(*out);
    ASSERT_TRUE(out->Good()) << op.name;
    std::vector<char> written(storage.begin(), storage.begin() + static_cast<long>(outBuffer.Size()));
    RWMemoryStreamBuf inBuffer(RWMemoryStreamBuf::ForReading{}, written.data(), written.size());
    auto in = VirtualStreamMakeIn(GetParam(), &inBuffer);
    EXPECT_TRUE(op.getMatches(*in)) << VirtualStreamKindName(GetParam()) << " " << op.name;
    EXPECT_FALSE(in->Fail()) << op.name;
    EXPECT_TRUE(capture.Texts().empty()) << op.name << ": " << (capture.Texts().empty() ? "" : capture.Texts()[0]);
    capture.Texts().clear();
  }
}

std::vector<char> WriteAll(VirtualStreamKind kind) {
  std::vector<char> storage(64 * 1024);
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForWriting{}, storage.data(), storage.size());
  auto out = MakeOut(kind, &buffer);
  for (const Op& op : AllOps()) op.put(*out);
  storage.resize(buffer.Size());
  return storage;
}

// Reads the whole sequence of values without checking them; answers the
// final stream state.
int32_t ReadAllQuietly(VirtualStreamKind kind, const std::vector<char>& bytes) {
  // A copy of exactly the bytes given, so any over-read is a sanitizer report.
  std::unique_ptr<char[]> block(new char[bytes.size() + 1]);
  std::memcpy(block.get(), bytes.data(), bytes.size());
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, block.get(), bytes.size());
  auto in = VirtualStreamMakeIn(kind, &buffer);
  char text[300];
  uint32_t u32[300];
  int32_t i32[300];
  uint16_t u16[4];
  unsigned char uchars[4];
  double d[4];
  for (int round = 0; round < 2; ++round) {
    uint16_t us;
    int16_t s;
    int32_t i;
    float f;
    char c;
    unsigned char uc;
    in->GetUShort(us).GetShort(s).GetULong(u32[0]).GetLong(i).GetUInt(u32[0]).GetInt(i);
    in->GetFloat(f).GetDouble(d[0]).GetUCharText(uc).GetCharText(c).GetUChar(uc).GetChar(c);
    in->GetDoubles(d, 3).GetULongs(u32, 3).GetUShorts(u16, 4);
    in->GetChars(text, 4).GetUChars(uchars, 4).GetInts(i32, 300);
    in->GetString(text, sizeof text);
    in->Get();
  }
  return in->ReadState();
}

TEST_P(VirtualStreamKinds, EveryShortenedStreamEndsFailed) {
  qvtest::ScopedErrorCapture capture;  // a cut tagged header raises and goes on
  const std::vector<char> whole = WriteAll(GetParam());
  const std::vector<Op> ops = AllOps();
  for (size_t length = 0; length < whole.size(); length += (length < 64 ? 1 : 37)) {
    std::vector<char> cut(whole.begin(), whole.begin() + static_cast<long>(length));
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, cut.data(), cut.size());
    auto in = VirtualStreamMakeIn(GetParam(), &buffer);
    // The values are not checked: the cut may fall inside one.
    for (const Op& op : ops) op.getMatches(*in);
    EXPECT_FALSE(in->Good()) << VirtualStreamKindName(GetParam()) << " cut at " << length;
    if (GetParam() != VirtualStreamKind::Portable) {
      EXPECT_TRUE(in->Fail()) << "cut at " << length;
    }
  }
}

TEST_P(VirtualStreamKinds, DamagedBytesNeverReadOutsideTheInput) {
  qvtest::ScopedErrorCapture capture;  // damaged headers and strings raise and go on
  const std::vector<char> whole = WriteAll(GetParam());
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<char> damaged = whole;
    const int flips = 1 + static_cast<int>(next() % 8);
    for (int k = 0; k < flips; ++k) damaged[next() % damaged.size()] = static_cast<char>(next());
    if (trial % 3 == 0) damaged.resize(next() % damaged.size());
    ReadAllQuietly(GetParam(), damaged);
  }
  // A stream that is nothing but a huge string length.
  const std::vector<char> hugeLength = {'\xFF', '\xFF', '\xFF', '\x7F', 'a', 'b'};
  EXPECT_TRUE(ReadAllQuietly(GetParam(), hugeLength) & (RW_STREAM_FAIL | RW_STREAM_EOF));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, VirtualStreamKinds,
                         ::testing::Values(VirtualStreamKind::Portable, VirtualStreamKind::Binary, VirtualStreamKind::EndianLittle, VirtualStreamKind::EndianBig,
                                           VirtualStreamKind::EndianHost),
                         [](const ::testing::TestParamInfo<VirtualStreamKind>& info) { return VirtualStreamKindName(info.param); });

TEST(VirtualStreamState, BitsAreThoseOfTheUnderlyingStream) {
  std::stringbuf bytes("");
  RWBinaryInStream in(&bytes);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(in.ReadState(), 0);
  uint32_t value = 77;
  in.GetULong(value);
  EXPECT_EQ(value, 77u);  // a failed get leaves its target
  EXPECT_EQ(in.ReadState(), RW_STREAM_EOF | RW_STREAM_FAIL);
  EXPECT_TRUE(in.Eof());
  EXPECT_TRUE(in.Fail());
  EXPECT_FALSE(in.Bad());
  in.Clear(RW_STREAM_BAD);
  EXPECT_TRUE(in.Bad());
  EXPECT_TRUE(in.Fail());
  EXPECT_FALSE(in.Eof());
  in.Clear();
  EXPECT_TRUE(in.Good());
}

TEST(VirtualStreamState, StreamsOverAStreamUseItsBufferAndStringForm) {
  std::stringstream text;
  {
    RWPortableOutStream out(static_cast<std::ostream&>(text));
    out.PutInt(42);
    EXPECT_EQ(out.StringForm(), 1);
  }
  EXPECT_EQ(text.str(), "42\n");
  RWPortableInStream in(static_cast<std::istream&>(text));
  EXPECT_EQ(in.StringForm(), 1);
  EXPECT_EQ(in.Get(), 42);
}

TEST(VirtualStreamState, ANullBufferGivesABadStream) {
  RWBinaryOutStream out(static_cast<std::streambuf*>(nullptr));
  EXPECT_TRUE(out.Bad());
  out.PutInt(1);
  RWPortableInStream in(static_cast<std::streambuf*>(nullptr));
  int32_t value = 5;
  in.GetInt(value);
  EXPECT_EQ(value, 5);
  EXPECT_TRUE(in.Fail());
}

}  // namespace
