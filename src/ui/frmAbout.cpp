// The About window, which opens beside the main window.
#include "base/version.h"
#include "ui/app_window.h"

namespace kiwora {
namespace {

class frmAbout : public AppWindow {
 public:
  explicit frmAbout(App& a) : AppWindow(a, "frmAbout", "About Kiwora") {
    addLabel("Label1", std::string("Kiwora, version ") + kVersion);
    addLabel("Label2",
             "Analysis of population-genetic data: allele and genotype frequencies, diversity and "
             "heterozygosity, genetic distances and differentiation, clustering, spatial structure, kinship, "
             "permutation tests, and the assignment or exclusion of test groups.");
    addLabel("Label3", "Developed by the Kiwora developers.");
    addButton("Command1", "OK").onClick = [this] { app.forms.unload(name()); };
    escapeButton = "Command1";
    apartFromRuns = true;
    besideMain = true;
  }
};

}  // namespace

void registerAboutWindow(App& app) {
  app.forms.registerWindow("frmAbout", [&app](Forms&) { return std::make_unique<frmAbout>(app); });
}

}  // namespace kiwora
