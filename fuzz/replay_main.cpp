// Runs files through a fuzz target's LLVMFuzzerTestOneInput without libFuzzer: each argument is
// a file or a folder whose regular files are run in name order. Used by the tests that replay
// the committed corpora in the sanitizer builds. A folder without files, or an argument that
// cannot be read, fails: a corpus that replays nothing must not pass as a clean run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  const std::vector<char> read((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  // An exactly sized copy, as libFuzzer hands it over: a read past the input trips ASan.
  const std::vector<uint8_t> exact(read.begin(), read.end());
  std::fprintf(stderr, "%s (%zu bytes)\n", file.string().c_str(), exact.size());
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <corpus folder or file>...\n", argv[0]);
    return 2;
  }
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
      }
      if (ec) {
        std::fprintf(stderr, "cannot list %s: %s\n", arg.string().c_str(), ec.message().c_str());
        return 1;
      }
      if (files.empty()) {
        std::fprintf(stderr, "%s holds no inputs\n", arg.string().c_str());
        return 1;
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "%s is neither a corpus folder nor a file\n", arg.string().c_str());
      return 1;
    }
    for (const auto& file : files) {
      if (!Replay(file)) return 1;
      ++replayed;
    }
  }
  std::fprintf(stderr, "replayed %zu inputs\n", replayed);
  return 0;
}
