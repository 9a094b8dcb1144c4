#include "files/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "support/app_fixture.h"
#include "support/same_reading.h"

namespace kiwora {
namespace {

// The failure text a refusal is shown under: the file cannot be read, or its counts cannot be held.
enum class Error { Reading, Sizing };
std::string headOf(Error e) { return e == Error::Sizing ? kSizingMessage : kReadingFailureMessage; }

std::string header(const std::string& counts, int nLoci) {
  std::string s = "A title, with a comma\n" + counts + "\n";
  for (int l = 1; l <= nLoci; ++l) s += "L" + std::to_string(l) + "\n";
  return s;
}

// The frequency tables hold a cell per code a locus carries, and a locus carries no more codes than the
// file has gene copies of it: a largest code of 10,000,000 over a few individuals at many loci fits.
TEST(InputFile, TheSizeCheckCountsTheCodesAFileCanCarryNotTheLargestCode) {
  const struct {
    const char* what;
    int nPop, nLoci, maxAllele;
    bool fits;
  } cases[] = {
      {"a few individuals, huge codes, many loci", 3, 60, 10'000'000, true},
      {"populations x loci x codes small", 3, 60, 9, true},
  };
  for (const auto& c : cases) {
    std::string text = header(std::to_string(c.nPop) + "," + std::to_string(c.nLoci) + "," + std::to_string(c.maxAllele), c.nLoci);
    for (int p = 1; p <= c.nPop; ++p) {
      text += "P" + std::to_string(p) + ",0,0\n";
      for (int l = 1; l <= c.nLoci; ++l) text += (l > 1 ? "," : "") + std::to_string(c.maxAllele - p + 1) + ",1";
      text += p == c.nPop ? "\nEND\n" : "\n\n";
    }
    const ParseResult r = parseInputText(text);
    EXPECT_EQ(r.ok(), c.fits) << c.what << ": " << r.message();
    if (r.ok()) {
      EXPECT_EQ(r.data.largestCodeSeen, c.maxAllele) << c.what;
    }
  }
}

TEST(InputFile, ReadsTheExampleFile) {
  const ParseResult r = parseInputText(testing::kDemoFile);
  ASSERT_TRUE(r.ok()) << r.message();
  DataSet ds;
  Selection sel;
  buildDataSet(r.data, ds, sel);
  EXPECT_EQ(ds.Title, "Demo Populations");
  EXPECT_EQ(ds.NPop, 3);
  EXPECT_EQ(ds.NLoci, 5);
  EXPECT_EQ(ds.MaxAllele, 4);
  EXPECT_EQ(ds.LocName[5], "SNP_005");
  EXPECT_EQ(ds.PopName[3], "Pop_3");
  EXPECT_DOUBLE_EQ(ds.PopX[1], 28.0252);
  EXPECT_DOUBLE_EQ(ds.PopY[3], 52.455);
  EXPECT_EQ(ds.NInd[2], 3);
  // Individual 2 of population 1: 3,3,4,3,2,2,3,3,-1,2
  EXPECT_EQ(ds.Allele.a1(1, 2, 2), 4);
  EXPECT_EQ(ds.Allele.a2(1, 2, 2), 3);
  EXPECT_EQ(ds.Allele.a1(1, 5, 2), -1);
  EXPECT_EQ(ds.Allele.a2(1, 5, 2), 2);
  // Allele copies, not individuals: locus 5 of population 1 has -1,-1 / -1,2 / 2,2.
  EXPECT_EQ(ds.NGenesRead(1, 5), 3);
  EXPECT_EQ(ds.NGenesRead(2, 5), 6);
  for (int l = 1; l <= 5; ++l) {
    EXPECT_EQ(sel.LocSel[l], 1);
    EXPECT_EQ(sel.LocAvail[l], 1);
    EXPECT_EQ(sel.LocMode[l], 1);
  }
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(sel.PopSel[p], 1);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(sel.IndSel[p][j], 1);
  }
}

TEST(InputFile, LayoutVariantsReadAlike) {
  const std::string body = "P1,1,2\n1,2,2,2\n2,2,-1,1\nEND\n";
  const std::string variants[] = {
      header("1,2,2", 2) + body,
      header("1\n2\n2", 2) + body,
      header("1, 2 ,2", 2) + body,
  };
  std::string crlf;
  for (char c : variants[0]) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const ParseResult ref = parseInputText(variants[0]);
  ASSERT_TRUE(ref.ok()) << ref.message();
  for (const std::string& v : {variants[1], variants[2], crlf, variants[0] + "ignored\ntrailing lines\n"}) {
    const ParseResult r = parseInputText(v);
    ASSERT_TRUE(r.ok()) << r.message();
    EXPECT_EQ(r.data.blocks[1].alleles, ref.data.blocks[1].alleles);
    EXPECT_EQ(r.data.locName, ref.data.locName);
  }
  EXPECT_EQ(ref.data.title, "A title, with a comma");
}

TEST(InputFile, DroppedLociAndEmptyPopulations) {
  // Population 1 lacks locus 1 entirely; population 2 has no individual at all (every locus dropped);
  // half-typed individuals keep a locus.
  const std::string text = header("3,3,5", 3) +
                           "P1,0,0\n-1,-1,1,-1,2,2\n-1,-1,-1,3,2,2\n\n"
                           "P2,0,0\n\n"
                           "P3,0,0\n1,1,1,1,1,1\nEND\n";
  const ParseResult r = parseInputText(text);
  ASSERT_TRUE(r.ok()) << r.message();
  DataSet ds;
  Selection sel;
  buildDataSet(r.data, ds, sel);
  EXPECT_EQ(ds.NInd[2], 0);
  for (int l = 1; l <= 3; ++l) {
    EXPECT_EQ(sel.LocSel[l], 0) << l;
    EXPECT_EQ(sel.LocAvail[l], 0) << l;
  }

  const ParseResult r2 = parseInputText(header("2,3,5", 3) + "P1,0,0\n-1,-1,1,-1,2,2\n-1,-1,-1,3,2,2\nEND\nP3,0,0\n1,1,1,1,1,1\nEND\n");
  ASSERT_TRUE(r2.ok()) << r2.message();
  buildDataSet(r2.data, ds, sel);
  EXPECT_EQ(sel.LocSel[1], 0);
  EXPECT_EQ(sel.LocSel[2], 1);
  EXPECT_EQ(sel.LocSel[3], 1);
  EXPECT_EQ(ds.NGenesRead(1, 2), 2);
}

TEST(InputFile, BadInputIsRefusedWithTheRightMessage) {
  static const char kGarbage[] = "\x01\x02\xff\xfe\x00\x13garbage\n\x7f\x80,\x81\n";
  const std::string ok2 = header("2,2,3", 2);
  const struct {
    const char* what;
    std::string text;
    Error error;
    const char* detail;  // part of the second line
  } cases[] = {
      {"empty file", "", Error::Sizing, "empty"},
      {"missing END", ok2 + "P1,0,0\n1,2,3,3\n\nP2,0,0\n1,1,1,1\n", Error::Reading, "END"},
      {"last block closed by an empty line", ok2 + "P1,0,0\n1,2,3,3\n\nP2,0,0\n1,1,1,1\n\n", Error::Reading, "END"},
      {"short individual line", ok2 + "P1,0,0\n1,2,3\nEND\n", Error::Reading, "Line 6: 3 allele codes"},
      {"long individual line", ok2 + "P1,0,0\n1,2,3,3,1\nEND\n", Error::Reading, "Line 6: 5 allele codes"},
      {"non-numeric code", ok2 + "P1,0,0\n1,x,3,3\nEND\n", Error::Reading, "Line 6: \"x\""},
      {"code 0", ok2 + "P1,0,0\n1,0,3,3\nEND\n", Error::Reading, "Line 6: \"0\""},
      {"code -2", ok2 + "P1,0,0\n1,-2,3,3\nEND\n", Error::Reading, "\"-2\""},
      {"code above the largest", ok2 + "P1,0,0\n1,4,3,3\nEND\n", Error::Reading, "\"4\""},
      {"fractional code", ok2 + "P1,0,0\n1,2.5,3,3\nEND\n", Error::Reading, "\"2.5\""},
      {"hexadecimal code", ok2 + "P1,0,0\n1,0x3,3,3\nEND\n", Error::Reading, "\"0x3\""},
      {"code with an exponent", ok2 + "P1,0,0\n1,2e0,3,3\nEND\n", Error::Reading, "\"2e0\""},
      {"ten-digit code", ok2 + "P1,0,0\n1,1234567890,3,3\nEND\n", Error::Reading, "\"1234567890\""},
      {"sign without digits", ok2 + "P1,0,0\n1,-,3,3\nEND\n", Error::Reading, "\"-\""},
      {"empty field", ok2 + "P1,0,0\n1,,3,3\nEND\n", Error::Reading, "Line 6: \"\""},
      {"quoted code holding a comma", ok2 + "P1,0,0\n\"1,2\",3,3\nEND\n", Error::Reading, "Line 6: \"1,2\" is not an allele code"},
      {"quoted text for a code", ok2 + "P1,0,0\n1,\" x \",3,3\nEND\n", Error::Reading, "Line 6: \" x \" is not an allele code"},
      {"quoted code above the largest", ok2 + "P1,0,0\n1,\"4\",3,3\nEND\n", Error::Reading, "Line 6: \"4\" is not"},
      {"quoted codes, one too few", ok2 + "P1,0,0\n\"1\",\"2\",\"3\"\nEND\n", Error::Reading, "Line 6: 3 allele codes"},
      {"hexadecimal coordinate", ok2 + "P1,0x1p3,0\n1,2,3,3\nEND\n", Error::Reading, "Line 5: the header"},
      {"coordinate with an exponent", ok2 + "P1,0,1e2\n1,2,3,3\nEND\n", Error::Reading, "Line 5: the header"},
      {"infinite coordinate", ok2 + "P1,inf,0\n1,2,3,3\nEND\n", Error::Reading, "Line 5: the header"},
      {"hexadecimal count", header("0x2,2,3", 2), Error::Reading, "at least 1"},
      {"count with an exponent", header("2,2e0,3", 2), Error::Sizing, "number of loci \"2e0\""},
      {"count followed by text", header("2,2,3 codes", 2), Error::Sizing, "largest allele code \"3 codes\""},
      {"lower-case end counts as an individual", header("1,2,3", 2) + "P1,0,0\n1,2,3,3\nend\n", Error::Reading, "Line 7"},
      {"line of blanks", header("1,2,3", 2) + "P1,0,0\n  \nEND\n", Error::Reading, "Line 6"},
      {"zero populations", header("0,2,3", 2), Error::Reading, "at least 1"},
      {"zero loci", header("2,0,3", 0), Error::Reading, "at least 1"},
      {"text instead of counts", header("many,2,3", 2), Error::Reading, "at least 1"},
      {"negative count", header("-2,2,3", 2), Error::Sizing, "number of populations"},
      {"fractional count", header("2.5,2,3", 2), Error::Sizing, "number of populations"},
      // Whole by the digits, not by the double they round to.
      {"count a hair below 2", header("1.99999999999999999999,2,3", 2), Error::Sizing,
       "Line 2: the number of populations \"1.99999999999999999999\" is not a usable count."},
      {"code a hair below 3", ok2 + "P1,0,0\n1,2.9999999999999999999999,3,3\nEND\n", Error::Reading,
       "Line 6: \"2.9999999999999999999999\" is not an allele code"},
      {"code a hair above 3", ok2 + "P1,0,0\n1,3.000000000000000000001,3,3\nEND\n", Error::Reading,
       "Line 6: \"3.000000000000000000001\" is not an allele code"},
      {"code a little below 3", ok2 + "P1,0,0\n1,2.9999999999999996,3,3\nEND\n", Error::Reading,
       "Line 6: \"2.9999999999999996\" is not an allele code"},
      // A byte that prints nothing is shown, not passed to the terminal.
      {"NUL byte in a code", ok2 + "P1,0,0\n1,2" + std::string(1, '\0') + ",3,3\nEND\n", Error::Reading,
       "Line 6: \"2\\x00\" is not an allele code"},
      {"escape byte in a code", ok2 + "P1,0,0\n1,\x1b[2J,3,3\nEND\n", Error::Reading,
       "Line 6: \"\\x1B[2J\" is not an allele code"},
      {"huge count", header("1000000000000,2,3", 2), Error::Sizing, "number of populations"},
      // A file of a megabyte may hold 500 codes at each of 1000 loci, not 5000.
      {"huge product", std::string(1'000'000, 'x') + "\n1000,1000,5000\n", Error::Sizing, "exceed"},
      // Tables of 4.6 MB for a file of a few bytes: refused beyond 8 times the file and 2 MB.
      {"populations x loci far beyond the file", header("2000,200,2", 0), Error::Sizing,
       "Line 2: the 2000 populations x 200 loci would take about "},
      {"populations x loci within 8 times the file", header("250,200,2", 0), Error::Reading, "locus 1"},
      {"missing counts", "title only\n", Error::Sizing, "ends there, before"},
      {"missing locus names", "t\n1,3,2\nL1\n", Error::Reading, "locus 2"},
      {"header without coordinates", ok2 + "P1\n1,2,3,3\nEND\n", Error::Reading, "Line 5: the header"},
      {"non-numeric coordinate", ok2 + "P1,north,3\n1,2,3,3\nEND\n", Error::Reading, "Line 5"},
      {"too few blocks", ok2 + "P1,0,0\n1,2,3,3\n\n", Error::Reading, "population 2"},
      {"more blocks, block NPop closed by an empty line", ok2 + "P1,0,0\n1,1,1,1\n\nP2,0,0\n1,1,1,1\n\nP3,0,0\nEND\n",
       Error::Reading, "END"},
      {"binary garbage", std::string(kGarbage, sizeof kGarbage - 1), Error::Reading, "Line 1: the file is not plain text"},
  };
  InputLimits limits;
  limits.maxTableBytesBeyondFile = 2 << 20;
  for (const auto& c : cases) {
    const ParseResult r = parseInputText(c.text, limits);
    EXPECT_EQ(r.refusal.head(), headOf(c.error)) << c.what << ": " << r.message();
    EXPECT_NE(r.refusal.detail().find(c.detail), std::string::npos) << c.what << ": " << r.refusal.detail();
    const std::string head = headOf(c.error);
    EXPECT_EQ(r.message().rfind(head, 0), 0u) << c.what;
  }
}

// The same text as a file saved in UTF-16, little- or big-endian, with or without the byte-order mark.
std::string utf16(const std::string& text, bool bigEndian, bool mark) {
  std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : text) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

// The detail says on which line the reading stopped and what it found there.
TEST(InputFile, EveryRefusalNamesItsLineAndWhatIsWrongThere) {
  const std::string ok2 = header("2,2,3", 2);
  const std::string demo = testing::kDemoFile;
  const std::string notText =
      "the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and read it again.";
  const struct {
    const char* what;
    InputLayout layout;
    std::string text;
    Error error;
    std::string detail;
  } cases[] = {
      {"hexadecimal count", InputLayout::Populations, header("0x2,2,3", 2), Error::Reading,
       "Line 2: the number of populations \"0x2\" is not a number (it reads as 0); it must be at least 1."},
      {"text for a count", InputLayout::Populations, header("abc,2,3", 2), Error::Reading,
       "Line 2: the number of populations \"abc\" is not a number (it reads as 0); it must be at least 1."},
      {"zero loci on a line of its own", InputLayout::Populations, "T\n2\n0\n3\n", Error::Reading,
       "Line 3: the number of loci is 0; it must be at least 1."},
      {"largest code 0", InputLayout::Populations, header("2,2,0", 2), Error::Reading,
       "Line 2: the largest allele code is 0; it must be at least 1."},
      {"largest code as text", InputLayout::Populations, "T\n2\n2\nnone\n", Error::Reading,
       "Line 4: the largest allele code \"none\" is not a number (it reads as 0); it must be at least 1."},
      {"count with an exponent", InputLayout::Populations, header("2e0,2,3", 2), Error::Sizing,
       "Line 2: the number of populations \"2e0\" is not a usable count."},
      {"no counts", InputLayout::Populations, "title only\n", Error::Sizing,
       "Line 1: the file ends there, before the number of populations."},
      {"counts cut short", InputLayout::Populations, "T\n2,2\n", Error::Sizing,
       "Line 2: the file ends there, before the largest allele code."},
      {"too few locus names", InputLayout::Populations, "t\n1,3,2\nL1\n", Error::Reading,
       "Line 3: the file ends there, before the name of locus 2."},
      {"too few blocks", InputLayout::Populations, ok2 + "P1,0,0\n1,2,3,3\n\n", Error::Reading,
       "Line 7: the file ends there, before population 2 of 2."},
      {"last block ends with an empty line", InputLayout::Populations,
       ok2 + "P1,0,0\n1,2,3,3\n\nP2,0,0\n1,1,1,1\n\n", Error::Reading,
       "Line 10: the last population (2) ends with an empty line; it must end with a line \"END\"."},
      {"file ends inside the last block", InputLayout::Populations, ok2 + "P1,0,0\n1,2,3,3\nEND\nP2,0,0\n1,1,1,1\n",
       Error::Reading, "Line 9: the file ends there, inside population 2 (P2) before its closing \"END\"."},
      {"file ends inside the last block, without a final line end", InputLayout::Populations,
       ok2 + "P1,0,0\n1,2,3,3\nEND\nP2,0,0\n1,1,1,1", Error::Reading,
       "Line 9: the file ends there, inside population 2 (P2) before its closing \"END\"."},
      {"file ends inside the last block, lines ending in CR", InputLayout::Populations,
       "T\r2,2,3\rL1\rL2\rP1,0,0\r1,2,3,3\rEND\rP2,0,0\r1,1,1,1\r", Error::Reading,
       "Line 9: the file ends there, inside population 2 (P2) before its closing \"END\"."},
      {"last group ends with an empty line", InputLayout::TestGroups, header("1,2,3", 2) + "G1,a,b\n1,2,3,3\n\n",
       Error::Reading, "Line 7: the last group (1) ends with an empty line; it must end with a line \"END\"."},
      {"more loci announced than named", InputLayout::Populations, header("1,3,2", 2) + "P1,0,0\n1,2,1,2\nEND\n",
       Error::Reading,
       "Line 6: the header of population 1 must be a name and two numbers (name, X, Y). Line 2 announces 3 loci, "
       "but the file names 2: line 5, read as the name of locus 3, is the header \"P1,0,0\"."},
      {"9 loci announced above 8 names, counts on lines of their own", InputLayout::Populations,
       "T\n1\n9\n4\nL1\nL2\nL3\nL4\nL5\nL6\nL7\nL8\nPop_1,28.0252,53.8763\n1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\nEND\n",
       Error::Reading,
       "Line 14: the header of population 1 must be a name and two numbers (name, X, Y). Line 3 announces 9 loci, "
       "but the file names 8: line 13, read as the name of locus 9, is the header \"Pop_1,28.0252,53.8763\"."},
      {"more loci announced than named in groups", InputLayout::TestGroups,
       header("1,3,2", 2) + "G1,any,text\n1,2,1,2\nEND\n", Error::Reading,
       "Line 6: the header of group 1 must be three fields (name, X, Y). Line 2 announces 3 loci, "
       "but the file names 2: line 5, read as the name of locus 3, is the header \"G1,any,text\"."},
      {"fewer loci announced than named", InputLayout::Populations, header("1,1,2", 2) + "P1,0,0\n1,2\nEND\n",
       Error::Reading,
       "Line 4: the header of population 1 must be a name and two numbers (name, X, Y). Is \"L2\" a locus name "
       "beyond the 1 that line 2 announces?"},
      {"UTF-16 with its mark", InputLayout::Populations, utf16(demo, false, true), Error::Reading, "Line 1: " + notText},
      {"UTF-16 big-endian with its mark", InputLayout::Populations, utf16(demo, true, true), Error::Reading,
       "Line 1: " + notText},
      {"UTF-16 without a mark", InputLayout::Populations, utf16(demo, false, false), Error::Reading, "Line 1: " + notText},
      {"UTF-16 test groups", InputLayout::TestGroups, utf16(demo, false, true), Error::Reading, "Line 1: " + notText},
      {"a byte-order mark of UTF-16 before plain text", InputLayout::Populations, "\xFF\xFE" + demo, Error::Reading,
       "Line 1: " + notText},
      {"NUL bytes in the counts", InputLayout::Populations, std::string("T\n3\0,5,4\n", 10), Error::Reading,
       "Line 2: " + notText},
      {"product of the counts on three lines", InputLayout::Populations,
       std::string(1'000'000, 'x') + "\n1000\n1000\n5000\n", Error::Sizing,
       "Lines 2 to 4: populations x loci x allele codes (1000 x 1000 x 5000) exceed what the program can hold."},
  };
  for (const auto& c : cases) {
    const ParseResult r = parseInputText(c.text, c.layout);
    EXPECT_EQ(r.refusal.head(), headOf(c.error)) << c.what << ": " << r.message();
    EXPECT_EQ(r.refusal.detail(), c.detail) << c.what;
  }
}

// A file of no test groups is a file of groups like any other; a data set needs a population.
TEST(InputFile, NoTestGroupsIsAFileOfGroups) {
  const ParseResult groups = parseInputText(header("0,2,3", 2), InputLayout::TestGroups);
  ASSERT_TRUE(groups.ok()) << groups.message();
  EXPECT_EQ(groups.data.nPop, 0);
  EXPECT_EQ(groups.data.nLoci, 2);
  EXPECT_EQ(groups.data.blocks.size(), 1u);  // index 0 only
  EXPECT_EQ(groups.data.locName[2], "L2");
  const ParseResult populations = parseInputText(header("0,2,3", 2), InputLayout::Populations);
  EXPECT_EQ(populations.refusal.head(), headOf(Error::Reading));
}

// Bare codes are read on a short path; every other form of a whole number takes the full rules and gives
// the same codes.
TEST(InputFile, CodesWrittenInOtherFormsReadAlike) {
  const ParseResult r = parseInputText(header("1,4,300", 4) + "P1,0,0\n+3, 3 ,3.0,003,-1,-1.0,299,300\nEND\n");
  ASSERT_TRUE(r.ok()) << r.message();
  const std::vector<int> expected = {3, 3, 3, 3, -1, -1, 299, 300};
  EXPECT_EQ(r.data.blocks[1].alleles, expected);
  EXPECT_EQ(r.data.largestCodeSeen, 300);
}

// A field in double quotes, as a spreadsheet saves every field, is read as the header's fields are: the
// text inside the quotes, blanks around them dropped.
TEST(InputFile, QuotedCodesReadAsTheTextInsideTheQuotes) {
  const ParseResult r =
      parseInputText(header("1,3,300", 3) + "\"P1\",\"0\",\"0\"\n\"3\", \"-1\" ,\"300\",\" 3.0 \",\"+12\",-1\nEND\n");
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r.data.blocks[1].alleles, (std::vector<int>{3, -1, 300, 3, 12, -1}));
  EXPECT_EQ(r.data.largestCodeSeen, 300);
}

