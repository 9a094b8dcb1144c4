// Drives the desktop windows with the mouse and keyboard events a user sends, through whole workflows.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "qt/desktop_view.h"
#include "qt/qt_services.h"
#include "ui/app.h"

using namespace kiwora;

namespace {

// A window with option buttons in two frames, as the test windows have them.
class OptionsWindow : public Window {
 public:
  explicit OptionsWindow(Forms& f) : Window(f, "frmOptions", "Options") {
    addFrame("FrameA", "Method");
    addOption("OptionA1", "Bayesian", "FrameA").onClick = [this] { ++chosen; };
    addOption("OptionA2", "Frequencies", "FrameA").onClick = [this] { ++chosen; };
    addFrame("FrameB", "Distance");
    addOption("OptionB1", "Gregorius", "FrameB");
    addOption("OptionB2", "Nei", "FrameB");
    addLabel("LabelProgress", "Progress %");
    addText("TextProgress");
    addButton("Command2", "Run").onClick = [this] {
      for (int step : {50, 100}) {
        get<TextBox>("TextProgress").setText(std::to_string(step));
        if (duringRun) duringRun();
      }
    };
    addButton("Command1", "Go back").onClick = [this] { forms().unload(name()); };
  }
  int chosen = 0;
  std::function<void()> duringRun;
};

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<QtServices> services_;
  std::unique_ptr<App> app_;
  std::unique_ptr<DesktopView> view_;
  QStringList dialogTitles_;
  QStringList messages_;
  QTimer boxWatcher_;
  std::string nextFile_;
  bool ended_ = false;

  QString path(const QString& name) const { return dir_->path() + "/" + name; }

