#include "host/StateLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

StateLock::~StateLock() { Release(); }

bool StateLock::Acquire(const std::string& directory, double timeoutSeconds, std::string* error) {
  Release();
  std::error_code ec;
  fs::create_directories(directory, ec);
  const std::string path = (fs::path(directory) / kLockFileName).string();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return false;
  }
  // flock belongs to the open file: it is given back when the process ends,
  // however it ends, so a command that dies leaves no stale lock behind.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *error = "cannot lock the state directory " + directory + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::close(fd);
  std::ostringstream message;
  message << "the state directory " << directory << " is in use by another qvhost command; gave up after waiting "
          << timeoutSeconds << " s (set QVHOST_LOCK_TIMEOUT to wait longer)";
  *error = message.str();
  return false;
}

void StateLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}