// Text after a closing quote is not dropped: the field is refused as malformed, naming its line and the
// whole field, in the data file and the test-group file alike. Blanks after the quote are no text.
TEST(InputFile, TextAfterAClosingQuoteIsRefused) {
  const struct {
    const char* what;
    InputLayout layout;
    std::string text;
    const char* detail;  // empty: read
  } cases[] = {
      {"a letter after a quoted code", InputLayout::Populations, header("1,1,9", 1) + "P1,0,0\n\"3\"x,1\nEND\n",
       "Line 5: \"\"3\"x\" is not an allele code"},
      {"a digit after a quoted code", InputLayout::Populations, header("1,1,9", 1) + "P1,0,0\n1,\"-1\"1\nEND\n",
       "Line 5: \"\"-1\"1\" is not an allele code"},
      {"a blank, then text", InputLayout::Populations, header("1,1,9", 1) + "P1,0,0\n1,\"2\" 2\nEND\n",
       "Line 5: \"\"2\" 2\" is not an allele code"},
      {"in a test group", InputLayout::TestGroups, header("1,1,9", 1) + "G1,a,b\n\"3\"x,1\nEND\n",
       "Line 5: \"\"3\"x\" is not an allele code"},
      {"after a quoted count", InputLayout::Populations, "T\n\"1\"0,1,9\nL1\nP1,0,0\n1,1\nEND\n", "Line 2: the number"},
      {"only blanks after the quote", InputLayout::Populations, header("1,1,9", 1) + "P1,0,0\n\"3\"  ,1\nEND\n", ""},
      {"text after a quoted population name", InputLayout::Populations,
       header("1,1,9", 1) + "\"Pop 1, x\"y,42.89,48.3\n1,1\nEND\n",
       "Line 4: the name of population 1, \"\"Pop 1, x\"y\", has text after its closing quote."},
      {"text after a quoted group name", InputLayout::TestGroups, header("1,1,9", 1) + "\"G 1\"x,a,b\n1,1\nEND\n",
       "Line 4: the name of"},
      {"a quoted name with a comma", InputLayout::Populations, header("1,1,9", 1) + "\"Pop 1, x\" ,42.89,48.3\n1,1\nEND\n", ""},
  };
  for (const auto& c : cases) {
    const ParseResult r = parseInputText(c.text, c.layout);
    if (*c.detail == '\0') {
      EXPECT_TRUE(r.ok()) << c.what << ": " << r.message();
      continue;
    }
    ASSERT_FALSE(r.ok()) << c.what;
    EXPECT_NE(r.message().find(c.detail), std::string::npos) << c.what << ": " << r.message();
  }
}

