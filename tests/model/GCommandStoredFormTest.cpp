// Stored forms of the commands the settings model knows: the command base
// with its settings, raw bytes for the printer, header requests and error
// commands. Round trips in all four forms, and damaged input (cut short,
// counts larger than what follows) fails the read without a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "model/GDownloadHeaderCommand.h"
#include "model/GErrorCommand.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;

const int32_t kCommandStoredFormCopies = 5;
const int32_t kPage = 256;

GState* Settings() {
  auto* settings = new GState(&kPage);
  settings->AddChild(new GValueAttribute(2, &kCommandStoredFormCopies));
  return settings;
}

class GCommandStoredFormTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

TEST_F(GCommandStoredFormTest, CommandsRoundTripWithAndWithoutSettings) {
  static const uint8_t kBytes[] = {0x1B, 'E', 0, 0xFF, '@'};
  GPassThroughCommand owning(kBytes, sizeof kBytes, 788, &kCommandStoredFormCopies);
  ASSERT_EQ(owning.MakeDataOwned(), 1);
  owning.SetSettings(Settings());
  qvtest::ExpectRoundTripsInAllForms(owning);
  qvtest::ExpectStoredByteCountIsWritten(owning);

  GPassThroughCommand noBytes(nullptr, 9, 767, nullptr);  // a length without bytes stores none
  qvtest::ExpectStoredByteCountIsWritten(noBytes);

  GPassThroughCommand empty(nullptr, 0, 767, nullptr);
  qvtest::ExpectRoundTripsInAllForms(empty);
  EXPECT_EQ(empty.MembersStoreSize(), 12u + 10u + 8u) << "base, command part without settings, own part";

  GDownloadHeaderCommand header(19, &kCommandStoredFormCopies);
  header.SetSettings(Settings());
  qvtest::ExpectRoundTripsInAllForms(header);
  qvtest::ExpectStoredByteCountIsWritten(header);

  GErrorCommand plainError(601, nullptr);
  qvtest::ExpectRoundTripsInAllForms(plainError);
  EXPECT_EQ(plainError.MembersStoreSize(), 12u + 10u + 10u);
}

TEST_F(GCommandStoredFormTest, AnErrorBringsItsFailedCommandBack) {
  GCountedPtr failed(new GDownloadHeaderCommand(7, &kCommandStoredFormCopies));
  GErrorCommand error(603, CommandOf(failed));
  // Both commands carry one settings object; it comes back shared.
  GState* shared = Settings();
  CommandOf(failed)->SetSettings(shared);
  error.SetSettings(shared);
  qvtest::ExpectStoredByteCountIsWritten(error);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&error, form), form);
    std::unique_ptr<MPersistentObject> object(read.object);
    auto* restored = dynamic_cast<GErrorCommand*>(object.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetStatus(), 603);
    ASSERT_NE(restored->GetFailedCommand(), nullptr);
    EXPECT_TRUE(restored->GetFailedCommand()->Matches(CommandOf(failed)));
    ASSERT_NE(restored->GetSettings(), nullptr);
    EXPECT_EQ(restored->GetSettings(), restored->GetFailedCommand()->GetSettings());
    EXPECT_FALSE(restored->GetSettings()->DiffersFrom(shared));
    EXPECT_FALSE(restored->Matches(&error)) << "errors match only with the same failed object";
  }
}

