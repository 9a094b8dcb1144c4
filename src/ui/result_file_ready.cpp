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

bool resultFileReady(Model& m, ResultFileMark& began) {
  const std::string& path = m.ds.OutFileName;
  std::string reason;
  if (!m.resultHeader.pendingFor(path)) {
    if (!canAppendTo(path)) return false;
  } else {
    const PendingResultHeader& h = m.resultHeader;
    if (!createResultFile(h.path, h.date, h.inFileName, h.title, reason)) return false;
    m.resultHeader = {};
  }
  return markResultFile(path, began, reason);
}

}  // namespace kiwora
