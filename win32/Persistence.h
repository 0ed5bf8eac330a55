// Saving and loading the stand-in's lasting state, so that a program that
// plays the spooler (the command-line host) sees between two runs the same
// printers, printer data, forms, registry and files, as on a real machine.
//
// A state directory holds "platform.state" (the registry's two trees, the
// spooler's printers and added forms, and the position of the UUID
// sequence) and "files/", the root of the file tree. The state file is little-endian binary: the 8 bytes "QVW32ST\n", a
// 32-bit format version (1), the 32-bit payload length, the payload and a
// 32-bit FNV-1a checksum of the payload. Every count and length in it is
// checked against what remains before anything is taken, so a damaged file
// is refused with a message and leaves the stand-in as it was.
#pragma once

#include <string>

namespace w32host {

// The state file's name inside a state directory, and the files' root.
inline constexpr const char* kStateFileName = "platform.state";
inline constexpr const char* kFilesDirectoryName = "files";
inline constexpr unsigned kStateFormatVersion = 1;

// Makes the directory when it does not exist, replaces the registry and the
// spooler state by the saved ones (when a state file is there) and makes
// "files/" the file root. False, with a message in *error, when the
// directory cannot be made or the state file cannot be read or is damaged;
// then nothing has changed.
bool LoadPlatformState(const std::string& directory, std::string* error);

// Writes the registry and the spooler state to the state file (through a
// temporary file, so that a failed save leaves the old state), and copies
// the file tree into "files/" when the file root is elsewhere. The temporary
// file has a name of its own per save. False, with a
// message in *error, when anything cannot be written.
bool SavePlatformState(const std::string& directory, std::string* error);

}  // namespace w32host