TEST(InputFile, MoreBlocksThanCountedAreIgnoredAfterEnd) {
  const ParseResult r = parseInputText(header("1,2,3", 2) + "P1,0,0\n1,1,1,1\nEND\nP2,0,0\n9,9\n");
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r.data.blocks.size(), 2u);
}

TEST(InputFile, QuotedNamesMayHoldCommas) {
  const ParseResult r = parseInputText(header("1,1,2", 1) + "\"Oak, north\",1.5,-2\n1,2\nEND\n");
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r.data.blocks[1].name, "Oak, north");
  EXPECT_DOUBLE_EQ(r.data.blocks[1].y, -2);
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

TEST(InputFile, ADoubledQuoteInAQuotedNameIsOneQuote) {
  const ParseResult r = parseInputText("T\n1,1,2\nL\n\"Say \"\"hi\"\", north\",1,2\n1,2\nEND\n");
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r.data.blocks[1].name, "Say \"hi\", north");
  EXPECT_EQ(splitFields(" \"a\"\"\" , b ,\"\""), (std::vector<std::string>{"a\"", "b", ""}));
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

TEST(ReadWholeFile, RefusesWhatIsNotARegularFileOfUsableSize) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.file("folder"));
  // Sparse, so the test writes nothing: only the size counts.
  dir.write("huge.txt", "");
  std::filesystem::resize_file(dir.file("huge.txt"), static_cast<std::uintmax_t>(kMaxInputFileBytes) + 1);
  const struct { const char* what; std::string path; const char* reason; } cases[] = {
      {"a pipe, which must not wait for a writer", dir.file("pipe"), "is not a regular file"},
      {"a device that never ends", "/dev/zero", "is not a regular file"},
      {"a folder", dir.file("folder"), "is a folder"},
      {"a file above the limit", dir.file("huge.txt"), "MB, the largest file"},
      {"a missing file", dir.file("missing.txt"), "does not exist"},
  };
  for (const auto& c : cases) {
    std::string text = "kept";
    const Refusal whole = readWholeFile(c.path, text);
    EXPECT_TRUE(whole) << c.what;
    EXPECT_EQ(whole.head(), kReadingFailureMessage) << c.what;
    EXPECT_NE(whole.detail().find(c.reason), std::string::npos) << c.what << ": " << whole.detail();
    // Reading piece by piece refuses the same files for the same reasons.
    DataSet ds;
    Selection sel;
    const ParseResult parsed = readInputFileInto(c.path, ds, sel);
    EXPECT_EQ(parsed.refusal, whole) << c.what;
  }
  std::string text;
  dir.write("ok.txt", testing::kDemoFile);
  const Refusal none = readWholeFile(dir.file("ok.txt"), text);
  ASSERT_FALSE(none) << none.message();
  EXPECT_EQ(text, testing::kDemoFile);
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

