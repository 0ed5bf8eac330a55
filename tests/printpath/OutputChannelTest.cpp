// The concrete output channels: the spooler channel turns a document into
// a spooler job of the stand-in (started, written, completed or
// cancelled), the file channel writes a file; neither writes after it was
// closed, and a second close is refused.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "printpath/GFileOutputChannel.h"
#include "printpath/GSpoolerOutputChannel.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

namespace {

using Status = w32test::PrintJob::Status;

class OutputChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup printer;
    printer.name = u"Quarrin 4700";
    printer.driverName = u"Quarrin 4700 Series";
    w32test::AddPrinter(printer);
  }
  uint32_t written = 0;
};

TEST_F(OutputChannelTest, ADocumentBecomesACompleteSpoolerJob) {
  {
    GSpoolerOutputChannel channel(RWWString(u"Quarrin 4700"));
    EXPECT_EQ(channel.IsReady(), 1);
    ASSERT_EQ(channel.Open(RWWString(u"Quarterly report")), 0);
    EXPECT_EQ(w32test::OpenPrinterCount(), 1u);
    EXPECT_EQ(channel.WriteString(RWCString("\x1b%-12345X"), &written), 0) << "the document begins on the first write";
    EXPECT_EQ(written, 9u);
    const uint8_t body[] = {0, 1, 2, 0xFF};
    EXPECT_EQ(channel.Write(body, 4, &written), 0);
    EXPECT_EQ(channel.GetBytesWritten(), 13u);
    EXPECT_NE(channel.GetJobId(), 0u);
    EXPECT_EQ(channel.Close(), 0) << "ends the document and closes in one call";
    EXPECT_EQ(channel.Close(), 1) << "a second close is refused";
    EXPECT_EQ(channel.Write(body, 4, &written), 1) << "nothing is written after the close";
    EXPECT_EQ(written, 0u);
  }
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
  const auto jobs = w32test::PrintJobs(u"Quarrin 4700");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].documentName, u"Quarterly report");
  EXPECT_EQ(jobs[0].datatype, u"RAW");
  EXPECT_EQ(jobs[0].bytes, std::string("\x1b%-12345X") + std::string("\x00\x01\x02\xFF", 4));
  EXPECT_EQ(jobs[0].status, Status::kComplete);
}

TEST_F(OutputChannelTest, AnAbortCancelsTheJobAndFinishesTheChannel) {
  GSpoolerOutputChannel channel(RWWString(u"Quarrin 4700"));
  ASSERT_EQ(channel.Open(RWWString(u"Doc")), 0);
  ASSERT_EQ(channel.BeginDocument(), 0);
  EXPECT_EQ(channel.Abort(), 0);
  EXPECT_EQ(channel.GetState(), GOutputChannel::kFinished);
  EXPECT_EQ(channel.Open(RWWString(u"Doc")), 1) << "a finished channel takes nothing further";
  EXPECT_EQ(channel.WriteString(RWCString("x"), &written), 1);
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
  const auto jobs = w32test::PrintJobs(u"Quarrin 4700");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].status, Status::kCancelled);
  EXPECT_TRUE(jobs[0].bytes.empty());
}

TEST_F(OutputChannelTest, DeletingAChannelInADocumentCompletesTheJob) {
  auto channel = std::make_unique<GSpoolerOutputChannel>(RWWString(u"Quarrin 4700"));
  ASSERT_EQ(channel->Open(RWWString(u"Doc")), 0);
  ASSERT_EQ(channel->WriteString(RWCString("abc"), &written), 0);
  channel.reset();
  const auto jobs = w32test::PrintJobs(u"Quarrin 4700");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].status, Status::kComplete);
  EXPECT_EQ(jobs[0].bytes, "abc");
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
}

TEST_F(OutputChannelTest, SpoolerFailuresComeBackAsStatusesWithTheirErrorCodes) {
  GSpoolerOutputChannel unknown(RWWString(u"No such printer"));
  EXPECT_EQ(unknown.IsReady(), 0);
  EXPECT_EQ(unknown.Open(RWWString(u"Doc")), GSpoolerOutputChannel::kSpoolerFailed);
  EXPECT_EQ(unknown.GetLastErrorCode(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(unknown.GetState(), GOutputChannel::kClosed);

  GSpoolerOutputChannel channel(RWWString(u"Quarrin 4700"));
  ASSERT_EQ(channel.Open(RWWString(u"Doc")), 0);
  w32test::FailCall("StartDocPrinterW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(channel.BeginDocument(), GSpoolerOutputChannel::kSpoolerFailed);
  EXPECT_EQ(channel.GetState(), GOutputChannel::kOpen);
  ASSERT_EQ(channel.BeginDocument(), 0);
  w32test::FailCall("WritePrinter", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(channel.WriteString(RWCString("abc"), &written), GSpoolerOutputChannel::kSpoolerFailed);
  EXPECT_EQ(channel.GetLastErrorCode(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(channel.GetBytesWritten(), 0u);
  EXPECT_EQ(channel.Close(), 0);
}

TEST_F(OutputChannelTest, TheFileChannelWritesTheDocumentToItsFile) {
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Out"));
  {
    GFileOutputChannel channel(RWWString(u"C:\\Out\\job.prn"));
    EXPECT_EQ(channel.IsReady(), 1);
    ASSERT_EQ(channel.Open(RWWString(u"Doc")), 0);
    EXPECT_EQ(channel.WriteString(RWCString("PCL bytes"), &written), 0);
    EXPECT_EQ(channel.Close(), 0);
    EXPECT_EQ(channel.Close(), 1);
    EXPECT_EQ(channel.WriteString(RWCString("late"), &written), 1);
  }
  EXPECT_EQ(w32test::FileContents(u"C:\\Out\\job.prn").value_or("?"), "PCL bytes");

  GFileOutputChannel nowhere(RWWString(u"C:\\Missing\\job.prn"));
  EXPECT_EQ(nowhere.Open(RWWString(u"Doc")), GFileOutputChannel::kFileFailed);
  EXPECT_EQ(nowhere.GetState(), GOutputChannel::kClosed);
  EXPECT_EQ(GFileOutputChannel(RWWString()).IsReady(), 0);
}

}  // namespace
