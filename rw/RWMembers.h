// RWMembers: the stored members of a persistent class, stated once. A class
// writes one template, Members(Archive&), that names its stored values in
// order; the five archives below walk it to count the file form's bytes, to
// write the file form and the virtual-stream form, and to read both back.
// RW_STORED_MEMBERS declares, and RW_STORED_MEMBERS_DEFINE defines, the
// five overrides that call the base class first and then the class's own
// Members, so the size, both writes and both reads cannot drift apart.
//
// Reads are bounded and stop at the first value that fails: a body cut
// short keeps the values read so far and leaves the rest as they were. A
// version that is not the class's own stops the class's own members, as a
// body of an unknown version is not understood; the base classes' members
// are already read by then. Counts read through Count() are checked against
// a limit before anything is reserved.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"
#include "rw/RWWString.h"

namespace rwm {

// A value stored as another fixed-width type (a 16-bit code kept in an int,
// a flag stored as a long): As<uint16_t>(code_).
template <typename Stored, typename Held>
struct AsType {
  Held& value;
};
template <typename Stored, typename Held>
AsType<Stored, Held> As(Held& value) {
  return AsType<Stored, Held>{value};
}
template <typename Stored, typename Held>
AsType<Stored, Held> As(const Held& value) {
  return AsType<Stored, Held>{const_cast<Held&>(value)};
}

// A 32-bit count stored as the streams' int rather than their long (the
// two may differ in width in a foreign byte-order tagged stream):
// AsUInt(count).
struct UIntValue {
  uint32_t& value;
};
inline UIntValue AsUInt(uint32_t& value) { return UIntValue{value}; }

// The archives' kinds; a Members template may test them (kReading) where a
// read needs a step that a write has not.
enum class Kind { kSize, kWriteStream, kWriteFile, kReadStream, kReadFile };

// The typed calls of the two forms for one fixed-width type.
template <typename T>
struct Fixed;
#define RW_MEMBERS_FIXED(T, Name)                                                        \
  template <>                                                                            \
  struct Fixed<T> {                                                                      \
    static void Put(RWVirtualOutStream& s, T v) { s.Put##Name(v); }                      \
    static bool Write(RWBinaryFile& f, T v) { return f.Write##Name(v); }                 \
    static void Get(RWVirtualInStream& s, T& v) { s.Get##Name(v); }                      \
    static bool Read(RWBinaryFile& f, T& v) { return f.Read##Name(v); }                  \
  };
RW_MEMBERS_FIXED(int16_t, Short)
RW_MEMBERS_FIXED(uint16_t, UShort)
RW_MEMBERS_FIXED(int32_t, Long)
RW_MEMBERS_FIXED(uint32_t, ULong)
RW_MEMBERS_FIXED(unsigned char, UChar)
RW_MEMBERS_FIXED(char, Char)
RW_MEMBERS_FIXED(float, Float)
RW_MEMBERS_FIXED(double, Double)
#undef RW_MEMBERS_FIXED

template <typename T>
constexpr bool kIsFixed = std::is_same_v<T, int16_t> || std::is_same_v<T, uint16_t> || std::is_same_v<T, int32_t> ||
                          std::is_same_v<T, uint32_t> || std::is_same_v<T, unsigned char> || std::is_same_v<T, char> ||
                          std::is_same_v<T, float> || std::is_same_v<T, double>;

// What every archive shares: the variadic call and the stop flag.
template <typename Derived, Kind K>
class ArchiveBase {
 public:
  static constexpr Kind kKind = K;
  static constexpr bool kReading = K == Kind::kReadStream || K == Kind::kReadFile;
  static constexpr bool kWriting = K == Kind::kWriteStream || K == Kind::kWriteFile;

  template <typename... T>
  Derived& operator()(T&&... values) {
    (static_cast<Derived*>(this)->Value(values), ...);
    return *static_cast<Derived*>(this);
  }
  // False once a read failed or met a version it does not know; the rest of
  // the class's members are then left alone.
  bool Ok() const { return ok_; }
  // Stops the class's own members (a read that found a value it refuses).
  void Stop() { ok_ = false; }

 protected:
  bool ok_ = true;
};

// Counts the bytes of the file form.
class SizeArchive : public ArchiveBase<SizeArchive, Kind::kSize> {
 public:
  template <typename T>
    requires kIsFixed<T>
  void Value(const T&) {
    size_ += sizeof(T);
  }
  template <typename S, typename H>
  void Value(const AsType<S, H>&) {
    size_ += sizeof(S);
  }
  void Value(const UIntValue&) { size_ += 4; }
  void Value(const RWCString& text) { size_ += 4 + static_cast<uint32_t>(text.Length()); }
  void Value(const RWWString& text) { size_ += 4 + 2 * static_cast<uint32_t>(text.Length()); }
  // The class version: one 32-bit value.
  uint32_t Version(uint32_t version) {
    size_ += 4;
    return version;
  }
  uint32_t VersionUpTo(uint32_t version) { return Version(version); }
  uint32_t AnyVersion(uint32_t version) { return Version(version); }
  // An object held by value, written as an object of the graph (its class
  // tag, or a back reference when the save met it before).
  void Embedded(const RWCollectable& object) { size_ += object.StoredByteCount(); }
  // An object held by pointer (null stands for the null object).
  void Pointer(const RWCollectable* object) {
    size_ += (object != nullptr ? object : &RWNullObjectInstance)->StoredByteCount();
  }
  // The members of an object held by value, in place: no class tag and no
  // reference of their own.
  void Body(const RWCollectable& object) { size_ += object.MembersStoreSize(); }
  template <typename T>
  void Array(const T*, uint32_t count) {
    size_ += static_cast<uint32_t>(sizeof(T)) * count;
  }
  // Bytes stored one text character each (see StreamWriter::TextBytes).
  void TextBytes(const unsigned char*, uint32_t count) { size_ += count; }
  // A block of bytes written as one run (see StreamWriter::Block).
  void Block(const unsigned char*, uint32_t count) { size_ += count; }
  // Bytes beside the values (nested objects, counted by their own sizes).
  void AddBytes(uint32_t count) { size_ += count; }
  uint32_t Size() const { return size_; }

 private:
  uint32_t size_ = 0;
};

class StreamWriter : public ArchiveBase<StreamWriter, Kind::kWriteStream> {
 public:
  explicit StreamWriter(RWVirtualOutStream& stream) : stream_(stream) {}
  template <typename T>
    requires kIsFixed<T>
  void Value(const T& value) {
    Fixed<T>::Put(stream_, value);
  }
  template <typename S, typename H>
  void Value(const AsType<S, H>& value) {
    Fixed<S>::Put(stream_, static_cast<S>(value.value));
  }
  void Value(const UIntValue& count) { stream_.PutUInt(count.value); }
  void Value(const RWCString& text) { text.SaveTo(stream_); }
  void Value(const RWWString& text) { text.SaveTo(stream_); }
  uint32_t Version(uint32_t version) {
    stream_.PutULong(version);
    return version;
  }
  uint32_t VersionUpTo(uint32_t version) { return Version(version); }
  uint32_t AnyVersion(uint32_t version) { return Version(version); }
  void Embedded(const RWCollectable& object) { RWWriteObjectPointer(stream_, &object); }
  void Pointer(const RWCollectable* object) { RWWriteObjectPointer(stream_, object); }
  void Body(const RWCollectable& object) { object.SaveMembers(stream_); }
  template <typename T>
  void Array(const T* values, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) Fixed<T>::Put(stream_, values[i]);
  }
  // Bytes as text characters, one each (a text stream escapes them; a
  // binary one writes them as they are); null bytes stand for count zeros,
  // so the stored form keeps the length it announces.
  void TextBytes(const unsigned char* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) stream_.PutUCharText(bytes != nullptr ? bytes[i] : 0);
  }
  // A block of bytes as one run of unsigned characters; an empty block
  // writes nothing.
  void Block(const unsigned char* bytes, uint32_t count) {
    if (count != 0) stream_.PutUChars(bytes, count);
  }
  RWVirtualOutStream& Stream() { return stream_; }

 private:
  RWVirtualOutStream& stream_;
};

class FileWriter : public ArchiveBase<FileWriter, Kind::kWriteFile> {
 public:
  explicit FileWriter(RWBinaryFile& file) : file_(file) {}
  template <typename T>
    requires kIsFixed<T>
  void Value(const T& value) {
    Fixed<T>::Write(file_, value);
  }
  template <typename S, typename H>
  void Value(const AsType<S, H>& value) {
    Fixed<S>::Write(file_, static_cast<S>(value.value));
  }
  void Value(const UIntValue& count) { file_.WriteUInt(count.value); }
  void Value(const RWCString& text) { text.SaveToFile(file_); }
  void Value(const RWWString& text) { text.SaveToFile(file_); }
  uint32_t Version(uint32_t version) {
    file_.WriteULong(version);
    return version;
  }
  uint32_t VersionUpTo(uint32_t version) { return Version(version); }
  uint32_t AnyVersion(uint32_t version) { return Version(version); }
  void Embedded(const RWCollectable& object) { RWWriteObjectPointerToFile(file_, &object); }
  void Pointer(const RWCollectable* object) { RWWriteObjectPointerToFile(file_, object); }
  void Body(const RWCollectable& object) { object.SaveMembersToFile(file_); }
  template <typename T>
  void Array(const T* values, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) Fixed<T>::Write(file_, values[i]);
  }
  void TextBytes(const unsigned char* bytes, uint32_t count) {
    if (bytes != nullptr) {
      if (count != 0) file_.WriteChars(reinterpret_cast<const char*>(bytes), count);
    } else {
      for (uint32_t i = 0; i < count; ++i) file_.WriteChar('\0');
    }
  }
  void Block(const unsigned char* bytes, uint32_t count) {
    if (count != 0) file_.WriteChars(reinterpret_cast<const char*>(bytes), count);
  }
  RWBinaryFile& File() { return file_; }

 private:
  RWBinaryFile& file_;
};

// Reads each value only while the stream is still good.
class StreamReader : public ArchiveBase<StreamReader, Kind::kReadStream> {
 public:
  explicit StreamReader(RWVirtualInStream& stream) : stream_(stream) {}
  template <typename T>
    requires kIsFixed<T>
  void Value(T& value) {
    if (Going()) Fixed<T>::Get(stream_, value);
  }
  template <typename S, typename H>
  void Value(const AsType<S, H>& value) {
    if (!Going()) return;
    S stored{};
    Fixed<S>::Get(stream_, stored);
    if (stream_.Good()) value.value = static_cast<H>(stored);
  }
  void Value(const UIntValue& count) {
    if (Going()) stream_.GetUInt(count.value);
  }
  void Value(RWCString& text) {
    if (Going()) text.RestoreFrom(stream_);
  }
  void Value(RWWString& text) {
    if (Going()) text.RestoreFrom(stream_);
  }
  // Reads the stored version; anything but expected stops the members.
  uint32_t Version(uint32_t expected) { return ReadVersion(expected, true); }
  // Reads the stored version; one above current stops the members, an
  // older one is answered so that the class reads what that version holds.
  uint32_t VersionUpTo(uint32_t current) { return ReadVersion(current, false); }
  // Reads a version and answers it (0 when it could not be read); the
  // class decides what it accepts.
  uint32_t AnyVersion(uint32_t) {
    uint32_t version = 0;
    if (Going()) stream_.GetULong(version);
    return version;
  }
  // Reads into the object in place; a failed read stops the members.
  void Embedded(RWCollectable& object) {
    if (Going() && RWReadObjectInto(stream_, &object) == nullptr) ok_ = false;
  }
  // Reads one object reference into the pointer (which the caller cleared
  // or set to what a failed read leaves).
  void Pointer(RWCollectable*& object) {
    if (Going()) RWReadObjectPointer(stream_, object);
  }
  void Body(RWCollectable& object) {
    if (Going()) object.RestoreMembers(stream_);
  }
  template <typename T>
  void Array(T* values, uint32_t count) {
    for (uint32_t i = 0; i < count && Going(); ++i) Fixed<T>::Get(stream_, values[i]);
  }
  // Reads count bytes stored by TextBytes into piece; false when they
  // could not all be read. A class reads a long run piece by piece, so that
  // memory follows what the input holds, not the length it claims.
  bool TextPiece(unsigned char* piece, size_t count) {
    for (size_t i = 0; i < count && Going(); ++i) stream_.GetUCharText(piece[i]);
    return Going();
  }
  // Reads a block written by StreamWriter::Block into bytes (count of
  // them, which the caller provides).
  void Block(unsigned char* bytes, uint32_t count) {
    if (count != 0 && Going()) stream_.GetUChars(bytes, count);
  }
  RWVirtualInStream& Stream() { return stream_; }
  // The input, for a class's own read step written once for both forms
  // over helpers overloaded on the stream and the file.
  RWVirtualInStream& Input() { return stream_; }
  // Every value so far was read and the stream is still good.
  bool Ok() { return Going(); }
  // The input is damaged: the stream fails and the members stop.
  void Fail() {
    stream_.SetState(RW_STREAM_FAIL);
    ok_ = false;
  }

