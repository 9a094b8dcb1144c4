#pragma once
// The three scorers of a group of individuals against the reference populations: the Bayesian method after
// Rannala & Mountain (1997), the frequency method after Paetkau et al. (1995) and Gregorius's genetic
// distance on alleles or on single-locus genotypes with the maternal haplotypes weighted in. A group is
// first reduced to its counts (GroupProfile); the scores of the profile are sums of -log10 terms read from
// the precomputed tables, never products of probabilities. Real, simulated and left-out groups all go
// through these same functions; none of them changes the reference tables.
#include "base/tolerance.h"
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "assign/group_genotypes.h"
#include "assign/reference_tables.h"
#include "model/assignment_options.h"
#include "assign/assignment_results.h"

namespace kiwora {

// The scores are sums over the loci (and the members of a group) of terms of one sign, each a logarithm
// or a quotient of frequencies a few hundred ulps off at most; their relative scores and deltas are
// differences and quotients of such. 4096 ulps of the values compared covers sums of up to 3800 terms.
inline constexpr Rounding kScoreRounding{4096};


struct GroupProfile {
  struct Genotype {
    int a = 0, b = 0;  // codes, a <= b
    int count = 0;
    int k = 0;         // its number in the reference genotype list, 0 when the list lacks it
  };
  struct Locus {
    int locus = 0;
    int copies = 0;                          // N: allele copies that are not missing
    std::vector<std::pair<int, int>> codes;  // (code, count), ascending codes
    int typed = 0;                           // members with both alleles
    std::vector<Genotype> genotypes;         // ascending by (a, b)
  };
  struct Haplotypes {
    int complete = 0;                         // M: members with a complete haplotype
    std::vector<std::pair<int, int>> listed;  // (h, count) of keys in the reference table, ascending h
    std::vector<int> unlisted;                // counts of keys no reference population has
  };
  std::vector<Locus> loci;  // one per selected bi-parental locus, ascending
  Haplotypes maternal, paternal;
};

// Working vectors of profileGroupInto, kept by the caller so that profiling many groups allocates nothing
// once the vectors have grown to the largest group.
struct ProfileScratch {
  std::vector<int> codes, listed;
  std::vector<std::pair<int, int>> pairs;
  std::vector<std::string> keys;
  std::vector<int> order;
};

GroupProfile profileGroup(const ReferenceTables& ref, const GroupGenotypes& group);
// The same profile written into `out`, reusing its vectors and those of `scratch`.
void profileGroupInto(const ReferenceTables& ref, const GroupGenotypes& group, GroupProfile& out,
                      ProfileScratch& scratch);

// -log10 of the probability of the group's genotypes in population p (Bayesian method).
double bayesScore(const ReferenceTables& ref, const GroupProfile& g, int p);
// -log10 of the multinomial probability of the group's allele counts and maternal haplotypes in p.
double freqScore(const ReferenceTables& ref, const GroupProfile& g, int p);
// Gregorius distance of the group to p (0..1): mean over the loci taken, the maternal haplotypes weighted in.
// Categories that a reference population lacks count fully.
double gdDistance(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p);

// Whether the chosen method finds anything to score in the group.
bool groupHasData(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g);
// The score of the chosen method in population p (the Bayesian method unless another is chosen).
double groupScore(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p);

// Working vectors of groupScoreDirect, kept by the caller across groups.
struct DirectScratch {
  std::vector<std::uint64_t> sorted;  // one locus's genotypes or codes, ascending
  ProfileScratch profile;
  GroupProfile::Haplotypes haplotypes;
  GroupProfile whole;  // the profile of the methods scored through one
};

// groupScore of the group's profile, read straight from the group's alleles: the Bayesian and the
// frequency method add the same terms in the same order as from the profile, without building it.
double groupScoreDirect(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupGenotypes& group, int p,
                        DirectScratch& scratch);

// Delta of a group from its relative scores over the candidates (0 for the best) and its best score: the
// smallest positive relative score over the mean of the other candidates' relative scores. A candidate
// whose score equals the best within the tie rule ties with it. 0 with fewer than three
// candidates, when no candidate scores above the best, or when another candidate ties with the best.
double deltaOfRelativeScores(const std::vector<double>& relative, double best = 0);

// The population a group is assigned to from its scores against the candidates (in candidate order), by
// the rule of scoreGroups: the smallest score by the tie rule, the first of equal ones; under the genetic
// distance only a distance clearly below 1. 0 when none.
int assignedCandidate(const ReferenceTables& ref, const AssignmentOptions& opt, const std::vector<double>& scores);

// Scores every group against every candidate with the chosen method and fills the group tables of `out`
// (relative scores, best score, assigned population, delta, probabilities or similarities). Groups are
// scored in parallel; each writes only its own row.
void scoreGroups(const ReferenceTables& ref, const AssignmentOptions& opt, const std::vector<GroupGenotypes>& groups,
                 AssignmentResults& out);

}  // namespace kiwora
