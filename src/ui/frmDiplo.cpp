#include "ui/frmDiplo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "analysis/population_analysis.h"
#include "analysis/report.h"
#include "ui/busy_guard.h"
#include "ui/export_commands.h"
#include "ui/guarded_run.h"
#include "ui/result_file_ready.h"
#include "files/text_writer.h"

namespace kiwora {
namespace {

// Room in the progress boxes for the longest text they show.
constexpr int kProgressWidth = 27;

std::string commaToPoint(std::string s) {
  for (char& c : s)
    if (c == ',') c = '.';
  return s;
}

bool isNumeric(const std::string& s, double& v) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  std::size_t e = s.find_last_not_of(" \t");
  const std::string t = s.substr(b, e - b + 1);
  char* end = nullptr;
  v = std::strtod(t.c_str(), &end);
  return end && *end == '\0' && std::isfinite(v);
}

int roundAway(double v) {
  if (v > 2e9) return 2000000000;
  if (v < -2e9) return -2000000000;
  return static_cast<int>(std::round(v));
}

// The window's load ticks a box again when its option is 1: the boxes of the first pass before the
// coordinates are shown, those of the second after them, the third after the kinship neighbours are shown,
// each pass in the order of its ranks. Ticking a box runs its click, so the order decides what the couplings
// leave.
enum class LoadPass { BeforeCoordinates, AfterCoordinates, AfterKinshipNeighbours };

// What a click on a box does: a plain box stores 1 when ticked and 0 when cleared; a coupled one does what
// the constructor sets up for it.
enum class Click { Plain, Coupled };

// A check box that stores one option.
struct CheckRow {
  const char* name;
  const char* caption;
  const char* frame;  // "" for none
  int AnalysisOptions::*option;
  LoadPass pass;
  int rank;
  Click click;
};

using O = AnalysisOptions;
constexpr LoadPass kFirst = LoadPass::BeforeCoordinates, kSecond = LoadPass::AfterCoordinates,
                   kThird = LoadPass::AfterKinshipNeighbours;
constexpr Click kPlain = Click::Plain, kCoupled = Click::Coupled;
const CheckRow kChecks[] = {
    {"Check1", "Number of alleles /allelic richness", "FrameVariation", &O::FlagNAlleles, kFirst, 6, kPlain},
    {"Check2", "Diversity V", "FrameVariation", &O::FlagDiversityV, kFirst, 9, kPlain},
    {"Check8", "Heterozygosity", "FrameVariation", &O::FlagHeterozygosity, kFirst, 2, kPlain},
    {"Check12", "Eveness", "FrameVariation", &O::FlagEvenness, kFirst, 12, kPlain},
    {"Check3", "Degree of heterozygosity", "FrameVariation", &O::FlagDegreeHet, kFirst, 3, kPlain},
    {"Check4", "Variation multilocus genotypes", "FrameVariation", &O::FlagVariationMLG, kFirst, 1, kPlain},
    {"Check17", "Percentage of polymorphic loci", "FrameVariation", &O::FlagPolymorphic, kFirst, 17, kPlain},
    {"Check20", "Number of single locus genotypes", "FrameVariation", &O::FlagNGenotypes, kFirst, 20, kPlain},
    {"Check5", "Frequencies of alleles", "FrameComposition", &O::FlagFreqAlleles, kFirst, 7, kPlain},
    {"Check6", "Frequencies of single locus genotypes", "FrameComposition", &O::FlagFreqGenotypes, kFirst, 8, kPlain},
    {"Check7", "Frequencies of multi locus genotypes", "FrameComposition", &O::FlagFreqMLG, kFirst, 13, kPlain},
    {"Check9", "Genetic distance DG", "FrameDifferentiation", &O::FlagDistDG, kFirst, 4, kPlain},
    {"Check10", "Genetic distance DN", "FrameDifferentiation", &O::FlagDistDN, kFirst, 5, kPlain},
    {"Check11", "Differentiation Dj ", "FrameDifferentiation", &O::FlagDj, kFirst, 14, kPlain},
    {"Check13", "Fixation Fst  and standardised Fst_h", "FrameDifferentiation", &O::FlagFst, kFirst, 15, kPlain},
    {"Check14", "Using Genpool Distances", "FrameCluster", &O::FlagClusterGenepool, kFirst, 10, kPlain},
    {"Check15", "Using Multilocus Distances", "FrameCluster", &O::FlagClusterMLG, kFirst, 11, kPlain},
    {"Check29", "Dj for neighbours", "FrameNeighbours", &O::FlagDjNeighbours, kThird, 1, kCoupled},
    {"Check24", "Calculate", "FrameSpatial", &O::FlagSpatial, kSecond, 1, kPlain},
    {"Check27", "Kinship and genetic distance DGM", "FrameKinship", &O::FlagKinship, kSecond, 3, kPlain},
    {"Check26", "Save values for all pairs", "FrameKinship", &O::FlagSavePairs, kSecond, 4, kCoupled},
    {"Check28", "Use mean allele frequencies of all selected populations", "FrameKinship", &O::FlagKinFreqAllPops,
     kSecond, 5, kCoupled},
    {"Check30", "Use mean allele frequencies of X neighbour populations:", "FrameKinship", &O::FlagKinFreqNeighbours,
     kSecond, 6, kCoupled},
    {"Check16", "Simulate confidence intervals for DGM", "FrameKinship", &O::FlagSimulateCI, kFirst, 16, kPlain},
    {"Check25", "Two-Locus-Analysis", "FrameTwoLocus", &O::FlagTwoLocus, kSecond, 2, kCoupled},
    {"Check21", "Check single loci", "", &O::FlagCheckLoci, kFirst, 21, kPlain},
    {"Check19", "Compute spatial and genetic distances among populations", "", &O::FlagSpatialGenDist, kFirst, 19,
     kPlain},
    // Offered where the user sees it, like every other option.
    {"Check18", "Dominant gene-markers - Correction of allele frequencies for HDW-proportions", "", &O::FlagDominant,
     kFirst, 18, kPlain},
};

const CheckRow& checkRow(const std::string& name) {
  for (const CheckRow& row : kChecks)
    if (name == row.name) return row;
  throw std::logic_error("frmDiplo has no row for the check box " + name);
}

// Ticks the boxes of one pass of the load whose option is 1; the options are read as each box is reached,
// after the clicks before it.
void restoreChecks(Window& w, const AnalysisOptions& o, LoadPass pass) {
  std::vector<const CheckRow*> rows;
  for (const CheckRow& row : kChecks)
    if (row.pass == pass) rows.push_back(&row);
  std::ranges::sort(rows, {}, &CheckRow::rank);
  for (const CheckRow* row : rows)
    if (o.*(row->option) == 1) w.get<CheckBox>(row->name).setValue(1);
}

}  // namespace

