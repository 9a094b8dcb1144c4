#pragma once
// The test groups of the assignment: groups of individuals whose origin is sought among the reference
// populations, as read from a test-group file.
#include <string>

#include "model/genotypes.h"
#include "base/table.h"

namespace kiwora {

struct TestGroups {
  int NTestGr = 0;
  Vec1<std::string> TestGrName;  // 0..NTestGr
  Vec1<int> NTestInd;            // 0..NTestGr
  Vec1<int> NTestLoci;           // 0..NTestGr: loci at which some individual of the group has an allele
  GenotypeData TestAllele;       // (group, locus, individual) as read: TestAllele1 / TestAllele2
  GenotypeData SimAllele;        // working copy that the simulated groups overwrite: SimAllele1 / SimAllele2
  Table2<double> TestMissProp;   // (group, locus): share of individuals with a missing allele

  // Per locus (0..NLoci) the smallest and largest allele code of the reference populations and of every
  // test-group file read since; the reference reader starts them, the test-group reader only widens them.
  Vec1<int> TestMinAllele, TestMaxAllele;

  // (locus) 1: deselected only because no test individual of these groups has data there. The next
  // test-group file starts from the loci as the user chose them, so such a locus is selected again when
  // that file has data; a choice of the user at the locus clears the mark.
  Vec1<int> LocDeselectedNoData;

  // The file's own locus names and largest allele code: groups kept across a new reference file are
  // checked against its loci, and the frequency tables must still hold their codes.
  Vec1<std::string> LocNameRead;
  int MaxAlleleRead = 0;
};

}  // namespace kiwora
