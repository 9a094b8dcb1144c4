// The window of the input file's format, which opens beside the main window.
#include "ui/app_window.h"

namespace kiwora {
namespace {

class frmFormat : public AppWindow {
 public:
  explicit frmFormat(App& a) : AppWindow(a, "frmFormat", "Format of ASCII Input File") {
    addPicture("Picture1",
               "Demo Populations              <- title\n"
               "3                             <- number of populations\n"
               "5                             <- number of loci\n"
               "4                             <- largest allele code\n"
               "SNP_001                       <- name of the first locus\n"
               "SNP_002\n"
               "SNP_003\n"
               "SNP_004\n"
               "SNP_005\n"
               "Pop_1,28.0252,53.8763         <- population: name, X, Y\n"
               "3,3,3,3,2,2,3,3,-1,-1         <- first allele of the first locus ... missing allele (-1)\n"
               "3,3,4,3,2,2,3,3,-1,2\n"
               "3,3,4,4,2,2,3,3,2,2\n"
               "                              <- empty line between two populations\n"
               "Pop_2,23.7928,53.6858\n"
               "3,3,4,3,2,2,3,3,2,2\n"
               "3,3,4,3,2,2,3,3,2,2\n"
               "3,3,4,3,2,2,3,3,2,2\n"
               "\n"
               "Pop_3,46.4746,52.455\n"
               "3,3,4,3,2,2,3,3,2,2\n"
               "3,3,4,3,2,2,3,3,2,2\n"
               "3,3,4,4,2,2,3,3,2,2\n"
               "END                           <- end of the data set");
    addButton("Command1", "Go back").onClick = [this] { app.forms.unload(name()); };
    apartFromRuns = true;
    besideMain = true;
  }
};

}  // namespace

void registerFormatWindow(App& app) {
  app.forms.registerWindow("frmFormat", [&app](Forms&) { return std::make_unique<frmFormat>(app); });
}

}  // namespace kiwora
