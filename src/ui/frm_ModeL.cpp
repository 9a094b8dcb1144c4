#include "ui/frm_ModeL.h"

#include <cmath>

#include "files/text_writer.h"

namespace kiwora {
namespace {

constexpr int kBiParental = static_cast<int>(Inheritance::BiParental), kMaternal = static_cast<int>(Inheritance::Maternal),
              kPaternal = static_cast<int>(Inheritance::Paternal);
// Each mode keeps its colour in captions and entries: bi-parental blue, maternal red, paternal green.
constexpr const char* kBlue = "#0000c0";
constexpr const char* kRed = "#c00000";
constexpr const char* kGreen = "#007000";

std::string entry(int l, const std::string& name) { return std::to_string(l) + "  - " + name; }

}  // namespace

frm_ModeL::frm_ModeL(App& a) : AppWindow(a, "frm_ModeL", "Define mode of inheritance") {
  // Left to right: paternal, its two arrows, bi-parental, its two arrows, maternal; each arrow points to
  // the list it moves the picked locus into.
  addFrame("Frame3", "Paternally").colour = kGreen;
  auto& list3 = addList("List3", "Frame3");
  list3.onClick = [this] { pick(get<ListBox>("List3")); };
  list3.colour = kGreen;
  addButton("Command4", "<").onClick = [this] { moveTo(kPaternal); };
  addButton("Command5", ">").onClick = [this] { moveTo(kBiParental); };
  addFrame("Frame1", "Bi-parentally").colour = kBlue;
  auto& list1 = addList("List1", "Frame1");
  list1.onClick = [this] { pick(get<ListBox>("List1")); };
  list1.colour = kBlue;
  addButton("Command1", ">").onClick = [this] { moveTo(kMaternal); };
  addButton("Command2", "<").onClick = [this] { moveTo(kBiParental); };
  addFrame("Frame2", "Maternally").colour = kRed;
  auto& list2 = addList("List2", "Frame2");
  list2.onClick = [this] { pick(get<ListBox>("List2")); };
  list2.colour = kRed;

  // Each box runs its action on every change of its tick, also when another box's action unticks it.
  // The three stand one below the other under the middle list.
  auto& check1 = addCheck("Check1", "All loci maternally inherited");
  check1.onClick = [this] { allLoci(kMaternal, get<CheckBox>("Check2")); };
  check1.colour = kRed;
  auto& check2 = addCheck("Check2", "All loci bi-parentally inherited");
  check2.onClick = [this] { allLoci(kBiParental, get<CheckBox>("Check1")); };
  check2.colour = kBlue;
  auto& check3 = addCheck("Check3", "All loci parentally inherited");
  check3.onClick = [this] { allLoci(kPaternal, get<CheckBox>("Check3")); };
  check3.colour = kGreen;
  for (CheckBox* c : {&check1, &check2, &check3}) c->under = "Frame1";
  auto& back = addButton("Command3", "Go back");
  back.onClick = [this] { backToMain(); };
  back.barLeft = true;
}

void frm_ModeL::Form_Load() { listLoci(); }

ListBox& frm_ModeL::listOf(int mode) {
  return get<ListBox>(mode == kMaternal ? "List2" : mode == kPaternal ? "List3" : "List1");
}

void frm_ModeL::listLoci() {
  for (int mode : {kBiParental, kMaternal, kPaternal}) listOf(mode).clear();
  const Selection& s = sel();
  for (int l = 1; l <= ds().NLoci; ++l) {
    const auto i = static_cast<std::size_t>(l);
    if (s.LocSel[i] != 1) continue;
    const int mode = s.LocMode[i];
    if (mode == kBiParental || mode == kMaternal || mode == kPaternal) listOf(mode).addItem(entry(l, ds().LocName[i]));
  }
}

void frm_ModeL::pick(const ListBox& list) {
  // The locus number stands before "  - "; the locus name after it may begin with digits too.
  const double n = leadingNumber(list.text());
  PickedLocus = n >= 1 && n <= ds().NLoci ? static_cast<int>(std::floor(n)) : 0;
}

void frm_ModeL::moveTo(int mode) {
  // Before the first click no locus is picked and nothing moves; the lists are rebuilt all the same.
  if (PickedLocus >= 1 && PickedLocus <= ds().NLoci) sel().LocMode[static_cast<std::size_t>(PickedLocus)] = mode;
  flags().LociChanged = 1;
  listLoci();
}

void frm_ModeL::allLoci(int mode, CheckBox& untick) {
  for (int m : {kBiParental, kMaternal, kPaternal}) listOf(m).clear();
  flags().LociChanged = 1;
  Selection& s = sel();
  for (int l = 1; l <= ds().NLoci; ++l) {
    const auto i = static_cast<std::size_t>(l);
    if (s.LocSel[i] != 1) continue;
    s.LocMode[i] = mode;
    listOf(mode).addItem(entry(l, ds().LocName[i]));
  }
  untick.setValue(0);
}

}  // namespace kiwora
