#include "win32/Process.h"
#include "w32test/Process.h"

#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

struct ProcessState {
  std::mutex mutex;
  std::vector<w32test::StartedCommand> started;
};

ProcessState& Processes() {
  static ProcessState* state = [] {
    auto* s = new ProcessState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::mutex> lock(s->mutex);
      s->started.clear();
    });
    return s;
  }();
  return *state;
}

}  // namespace

UINT WinExec(LPCSTR commandLine, UINT showCommand) {
  ProcessState& state = Processes();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.started.push_back({commandLine != nullptr ? std::string(commandLine) : std::string(), showCommand});
  }
  if (commandLine == nullptr) return 0;
  if (w32detail::ShouldFail("WinExec")) return GetLastError();
  return 33;
}

namespace w32test {

std::vector<StartedCommand> StartedCommands() {
  ProcessState& state = Processes();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.started;
}

}  // namespace w32test
