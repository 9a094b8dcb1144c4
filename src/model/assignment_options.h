#pragma once
// The options of the assignment window: kept from program start to program end, 0 meaning "not set yet"
// until the window gives each its default.
#include <cstddef>
#include <iterator>
#include <string>

#include "base/file_mark.h"
#include "model/option_code.h"

namespace kiwora {

// The scoring method; the numbers are the codes the options keep (0: not chosen yet).
enum class AssignMethod { Unset = 0, Bayesian = 1, Frequency = 2, GeneticDistance = 3 };
// Every method: the codes method() names.
inline constexpr AssignMethod kAssignMethods[] = {AssignMethod::Bayesian, AssignMethod::Frequency,
                                                  AssignMethod::GeneticDistance};
// The exclusion criterion; the numbers are the codes the options keep (0: not chosen yet).
enum class ExclusionCriterion { Unset = 0, Lod1 = 1, Delta = 2 };
// Every criterion: the codes criterion() names.
inline constexpr ExclusionCriterion kExclusionCriteria[] = {ExclusionCriterion::Lod1, ExclusionCriterion::Delta};
// The generator of the simulated groups; the numbers are the codes the options keep (0: not chosen yet).
enum class SimGenerator { Unset = 0, FreqCI = 1, MLHap = 2, SLGeno = 3, Alleles = 4, AllelesHap = 5 };
// Every generator, in the window's order: the tables of the generators' buttons and report lines are kept
// in this order and looked up by positionOf.
inline constexpr SimGenerator kSimGenerators[] = {SimGenerator::FreqCI, SimGenerator::MLHap, SimGenerator::SLGeno,
                                                  SimGenerator::Alleles, SimGenerator::AllelesHap};

// The place of g in kSimGenerators; std::size(kSimGenerators) for Unset.
constexpr std::size_t positionOf(SimGenerator g) {
  std::size_t at = 0;
  while (at < std::size(kSimGenerators) && kSimGenerators[at] != g) ++at;
  return at;
}

struct AssignmentOptions {
  int AssMethod = 0;       // scoring method: read and set through method()
  int GDOnAlleles = 0;     // distance taken on allele frequencies
  int GDOnGenotypes = 0;   // distance taken on single-locus genotype frequencies
  int LodCriterion = 0;    // exclusion criterion: read and set through criterion()
  int SimGenMethod = 0;    // generator of the simulated groups: read and set through generator()
  int NSimGroups = 0;      // simulated groups per test group and population
  double MinFreqMiss = 0;  // frequency used for an allele or haplotype a reference population lacks
  double WeightBip = 0;    // weight of the bi-parental loci in the genetic distance
  double WeightMat = 0;    // weight of the maternal haplotypes in the genetic distance
  int SelfGroupSize = 0;   // self-assignment: size of the groups drawn (1 = single individuals)
  int SelfNTests = 0;      // self-assignment: tests per population
  int MinBipLoci = 0;      // self-assignment: complete bi-parental loci an individual needs

  // Each gives Unset for a code that names none of its values.
  AssignMethod method() const { return namedBy(AssMethod, kAssignMethods); }
  ExclusionCriterion criterion() const { return namedBy(LodCriterion, kExclusionCriteria); }
  SimGenerator generator() const { return namedBy(SimGenMethod, kSimGenerators); }
  void setMethod(AssignMethod m) { AssMethod = codeOf(m); }
  void setCriterion(ExclusionCriterion c) { LodCriterion = codeOf(c); }
  void setGenerator(SimGenerator g) { SimGenMethod = codeOf(g); }
};

// The assignment result file: named by the first run after program start, kept until the program ends.
struct AssignmentFileState {
  std::string AssignOutFile;
  // What the last header block listed (file names, populations, groups): a run whose lists differ writes
  // the header again, so the columns of its tables refer to the populations above them.
  std::string headerIdentity;
  // The file as the last run left it: a later run writes only to that file, with that text at its head.
  ResultFileMark written;
  // The file is no longer as the last run left it and the user read the reference file again: the next
  // run starts it afresh, as the first run of the session does, under the same name.
  bool startAfresh = false;
};

}  // namespace kiwora
