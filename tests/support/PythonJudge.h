// Runs a Python 3 script as an independent judge of the stand-in's
// code-page and case results, and hex helpers for passing bytes to it.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win32/Types.h"

namespace qvtest {

// The script's standard output, or false when the interpreter (python3 on
// the path unless named) cannot be run or the script fails.
inline bool RunPython(const std::string& script, std::string* output, const std::string& interpreter = "python3") {
  // Test cases run as parallel processes: each script gets its own file.
  static int serial = 0;
  std::string path = ::testing::TempDir() + "qv_python_judge_" + std::to_string(getpid()) + "_" +
                     std::to_string(++serial) + ".py";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(script.data(), 1, script.size(), f);
  std::fclose(f);
  std::string command = interpreter + " '" + path + "' 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return false;
  output->clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) output->append(buffer, n);
  int status = pclose(p);
  std::remove(path.c_str());
  return status == 0;
}

// The script's output through Debian's Python, which has fontTools; false
// when that Python or fontTools is missing or the script fails.
inline bool RunFontTools(const std::string& script, std::string* output) {
  static const char kDebianPython[] = "/usr/bin/python3";
  if (access(kDebianPython, X_OK) != 0) return false;
  return RunPython("import sys\ntry:\n    import fontTools.ttLib\nexcept ImportError:\n    sys.exit(3)\n" + script,
                   output, kDebianPython);
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// The little-endian byte image of 16-bit units, as hex.
inline std::string HexUtf16(const std::u16string& units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return Hex(bytes);
}

}  // namespace qvtest