// The data set and selection as the blocks build them, to compare the direct readings with.
struct Built {
  ParseResult result;
  DataSet ds;
  Selection sel;
};

Built throughBlocks(const std::string& text) {
  Built b;
  b.result = parseInputText(text);
  if (b.result.ok()) buildDataSet(b.result.data, b.ds, b.sel);
  return b;
}

void expectSameReading(const Built& want, const ParseResult& got, const DataSet& ds, const Selection& sel,
                       const std::string& what) {
  ASSERT_EQ(got.refusal, want.result.refusal) << what << ": " << got.message();
  if (!got.ok()) return;
  const DataSet& w = want.ds;
  EXPECT_EQ(ds.Title, w.Title) << what;
  EXPECT_EQ(ds.NPop, w.NPop) << what;
  EXPECT_EQ(ds.NLoci, w.NLoci) << what;
  EXPECT_EQ(ds.MaxAllele, w.MaxAllele) << what;
  EXPECT_EQ(ds.LocName, w.LocName) << what;
  EXPECT_EQ(ds.PopName, w.PopName) << what;
  EXPECT_EQ(ds.PopX, w.PopX) << what;
  EXPECT_EQ(ds.PopY, w.PopY) << what;
  EXPECT_EQ(ds.NInd, w.NInd) << what;
  EXPECT_TRUE(ds.Allele == w.Allele) << what;
  ASSERT_EQ(ds.NGenesRead.n1(), w.NGenesRead.n1()) << what;
  ASSERT_EQ(ds.NGenesRead.n2(), w.NGenesRead.n2()) << what;
  for (int p = 0; p <= w.NGenesRead.n1(); ++p)
    for (int l = 0; l <= w.NGenesRead.n2(); ++l) EXPECT_EQ(ds.NGenesRead(p, l), w.NGenesRead(p, l)) << what;
  EXPECT_EQ(sel.PopSel, want.sel.PopSel) << what;
  EXPECT_TRUE(sel.IndSel == want.sel.IndSel) << what;
  EXPECT_EQ(sel.LocSel, want.sel.LocSel) << what;
  EXPECT_EQ(sel.LocAvail, want.sel.LocAvail) << what;
  EXPECT_EQ(sel.LocMode, want.sel.LocMode) << what;
}

