#include "ui/export_commands.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "files/frequency_export.h"
#include "files/input_writer.h"
#include "files/tarn_export.h"

namespace kiwora {

namespace {

namespace fs = std::filesystem;

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

std::string sessionResultFileAt(const Model& m, const std::string& path) {
  // The name itself, not what a link there leads to: a file saved there replaces the link.
  struct stat named {};
  const bool exists = ::lstat(path.c_str(), &named) == 0;
  std::error_code ec;
  const fs::path chosen = fs::absolute(path, ec).lexically_normal();
  for (const std::string* result : {&m.ds.OutFileName, &m.assignFile.AssignOutFile}) {
    if (result->empty()) continue;
    struct stat st {};
    if (exists && ::stat(result->c_str(), &st) == 0 && sameFile(named, st)) return *result;
    std::error_code ec2;
    if (!ec && fs::absolute(*result, ec2).lexically_normal() == chosen && !ec2) return *result;
  }
  return {};
}

void saveThroughDialog(App& app, const std::string& title,
                       const std::function<Refusal(const std::string& path)>& write) {
  // Where the file could not be written, the dialog comes back at the path the user chose, so that only
  // the folder or the name needs mending.
  for (std::string proposed;;) {
    const std::string path = app.services.saveFileDialog(title, proposed);
    if (path.empty()) return;
    // The session's result files take the runs' results: a file saved over one would throw them away,
    // and every later run would be refused.
    if (const std::string result = sessionResultFileAt(app.model, path); !result.empty()) {
      app.message("The file " + path + " is the result file " + result +
                  " of this session: saving there would replace its results. Nothing was saved; choose another name.");
      proposed = path;
      continue;
    }
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
