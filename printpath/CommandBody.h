// The stored body of the job and page command parts that hold only their
// class version.
#pragma once

#include <cstdint>

#include "rw/RWReadTable.h"

namespace printpath_body {

// The stored members of a command part that holds only its version: the
// version is written and read, any stored version is accepted, and nothing
// is read once the restore has failed.
template <typename Archive>
void VersionOnlyMembers(Archive& archive, uint32_t version) {
  if constexpr (Archive::kReading) {
    if (RWReadTableGuard::RestoreFailed()) archive.Stop();
  }
  archive.AnyVersion(version);
}

}  // namespace printpath_body