double frmDiplo::readNumber(const std::string& text) { return leadingNumber(commaToPoint(text)); }

int frmDiplo::readWhole(const std::string& text) {
  const std::string t = commaToPoint(text);
  double v;
  if (isNumeric(t, v)) return roundAway(v);
  return roundAway(leadingNumber(t));
}

void frmDiplo::setText(const std::string& box, double value) {
  get<TextBox>(box).setText(plainNumber(value, app.services.decimalSign()));
}

std::function<void()> frmDiplo::whenIdle(std::function<void()> act) {
  return [this, act = std::move(act)] {
    if (flags().Busy == 1) return;
    act();
  };
}

CheckBox& frmDiplo::check(const std::string& name) {
  const CheckRow& row = checkRow(name);
  auto& box = addCheck(name, row.caption, row.frame);
  if (row.click == Click::Plain) box.onClick = whenIdle([this, &box, option = row.option] { opt().*option = box.value(); });
  return box;
}

frmDiplo::frmDiplo(App& a) : AppWindow(a, "frmDiplo", "Analysis of population data") {
  addFrame("FrameVariation", "Genetic variation");
  for (const char* c : {"Check1", "Check2", "Check8", "Check12", "Check3", "Check4", "Check17", "Check20"}) check(c);

  addFrame("FrameComposition", "Genetic composition");
  for (const char* c : {"Check5", "Check6", "Check7"}) check(c);

  addFrame("FrameDifferentiation", "Genetic differentiation");
  for (const char* c : {"Check9", "Check10", "Check11", "Check13"}) check(c);

  addFrame("FrameCluster", "Cluster Analysis (one growing cluster)");
  for (const char* c : {"Check14", "Check15"}) check(c);

  addFrame("FrameNeighbours", "Genetic differentiation of neighbours");
  check("Check29");
  addLabel("LabelNeighbours", "N neighbours", "FrameNeighbours");
  addText("Text11", "FrameNeighbours");

  addFrame("FrameCoordinates", "Geographic co-ordinates");
  addCheck("Check22", "km Or m", "FrameCoordinates");
  addCheck("Check23", "longitude + latitude (decimal degrees)", "FrameCoordinates");

  addFrame("FrameSpatial", "Analyse Spatial Genetic Structure");
  check("Check24");
  addLabel("LabelRadius", "Radius (km, m)", "FrameSpatial");
  addText("Text5", "FrameSpatial");

  addFrame("FrameKinship", "Genetic distance and kinship among individuals");
  for (const char* c : {"Check27", "Check26", "Check28", "Check30"}) check(c);
  addText("Text12", "FrameKinship");
  check("Check16");
  addLabel("LabelCILimit", "CI limit (0-100)", "FrameKinship");
  addText("Text13", "FrameKinship");
  addLabel("LabelNSim", "N Sim", "FrameKinship");
  addText("Text14", "FrameKinship");
  addLabel("LabelMinData", "Min data (0.5-1)", "FrameKinship");
  addText("Text10", "FrameKinship");
  addLabel("LabelProgress9", "Progress %", "FrameKinship");
  auto& t9 = addText("Text9", "FrameKinship");
  t9.displayOnly = true;
  t9.widthChars = kProgressWidth;  // "Sort CI-values of pop 12345", "compute pairs 92.8"

  addFrame("FrameTwoLocus", "Two-Locus-Analysis");
  check("Check25");
  addLabel("LabelMinDj", "Min Dj (0-1)", "FrameTwoLocus");
  addText("Text6", "FrameTwoLocus");
  addLabel("LabelMinData2", "Min data (0.5-1)", "FrameTwoLocus");
  addText("Text7", "FrameTwoLocus");
  addLabel("LabelProgress8", "Progress %", "FrameTwoLocus");
  auto& t8 = addText("Text8", "FrameTwoLocus");
  t8.displayOnly = true;
  t8.widthChars = kProgressWidth;  // also room for the stopped text

  addFrame("FrameRedundant", "Search redundant Loci");
  const char* redLabels[4] = {"Minimum Diversity V", "Maximum Delta V", "Maximum Delta D", "Minimum Corr Inter Loci"};
  double O::*redFields[4] = {&O::RedMinDivV, &O::RedMaxDeltaV, &O::RedMaxDeltaD, &O::RedMinCorr};
  for (int k = 0; k < 4; ++k) {
    const std::string n = std::to_string(k + 1);
    addLabel("LabelRed" + n, redLabels[k], "FrameRedundant");
    auto& t = addText("Text" + n, "FrameRedundant");
    t.onChange = whenIdle([this, &t, field = redFields[k]] { opt().*field = readNumber(t.text()); });
  }

  for (const char* c : {"Check21", "Check19", "Check18"}) check(c);
  for (const CheckRow& row : kChecks) get<CheckBox>(row.name);  // every box of the table has its place
  addFrame("FrameQuality", "Quality check gene loci");
  addButton("Command1", "Calculate").onClick = [this] { Calculate(); };
  addButton("Command2", "Go back").onClick = [this] {
    if (!running_) backToMain();
  };

  // What the coupled boxes and the parameter boxes do; the plain boxes store their option (check()).
  enum class On { Click, Change, LostFocus };
  const struct {
    const char* control;
    On on;
    void (frmDiplo::*act)();
  } couplings[] = {
      {"Check22", On::Click, &frmDiplo::planeCoordinatesClicked},
      {"Check23", On::Click, &frmDiplo::degreeCoordinatesClicked},
      {"Check25", On::Click, &frmDiplo::twoLocusClicked},
      {"Check26", On::Click, &frmDiplo::savePairsClicked},
      {"Check28", On::Click, &frmDiplo::kinshipAllPopulationsClicked},
      {"Check30", On::Click, &frmDiplo::kinshipNeighboursClicked},
      {"Check29", On::Click, &frmDiplo::djNeighboursClicked},
      {"Text5", On::Change, &frmDiplo::radiusChanged},
      {"Text6", On::LostFocus, &frmDiplo::twoLocusMinDjLeft},
      {"Text7", On::LostFocus, &frmDiplo::twoLocusMinDataLeft},
      {"Text10", On::LostFocus, &frmDiplo::kinshipMinDataLeft},
      {"Text11", On::Change, &frmDiplo::neighboursChanged},
      {"Text12", On::Change, &frmDiplo::kinshipNeighboursChanged},
      {"Text13", On::Change, &frmDiplo::ciLimitChanged},
      {"Text14", On::Change, &frmDiplo::simulationsChanged},
  };
  for (const auto& c : couplings) {
    std::function<void()> act = whenIdle([this, act = c.act] { (this->*act)(); });
    switch (c.on) {
      case On::Click: get<CheckBox>(c.control).onClick = std::move(act); break;
      case On::Change: get<TextBox>(c.control).onChange = std::move(act); break;
      case On::LostFocus: get<TextBox>(c.control).onLostFocus = std::move(act); break;
    }
  }
  for (const CheckRow& row : kChecks)
    if (!get<CheckBox>(row.name).onClick)
      throw std::logic_error("frmDiplo has no coupling for the check box " + std::string(row.name));
}

