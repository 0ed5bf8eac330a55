// GFontDatabase: the record of the font faces that a print-side instance's
// job uses, kept under each face's key, so that spooled pages can be played
// back later. The spooling page filters save the database into a companion
// file beside each page spool file at every page end; reading a spooled page
// back loads that file into the database of the instance named in the spool
// data. A face handle stored in a spooled command carries only the key of
// its instance and the face's key and stamp, and resolves through the
// database registered for that instance (FindForInstance).
//
// File (the typed binary file, and the same two parts on a virtual stream):
// the font pool's part, the TrueType fonts the database asked to save (a
// keyed cache of the registered font pool, written empty when no pool is
// registered; a load merges them into the pool by stamp), then the
// database's keyed cache of the faces marked for saving. The instance's key
// is the database's id with the pool.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/GKeyedCache.h"
#include "rw/RWWString.h"

class GFontFace;
class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

class GFontDatabase {
 public:
  // An empty database of the print-side instance with the given key; the
  // database is found under that key until it is destroyed (a later
  // database of the same key takes the registration over, and gives it back
  // when it goes).
  explicit GFontDatabase(uint32_t instance);
  // Clear, then forgets the registration.
  ~GFontDatabase();
  GFontDatabase(const GFontDatabase&) = delete;
  GFontDatabase& operator=(const GFontDatabase&) = delete;

  // The database registered for the instance key, or null.
  static GFontDatabase* FindForInstance(uint32_t instance);
  uint32_t GetInstance() const { return instance_; }
  // The database is found under the new key from now on (its print-side
  // instance got its driver-server handle); the old key lets go of it.
  void SetInstance(uint32_t instance);

  // Opens the path with "wb", saves, adds the path to the saved files and
  // closes; the save's result, 0 when the file did not open.
  int SaveToFile(const RWWString& path);
  // The pool's part, then the marked faces, then Purge; 1 on success.
  int SaveToBinaryFile(RWBinaryFile& file);
  int SaveToStream(RWVirtualOutStream& stream);
  // 1 at once for the current file; otherwise opens it with "rb" and
  // restores. On success the path becomes the current file, on failure the
  // current file is emptied. 0 when the file did not open or is damaged.
  int LoadFromFile(const RWWString& path);
  // Purge, then the pool's part and the faces (merged by stamp).
  int RestoreFromBinaryFile(RWBinaryFile& file);
  int RestoreFromStream(RWVirtualInStream& stream);

  // Inserts the face under its key (one use more when inserted); 1, or 0
  // for a null face.
  int AddRecord(GFontFace* face);
  // The face with one use more when held with a stamp of at least minStamp.
  GFontFace* FindRecord(uint32_t key, uint32_t minStamp);
  // Removes the entry; the face's use count is left as it is.
  GFontFace* TakeRecord(uint32_t key);
  // Removes the entry and drops its use (deleting the face with its last);
  // 1 when the key was held.
  int ReleaseRecord(uint32_t key);
  int ContainsRecord(uint32_t key) const;
  uint32_t GetRecordCount() const;
  // The number of records; *keys receives a new array of their keys in
  // order (the caller deletes it with delete[]), null when there are none.
  uint32_t GetRecordKeys(uint32_t** keys) const { return records_.GetKeys(keys); }
  // Deletes the faces that only the database still holds.
  void Purge();
  // Releases every record, deletes every file the database saved and
  // empties the current file.
  void Clear();

  const RWWString& GetCurrentFile() const { return currentFile_; }
  const std::vector<RWWString>& GetSavedFiles() const { return savedFiles_; }

  // The process-wide face key counter: its value, then one more. It starts
  // at 1 and never answers 0, the key a stored handle without a face has.
  static uint32_t NextUniqueId();

 private:
  template <typename Out>
  int SaveParts(Out& out);
  template <typename In>
  int RestoreParts(In& in);

  GKeyedCache records_;
  uint32_t instance_;
  RWWString currentFile_;
  std::vector<RWWString> savedFiles_;
};
