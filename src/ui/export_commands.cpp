#include "ui/export_commands.h"

#include "files/frequency_export.h"
#include "files/input_writer.h"
#include "files/tarn_export.h"

namespace kiwora {

void saveThroughDialog(App& app, const std::string& title,
                       const std::function<Refusal(const std::string& path)>& write) {
  // Where the file could not be written, the dialog comes back at the path the user chose, so that only
  // the folder or the name needs mending.
  for (std::string proposed;;) {
    const std::string path = app.services.saveFileDialog(title, proposed);
    if (path.empty()) return;
    // A failure other than the file's (already reported) ends the command.
    const Refusal refusal = write(path);
    if (!refusal) return;
    app.message(refusal.message());
    proposed = path;
  }
}

void Save_As_Kiwora(App& app) {
  const ParsedInput in = selectedInput(app.model.ds, app.model.sel);
  // Refused before the dialog: a file without populations or loci would not read back.
  if (in.nPop < 1 || in.nLoci < 1) {
    app.message(in.nPop < 1 ? kNoPopulationToSave : kNoLocusToSave);
    return;
  }
  saveThroughDialog(app, "Save selected loci and populations as input file for Kiwora",
                    [&](const std::string& path) {
                      app.model.ds.SaveFileName = path;
                      return saveInputFile(path, in);
                    });
}

void Save_AS_Tarn(App& app) {
  saveThroughDialog(app, "Save selected loci and populations as input file for Tarn",
                    [&](const std::string& path) {
                      app.model.ds.SaveFileName = path;
                      return saveTarnGenotypeFile(path, app.model.ds, app.model.sel);
                    });
}

// The two frequency exports compute nothing: they write the frequencies the last run left.
void exTarn(App& app) {
  saveThroughDialog(app, "Save allele frequencies as input file for Tarn", [&](const std::string& path) {
    app.model.ds.FreqFileName = path;
    return saveTarnFrequencyFile(path, app.model.ds, app.model.sel, app.analysis.alleles.AlleleFreq);
  });
}

void OutPutPast(App& app) {
  saveThroughDialog(app, "Save results of allele frquencies as csv-file", [&](const std::string& path) {
    return saveAlleleFrequencyTable(path, app.model.ds, app.model.sel, app.analysis.alleles.AlleleFreq,
                                    app.services.decimalSign());
  });
}

}  // namespace kiwora
