#include <gtest/gtest.h>

#include <cstring>

#include "rw/RWDefs.h"
#include "rw/RWError.h"
#include "support/ErrorCapture.h"
#include "w32test/Testing.h"
#include "win32/User.h"

namespace {

struct CatalogueCase {
  const RWMessageRecord* record;
  const char* catalogue;
  uint32_t id;
  const char* text;
};

TEST(RWError, CataloguesHoldTheExactRecordsInIdOrder) {
  const CatalogueCase cases[] = {
      {RWToolsMsg_ALLOCOUT(), "libtools", 0x2000, "[ALLOCOUT] %s destructor called with allocation outstanding"},
      {RWToolsMsg_INDEX(), "libtools", 0x2005, "[INDEX] Index (%u) out of range [0->%u]"},
      {RWToolsMsg_MAGIC(), "libtools", 0x2008, "[MAGIC] Bad magic number: %ld (should be %ld)"},
      {RWToolsMsg_NOCREATE(), "libtools", 0x200A,
       "[NOCREATE] RWFactory: no create function for class with ID %hu (0x%hx)"},
      {RWToolsMsg_SUBSTRING(), "libtools", 0x2010, "[SUBSTRING] Illegal substring (%d, %u) from %u element RWCString"},
      {RWToolsMsg_INDEXERR(), "libtools", 0x2013,
       "[INDEXERR] Illegal Index (%u) for collection or string with %u elements"},
      {RWToolsMsg_NPOSINDEX(), "libtools", 0x2014, "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
      {RWToolsMsg_NOPERSIST(), "libtools", 0x2015, "[NOPERSIST] Persistence not implemented for type %s."},
      {RWCoreMsg_EOF(), "libcore", 0x1000, "[EOF] EOF on input"},
      {RWCoreMsg_NOMEM(), "libcore", 0x1005, "[NOMEM] No memory"},
      {RWCoreMsg_OVFLOW(), "libcore", 0x1008, "[OVFLOW] Overflow error -> \"%.*s\" <- (%u max characters)"},
      {RWCoreMsg_SYNSTREAM(), "libcore", 0x100A, "[SYNSTREAM] Syntax error in input stream: expected %s, got %s"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c.record->catalogue, c.catalogue);
    EXPECT_EQ(c.record->id, c.id);
    EXPECT_STREQ(c.record->text, c.text);
    EXPECT_EQ(c.record->reserved, 0u);
  }
  unsigned n = 0;
  const RWMessageRecord* tools = RWToolsCatalogue(&n);
  ASSERT_EQ(n, 22u);
  for (unsigned i = 0; i < n; ++i) EXPECT_EQ(tools[i].id, 0x2000u + i);
  const RWMessageRecord* core = RWCoreCatalogue(&n);
  ASSERT_EQ(n, 11u);
  for (unsigned i = 0; i < n; ++i) EXPECT_EQ(core[i].id, 0x1000u + i);
}

TEST(RWError, MessagesFormatTheirArgumentsInOrder) {
  EXPECT_STREQ(RWMessageText(RWToolsMsg_INDEXERR(), 5u, 3u).Text(),
               "[INDEXERR] Illegal Index (5) for collection or string with 3 elements");
  EXPECT_STREQ(RWMessageText(RWToolsMsg_NOCREATE(), 900, 900).Text(),
               "[NOCREATE] RWFactory: no create function for class with ID 900 (0x384)");
  EXPECT_STREQ(RWMessageText(RWToolsMsg_MAGIC(), 1L, 34952L).Text(),
               "[MAGIC] Bad magic number: 1 (should be 34952)");
  EXPECT_STREQ(RWMessageText(RWCoreMsg_OVFLOW(), 33, "Buffer may not resize larger than", 4294967295u).Text(),
               "[OVFLOW] Overflow error -> \"Buffer may not resize larger than\" <- (4294967295 max characters)");
}

TEST(RWError, OverlongMessageIsCutAt503Characters) {
  std::string longText(2000, 'x');
  RWMessageText t(RWCoreMsg_OPERR(), longText.c_str());
  EXPECT_EQ(std::strlen(t.Text()), 503u);
}

TEST(RWError, MessageTextCopiesAndAssigns) {
  RWMessageText a("first");
  RWMessageText b(a);
  EXPECT_NE(a.Text(), b.Text());
  EXPECT_STREQ(b.Text(), "first");
  RWMessageText c("second");
  b = c;
  EXPECT_STREQ(b.Text(), "second");
  b = b;
  EXPECT_STREQ(b.Text(), "second");
}

TEST(RWError, OwnershipOfTheErrorText) {
  static const char borrowed[] = "borrowed text";
  RWLibraryError lent(borrowed, 0);
  EXPECT_EQ(lent.Text(), borrowed);
  RWLibraryError lentCopy(lent);
  EXPECT_EQ(lentCopy.Text(), borrowed);  // a borrowed text stays shared
  RWLibraryError owned(borrowed, 1);
  EXPECT_NE(owned.Text(), borrowed);
  RWLibraryError ownedCopy(owned);
  EXPECT_NE(ownedCopy.Text(), owned.Text());
  EXPECT_STREQ(ownedCopy.Text(), borrowed);

  RWOutOfMemoryError oom(64);
  EXPECT_EQ(oom.Text(), RWCoreMsg_NOMEM()->text);
  EXPECT_EQ(oom.OwnsText(), 0);
  EXPECT_EQ(oom.RequestedSize(), 64u);
}

TEST(RWError, RaiseGoesToTheInstalledHandlerAndSetterReturnsThePrevious) {
  qvtest::ScopedErrorCapture capture;
  RWRaiseIndexOutOfRange(5, 3);
  RWRaiseIndexOutOfRange(static_cast<uint32_t>(RW_NPOS), 3);
  RWRaiseFileIoError(RWFileIoError(RWMessageText(RWToolsMsg_READERR()), nullptr, RWFileIoError::Read));
  ASSERT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[0],
            "[INDEXERR] Illegal Index (5) for collection or string with 3 elements");
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[1], "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[2], "[READERR] Read error");
}

TEST(RWError, DefaultHandlerIsInstalledAtLoad) {
  RWErrorHandler current = RWSetErrorHandler(nullptr);
  RWSetErrorHandler(current);
  EXPECT_EQ(current, &RWDefaultErrorHandler);
}

TEST(RWErrorDeathTest, DefaultHandlerShowsFatalErrorBoxAndExitsWithCodeOne) {
  // The child records the box and then checks it before the exit: the box is
  // the last thing written to stderr.
  EXPECT_EXIT(
      {
        w32test::Reset();
        RWSetErrorHandler(RWDefaultErrorHandler);
        std::atexit([] {
          const auto& boxes = w32test::MessageBoxes();
          if (boxes.size() == 1)
            fprintf(stderr, "box:%s|%s|%x\n", boxes[0].caption.c_str(), boxes[0].text.c_str(), boxes[0].type);
        });
        RWRaiseIndexOutOfRange(7, 2);
      },
      ::testing::ExitedWithCode(1),
      "box:Fatal Error\\|\\[INDEXERR\\] Illegal Index \\(7\\) for collection or string with 2 elements\\|2010");
}

}  // namespace
