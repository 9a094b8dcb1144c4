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

bool resultFileReady(Model& m) {
  const std::string& path = m.ds.OutFileName;
  if (!m.resultHeader.pendingFor(path)) return canAppendTo(path);
  const PendingResultHeader& h = m.resultHeader;
  std::string reason;
  if (!createResultFile(h.path, h.date, h.inFileName, h.title, reason)) return false;
  m.resultHeader = {};
  return true;
}

}  // namespace kiwora
