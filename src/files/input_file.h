#pragma once
// The program's own input file: title; number of populations (or groups), number of loci, largest allele
// code; one locus name per line; then per population a header "name, X, Y", one line of 2 x NLoci allele
// codes per individual, and a terminator (an empty line, or "END"; the last block must end with "END").
// The same layout carries the population data, the reference populations and the test groups.
//
// Where a file is refused: the reader here (parseInputText, parseInputInto, readInputFileInto) refuses what
// is wrong in the file itself, in every layout: an empty file or text that is not plain, a count that is
// not usable, reads as 0 where it must be at least 1, or asks for more tables than the limits allow; a
// missing locus name; a block header that is not "name, X, Y"; a code that is no allele code or a line of
// another number of codes; a block without its ending line, and a last block that does not end with "END".
// What a test-group file is refused for against the reference lives in files/assignment_files.cpp: loci
// that differ from the reference's in number or name (lociMismatch, asked before this reader's refusal, so
// a file of other loci is called incompatible rather than broken), a group without individuals
// (buildTestGroups), and frequency tables that the groups' codes would make too large (readTestGroupFile).
#include <string>
#include <string_view>
#include <vector>

#include "base/refusal.h"
#include "files/text_lines.h"
#include "model/dataset.h"

namespace kiwora {

inline constexpr const char* kReadingFailureMessage =
    "The reading of input data was not successful! Check the format of your input file!";
inline constexpr const char* kSizingMessage = "The size of you data set is too large!";

struct PopulationBlock {
  std::string name;
  int headerLine = 0;  // the line of its header in the file read; 0 when it was not read from a file
  double x = 0, y = 0;
  int nInd = 0;
  std::vector<int> alleles;  // individual-major: (j - 1) * 2 * nLoci + 2 * (l - 1) + {0, 1}
  int allele(int l, int j, int which, int nLoci) const {
    return alleles[static_cast<std::size_t>((j - 1) * 2 * nLoci + 2 * (l - 1) + which)];
  }
};

struct ParsedInput {
  std::string title;
  int nPop = 0, nLoci = 0, maxAllele = 0;  // nPop counts the groups of a test-group file
  bool countsRead = false;                 // the three counts were read and are usable
  int countLine[3] = {0, 0, 0};            // the lines of the three counts in the file
  int firstLocusLine = 0;                  // the line of the first locus name; the others follow it
  Vec1<std::string> locName;       // 1..nLoci
  Vec1<PopulationBlock> blocks;    // 1..nPop
  int largestCodeSeen = 0;
};

// Populations carry coordinates; the header of a test group holds a name and two places whose text is
// ignored. Groups get no frequency tables of their own, so their count is not held against that limit.
enum class InputLayout { Populations, TestGroups };

struct ParseResult {
  Refusal refusal;   // its failure text is the reading-failure or the sizing message
  ParsedInput data;  // after a refusal: what was read before it (title, counts, locus names so far)
  bool ok() const { return !refusal; }
  std::string message() const { return refusal.message(); }
};

// Limits that keep an absurd header from allocating the machine away.
struct InputLimits {
  long long maxCount = 10'000'000;            // populations, loci, allele codes each
  long long maxFrequencyCells = 200'000'000;  // frequencyCells
  // The tables of every population at every locus (genotypes, gene counts) may take this many times the
  // file's size, and this much more: a population needs a line per individual, each with a code per locus,
  // so only a file of mostly empty populations at many loci asks for more.
  long long maxTableBytesPerFileByte = 8;
  long long maxTableBytesBeyondFile = 64LL << 20;
};

// The frequency cells a data set may take: per population and locus one for each code the locus carries
// and two more. A locus carries no more codes than its gene copies (`copies`, at most), however large the
// largest code is, so that bound counts; held against InputLimits::maxFrequencyCells.
inline double frequencyCells(double nPop, double nLoci, double maxAllele, double copies) {
  return (nPop + 1) * (nLoci + 1) * ((maxAllele < copies ? maxAllele : copies) + 2);
}

// Field reading, shared with the import of comma-separated tables (splitLines: files/text_lines.h).
// The comma-separated fields of one line: blanks around an unquoted field are dropped; a field in double
// quotes may hold commas, and a doubled quote inside it stands for one quote; text after the closing
// quote makes the field its whole text (FieldReader).
std::vector<std::string> splitFields(std::string_view line);

ParseResult parseInputText(std::string_view text, const InputLimits& limits = {});
ParseResult parseInputText(std::string_view text, InputLayout layout, const InputLimits& limits = {});

// The largest file any reader accepts (input, reference, test-group, loci-selection files, imported
// tables): 256 MB.
inline constexpr long long kMaxInputFileBytes = 256LL << 20;

// Reads a whole file into `text`; refused, under the failure text `head`, for a missing file, a folder,
// anything that is not a regular file (a device, a pipe), a file above kMaxInputFileBytes, or an
// unreadable file.
Refusal readWholeFile(const std::string& path, std::string& text, std::string head = kReadingFailureMessage);

// Reads an input file of populations straight into a data set and its selection, as parseInputText and
// buildDataSet would leave them, holding each population once (the text, the data set and one population
// being read). The result is parseInputText's, without blocks; after a failure ds and sel hold nothing usable.
ParseResult parseInputInto(std::string_view text, DataSet& ds, Selection& sel, const InputLimits& limits = {});

// How much of an input file is read at a time.
inline constexpr std::size_t kInputPieceBytes = std::size_t(1) << 20;

// The same for the input file at `path`, read `pieceBytes` at a time so that its text is never held whole.
// A file that cannot be read is refused as readWholeFile refuses it. The reading does not depend on the
// piece size; tests read in tiny pieces.
ParseResult readInputFileInto(const std::string& path, DataSet& ds, Selection& sel, const InputLimits& limits = {},
                              std::size_t pieceBytes = kInputPieceBytes);

// A data set and its selection as a successful read leaves them: everything selected, every locus
// bi-parental, loci without any genotype in some population dropped.
void buildDataSet(const ParsedInput& in, DataSet& ds, Selection& sel);
// The same, giving back each population's parsed codes as soon as they are in the data set, so that a
// load holds the codes about once, not twice.
void buildDataSet(ParsedInput&& in, DataSet& ds, Selection& sel);

}  // namespace kiwora
