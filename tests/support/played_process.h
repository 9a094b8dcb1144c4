#pragma once
// The real program playing a script in a child process, with its address space limited as a small
// machine would limit it: what it printed, how it ended and the most memory it held.
#include <cstddef>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define KIWORA_PLAYED_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIWORA_PLAYED_UNDER_ASAN 1
#endif
#endif

namespace kiwora::testing {

// Whether a limit on the address space says anything here: the sanitizer reserves terabytes of it.
#ifdef KIWORA_PLAYED_UNDER_ASAN
inline constexpr bool kAddressSpaceLimitApplies = false;
#else
inline constexpr bool kAddressSpaceLimitApplies = true;
#endif

struct PlayedProcess {
  bool exited = false;  // ended by exit, not by a signal
  int exitCode = -1;
  long peakKilobytes = 0;  // the most resident memory it held
  std::string out, err;
};

// Plays `script` with `kiwora --play`; addressSpace: the most bytes of address space the process may
// take (0: no limit; ignored where kAddressSpaceLimitApplies is false); fileSize: the largest file it may
// write (0: no limit), with the limit's signal at its default, as a shell's `ulimit -f` leaves it.
PlayedProcess playInChild(const std::string& script, std::size_t addressSpace, std::size_t fileSize = 0);

}  // namespace kiwora::testing
