#pragma once
// The choices of the permutation-test windows. They outlive the windows and every data load; NPerm and
// TestAllPops are shared by all test windows. 0 means "not set yet". The options keep the int codes the
// windows' controls give; the code compares them through the enumerations below.
#include "model/option_code.h"

namespace kiwora {

// What is kept together when a pool of individuals is dealt out again; the numbers are the codes the
// options keep.
enum class ResamplingUnit {
  Alleles = 1,      // the allele copies of each locus are pooled and shuffled: genotypes are rebuilt
  SingleLocus = 2,  // the single-locus genotypes of each locus are shuffled, each locus on its own
  Multilocus = 3,   // whole individuals are shuffled
};

// The sizes of the resampled pair in the test between two populations (0: not chosen yet).
enum class ResampledSizes { Unset = 0, Original = 1, Smallest = 2 };

// Whether a test takes every pair (or every population) of the selection, or those chosen in the lists.
enum class PopulationChoice { Chosen = 0, All = 1 };

struct PermutationOptions {
  int NPerm = 0;           // permutations per test
  int TestAllPops = 0;     // 1: every pair (or every population) of the selection
  int TestPop1 = 0;        // the populations chosen in the lists
  int TestPop2 = 0;
  int PermUnit = 0;        // 1 alleles, 2 single-locus genotypes, 3 multilocus genotypes
  int SampleSizeMode = 0;  // 1 original sample sizes, 2 the smallest sample size for both

  // Only once the window has given PermUnit one of its codes.
  ResamplingUnit unit() const { return static_cast<ResamplingUnit>(PermUnit); }
  ResampledSizes sampleSizes() const { return static_cast<ResampledSizes>(SampleSizeMode); }
  PopulationChoice tested() const {
    return TestAllPops == 1 ? PopulationChoice::All : PopulationChoice::Chosen;
  }
};

}  // namespace kiwora
