// StateLock: one host command's hold on its state directory. Commands that
// share a state directory run one after the other: each holds an exclusive
// lock on the directory's lock file from before it loads the platform's
// state until after it has saved it, so that no command reads a state
// another is replacing and no change is lost. A command that finds the
// directory held waits for it, up to a time-out.
#pragma once

#include <string>

class StateLock {
 public:
  // The lock file's name inside a state directory.
  static constexpr const char* kLockFileName = "qvhost.lock";

  StateLock() = default;
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;
  // Gives the lock back.
  ~StateLock();

  // Makes the directory when it does not exist and takes the lock, waiting
  // at most timeoutSeconds for a command that holds it. False, with a
  // message in *error, when the lock file cannot be opened or the wait
  // timed out.
  bool Acquire(const std::string& directory, double timeoutSeconds, std::string* error);
  // Gives the lock back (also done by the destructor).
  void Release();

 private:
  int fd_ = -1;
};
