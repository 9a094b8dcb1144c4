#include "ui/frmStart.h"

#include <filesystem>

#include "base/version.h"
#include "files/assignment_files.h"
#include "files/input_file.h"
#include "files/result_file.h"
#include "files/result_lock.h"
#include "ui/export_commands.h"
#include "ui/guarded_run.h"
#include "ui/result_file_ready.h"

namespace kiwora {

frmStart::frmStart(App& a) : AppWindow(a, "frmStart", "Kiwora/ Start") {
  addPicture("Picture1", "Kiwora 2021");
  addLabel("Label2", std::string("Version ") + kVersion);
  addLabel("Label1", "Last changed: 21/01/2022");

  addMenu("File", "&File");
  addMenuItem("OpenPopGen", "&Open input file for analysis of population data", "File").onClick = [this] { OpenPopGen_Click(); };
  addMenuItem("OpenRefFile", "Open file with &reference pops for assignment", "File").onClick = [this] { OpenRefFile_Click(); };
  addMenuItem("OpenTestFile", "Open &file with test groups for assignment", "File").onClick = [this] { OpenTestFile_Click(); };
  addMenuItem("importTable", "Import table to create an input file", "File").onClick = [this] {
    openTask("frmImport");
  };
  addMenuItem("Save_As_Kiwora", "Save selected loci and populations as input file for Kiwora", "File").onClick = [this] {
    runGuarded(app, [this] { kiwora::Save_As_Kiwora(app); });
  };
  addMenuItem("Save_AS_Tarn", "Save selected loci and populations as input file for Tarn", "File").onClick = [this] {
    runGuarded(app, [this] { kiwora::Save_AS_Tarn(app); });
  };
  addMenuItem("End", "&End", "File").onClick = [this] { app.forms.end(); };

  addMenu("Analysis", "&Analysis");
  addMenuItem("Es", "&Select populations", "Analysis").onClick = [this] { openTask("frmSelPop"); };
  addMenuItem("EL", "Sel&ect loci", "Analysis").onClick = [this] { openTask("frmSelloc"); };
  addMenuItem("Mode_inheritance", "Mode of inheritance", "Analysis").onClick = [this] {
    openTask("frm_ModeL");
  };
  addMenuItem("Diploid", "Analysis of &population data", "Analysis").onClick = [this] {
    if (ds().InFileName.empty()) {
      message("No data for analysis! Open input data!");
      return;
    }
    openTask("frmDiplo");
  };
  addMenuItem("AssisgnmentGr", "Assignment", "Analysis").onClick = [this] {
    if (ds().RefFileName.empty()) {
      message("Open reference file first!");
      return;
    }
    if (ds().TestFileName.empty()) {
      message("Open test file first!");
      return;
    }
    openTask("frmAssGr");
  };

  addMenu("Test", "&Tests");
  addMenuItem("WS", "&Within populations", "Test").onClick = [this] {
    if (ds().NPop > 0) openTask("frmWTest");
  };
  addMenuItem("BTS", "&Between two populations", "Test").onClick = [this] {
    if (ds().NPop == 0) return;
    // The test resets this at its end; a window that is not there must not leave it set.
    if (app.forms.knows("frmTest")) flags().NoSortMLG = 1;
    openTask("frmTest");
  };
  addMenuItem("BAS", "B&etween all populations", "Test").onClick = [this] {
    openTask("frmTest_all");
  };

  addMenu("Results", "&Results");
  addMenuItem("OutPutPast", "Save results of allele frquencies as csv-file", "Results").onClick = [this] {
    runGuarded(app, [this] { kiwora::OutPutPast(app); });
  };
  addMenuItem("exTarn", "Save allele frequencies as input file for Tarn", "Results").onClick = [this] {
    runGuarded(app, [this] { kiwora::exTarn(app); });
  };
  addMenuItem("Editor", "&Editor", "Results").onClick = [this] { app.services.startEditor(editorFile()); };

  addMenu("Help", "&Help");
  addMenuItem("FormatAscii", "Format of ASCII input file", "Help").onClick = [this] { app.forms.show("frmFormat"); };
  addMenuItem("about", "About", "Help").onClick = [this] { app.forms.show("frmAbout"); };
}

void frmStart::setMenu(const std::string& name, bool enabled) {
  if (Control* c = find(name)) c->enabled = enabled;
}

void frmStart::Form_Load() {
  const WorkflowFlags& f = flags();
  if (f.TestLoaded == 0 && f.DataLoaded == 0)
    for (const char* n : {"Analysis", "Results", "Test", "Save_As_Kiwora", "Save_AS_Tarn"}) setMenu(n, false);
  if (f.CanTestWithin != 1 && f.CanTestTwo != 1 && f.CanTestAll != 1) setMenu("Test", false);
  flags().Busy = 0;
  if (f.AssignRunDone != 1 && f.AnalysisDone != 1) setMenu("Results", false);
  if (f.TestLoaded == 1)
    for (const char* n : {"Test", "Save_As_Kiwora", "Save_AS_Tarn", "Diploid", "Es", "exTarn", "OutPutPast"}) setMenu(n, false);
  if (f.TestLoaded == 0) setMenu("Mode_inheritance", false);
  if (f.DataLoaded == 1) {
    setMenu("AssisgnmentGr", false);
    if (f.AnalysisDone == 1) {
      setMenu("WS", f.CanTestWithin == 1);
      setMenu("BTS", f.CanTestTwo == 1);
      setMenu("BAS", f.CanTestAll == 1);
    }
  }
}

std::string frmStart::editorFile() const {
  // The input file's results, or the assignment's when the user has only those; none: a bare editor.
  for (const std::string* path : {&app.model.ds.OutFileName, &app.model.assignFile.AssignOutFile}) {
    std::error_code ec;
    if (!path->empty() && std::filesystem::is_regular_file(*path, ec)) return *path;
  }
  return {};
}

void frmStart::openTask(const std::string& window) {
  app.forms.show(window);
  app.forms.unload(name());
}

void frmStart::OpenPopGen_Click() {
  const std::string path = app.services.openFileDialog("Open input file for analysis of population data");
  if (path.empty()) return;
  runGuarded(app, [&] { loadInputFile(path); });
}

bool frmStart::readPopulationFile(const std::string& path, DataSet& next, Selection& nextSel) {
  const ParseResult parsed = readInputFileInto(path, next, nextSel);
  if (!parsed.ok()) message(parsed.message());
  return parsed.ok();
}

void frmStart::loadInputFile(const std::string& path) {
  // The new data replace the loaded ones only once the whole file has been read.
  DataSet next;
  Selection nextSel;
  if (!readPopulationFile(path, next, nextSel)) return;
  const std::string outPath = resultFileName(path);
  if (!resultPathUsable(outPath)) {
    // The input file is fine: say what stands in the way, so the user moves it instead of mending the data.
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(outPath, ec);
    message("The input file " + path + " was not opened: its result file " + outPath +
            (folder ? " is a folder" : " is not a regular file (a pipe or a device)") +
            ", so no results could be written to it. Move it away, or rename the input file, and open it again.");
    return;
  }

  DataSet& cur = ds();
  carryOverFromLoaded(cur, sel(), next, nextSel);
  next.InFileName = path;
  next.OutFileName = outPath;
  cur = std::move(next);
  sel() = std::move(nextSel);
  app.analysis = AnalysisResults{};

  WorkflowFlags& f = flags();
  f.DataLoaded = 1;
  f.TestLoaded = 0;
  f.AnalysisDone = 0;
  for (const char* n : {"Analysis", "Es", "EL", "Diploid", "Save_AS_Tarn"}) setMenu(n, true);
  for (const char* n : {"OpenRefFile", "OpenTestFile", "Mode_inheritance", "AssisgnmentGr", "Test", "Results"})
    setMenu(n, false);

  PendingResultHeader header{cur.OutFileName, app.services.today(), cur.InFileName, cur.Title};
  model().resultHeader = {};
  model().resultFileHeader = {};
  ResultFileMark started;
  const Refusal refusal = createResultFile(header.path, header.date, header.inFileName, header.title, &started);
  if (!refusal) {
    noteResultFileHeader(model(), std::move(started));
  } else {
    // The file keeps whatever it held (another load's results, or nothing): runs must not append to it
    // until this load's header block stands at its head.
    model().resultHeader = std::move(header);
    message("The data are loaded, but the result file " + cur.OutFileName + " cannot be created (" +
            refusal.message() + "). Results cannot be saved until it can be written.");
  }
}

void frmStart::OpenRefFile_Click() {
  const std::string path = app.services.openFileDialog("Open file with reference pops for assignment");
  if (path.empty()) {
    ds().RefFileName.clear();
    return;
  }
  runGuarded(app, [&] { loadReferenceFile(path); });
}

void frmStart::loadReferenceFile(const std::string& path) {
  // Built beside the loaded data and swapped in at the end, so a refused file changes nothing.
  DataSet next;
  Selection nextSel;
  if (!readPopulationFile(path, next, nextSel)) return;
  carryOverFromLoaded(ds(), sel(), next, nextSel);
  next.RefFileName = path;
  ReferenceWithGroups taken = referenceWithTestGroups(std::move(next), std::move(nextSel), model().test, flags().TestLoaded == 1);
  const bool dropped = taken.groupsDropped;
  ds() = std::move(taken.ds);
  sel() = std::move(taken.sel);
  model().test = std::move(taken.test);
  app.analysis = AnalysisResults{};
  // An assignment result file that is no longer as the last run left it is started afresh by the next run
  // (under the same name), as the message that refused a run told the user.
  AssignmentFileState& file = model().assignFile;
  if (!file.AssignOutFile.empty()) {
    ResultFileMark now;
    bool under = false;
    if (markResultFile(file.AssignOutFile, now, &file.written, &under) || !under) file.startAfresh = true;
  }

  message(kReferenceReadMessage);
  WorkflowFlags& f = flags();
  f.DataLoaded = 0;
  f.AnalysisDone = 0;
  f.AssignRunDone = 0;
  if (dropped) {
    f.TestLoaded = 0;
    message(kGroupsDroppedMessage);
  }
  if (!ds().RefFileName.empty() && !ds().TestFileName.empty())
    for (const char* n : {"Analysis", "AssisgnmentGr"}) setMenu(n, true);
  for (const char* n : {"OpenPopGen", "Diploid", "Save_AS_Tarn", "Test", "Results"}) setMenu(n, false);
  for (const char* n : {"Mode_inheritance", "Es"}) setMenu(n, true);
}

void frmStart::OpenTestFile_Click() {
  const std::string path = app.services.openFileDialog("Open file with test groups for assignment");
  if (path.empty()) {
    ds().TestFileName.clear();
    return;
  }
  runGuarded(app, [&] { loadTestGroupFile(path); });
}

void frmStart::loadTestGroupFile(const std::string& path) {
  // The groups are checked against the loaded data set, which must be the reference populations: an
  // input file read since then keeps RefFileName but replaces the data.
  if (ds().RefFileName.empty() || flags().DataLoaded == 1) {
    message(kNoReferenceMessage);
    return;
  }
  TestGroupRead read;
  if (const Refusal refused = readTestGroupFile(path, ds(), sel(), model().test, read)) {
    message(refused.message());
    return;
  }
  installTestGroups(std::move(read), ds(), sel(), model().test);
  ds().TestFileName = path;

  setMenu("Analysis", true);
  message(kTestReadMessage);
  WorkflowFlags& f = flags();
  f.TestLoaded = 1;
  f.DataLoaded = 0;
  f.AnalysisDone = 0;
  f.AssignRunDone = 0;
  for (const char* n : {"Test", "Results"}) setMenu(n, false);
  for (const char* n : {"Mode_inheritance", "Es", "AssisgnmentGr"}) setMenu(n, true);
}

}  // namespace kiwora
