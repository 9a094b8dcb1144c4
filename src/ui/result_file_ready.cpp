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
  std::string problem;
  if (!markResultFile(m.ds.OutFileName, m.resultFileHeader, problem)) m.resultFileHeader = {};
}

bool resultFileReady(Model& m, ResultFileMark& began, std::string& refusal) {
  const std::string& path = m.ds.OutFileName;
  std::string reason;
  refusal.clear();
  if (m.resultFileHeader.exists && !m.resultHeader.pendingFor(path)) {
    bool under = false;
    if (!markResultFile(path, began, reason, &m.resultFileHeader, &under)) return false;
    if (!under) {
      refusal = resultFileChangedSinceMessage(path);
      return false;
    }
    return canAppendTo(path);
  }
  if (!m.resultHeader.pendingFor(path)) {
    if (!canAppendTo(path)) return false;
  } else {
    const PendingResultHeader& h = m.resultHeader;
    if (!createResultFile(h.path, h.date, h.inFileName, h.title, reason)) return false;
    m.resultHeader = {};
    noteResultFileHeader(m);
  }
  return markResultFile(path, began, reason);
}

}  // namespace kiwora
