#include "model/GDriverVersion.h"

namespace {

constexpr int kMajor = 4;
constexpr int kMinor = 2;
constexpr int kBuild = 1;
constexpr int kRevision = 8;

}  // namespace

void GetDriverVersion(int& high, int& low) {
  high = (kMajor << 16) | kMinor;
  low = (kBuild << 16) | kRevision;
}

// The stamp of the released build, fixed so that every build of this
// version reports the same one.
const char* GetDriverBuildDate() { return "Jun 29 2001"; }
const char* GetDriverBuildTime() { return "21:42:28"; }

int GetDriverPatchLevel() { return 0; }
int GetDriverPrivateBuild() { return 0; }
int GetDriverSpecialBuild() { return 0; }