 private:
  bool Going() {
    if (ok_ && !stream_.Good()) ok_ = false;
    return ok_;
  }
  uint32_t ReadVersion(uint32_t current, bool exact) {
    uint32_t version = 0;
    if (!Going()) return version;
    stream_.GetULong(version);
    if (!stream_.Good() || version > current || (exact && version != current)) ok_ = false;
    return version;
  }
  RWVirtualInStream& stream_;
};

// Reads each value only while every earlier read succeeded.
class FileReader : public ArchiveBase<FileReader, Kind::kReadFile> {
 public:
  explicit FileReader(RWBinaryFile& file) : file_(file) {}
  template <typename T>
    requires kIsFixed<T>
  void Value(T& value) {
    if (ok_ && !Fixed<T>::Read(file_, value)) ok_ = false;
  }
  template <typename S, typename H>
  void Value(const AsType<S, H>& value) {
    if (!ok_) return;
    S stored{};
    if (Fixed<S>::Read(file_, stored))
      value.value = static_cast<H>(stored);
    else
      ok_ = false;
  }
  void Value(const UIntValue& count) {
    if (ok_ && !file_.ReadUInt(count.value)) ok_ = false;
  }
  void Value(RWCString& text) {
    if (ok_ && !text.RestoreFromFile(file_)) ok_ = false;
  }
  void Value(RWWString& text) {
    if (ok_ && !text.RestoreFromFile(file_)) ok_ = false;
  }
  uint32_t Version(uint32_t expected) { return ReadVersion(expected, true); }
  uint32_t VersionUpTo(uint32_t current) { return ReadVersion(current, false); }
  uint32_t AnyVersion(uint32_t) {
    uint32_t version = 0;
    if (ok_ && !file_.ReadULong(version)) ok_ = false;
    return version;
  }
  void Embedded(RWCollectable& object) {
    if (ok_ && RWReadObjectIntoFromFile(file_, &object) == nullptr) ok_ = false;
  }
  void Pointer(RWCollectable*& object) {
    if (ok_) RWReadObjectPointerFromFile(file_, object);
  }
  void Body(RWCollectable& object) {
    if (ok_) object.RestoreMembersFromFile(file_);
  }
  template <typename T>
  void Array(T* values, uint32_t count) {
    for (uint32_t i = 0; i < count && ok_; ++i)
      if (!Fixed<T>::Read(file_, values[i])) ok_ = false;
  }
  bool TextPiece(unsigned char* piece, size_t count) {
    if (ok_ && !file_.ReadChars(reinterpret_cast<char*>(piece), count)) ok_ = false;
    return ok_;
  }
  void Block(unsigned char* bytes, uint32_t count) {
    if (count != 0 && ok_ && !file_.ReadChars(reinterpret_cast<char*>(bytes), count)) ok_ = false;
  }
  RWBinaryFile& File() { return file_; }
  RWBinaryFile& Input() { return file_; }
  // The input is damaged: the members stop (a file keeps no failure state).
  void Fail() { ok_ = false; }

