#include "ui/frmSelPop.h"

#include <cmath>

#include "files/text_writer.h"
#include "base/random_draw.h"

namespace kiwora {

frmSelPop::frmSelPop(App& a) : AppWindow(a, "frmSelPop", "Select populations") {
  addFrame("Frame1", "Selected populations");
  addList("List1", "Frame1").onClick = [this] {
    PickedSelected = static_cast<int>(leadingNumber(get<ListBox>("List1").text()));
  };
  addFrame("Frame2", "Excluded populations");
  addList("List2", "Frame2").onClick = [this] {
    PickedExcluded = static_cast<int>(leadingNumber(get<ListBox>("List2").text()));
  };
  addButton("Command1", ">").onClick = [this] { movePop(PickedSelected, 0); };
  addButton("Command2", "<").onClick = [this] { movePop(PickedExcluded, 1); };

  // Each box unticks the other, which runs the other's action in turn: the box clicked last wins and
  // both end unticked.
  addCheck("Check1", "Exclude all populations").onClick = [this] { setAll(0, "Check2"); };
  addCheck("Check2", "Include all populations").onClick = [this] { setAll(1, "Check1"); };

  addFrame("Frame3", "Selection of pops according to sample sizes");
  addLabel("Label1", "Minimum sample size of included pops", "Frame3");
  addText("Text1", "Frame3").onChange = [this] { sel().MinSampleSize = leadingNumber(get<TextBox>("Text1").text()); };
  addCheck("Check3", "Create equal sample size by random reduction", "Frame3").onClick = [this] {
    sel().EqualSizeFlag = get<CheckBox>("Check3").value() ? 1 : 0;
  };
  addButton("Command4", "OK", "Frame3").onClick = [this] { applySampleSize(); };

  addButton("Command3", "Go back").onClick = [this] { backToMain(); };
}

void frmSelPop::Form_Load() {
  if (sel().MinSampleSize == 0) sel().MinSampleSize = 1;
  get<TextBox>("Text1").setText(joinedNumber(sel().MinSampleSize));
  if (sel().EqualSizeFlag == 1) get<CheckBox>("Check3").setValue(1);
  rebuildLists();
}

void frmSelPop::rebuildLists() {
  ListBox& selected = get<ListBox>("List1");
  ListBox& excluded = get<ListBox>("List2");
  selected.clear();
  excluded.clear();
  const Vec1<int>& popSel = sel().PopSel;
  for (int p = 1; p <= ds().NPop; ++p) {
    const bool on = static_cast<std::size_t>(p) < popSel.size() && popSel[static_cast<std::size_t>(p)] == 1;
    (on ? selected : excluded).addItem(std::to_string(p) + " - " + ds().PopName[static_cast<std::size_t>(p)]);
  }
}

void frmSelPop::setPop(int p, int value) {
  // Index 0 (nothing picked yet) carries no population.
  if (p >= 1 && p <= ds().NPop && static_cast<std::size_t>(p) < sel().PopSel.size())
    sel().PopSel[static_cast<std::size_t>(p)] = value;
}

void frmSelPop::movePop(int picked, int value) {
  setPop(picked, value);
  rebuildLists();
  flags().PopSelChanged = 1;
}

void frmSelPop::setAll(int value, const char* otherBox) {
  for (int p = 1; p <= ds().NPop; ++p) setPop(p, value);
  rebuildLists();
  get<CheckBox>(otherBox).setValue(0);
  flags().PopSelChanged = 1;
}

void frmSelPop::applySampleSize() {
  for (int p = 1; p <= ds().NPop; ++p)
    if (ds().NInd[static_cast<std::size_t>(p)] < sel().MinSampleSize) setPop(p, 0);
  if (sel().EqualSizeFlag == 1) reduceToEqualSize();
  rebuildLists();
}

void frmSelPop::reduceToEqualSize() {
  const double minimum = sel().MinSampleSize;
  auto& indSel = sel().IndSel;
  // IndSel may still have the shape of other data than NPop and NInd (read before reference populations
  // replaced them): every reduced row is rewritten at the size of its population, never indexed beyond it.
  if (indSel.size() < static_cast<std::size_t>(ds().NPop) + 1) indSel.resize(static_cast<std::size_t>(ds().NPop) + 1);
  // Seeded like every run: from the clock, or from the script's fixed seed.
  Random rng(app.services.clockSeed());
  for (int p = 1; p <= ds().NPop; ++p) {
    const int n = ds().NInd[static_cast<std::size_t>(p)];
    if (static_cast<std::size_t>(p) >= sel().PopSel.size() || sel().PopSel[static_cast<std::size_t>(p)] != 1) continue;
    if (!(n > minimum)) continue;
    // Part of an individual counts as a whole one; n > minimum leaves enough individuals to draw from.
    const int keep = minimum <= 0 ? 0 : static_cast<int>(std::ceil(minimum));
    const auto row = indSel[static_cast<std::size_t>(p)];
    row = makeVec1<int>(n, 0);
    for (int j : drawDistinct(rng, n, keep)) row[static_cast<std::size_t>(j)] = 1;
  }
}

}  // namespace kiwora
