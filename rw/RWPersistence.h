// The stored form of object graphs: every persistent object is written with
// its class (so the reader can create it through the class factory) and
// with identity (an object met again in the same save is written as a back
// reference, so shared objects and cycles come back as one object). Two
// forms carry the same information: the file form on an RWBinaryFile, and
// the virtual-stream form on any RWVirtualOutStream. The bodies are each
// class's SaveMembers / RestoreMembers.
//
// File form (little-endian, unpadded): the outermost write of a thread
// starts with the 32-bit marker 0x8888; each reference is then
//   FF FF, 32-bit index               a back reference (index 0 is null)
//   16-bit class id, body             a new object
//   8F 88, string id, body            a new object of a class stored by its
//                                     string id, first use of that id
//   8E 88, 32-bit index, body         the same, string id written before
// The virtual-stream form has no marker: '@' index, or ':' tag ... '{' body
// '}' through the stream's typed operations.
//
// Restoring damaged input never ends the process: the restore fails, the
// result is null, whatever the restore created is freed (rw/RWReadTable.h)
// and the input is left failed: a virtual stream with its fail bit set, a
// file at its end with its end indicator set (the typed file offers no way
// to set its error indicator), so that every further read fails at once.
// RWReadTableGuard::LastFailureText tells why.
#pragma once

#include "rw/RWCollectable.h"

class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

// Writes a possibly null pointer as one reference (null is written as the
// null object, a back reference with index 0).
RWVirtualOutStream& RWWriteObjectPointer(RWVirtualOutStream& stream, const RWCollectable* object);
RWBinaryFile& RWWriteObjectPointerToFile(RWBinaryFile& file, const RWCollectable* object);

// Reads one reference. out receives the object (created, or one read
// before in the same restore) or null for a stored null and at the end of
// the input; the caller sets it to null first. When the restore fails, out
// keeps its value.
void RWReadObjectPointer(RWVirtualInStream& stream, RWCollectable*& out);
void RWReadObjectPointerFromFile(RWBinaryFile& file, RWCollectable*& out);

// Reads one reference into an object that exists already (an object
// embedded in its owner); with a null existing object they create one as
// the pointer reads do. The result is the object read into, or null.
RWCollectable* RWReadObjectInto(RWVirtualInStream& stream, RWCollectable* existing);
RWCollectable* RWReadObjectIntoFromFile(RWBinaryFile& file, RWCollectable* existing);
