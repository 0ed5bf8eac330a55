// Fuzz target: arbitrary bytes restored as graphs of font caches (table
// caches, glyph caches and their nodes, alone or in composites), as they
// arrive with a font in a job's spool data, through the file form and each
// kind of virtual input stream. Every cache that restores is then merged
// into a fresh cache and back, and the caches of one graph into each other,
// as a font pool merges two copies of one font: a node that the input names
// from several slots or caches must still be freed once. The checks are
// those of FuzzGraphSupport.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/GGlyphCache.h"
#include "graphics/GTTTableCache.h"
#include "graphics/GraphicsClasses.h"
#include "model/MPersistentComposite.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/FuzzGraphSupport.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

void MergeCaches(MPersistentObject* root) {
  std::vector<GGlyphCache*> glyphs;
  std::vector<GTTTableCache*> tables;
  auto note = [&](MPersistentObject* object) {
    if (auto* glyph = dynamic_cast<GGlyphCache*>(object)) glyphs.push_back(glyph);
    if (auto* table = dynamic_cast<GTTTableCache*>(object)) tables.push_back(table);
  };
  note(root);
  if (MPersistentComposite* composite = root->AsComposite()) {
    const GCountedPtrVector& children = composite->Children();
    for (size_t i = 0; i < children.Count(); ++i) note(children.Data()[i].Pointee());
  }
  for (GGlyphCache* cache : glyphs) {
    GGlyphCache fresh;
    fresh.AssignFrom(*cache);
    cache->AssignFrom(fresh);
    if (cache != glyphs.front()) glyphs.front()->AssignFrom(*cache);
  }
  for (GTTTableCache* cache : tables) {
    GTTTableCache fresh;
    fresh.AssignFrom(*cache);
    cache->AssignFrom(fresh);
    if (cache != tables.front()) tables.front()->AssignFrom(*cache);
  }
}

void Restored(MPersistentObject* root, const std::string& folder) {
  if (root == nullptr) return;
  MergeCaches(root);
  qvfuzz::Take(root, folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = "C:\\FuzzFontCaches";
  static const bool ready = [] {
    RWSetErrorHandler(&qvfuzz::OnGraphRestoreError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    return w32test::MakeDirectories(u"C:\\FuzzFontCaches");
  }();
  if (!ready) return 0;

  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = qvfuzz::MakeIn(kind, &buffer);
    MPersistentObject* root = nullptr;
    qvfuzz::g_inRestore = true;
    MPersistentObject::ReadPersistentObject(*in, root);
    qvfuzz::g_inRestore = false;
    Restored(root, folder);
  }

  const std::string path = folder + "\\restore.bin";
  if (!w32test::PutFile(qvfuzz::WidePath(path).c_str(), std::string(reinterpret_cast<const char*>(data), size)))
    return 0;
  RWBinaryFile file(path.c_str(), "rb");
  MPersistentObject* root = nullptr;
  qvfuzz::g_inRestore = true;
  MPersistentObject::ReadPersistentObject(file, root);
  qvfuzz::g_inRestore = false;
  Restored(root, folder);
  return 0;
}