TEST_F(GCommandStoredFormTest, ARestoredPassThroughCommandOwnsItsBytesAndACopyBorrowsThem) {
  static const uint8_t kBytes[] = {'P', 'J', 'L'};
  GPassThroughCommand borrowed(kBytes, 3, 767, nullptr);
  qvtest::ModelRead read =
      qvtest::RestoreFromForm(qvtest::SaveInForm(&borrowed, ModelForm::kFile), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GPassThroughCommand*>(object.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->IsDataOwned(), 1);
  ASSERT_EQ(restored->GetLength(), 3);
  EXPECT_EQ(std::memcmp(restored->GetData(), kBytes, 3), 0);
  {
    GPassThroughCommand copy(*restored);
    EXPECT_EQ(copy.IsDataOwned(), 0);
    EXPECT_EQ(copy.GetData(), restored->GetData());
  }
  EXPECT_EQ(restored->GetData()[2], 'L') << "deleting the copy left the bytes alone";
}

TEST_F(GCommandStoredFormTest, PassThroughEqualityLooksAtLengthTargetAndBytes) {
  static const uint8_t a[] = {1, 2, 3};
  static const uint8_t b[] = {1, 2, 3};
  static const uint8_t c[] = {1, 2, 4};
  GPassThroughCommand base(a, 3, 767, nullptr);
  EXPECT_TRUE(base.Matches(&base));
  EXPECT_TRUE(base.Matches(std::make_unique<GPassThroughCommand>(b, 3, 767, nullptr).get()));
  EXPECT_FALSE(base.Matches(std::make_unique<GPassThroughCommand>(a, 2, 767, nullptr).get()));
  EXPECT_FALSE(base.Matches(std::make_unique<GPassThroughCommand>(a, 3, 768, nullptr).get()));
  EXPECT_FALSE(base.Matches(std::make_unique<GPassThroughCommand>(c, 3, 767, nullptr).get()));
  EXPECT_FALSE(base.Matches(std::make_unique<GPassThroughCommand>(nullptr, 3, 767, nullptr).get()));
}

TEST_F(GCommandStoredFormTest, ACommandKeepsOnlyAStateAsItsSettings) {
  GDownloadHeaderCommand command(1, nullptr);
  GState* settings = Settings();
  command.SetSettings(settings);
  command.SetSettings(settings);  // the same object again: kept alive
  EXPECT_EQ(command.GetSettings(), settings);
  command.SetSettings(new GValueAttribute(1, &kCommandStoredFormCopies));  // not a state: destroyed (ASan sees a leak otherwise)
  EXPECT_EQ(command.GetSettings(), settings);
  GCountedPtr handle = command.GetSettingsHandle();
  EXPECT_EQ(handle.Pointee(), settings);
  std::unique_ptr<GState> detached(command.DetachSettings());
  EXPECT_EQ(command.GetSettings(), nullptr);
  EXPECT_NE(detached.get(), settings) << "still held by the handle: the caller gets a copy";
  EXPECT_FALSE(detached->DiffersFrom(settings));
  command.AssignSettings(handle);
  EXPECT_EQ(command.GetSettings(), settings);
}

// Every shorter prefix of a stored command, and a stored length larger than
// what follows, is refused or read partly: never an over-read or a crash.
TEST_F(GCommandStoredFormTest, DamagedStoredCommandsFailWithoutACrash) {
  static const uint8_t kBytes[] = {9, 8, 7, 6};
  GPassThroughCommand command(kBytes, 4, 767, nullptr);
  GCountedPtr failed(new GPassThroughCommand(kBytes, 4, 788, nullptr));
  GErrorCommand error(1, CommandOf(failed));
  error.SetSettings(Settings());
  for (const MPersistentObject* object : {static_cast<const MPersistentObject*>(&command),
                                          static_cast<const MPersistentObject*>(&error)}) {
    for (ModelForm form : {ModelForm::kFile, ModelForm::kNativeBinary}) {
      SCOPED_TRACE(qvtest::ModelFormName(form));
      const std::string whole = qvtest::SaveInForm(object, form);
      for (size_t n = 0; n < whole.size(); ++n) {
        qvtest::ModelRead read = qvtest::RestoreFromForm(whole.substr(0, n), form);
        EXPECT_TRUE(read.failed || read.object == nullptr) << "prefix of " << n << " bytes";
        delete read.object;
      }
    }
  }

  // The length field of the pass-through command claims 65535 bytes.
  std::string bytes = qvtest::SaveInForm(&command, ModelForm::kFile);
  const size_t lengthAt = 4 + 2 + 12 + 4 + 6 + 4;
  ASSERT_EQ(static_cast<uint8_t>(bytes[lengthAt]), 4);
  bytes[lengthAt] = '\xFF';
  bytes[lengthAt + 1] = '\xFF';
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  if (auto* restored = dynamic_cast<GPassThroughCommand*>(object.get())) {
    EXPECT_EQ(restored->GetLength(), 0) << "the bytes that are not there are not kept";
    EXPECT_EQ(restored->GetData(), nullptr);
  }
}

// Errors that carry errors, deeper than any reader follows: the restore
// fails instead of running out of stack.
TEST_F(GCommandStoredFormTest, ADeepChainOfFailedCommandsIsRefused) {
  GCountedPtr chain(new GDownloadHeaderCommand(1, nullptr));
  for (int i = 0; i < 600; ++i) chain = GCountedPtr(new GErrorCommand(1, CommandOf(chain)));
  for (ModelForm form : {ModelForm::kFile, ModelForm::kNativeBinary}) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(chain.Pointee(), form), form);
    EXPECT_TRUE(read.failed || read.object == nullptr);
    delete read.object;
  }
}

}  // namespace
