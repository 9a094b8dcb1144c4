#include "ui/frmAssGr.h"

#include <climits>
#include <cmath>
#include <iterator>

#include "assign/assignment_run.h"
#include "assign/self_assign_run.h"
#include "ui/frmDiplo.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

const char* const kMethodButtons[] = {"Option1", "Option2", "Option10", "Option11"};
// The generators' buttons, in the order of kSimGenerators (looked up by positionOf).
const struct {
  const char* button;
  const char* caption;
} kGeneratorButtons[] = {
    {"Option3", "with allele frequencies of ref pops corrected by F-values and by 99% CI of alleles "},
    {"Option4", "recombination of multilocus haplotypes of ref pops"},
    {"Option5", "recombination of single locus genotypes of the ref pops"},
    {"Option6", "recombination of alleles of ref pops"},
    {"Option7", "recombination of alleles + haplotypes of ref pops"},
};
static_assert(std::size(kGeneratorButtons) == std::size(kSimGenerators));

// g is one of kSimGenerators.
const char* generatorButton(SimGenerator g) { return kGeneratorButtons[positionOf(g)].button; }

// An assignment or self-assignment run from its result file to its written report.
template <class Run>
Refusal runToReport(Run& run) {
  if (Refusal refused = run.begin()) return refused;
  run.run();
  return run.writeReport();
}

}  // namespace

void frmAssGr::show(const std::string& box, double value) {
  get<TextBox>(box).setText(plainNumber(value, app.services.decimalSign()));
}

void frmAssGr::chooseMethod(const std::string& button) {
  for (const char* b : kMethodButtons)
    if (button != b) get<OptionButton>(b).setValue(false);
  get<OptionButton>(button).setValue(true);
}

void frmAssGr::showCriterion() {
  const bool distance = opt().method() == AssignMethod::GeneticDistance;
  const bool threePops = sel().countSelectedPops() >= 3;
  const bool offered = threePops && !distance;
  for (const char* c : {"Frame4", "Option8", "Option9"}) find(c)->enabled = offered;
  // The distance run leaves LOD1 behind, so a button chosen under it would not be the one that runs next.
  if (distance) {
    for (const char* c : {"Option8", "Option9"}) get<OptionButton>(c).setValue(false);
    return;
  }
  get<OptionButton>(threePops && opt().criterion() == ExclusionCriterion::Delta ? "Option9" : "Option8").setValue(true);
}

void frmAssGr::wholeNumberBox(const std::string& name, int AssignmentOptions::*field, int low, std::function<int()> high) {
  auto& box = get<TextBox>(name);
  box.onChange = [this, &box, field, low, high] {
    if (locked()) return;
    const double v = leadingNumber(box.text());
    if (v == std::floor(v) && v >= low && v <= high()) opt().*field = static_cast<int>(v);
    show(box.name(), opt().*field);
  };
}

void frmAssGr::weightBox(const std::string& name, double AssignmentOptions::*own, double AssignmentOptions::*other) {
  auto& box = get<TextBox>(name);
  box.onLostFocus = [this, &box, own, other] {
    if (locked()) return;
    flags().LociChanged = 1;
    const double v = frmDiplo::readNumber(box.text());
    if (v >= 0 && v <= 1) {
      opt().*own = v;
      opt().*other = 1 - v;
    }
    show("Text7", opt().WeightBip);
    show("Text8", opt().WeightMat);
  };
}

