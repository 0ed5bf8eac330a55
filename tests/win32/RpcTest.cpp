#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win32/Kernel.h"
#include "win32/Rpc.h"
#include "w32test/Testing.h"

namespace {

class RpcTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

std::string Text(const UUID& u) {
  RPC_CSTR s = nullptr;
  EXPECT_EQ(UuidToStringA(&u, &s), RPC_S_OK);
  std::string out(reinterpret_cast<char*>(s));
  EXPECT_EQ(RpcStringFreeA(&s), RPC_S_OK);
  EXPECT_EQ(s, nullptr);
  return out;
}

TEST_F(RpcTest, DefaultSequenceIsDeterministicAndRestartsAtReset) {
  UUID a, b;
  ASSERT_EQ(UuidCreate(&a), RPC_S_OK);
  ASSERT_EQ(UuidCreate(&b), RPC_S_OK);
  EXPECT_EQ(Text(a), "00000001-0000-4000-8000-000000000000");
  EXPECT_EQ(Text(b), "00000002-0000-4000-8000-000000000000");
  w32test::Reset();
  ASSERT_EQ(UuidCreate(&a), RPC_S_OK);
  EXPECT_EQ(Text(a), "00000001-0000-4000-8000-000000000000");
}

TEST_F(RpcTest, QueuedUuidsComeFirstAndFormatInBothForms) {
  UUID q{0x0A1B2C3D, 0xE4F5, 0x0617, {0x28, 0x39, 0x4A, 0x5B, 0x6C, 0x7D, 0x8E, 0x9F}};
  w32test::QueueUuid(q);
  UUID u;
  ASSERT_EQ(UuidCreate(&u), RPC_S_OK);
  EXPECT_EQ(Text(u), "0a1b2c3d-e4f5-0617-2839-4a5b6c7d8e9f");
  EXPECT_EQ(Text(u).size(), 36u);

  RPC_WSTR w = nullptr;
  ASSERT_EQ(UuidToStringW(&u, &w), RPC_S_OK);
  EXPECT_EQ(std::u16string(w), u"0a1b2c3d-e4f5-0617-2839-4a5b6c7d8e9f");
  RpcStringFreeW(&w);

  ASSERT_EQ(UuidCreate(&u), RPC_S_OK);  // queue used up: the counted sequence
  EXPECT_EQ(u.Data1, 1u);
}

TEST_F(RpcTest, InjectedFailureIsTheStatus) {
  w32test::FailCall("UuidCreate", RPC_S_UUID_NO_ADDRESS);
  UUID u;
  EXPECT_EQ(UuidCreate(&u), RPC_S_UUID_NO_ADDRESS);
  EXPECT_EQ(UuidCreate(&u), RPC_S_OK);
}

}  // namespace