  // Opens `menu` in the window's menu bar and clicks `item` in it.
  void clickMenu(const std::string& window, const char* menu, const std::string& item) {
    QWidget* top = view_->window(window);
    QVERIFY(top);
    auto* bar = top->findChild<QMenuBar*>();
    auto* popup = top->findChild<QMenu*>(menu);
    QVERIFY(bar && popup);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(popup->menuAction()).center());
    QTRY_VERIFY(popup->isVisible());
    QAction* action = view_->action(window, item);
    QVERIFY(action);
    QVERIFY2(action->isEnabled(), item.c_str());
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
  }

  template <class W>
  W* control(const std::string& window, const std::string& name) {
    return qobject_cast<W*>(view_->widget(window, name));
  }

  void click(const std::string& window, const std::string& button) {
    auto* b = control<QAbstractButton>(window, button);
    QVERIFY2(b && b->isVisible() && b->isEnabled(), button.c_str());
    // Check boxes are clicked on their box, buttons in their middle.
    const bool tick = qobject_cast<QCheckBox*>(b) != nullptr;
    QTest::mouseClick(b, Qt::LeftButton, {}, tick ? QPoint(8, b->height() / 2) : b->rect().center());
  }

  void clickEntry(const std::string& window, const std::string& list, const QString& text) {
    auto* l = control<QListWidget>(window, list);
    QVERIFY(l);
    const auto found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(found[0]).center());
  }

  QStringList entries(const std::string& window, const std::string& list) {
    QStringList out;
    if (auto* l = control<QListWidget>(window, list))
      for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
  }

  OptionsWindow& showOptionsWindow() {
    app_->forms.registerWindow("frmOptions", [](Forms& f) { return std::make_unique<OptionsWindow>(f); });
    auto& w = static_cast<OptionsWindow&>(app_->forms.show("frmOptions"));
    view_->refresh();
    return w;
  }

  void openExample() {
    nextFile_ = path("demo.txt").toStdString();
    clickMenu("frmStart", "File", "OpenPopGen");
    QCOMPARE(app_->model.ds.NPop, 3);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(KIWORA_SOURCE_DIR "/examples/demo.txt", path("demo.txt")));
    services_ = std::make_unique<QtServices>();
    services_->answerFileDialog = [this](const std::string& title, bool save) {
      dialogTitles_ << QString(save ? "save: " : "open: ") + QString::fromStdString(title);
      return std::exchange(nextFile_, std::string());
    };
    app_ = std::make_unique<App>(*services_);
    registerWindows(*app_);
    view_ = std::make_unique<DesktopView>(*app_, *services_);
    ended_ = false;
    view_->onEnded = [this] { ended_ = true; };
    dialogTitles_.clear();
    messages_.clear();
    // A message box is read and answered with a click on its OK button, as a user would.
    connect(&boxWatcher_, &QTimer::timeout, this, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        messages_ << box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      }
    });
    boxWatcher_.start(20);
    startProgram(*app_);
    view_->refresh();
  }

  void cleanup() {
    boxWatcher_.stop();
    boxWatcher_.disconnect();
    view_.reset();
    app_.reset();
    services_.reset();
    dir_.reset();
  }

  void startsWithTheMainWindowAndItsMenuRules() {
    QWidget* top = view_->window("frmStart");
    QVERIFY(top && top->isVisible());
    QCOMPARE(top->windowTitle(), QString("Kiwora/ Start"));
    QVERIFY(top->findChild<QMenu*>("File")->menuAction()->isEnabled());
    QVERIFY(!top->findChild<QMenu*>("Analysis")->menuAction()->isEnabled());
    QCOMPARE(top->findChild<QMenu*>("File")->title(), QString("&File"));
    // Reading a file enables the menus on the open window at once.
    openExample();
    QVERIFY(top->findChild<QMenu*>("Analysis")->menuAction()->isEnabled());
    QVERIFY(view_->action("frmStart", "Save_AS_Tarn")->isEnabled());
    // A file to be written is chosen with the save dialog (which asks before replacing a file).
    clickMenu("frmStart", "File", "Save_AS_Tarn");
    QCOMPARE(dialogTitles_, (QStringList{"open: Open input file for analysis of population data",
                                         "save: Save selected loci and populations as input file for Tarn"}));
  }

  // Open, select, tick, calculate and read the result file, with the mouse alone.
  void selectsAnalysesAndWritesTheResultFile() {
    openExample();

    clickMenu("frmStart", "Analysis", "Es");
    QTRY_VERIFY(view_->window("frmSelPop") && !view_->window("frmStart"));
    QCOMPARE(view_->window("frmSelPop")->windowTitle(), QString("Select populations"));
    clickEntry("frmSelPop", "List1", "2 - Pop_2");
    click("frmSelPop", "Command1");
    QCOMPARE(entries("frmSelPop", "List2"), QStringList{"2 - Pop_2"});
    QCOMPARE(entries("frmSelPop", "List1"), (QStringList{"1 - Pop_1", "3 - Pop_3"}));
    click("frmSelPop", "Command3");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmSelPop"));

    clickMenu("frmStart", "Analysis", "EL");
    QTRY_VERIFY(view_->window("frmSelloc"));
    clickEntry("frmSelloc", "List1", "5  - SNP_005");
    click("frmSelloc", "Command1");
    QCOMPARE(entries("frmSelloc", "List2"), QStringList{"5  - SNP_005"});
    click("frmSelloc", "Command3");

    clickMenu("frmStart", "Analysis", "Diploid");
    QTRY_VERIFY(view_->window("frmDiplo"));
    for (const char* box : {"Check5", "Check8", "Check9", "Check13"}) click("frmDiplo", box);
    QVERIFY(control<QCheckBox>("frmDiplo", "Check5")->isChecked());
    QCOMPARE(app_->model.options.FlagFreqAlleles, 1);
    QCOMPARE(app_->model.options.FlagHeterozygosity, 1);
    click("frmDiplo", "Command1");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmDiplo"));
    QVERIFY(view_->action("frmStart", "Editor")->isEnabled());

    QFile result(path("demo-out.txt"));
    QVERIFY(result.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(result.readAll());
    for (const char* section : {"#####  ALLELE FREQUENCIES  #####", "#####    HETEROZYGOSITY   #####",
                                "#####   GENETIC DISTANCE D (Gregorius 1974)  #####", "#####  GENETIC FIXATION Fst  #####"})
      QVERIFY2(text.contains(section), section);
    // The excluded population and locus take no part.
    QVERIFY(text.contains("Pop_1") && text.contains("Pop_3"));
    QVERIFY(!text.contains("Pop_2"));
    QVERIFY(!text.contains("SNP_005"));
    QVERIFY(messages_.isEmpty());
  }

  void aRefusedFileShowsItsMessageAndKeepsTheData() {
    openExample();
    QFile bad(path("bad.txt"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("Broken\n2\n1\n4\nL1\nP1,1,1\n1,x\nEND\n");
    bad.close();
    nextFile_ = path("bad.txt").toStdString();
    clickMenu("frmStart", "File", "OpenPopGen");
    QTRY_COMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].startsWith("The reading of input data was not successful!"));
    QCOMPARE(app_->model.ds.NPop, 3);
    QCOMPARE(QString::fromStdString(app_->model.ds.InFileName), path("demo.txt"));
    QVERIFY(view_->window("frmStart")->findChild<QMenu*>("Analysis")->menuAction()->isEnabled());
  }

  // The user's action raises the model's handler, and what the handler sets shows at once.
  void valuesSetByTheWindowCodeShowAtOnce() {
    openExample();
    clickMenu("frmStart", "Analysis", "Diploid");
    QTRY_VERIFY(view_->window("frmDiplo"));
    auto* km = control<QCheckBox>("frmDiplo", "Check22");
    auto* degrees = control<QCheckBox>("frmDiplo", "Check23");
    QVERIFY(degrees->isChecked() && !km->isChecked());
    // Ticking one kind of co-ordinates unticks the other from the window code.
    click("frmDiplo", "Check22");
    QVERIFY(km->isChecked() && !degrees->isChecked());
    click("frmDiplo", "Check23");
    QVERIFY(degrees->isChecked() && !km->isChecked());
    QCOMPARE(app_->model.options.CoordMode, 2);
    // A neighbour count above the number of populations is cut to it while typing.
    auto* neighbours = control<QLineEdit>("frmDiplo", "Text11");
    neighbours->setFocus();
    neighbours->selectAll();
    QTest::keyClicks(neighbours, "9");
    QCOMPARE(neighbours->text(), QString("3"));
  }

  void leavingATextBoxRunsItsCheck() {
    openExample();
    clickMenu("frmStart", "Analysis", "Diploid");
    QWidget* top = nullptr;
    QTRY_VERIFY((top = view_->window("frmDiplo")) != nullptr);
    top->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(top));
    struct Case {
      const char* box;
      const char* typed;
      const char* shown;  // after the focus has left
      enum { Tab, Enter, Click } leave;
    };
    const Case cases[] = {
        {"Text6", "2", "0.05", Case::Tab},     // Min Dj above 1: the old value comes back
        {"Text6", "0,3", "0.3", Case::Enter},  // a comma is read as the decimal sign
        {"Text7", "0.2", "0.85", Case::Click}, // Min data below 0.5
        {"Text10", "7", "0.8", Case::Tab},
    };
    for (const Case& c : cases) {
      auto* e = control<QLineEdit>("frmDiplo", c.box);
      QTest::mouseClick(e, Qt::LeftButton);
      QTRY_VERIFY(e->hasFocus());
      e->selectAll();
      QTest::keyClicks(e, c.typed);
      QCOMPARE(e->text(), QString(c.typed));
      if (c.leave == Case::Tab) QTest::keyClick(e, Qt::Key_Tab);
      else if (c.leave == Case::Enter) QTest::keyClick(e, Qt::Key_Return);
      else QTest::mouseClick(control<QLineEdit>("frmDiplo", "Text1"), Qt::LeftButton);
      QTRY_VERIFY(!e->hasFocus());
      QCOMPARE(e->text(), QString(c.shown).replace('.', QChar(services_->decimalSign())));
    }
  }

  void closeBoxesUnloadWindowsAndTheLastEndsTheProgram() {
    clickMenu("frmStart", "Help", "about");
    QTRY_VERIFY(view_->window("frmAbout"));
    view_->window("frmAbout")->close();
    QTRY_VERIFY(!view_->window("frmAbout"));
    QVERIFY(view_->window("frmStart") && !ended_);

    openExample();
    clickMenu("frmStart", "Analysis", "Diploid");
    QTRY_VERIFY(view_->window("frmDiplo"));
    // While a run is under way its window stays.
    app_->model.flags.Busy = 1;
    view_->window("frmDiplo")->close();
    QTest::qWait(50);
    QVERIFY(view_->window("frmDiplo") && view_->window("frmDiplo")->isVisible() && !ended_);
    app_->model.flags.Busy = 0;
    // Closing a task window leaves no window, which ends the program.
    view_->window("frmDiplo")->close();
    QTRY_VERIFY(ended_);
    QVERIFY(app_->forms.loaded().empty());
  }

  void optionButtonsAreExclusiveWithinTheirFrame() {
    OptionsWindow& w = showOptionsWindow();
    QVERIFY(view_->window("frmOptions"));
    auto radio = [this](const char* n) { return qobject_cast<QRadioButton*>(view_->widget("frmOptions", n)); };
    auto choose = [&](const char* n) { QTest::mouseClick(radio(n), Qt::LeftButton, {}, QPoint(8, radio(n)->height() / 2)); };
    choose("OptionA1");
    choose("OptionB2");
    choose("OptionA2");
    QVERIFY(!radio("OptionA1")->isChecked() && radio("OptionA2")->isChecked());
    QVERIFY(!radio("OptionB1")->isChecked() && radio("OptionB2")->isChecked());
    QCOMPARE(w.get<OptionButton>("OptionA1").value(), false);
    QCOMPARE(w.chosen, 2);
    // Choosing the chosen one again changes nothing.
    choose("OptionA2");
    QVERIFY(radio("OptionA2")->isChecked());
    QCOMPARE(w.chosen, 2);
    // A value the code sets shows without a user action.
    w.get<OptionButton>("OptionB1").setValue(true);
    view_->refresh();
    QVERIFY(radio("OptionB1")->isChecked() && !radio("OptionB2")->isChecked());
  }

  // A long run lets pending events through: its progress shows while the handler still runs.
  void progressShowsDuringALongRun() {
    OptionsWindow& w = showOptionsWindow();
    QVERIFY(view_->window("frmOptions"));
    auto* progress = control<QLineEdit>("frmOptions", "TextProgress");
    QStringList seen;
    w.duringRun = [&] {
      services_->doEvents();
      seen << progress->text();
    };
    click("frmOptions", "Command2");
    QCOMPARE(seen, (QStringList{"50", "100"}));
  }

  void fileEndEndsTheProgram() {
    clickMenu("frmStart", "File", "End");
    QTRY_VERIFY(ended_);
    QVERIFY(!view_->window("frmStart"));
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