 private:
  uint32_t ReadVersion(uint32_t current, bool exact) {
    uint32_t version = 0;
    if (!ok_) return version;
    if (!file_.ReadULong(version) || version > current || (exact && version != current)) ok_ = false;
    return version;
  }
  RWBinaryFile& file_;
};

// A counted run: a 32-bit count, then that many elements, each stored by
// step(archive, element). WriteCounted takes count elements at data (the
// sizing archive counts them the same way). ReadCounted gathers the
// elements one by one into read, so a damaged count allocates no more than
// the input holds; read keeps only whole elements, and archive.Ok() says
// whether the whole run was read.
template <typename Archive, typename T, typename Step>
void WriteCounted(Archive& archive, const T* data, uint32_t count, Step step) {
  archive(count);
  for (uint32_t i = 0; i < count; ++i) step(archive, const_cast<T&>(data[i]));
}
template <typename Archive, typename T, typename Step>
void ReadCounted(Archive& archive, std::vector<T>& read, Step step) {
  uint32_t count = 0;
  archive(count);
  read.clear();
  for (uint32_t i = 0; i < count && archive.Ok(); ++i) {
    T element{};
    step(archive, element);
    if (archive.Ok()) read.push_back(std::move(element));
  }
}

// The five walks of one object's own members. Members is not const (the
// reads fill it); the size and the writes only look.
template <typename C>
uint32_t SizeOf(const C& object) {
  SizeArchive archive;
  const_cast<C&>(object).Members(archive);
  return archive.Size();
}
template <typename C>
void Save(const C& object, RWVirtualOutStream& stream) {
  StreamWriter archive(stream);
  const_cast<C&>(object).Members(archive);
}
template <typename C>
void Save(const C& object, RWBinaryFile& file) {
  FileWriter archive(file);
  const_cast<C&>(object).Members(archive);
}
template <typename C>
void Restore(C& object, RWVirtualInStream& stream) {
  StreamReader archive(stream);
  object.Members(archive);
}
template <typename C>
void Restore(C& object, RWBinaryFile& file) {
  FileReader archive(file);
  object.Members(archive);
}

}  // namespace rwm

// In a class body: the five storage overrides and the Members template
// that they walk. The template is defined in the class's source file.
#define RW_STORED_MEMBERS()                                     \
  uint32_t MembersStoreSize() const override;                   \
  void RestoreMembers(RWVirtualInStream& stream) override;      \
  void RestoreMembersFromFile(RWBinaryFile& file) override;     \
  void SaveMembers(RWVirtualOutStream& stream) const override;  \
  void SaveMembersToFile(RWBinaryFile& file) const override;    \
  template <typename Archive>                                   \
  void Members(Archive& archive)

// In the class's source file, after its Members template: the overrides,
// each of which runs the base class's part first.
#define RW_STORED_MEMBERS_DEFINE(Class, Base)                                                                     \
  uint32_t Class::MembersStoreSize() const {                                                                      \
    RWStoreTableGuard guard; /* objects met in the base and here count once */                                   \
    return Base::MembersStoreSize() + rwm::SizeOf(*this);                                                         \
  }                                                                                                               \
  RW_STORED_MEMBERS_DEFINE_READS_AND_WRITES(Class, Base)

// In place of RW_STORED_MEMBERS_DEFINE, for a class whose members may refer
// back to the object itself: a size counted at the top of a save enters the
// object in the sizing table first, so those references count as the back
// references the save writes.
#define RW_STORED_MEMBERS_DEFINE_SELF_FIRST(Class, Base)                   \
  uint32_t Class::MembersStoreSize() const {                              \
    RWStoreTableGuard sizing;                                             \
    uint32_t index = 0;                                                   \
    if (sizing.IsTopLevel()) sizing.Table().Enter(this, index);           \
    return Base::MembersStoreSize() + rwm::SizeOf(*this);                 \
  }                                                                       \
  RW_STORED_MEMBERS_DEFINE_READS_AND_WRITES(Class, Base)

// The four overrides that write and read the members, for a class that
// defines its own MembersStoreSize (one counted in another sizing scope).
#define RW_STORED_MEMBERS_DEFINE_READS_AND_WRITES(Class, Base)                                                    \
  RW_STORED_MEMBERS_DEFINE_WRITES(Class, Base)                                                                    \
  void Class::RestoreMembers(RWVirtualInStream& stream) {                                                         \
    Base::RestoreMembers(stream);                                                                                 \
    rwm::Restore(*this, stream);                                                                                  \
  }                                                                                                               \
  void Class::RestoreMembersFromFile(RWBinaryFile& file) {                                                        \
    Base::RestoreMembersFromFile(file);                                                                           \
    rwm::Restore(*this, file);                                                                                    \
  }

// The size and the two writes, for a class whose reads run a step of the
// base class of their own before the members (such as a container body
// that says whether it replaced the children) and then rwm::Restore.
#define RW_STORED_MEMBERS_DEFINE_SIZE_AND_WRITES(Class, Base)      \
  uint32_t Class::MembersStoreSize() const {                       \
    RWStoreTableGuard guard;                                       \
    return Base::MembersStoreSize() + rwm::SizeOf(*this);          \
  }                                                                \
  RW_STORED_MEMBERS_DEFINE_WRITES(Class, Base)

// The two writes: the base class's part, then the members.
#define RW_STORED_MEMBERS_DEFINE_WRITES(Class, Base)                \
  void Class::SaveMembers(RWVirtualOutStream& stream) const {      \
    Base::SaveMembers(stream);                                     \
    rwm::Save(*this, stream);                                      \
  }                                                                \
  void Class::SaveMembersToFile(RWBinaryFile& file) const {        \
    Base::SaveMembersToFile(file);                                 \
    rwm::Save(*this, file);                                        \
  }

// In the body of a class template, where the overrides are defined in
// place: the five overrides, then the Members template, whose body follows
// the macro.
#define RW_STORED_MEMBERS_INLINE(Base)                                \
  uint32_t MembersStoreSize() const override {                        \
    RWStoreTableGuard guard;                                          \
    return Base::MembersStoreSize() + rwm::SizeOf(*this);             \
  }                                                                   \
  void SaveMembers(RWVirtualOutStream& stream) const override {       \
    Base::SaveMembers(stream);                                        \
    rwm::Save(*this, stream);                                         \
  }                                                                   \
  void SaveMembersToFile(RWBinaryFile& file) const override {         \
    Base::SaveMembersToFile(file);                                    \
    rwm::Save(*this, file);                                           \
  }                                                                   \
  void RestoreMembers(RWVirtualInStream& stream) override {           \
    Base::RestoreMembers(stream);                                     \
    rwm::Restore(*this, stream);                                      \
  }                                                                   \
  void RestoreMembersFromFile(RWBinaryFile& file) override {          \
    Base::RestoreMembersFromFile(file);                               \
    rwm::Restore(*this, file);                                        \
  }                                                                   \
  template <typename Archive>                                         \
  void Members(Archive& archive)
