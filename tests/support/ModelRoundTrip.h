// Test helpers for persistent model classes: save an object graph in each
// of the four stored forms (the file form on an RWBinaryFile and the three
// virtual-stream encodings), read it back, and compare; and check that the
// size the framing predicts for an object is the number of bytes its file
// form takes. A class's tests call ExpectRoundTripsInAllForms and
// ExpectStoredByteCountIsWritten on a populated sample object.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCollectable.h"
#include "rw/RWEndianStream.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "rw/RWReadTable.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace qvtest {

enum class ModelForm { kFile, kPortableText, kNativeBinary, kByteOrderTagged };

inline constexpr ModelForm kAllModelForms[] = {ModelForm::kFile, ModelForm::kPortableText,
                                               ModelForm::kNativeBinary, ModelForm::kByteOrderTagged};

inline const char* ModelFormName(ModelForm form) {
  switch (form) {
    case ModelForm::kFile: return "file";
    case ModelForm::kPortableText: return "portable text";
    case ModelForm::kNativeBinary: return "native binary";
    case ModelForm::kByteOrderTagged: return "byte-order tagged";
  }
  return "?";
}

// The stand-in path the file form goes through.
inline const char* ModelTestFilePath() { return "C:\\ModelTests\\graph.dat"; }
inline const char16_t* ModelTestFilePathW() { return u"C:\\ModelTests\\graph.dat"; }

// Writes the object (null for the null object) as one outermost save and
// returns the bytes.
inline std::string SaveInForm(const RWCollectable* object, ModelForm form) {
  if (form == ModelForm::kFile) {
    w32test::MakeDirectories(u"C:\\ModelTests");
    {
      RWBinaryFile file(ModelTestFilePath(), "wb+");
      RWWriteObjectPointerToFile(file, object);
    }
    return w32test::FileContents(ModelTestFilePathW()).value_or(std::string());
  }
  std::ostringstream bytes(std::ios::out | std::ios::binary);
  if (form == ModelForm::kPortableText) {
    RWPortableOutStream out(bytes);
    RWWriteObjectPointer(out, object);
  } else if (form == ModelForm::kNativeBinary) {
    RWBinaryOutStream out(bytes);
    RWWriteObjectPointer(out, object);
  } else {
    // Big-endian, so the reader converts every value it reads.
    RWEndianOutStream out(bytes, RWEndianOutStream::BigEndian);
    RWWriteObjectPointer(out, object);
  }
  return bytes.str();
}

// What one outermost read gave.
struct ModelRead {
  MPersistentObject* object = nullptr;  // owned by the caller
  bool failed = false;                  // the input was left failed or at its end
};

// Reads one object as an outermost read from bytes in the form.
inline ModelRead RestoreFromForm(const std::string& bytes, ModelForm form) {
  ModelRead result;
  if (form == ModelForm::kFile) {
    w32test::PutFile(ModelTestFilePathW(), bytes);
    RWBinaryFile file(ModelTestFilePath(), "rb");
    MPersistentObject::ReadPersistentObject(file, result.object);
    // A failed restore leaves the file at its end with the end indicator set.
    result.failed = file.HasError() || file.IsAtEnd() || !RWReadTableGuard::LastFailureText().empty();
    return result;
  }
  std::istringstream in(bytes, std::ios::in | std::ios::binary);
  auto read = [&](RWVirtualInStream& stream) {
    MPersistentObject::ReadPersistentObject(stream, result.object);
    result.failed = stream.Fail();
  };
  if (form == ModelForm::kPortableText) {
    RWPortableInStream stream(in);
    read(stream);
  } else if (form == ModelForm::kNativeBinary) {
    RWBinaryInStream stream(in);
    read(stream);
  } else {
    // The stream reads its header when it is made; a damaged header fails
    // the restore like any other damage.
    RWReadTableGuard restore;
    RWEndianInStream stream(in);
    read(stream);
  }
  return result;
}

// Saves the object in every form, reads it back, and expects an object of
// the same class that Matches the original; the copies are deleted.
inline void ExpectRoundTripsInAllForms(const MPersistentObject& original) {
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    ModelRead read = RestoreFromForm(SaveInForm(&original, form), form);
    EXPECT_FALSE(read.failed) << RWReadTableGuard::LastFailureText();
    ASSERT_NE(read.object, nullptr);
    EXPECT_EQ(read.object->ClassId(), original.ClassId());
    EXPECT_TRUE(original.Matches(read.object));
    EXPECT_TRUE(read.object->Matches(&original));
    delete read.object;
  }
}

// The framing's predicted size of the object as an outermost save equals
// the bytes its file form takes, and that size is the 4-byte marker, the
// 2-byte class tag and MembersStoreSize.
inline void ExpectStoredByteCountIsWritten(const RWCollectable& object) {
  const uint32_t predicted = object.StoredByteCount();
  const std::string written = SaveInForm(&object, ModelForm::kFile);
  EXPECT_EQ(predicted, written.size());
  EXPECT_EQ(predicted, 4 + 2 + object.MembersStoreSize());
}

// Little-endian bytes for hand-made file-form inputs.
class StoredBytes {
 public:
  StoredBytes& U16(uint16_t v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    bytes_.push_back(static_cast<char>(v >> 8));
    return *this;
  }
  StoredBytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  // The outermost marker.
  StoredBytes& Marker() { return U32(0x8888); }
  // A back reference.
  StoredBytes& Ref(uint32_t index) { return U16(0xFFFF).U32(index); }
  // The body of MPersistentObject: version 1, id, serial.
  StoredBytes& Base(int32_t id, uint32_t serial) { return U32(1).U32(static_cast<uint32_t>(id)).U32(serial); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace qvtest
