// The import window: turns a comma-separated table of individuals into input files with one unit per
// population or per group. The import lives in its own record (Model::imported) and never touches the
// loaded data set.
#include "files/import_table.h"
#include "files/input_writer.h"
#include "ui/app_window.h"
#include "ui/export_commands.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

class frmImport : public AppWindow {
 public:
  explicit frmImport(App& a) : AppWindow(a, "frmImport", "Import Table Data") {
    addLabel("Label1", "Title");
    addText("Text1").onChange = [this] { Text1_Change(); };
    addLabel("Label2", "Number of loci");
    addText("Text2").displayOnly = true;  // shows the count; editing it changes nothing
    addLabel("Label3", "Number of individuals");
    addText("Text3").displayOnly = true;  // shows the rows read; the writers always use every row that was read
    addButton("Command2", "Import data").onClick = [this] { Command2_Click(); };
    addButton("Command1", "Go back").onClick = [this] {
      if (!importing_) backToMain();
    };
    addLabel("Label4", "Example format csv file");
    addPicture("Image1",
               "Pop,Country,Individual,Longitude,Latitude,SNP_001,SNP_001,SNP_002,SNP_002\n"
               "1,Poland,PL_1_01,21.0122,52.2297,3,3,2,-1\n"
               "1,Poland,PL_1_02,21.0122,52.2297,3,4,2,2\n"
               "2,Germany,DE_2_01,13.4050,52.5200,-1,-1,2,4\n"
               "2,Germany,DE_2_02,13.4050,52.5200,4,4,1,2");
    addMenu("file", "&File");
    addMenuItem("save_pops", "Save input file with pops", "file").onClick = [this] { save(ImportUnits::Populations); };
    addMenuItem("save_groups", "Save input files with groups", "file").onClick = [this] { save(ImportUnits::Groups); };
  }

  void Form_Load() override {
    const ImportedTable& t = imp();
    if (!t.loaded || t.title.empty()) enableSaving(false);
    showCount("Label2", "Text2", t.loaded ? t.nLoci : 0);
    showCount("Label3", "Text3", 0);
  }

 private:
  ImportedTable& imp() { return model().imported; }

  void enableSaving(bool on) {
    get<MenuItem>("save_pops").enabled = on;
    get<MenuItem>("save_groups").enabled = on;
  }

  // Shows a count in its box with its label, or hides both for 0.
  void showCount(const std::string& label, const std::string& box, int n) {
    get<TextBox>(box).setText(n > 0 ? std::to_string(n) : std::string());
    get<Label>(label).visible = get<TextBox>(box).visible = n > 0;
  }

  void Text1_Change() {
    imp().title = get<TextBox>("Text1").text();
    // The box enables the save items, never disables them.
    if (!importing_ && imp().loaded && !imp().title.empty()) enableSaving(true);
  }

  void Command2_Click() {
    if (importing_) return;
    const std::string path = app.services.openFileDialog("Import Table Data");
    if (path.empty()) return;
    // Actions that arrive while the counts are drawn must not run inside the import.
    importing_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{importing_};

    runGuarded(app, [&] { importTable(path); }, &importing_);
  }

  void importTable(const std::string& path) {
    std::string text;
    if (const Refusal unreadable = readWholeFile(path, text, kImportFailureMessage)) {
      failed(unreadable.message());
      return;
    }
    showCount("Label3", "Text3", countImportRows(text));
    app.services.progressStep();  // the close box may stop the import here
    if (const int loci = importHeaderLoci(text); loci > 0) showCount("Label2", "Text2", loci);
    app.services.progressStep();

    ImportResult r = parseImportTable(text);
    if (!r.ok()) {
      failed(r.message());
      return;
    }
    r.table.path = path;
    r.table.title = imp().title;
    imp() = std::move(r.table);
    showCount("Label3", "Text3", imp().nIndImp);
    showCount("Label2", "Text2", imp().nLoci);
    message(kImportSuccessMessage);
    if (!imp().title.empty()) enableSaving(true);
  }

  // A failed import leaves no import to save from; the loaded data set is not touched.
  void failed(const std::string& text) {
    const std::string title = imp().title;
    imp() = ImportedTable{};
    imp().title = title;
    showCount("Label3", "Text3", 0);
    showCount("Label2", "Text2", 0);
    enableSaving(false);
    message(text);
  }

  void save(ImportUnits units) {
    if (importing_ || !imp().loaded) return;
    saveThroughDialog(app, units == ImportUnits::Populations ? "Save input file with pops" : "Save input files with groups",
                      [&](const std::string& path) {
                        Refusal refusal;  // stays none after a failure runGuarded has reported
                        runGuarded(app, [&] { refusal = saveInputFile(path, importedInput(imp(), units)); });
                        return refusal;
                      });
  }

  bool importing_ = false;
};

}  // namespace

void registerImportWindow(App& app) {
  app.forms.registerWindow("frmImport", [&app](Forms&) { return std::make_unique<frmImport>(app); });
}

}  // namespace kiwora