// The two kinds of coordinates exclude each other; clearing one chooses the other.
void frmDiplo::coordinatesClicked(const char* box, Coordinates kind, const char* otherBox, Coordinates other) {
  if (get<CheckBox>(box).value() == 1) {
    opt().setCoordinates(kind);
    get<CheckBox>(otherBox).setValue(0);
  } else {
    opt().setCoordinates(other);
  }
}

void frmDiplo::planeCoordinatesClicked() {
  coordinatesClicked("Check22", Coordinates::Plane, "Check23", Coordinates::DecimalDegrees);
}

void frmDiplo::degreeCoordinatesClicked() {
  coordinatesClicked("Check23", Coordinates::DecimalDegrees, "Check22", Coordinates::Plane);
}

// The two-locus table reads the quality check's values, so ticking it asks for the check too.
void frmDiplo::twoLocusClicked() {
  if (get<CheckBox>("Check25").value() == 1) {
    opt().FlagTwoLocus = 1;
    opt().FlagCheckLoci = 1;
  } else {
    opt().FlagTwoLocus = 0;
  }
}

namespace {

std::string pairsFileIsResultFileMessage(const std::string& pairs, const std::string& result) {
  return "The file " + pairs + " is the result file " + result +
         " of this session: the pairs file written there would replace its results.";
}

}  // namespace

