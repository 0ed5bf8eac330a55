// Test helpers for the container library's error handler.
//
// ScopedErrorCapture records every raised error's text and lets the raising
// operation go on, as a handler that returns would. ScopedErrorThrow turns a
// raise into a C++ exception (RaisedError) so a test can stop the operation
// at the raise and check the text without ending the test process.
#pragma once

#include <string>
#include <vector>

#include "rw/RWError.h"

namespace qvtest {

struct RaisedError {
  std::string text;
};

class ScopedErrorCapture {
 public:
  ScopedErrorCapture() : previous_(RWSetErrorHandler(&Record)) { Texts().clear(); }
  ~ScopedErrorCapture() { RWSetErrorHandler(previous_); }
  static std::vector<std::string>& Texts() {
    static std::vector<std::string> texts;
    return texts;
  }

 private:
  static void Record(const RWLibraryError& e) { Texts().push_back(e.Text()); }
  RWErrorHandler previous_;
};

class ScopedErrorThrow {
 public:
  ScopedErrorThrow() : previous_(RWSetErrorHandler(&Throw)) {}
  ~ScopedErrorThrow() { RWSetErrorHandler(previous_); }

 private:
  static void Throw(const RWLibraryError& e) { throw RaisedError{e.Text()}; }
  RWErrorHandler previous_;
};

// Runs f under ScopedErrorThrow and returns the text of the error it raised,
// or an empty string when it raised none.
template <typename F>
std::string RaisedText(F&& f) {
  ScopedErrorThrow guard;
  try {
    f();
  } catch (const RaisedError& e) {
    return e.text;
  }
  return std::string();
}

}  // namespace qvtest
