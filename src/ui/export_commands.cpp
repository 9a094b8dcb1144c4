#include "ui/export_commands.h"

#include "files/input_writer.h"
#include "files/tarn_export.h"

namespace kiwora {

void Save_As_Kiwora(App& app) {
  const ParsedInput in = selectedInput(app.model.ds, app.model.sel);
  // Refused before the dialog: a file without populations or loci would not read back.
  if (in.nPop < 1 || in.nLoci < 1) {
    app.message(in.nPop < 1 ? kNoPopulationToSave : kNoLocusToSave);
    return;
  }
  const std::string path = app.services.openFileDialog("Save selected loci and populations as input file for Kiwora");
  if (path.empty()) return;
  app.model.ds.SaveFileName = path;
  std::string problem;
  if (!saveInputFile(path, in, problem)) app.message(problem);
}

void Save_AS_Tarn(App& app) {
  const std::string path = app.services.openFileDialog("Save selected loci and populations as input file for Tarn");
  if (path.empty()) return;
  app.model.ds.SaveFileName = path;
  std::string problem;
  if (!saveTarnGenotypeFile(path, app.model.ds, app.model.sel, problem)) app.message(problem);
}

}  // namespace kiwora
