// Opening an input file holds memory in proportion to the file: a file of a great many tiny populations
// (the case where the bookkeeping per population outweighs its few bytes of text) is played through the
// real program, and its peak memory above that of opening a one-population file is compared with the
// file's size.
#ifdef KIWORA_BINARY
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/app_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define KIWORA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIWORA_UNDER_ASAN 1
#endif
#endif

namespace kiwora {
namespace {

// Tiny populations: a header, one individual typed at the one locus, an empty line; the last ends "END".
std::string tinyPopulations(int n) {
  std::string s = "Tiny populations\r\n" + std::to_string(n) + ",1,2\r\nL1\r\n";
  for (int p = 1; p <= n; ++p) s += "P" + std::to_string(p) + ",0,0\r\n1,2\r\n" + (p == n ? "END\r\n" : "\r\n");
  return s;
}

// Peak resident memory in KB of the program playing `script`; -1 when it did not end with exit 0.
long peakKilobytesOfPlaying(const std::string& script) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(KIWORA_BINARY, KIWORA_BINARY, "--play", script.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

TEST(InputFileMemory, ManyTinyPopulationsLoadInASmallMultipleOfTheFile) {
#ifdef KIWORA_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer's shadow memory and quarantine make resident memory no measure here";
#endif
  testing::TempDir dir;
  const std::string big = tinyPopulations(400'000);
  dir.write("big.txt", big);
  dir.write("one.txt", tinyPopulations(1));
  const std::string script = "menu OpenPopGen\r\nexpect-enabled Diploid\r\n";
  dir.write("big.kws", "file big.txt\r\n" + script);
  dir.write("one.kws", "file one.txt\r\n" + script);
  const long base = peakKilobytesOfPlaying(dir.file("one.kws"));
  const long loaded = peakKilobytesOfPlaying(dir.file("big.kws"));
  ASSERT_GT(base, 0);
  ASSERT_GT(loaded, 0);
  const double fileKb = static_cast<double>(big.size()) / 1024.0;
  // Only the data set: the file is read a piece at a time, straight into it. A population of this file
  // takes 20 bytes of text and about 100 in the data set (its name alone 32); holding the text, parsed
  // blocks and a vector per population beside it took 14 times the file.
  EXPECT_LE(static_cast<double>(loaded - base), 7 * fileKb) << "file " << fileKb << " KB, " << loaded - base << " KB held";
}

}  // namespace
}  // namespace kiwora
#endif
