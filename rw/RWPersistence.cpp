#include "rw/RWPersistence.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWStringID.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr int32_t kTopLevelMarker = 0x8888;
constexpr uint16_t kBackReference = 0xFFFF;
constexpr uint16_t kNewStringId = 0x888F;
constexpr uint16_t kKnownStringId = 0x888E;

// How deep references may nest inside bodies while reading. Real graphs
// stay far below it; a damaged input that nests deeper fails instead of
// exhausting the stack.
constexpr uint32_t kMaxPersistenceDepth = 512;

// ---- Writing ----

// The class part of a new object: its class id, or for a class stored by
// string id the string id (first use) or the index it took (later uses).
template <typename PutNew, typename PutKnown, typename PutId>
void WriteClass(const RWCollectable& object, RWStoreTable& table, PutNew putNew, PutKnown putKnown,
                PutId putId) {
  const RWClassID id = object.ClassId();
  if (!RWIsStringIdClass(id)) {
    putId(id);
    return;
  }
  const RWStringID stringId = RWFactoryStringIdOf(id);
  uint32_t index;
  if (table.EnterStringId(stringId, index)) {
    putNew(stringId);
  } else {
    putKnown(index);
  }
}

const RWCollectable* OrNull(const RWCollectable* object) {
  return object != nullptr ? object : &RWNullObjectInstance;
}

// ---- Reading ----

void FailWith(RWReadTable& table, const RWMessageRecord* record) { table.Fail(record->text); }

// Raises MAGIC or NOCREATE; the restore's interceptor turns them into a
// failure of the restore. The failure is recorded here as well, so the
// restore stops whatever the handler does.
void RaiseMagic(RWReadTable& table, int32_t marker) {
  RWMessageText text(RWToolsMsg_MAGIC(), static_cast<long>(marker), static_cast<long>(kTopLevelMarker));
  RWRaiseExternalDataError(RWExternalDataError(text));
  table.Fail(text.Text());
}

void RaiseNoCreate(RWReadTable& table, RWClassID id) {
  RWMessageText text(RWToolsMsg_NOCREATE(), static_cast<unsigned short>(id), static_cast<unsigned short>(id));
  RWRaiseInternalLogicError(RWInternalLogicError(text));
  table.Fail(text.Text());
}

RWCollectable* ResolveBackReference(RWReadTable& table, int32_t index, const RWCollectable* existing) {
  RWCollectable* object = nullptr;
  if (!table.ObjectAt(static_cast<uint32_t>(index), existing, object)) FailWith(table, RWToolsMsg_REF());
  return object;
}

bool ResolveClassIndex(RWReadTable& table, int32_t index, RWClassID& id) {
  if (table.ClassIdAt(static_cast<uint32_t>(index), id)) return true;
  FailWith(table, RWToolsMsg_REF());
  return false;
}

// The object of a new reference: the existing one, or a new one from the
// factory (recorded, so that a failed restore frees it). Then it takes its
// slot, and after a string id read for the first time, the class id takes
// the next one.
RWCollectable* MakeAndEnter(RWReadTable& table, RWCollectable* existing, RWClassID id, bool byStringId,
                            const RWCString& stringId) {
  RWCollectable* object = existing;
  if (object == nullptr) {
    object = byStringId ? RWFactoryCreateByStringId(RWStringID(stringId)) : RWFactoryCreate(id);
    if (object == nullptr) {
      RaiseNoCreate(table, id);
      return nullptr;
    }
    table.Created(object);
  }
  uint32_t index;
  if (!table.Append(index, RWReadTableEntry::ForObject(object)) ||
      (byStringId && !table.Append(index, RWReadTableEntry::ForClassId(object->ClassId())))) {
    FailWith(table, RWCoreMsg_NOMEM());
    return nullptr;
  }
  return object;
}

// ---- File form ----

bool FileStopped(RWBinaryFile& file) { return file.IsAtEnd() || file.HasError(); }

// Leaves the file of a failed restore at its end with the end indicator
// set, so that every further read fails at once: the loops and bodies that
// stop on the file's indicators stop, and nothing after the damage is taken
// for data.
void MarkFileFailed(RWBinaryFile& file) {
  file.SeekToEnd();
  char byte;
  file.ReadChar(byte);
}

void FailStopped(RWReadTable& table, RWBinaryFile& file) {
  FailWith(table, file.HasError() ? RWToolsMsg_READERR() : RWCoreMsg_EOF());
}

