// The windows that select loci and populations, seen through their lists and the selection they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/random_draw.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::readFile;

// Four populations of 4, 5, 8 and 9 individuals; five loci, of which locus 4 ("Mdh") has no data in P_five.
class SelectionWindows : public testing::AppFixture {
 protected:
  void SetUp() override {
    dir.write("data.txt", readFile(KIWORA_SOURCE_DIR "/tests/scripts/selection_data.txt"));
    services.seed(20260201);
    run("file data.txt\nmenu OpenPopGen");
  }
  ListBox& list(const std::string& window, const std::string& name) {
    return app.forms.find(window)->get<ListBox>(name);
  }
  // The numbers at the start of a list's entries.
  static std::vector<int> numbers(const ListBox& l) {
    std::vector<int> out;
    for (const auto& s : l.items()) out.push_back(std::stoi(s));
    return out;
  }
  std::vector<int> selectedLoci() const {
    std::vector<int> out;
    for (int l = 1; l <= app.model.ds.NLoci; ++l)
      if (app.model.sel.LocSel[static_cast<std::size_t>(l)] == 1) out.push_back(l);
    return out;
  }
  // Each locus stands in exactly one list, and in "Selected loci" exactly when its LocSel is 1.
  void expectLociListsMatchSelection() {
    const std::vector<int> sel = selectedLoci();
    EXPECT_EQ(numbers(list("frmSelloc", "List1")), sel);
    std::vector<int> rest;
    for (int l = 1; l <= model().ds.NLoci; ++l)
      if (std::find(sel.begin(), sel.end(), l) == sel.end()) rest.push_back(l);
    EXPECT_EQ(numbers(list("frmSelloc", "List2")), rest);
  }
  int kept(int p) const {
    const auto& row = app.model.sel.IndSel[static_cast<std::size_t>(p)];
    return static_cast<int>(std::count(row.begin() + 1, row.end(), 1));
  }
};

// Changes by hand mark the selection as changed; the random draw and the file do not.
TEST_F(SelectionWindows, ChangingTheLociByHandMarksTheSelectionAsChanged) {
  dir.write("two.txt", "T\r\n2\r\nAdh-1\r\nGot\r\n");
  const struct { const char* what; const char* lines; bool changes; } cases[] = {
      {"exclude one", "pick List1 1  - Adh-1\nclick Command1", true},
      {"include one", "click Command2", true},
      {"exclude all", "tick Check1", true},
      {"include all", "tick Check2", true},
      {"include range", "type Text1 1\ntype Text2 2\nclick Command4", true},
      {"exclude range", "click Command5", true},
      {"random draw", "type Text3 2\nclick Command6", false},
      {"file", "file two.txt\nmenu File_Select_Loci", false},
      {"cancelled file", "cancel\nmenu File_Select_Loci", false},
      {"refused file", "file missing.txt\nmenu File_Select_Loci\nexpect-message The loci-selection file", false},
      {"number to draw", "type Text3 3", false},
  };
  run("menu EL");
  for (const auto& c : cases) {
    model().flags.LociChanged = 0;
    model().flags.LocSelChanged = 0;
    run(c.lines);
    EXPECT_EQ(model().flags.LociChanged, c.changes ? 1 : 0) << c.what;
    EXPECT_EQ(model().flags.LocSelChanged, c.changes ? 1 : 0) << c.what;
    EXPECT_EQ(model().flags.PopSelChanged, 0) << c.what;
    expectLociListsMatchSelection();
  }
}

TEST_F(SelectionWindows, IncludeAllNeverListsALocusAgainstItsSelection) {
  run("menu EL");
  EXPECT_EQ(model().sel.LocAvail[4], 0);
  // Mdh included by hand, then "Include all loci": it stays selected and is listed so.
  run("pick List2 4  - Mdh\nclick Command2\ntick Check2");
  EXPECT_EQ(selectedLoci(), (std::vector<int>{1, 2, 3, 4, 5}));
  expectLociListsMatchSelection();
  // After "Exclude all loci" it is not re-included.
  run("untick Check2\ntick Check1\ntick Check2");
  EXPECT_EQ(selectedLoci(), (std::vector<int>{1, 2, 3, 5}));
  expectLociListsMatchSelection();
}

