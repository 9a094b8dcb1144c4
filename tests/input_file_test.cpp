#include "files/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "support/app_fixture.h"

namespace kiwora {
namespace {

using Error = ParseResult::Error;

std::string header(const std::string& counts, int nLoci) {
  std::string s = "A title, with a comma\n" + counts + "\n";
  for (int l = 1; l <= nLoci; ++l) s += "L" + std::to_string(l) + "\n";
  return s;
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
      {"huge count", header("1000000000000,2,3", 2), Error::Sizing, "number of populations"},
      {"huge product", header("5000,5000,5000", 0), Error::Sizing, "exceed"},
      {"missing counts", "title only\n", Error::Sizing, "ends before"},
      {"missing locus names", "t\n1,3,2\nL1\n", Error::Reading, "locus 2"},
      {"header without coordinates", ok2 + "P1\n1,2,3,3\nEND\n", Error::Reading, "Line 5: the header"},
      {"non-numeric coordinate", ok2 + "P1,north,3\n1,2,3,3\nEND\n", Error::Reading, "Line 5"},
      {"too few blocks", ok2 + "P1,0,0\n1,2,3,3\n\n", Error::Reading, "population 2"},
      {"more blocks, block NPop closed by an empty line", ok2 + "P1,0,0\n1,1,1,1\n\nP2,0,0\n1,1,1,1\n\nP3,0,0\nEND\n",
       Error::Reading, "END"},
      {"binary garbage", std::string(kGarbage, sizeof kGarbage - 1), Error::Sizing, "ends before"},
  };
  for (const auto& c : cases) {
    const ParseResult r = parseInputText(c.text);
    EXPECT_EQ(r.error, c.error) << c.what << ": " << r.message();
    EXPECT_NE(r.detail.find(c.detail), std::string::npos) << c.what << ": " << r.detail;
    const char* head = c.error == Error::Sizing ? kSizingMessage : kReadingFailureMessage;
    EXPECT_EQ(r.message().rfind(head, 0), 0u) << c.what;
  }
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
    std::string text = "kept", reason;
    EXPECT_FALSE(readWholeFile(c.path, text, reason)) << c.what;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
  }
  std::string text, reason;
  dir.write("ok.txt", testing::kDemoFile);
  ASSERT_TRUE(readWholeFile(dir.file("ok.txt"), text, reason)) << reason;
  EXPECT_EQ(text, testing::kDemoFile);
}

}  // namespace
}  // namespace kiwora
