// The on-disk command composite: commands kept as records of a record file,
// replayed in order through a peripheral and through the composite's
// iterator (which reopens and closes the file), settings kept as a record,
// the stored form that names the file, and the file that goes with the
// last composite when it was asked to.
#include "printpath/GCommandCompositeOnDisk.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GDownloadHeaderCommand.h"
#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

using qvtest::RecordingPeripheral;

const char16_t kFile[] = u"C:\\Spool\\page1.spl";

bool FileExists() { return w32test::FileContents(kFile).has_value(); }

std::vector<int32_t> ReadKinds(GCommandCompositeOnDisk& composite) {
  std::vector<int32_t> kinds;
  std::unique_ptr<MPersistentIterator> it(composite.CreateIterator());
  auto* records = dynamic_cast<MPersistentHandleIterator*>(it.get());
  if (records == nullptr) return kinds;
  while (records->AdvanceHandle()) {
    GCountedRef record;
    records->CurrentHandle(record);
    auto* header = dynamic_cast<GDownloadHeaderCommand*>(record.Pointee());
    kinds.push_back(header != nullptr ? header->GetHeaderKind() : -1);
  }
  return kinds;
}

class GCommandCompositeOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::MakeDirectories(u"C:\\Spool");
  }
  void Fill(GCommandCompositeOnDisk& composite) {
    for (int kind : {1, 2, 3}) composite.AddChildHandle(GCountedRef(new GDownloadHeaderCommand(kind, nullptr)));
  }
};

TEST_F(GCommandCompositeOnDiskTest, KeepsCommandsOnlyAndReplaysThemInOrderEveryTime) {
  {
    GCommandCompositeOnDisk composite{RWWString(kFile), 1, nullptr};
    EXPECT_EQ(composite.ClassId(), 606);
    for (RWClassID id : {606, 601, 751}) EXPECT_TRUE(composite.DerivesFrom(id)) << id;
    Fill(composite);
    composite.AddChildHandle(GCountedRef(new GState));  // not a command: ignored
    EXPECT_EQ(composite.GetEntryCount(), 3);
    EXPECT_EQ(composite.GetStoreError(), 0);
    EXPECT_EQ(composite.Dispatch(nullptr), 0);
    composite.Close();
    EXPECT_TRUE(FileExists());
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass);
      EXPECT_EQ(ReadKinds(composite), (std::vector<int32_t>{1, 2, 3}));
      EXPECT_EQ(composite.Store().State(), MPersistentCompositeOnDisk::kClosed) << "left closed";
    }
  }
  EXPECT_FALSE(FileExists()) << "the delete flag removes the file with the last composite";
}

TEST_F(GCommandCompositeOnDiskTest, APeripheralReceivesEveryRecordInTurn) {
  auto* composite = new GCommandCompositeOnDisk(RWWString(kFile), 1, nullptr);
  GCountedPtr held(composite);
  Fill(*composite);
  composite->Close();
  RecordingPeripheral stage;
  GCountedPtr out = stage.Send(composite);
  EXPECT_EQ(out.Pointee(), composite);
  EXPECT_EQ(stage.Operations(), (std::vector<std::string>{"DownloadHeader", "DownloadHeader", "DownloadHeader"}));
  // A member that fails stops the replay there.
  stage.Clear();
  stage.SetResult("DownloadHeader", 4);
  stage.Send(composite);
  EXPECT_EQ(stage.Operations().size(), 1u);
}

TEST_F(GCommandCompositeOnDiskTest, SettingsAssignedByHandleBecomeARecordAndAreTakenBack) {
  GCommandCompositeOnDisk composite{RWWString(kFile), 1, nullptr};
  GCountedPtr settings(new GState);
  composite.AssignSettings(settings);
  composite.AssignSettings(GCountedPtr(new GState));  // replaces the first
  EXPECT_EQ(composite.GetEntryCount(), 1);
  GCountedPtr back = composite.GetSettingsHandle();
  ASSERT_NE(back.Pointee(), nullptr);
  EXPECT_EQ(back.Pointee()->FeatureId(), GFeatureIds::kSpoolSettingsRecord);
  EXPECT_EQ(composite.GetEntryCount(), 0);
}

TEST_F(GCommandCompositeOnDiskTest, AnUnknownInstanceHandleStillYieldsTheRecords) {
  GCommandCompositeOnDisk composite{RWWString(kFile), 1, nullptr};
  Fill(composite);
  auto* settings = new GState;
  settings->AddChild(new GStringAttribute("C:\\Spool\\fonts.spl", &GFeatureIds::kSpoolCompanionFilePath));
  settings->AddChild(new GStringAttribute("not hex!", &GFeatureIds::kSpoolInstanceHandle));
  composite.SetSettings(settings);
  composite.Close();
  EXPECT_EQ(ReadKinds(composite), (std::vector<int32_t>{1, 2, 3}));
  static_cast<GStringAttribute*>(settings->FindById(GFeatureIds::kSpoolInstanceHandle))->SetString("7fffffff");
  EXPECT_EQ(ReadKinds(composite), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(GCommandCompositeOnDiskTest, TheStoredFormNamesTheFileAndTheRecordsStayInIt) {
  GCommandCompositeOnDisk composite{RWWString(kFile), 0, nullptr};
  Fill(composite);
  composite.Close();
  qvtest::ExpectStoredByteCountIsWritten(composite);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&composite, form);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GCommandCompositeOnDisk*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(ReadKinds(*restored), (std::vector<int32_t>{1, 2, 3}));
    // Every cut fails cleanly.
    const size_t step = form == qvtest::ModelForm::kPortableText ? 5 : 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      qvtest::ModelRead partial = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(partial.object, nullptr) << cut;
      delete partial.object;
    }
  }
}

TEST_F(GCommandCompositeOnDiskTest, ForEachChildVisitsEveryRecordInOrder) {
  GCommandCompositeOnDisk composite{RWWString(kFile), 1, nullptr};
  Fill(composite);
  static std::vector<int32_t> seen;
  seen.clear();
  composite.ForEachChild(
      [](GCountedRef* record, int offset) {
        auto* header = dynamic_cast<GDownloadHeaderCommand*>(record->Pointee());
        seen.push_back(header != nullptr ? header->GetHeaderKind() + offset : -1);
      },
      10);
  EXPECT_EQ(seen, (std::vector<int32_t>{11, 12, 13}));
  composite.ForEachChild(nullptr, 0);
}

TEST_F(GCommandCompositeOnDiskTest, AStoreThatCannotMakeItsFileReportsAnErrorAndLeavesNothing) {
  const char16_t kNowhere[] = u"C:\\NoSuchFolder\\page.spl";
  {
    auto* composite = new GCommandCompositeOnDisk(RWWString(kNowhere), 1, nullptr);
    GCountedPtr held(composite);
    Fill(*composite);
    EXPECT_NE(composite->GetStoreError(), 0);
    EXPECT_EQ(ReadKinds(*composite), std::vector<int32_t>{});
    RecordingPeripheral stage;
    stage.Send(composite);
    EXPECT_TRUE(stage.Operations().empty());
  }
  EXPECT_FALSE(w32test::FileContents(kNowhere).has_value());
}

}  // namespace
