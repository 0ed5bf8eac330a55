// Chunked blob values of the NT 4.0 factory, in printer data and under
// registry locations, and the object store on top of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "driver/NumberedValueStore.h"
#include "model/MPersistentComposite.h"
#include "support/ModelTestClasses.h"
#include "support/NT40TestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"

namespace {

using qvtest::Bytes;
using qvtest::DwordBytes;
using qvtest::FakeInstance;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return s;
}

class ChunkedBlobTest : public qvtest::NT40Test {
 protected:
  int Write(const std::u16string& name, const std::string& data, GDriverInstance* instance = nullptr) {
    return factory_->WriteBlob(instance != nullptr ? instance : Instance(), RWWString(name.data(), name.size()),
                               data.data(), static_cast<DWORD>(data.size()));
  }
  // Reads with a buffer of exactly the size a size query asks for.
  bool Read(const std::u16string& name, std::string* out, GDriverInstance* instance = nullptr) {
    GDriverInstance* at = instance != nullptr ? instance : Instance();
    const RWWString value(name.data(), name.size());
    DWORD needed = 0;
    if (factory_->ReadBlob(at, value, nullptr, 0, &needed) != 1) return false;
    std::vector<char> buffer(needed);
    DWORD size = 0;
    if (factory_->ReadBlob(at, value, buffer.data(), needed, &size) != 1) return false;
    out->assign(buffer.data(), size);
    return true;
  }
};

TEST_F(ChunkedBlobTest, ChunkCountsAndSizesFollowTheDataLength) {
  struct Case {
    size_t bytes;
    DWORD count;
    std::vector<size_t> chunks;
  };
  const Case cases[] = {
      {0, 1, {0}},
      {1, 1, {1}},
      {248, 2, {248, 0}},
      {249, 2, {248, 1}},
      {600, 3, {248, 248, 104}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const std::string data = Pattern(c.bytes);
    ASSERT_EQ(Write(u"Blob", data), 1);
    auto count = Data(u"Blob");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count->data, DwordBytes(c.count));
    std::string joined;
    for (size_t i = 0; i < c.chunks.size(); ++i) {
      auto chunk = Data(u"Blob:" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
      ASSERT_TRUE(chunk.has_value()) << i;
      EXPECT_EQ(chunk->type, static_cast<DWORD>(REG_BINARY));
      EXPECT_EQ(chunk->data.size(), c.chunks[i]);
      joined.append(chunk->data.begin(), chunk->data.end());
    }
    EXPECT_EQ(joined, data);

    // A reader needs count x 248 bytes.
    DWORD size = 0;
    EXPECT_EQ(factory_->ReadBlob(Instance(), u"Blob", nullptr, 0, &size), 1);
    EXPECT_EQ(size, c.count * 248);
    std::vector<char> small(c.count * 248 - 1);
    size = 0;
    EXPECT_EQ(factory_->ReadBlob(Instance(), u"Blob", small.data(), static_cast<DWORD>(small.size()), &size), 0);
    EXPECT_EQ(size, c.count * 248);
    std::string back;
    ASSERT_TRUE(Read(u"Blob", &back));
    EXPECT_EQ(back, data);
  }
}

TEST_F(ChunkedBlobTest, ShrinkingValueDeletesTheChunksItNoLongerUses) {
  ASSERT_EQ(Write(u"TrayMap", Pattern(248 * 4 + 10)), 1);
  for (const char16_t* name : {u"TrayMap:0", u"TrayMap:1", u"TrayMap:2", u"TrayMap:3", u"TrayMap:4"}) {
    EXPECT_TRUE(Data(name).has_value()) << std::string(name, name + 9);
  }
  const std::string shorter = Pattern(300);
  ASSERT_EQ(Write(u"TrayMap", shorter), 1);
  std::vector<std::u16string> names = DataNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"TrayMap", u"TrayMap:0", u"TrayMap:1"}));
  std::string back;
  ASSERT_TRUE(Read(u"TrayMap", &back));
  EXPECT_EQ(back, shorter);
}

TEST_F(ChunkedBlobTest, PrinterWithoutAHandleIsOpenedForTheCallAndClosed) {
  const size_t before = w32test::OpenPrinterCount();
  ASSERT_EQ(Write(u"Opened", Pattern(500), Unopened()), 1);
  std::string back;
  ASSERT_TRUE(Read(u"Opened", &back, Unopened()));
  EXPECT_EQ(back, Pattern(500));
  EXPECT_EQ(w32test::OpenPrinterCount(), before);

  // A user without full rights on the printer can neither write nor read.
  w32test::RefuseAccess(kPrinter);
  EXPECT_EQ(Write(u"Refused", Pattern(10), Unopened()), 0);
  EXPECT_FALSE(Read(u"Opened", &back, Unopened()));
  EXPECT_FALSE(Data(u"Refused").has_value());
}

