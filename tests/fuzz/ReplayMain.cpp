// Replays a fuzz target without libFuzzer: every file of the corpus folders
// given on the command line, then a fixed series of pseudo-random inputs of
// growing size (the same on every run).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  size_t files = 0;
  for (int arg = 1; arg < argc; ++arg) {
    if (!std::filesystem::is_directory(argv[arg])) continue;
    for (const auto& entry : std::filesystem::directory_iterator(argv[arg])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++files;
    }
  }
  uint32_t state = 0x9E3779B9u;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  const int kInputs = 3000;
  std::vector<uint8_t> buffer;
  for (int i = 0; i < kInputs; ++i) {
    buffer.resize(next() % (16 + i / 4));
    for (auto& b : buffer) b = static_cast<uint8_t>(next());
    LLVMFuzzerTestOneInput(buffer.data(), buffer.size());
  }
  std::printf("replayed %zu corpus files and %d generated inputs\n", files, kInputs);
  return 0;
}
