// Writes a generated input file to standard output:
//   kiwora_gen nPop nInd nLoci nAlleles missingShare seed [firstCode codeStep]
#include <cstdio>
#include <cstdlib>

#include "generate.h"

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: %s nPop nInd nLoci nAlleles missingShare seed [firstCode codeStep]\n", argv[0]);
    return 2;
  }
  kiwora::gen::Params p;
  p.nPop = std::atoi(argv[1]);
  p.nInd = std::atoi(argv[2]);
  p.nLoci = std::atoi(argv[3]);
  p.nAlleles = std::atoi(argv[4]);
  p.missing = std::atof(argv[5]);
  p.seed = std::strtoull(argv[6], nullptr, 10);
  if (argc > 8) {
    p.firstCode = std::atoi(argv[7]);
    p.codeStep = std::atoi(argv[8]);
  }
  if (p.nPop < 1 || p.nInd < 1 || p.nLoci < 1 || p.nAlleles < 1 || p.firstCode < 1 || p.codeStep < 1) {
    std::fprintf(stderr, "counts, first code and step must be positive\n");
    return 2;
  }
  const std::string text = kiwora::gen::inputFileText(kiwora::gen::generate(p).ds);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