TEST_F(ChunkedBlobTest, DamagedValuesGiveACleanFailure) {
  struct Case {
    const char* what;
    void (*damage)(ChunkedBlobTest&);
  };
  const Case cases[] = {
      {"count promises more chunks than exist",
       [](ChunkedBlobTest& t) { t.PutData(u"V", REG_DWORD, DwordBytes(4)); }},
      {"chunk longer than 248",
       [](ChunkedBlobTest& t) { t.PutData(u"V:1", REG_BINARY, std::vector<BYTE>(300, 0x41)); }},
      {"chunk of another type", [](ChunkedBlobTest& t) { t.PutData(u"V:0", REG_SZ, std::vector<BYTE>(8, 0x41)); }},
      {"count beyond any sane size",
       [](ChunkedBlobTest& t) { t.PutData(u"V", REG_DWORD, DwordBytes(0xFFFFFFFFu)); }},
      {"count of another type", [](ChunkedBlobTest& t) { t.PutData(u"V", REG_BINARY, DwordBytes(2)); }},
      {"count of zero", [](ChunkedBlobTest& t) { t.PutData(u"V", REG_DWORD, DwordBytes(0)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Write(u"V", Pattern(400)), 1);
    c.damage(*this);
    std::string back;
    EXPECT_FALSE(Read(u"V", &back));
    // A caller's generous buffer is not overrun either way.
    std::vector<char> buffer(248 * 8);
    DWORD size = 12345;
    EXPECT_EQ(factory_->ReadBlob(Instance(), u"V", buffer.data(), static_cast<DWORD>(buffer.size()), &size), 0);
    EXPECT_EQ(factory_->LoadObject(Instance(), u"V", 0), nullptr);
  }
}

TEST_F(ChunkedBlobTest, MissingValueReadsAsNothing) {
  DWORD size = 99;
  EXPECT_EQ(factory_->ReadBlob(Instance(), u"Absent", nullptr, 0, &size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(factory_->LoadObject(Instance(), u"Absent", 0), nullptr);
}

// A factory whose count write fails, as when the spooler refuses the last write.
class CountRefusingFactory : public GNT40OSFactory {
 public:
  int SetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD value) override {
    if (refuse) return 0;
    return GNT40OSFactory::SetPrinterDataDword(instance, name, value);
  }
  bool refuse = false;
};

TEST_F(ChunkedBlobTest, CountIsNeverLeftPromisingChunksThatWereNotWritten) {
  const std::string old = Pattern(248 * 2 + 5);
  ASSERT_EQ(Write(u"Pool", old), 1);

  // The first chunk fails: nothing was changed and the old value still reads.
  w32test::FailCall("SetPrinterDataW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(Write(u"Pool", Pattern(1000)), 0);
  std::string back;
  ASSERT_TRUE(Read(u"Pool", &back));
  EXPECT_EQ(back, old);

  // The chunks were written but the count was refused: the value reads as
  // missing, never as a mixture of old and new chunks.
  auto* refusing = new CountRefusingFactory;
  services_.Change([&](GUpwardServices& s) { s.factory = refusing; });
  delete factory_;
  factory_ = refusing;
  refusing->refuse = true;
  EXPECT_EQ(Write(u"Pool", Pattern(1000)), 0);
  EXPECT_FALSE(Data(u"Pool").has_value());
  EXPECT_FALSE(Read(u"Pool", &back));
  refusing->refuse = false;
  ASSERT_EQ(Write(u"Pool", Pattern(100)), 1);
  ASSERT_TRUE(Read(u"Pool", &back));
  EXPECT_EQ(back, Pattern(100));
}

TEST_F(ChunkedBlobTest, RegistryLocationKeepsCountAndChunksUnderItsKey) {
  struct Case {
    const char16_t* location;
    HKEY root;
  };
  const Case cases[] = {
      {u"???\\-2147483647\\Software\\QV\\Quick Sets\\Pool", HKEY_CURRENT_USER},
      {u"???\\-2147483646\\SOFTWARE\\QV\\Shared\\Pool", HKEY_LOCAL_MACHINE},
  };
  for (const Case& c : cases) {
    const std::u16string location(c.location);
    SCOPED_TRACE(std::string(location.begin(), location.end()));
    const size_t slash = location.find_last_of(u'\\');
    const std::u16string key = location.substr(location.find(u'\\', 4) + 1, slash - location.find(u'\\', 4) - 1);
    ASSERT_EQ(Write(location, Pattern(248 * 3)), 1);
    auto count = w32test::ReadRegistryValue(c.root, key, u"Pool");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->data, DwordBytes(4));
    EXPECT_TRUE(w32test::ReadRegistryValue(c.root, key, u"Pool:3").has_value());
    std::string back;
    ASSERT_TRUE(Read(location, &back));
    EXPECT_EQ(back, Pattern(248 * 3));

    ASSERT_EQ(Write(location, Pattern(10)), 1);
    EXPECT_FALSE(w32test::ReadRegistryValue(c.root, key, u"Pool:1").has_value());
    EXPECT_FALSE(w32test::ReadRegistryValue(c.root, key, u"Pool:3").has_value());
    ASSERT_TRUE(Read(location, &back));
    EXPECT_EQ(back, Pattern(10));
    // Nothing went to printer data.
    EXPECT_FALSE(Data(u"Pool").has_value());
  }
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
}

TEST_F(ChunkedBlobTest, RegistryLocationNeedsThreeQuestionMarks) {
  EXPECT_EQ(factory_->IsRegistryLocation(u"???"), 1);
  EXPECT_EQ(factory_->IsRegistryLocation(u"???\\-2147483647\\A\\B"), 1);
  EXPECT_EQ(factory_->IsRegistryLocation(u"??"), 0);
  EXPECT_EQ(factory_->IsRegistryLocation(u"?x?"), 0);
  EXPECT_EQ(factory_->IsRegistryLocation(u"DEKBinPool"), 0);
  HKEY key = nullptr;
  RWWString value;
  EXPECT_EQ(factory_->OpenRegistryLocation(u"???", &key, &value), 0);
  EXPECT_EQ(factory_->OpenRegistryLocation(u"???\\-2147483647", &key, &value), 0);
  ASSERT_EQ(factory_->OpenRegistryLocation(u"???\\-2147483647\\Software\\QV\\Name", &key, &value), 1);
  EXPECT_EQ(qvtest::Text(value), u"Name");
  RegCloseKey(key);
  EXPECT_TRUE(w32test::RegistryKeyExists(HKEY_CURRENT_USER, u"Software\\QV"));
}

// ---- The object store over chunked values ----

class ObjectStoreNT40Test : public ChunkedBlobTest {};

TEST_F(ObjectStoreNT40Test, ObjectOfManyChunksRoundTrips) {
  MPersistentComposite root;
  for (int i = 0; i < 100; ++i) root.AddChild(new TestLeaf(i, 1000 + i));
  ASSERT_EQ(factory_->StoreObject(Instance(), u"DEKBinPool", &root), 1);
  auto count = Data(u"DEKBinPool");
  ASSERT_TRUE(count.has_value());
  EXPECT_GT(count->data[0], 4);  // more than 1024 bytes: the second read path
  std::unique_ptr<MPersistentObject> loaded(factory_->LoadObject(Instance(), u"DEKBinPool", 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(root.Matches(loaded.get()));
}

TEST_F(ObjectStoreNT40Test, NumberedStoreNamesValuesByTheirDecimalText) {
  std::unique_ptr<NumberedValueStore> store(factory_->CreateNumberedValueStore(Instance()));
  ASSERT_NE(store, nullptr);
  const int32_t id = 17;
  TestLeaf leaf(4242, id);
  const int zero = 0;
  const int negative = -12;
  ASSERT_EQ(store->StoreObjectByNumber(&zero, &leaf), 1);
  ASSERT_EQ(store->StoreObjectByNumber(&negative, &leaf), 1);
  EXPECT_TRUE(Data(u"0").has_value());
  EXPECT_TRUE(Data(u"-12").has_value());
  std::unique_ptr<MPersistentObject> loaded(store->LoadObjectByNumber(&zero, 0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(leaf.Matches(loaded.get()));
  std::unique_ptr<MPersistentObject> byName(store->LoadObject(u"-12", 0));
  ASSERT_NE(byName, nullptr);

  EXPECT_EQ(store->SetDword(u"Stale", 3), 1);
  EXPECT_EQ(store->GetDword(u"Stale", 9), 3u);
  EXPECT_EQ(store->SetString(u"JobStorageUniqueID", u"7"), 1);
  RWWString text;
  store->GetString(&text, u"JobStorageUniqueID", u"1");
  EXPECT_EQ(qvtest::Text(text), u"7");
  EXPECT_EQ(store->WriteBlob(u"Raw", "abc", 3), 1);
  char buffer[248];
  DWORD size = 0;
  EXPECT_EQ(store->ReadBlob(u"Raw", buffer, sizeof buffer, &size), 1);
  EXPECT_EQ(std::string(buffer, size), "abc");
}

}  // namespace
