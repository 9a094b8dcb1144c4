#include "kinship/pairs_file.h"

#include "files/export_text.h"
#include "files/text_writer.h"

namespace kiwora {

std::string pairLineText(const std::string& popName, const PairLine& p) {
  std::string s = csvField(popName);
  s += "," + std::to_string(p.ind1) + "," + std::to_string(p.ind2) + "," + std::to_string(p.nLoci);
  s += "," + masked(p.dgm, "0.0000") + "," + p.ci;  // a class text of our own, never a comma
  s += "," + masked(p.fD0, "0.0000") + "," + masked(p.fD1, "0.0000") + ",";
  if (p.kin) s += masked(*p.kin, "0.0000");
  return s + "\r\n";
}

bool PairsFile::create(const std::string& path) {
  if (!file_.open(path)) return false;
  write(std::string(kPairsHeader) + "\r\n");
  return true;
}

void PairsFile::write(const std::string& lines) { file_.write(lines); }

bool PairsFile::close() { return file_.commit(); }

}  // namespace kiwora