// Reading from the text, and from a file a piece at a time, gives what parsing into blocks and building
// from them gives: the same data set, or the same refusal.
void expectDirectReadingsAgree(const std::string& text, const std::string& what) {
  const Built want = throughBlocks(text);
  {
    DataSet ds;
    Selection sel;
    const ParseResult got = parseInputInto(text, ds, sel);
    expectSameReading(want, got, ds, sel, what + " (text)");
  }
  testing::TempDir dir;
  dir.write("in.txt", text);
  DataSet ds;
  Selection sel;
  const ParseResult got = readInputFileInto(dir.file("in.txt"), ds, sel);
  expectSameReading(want, got, ds, sel, what + " (file)");
}

TEST(InputFile, ReadingStraightIntoTheDataSetAgreesWithTheBlocks) {
  const std::string ok2 = header("2,2,3", 2);
  const struct { const char* what; std::string text; } cases[] = {
      {"the example", testing::kDemoFile},
      {"dropped loci and an empty population",
       header("3,3,5", 3) + "P1,0,0\n-1,-1,1,-1,2,2\n-1,-1,-1,3,2,2\n\nP2,0,0\n\nP3,0,0\n1,1,1,1,1,1\nEND\n"},
      {"line ends CR LF, quoted name", "T\r\n2,1,3\r\nL\r\n\"Oak, north\",1.5,-2\r\n1,2\r\n3,-1\r\n\r\nP2,0,0\r\n2,2\r\nEND"},
      {"counts over lines, text after the last END", header("1\n2\n2", 2) + "P1,1,2\n1,2,2,2\nEND\nP2,0,0\n9,9\n"},
      {"populations of different sizes", ok2 + "P1,0,0\n1,2,3,3\n2,2,1,1\n-1,-1,3,3\n\nP2,0,0\n1,1,1,1\nEND\n"},
      {"empty file", ""},
      {"missing END", ok2 + "P1,0,0\n1,2,3,3\n\nP2,0,0\n1,1,1,1\n"},
      {"short individual line", ok2 + "P1,0,0\n1,2,3\nEND\n"},
      {"bad code in the last population", ok2 + "P1,0,0\n1,2,3,3\n\nP2,0,0\n1,4,1,1\nEND\n"},
      {"too few blocks", ok2 + "P1,0,0\n1,2,3,3\n\n"},
      {"header without coordinates", ok2 + "P1\n1,2,3,3\nEND\n"},
      {"missing locus names", "t\n1,3,2\nL1\n"},
      {"huge product", header("5000,5000,5000", 0)},
  };
  for (const auto& c : cases) expectDirectReadingsAgree(c.text, c.what);
}

