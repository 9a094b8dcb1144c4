// The assignment window and the run "Assign test groups" driven as a user would, and golden result files of
// one run of each method.
#include <gtest/gtest.h>

#include <filesystem>

#include "assign/assignment_report.h"
#include "assign/assignment_run.h"
#include "support/app_fixture.h"
#include "support/golden.h"

namespace kiwora {
namespace {

using testing::readFile;

// Four stands, three bi-parental loci and two loci that the tests make maternal. Stand 3 is left
// unselected in the goldens: it equals group G1 and would win if it were scored. The maternal codes
// 1,12 and 11,2 give one key when joined without a separator.
const char* const kStands =
    "Reference stands\r\n4,5,12\r\nA\r\nB\r\nC\r\nM1\r\nM2\r\n"
    "Stand_1,1,1\r\n1,1,2,3,5,5,1,1,11,11\r\n1,2,3,3,5,6,1,-1,11,11\r\n2,2,2,2,6,6,1,1,12,12\r\n"
    "1,1,3,3,5,5,12,12,1,1\r\n1,2,2,3,-1,-1,11,11,2,2\r\n\r\n"
    "Stand_2,2,2\r\n3,3,4,4,7,7,1,1,12,12\r\n2,3,4,4,7,8,1,1,12,12\r\n3,3,4,2,8,8,11,11,2,2\r\n"
    "3,4,4,4,7,7,1,1,12,12\r\n\r\n"
    "Stand_3,3,3\r\n1,1,2,2,5,5,1,1,11,11\r\n1,2,2,3,5,5,1,1,11,11\r\n1,1,2,2,5,6,11,11,2,2\r\n\r\n"
    "Stand_4,4,4\r\n4,4,1,1,9,9,12,12,3,3\r\n4,4,1,2,9,10,12,12,3,3\r\n3,4,1,1,10,10,1,1,12,12\r\nEND\r\n";

// G3 has no allele at any locus: it cannot be assigned.
const char* const kGroups =
    "Test groups\r\n3,5,12\r\nA\r\nB\r\nC\r\nM1\r\nM2\r\n"
    "G1,0,0\r\n1,1,2,2,5,5,1,1,11,11\r\n1,2,2,3,5,5,1,1,11,11\r\n1,1,2,2,5,6,11,11,2,2\r\n\r\n"
    "G2,0,0\r\n3,3,4,4,7,8,1,1,12,12\r\n3,4,-1,-1,8,8,1,1,12,12\r\n\r\n"
    "G3,0,0\r\n-1,-1,-1,-1,-1,-1,-1,-1,-1,-1\r\nEND\r\n";

const char* const kOtherGroups =
    "Other groups\r\n1,5,12\r\nA\r\nB\r\nC\r\nM1\r\nM2\r\n"
    "H1,0,0\r\n3,4,1,1,9,10,12,12,3,3\r\nEND\r\n";

class AssignRun : public testing::AppFixture {
 protected:
  void load(const std::string& ref = kStands, const std::string& groups = kGroups) {
    dir.write("stands.txt", ref);
    dir.write("groups.txt", groups);
    run("file stands.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
        "file groups.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  }
  // Loci 4 and 5 maternal, stand 3 out of the selection.
  void maternalLociAndStand3Out() {
    model().sel.LocMode[4] = model().sel.LocMode[5] = 2;
    model().sel.PopSel[3] = 0;
  }
  std::string outPath() { return dir.file("stands-out.txt"); }
  std::string result() {
    std::string s = readFile(outPath());
    for (std::size_t at; (at = s.find(dir.path())) != std::string::npos;) s.replace(at, dir.path().size(), "<dir>");
    return s;
  }
  AssignmentOptions& opt() { return model().assignOptions; }
};

TEST_F(AssignRun, FirstOpeningShowsTheDefaults) {
  load();
  run("menu AssisgnmentGr\nexpect-window frmAssGr");
  const std::pair<const char*, const char*> boxes[] = {{"Text1", "0.001"}, {"Text2", "1000"}, {"Text3", "0"},
                                                       {"Text4", "1"},     {"Text5", "15"},   {"Text7", "0.5"},
                                                       {"Text8", "0.5"},   {"Text9", "1"}};
  for (const auto& [box, text] : boxes) run(std::string("expect-text ") + box + " " + text);
  run("expect-checked Option1 1\nexpect-checked Option3 1\nexpect-checked Option8 1\nexpect-enabled Option9");
  EXPECT_EQ(opt().AssMethod, 1);
  EXPECT_EQ(opt().generator(), SimGenerator::FreqCI);
  EXPECT_EQ(opt().LodCriterion, 1);
}

TEST_F(AssignRun, BoxesKeepTheirValueWhenTheTypedOneIsOutOfRange) {
  load();
  run("menu AssisgnmentGr");
  struct Row {
    const char* box;
    const char* typed;
    bool leave;  // taken when the box is left, not on every change
    const char* shown;
  } rows[] = {
      {"Text1", "0,05", true, "0.05"}, {"Text1", "0.3", true, "0.05"}, {"Text1", "-0.1", true, "0.05"},
      {"Text1", "0", true, "0.05"},    {"Text1", "0.2", true, "0.2"},
      {"Text2", "", false, "1000"},    {"Text2", "abc", false, "1000"}, {"Text2", "0", false, "1000"},
      {"Text2", "-5", false, "1000"},  {"Text2", "2.5", false, "1000"}, {"Text2", "1.", false, "1"},
      {"Text2", "250", false, "250"},
      {"Text4", "0", false, "1"},      {"Text4", "3", false, "3"},
      {"Text5", "0", false, "15"},     {"Text5", "40", false, "40"},
      {"Text9", "6", false, "1"},      {"Text9", "", false, "0"},       {"Text9", "5", false, "5"},
  };
  for (const Row& r : rows) {
    run(std::string("type ") + r.box + " " + r.typed);
    if (r.leave) run(std::string("leave ") + r.box);
    run(std::string("expect-text ") + r.box + " " + r.shown);
  }
  EXPECT_DOUBLE_EQ(opt().MinFreqMiss, 0.2);
  EXPECT_EQ(opt().NSimGroups, 250);
  EXPECT_EQ(opt().SelfGroupSize, 3);
  EXPECT_EQ(opt().SelfNTests, 40);
  EXPECT_EQ(opt().MinBipLoci, 5);
  // A stored 0 becomes 1 again when the window opens.
  run("type Text9 0\nclick Command1\nmenu AssisgnmentGr\nexpect-text Text9 1\nexpect-text Text2 250");
}

TEST_F(AssignRun, WeightsAddUpToOneAndMarkTheLoci) {
  load();
  run("menu AssisgnmentGr\ntype Text7 0,8\nleave Text7\nexpect-text Text8 0.2");
  EXPECT_EQ(model().flags.LociChanged, 1);
  model().flags.LociChanged = 0;
  run("type Text8 2\nleave Text8\nexpect-text Text7 0.8\nexpect-text Text8 0.2");
  EXPECT_EQ(model().flags.LociChanged, 1);  // also when the value is refused
  run("type Text8 1\nleave Text8\nexpect-text Text7 0");
  EXPECT_DOUBLE_EQ(opt().WeightBip, 0);
}

TEST_F(AssignRun, UniparentalLociLeaveOnlyTheLastGenerator) {
  load();
  model().sel.LocMode[5] = 3;  // paternal counts as uni-parental too
  run("menu AssisgnmentGr\nexpect-checked Option7 1\nexpect-disabled Option3\nexpect-disabled Option6\n"
      "expect-enabled Option7\nclick Command1");
  EXPECT_EQ(opt().generator(), SimGenerator::AllelesHap);
  // All bi-parental again: the stored 5 stays, chosen but disabled, until another generator is chosen.
  model().sel.LocMode[5] = 1;
  run("menu AssisgnmentGr\nexpect-checked Option7 1\nexpect-disabled Option7\nchoose Option4\nexpect-checked Option7 0");
  EXPECT_EQ(opt().generator(), SimGenerator::MLHap);
}

TEST_F(AssignRun, EachGeneratorButtonStoresTheGeneratorTheReportNames) {
  load();
  run("menu AssisgnmentGr");
  const AssignmentInput in = assignmentInput(model(), model().sel);
  const auto methodBlock = [&] {
    LineWriter out;
    writeAssignMethodBlock(out, in.data, opt());
    return out.str();
  };
  const struct {
    const char* button;
    SimGenerator generator;
    const char* line;
  } rows[] = {
      {"Option4", SimGenerator::MLHap, "Genotypes generated with multilocus haplotypes of reference pop"},
      {"Option5", SimGenerator::SLGeno, "Genotypes generated with single locus genotypes of reference pop"},
      {"Option6", SimGenerator::Alleles, "Genotypes generated with alleles of reference pop"},
      {"Option3", SimGenerator::FreqCI, "Genotypes generated according to allele frequencies"},
  };
  for (const auto& r : rows) {
    run(std::string("choose ") + r.button);
    EXPECT_EQ(opt().generator(), r.generator) << r.button;
    EXPECT_NE(methodBlock().find(r.line), std::string::npos) << r.button;
  }
  // A code that names no generator reads as none chosen, and the report names none.
  for (int code : {-1, 0, 6}) {
    opt().SimGenMethod = code;
    EXPECT_EQ(opt().generator(), SimGenerator::Unset) << code;
    EXPECT_EQ(methodBlock().find("Genotypes generated"), std::string::npos) << code;
  }
  // The window gives such a code its default again when it opens.
  run("click Command1\nmenu AssisgnmentGr\nexpect-checked Option3 1");
  EXPECT_EQ(opt().generator(), SimGenerator::FreqCI);
}

// A method or criterion code that names none reads as none chosen: a run refuses it, and the window gives
// it its default again when it opens.
TEST_F(AssignRun, AMethodOrCriterionCodeThatNamesNoneReadsAsUnset) {
  load();
  run("menu AssisgnmentGr\nchoose Option2\nchoose Option9\nclick Command1");
  for (int code : {-1, 0, 4}) {
    opt().AssMethod = code;
    EXPECT_EQ(opt().method(), AssignMethod::Unset) << code;
    EXPECT_EQ(assignOptionsProblem(model(), opt()).head(), "Choose a method for the assignment!") << code;
  }
  for (int code : {-1, 0, 3}) {
    opt().LodCriterion = code;
    EXPECT_EQ(opt().criterion(), ExclusionCriterion::Unset) << code;
  }
  run("menu AssisgnmentGr\nexpect-checked Option1 1\nexpect-checked Option2 0\nexpect-checked Option8 1");
  EXPECT_EQ(opt().method(), AssignMethod::Bayesian);
  EXPECT_EQ(opt().criterion(), ExclusionCriterion::Lod1);
}

TEST_F(AssignRun, CriterionNeedsThreeCandidatesAndNoDistance) {
  load();
  run("menu AssisgnmentGr\nchoose Option9");
  EXPECT_EQ(opt().LodCriterion, 2);
  run("choose Option10\nexpect-disabled Option8\nchoose Option2\nexpect-enabled Option8\nclick Command1");
  // With two selected reference populations the criterion goes back to LOD1 and is not offered.
  model().sel.PopSel[3] = model().sel.PopSel[4] = 0;
  run("menu AssisgnmentGr\nexpect-checked Option8 1\nexpect-disabled Option9");
  EXPECT_EQ(opt().LodCriterion, 1);
}

// The criterion group shows the criterion that the next run uses: none under the distance (which uses its
// own distribution, as the group says, and leaves LOD1 behind), the stored one under the other methods.
TEST_F(AssignRun, TheCriterionGroupShowsTheCriterionThatWillRun) {
  load();
  run("menu AssisgnmentGr\nexpect-text Label11 Not used by genetic distance methods: they use their own distribution");
  const auto shows = [&](const char* what, const char* lod1, const char* delta) {
    SCOPED_TRACE(what);
    run(std::string("expect-checked Option8 ") + lod1 + "\nexpect-checked Option9 " + delta);
  };
  shows("first opening", "1", "0");
  const struct { const char* choose; const char* lod1; const char* delta; int stored; } steps[] = {
      {"Option9", "0", "1", 2},   // delta chosen
      {"Option10", "0", "0", 2},  // distance on alleles: no criterion applies
      {"Option1", "0", "1", 2},   // back to Bayesian: the stored delta runs
      {"Option11", "0", "0", 2},  // distance on genotypes
      {"Option2", "0", "1", 2},
      {"Option8", "1", "0", 1},
      {"Option11", "0", "0", 1},
  };
  for (const auto& s : steps) {
    run(std::string("choose ") + s.choose);
    shows(s.choose, s.lod1, s.delta);
    EXPECT_EQ(opt().LodCriterion, s.stored) << s.choose;
  }
  // Delta chosen, then a distance run: it leaves LOD1, and that is what the group shows afterwards.
  run("choose Option2\nchoose Option9\nchoose Option10\ntype Text2 20\nclick Command2\nexpect-window frmStart");
  EXPECT_EQ(opt().LodCriterion, 1);
  run("menu AssisgnmentGr");
  shows("the distance again after its run", "0", "0");
  run("choose Option1");
  shows("Bayesian after the distance run", "1", "0");
  run("click Command2\nexpect-window frmStart");
  EXPECT_NE(result().find("based on LOD1-values"), std::string::npos);
}

TEST_F(AssignRun, NoControlActsWhileBusy) {
  load();
  run("menu AssisgnmentGr");
  model().flags.Busy = 1;
  run("choose Option2\ntype Text1 0.1\nleave Text1\ntype Text2 5\nchoose Option5");
  EXPECT_EQ(opt().AssMethod, 1);
  EXPECT_DOUBLE_EQ(opt().MinFreqMiss, 0.001);
  EXPECT_EQ(opt().NSimGroups, 1000);
  EXPECT_EQ(opt().generator(), SimGenerator::FreqCI);
}

TEST_F(AssignRun, FileCreatedOnceWithItsHeaderAndAppendedAfterwards) {
  load();
  run("menu AssisgnmentGr\nclick Command2\nexpect-window frmStart\nexpect-enabled Results");
  EXPECT_EQ(model().flags.AssignRunDone, 1);
  EXPECT_EQ(model().flags.AnalysisDone, 0);
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_EQ(model().assignFile.AssignOutFile, outPath());
  std::string out = result();
  const auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = out.find(what); at != std::string::npos; at = out.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Date:  01/02/2026"), 1u);
  EXPECT_EQ(count("Developed and programmed by"), 1u);

  // A second run appends the method block and its tables only.
  run("menu AssisgnmentGr\nchoose Option2\nclick Command2");
  out = result();
  EXPECT_EQ(count("Date:  "), 1u);
  EXPECT_EQ(count("#### SCORES  ####"), 2u);

  // After a self-assignment the header is written again, and the run clears the request.
  model().flags.AssignReRead = 1;
  run("menu AssisgnmentGr\nclick Command2");
  out = result();
  EXPECT_EQ(count("Date:  "), 2u);
  EXPECT_EQ(model().flags.AssignReRead, 0);

  // Other test groups: the header is written again (no banner), so P(1).. and the rows refer to the lists
  // printed above them.
  dir.write("other.txt", kOtherGroups);
  run("file other.txt\nmenu OpenTestFile\nmenu AssisgnmentGr\nclick Command2");
  out = result();
  EXPECT_EQ(count("Date:  "), 3u);
  EXPECT_EQ(count("Developed and programmed by"), 1u);
  EXPECT_NE(out.find("1. H1"), std::string::npos);

  // Another reference file does not rename the result file.
  dir.write("more.stands.txt", kStands);
  run("file more.stands.txt\nmenu OpenRefFile\nfile other.txt\nmenu OpenTestFile\nmenu AssisgnmentGr\nclick Command2");
  EXPECT_EQ(model().assignFile.AssignOutFile, outPath());
  EXPECT_FALSE(std::filesystem::exists(dir.file("more-out.stands-out.txt")));
  out = result();
  EXPECT_EQ(count("Date:  "), 4u);
}

TEST_F(AssignRun, UnwritableFileComputesNothingAndSetsNoFlag) {
  load();
  std::filesystem::create_directory(outPath());  // a folder where the file would be
  run("menu AssisgnmentGr\nclick Command2\nexpect-message The result file\nexpect-window frmAssGr");
  EXPECT_EQ(model().flags.AssignRunDone, 0);
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_TRUE(model().assignFile.AssignOutFile.empty());
  EXPECT_EQ(app.assignment.nGroups, 0);
  // The window still answers once the folder is gone.
  std::filesystem::remove(outPath());
  run("choose Option2\nclick Command2\nexpect-window frmStart");
  EXPECT_EQ(model().flags.AssignRunDone, 1);
}

TEST_F(AssignRun, NothingToScoreIsRefusedBeforeTheFileIsTouched) {
  load();
  struct Row {
    Vec1<int> Selection::*flags;
    const char* message;
  } rows[] = {{&Selection::PopSel, "No reference population is selected!"},
              {&Selection::LocSel, "No locus is selected!"}};
  for (const Row& r : rows) {
    const Vec1<int> kept = model().sel.*r.flags;
    std::fill((model().sel.*r.flags).begin(), (model().sel.*r.flags).end(), 0);
    run(std::string("menu AssisgnmentGr\nclick Command2\nexpect-message ") + r.message + "\nclick Command1");
    model().sel.*r.flags = kept;
  }
  EXPECT_FALSE(std::filesystem::exists(outPath()));
  EXPECT_EQ(model().flags.AssignRunDone, 0);
}

// A file of no test groups loads; the assignment has nothing to score and says so, before the loci (which
// such a file leaves all deselected) are looked at. The self-assignment needs no groups and runs, and an
// assignment after it reads the file again and is refused again.
TEST_F(AssignRun, AFileOfNoTestGroupsLoadsAndItsAssignmentIsRefusedWithAClearMessage) {
  load(kStands, "No groups\r\n0,5,12\r\nA\r\nB\r\nC\r\nM1\r\nM2\r\n");
  EXPECT_EQ(model().test.NTestGr, 0);
  EXPECT_EQ(model().sel.countSelectedLoci(), 0);
  run(std::string("menu AssisgnmentGr\nexpect-window frmAssGr\nclick Command2\nexpect-message ") + kNoTestGroupsMessage +
      "\nexpect-window frmAssGr");
  EXPECT_FALSE(std::filesystem::exists(outPath()));
  EXPECT_EQ(model().flags.AssignRunDone, 0);
  EXPECT_EQ(model().flags.Busy, 0);

  std::fill(model().sel.LocSel.begin() + 1, model().sel.LocSel.end(), 1);
  run("click Command4\nexpect-window frmStart");
  ASSERT_TRUE(std::filesystem::exists(outPath()));
  EXPECT_EQ(model().flags.AssignReRead, 1);

  run(std::string("menu AssisgnmentGr\nclick Command2\nexpect-message ") + kNoTestGroupsMessage);
  EXPECT_EQ(model().test.NTestGr, 0);
  EXPECT_EQ(result().find("SCORES"), std::string::npos);
}

TEST_F(AssignRun, SimulatedGroupsBeyondTheMemoryLimitAreRefusedAndTheWindowStaysUsable) {
  load();
  // Under the delta criterion every simulated group keeps its delta: a billion of them cannot be held.
  run("menu AssisgnmentGr\nchoose Option9\ntype Text2 1000000000\nclick Command2\n"
      "expect-message This run would need about\nexpect-window frmAssGr");
  EXPECT_NE(services.messages().back().find("for \"Number of simulated groups\" 1000000000."), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(outPath()));
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_EQ(model().flags.AssignRunDone, 0);
  EXPECT_EQ(model().test.NTestGr, 3);
  EXPECT_EQ(app.assignment.nGroups, 0);
  // LOD1 keeps no row per simulation: the same count only takes time there, so it is not refused.
  AssignmentOptions lod1 = opt();
  lod1.LodCriterion = 1;
  lod1.NSimGroups = 2000000000;
  EXPECT_EQ(memoryRefusal(assignmentTableNeeds(model(), lod1)).message(), "");
  // The window answers the next run.
  run("type Text2 40\nclick Command2\nexpect-window frmStart");
  EXPECT_EQ(model().flags.AssignRunDone, 1);
  EXPECT_EQ(app.assignment.SimDelta.size(), 41u);
}

TEST_F(AssignRun, EachTestGroupFileDeselectsFromTheLociAsTheUserChoseThem) {
  // The first file has no data at locus B; the user then takes locus C out by hand. The second file
  // has data everywhere: B is selected again, C stays out, and the scores are those of a fresh program
  // that loads the second file with C taken out.
  const std::string noB =
      "No B\r\n1,5,12\r\nA\r\nB\r\nC\r\nM1\r\nM2\r\nG1,0,0\r\n1,1,-1,-1,5,5,1,1,11,11\r\nEND\r\n";
  load(kStands, noB);
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 0, 1, 1, 1}));
  model().sel.LocSel[3] = 0;  // as "Select loci" leaves it
  dir.write("groups2.txt", kGroups);
  run("file groups2.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 1, 0, 1, 1}));
  run("menu AssisgnmentGr\nclick Command2\nexpect-window frmStart");
  const std::string reloaded = result();

  testing::Program<ScriptedServices> fresh;
  fresh.dir.write("stands.txt", kStands);
  fresh.dir.write("groups.txt", kGroups);
  fresh.run("file stands.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
            "file groups.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  fresh.app.model.sel.LocSel[3] = 0;
  fresh.run("menu AssisgnmentGr\nclick Command2\nexpect-window frmStart");
  const auto scores = [](const std::string& out) {
    const std::size_t at = out.find("-log10(genotype likelihood)");
    return out.substr(at, out.find("SCORES", at) - at);
  };
  EXPECT_EQ(scores(reloaded), scores(readFile(fresh.dir.file("stands-out.txt"))));
}

TEST_F(AssignRun, DominantCorrectionOfTheAnalysisIsNeverApplied) {
  load();
  run("menu AssisgnmentGr\nclick Command2");
  const std::string plain = result();
  model().options.FlagDominant = 1;
  run("menu AssisgnmentGr\nclick Command2");
  const std::string both = result();
  // The simulations of each run draw from a seed of their own: compare up to the exclusion tables.
  const auto scores = [](const std::string& s) { return s.substr(0, s.rfind("###     Probability of Exclusion")); };
  const std::string second = scores(both.substr(plain.size()));
  EXPECT_EQ(scores(plain).substr(scores(plain).size() - second.size()), second);
}

TEST_F(AssignRun, UnselectedStandsShowDashesAndTheUntypedGroupSaysSo) {
  load();
  maternalLociAndStand3Out();
  for (const char* method : {"Option1", "Option2", "Option10", "Option11"}) {
    run(std::string("menu AssisgnmentGr\nchoose ") + method + "\nclick Command2");
    EXPECT_EQ(app.assignment.GrAssignedPop[1], 1) << method;  // stand 3 would have won
    EXPECT_EQ(app.assignment.GrAssignedPop[3], 0) << method;
  }
  const std::string out = result();
  // Every table row of G1 and G2 has "-" in column 3; G3 has dashes only and the note, and no exclusion
  // probability in the assignment table.
  std::size_t rows = 0, notes = 0;
  for (std::size_t at = out.find("\nG"); at != std::string::npos; at = out.find("\nG", at + 1)) {
    const std::string line = out.substr(at + 1, out.find('\r', at) - at - 1);
    if (line.find("  -  ") == std::string::npos && line.find("-" + std::string(kNotTypedNote)) == std::string::npos)
      continue;
    ++rows;
    notes += line.find(kNotTypedNote) != std::string::npos;
  }
  EXPECT_EQ(rows, 4u * (3 * 3 + 1));  // four runs, three tables of three groups, G3 in the assignment table
  EXPECT_EQ(notes, 4u * 3);
}

TEST_F(AssignRun, FourHundredLociScoreWithoutInfOrNan) {
  // Alleles that the other stand lacks at every locus: products of 400 probabilities would underflow.
  const int loci = 400;
  std::string head = std::to_string(loci) + ",4\r\n";
  for (int l = 1; l <= loci; ++l) head += "L" + std::to_string(l) + "\r\n";
  const auto row = [&](int a, int b) {
    std::string s;
    for (int l = 1; l <= loci; ++l) s += (l > 1 ? "," : "") + std::to_string(a) + "," + std::to_string(b);
    return s + "\r\n";
  };
  const std::string ref = "Many loci\r\n2," + head + "P1,0,0\r\n" + row(1, 2) + row(1, 1) + "\r\nP2,0,0\r\n" +
                          row(3, 4) + row(4, 4) + "END\r\n";
  std::string groups = "Groups\r\n1," + head + "G,0,0\r\n";
  for (int i = 0; i < 20; ++i) groups += row(1, 2);
  load(ref, groups + "END\r\n");
  dir.write("stands.txt", ref);
  for (const char* method : {"Option1", "Option2"}) run(std::string("menu AssisgnmentGr\nchoose ") + method + "\nclick Command2");
  const std::string out = result();
  testing::expectNoBrokenNumbers(out);
  EXPECT_NE(out.find("\r\nG                    1.000  0.000\r\n"), std::string::npos);
}

class AssignGolden : public AssignRun, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(AssignGolden, OneRunOfTheMethod) {
  const auto& [button, golden] = GetParam();
  load();
  maternalLociAndStand3Out();
  run(std::string("seed 17\nmenu AssisgnmentGr\nchoose ") + button + "\nclick Command2\nexpect-window frmStart");
  const std::string out = result();
  testing::expectGolden(out, golden);
  testing::expectNoBrokenNumbers(out);
}

TEST_F(AssignRun, SimulationProgressCountsUpToAHundredPercent) {
  load();
  run("menu AssisgnmentGr");
  for (int criterion : {1, 2}) {
    std::vector<std::string> shown;
    RunContext context = runContextOf(services);
    context.progressSink = [&shown](const std::string& text) { shown.push_back(text); };
    AssignmentRun r(assignmentInput(model(), model().sel), context);
    r.in.opt.LodCriterion = criterion;
    r.run();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "100");
    for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_LT(std::stoi(shown[i - 1]), std::stoi(shown[i]));
  }
}

TEST_F(AssignRun, GoldenOfADeltaRun) {
  load();
  maternalLociAndStand3Out();
  run("seed 17\nmenu AssisgnmentGr\nchoose Option9\nclick Command2\nexpect-window frmStart");
  const std::string out = result();
  testing::expectGolden(out, "assign-bayes-delta.txt");
  testing::expectNoBrokenNumbers(out);
}

INSTANTIATE_TEST_SUITE_P(Methods, AssignGolden,
                         ::testing::Values(std::pair{"Option1", "assign-bayes.txt"},
                                           std::pair{"Option2", "assign-frequency.txt"},
                                           std::pair{"Option10", "assign-distance-alleles.txt"},
                                           std::pair{"Option11", "assign-distance-genotypes.txt"}),
                         // Named by the button, so the CTest name stays the same from build to build.
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace kiwora
