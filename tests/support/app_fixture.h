#pragma once
// A running program with scripted services, driven as a user would through the script player,
// with a temporary folder for the files a test writes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <algorithm>

#include "base/stop_signal.h"
#include "script_player.h"
#include "ui/app.h"

namespace kiwora::testing {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kiwora-test-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(file(name), std::ios::binary) << content;
    return file(name);
  }

 private:
  std::string path_;
};

// While it lives, writing past `bytes` into any file fails (EFBIG), as on a full disk. The signal of the
// limit gets the disposition the program gives it, so that these tests see what the program sees.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    ::sigaction(SIGXFSZ, nullptr, &oldAction_);
    catchFileSizeSignal();
    rlimit r = old_;
    r.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::sigaction(SIGXFSZ, &oldAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  struct sigaction oldAction_ {};
};

// The names in a folder, to show that no temporary file was left behind.
inline std::vector<std::string> folderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(path)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// `text` with every mention of `folder` written "<folder>", to compare files that two sessions wrote in
// folders of their own.
inline std::string inAnyFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
    text.replace(at, folder.size(), "<folder>");
  return text;
}

// Plays script lines; the test fails at the first line that fails, with the player's log so far.
inline void playLines(ScriptPlayer& player, const std::ostringstream& log, const std::string& lines) {
  std::istringstream in(lines);
  std::string line;
  while (std::getline(in, line)) {
    const auto o = player.execute(line);
    ASSERT_TRUE(o.ok) << o.error << "\n  at: " << line << "\n  log:\n" << log.str();
  }
}

// A program of its own on services of type S, for tests whose services do more than record (a user who
// clicks while a run lets events through).
template <class S>
struct Program {
  TempDir dir;
  S services;
  App app{services};
  std::ostringstream log;
  ScriptPlayer player{app, services, log, dir.path()};

  Program() {
    services.setDate("01/02/2026");
    registerWindows(app);
    startProgram(app);
  }
  void run(const std::string& lines) { playLines(player, log, lines); }
  Window& window(const std::string& name) { return *app.forms.find(name); }
};

class AppFixture : public ::testing::Test {
 protected:
  AppFixture() : app(services), player(app, services, log, dir.path()) {
    services.setDate("01/02/2026");
    registerWindows(app);
    startProgram(app);
  }
  // Runs script lines; the test fails at the first line that fails.
  void run(const std::string& lines) { playLines(player, log, lines); }
  // Runs one line that must be refused; returns the reason.
  std::string refused(const std::string& line) {
    const auto o = player.execute(line);
    EXPECT_FALSE(o.ok) << line;
    return o.error;
  }
  Model& model() { return app.model; }

  TempDir dir;
  ScriptedServices services;
  App app;
  std::ostringstream log;
  ScriptPlayer player;
};

// The example data set: three populations, five loci, allele codes up to 4.
inline const char* const kDemoFile =
    "Demo Populations\r\n3\r\n5\r\n4\r\nSNP_001\r\nSNP_002\r\nSNP_003\r\nSNP_004\r\nSNP_005\r\n"
    "Pop_1,28.0252,53.8763\r\n3,3,3,3,2,2,3,3,-1,-1\r\n3,3,4,3,2,2,3,3,-1,2\r\n3,3,4,4,2,2,3,3,2,2\r\n\r\n"
    "Pop_2,23.7928,53.6858\r\n3,3,4,3,2,2,3,3,2,2\r\n3,3,4,3,2,2,3,3,2,2\r\n3,3,4,3,2,2,3,3,2,2\r\n\r\n"
    "Pop_3,46.4746,52.455\r\n3,3,4,3,2,2,3,3,2,2\r\n3,3,4,3,2,2,3,3,2,2\r\n3,3,4,4,2,2,3,3,2,2\r\nEND\r\n";

}  // namespace kiwora::testing