// Reads one reference. A file that ends before its first value gives no
// object and is no failure; any later stop fails the restore.
RWCollectable* ReadFileReference(RWBinaryFile& file, RWCollectable* existing, RWReadTable& table, bool topLevel) {
  uint16_t tag = 0;
  if (topLevel) {
    int32_t marker = 0;
    if (!file.ReadLong(marker) || FileStopped(file)) return nullptr;
    if (marker != kTopLevelMarker) {
      RaiseMagic(table, marker);
      return nullptr;
    }
    if (!file.ReadUShort(tag) || FileStopped(file)) {
      FailStopped(table, file);
      return nullptr;
    }
  } else if (!file.ReadUShort(tag) || FileStopped(file)) {
    return nullptr;
  }

  if (tag == kBackReference) {
    int32_t index = 0;
    if (!file.ReadInt(index) || FileStopped(file)) {
      FailStopped(table, file);
      return nullptr;
    }
    return ResolveBackReference(table, index, existing);
  }

  RWClassID id = tag;
  RWCString stringId;
  if (tag == kNewStringId) {
    stringId.RestoreFromFile(file);
    if (FileStopped(file)) {
      FailStopped(table, file);
      return nullptr;
    }
  } else if (tag == kKnownStringId) {
    int32_t index = 0;
    if (!file.ReadInt(index) || FileStopped(file)) {
      FailStopped(table, file);
      return nullptr;
    }
    if (!ResolveClassIndex(table, index, id)) return nullptr;
  }

  RWCollectable* object = MakeAndEnter(table, existing, id, tag == kNewStringId, stringId);
  if (object == nullptr) return nullptr;
  object->RestoreMembersFromFile(file);
  if (FileStopped(file)) FailStopped(table, file);
  return object;
}

// Reads one reference under the thread's read table. Returns false when
// the restore has failed (now or before); result is then null.
bool ReadFromFile(RWBinaryFile& file, RWCollectable* existing, RWCollectable*& result) {
  result = nullptr;
  RWReadTableGuard guard;
  RWReadTable& table = guard.Table();
  if (!table.Failed()) {
    if (table.Depth() >= kMaxPersistenceDepth) {
      FailWith(table, RWToolsMsg_STREAM());
    } else {
      ++table.Depth();
      result = ReadFileReference(file, existing, table, guard.IsTopLevel());
      --table.Depth();
    }
  }
  if (!table.Failed()) return true;
  result = nullptr;
  MarkFileFailed(file);
  return false;
}

// ---- Virtual-stream form ----

void FailStream(RWReadTable& table, RWVirtualInStream& stream) {
  stream.SetState(RW_STREAM_FAIL);
  FailWith(table, stream.Eof() ? RWCoreMsg_EOF() : RWToolsMsg_STREAM());
}

RWCollectable* ReadStreamReference(RWVirtualInStream& stream, RWCollectable* existing, RWReadTable& table) {
  char mark = 0;
  stream.GetCharText(mark);
  // The input ends before this reference: no object, the state as the
  // read left it.
  if (stream.Eof()) return nullptr;
  if (!stream.Good() || (mark != '@' && mark != ':')) {
    FailStream(table, stream);
    return nullptr;
  }

  if (mark == '@') {
    int32_t index = 0;
    stream.GetInt(index);
    if (!stream.Good()) {
      FailStream(table, stream);
      return nullptr;
    }
    return ResolveBackReference(table, index, existing);
  }

  uint16_t tag = 0;
  stream.GetUShort(tag);
  if (!stream.Good()) {
    FailStream(table, stream);
    return nullptr;
  }
  RWClassID id = tag;
  RWCString stringId;
  if (tag == kNewStringId) {
    stringId.RestoreFrom(stream);
    if (!stream.Good()) {
      FailStream(table, stream);
      return nullptr;
    }
  } else if (tag == kKnownStringId) {
    int32_t index = 0;
    stream.GetInt(index);
    if (!stream.Good()) {
      FailStream(table, stream);
      return nullptr;
    }
    if (!ResolveClassIndex(table, index, id)) return nullptr;
  }

  char brace = 0;
  stream.GetCharText(brace);
  if (!stream.Good() || brace != '{') {
    FailStream(table, stream);
    return nullptr;
  }
  RWCollectable* object = MakeAndEnter(table, existing, id, tag == kNewStringId, stringId);
  if (object == nullptr) return nullptr;
  object->RestoreMembers(stream);
  // The closing brace; its value is not checked.
  stream.GetCharText(brace);
  if (!stream.Good()) FailStream(table, stream);
  return object;
}

