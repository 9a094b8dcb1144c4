#include "ui/result_file_ready.h"

#include "files/result_file.h"
#include "files/text_writer.h"

#include <utility>

namespace kiwora {

Refusal appendRefusal(const std::string& path) {
  if (path.empty()) return Refusal("no result file is named");
  TextFile probe;
  if (!probe.open(path, TextFile::Mode::Append) || !probe.close()) return probe.problem() ? probe.problem() : Refusal("it cannot be opened");
  return {};
}

void noteResultFileHeader(Model& m, ResultFileMark started) {
  m.resultFileHeader = std::move(started);
  std::vector<ResultFileMark>& kept = m.startedResultFiles;
  // One note per file that still has a name: a file replaced or removed since can never stand there again.
  std::erase_if(kept, [&](const ResultFileMark& f) {
    return !stillHeld(f) || (f.dev == m.resultFileHeader.dev && f.ino == m.resultFileHeader.ino);
  });
  if (m.resultFileHeader.exists) kept.push_back(m.resultFileHeader);
}

Refusal resultFileReady(Model& m, ResultFileMark& began) {
  const std::string& path = m.ds.OutFileName;
  // The message names what keeps the file from being written.
  const auto unwritable = [&](const Refusal& why) {
    return Refusal("The result file " + path + " cannot be opened for writing" +
                   (why ? " (" + why.message() + ")" : std::string()) + "! Nothing was calculated.");
  };
  if (m.resultFileHeader.exists && !m.resultHeader.pendingFor(path)) {
    bool under = false, inPlace = false;
    if (Refusal unread = markResultFile(path, began, &m.resultFileHeader, &under, &inPlace)) return unwritable(unread);
    if (!under) return Refusal(resultFileChangedSinceMessage(path, inPlace));
    Refusal probe = appendRefusal(path);
    return probe ? unwritable(probe) : Refusal();
  }
  if (!m.resultHeader.pendingFor(path)) {
    if (Refusal probe = appendRefusal(path)) return unwritable(probe);
  } else {
    const PendingResultHeader& h = m.resultHeader;
    ResultFileMark started;
    if (Refusal failed = createResultFile(h.path, h.date, h.inFileName, h.title, &started)) return unwritable(failed);
    m.resultHeader = {};
    noteResultFileHeader(m, std::move(started));
  }
  Refusal unread = markResultFile(path, began);
  return unread ? unwritable(unread) : Refusal();
}

}  // namespace kiwora