// The pairs file holds the simulated intervals, so ticking it ticks them; its name is asked once.
void frmDiplo::savePairsClicked() {
  if (get<CheckBox>("Check26").value() != 1) return;
  opt().FlagSavePairs = 1;
  opt().FlagSimulateCI = 1;
  get<CheckBox>("Check16").setValue(1);
  // The pairs file is written afresh by every run: under a result file's name it would replace the results.
  for (std::string proposed; opt().PairsFileName.empty();) {
    const std::string path = app.services.saveFileDialog("Save values for all pairs", proposed);
    if (path.empty()) return;
    if (const std::string result = sessionResultFileAt(model(), path); !result.empty()) {
      message(pairsFileIsResultFileMessage(path, result) + " Choose another name.");
      proposed = path;
      continue;
    }
    opt().PairsFileName = path;
  }
}

// The kinship's reference frequencies: of all selected populations or of the neighbours, not both.
void frmDiplo::kinshipAllPopulationsClicked() {
  if (get<CheckBox>("Check28").value() == 1) {
    opt().FlagKinFreqAllPops = 1;
    opt().FlagKinFreqNeighbours = 0;
    get<CheckBox>("Check30").setValue(0);
  } else {
    opt().FlagKinFreqAllPops = 0;
  }
}

void frmDiplo::kinshipNeighboursClicked() {
  if (get<CheckBox>("Check30").value() == 1) {
    opt().FlagKinFreqNeighbours = 1;
    opt().FlagKinFreqAllPops = 0;
    get<CheckBox>("Check28").setValue(0);
  } else {
    opt().FlagKinFreqNeighbours = 0;
  }
}

