#include "ui/result_file_ready.h"

#include "files/result_file.h"
#include "files/text_writer.h"

namespace kiwora {

bool canAppendTo(const std::string& path) {
  if (path.empty()) return false;
  TextFile probe;
  if (!probe.open(path, TextFile::Mode::Append)) return false;
  return probe.close();
}

void noteResultFileHeader(Model& m) {
  if (markResultFile(m.ds.OutFileName, m.resultFileHeader)) m.resultFileHeader = {};
  if (!m.resultFileHeader.exists) return;
  std::vector<ResultFileMark>& started = m.startedResultFiles;
  std::erase_if(started, [&](const ResultFileMark& f) { return f.dev == m.resultFileHeader.dev && f.ino == m.resultFileHeader.ino; });
  started.push_back(m.resultFileHeader);
}

Refusal resultFileReady(Model& m, ResultFileMark& began) {
  const std::string& path = m.ds.OutFileName;
  // Whatever keeps the file from being written, the user is told the same.
  const Refusal unwritable("The result file " + path + " cannot be opened for writing! Nothing was calculated.");
  if (m.resultFileHeader.exists && !m.resultHeader.pendingFor(path)) {
    bool under = false;
    if (markResultFile(path, began, &m.resultFileHeader, &under)) return unwritable;
    if (!under) return Refusal(resultFileChangedSinceMessage(path));
    return canAppendTo(path) ? Refusal() : unwritable;
  }
  if (!m.resultHeader.pendingFor(path)) {
    if (!canAppendTo(path)) return unwritable;
  } else {
    const PendingResultHeader& h = m.resultHeader;
    if (createResultFile(h.path, h.date, h.inFileName, h.title)) return unwritable;
    m.resultHeader = {};
    noteResultFileHeader(m);
  }
  return markResultFile(path, began) ? unwritable : Refusal();
}

}  // namespace kiwora
