#include "model/GStdioFileBuf.h"

#include <fstream>

#include "win32/File.h"

GStdioFileBuf::GStdioFileBuf(std::FILE* file, std::ios_base::openmode mode)
    : __gnu_cxx::stdio_filebuf<char>(file, mode), file_(file) {}

GStdioFileBuf::~GStdioFileBuf() {
  // Writes out what is buffered before the file goes.
  close();
  std::fclose(file_);
}

std::unique_ptr<std::streambuf> GStdioFileBuf::Open(const char* name, const char* mode,
                                                    std::ios_base::openmode openMode, bool* opened) {
  // Like the C runtime, the file layer opens no directory.
  std::FILE* file = crt::fopen(name, mode);
  *opened = file != nullptr;
  if (file == nullptr) return std::make_unique<std::filebuf>();
  return std::make_unique<GStdioFileBuf>(file, openMode | std::ios_base::binary);
}
