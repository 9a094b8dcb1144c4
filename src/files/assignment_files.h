#pragma once
// The two files of the assignment: the reference populations (read into the data set like an input
// file) and the test groups (read into TestGroups). Both have the input-file layout and are parsed by
// parseInputText; these functions turn a parsed file into the records, without touching the loaded ones.
#include <string>

#include "files/input_file.h"
#include "model/test_groups.h"

namespace kiwora {

inline constexpr const char* kReferenceReadMessage = "The reading of the reference data was successful!";
inline constexpr const char* kTestReadMessage = "The reading of the test data was successful!";
inline constexpr const char* kNoReferenceMessage = "First open file with reference pops for assignment!";
inline constexpr const char* kNotCompatibleMessage =
    "This file with test groups is not compatible with the reference file!";
inline constexpr const char* kGroupsDroppedMessage =
    "The test groups loaded before are not compatible with this reference file and were dropped! "
    "Open a file with test groups again.";

// Completes reference populations read into `ds` like an input file (everything selected, every locus
// bi-parental): their gene counts, and into `ranges` the per-locus allele range over all reference
// populations (10000 and 0 at a locus without any allele). Only TestMinAllele and TestMaxAllele of
// `ranges` are written.
void completeReferenceData(DataSet& ds, TestGroups& ranges);

// No refusal when the test-group file's loci (as far as they were read) equal the reference loci, in
// number and name, each name compared exactly; otherwise kNotCompatibleMessage and what differs.
Refusal lociMismatch(const ParsedInput& in, const DataSet& ref);
// The same check for test groups already loaded, against the loci of a new reference data set.
Refusal lociMismatch(const TestGroups& tg, const DataSet& ref);

// The groups of a parsed test-group file. A group without individuals cannot be scored and is refused.
// The allele ranges of `tg` are left as they are.
Refusal buildTestGroups(const ParsedInput& in, TestGroups& tg);

// Fits test groups to the reference data: widens the allele ranges by the groups' codes, raises
// `maxAllele` to the largest of the reference's value, the file's value and every code seen (so no
// allele falls outside the frequency tables), and deselects the loci at which no test individual has
// an allele (marking in LocDeselectedNoData those that `locSel` had selected).
void fitTestGroups(TestGroups& tg, int refMaxAllele, int& maxAllele, Vec1<int>& locSel);

// Whether the frequency tables of the reference populations with the test groups can be held
// (frequencyCells: the codes they can carry count, not the largest code).
bool frequencyTablesFit(const DataSet& ref, const TestGroups& tg, int maxAllele, const InputLimits& limits = {});

// A test-group file read and checked against the reference data, ready to take the loaded groups' place.
struct TestGroupRead {
  TestGroups groups;
  int maxAllele = 0;
  Vec1<int> locSel;
  std::string title;
};

// Reads the test-group file at `path` and checks it against the reference data `ref` (layout, number
// and names of loci, allele codes, table sizes), refusing it with the message to show; nothing loaded is
// touched, the result goes into `out`. The allele ranges are those
// of `loaded` widened by the file's codes, and the selection is `sel`'s, with the loci that only the
// loaded groups' lack of data deselected selected again, without the loci the new groups lack.
Refusal readTestGroupFile(const std::string& path, const DataSet& ref, const Selection& sel, const TestGroups& loaded,
                          TestGroupRead& out);

// A reference file just read (`ref`, with its selection and the file names carried over from the loaded
// data) and the test groups loaded before it, as the program is to hold them: the reference completed
// (completeReferenceData, the allele ranges of `loaded` widened by the new populations' codes), and the
// groups, which stay only if they fit the new loci and the frequency tables can still hold their codes (the
// largest allele code and the locus selection are then fitted to them, as for a test-group file);
// otherwise they are dropped, leaving the allele ranges, and TestFileName is cleared. Groups are looked at
// only when some were loaded (`testLoaded`) or a test-group file is named.
struct ReferenceWithGroups {
  DataSet ds;
  Selection sel;
  TestGroups test;
  bool groupsDropped = false;
};
ReferenceWithGroups referenceWithTestGroups(DataSet ref, Selection sel, const TestGroups& loaded, bool testLoaded);

// Puts a checked read in place of the loaded groups: the groups, the title, the largest allele code and
// the locus selection.
void installTestGroups(TestGroupRead&& read, DataSet& ds, Selection& sel, TestGroups& tg);

}  // namespace kiwora