bool ReadFromStream(RWVirtualInStream& stream, RWCollectable* existing, RWCollectable*& result) {
  result = nullptr;
  if (!stream.Good()) return true;
  RWReadTableGuard guard;
  RWReadTable& table = guard.Table();
  if (!table.Failed()) {
    if (table.Depth() >= kMaxPersistenceDepth) {
      FailWith(table, RWToolsMsg_STREAM());
    } else {
      ++table.Depth();
      result = ReadStreamReference(stream, existing, table);
      --table.Depth();
    }
  }
  if (!table.Failed()) return true;
  result = nullptr;
  stream.SetState(RW_STREAM_FAIL);
  return false;
}

}  // namespace

// ---- RWCollectable ----

void RWCollectable::WriteToFile(RWBinaryFile& file) const {
  RWStoreTableGuard guard;
  RWStoreTable& table = guard.Table();
  if (guard.IsTopLevel()) file.WriteLong(kTopLevelMarker);
  uint32_t index;
  if (!table.Enter(this, index)) {
    file.WriteUShort(kBackReference);
    file.WriteInt(static_cast<int32_t>(index));
    return;
  }
  WriteClass(
      *this, table,
      [&file](const RWStringID& stringId) {
        file.WriteUShort(kNewStringId);
        stringId.String().SaveToFile(file);
      },
      [&file](uint32_t known) {
        file.WriteUShort(kKnownStringId);
        file.WriteInt(static_cast<int32_t>(known));
      },
      [&file](RWClassID id) { file.WriteUShort(id); });
  SaveMembersToFile(file);
}

void RWCollectable::WriteTo(RWVirtualOutStream& stream) const {
  RWStoreTableGuard guard;
  RWStoreTable& table = guard.Table();
  uint32_t index;
  if (!table.Enter(this, index)) {
    stream.PutCharText('@');
    stream.PutInt(static_cast<int32_t>(index));
    return;
  }
  stream.PutCharText(':');
  WriteClass(
      *this, table,
      [&stream](const RWStringID& stringId) {
        stream.PutUShort(kNewStringId);
        stringId.String().SaveTo(stream);
      },
      [&stream](uint32_t known) {
        stream.PutUShort(kKnownStringId);
        stream.PutInt(static_cast<int32_t>(known));
      },
      [&stream](RWClassID id) { stream.PutUShort(id); });
  stream.PutCharText('{');
  SaveMembers(stream);
  stream.PutCharText('}');
}

uint32_t RWCollectable::StoredByteCount() const {
  RWStoreTableGuard guard;
  RWStoreTable& table = guard.Table();
  uint32_t count = guard.IsTopLevel() ? 4 : 0;
  uint32_t index;
  if (!table.Enter(this, index)) return count + 6;
  count += 2 + MembersStoreSize();
  const RWClassID id = ClassId();
  if (RWIsStringIdClass(id)) {
    const RWStringID stringId = RWFactoryStringIdOf(id);
    count += table.EnterStringId(stringId, index) ? static_cast<uint32_t>(stringId.String().Length()) + 4 : 4;
  }
  return count;
}

// ---- Pointers ----

RWVirtualOutStream& RWWriteObjectPointer(RWVirtualOutStream& stream, const RWCollectable* object) {
  OrNull(object)->WriteTo(stream);
  return stream;
}

RWBinaryFile& RWWriteObjectPointerToFile(RWBinaryFile& file, const RWCollectable* object) {
  OrNull(object)->WriteToFile(file);
  return file;
}

void RWReadObjectPointer(RWVirtualInStream& stream, RWCollectable*& out) {
  RWCollectable* result;
  if (ReadFromStream(stream, out, result)) out = result;
}

void RWReadObjectPointerFromFile(RWBinaryFile& file, RWCollectable*& out) {
  RWCollectable* result;
  if (ReadFromFile(file, out, result)) out = result;
}

RWCollectable* RWReadObjectInto(RWVirtualInStream& stream, RWCollectable* existing) {
  RWCollectable* result;
  ReadFromStream(stream, existing, result);
  return result;
}

RWCollectable* RWReadObjectIntoFromFile(RWBinaryFile& file, RWCollectable* existing) {
  RWCollectable* result;
  ReadFromFile(file, existing, result);
  return result;
}