TEST_F(SelectionWindows, RangeBoundsBeyondTheLociAreClamped) {
  run("menu EL\ntick Check1");
  const struct { const char* from; const char* to; std::vector<int> selected; } cases[] = {
      {"3", "5", {3, 4, 5}},     {"5", "3", {}},      {"-4", "2", {1, 2}}, {"4", "1000000000", {4, 5}},
      {"0", "0", {}},            {"6", "99", {}},     {"", "", {}},        {"2abc", "3.2", {2, 3}},
      {"-99999999999999999999", "99999999999999999999", {1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    run("tick Check1\nuntick Check1");
    run(std::string("type Text1 ") + c.from + "\ntype Text2 " + c.to + "\nclick Command4");
    EXPECT_EQ(selectedLoci(), c.selected) << c.from << " to " << c.to;
    EXPECT_EQ(model().sel.LocSel[0], 0);
  }
}

TEST_F(SelectionWindows, RandomDrawTakesTheRoundedUpNumberOfDistinctLoci) {
  run("menu EL");
  const struct { const char* n; std::size_t count; } cases[] = {
      {"1", 1}, {"2", 2}, {"2.5", 3}, {"5", 5}, {"6", 5}, {"1000000000", 5}, {"0", 0}, {"-3", 0}, {"x", 0},
  };
  for (const auto& c : cases) {
    run(std::string("type Text3 ") + c.n + "\nclick Command6");
    EXPECT_EQ(selectedLoci().size(), c.count) << c.n;
    expectLociListsMatchSelection();
  }
}

TEST_F(SelectionWindows, RandomDrawGivesEveryLocusTheSameChance) {
  // One locus out of five, many times: the end loci must not be favoured or slighted.
  run("menu EL\ntype Text3 1");
  std::vector<int> hits(6, 0);
  const int draws = 5000;
  for (int i = 0; i < draws; ++i) {
    run("click Command6");
    const std::vector<int> s = selectedLoci();
    ASSERT_EQ(s.size(), 1u);
    ++hits[static_cast<std::size_t>(s[0])];
  }
  for (int l = 1; l <= 5; ++l) EXPECT_NEAR(hits[static_cast<std::size_t>(l)], draws / 5, 150) << "locus " << l;
}

TEST_F(SelectionWindows, LociFileTitleAlwaysReplacedSelectionOnlyWhenTheFileCanBeUsed) {
  run("menu EL\ntype Text1 1\ntype Text2 3\nclick Command5");
  const std::vector<int> before = selectedLoci();
  ASSERT_EQ(before, (std::vector<int>{5}));
  const std::string refused = "The loci-selection file was not used; the selection of loci is unchanged.\n";
  // Line 1 is the title before anything is checked, so a refused file still replaces it.
  const struct { const char* name; const char* text; std::string message; const char* title; } bad[] = {
      {"more.txt", "New\r\n6\r\nAdh-1\r\n", "More loci than in the input file!", "New"},
      {"short.txt", "New\r\n3\r\nAdh-1\r\nGot\r\n", refused + "Line 4: the file ends there, after 2 of the 3 locus names that line 2 announces.", "New"},
      {"word.txt", "New2\r\ntwo\r\nAdh-1\r\nGot\r\n", refused + "Line 2: the number of loci \"two\" is not a whole number", "New2"},
      {"part.txt", "New\r\n1.5\r\nAdh-1\r\nGot\r\n", refused + "Line 2: the number of loci \"1.5\" is not", "New"},
      {"hex.txt", "New\r\n0x2\r\nAdh-1\r\nGot\r\n", refused + "Line 2: the number of loci \"0x2\" is not", "New"},
      {"exponent.txt", "New\r\n2e0\r\nAdh-1\r\nGot\r\n", refused + "Line 2: the number of loci \"2e0\" is not", "New"},
      {"negative.txt", "New\r\n-1\r\n", refused + "Line 2: the number of loci \"-1\" is not", "New"},
      {"titleonly.txt", "Only a title\r\n", refused + "Line 1: the file ends there, after its title", "Only a title"},
      {"empty.txt", "", refused + "The file is empty.", "Only a title"},
  };
  for (const auto& c : bad) {
    dir.write(c.name, c.text);
    run(std::string("file ") + c.name + "\nmenu File_Select_Loci");
    ASSERT_EQ(services.pendingMessages(), 1u) << c.name;
    const std::string m = *services.takeMessage();
    EXPECT_EQ(m.rfind(c.message, 0), 0u) << c.name << ": " << m;
    EXPECT_EQ(model().ds.Title, c.title) << c.name;
    EXPECT_EQ(selectedLoci(), before) << c.name;
    EXPECT_EQ(model().locusSelection.SelLociFileName, dir.file(c.name));
    expectLociListsMatchSelection();
  }

  // Names must match exactly; one that matches no locus is passed over.
  const struct { const char* text; std::vector<int> selected; } good[] = {
      {"Chosen\r\n2\r\nPgm 2\r\nMdh\r\n", {2, 4}},
      {"Chosen\r2\rPgm 2\rMdh\r", {2, 4}},
      {"Chosen\n2\nPgm 2\r\nMdh", {2, 4}},
      {"Chosen\r\n 2 \r\nIdh\r\nAdh-1\r\nnot read\r\n", {1, 5}},
      {"Chosen\r\n1,Got\r\n", {3}},
      {"Chosen\r\n0\r\n", {}},
      {"Chosen\r\n2\r\nAdh-1\r\nGOT\r\n", {1}},
      {"Chosen\r\n1\r\nPgm 2 \r\n", {}},
  };
  for (const auto& c : good) {
    dir.write("good.txt", c.text);
    run("file good.txt\nmenu File_Select_Loci");
    EXPECT_EQ(services.pendingMessages(), 0u) << c.text;
    EXPECT_EQ(model().ds.Title, "Chosen");
    EXPECT_EQ(selectedLoci(), c.selected) << c.text;
    expectLociListsMatchSelection();
  }
}

// The whole message of each refusal: it names the line and what is wrong there. A file that is not
// plain text has no title to take.
TEST_F(SelectionWindows, LociFileRefusalsNameTheLineAndTheCause) {
  run("menu EL");
  const std::string refused = "The loci-selection file was not used; the selection of loci is unchanged.\n";
  const std::string notText =
      "the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and read it again.";
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Chosen\r\n1\r\nGot\r\n")) utf16 += std::string{c, '\0'};
  const struct { const char* what; std::string text; std::string message; std::string title; } cases[] = {
      {"more names than loci", "New\r\n6\r\nAdh-1\r\n",
       "More loci than in the input file!\nLine 2: the file announces 6 locus names; the data set has 5 loci.", "New"},
      {"names end early, the first beside the count", "Short\r\n3,Adh-1\r\n",
       refused + "Line 2: the file ends there, after 1 of the 3 locus names that line 2 announces.", "Short"},
      {"saved as UTF-16", utf16, refused + "Line 1: " + notText, "Short"},
      {"NUL bytes in the count", std::string("Nul\r\n1\0\r\nGot\r\n", 14), refused + "Line 2: " + notText, "Nul"},
  };
  for (const auto& c : cases) {
    run("file " + dir.write("loci.txt", c.text) + "\nmenu File_Select_Loci");
    ASSERT_EQ(services.pendingMessages(), 1u) << c.what;
    EXPECT_EQ(*services.takeMessage(), c.message) << c.what;
    EXPECT_EQ(model().ds.Title, c.title) << c.what;
  }
}

TEST_F(SelectionWindows, ALocusNameCarriedTwiceSelectsBothLoci) {
  dir.write("twice.txt", "Twice\r\n1\r\n3\r\n4\r\nA\r\nB\r\nA\r\nP,0,0\r\n1,1,1,1,1,1\r\nEND\r\n");
  dir.write("pick.txt", "T\r\n1\r\nA\r\n");
  run("file twice.txt\nmenu OpenPopGen\nmenu EL\nfile pick.txt\nmenu File_Select_Loci");
  EXPECT_EQ(services.messages().size(), 0u);
  EXPECT_EQ(selectedLoci(), (std::vector<int>{1, 3}));
}

TEST_F(SelectionWindows, NumberToDrawStartsAtOneAndOutlivesWindowAndDataLoad) {
  run("menu EL\nexpect-text Text3 1");
  EXPECT_EQ(model().locusSelection.NRandLoci, 1);
  run("type Text3 3\nclick Command3\nfile data.txt\nmenu OpenPopGen\nmenu EL\nexpect-text Text3 3");
  run("type Text3 0\nclick Command3\nmenu EL\nexpect-text Text3 1");
}

TEST_F(SelectionWindows, EveryWayOfChangingThePopulationsByHandMarksIt) {
  const struct { const char* what; const char* lines; bool changes; } cases[] = {
      {"exclude one", "pick List1 2 - P_five\nclick Command1", true},
      {"include one", "pick List2 2 - P_five\nclick Command2", true},
      {"exclude all", "tick Check1", true},
      {"include all", "tick Check2", true},
      {"minimum", "type Text1 6", false},
      {"reduction box", "tick Check3", false},
      {"OK", "click Command4", false},
  };
  run("menu Es");
  for (const auto& c : cases) {
    model().flags.PopSelChanged = 0;
    run(c.lines);
    EXPECT_EQ(model().flags.PopSelChanged, c.changes ? 1 : 0) << c.what;
    EXPECT_EQ(model().flags.LocSelChanged, 0) << c.what;
    EXPECT_EQ(model().flags.LociChanged, 0) << c.what;
  }
}

// The random draws of both windows are seeded like a run's: a script's fixed seed repeats them.
TEST_F(SelectionWindows, AFixedSeedRepeatsTheRandomDraws) {
  const auto draws = [this] {
    std::vector<std::vector<int>> out;
    run("menu EL\ntype Text3 2");
    for (int i = 0; i < 4; ++i) {
      run("click Command6");
      out.push_back(selectedLoci());
    }
    run("click Command3\nmenu Es\ntype Text1 4\ntick Check3");
    for (int i = 0; i < 4; ++i) {
      run("click Command4");
      const auto row = model().sel.IndSel[4];
      out.emplace_back(row.begin(), row.end());
    }
    run("untick Check3\nclick Command3");
    return out;
  };
  services.seed(7);
  const auto first = draws();
  services.seed(7);
  EXPECT_EQ(draws(), first);
  EXPECT_GT(std::set<std::vector<int>>(first.begin(), first.end()).size(), 2u);  // the draws do differ
}

TEST_F(SelectionWindows, ReductionKeepsTheMinimumOfDistinctIndividualsInSelectedPopulations) {
  run("menu Es\npick List1 4 - P_nine\nclick Command1\ntype Text1 5\ntick Check3\nclick Command4");
  EXPECT_EQ(numbers(list("frmSelPop", "List1")), (std::vector<int>{2, 3}));
  EXPECT_EQ(kept(1), 4);  // excluded by the minimum, not reduced
  EXPECT_EQ(kept(2), 5);  // exactly the minimum: unchanged
  EXPECT_EQ(kept(3), 5);
  EXPECT_EQ(kept(4), 9);  // excluded by hand, not reduced
  EXPECT_EQ(model().sel.IndSel[3].size(), 9u);

  // Pressing OK again draws anew; an earlier reduction is not given back.
  std::set<std::vector<int>> drawn;
  for (int i = 0; i < 6; ++i) {
    run("click Command4");
    EXPECT_EQ(kept(3), 5);
    const auto row = model().sel.IndSel[3];
    drawn.emplace(row.begin(), row.end());
  }
  EXPECT_GT(drawn.size(), 1u);
  run("untick Check3\nclick Command4");
  EXPECT_EQ(kept(3), 5);
  run("type Text1 8\ntick Check3\nclick Command4");
  EXPECT_EQ(kept(3), 5);
}

TEST_F(SelectionWindows, ReductionTakesAPartOfAnIndividualAsAWholeOneAndZeroAsNone) {
  const struct { const char* minimum; int keep4, keep9; } cases[] = {
      {"2.5", 3, 3}, {"1", 1, 1}, {"0", 0, 0}, {"-2", 0, 0}, {"8.5", 4, 9},
  };
  for (const auto& c : cases) {
    run("file data.txt\nmenu OpenPopGen\nmenu Es");
    run(std::string("type Text1 ") + c.minimum + "\ntick Check3\nclick Command4\nuntick Check3\nclick Command3");
    EXPECT_EQ(kept(1), c.keep4) << c.minimum;
    EXPECT_EQ(kept(4), c.keep9) << c.minimum;
  }
}

TEST_F(SelectionWindows, ReductionGivesEveryIndividualTheSameChance) {
  // One individual of P_nine, many times: the first and the last must not be favoured or slighted.
  run("menu Es\ntype Text1 1\ntick Check3");
  std::vector<int> hits(10, 0);
  const int draws = 4500;
  for (int i = 0; i < draws; ++i) {
    run("click Command4");
    const auto& row = model().sel.IndSel[4];
    for (int j = 1; j <= 9; ++j) hits[static_cast<std::size_t>(j)] += row[static_cast<std::size_t>(j)];
  }
  for (int j = 1; j <= 9; ++j) EXPECT_NEAR(hits[static_cast<std::size_t>(j)], draws / 9, 100) << "individual " << j;
}

TEST_F(SelectionWindows, ReductionNeverWritesOutsideAnIndividualSelectionOfOtherData) {
  // IndSel left from data of other shapes (as after reading reference populations over them).
  model().sel.IndSel.resize(3);
  model().sel.IndSel[1] = makeVec1<int>(2, 1);
  model().sel.IndSel[2].clear();
  run("menu Es\ntype Text1 3\ntick Check3\nclick Command4");
  ASSERT_EQ(model().sel.IndSel.size(), 5u);
  const int sizes[] = {0, 4, 5, 8, 9};
  for (int p = 1; p <= 4; ++p) {
    EXPECT_EQ(model().sel.IndSel[static_cast<std::size_t>(p)].size(), static_cast<std::size_t>(sizes[p] + 1)) << p;
    EXPECT_EQ(kept(p), 3) << p;
  }
}

TEST_F(SelectionWindows, MinimumAndReductionStartAtOneUntickedAndOutliveADataLoad) {
  run("menu Es\nexpect-text Text1 1\nexpect-checked Check3 0");
  run("type Text1 4\ntick Check3\nclick Command3\nfile data.txt\nmenu OpenPopGen");
  EXPECT_EQ(model().sel.MinSampleSize, 4);
  EXPECT_EQ(model().sel.EqualSizeFlag, 1);
  for (int p = 1; p <= 4; ++p) EXPECT_EQ(kept(p), model().ds.NInd[static_cast<std::size_t>(p)]) << p;
  run("menu Es\nexpect-text Text1 4\nexpect-checked Check3 1");
}

TEST(DrawDistinct, DrawsDistinctIndicesAndNeverMoreThanThereAre) {
  Random rng(42);
  const struct { int n, k; std::size_t size; } cases[] = {{10, 4, 4}, {5, 5, 5}, {5, 9, 5}, {5, 0, 0}, {0, 3, 0}, {4, -1, 0}};
  for (const auto& c : cases) {
    const std::vector<int> d = drawDistinct(rng, c.n, c.k);
    EXPECT_EQ(d.size(), c.size) << c.n << " " << c.k;
    EXPECT_EQ(std::set<int>(d.begin(), d.end()).size(), d.size());
    for (int i : d) EXPECT_TRUE(i >= 1 && i <= c.n);
  }
}

}  // namespace
}  // namespace kiwora
