// GStdioFileBuf: the byte stream of a file that the C runtime opened by its
// Windows name, for the stored-object holders. The buffer owns the file and
// closes it when it goes.
#pragma once

#include <ext/stdio_filebuf.h>

#include <cstdio>
#include <ios>
#include <memory>
#include <streambuf>

class GStdioFileBuf : public __gnu_cxx::stdio_filebuf<char> {
 public:
  GStdioFileBuf(std::FILE* file, std::ios_base::openmode mode);
  ~GStdioFileBuf() override;
  GStdioFileBuf(const GStdioFileBuf&) = delete;
  GStdioFileBuf& operator=(const GStdioFileBuf&) = delete;

  // The file of that name (in the ANSI code page) opened with the C
  // runtime's mode ("rb", "wb"); when it cannot be opened, a byte stream
  // that is not open, whose reads, writes and positions fail.
  static std::unique_ptr<std::streambuf> Open(const char* name, const char* mode, std::ios_base::openmode openMode,
                                              bool* opened);

 private:
  std::FILE* file_;
};