// Dj for neighbours starts with up to five neighbours when no number was given.
void frmDiplo::djNeighboursClicked() {
  if (get<CheckBox>("Check29").value() != 1) {
    opt().FlagDjNeighbours = 0;
    return;
  }
  const int selected = app.model.sel.countSelectedPops();
  opt().FlagDjNeighbours = 1;
  if (opt().NNeighbours == 0) {
    opt().NNeighbours = selected > 5 ? 5 : selected;
    setText("Text11", opt().NNeighbours);
  }
}

void frmDiplo::radiusChanged() {
  opt().SearchRadius = leadingNumber(get<TextBox>("Text5").text());  // a "," ends the number here
}

void frmDiplo::twoLocusMinDjLeft() {
  const double x = readNumber(get<TextBox>("Text6").text());
  if (!(x == 0 || x > 1)) opt().TwoLocMinDj = x;
  setText("Text6", opt().TwoLocMinDj);
}

void frmDiplo::twoLocusMinDataLeft() {
  const double x = readNumber(get<TextBox>("Text7").text());
  if (!(x < 0.5 || x > 1)) opt().TwoLocMinData = x;
  setText("Text7", opt().TwoLocMinData);
}

void frmDiplo::kinshipMinDataLeft() {
  const double x = readNumber(get<TextBox>("Text10").text());
  if (x < 0.5 || x > 1) setText("Text10", opt().KinMinData);
  else opt().KinMinData = x;
}

void frmDiplo::neighboursChanged() {
  int n = readWhole(get<TextBox>("Text11").text());
  const int typed = n;
  if (n > ds().NPop) n = ds().NPop;
  if (n < 1) n = 1;  // no neighbour count below one
  opt().NNeighbours = n;
  if (n != typed) setText("Text11", n);
}

void frmDiplo::kinshipNeighboursChanged() {
  int n = readWhole(get<TextBox>("Text12").text());
  const int typed = n;
  const int selected = app.model.sel.countSelectedPops();
  if (n > selected) n = selected;
  if (n < 1) n = 1;  // also with no population selected: one value, set once
  opt().KinNNeighbours = n;
  if (n != typed) setText("Text12", n);
}

void frmDiplo::ciLimitChanged() {
  int n = readWhole(get<TextBox>("Text13").text());
  const int typed = n;
  if (n > 100) n = 100;
  if (n <= 0) n = 95;
  opt().CILimit = n;
  if (n != typed) setText("Text13", n);
}

void frmDiplo::simulationsChanged() {
  int n = readWhole(get<TextBox>("Text14").text());
  if (n < 0) n = 1000;
  if (n < 1) n = opt().NSim;  // no interval without a simulation: 0 is refused
  opt().NSim = n;
  setText("Text14", n);
}

void frmDiplo::Form_Load() {
  AnalysisOptions& o = opt();
  restoreChecks(*this, o, LoadPass::BeforeCoordinates);

  if (o.coordinates() == Coordinates::Unset) o.setCoordinates(Coordinates::DecimalDegrees);
  if (o.coordinates() == Coordinates::Plane) get<CheckBox>("Check22").setValue(1);
  if (o.coordinates() == Coordinates::DecimalDegrees) get<CheckBox>("Check23").setValue(1);

  restoreChecks(*this, o, LoadPass::AfterCoordinates);

  setText("Text12", o.KinNNeighbours);
  restoreChecks(*this, o, LoadPass::AfterKinshipNeighbours);
  if (o.FlagDjNeighbours == 1) setText("Text11", o.NNeighbours);

  if (o.RedMinDivV == 0) {
    o.RedMinDivV = 1.15;
    o.RedMaxDeltaV = 0.05;
    o.RedMaxDeltaD = 0.05;
    o.RedMinCorr = 0.95;
  }
  if (o.KinMinData < 0.5) o.KinMinData = 0.8;
  const double red[4] = {o.RedMinDivV, o.RedMaxDeltaV, o.RedMaxDeltaD, o.RedMinCorr};
  for (int k = 0; k < 4; ++k) setText("Text" + std::to_string(k + 1), red[k]);
  get<TextBox>("Text8").setText("");
  setText("Text10", o.KinMinData);

  if (o.TwoLocMinDj == 0) o.TwoLocMinDj = 0.05;
  if (o.TwoLocMinData == 0) o.TwoLocMinData = 0.85;
  if (o.SearchRadius == 0) o.SearchRadius = 100;
  setText("Text6", o.TwoLocMinDj);
  setText("Text7", o.TwoLocMinData);
  setText("Text5", o.SearchRadius);

  if (o.CILimit == 0) o.CILimit = 99;
  if (o.NSim == 0) o.NSim = 5000;
  setText("Text14", o.NSim);
  setText("Text13", o.CILimit);
}