frmAssGr::frmAssGr(App& a) : AppWindow(a, "frmAssGr", "Assignment / exclusion of groups") {
  addFrame("Frame2", "Method for assignment");
  auto& o1 = addOption("Option1", "Bayesian method (Rannala and Mountain 1997)", "Frame2");
  addFrame("Frame7", "Allele frequency based ", "Frame2");
  auto& o2 = addOption("Option2", "Frequency method (Paetkau et al. 1995)", "Frame7");
  addLabel("Label9", "Minimim frequency of missing alleles", "Frame7");
  auto& t1 = addText("Text1", "Frame7");
  addFrame("Frame8", "Genetic distance based", "Frame2");
  auto& o11 = addOption("Option11", "Genetic distance SL - GD (Gregorius 1974)", "Frame8");
  auto& o10 = addOption("Option10", "Genetic distance alleles - GD (Gregorius 1974)", "Frame8");
  addFrame("Frame6", "Weights probabilities for GD", "Frame8");
  addLabel("Label6", "bi-patental loci (0-1)", "Frame6");
  addText("Text7", "Frame6");
  addLabel("Label7", "haplotypes (0-1)", "Frame6");
  addText("Text8", "Frame6");

  addFrame("Frame9", "Calculation of exclusion probabilities");
  addFrame("Frame3", "Method for generation of genotypes in simulations", "Frame9");
  for (SimGenerator g : kSimGenerators) {
    auto& o = addOption(generatorButton(g), kGeneratorButtons[positionOf(g)].caption, "Frame3");
    o.onClick = [this, &o, g] {
      if (locked() || !o.value()) return;
      opt().setGenerator(g);
    };
  }
  addLabel("Label10", "Number of simulated groups", "Frame9");
  addText("Text2", "Frame9");
  addFrame("Frame1", "Progress simulations", "Frame9");
  auto& simulationProgress = addText("Text3", "Frame1");
  simulationProgress.displayOnly = true;
  simulationProgress.widthChars = kRunStoppedProgressWidth;

  addFrame("Frame5", "Self assignment");
  addLabel("Label3", "Group Size", "Frame5");
  addText("Text4", "Frame5");
  addLabel("Label4", "Number of tests per pop", "Frame5");
  addText("Text5", "Frame5");
  addLabel("Label8", "Minimum number of complete  bi-parental loci ", "Frame5");
  addText("Text9", "Frame5");
  addLabel("Label5", "Progress", "Frame5");
  auto& selfProgress = addText("Text6", "Frame5");
  selfProgress.displayOnly = true;
  selfProgress.widthChars = kRunStoppedProgressWidth;

  addFrame("Frame4", "Criteria for probability calculation");
  auto& o8 = addOption("Option8", "LOD1", "Frame4");
  auto& o9 = addOption("Option9", "delta =LOD1-LOD2", "Frame4");
  // Shown under every method, so that the window keeps its size when the method changes.
  addLabel("Label11", "Not used by genetic distance methods: they use their own distribution", "Frame4");

  addButton("Command1", "Go back").onClick = [this] {
    if (!running_) backToMain();
  };
  addButton("Command2", "Assign test groups").onClick = [this] { Command2_Click(); };
  addButton("Command4", "Self assignment").onClick = [this] { Command4_Click(); };

  // Method buttons; the two distance buttons also say what the distance is taken on.
  const struct {
    OptionButton& button;
    AssignMethod method;
    int onAlleles, onGenotypes;
  } methods[] = {{o1, AssignMethod::Bayesian, 0, 0},
                 {o2, AssignMethod::Frequency, 0, 0},
                 {o10, AssignMethod::GeneticDistance, 1, 0},
                 {o11, AssignMethod::GeneticDistance, 0, 1}};
  for (const auto& m : methods) {
    m.button.onClick = [this, &b = m.button, method = m.method, onAlleles = m.onAlleles, onGenotypes = m.onGenotypes] {
      if (locked() || !b.value()) return;
      chooseMethod(b.name());
      opt().setMethod(method);
      if (method == AssignMethod::GeneticDistance) {
        opt().GDOnAlleles = onAlleles;
        opt().GDOnGenotypes = onGenotypes;
      }
      showCriterion();
    };
  }
  o8.onClick = [this, &o8] {
    if (locked() || !o8.value()) return;
    opt().setCriterion(ExclusionCriterion::Lod1);
  };
  o9.onClick = [this, &o9] {
    if (locked() || !o9.value()) return;
    if (sel().countSelectedPops() < 3) {
      message("The calulation of delta=LOD1-LOD2 requests at least three reference ppopulations!");
      opt().setCriterion(ExclusionCriterion::Lod1);
      get<OptionButton>("Option8").setValue(true);
      return;
    }
    opt().setCriterion(ExclusionCriterion::Delta);
  };

  // Boxes.
  t1.onLostFocus = [this, &t1] {
    if (locked()) return;
    const double v = frmDiplo::readNumber(t1.text());
    // 0 would give log10(0) for every allele a population lacks.
    if (v > 0 && v <= 0.2) opt().MinFreqMiss = v;
    show("Text1", opt().MinFreqMiss);
  };
  const auto unlimited = [] { return 1000000000; };
  wholeNumberBox("Text2", &AssignmentOptions::NSimGroups, 1, unlimited);
  wholeNumberBox("Text4", &AssignmentOptions::SelfGroupSize, 1, unlimited);
  wholeNumberBox("Text5", &AssignmentOptions::SelfNTests, 1, unlimited);
  wholeNumberBox("Text9", &AssignmentOptions::MinBipLoci, 0, [this] { return ds().NLoci; });
  weightBox("Text7", &AssignmentOptions::WeightBip, &AssignmentOptions::WeightMat);
  weightBox("Text8", &AssignmentOptions::WeightMat, &AssignmentOptions::WeightBip);
}

