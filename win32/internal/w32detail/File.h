// Internal to the stand-in (File): on no include path but the stand-in's own.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "win32/File.h"
#include "w32test/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32test/Time.h"
#include "w32detail/Time.h"
#include "w32test/File.h"

namespace w32detail {

using w32test::MapPath;
using w32test::MapPathA;
}  // namespace w32detail
