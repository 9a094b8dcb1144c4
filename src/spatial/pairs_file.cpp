#include "spatial/pairs_file.h"

namespace kiwora {

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string pairLineText(const std::string& popName, const PairLine& p) {
  std::string s = csvField(popName);
  s += "," + std::to_string(p.ind1) + "," + std::to_string(p.ind2) + "," + std::to_string(p.nLoci);
  s += "," + masked(p.dgm, "0.0000") + "," + csvField(p.ci);
  s += "," + masked(p.fD0, "0.0000") + "," + masked(p.fD1, "0.0000") + ",";
  if (p.kin) s += masked(*p.kin, "0.0000");
  return s;
}

bool PairsFile::create(const std::string& path) {
  path_ = path;
  if (!file_.open(path, TextFile::Mode::Create)) return false;
  file_.text(kPairsHeader).nl();
  return true;
}

void PairsFile::writeLine(const std::string& line) { file_.text(line).nl(); }

}  // namespace kiwora
