#include "files/tarn_export.h"

#include "files/decimal_number.h"
#include "files/export_text.h"
#include "files/input_writer.h"

namespace kiwora {

int writeTarnGenotypes(LineWriter& out, const DataSet& ds, const Selection& sel) {
  // The same selection as the input-file writer: selected populations, loci and individuals.
  const ParsedInput in = selectedInput(ds, sel);
  int written = 0;
  for (int p = 1; p <= in.nPop; ++p) written += in.blocks[static_cast<std::size_t>(p)].nInd;

  out.text(in.title).nl();
  // The individuals actually written, so that the count always matches the lines below.
  out.num(written).nl();
  out.num(in.nLoci).nl();
  for (int l = 1; l <= in.nLoci; ++l) out.text(in.locName[static_cast<std::size_t>(l)]).nl();
  int n = 0;
  for (int p = 1; p <= in.nPop; ++p) {
    const PopulationBlock& b = in.blocks[static_cast<std::size_t>(p)];
    // Coordinates as the input-file writer writes them: every digit, never an exponent.
    const std::string where = "," + decimalText(b.x) + "," + decimalText(b.y);
    for (int j = 1; j <= b.nInd; ++j) {
      std::string line = std::to_string(++n) + where;
      for (int l = 1; l <= in.nLoci; ++l)
        line += "," + std::to_string(b.allele(l, j, 0, in.nLoci)) + "," + std::to_string(b.allele(l, j, 1, in.nLoci));
      out.text(line).nl();
    }
  }
  return written;
}

Refusal saveTarnGenotypeFile(const std::string& path, const DataSet& ds, const Selection& sel) {
  return writeFile(path, [&](LineWriter& out) { writeTarnGenotypes(out, ds, sel); });
}

}  // namespace kiwora
