// The independent PCL interpreter (gpcl6, in the shared tools beside the
// checkout) as a judge of what the generators write: it renders a job to
// gray pages, and the tests look at the errors it reports, the pages and
// their pixels.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef QV_GPCL6
#define QV_GPCL6 ""
#endif

namespace qvtest {

// Said by a test that cannot find the interpreter: without it the output
// goes unjudged, which is a failure, not a pass.
inline constexpr const char* kNoInterpreter =
    "the PCL interpreter (gpcl6) is not at ../shared/tools/pcl; set QV_GPCL6 to its path";

// The interpreter: QV_GPCL6 in the environment, else the one the build found;
// empty when neither can be run.
inline std::string PclInterpreter() {
  const char* set = std::getenv("QV_GPCL6");
  const std::string path = set != nullptr && *set != '\0' ? set : QV_GPCL6;
  return !path.empty() && access(path.c_str(), X_OK) == 0 ? path : std::string();
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// One rendered page: a binary gray image ("P5", width, height, 255, one
// byte a pixel, 0 black).
struct GrayPage {
  std::string image;  // the whole file
  int width = 0;
  int height = 0;
  size_t pixels = 0;  // offset of the first pixel in image

  explicit GrayPage(std::string file) : image(std::move(file)) {
    size_t at = 0;
    int fields[3] = {};  // width, height, maximum value
    int count = 0;
    while (count < 3 && at < image.size()) {
      const unsigned char c = static_cast<unsigned char>(image[at]);
      if (c == '#') {
        at = image.find('\n', at);
        if (at == std::string::npos) return;
      } else if (std::isdigit(c)) {
        int value = 0;
        while (at < image.size() && std::isdigit(static_cast<unsigned char>(image[at])))
          value = value * 10 + (image[at++] - '0');
        fields[count++] = value;
        continue;
      } else if (c == 'P' && count == 0 && at + 1 < image.size() && image[at + 1] == '5') {
        ++at;  // the magic's digit is not a field
      }
      ++at;
    }
    if (count < 3 || at >= image.size()) return;
    width = fields[0];
    height = fields[1];
    pixels = at + 1;  // one white-space byte after the maximum value
    if (image.size() - pixels < static_cast<size_t>(width) * static_cast<size_t>(height)) width = height = 0;
  }

  // The gray value at (x, y); 255 (white) outside the page.
  int At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 255;
    return static_cast<unsigned char>(image[pixels + static_cast<size_t>(y) * width + x]);
  }
  bool Dark(int x, int y) const { return At(x, y) < 128; }

  size_t DarkPixels() const {
    size_t dark = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) dark += Dark(x, y) ? 1 : 0;
    return dark;
  }
};

struct RenderedJob {
  int status = -1;
  std::string errors;  // what the interpreter said
  std::vector<GrayPage> pages;
};

// Runs an interpreter that takes Ghostscript's options on the job (written
// to a file with the extension given) and collects its gray pages at the
// resolution given (dots per inch) and what it said.
inline RenderedJob RenderGrayPages(const std::string& interpreter, const std::string& job, const std::string& base,
                                   const std::string& extension, int resolution) {
  const std::string jobPath = base + extension;
  const std::string errorPath = base + ".err";
  std::ofstream(jobPath, std::ios::binary) << job;
  const std::string command = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pgmraw -r" +
                              std::to_string(resolution) + " -o '" + base + "-%d.pgm' '" + jobPath + "' >'" +
                              errorPath + "' 2>&1";
  RenderedJob rendered;
  rendered.status = std::system(command.c_str());
  rendered.errors = ReadWholeFile(errorPath);
  for (int page = 1;; ++page) {
    const std::string pagePath = base + "-" + std::to_string(page) + ".pgm";
    if (access(pagePath.c_str(), R_OK) != 0) break;
    rendered.pages.emplace_back(ReadWholeFile(pagePath));
    std::remove(pagePath.c_str());
  }
  std::remove(jobPath.c_str());
  std::remove(errorPath.c_str());
  return rendered;
}

// Renders the job to gray pages at the resolution given (dots per inch).
inline RenderedJob RenderPcl(const std::string& interpreter, const std::string& job, const std::string& name,
                             int resolution) {
  return RenderGrayPages(interpreter, job, ::testing::TempDir() + "qv_pcl_" + std::to_string(getpid()) + "_" + name,
                         ".prn", resolution);
}

// Writes the job's pages as colour PNG files (path with "%d" for the page
// number) for a person to look at; true when the interpreter succeeded.
inline bool WritePclPng(const std::string& interpreter, const std::string& job, const std::string& path,
                        int resolution) {
  const std::string jobPath = path + ".prn";
  std::ofstream(jobPath, std::ios::binary) << job;
  const std::string command = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r" +
                              std::to_string(resolution) + " -o '" + path + "' '" + jobPath + "' >/dev/null 2>&1";
  const bool ok = std::system(command.c_str()) == 0;
  std::remove(jobPath.c_str());
  return ok;
}

}  // namespace qvtest
