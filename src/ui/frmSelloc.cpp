#include "ui/frmSelloc.h"

#include <algorithm>
#include <cmath>

#include "files/input_file.h"
#include "files/loci_selection_file.h"
#include "files/text_writer.h"
#include "base/random_draw.h"
#include "ui/guarded_run.h"

namespace kiwora {

frmSelloc::frmSelloc(App& a) : AppWindow(a, "frmSelloc", "Select loci") {
  addMenu("File", "&File");
  addMenuItem("File_Select_Loci", "OPen File to Select Loci", "File").onClick = [this] { File_Select_Loci_Click(); };

  addFrame("Frame1", "Selected loci");
  addList("List1", "Frame1").onClick = [this] {
    PickedSelected = static_cast<int>(leadingNumber(get<ListBox>("List1").text()));
  };
  addFrame("Frame2", "Excluded loci");
  addList("List2", "Frame2").onClick = [this] {
    PickedExcluded = static_cast<int>(leadingNumber(get<ListBox>("List2").text()));
  };
  addButton("Command1", ">").onClick = [this] { moveLocus(PickedSelected, 0); };
  addButton("Command2", "<").onClick = [this] { moveLocus(PickedExcluded, 1); };

  // Every change of either box runs its action, whatever the new state.
  addCheck("Check1", "Exclude all loci").onClick = [this] { excludeAll(); };
  addCheck("Check2", "Include all loci").onClick = [this] { includeAll(); };

  addFrame("Frame3", "Select loci");
  addLabel("Label1", "From locus", "Frame3");
  addText("Text1", "Frame3");
  addLabel("Label2", "to locus", "Frame3");
  addText("Text2", "Frame3");
  addButton("Command4", "Include").onClick = [this] { applyRange(1); };
  addButton("Command5", "Exclude").onClick = [this] { applyRange(0); };

  addFrame("Frame4", "Random selection of loci");
  addLabel("Label3", "N loci =", "Frame4");
  addText("Text3", "Frame4").onChange = [this] {
    model().locusSelection.NRandLoci = leadingNumber(get<TextBox>("Text3").text());
  };
  addButton("Command6", "Select loci", "Frame4").onClick = [this] { randomSelection(); };

  addButton("Command3", "Go back").onClick = [this] { backToMain(); };
}

void frmSelloc::Form_Load() {
  rebuildLists();
  double& n = model().locusSelection.NRandLoci;
  if (n == 0) n = 1;
  get<TextBox>("Text3").setText(joinedNumber(n));
}

void frmSelloc::rebuildLists() {
  ListBox& selected = get<ListBox>("List1");
  ListBox& excluded = get<ListBox>("List2");
  selected.clear();
  excluded.clear();
  const Vec1<int>& locSel = sel().LocSel;
  for (int l = 1; l <= ds().NLoci; ++l) {
    const bool on = static_cast<std::size_t>(l) < locSel.size() && locSel[static_cast<std::size_t>(l)] == 1;
    (on ? selected : excluded).addItem(std::to_string(l) + "  - " + ds().LocName[static_cast<std::size_t>(l)]);
  }
}

void frmSelloc::selectionChanged() {
  flags().LociChanged = 1;
  flags().LocSelChanged = 1;
}

void frmSelloc::setLocus(int l, int value) {
  // Index 0 (nothing picked yet, or an empty range box) carries no locus.
  if (l >= 1 && l <= ds().NLoci && static_cast<std::size_t>(l) < sel().LocSel.size()) {
    sel().LocSel[static_cast<std::size_t>(l)] = value;
    // The user's choice at the locus: a later test-group file no longer selects it again.
    Vec1<int>& noData = model().test.LocDeselectedNoData;
    if (static_cast<std::size_t>(l) < noData.size()) noData[static_cast<std::size_t>(l)] = 0;
  }
}

void frmSelloc::moveLocus(int picked, int value) {
  setLocus(picked, value);
  rebuildLists();
  selectionChanged();
}

void frmSelloc::excludeAll() {
  for (int l = 1; l <= ds().NLoci; ++l) setLocus(l, 0);
  rebuildLists();
  selectionChanged();
}

void frmSelloc::includeAll() {
  // Loci without data in some population stay as they are; the lists show every locus by its LocSel,
  // so a locus included earlier by hand is never listed as excluded.
  const Vec1<int>& avail = sel().LocAvail;
  for (int l = 1; l <= ds().NLoci; ++l)
    if (static_cast<std::size_t>(l) < avail.size() && avail[static_cast<std::size_t>(l)] == 1) setLocus(l, 1);
  rebuildLists();
  get<CheckBox>("Check1").setValueSilently(0);
  selectionChanged();
}

void frmSelloc::applyRange(int value) {
  double first = leadingNumber(get<TextBox>("Text1").text());
  double last = leadingNumber(get<TextBox>("Text2").text());
  // Only loci 1..NLoci exist: bounds beyond them are taken at the nearest end.
  first = std::max(first, 1.0);
  last = std::min(last, static_cast<double>(ds().NLoci));
  for (double l = first; l <= last; l += 1) setLocus(static_cast<int>(std::nearbyint(l)), value);
  rebuildLists();
  selectionChanged();
}

void frmSelloc::randomSelection() {
  const int nLoci = ds().NLoci;
  const double wanted = model().locusSelection.NRandLoci;
  // A part of a locus counts as a whole one; more loci than exist means all of them.
  const int count = wanted <= 0 ? 0 : wanted >= nLoci ? nLoci : static_cast<int>(std::ceil(wanted));
  // Seeded like every run: from the clock, or from the script's fixed seed.
  Random rng(app.services.clockSeed());
  for (int l = 1; l <= nLoci; ++l) setLocus(l, 0);
  for (int l : drawDistinct(rng, nLoci, count)) setLocus(l, 1);
  rebuildLists();
}

void frmSelloc::File_Select_Loci_Click() {
  const std::string path = app.services.openFileDialog("OPen File to Select Loci");
  if (path.empty()) return;
  model().locusSelection.SelLociFileName = path;
  runGuarded(app, [&] { readLociFile(path); });
}

void frmSelloc::readLociFile(const std::string& path) {
  std::string text;
  if (!readTextFile(path, text, kLociFileRefusedMessage)) return;
  LociSelectionResult r = readLociSelection(text, ds().LocName, ds().NLoci);
  if (r.hasTitle) ds().Title = std::move(r.title);
  if (!r.ok()) {
    message(r.message());
    return;
  }
  // Like the random selection, the file leaves the workflow flags alone.
  for (int l = 1; l <= ds().NLoci; ++l) setLocus(l, r.locSel[static_cast<std::size_t>(l)]);
  rebuildLists();
}

}  // namespace kiwora
