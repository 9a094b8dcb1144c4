#pragma once
// The choices of the permutation-test windows. They outlive the windows and every data load; NPerm and
// TestAllPops are shared by all test windows. 0 means "not set yet".
namespace kiwora {

struct PermutationOptions {
  int NPerm = 0;           // permutations per test
  int TestAllPops = 0;     // 1: every pair (or every population) of the selection
  int TestPop1 = 0;        // the populations chosen in the lists
  int TestPop2 = 0;
  int PermUnit = 0;        // 1 alleles, 2 single-locus genotypes, 3 multilocus genotypes
  int SampleSizeMode = 0;  // 1 original sample sizes, 2 the smallest sample size for both
};

}  // namespace kiwora
