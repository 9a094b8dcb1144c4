// Feeds arbitrary text to the input reader: it must refuse or read, never crash or leak, and reading
// straight into a data set, from the text or from a file a piece at a time as the program opens input and
// reference files, must agree with reading into blocks. The pieces are a few bytes, so that the inputs,
// far below a real piece, still cross their edges everywhere.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "files/input_file.h"
#include "support/same_reading.h"

namespace {

struct ScratchFile {
  std::string path;
  ScratchFile() {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path = std::string(dir) + "/kiwora-fuzz-input-" + std::to_string(getpid()) + ".txt";
  }
  ~ScratchFile() { unlink(path.c_str()); }
};

void mustAgree(const kiwora::testing::BlockReading& want, const kiwora::ParseResult& got, const kiwora::DataSet& ds,
               const kiwora::Selection& sel, const char* how) {
  const std::string difference = kiwora::testing::readingDifference(want, got, ds, sel);
  if (difference.empty()) return;
  std::fprintf(stderr, "%s differs from the blocks: %s\n", how, difference.c_str());
  std::abort();
}

// A piece size of 1 to 16 bytes that follows from the input, so that a found fault reproduces.
std::size_t pieceSizeFor(std::string_view text) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return 1 + h % 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile scratch;
  kiwora::InputLimits limits;
  limits.maxFrequencyCells = 5'000'000;  // keeps each run small; the logic is the same
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kiwora::testing::BlockReading want = kiwora::testing::readThroughBlocks(text, limits);
  {
    kiwora::DataSet ds;
    kiwora::Selection sel;
    const auto got = kiwora::parseInputInto(text, ds, sel, limits);
    mustAgree(want, got, ds, sel, "reading the text straight into a data set");
  }
  std::ofstream(scratch.path, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(size));
  kiwora::DataSet ds;
  kiwora::Selection sel;
  // A file that could not be read back is refused, and the comparison names it.
  const kiwora::ParseResult got = kiwora::readInputFileInto(scratch.path, ds, sel, limits, pieceSizeFor(text));
  mustAgree(want, got, ds, sel, "reading the file a piece at a time");
  return 0;
}
