#include "ui/export_commands.h"

#include "files/frequency_export.h"
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
  const std::string path = app.services.saveFileDialog("Save selected loci and populations as input file for Kiwora");
  if (path.empty()) return;
  app.model.ds.SaveFileName = path;
  std::string problem;
  if (!saveInputFile(path, in, problem)) app.message(problem);
}

void Save_AS_Tarn(App& app) {
  const std::string path = app.services.saveFileDialog("Save selected loci and populations as input file for Tarn");
  if (path.empty()) return;
  app.model.ds.SaveFileName = path;
  std::string problem;
  if (!saveTarnGenotypeFile(path, app.model.ds, app.model.sel, problem)) app.message(problem);
}

// The two frequency exports compute nothing: they write the frequencies the last run left.
void exTarn(App& app) {
  const std::string path = app.services.saveFileDialog("Save allele frequencies as input file for Tarn");
  if (path.empty()) return;
  app.model.ds.FreqFileName = path;
  std::string problem;
  if (!saveTarnFrequencyFile(path, app.model.ds, app.model.sel, app.analysis.alleles.AlleleFreq, problem))
    app.message(problem);
}

void OutPutPast(App& app) {
  const std::string path = app.services.saveFileDialog("Save results of allele frquencies as csv-file");
  if (path.empty()) return;
  std::string problem;
  if (!saveAlleleFrequencyTable(path, app.model.ds, app.model.sel, app.analysis.alleles.AlleleFreq,
                                app.services.decimalSign(), problem))
    app.message(problem);
}

}  // namespace kiwora