void frmDiplo::Calculate() {
  if (running_) return;  // one run at a time, also while a long loop lets events through
  Model& m = model();
  if (m.sel.countSelectedPops() == 0) {
    message("No population is selected! Select populations first!");
    return;
  }
  if (m.sel.countSelectedLoci() == 0) {
    message("No locus is selected! Select loci first!");
    return;
  }
  // A data file opened after the pairs file was named may have made that name its result file.
  if (const std::string result = opt().FlagKinship == 1 && !opt().PairsFileName.empty()
                                     ? sessionResultFileAt(m, opt().PairsFileName)
                                     : std::string();
      !result.empty()) {
    message(pairsFileIsResultFileMessage(opt().PairsFileName, result) +
            " Nothing was calculated. Tick \"Save values for all pairs\" again to choose another name.");
    opt().PairsFileName.clear();
    get<CheckBox>("Check26").setValue(0);
    return;
  }
  ResultFileMark began;
  if (const Refusal refusal = resultFileReady(m, began)) {
    message(refusal.message());
    return;
  }

  if (refusedForMemory(app, analysisTableNeeds(m, opt()))) return;

  BusyGuard busy(flags(), sel());
  if (!busy.acquired()) return;
  running_ = true;
  const AnalysisOptions used = opt();
  Refusal notWritten;
  // Kinship and its intervals show their progress in one box, the two-locus pairs in another.
  RunProgressBox progress(get<TextBox>("Text9"));
  RunProgressBox pairsProgress(get<TextBox>("Text8"));
  // A run the user stops part-way through its report leaves the result file as it was: the appender
  // cuts the file back when it is dropped before it closes. The report goes only to the file the run
  // began in, not to one another copy of the program started afresh meanwhile.
  const bool completed = runGuarded(app, [&] {
    // The steps between the statistics and the report's sections let events through without a text.
    const RunContext run = runContextOf(app.services);
    const RunContext kinship = runContextOf(app.services, progress.sink());
    const RunContext pairs = runContextOf(app.services, pairsProgress.sink());
    Run_Population_Analysis(m, app.analysis, run, pairs.progressSink, kinship.progressSink);
    notWritten = appendSection(m.ds.OutFileName, app.services.decimalSign(), [&](LineWriter& out) {
      printPopulationReport(out, AnalysisView(m, app.analysis), used, reportPrintsSelectionHeader(flags()),
                            run.progressFn());
    }, &began);
  }, &running_);
  if (!completed) {
    // The result tables are half rebuilt: none of them may be used, printed or exported.
    app.analysis = AnalysisResults{};
    flags().AnalysisDone = 0;
    progress.showStopped();
    pairsProgress.showStopped();
    return;
  }
  running_ = false;
  if (notWritten) {
    message(notWritten.message());
  } else {
    WorkflowFlags& f = flags();
    if (used.FlagHeterozygosity == 1) f.CanTestWithin = 1;
    if (used.FlagDistDG == 1 || used.FlagDistDN == 1) f.CanTestTwo = 1;
    if (used.FlagDj == 1 || used.FlagFst == 1) f.CanTestAll = 1;
    f.AnalysisDone = 1;
    f.AssignRunDone = 0;
  }
  backToMain();
}

}  // namespace kiwora