void frmAssGr::Form_Load() {
  AssignmentOptions& o = opt();
  if (o.MinFreqMiss == 0) o.MinFreqMiss = 0.001;
  if (o.NSimGroups == 0) o.NSimGroups = 1000;
  if (o.method() == AssignMethod::Unset) o.setMethod(AssignMethod::Bayesian);
  if (o.generator() == SimGenerator::Unset) o.setGenerator(SimGenerator::FreqCI);
  if (o.method() == AssignMethod::Bayesian) chooseMethod("Option1");
  if (o.method() == AssignMethod::Frequency) chooseMethod("Option2");
  if (o.method() == AssignMethod::GeneticDistance && o.GDOnAlleles == 1) chooseMethod("Option10");
  if (o.method() == AssignMethod::GeneticDistance && o.GDOnGenotypes == 1) chooseMethod("Option11");

  bool uniparental = false;
  for (int l = 1; l <= ds().NLoci && !uniparental; ++l) {
    const auto lu = static_cast<std::size_t>(l);
    uniparental = sel().LocSel[lu] == 1 && sel().inheritance(static_cast<int>(lu)) != Inheritance::BiParental;
  }
  // Only the generator that copies the maternal locus as it stands fits uniparental loci.
  if (uniparental) o.setGenerator(SimGenerator::AllelesHap);
  for (SimGenerator g : kSimGenerators)
    get<OptionButton>(generatorButton(g)).enabled = (g == SimGenerator::AllelesHap) == uniparental;
  get<OptionButton>(generatorButton(o.generator())).setValue(true);

  if (o.criterion() == ExclusionCriterion::Unset || sel().countSelectedPops() < 3)
    o.setCriterion(ExclusionCriterion::Lod1);
  showCriterion();

  show("Text1", o.MinFreqMiss);
  show("Text2", o.NSimGroups);
  get<TextBox>("Text3").setText("0");
  if (o.SelfGroupSize == 0) {
    o.SelfGroupSize = 1;
    long long total = 0;
    for (int p = 1; p <= ds().NPop; ++p) total += ds().NInd[static_cast<std::size_t>(p)];
    o.SelfNTests = total < 1 ? 1 : static_cast<int>(std::min<long long>(total, INT_MAX));
  }
  show("Text4", o.SelfGroupSize);
  show("Text5", o.SelfNTests);
  if (o.WeightMat == 0 && o.WeightBip == 0) o.WeightBip = o.WeightMat = 0.5;
  show("Text7", o.WeightBip);
  show("Text8", o.WeightMat);
  if (o.MinBipLoci == 0) o.MinBipLoci = 1;
  show("Text9", o.MinBipLoci);
}

bool frmAssGr::readyToRun(const std::function<Refusal()>& checks) {
  Refusal refused;
  if (!runGuarded(app, [&] { refused = checks(); })) return false;
  if (!refused) return true;
  message(refused.message());
  return false;
}

void frmAssGr::runLocked(const std::string& progressBox,
                         const std::function<Refusal(const ProgressFn& show, const Selection& sel)>& calculation) {
  BusyGuard busy(flags(), sel(), BusyGuard::SelectionAtEnd::Restored);
  if (!busy.acquired()) return;
  running_ = true;
  // Cleared on every way out, also when the run throws.
  struct Release {
    frmAssGr& w;
    ~Release() { w.running_ = false; }
  } release{*this};
  Refusal refused;
  RunProgressBox progress(get<TextBox>(progressBox));
  // A run that does not complete (stopped, failed or thrown) leaves the result file as it was.
  if (!runGuarded(app, [&] { refused = calculation(progress.sink(), busy.selection()); }, &running_)) {
    progress.showStopped();
    return;
  }
  if (refused) {
    message(refused.message());
    return;
  }
  backToMain();
}

void frmAssGr::Command2_Click() {
  if (locked()) return;
  // In the order the user meets them; a refusal writes nothing and sets no flag.
  if (!readyToRun([this] { return assignmentRefusal(model()); })) return;
  if (refusedForMemory(app, assignmentTableNeeds(model(), opt()))) return;
  runLocked("Text3", [this](const ProgressFn& show, const Selection& sel) {
    const RunContext context = runContextOf(app.services, show);
    AssignmentRun run(assignmentInput(model(), sel), context);
    if (Refusal refused = runToReport(run)) return refused;
    completeAssignment(model(), run);
    app.assignment = std::move(run.results);
    return Refusal();
  });
}

void frmAssGr::Command4_Click() {
  if (locked()) return;
  if (!readyToRun([this] { return selfAssignmentRefusal(model(), opt()); })) return;
  runLocked("Text6", [this](const ProgressFn& show, const Selection& sel) {
    const RunContext context = runContextOf(app.services, show);
    SelfAssignmentRun run(assignmentInput(model(), sel), context);
    if (Refusal refused = runToReport(run)) return refused;
    completeSelfAssignment(model(), run);
    return Refusal();
  });
}

}  // namespace kiwora
