// Fuzz target: a spooled page as a page filter leaves it in the temporary
// directory (its record file and its companion font file), damaged, then
// replayed through a peripheral and walked record by record, with the fonts
// reloaded from the companion file. A damaged spool file must only ever give
// fewer or no records, or a failed font load: no crash, hang, over-read,
// unbounded allocation, and no error reaching the error handler.
//
// An input whose first byte is even is split in two at the second byte's
// share of the rest: the page file and the companion file. One whose first
// byte is odd patches the sound pair: each following group of four bytes is
// (which file, offset low, offset high, value).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/GFontDatabase.h"
#include "graphics/GraphicsClasses.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "model/ModelClasses.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

const char16_t kPagePath[] = u"C:\\FuzzSpool\\1-0-1-1.rpg";
const char16_t kCompanionPath[] = u"C:\\FuzzSpool\\1-0-1-1.rft";
constexpr uint32_t kInstanceKey = 7;

struct SpoolPair {
  std::string page;
  std::string companion;
};

const SpoolPair& Sound() {
  static const SpoolPair pair = [] {
    {
      GCommandCompositeOnDisk page{RWWString(kPagePath), 0, nullptr};
      auto* settings = new GGraphicBundle;
      const int32_t pathId = GFeatureIds::kSpoolCompanionFilePath;
      const int32_t handleId = GFeatureIds::kSpoolInstanceHandle;
      settings->AddChild(new GStringAttribute("C:\\FuzzSpool\\1-0-1-1.rft", &pathId));
      settings->AddChild(new GStringAttribute("7", &handleId));
      page.SetSettings(settings);
      const int32_t stateId = GFeatureIds::kPageState;
      auto* state = new GState(&stateId);
      const int32_t trayId = GFeatureIds::kInputBin;
      state->AddChild(new GValueAttribute(2, &trayId));
      page.AddChildHandle(GCountedRef(new GPageStart(state)));
      page.AddChildHandle(GCountedRef(new GNullCommand));
      const uint8_t bytes[] = {0x1b, 'E', 0x1b, '&', 'l', '1', 'O'};
      page.AddChildHandle(GCountedRef(new GPassThroughCommand(bytes, sizeof bytes, 0, nullptr)));
      page.AddChildHandle(GCountedRef(new GPageEnd));
      page.Close();
    }
    GFontDatabase database(kInstanceKey);
    database.SaveToFile(RWWString(kCompanionPath));
    SpoolPair made;
    made.page = w32test::FileContents(kPagePath).value_or(std::string());
    made.companion = w32test::FileContents(kCompanionPath).value_or(std::string());
    return made;
  }();
  return pair;
}

void Replay() {
  auto* page = new GCommandCompositeOnDisk(RWWString(kPagePath), 0, nullptr);
  GCountedPtr held(page);
  page->GetStoreError();
  page->GetEntryCount();
  {
    std::unique_ptr<MPersistentIterator> it(page->CreateIterator());
    auto* records = dynamic_cast<MPersistentHandleIterator*>(it.get());
    while (records != nullptr && records->AdvanceHandle()) {
      GCountedRef record;
      records->CurrentHandle(record);
    }
  }
  GCountedRef start;
  page->HandleByClass(start, 709);
  qvtest::RecordingPeripheral peripheral;
  peripheral.Send(page);
  page->Close();
  // The companion file as the replay reloads it into the job's fonts.
  GFontDatabase database(kInstanceKey);
  database.LoadFromFile(RWWString(kCompanionPath));
  database.Clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    w32test::MakeDirectories(u"C:\\FuzzSpool");
    Sound();
    return true;
  }();
  (void)ready;

  const SpoolPair& sound = Sound();
  SpoolPair files;
  if (size > 0 && (data[0] & 1)) {
    files = sound;
    for (size_t i = 1; i + 3 < size; i += 4) {
      std::string& file = (data[i] & 1) ? files.companion : files.page;
      if (file.empty()) continue;
      const size_t at = (data[i + 1] | data[i + 2] << 8) % file.size();
      file[at] = static_cast<char>(data[i + 3]);
    }
  } else if (size > 0) {
    const size_t rest = size - 1;
    const size_t split = size > 1 ? rest * data[1] / 255 : 0;
    files.page.assign(reinterpret_cast<const char*>(data + 1), split);
    files.companion.assign(reinterpret_cast<const char*>(data + 1 + split), rest - split);
  }
  if (!w32test::PutFile(kPagePath, files.page) || !w32test::PutFile(kCompanionPath, files.companion)) return 0;
  Replay();
  // Once more on what the first replay left behind.
  Replay();
  return 0;
}
