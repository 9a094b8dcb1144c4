#pragma once
// Deterministic synthetic population data for benchmarks and test fixtures: populations drawing alleles
// from locus-wide frequencies perturbed per population, with missing and half-typed genotypes.
#include <cstdint>
#include <cstdio>
#include <string>

#include "model/dataset.h"
#include "stats/genotype_view.h"

namespace kiwora::gen {

struct Params {
  int nPop = 20;
  int nInd = 50;            // individuals per population before jitter
  int nLoci = 15;
  int nAlleles = 10;        // distinct codes per locus
  double missing = 0.05;    // share of genotypes with both alleles missing; a fifth of that again lack one
  std::uint64_t seed = 1;
  int firstCode = 1;        // codes are firstCode + codeStep * k (fragment sizes when firstCode is large)
  int codeStep = 1;
  double sizeJitter = 0;    // populations have nInd minus up to this share of it
};

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t s_;
};

struct Data {
  DataSet ds;
  Selection sel;
  GenotypeView view() {
    return viewOf(ds, sel);
  }
};

inline Data generate(const Params& prm) {
  Data d;
  Rng rng(prm.seed);
  DataSet& ds = d.ds;
  ds.Title = "Generated data";
  ds.NPop = prm.nPop;
  ds.NLoci = prm.nLoci;
  ds.MaxAllele = prm.firstCode + prm.codeStep * (prm.nAlleles - 1);
  ds.LocName = makeVec1<std::string>(prm.nLoci);
  for (int l = 1; l <= prm.nLoci; ++l) ds.LocName[static_cast<std::size_t>(l)] = "Loc_" + std::to_string(l);
  ds.PopName = makeVec1<std::string>(prm.nPop);
  ds.PopX = makeVec1<double>(prm.nPop);
  ds.PopY = makeVec1<double>(prm.nPop);
  ds.NInd = makeVec1<int>(prm.nPop);
  for (int p = 1; p <= prm.nPop; ++p) {
    const auto pu = static_cast<std::size_t>(p);
    ds.PopName[pu] = "Pop_" + std::to_string(p);
    ds.PopX[pu] = 10 + 5 * rng.uniform();
    ds.PopY[pu] = 50 + 5 * rng.uniform();
    ds.NInd[pu] = prm.nInd - static_cast<int>(rng.uniform() * prm.sizeJitter * prm.nInd);
  }
  ds.Allele.resize(prm.nPop, prm.nLoci, ds.NInd);

  std::vector<double> base(static_cast<std::size_t>(prm.nAlleles)), w(base.size());
  for (int l = 1; l <= prm.nLoci; ++l) {
    for (double& b : base) b = 0.05 + rng.uniform() * rng.uniform();  // a few common, many rare alleles
    for (int p = 1; p <= prm.nPop; ++p) {
      double total = 0;
      for (std::size_t k = 0; k < w.size(); ++k) total += (w[k] = base[k] * (0.3 + rng.uniform()));
      auto draw = [&] {
        double u = rng.uniform() * total;
        std::size_t k = 0;
        while (k + 1 < w.size() && u >= w[k]) u -= w[k++];
        return prm.firstCode + prm.codeStep * static_cast<int>(k);
      };
      int* x1 = ds.Allele.locus1(p, l);
      int* x2 = ds.Allele.locus2(p, l);
      for (int j = 1; j <= ds.NInd[static_cast<std::size_t>(p)]; ++j) {
        const double r = rng.uniform();
        x1[j] = draw();
        x2[j] = draw();
        if (r < prm.missing) {
          x1[j] = x2[j] = -1;
        } else if (r < prm.missing * 1.2) {
          (rng.uniform() < 0.5 ? x1[j] : x2[j]) = -1;
        }
      }
    }
  }

  Selection& sel = d.sel;
  sel.PopSel = makeVec1<int>(prm.nPop, 1);
  sel.PopSel[0] = 0;
  sel.LocSel = makeVec1<int>(prm.nLoci, 1);
  sel.LocSel[0] = 0;
  sel.LocAvail = sel.LocSel;
  sel.LocMode = makeVec1<int>(prm.nLoci, 1);
  sel.NSelLoci = prm.nLoci;
  sel.IndSel.assign(static_cast<std::size_t>(prm.nPop) + 1, [&](std::size_t p) { return p == 0 ? 0 : ds.NInd[p] + 1; }, 1);
  return d;
}

// The data in the layout of the program's input file.
inline std::string inputFileText(const DataSet& ds) {
  std::string s = ds.Title + "\r\n" + std::to_string(ds.NPop) + "," + std::to_string(ds.NLoci) + "," +
                  std::to_string(ds.MaxAllele) + "\r\n";
  for (int l = 1; l <= ds.NLoci; ++l) s += ds.LocName[static_cast<std::size_t>(l)] + "\r\n";
  for (int p = 1; p <= ds.NPop; ++p) {
    const auto pu = static_cast<std::size_t>(p);
    char xy[64];
    std::snprintf(xy, sizeof xy, ",%.4f,%.4f\r\n", ds.PopX[pu], ds.PopY[pu]);
    s += ds.PopName[pu] + xy;
    for (int j = 1; j <= ds.NInd[pu]; ++j) {
      for (int l = 1; l <= ds.NLoci; ++l) {
        if (l > 1) s += ",";
        s += std::to_string(ds.Allele.a1(p, l, j)) + "," + std::to_string(ds.Allele.a2(p, l, j));
      }
      s += "\r\n";
    }
    s += p == ds.NPop ? "END\r\n" : "\r\n";
  }
  return s;
}

}  // namespace kiwora::gen
