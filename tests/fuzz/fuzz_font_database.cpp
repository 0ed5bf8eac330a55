// Fuzz target: arbitrary bytes as the font database's companion file of a
// spooled page, and as stored faces, face handles, download commands and
// text graphics. The file is loaded into a database (from the typed file and
// from each kind of virtual stream), every face it gave is saved again and
// the database cleared; the graphs are restored with a database in place, so
// that stored handles resolve to the faces it holds, and checked by
// FuzzGraphSupport (the size matches the write, a second save gives the same
// bytes). The test font classes stand for the platform's concrete faces.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/GFontDatabase.h"
#include "graphics/GFontFace.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "support/FontTestClasses.h"
#include "support/FuzzGraphSupport.h"
#include "w32test/Testing.h"

namespace {

constexpr uint32_t kFuzzInstance = 1;

// Marks every face of the database and saves it, then reads that file into
// a second database: what a damaged file gave must save and load cleanly.
void SaveAgain(GFontDatabase& database, const std::string& folder) {
  uint32_t* keys = nullptr;
  const uint32_t count = database.GetRecordKeys(&keys);
  for (uint32_t i = 0; i < count; ++i) {
    if (GFontFace* face = database.FindRecord(keys[i], 0)) {
      face->MarkForSave();
      face->DropUse();
    }
  }
  delete[] keys;
  const std::string path = folder + "\\again.fdb";
  const RWWString wide(qvfuzz::WidePath(path).c_str());
  if (database.SaveToFile(wide) != 1) __builtin_trap();
  GFontDatabase reader(kFuzzInstance + 1);
  if (reader.LoadFromFile(wide) != 1) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = "C:\\FuzzFontDatabase";
  static const bool ready = [] {
    RWSetErrorHandler(&qvfuzz::OnGraphRestoreError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    qvtest::RegisterFontTestClasses();
    return w32test::MakeDirectories(u"C:\\FuzzFontDatabase");
  }();
  if (!ready) return 0;

  // The companion file, through the typed file.
  const std::string path = folder + "\\page.fdb";
  if (!w32test::PutFile(qvfuzz::WidePath(path).c_str(), std::string(reinterpret_cast<const char*>(data), size)))
    return 0;
  {
    GFontDatabase database(kFuzzInstance);
    qvfuzz::g_inRestore = true;
    const int loaded = database.LoadFromFile(RWWString(qvfuzz::WidePath(path).c_str()));
    qvfuzz::g_inRestore = false;
    if (loaded == 1) SaveAgain(database, folder);
    // The graphs of the same bytes, with the faces the file gave in place.
    qvfuzz::RestoreGraphs(data, size, folder);
  }

  // The same parts through each kind of virtual stream.
  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = qvfuzz::MakeIn(kind, &buffer);
    GFontDatabase database(kFuzzInstance);
    qvfuzz::g_inRestore = true;
    database.RestoreFromStream(*in);
    qvfuzz::g_inRestore = false;
  }
  return 0;
}