// Lines may end in CR LF, LF or CR alone (as some spreadsheets write them), in any mix: a file reads as
// with CR LF, from the text and from a file, and a refusal names the same line. The example without its
// END has 23 lines, and the refusal names the last of them.
TEST(InputFile, EveryKindOfLineEndReadsAlike) {
  std::string noEnd = testing::kDemoFile;
  noEnd.erase(noEnd.rfind("END"));
  std::string badCode = testing::kDemoFile;
  badCode.replace(badCode.find("3,3,4,4,2,2,3,3,2,2"), 19, "3,3,4,4,2,2,3,3,2,9");
  const struct {
    const char* what;
    std::string crLf;
    std::string refusal;  // "" for a file that reads
  } files[] = {
      {"the example", testing::kDemoFile, ""},
      {"the example without its END", noEnd,
       "Line 23: the file ends there, inside population 3 (Pop_3) before its closing \"END\"."},
      {"a code above the largest", badCode, "Line 13: \"9\" is not an allele code"},
  };
  // Each CR LF of the file written as `eol(k)`, for the k-th line end.
  const struct {
    const char* what;
    std::string (*eol)(int k);
  } ends[] = {
      {"LF", [](int) { return std::string("\n"); }},
      {"CR", [](int) { return std::string("\r"); }},
      // Never a CR right before an LF, which would make two line ends one.
      {"LF, CR and CR LF in turn", [](int k) { return std::string(k % 3 == 0 ? "\n" : k % 3 == 1 ? "\r" : "\r\n"); }},
  };
  testing::TempDir dir;
  for (const auto& f : files) {
    const testing::BlockReading want = testing::readThroughBlocks(f.crLf);
    ASSERT_EQ(want.result.refusal.detail().rfind(f.refusal, 0), 0u) << f.what << ": " << want.result.message();
    for (const auto& e : ends) {
      std::string text;
      int k = 0;
      for (std::size_t at = 0, next; at < f.crLf.size(); at = next + 2) {
        next = f.crLf.find("\r\n", at);
        if (next == std::string::npos) next = f.crLf.size();
        text += f.crLf.substr(at, next - at);
        if (next < f.crLf.size()) text += e.eol(k++);
      }
      const std::string what = std::string(f.what) + ", line ends " + e.what;
      const testing::BlockReading blocks = testing::readThroughBlocks(text);
      EXPECT_EQ(testing::readingDifference(want, blocks.result, blocks.ds, blocks.sel), "") << what << " (blocks)";
      DataSet ds;
      Selection sel;
      const ParseResult got = readInputFileInto(dir.write("in.txt", text), ds, sel, {}, 7);
      EXPECT_EQ(testing::readingDifference(want, got, ds, sel), "") << what << " (file)";
    }
  }
}

