// The testing interface of the stand-in, part Process: see "w32test/Testing.h".
#pragma once

#include <string>
#include <vector>

#include "win32/Process.h"

namespace w32test {

struct StartedCommand {
  std::string commandLine;  // the bytes as given
  UINT showCommand = 0;
};
// Every WinExec call since the last reset, failed ones included, in order.
std::vector<StartedCommand> StartedCommands();

}  // namespace w32test
