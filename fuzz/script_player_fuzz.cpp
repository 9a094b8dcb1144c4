// Plays arbitrary text as a script against a fresh program whose folder holds the test data files: the
// player must refuse or play each line, never crash. File answers are kept to names inside that folder
// and numbers typed into boxes to three digits, so a run neither writes elsewhere nor runs for minutes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "script_player.h"

namespace {

std::string dataFolder() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kiwora-fuzz-play-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const auto& e : fs::directory_iterator(KIWORA_SOURCE_DIR "/tests/scripts")) {
    const auto ext = e.path().extension();
    if (ext == ".txt" || ext == ".csv") fs::copy_file(e.path(), dir / e.path().filename(), fs::copy_options::overwrite_existing);
  }
  return dir.string();
}

bool allowed(std::string_view script) {
  std::size_t start = 0;
  while (start <= script.size()) {
    std::size_t end = script.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = script.size();
    std::string_view line = script.substr(start, end - start);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string_view::npos) line.remove_prefix(first);
    if (line.rfind("file", 0) == 0 && (line.find('/') != std::string_view::npos || line.find("..") != std::string_view::npos))
      return false;
    int digits = 0;
    if (line.rfind("type", 0) == 0)
      for (char c : line) {
        digits = c >= '0' && c <= '9' ? digits + 1 : 0;
        if (digits > 3) return false;
      }
    start = end + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = dataFolder();
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  if (!allowed(script)) return 0;
  kiwora::ScriptedServices services;
  services.onEditor = [](const std::string&) {};
  kiwora::App app(services);
  kiwora::registerWindows(app);
  kiwora::startProgram(app);
  std::ostringstream out;
  kiwora::ScriptPlayer player(app, services, out, folder);
  player.playText(script, "fuzz");
  return 0;
}