// A file read a piece (1 MB) at a time: a line end CR LF split between two pieces, and lines longer than
// a piece, read as in one piece.
TEST(InputFile, LinesAcrossThePiecesOfAFileReadAlike) {
  const int nLoci = 300'000;
  // The title ends just before the first piece does: its CR is the piece's last byte.
  std::string text = std::string((1 << 20) - 1, 't') + "\r\n2," + std::to_string(nLoci) + ",3\r\n";
  for (int l = 1; l <= nLoci; ++l) text += "L" + std::to_string(l) + "\r\n";
  for (int p = 1; p <= 2; ++p) {
    text += "P" + std::to_string(p) + "," + std::to_string(p) + ",0\r\n";
    for (int j = 1; j <= 2; ++j) {
      std::string line;
      for (int l = 1; l <= nLoci; ++l) line += std::to_string((l + j + p) % 3 + 1) + "," + (l % 7 == 0 ? "-1," : "2,");
      line.back() = '\r';
      text += line + "\n";
    }
    text += p == 2 ? "END\r\n" : "\r\n";
  }
  ASSERT_EQ(text[(1 << 20) - 1], '\r');
  expectDirectReadingsAgree(text, "pieces");
}

TEST(RaggedRows, ARowGivenAnotherLengthLeavesTheOtherRowsAsTheyWere) {
  RaggedRows<std::uint8_t> rows;
  const std::vector<int> lengths = {0, 3, 1, 4};
  rows.assign(lengths.size(), [&](std::size_t r) { return lengths[r]; }, 1);
  // Each row holds its own number in every cell, so a cell moved into the wrong row shows.
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (auto& x : rows[r]) x = static_cast<std::uint8_t>(r);
  const struct { const char* what; std::size_t row; std::vector<int> cells; } cases[] = {
      {"longer", 1, {7, 7, 7, 7, 7, 7}},
      {"shorter", 3, {7}},
      {"emptied", 2, {}},
      {"same length", 1, {7, 7, 7}},
  };
  for (const auto& c : cases) {
    RaggedRows<std::uint8_t> r = rows;
    r[c.row] = c.cells;
    ASSERT_EQ(r.size(), rows.size()) << c.what;
    for (std::size_t k = 0; k < r.size(); ++k) {
      if (k == c.row) {
        EXPECT_TRUE(r[k] == c.cells) << c.what;
        continue;
      }
      EXPECT_TRUE(r[k] == std::vector<int>(static_cast<std::size_t>(lengths[k]), static_cast<int>(k))) << c.what << ", row " << k;
    }
  }
  RaggedRows<std::uint8_t> grown = rows;
  grown.resize(6);
  EXPECT_TRUE(grown[5].empty());
  grown.resize(2);
  EXPECT_TRUE(grown[1] == std::vector<int>(3, 1));
}

}  // namespace
}  // namespace kiwora
