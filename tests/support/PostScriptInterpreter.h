// Ghostscript as the judge of the PostScript generator's jobs: it renders a
// job to gray pages at a resolution, and the tests look at its exit status,
// what it said, the number of pages and their sizes. A job wrapped in PJL
// (and sent under the tagged binary protocol) is unwrapped first, as a
// printer's language switch would.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/PclInterpreter.h"

namespace qvtest {

// Said by a test that cannot find Ghostscript: without it the output goes
// unjudged, which is a failure, not a pass.
inline constexpr const char* kNoPostScriptInterpreter =
    "Ghostscript (gs) is not installed (scripts/setup.sh installs it); set QV_GS to its path";

// QV_GS in the environment, else gs on the path; empty when neither runs.
inline std::string PostScriptInterpreter() {
  const char* set = std::getenv("QV_GS");
  if (set != nullptr && *set != '\0') return access(set, X_OK) == 0 ? std::string(set) : std::string();
  for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
    const std::string path = std::string(dir) + "gs";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

// The PostScript of a job: what follows the PJL language switch up to the
// closing UEL, with the tagged binary protocol undone when the job switches
// to it (0x01 0x4D).
inline std::string UnwrapPostScriptJob(const std::string& job) {
  static const std::string kUel = "\x1b%-12345X";
  std::string body = job;
  if (body.compare(0, kUel.size(), kUel) == 0) {
    const size_t enter = body.find("@PJL ENTER LANGUAGE");
    const size_t lineEnd = enter == std::string::npos ? std::string::npos : body.find('\n', enter);
    body = lineEnd == std::string::npos ? std::string() : body.substr(lineEnd + 1);
    const size_t uel = body.find(kUel);
    if (uel != std::string::npos) body.resize(uel);
  }
  size_t start = 0;
  if (!body.empty() && body[0] == '\x04') start = 1;
  if (body.compare(start, 2, "\x01\x4D") == 0) {
    std::string plain = body.substr(0, start);
    for (size_t i = start + 2; i < body.size(); ++i) {
      if (body[i] == '\x01' && i + 1 < body.size()) {
        plain += static_cast<char>(body[++i] ^ 0x40);
      } else {
        plain += body[i];
      }
    }
    body = plain;
  }
  return body;
}

// Renders the PostScript job to gray pages at the resolution given.
inline RenderedJob RenderPostScript(const std::string& interpreter, const std::string& job, const std::string& name,
                                    int resolution) {
  return RenderGrayPages(interpreter, job, ::testing::TempDir() + "qv_ps_" + std::to_string(getpid()) + "_" + name,
                         ".ps", resolution);
}

// Renders a job (PJL and the tagged binary protocol undone) and checks
// that Ghostscript took it without an error; a missing Ghostscript fails
// the test.
inline RenderedJob RenderPostScriptJob(const std::string& job, const std::string& name, int resolution = 72) {
  const std::string gs = PostScriptInterpreter();
  if (gs.empty()) {
    ADD_FAILURE() << kNoPostScriptInterpreter;
    return {};
  }
  RenderedJob rendered = RenderPostScript(gs, UnwrapPostScriptJob(job), name, resolution);
  EXPECT_EQ(rendered.status, 0) << rendered.errors;
  EXPECT_EQ(rendered.errors.find("Error"), std::string::npos) << rendered.errors;
  return rendered;
}

}  // namespace qvtest
