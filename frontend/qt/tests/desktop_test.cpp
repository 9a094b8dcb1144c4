// Drives the desktop windows with the mouse and keyboard events a user sends, through whole workflows.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

// A window larger than the screen: a picture of text twice the screen's size, a box below it and a
// button bar.
class LargeWindow : public Window {
 public:
  LargeWindow(Forms& f, const std::string& text) : Window(f, "frmLarge", "Large") {
    addPicture("Picture1", text);
    addCheck("Check1", "Below the picture");
    addButton("Command1", "Go back").onClick = [this] { forms().unload(name()); };
  }
};

}  // namespace

// The longest a run may keep the window from answering: a fraction of a second. The sanitized build runs
// the same steps several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kLongestAnswerGapMs = 600;
#else
constexpr qint64 kLongestAnswerGapMs = 250;
#endif

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<QtServices> services_;
  std::unique_ptr<App> app_;
  std::unique_ptr<DesktopView> view_;
  QStringList dialogTitles_;
  QStringList saveDialogsAt_;  // the path each save dialog opened at
  QStringList messages_;
  QStringList questions_;  // asked with Yes and No; answered with `answer_`
  QMessageBox::StandardButton answer_ = QMessageBox::Yes;
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
    // Check boxes and option buttons are clicked on their box, buttons in their middle.
    const bool tick = qobject_cast<QCheckBox*>(b) != nullptr || qobject_cast<QRadioButton*>(b) != nullptr;
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

  // Runs the population analysis with the given boxes ticked and comes back to the main window.
  void analyse(std::initializer_list<const char*> boxes) {
    clickMenu("frmStart", "Analysis", "Diploid");
    QTRY_VERIFY(view_->window("frmDiplo"));
    for (const char* box : boxes) click("frmDiplo", box);
    click("frmDiplo", "Command1");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmDiplo"));
  }

  // Opens a task window from the main window's menu and gives it the focus, as the window manager does.
  QWidget* openTask(const char* menu, const std::string& item, const std::string& window) {
    clickMenu("frmStart", menu, item);
    QWidget* top = nullptr;
    [&] { QTRY_VERIFY((top = view_->window(window)) != nullptr); }();
    if (!top) return nullptr;
    top->activateWindow();
    [&] { QVERIFY(QTest::qWaitForWindowActive(top)); }();
    return top;
  }

  // Counts the clicks that reach a list of the model.
  void countClicks(const std::string& window, const std::string& list, int& n) {
    auto& l = app_->forms.find(window)->get<ListBox>(list);
    l.onClick = [&n, handler = l.onClick] {
      ++n;
      if (handler) handler();
    };
  }

  // The test within populations after an analysis of the example, with the clicks on its list counted.
  bool openWithinTestCountingClicks(QListWidget*& list, int& clicks) {
    openExample();
    analyse({"Check8"});
    if (!openTask("Test", "WS", "frmWTest")) return false;
    list = control<QListWidget>("frmWTest", "List1");
    countClicks("frmWTest", "List1", clicks);
    return list != nullptr;
  }

  // Reads the reference populations and the test groups of the assignment examples.
  void openAssignmentFiles() {
    for (const char* f : {"ref_oaks.txt", "test_trees.txt"})
      QVERIFY(QFile::copy(QString(KIWORA_SOURCE_DIR "/tests/scripts/") + f, path(f)));
    const int before = static_cast<int>(messages_.size());
    nextFile_ = path("ref_oaks.txt").toStdString();
    clickMenu("frmStart", "File", "OpenRefFile");
    QTRY_COMPARE(messages_.size(), before + 1);
    nextFile_ = path("test_trees.txt").toStdString();
    clickMenu("frmStart", "File", "OpenTestFile");
    QTRY_COMPARE(messages_.size(), before + 2);
  }

  // Types `text` over the whole content of a text box and leaves it with Tab.
  void typeInto(const std::string& window, const std::string& box, const char* text) {
    auto* e = control<QLineEdit>(window, box);
    QVERIFY(e);
    QTest::mouseClick(e, Qt::LeftButton);
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Tab);
  }

  // True when a line edit shows `text` whole, without scrolling it: the text and the cursor fit
  // between the frame and the edit's margins.
  static bool showsWhole(const QLineEdit* e, const QString& text) {
    const int frame = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
    const QMargins m = e->textMargins();
    const int room = e->width() - 2 * frame - 2 * 2 - m.left() - m.right();
    return e->fontMetrics().horizontalAdvance(text) + 1 <= room;
  }

  static QString rectText(const QRect& r) {
    return QString("%1 x %2 + %3 + %4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
  }

  QByteArray resultFile() {
    QFile f(path("demo-out.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(KIWORA_SOURCE_DIR "/examples/demo.txt", path("demo.txt")));
    services_ = std::make_unique<QtServices>();
    services_->answerFileDialog = [this](const std::string& title, bool save, const std::string& proposed) {
      dialogTitles_ << QString(save ? "save: " : "open: ") + QString::fromStdString(title);
      if (save) saveDialogsAt_ << QString::fromStdString(proposed);
      return std::exchange(nextFile_, std::string());
    };
    app_ = std::make_unique<App>(*services_);
    registerWindows(*app_);
    view_ = std::make_unique<DesktopView>(*app_, *services_);
    ended_ = false;
    view_->onEnded = [this] { ended_ = true; };
    dialogTitles_.clear();
    saveDialogsAt_.clear();
    messages_.clear();
    questions_.clear();
    answer_ = QMessageBox::Yes;
    // A message box is read and answered with a click on its OK button, as a user would.
    connect(&boxWatcher_, &QTimer::timeout, this, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
          messages_ << box->text();
          QTest::mouseClick(ok, Qt::LeftButton);
        } else if (QAbstractButton* answer = box->button(answer_)) {
          questions_ << box->text();
          QTest::mouseClick(answer, Qt::LeftButton);
        }
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

  // An export that cannot be written: after the message its dialog opens again at the chosen path, and
  // Cancel there leaves it.
  void aFileThatCannotBeWrittenOpensItsDialogAgainThere() {
    openExample();
    const QString bad = path("no-such-folder/demo-tarn.txt");
    nextFile_ = bad.toStdString();
    clickMenu("frmStart", "File", "Save_AS_Tarn");
    QTRY_COMPARE(saveDialogsAt_, (QStringList{"", bad}));
    QCOMPARE(messages_.size(), 1);
    QVERIFY2(messages_[0].startsWith("The file " + bad + " cannot be written"), qPrintable(messages_[0]));
    QVERIFY(!app_->forms.busy() && view_->window("frmStart"));
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

  // The arrow keys choose among the option buttons of one frame, as in any dialog: each move is one
  // choice that reaches the model, and the focus does not leave the frame.
  void theArrowKeysChooseWithinTheFrame() {
    OptionsWindow& w = showOptionsWindow();
    QWidget* top = view_->window("frmOptions");
    QVERIFY(top);
    top->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(top));
    auto radio = [this](const char* n) { return qobject_cast<QRadioButton*>(view_->widget("frmOptions", n)); };
    auto chosen = [&w](const char* n) { return w.get<OptionButton>(n).value(); };
    QTest::mouseClick(radio("OptionA1"), Qt::LeftButton, {}, QPoint(8, radio("OptionA1")->height() / 2));
    QCOMPARE(w.chosen, 1);
    radio("OptionA1")->setFocus();
    QTRY_VERIFY(radio("OptionA1")->hasFocus());

    QTest::keyClick(radio("OptionA1"), Qt::Key_Down);
    QVERIFY(chosen("OptionA2") && !chosen("OptionA1"));
    QVERIFY(radio("OptionA2")->isChecked() && !radio("OptionA1")->isChecked() && radio("OptionA2")->hasFocus());
    QCOMPARE(w.chosen, 2);
    // Past the frame's last option the focus stays: the other frame's options are not chosen.
    QTest::keyClick(radio("OptionA2"), Qt::Key_Down);
    QVERIFY(chosen("OptionA2") && !chosen("OptionB1") && !chosen("OptionB2"));
    QCOMPARE(w.chosen, 2);
    QTest::keyClick(radio("OptionA2"), Qt::Key_Up);
    QVERIFY(chosen("OptionA1") && radio("OptionA1")->isChecked() && !radio("OptionA2")->isChecked());
    QCOMPARE(w.chosen, 3);
  }

  // A frame whose options the window code clears shows none chosen.
  void aFrameMayShowNoOptionChosen() {
    OptionsWindow& w = showOptionsWindow();
    auto radio = [this](const char* n) { return qobject_cast<QRadioButton*>(view_->widget("frmOptions", n)); };
    QTest::mouseClick(radio("OptionB1"), Qt::LeftButton, {}, QPoint(8, radio("OptionB1")->height() / 2));
    QVERIFY(radio("OptionB1")->isChecked());
    w.get<OptionButton>("OptionB1").setValue(false);
    view_->refresh();
    QVERIFY(!radio("OptionB1")->isChecked() && !radio("OptionB2")->isChecked());
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

  // A window that would run off the screen is shown within its free area, at a size that uses that
  // area, and every control can still be reached; a window that fits shows its controls as they are.
  void aWindowLargerThanTheScreenScrollsWithinIt() {
    showOptionsWindow();
    QVERIFY(!view_->window("frmOptions")->findChild<QScrollArea*>());

    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    const QFontMetrics fm(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const int lines = 2 * free.height() / fm.height() + 1;
    const std::string line(2 * free.width() / fm.horizontalAdvance('0') + 1, 'x');
    std::string text;
    for (int i = 0; i < lines; ++i) text += line + "\n";
    app_->forms.registerWindow("frmLarge", [text](Forms& f) { return std::make_unique<LargeWindow>(f, text); });
    auto& w = app_->forms.show("frmLarge");
    view_->refresh();
    QWidget* top = view_->window("frmLarge");
    QVERIFY(top && QTest::qWaitForWindowExposed(top));
    QVERIFY2(free.contains(top->frameGeometry()), qPrintable(QString("window %1,%2 %3x%4 on %5x%6")
                                                                  .arg(top->frameGeometry().x())
                                                                  .arg(top->frameGeometry().y())
                                                                  .arg(top->frameGeometry().width())
                                                                  .arg(top->frameGeometry().height())
                                                                  .arg(free.width())
                                                                  .arg(free.height())));
    QVERIFY(top->width() > free.width() * 3 / 4 && top->height() > free.height() * 3 / 4);

    // The picture keeps its full size inside the scroll area.
    auto* scroll = top->findChild<QScrollArea*>();
    QVERIFY(scroll);
    QWidget* picture = view_->widget("frmLarge", "Picture1");
    QVERIFY(picture->width() >= picture->sizeHint().width() && picture->height() >= picture->sizeHint().height());
    QVERIFY(picture->width() > free.width() && picture->height() > free.height());

    // Scrolled to the bottom left, the box below the picture shows and is ticked; the button bar is in
    // view all along.
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    auto* box = control<QCheckBox>("frmLarge", "Check1");
    QVERIFY(scroll->viewport()->rect().contains(box->mapTo(scroll->viewport(), QPoint(8, box->height() / 2))));
    click("frmLarge", "Check1");
    QCOMPARE(w.get<CheckBox>("Check1").value(), 1);
    auto* back = control<QPushButton>("frmLarge", "Command1");
    QVERIFY(top->rect().contains(QRect(back->mapTo(top, QPoint(0, 0)), back->size())));
    click("frmLarge", "Command1");
    QTRY_VERIFY(!view_->window("frmLarge"));
  }

  // Focus, scrolling and the view's own updates never act on the model; a click on an entry, or an
  // arrow key, acts exactly once.
  void aListGainingTheFocusPicksNothing() {
    QListWidget* list = nullptr;
    int clicks = 0;
    QVERIFY(openWithinTestCountingClicks(list, clicks));
    QVERIFY(control<QCheckBox>("frmWTest", "Check3")->isChecked());
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());
    QTest::qWait(50);
    QCOMPARE(clicks, 0);
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(control<QCheckBox>("frmWTest", "Check3")->isChecked());
    // The arrow key picks the first entry, a click the third; each once.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(clicks, 1);
    QCOMPARE(app_->forms.find("frmWTest")->get<ListBox>("List1").listIndex(), 0);
    clickEntry("frmWTest", "List1", list->item(2)->text());
    QCOMPARE(clicks, 2);
    QCOMPARE(app_->forms.find("frmWTest")->get<ListBox>("List1").listIndex(), 2);
    click("frmWTest", "Command2");
    QTRY_VERIFY(view_->window("frmStart"));

    // In the selection windows ">" before any click moves nothing.
    const struct { const char* item; const char* window; } selections[] = {{"Es", "frmSelPop"}, {"EL", "frmSelloc"}};
    for (const auto& c : selections) {
      QVERIFY(openTask("Analysis", c.item, c.window));
      const QStringList all = entries(c.window, "List1");
      auto* l = control<QListWidget>(c.window, "List1");
      l->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(l->hasFocus());
      click(c.window, "Command1");
      QCOMPARE(entries(c.window, "List1"), all);
      QVERIFY2(entries(c.window, "List2").isEmpty(), c.window);
      click(c.window, "Command3");
      QTRY_VERIFY(view_->window("frmStart"));
    }
  }

  // The close box during a run asks; stopping ends the run at its next progress step, appends nothing,
  // sets no flag and leaves the window open and usable. Meanwhile the controls that do nothing look
  // disabled, and the progress box does not.
  void closingDuringARunAsksAndStopsIt() {
    openExample();
    analyse({"Check8"});
    const QByteArray before = resultFile();
    const WorkflowFlags flags = app_->model.flags;
    const std::vector<int> popSel(app_->model.sel.PopSel.begin(), app_->model.sel.PopSel.end());
    QWidget* top = openTask("Test", "WS", "frmWTest");
    QVERIFY(top);
    auto* count = control<QLineEdit>("frmWTest", "Text1");
    QTest::mouseClick(count, Qt::LeftButton);
    count->selectAll();
    QTest::keyClicks(count, "2000000");
    QTest::keyClick(count, Qt::Key_Tab);

    QStringList usableDuringRun;
    bool progressShown = false;
    QTimer::singleShot(0, this, [&] {
      for (const char* n : {"Command1", "Command2", "Text1", "List1", "Check1", "Check3"})
        if (view_->widget("frmWTest", n)->isEnabled()) usableDuringRun << n;
      progressShown = view_->widget("frmWTest", "Text2")->isEnabled();
      top->close();
    });
    click("frmWTest", "Command1");
    QCOMPARE(questions_.size(), 1);
    QVERIFY2(usableDuringRun.isEmpty(), qPrintable(usableDuringRun.join(", ")));
    QVERIFY(progressShown);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join("\n")));
    QVERIFY(view_->window("frmWTest") && view_->window("frmWTest")->isVisible());
    QCOMPARE(resultFile(), before);
    QCOMPARE(app_->model.flags.Busy, 0);
    QCOMPARE(app_->model.flags.AnalysisDone, flags.AnalysisDone);
    QCOMPARE(app_->model.flags.NoSortMLG, flags.NoSortMLG);
    QCOMPARE(std::vector<int>(app_->model.sel.PopSel.begin(), app_->model.sel.PopSel.end()), popSel);
    QVERIFY(control<QPushButton>("frmWTest", "Command1")->isEnabled());

    // Answered No, the run goes on to its end; the window is usable for that.
    QTest::mouseClick(count, Qt::LeftButton);
    count->selectAll();
    QTest::keyClicks(count, "20");
    QTest::keyClick(count, Qt::Key_Tab);
    answer_ = QMessageBox::No;
    QTimer::singleShot(0, this, [&] { top->close(); });
    click("frmWTest", "Command1");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmWTest"));
    QCOMPARE(questions_.size(), 2);
    QVERIFY(resultFile() != before);
  }

  // Whenever no editor window comes up, the user is told which file to open.
  void anEditorThatCannotStartIsReported() {
    openExample();
    analyse({"Check5"});
    const QString file = QString::fromStdString(app_->model.ds.OutFileName);
    const struct { const char* launcher; bool fails; } cases[] = {
        {"/nonexistent/launcher", true},  // no launcher at all
        {"false", true},                  // a launcher that starts and exits with an error
        {"true", false},
    };
    for (const auto& c : cases) {
      messages_.clear();
      services_->editorLauncher = c.launcher;
      clickMenu("frmStart", "Results", "Editor");
      if (c.fails) {
        QTRY_COMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0], "No text editor could be started for " + file + ".");
      } else {
        QTest::qWait(300);
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join("\n")));
      }
    }
  }

  // Run at 150 % on a 1920 x 1080 screen (the desktop_150 test): every window fits the screen's width,
  // scrolling up and down at most.
  void noWindowScrollsSideways() {
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    if (free.width() < 1280) QSKIP("needs a screen of at least 1920 x 1080 at 150 %");
    openExample();
    for (const std::string& name : app_->forms.registered()) {
      if (name == "frmStart") continue;
      try {
        app_->forms.show(name);
      } catch (const std::exception&) {
        continue;  // a window that needs other data first
      }
      view_->refresh();
      QWidget* top = view_->window(name);
      QVERIFY2(top && QTest::qWaitForWindowExposed(top), name.c_str());
      QVERIFY2(top->frameGeometry().width() <= free.width(),
               qPrintable(QString("%1 is %2 wide on %3").arg(name.c_str()).arg(top->frameGeometry().width()).arg(free.width())));
      if (auto* scroll = top->findChild<QScrollArea*>()) {
        QVERIFY2(scroll->horizontalScrollBar()->maximum() == 0, name.c_str());
        QVERIFY2(scroll->widget()->minimumSizeHint().width() <= scroll->viewport()->width(), name.c_str());
      }
      app_->forms.unload(name);
      view_->refresh();
    }
  }

  // Help's windows open wholly on the main window's screen, wherever the main window stands: beside it
  // where that side has room, elsewhere on the screen where no side has. Also run on a small screen at
  // 100 % and 150 % (the desktop_small tests).
  void sideWindowsOpenBesideTheMainWindowOnItsScreen() {
    QWidget* main = view_->window("frmStart");
    QVERIFY(main && QTest::qWaitForWindowExposed(main));
    const QRect free = main->screen()->availableGeometry();
    const QSize mainSize = main->frameGeometry().size();
    const struct { const char* where; QPoint at; } places[] = {
        {"top left", free.topLeft()},
        {"top right", {free.right() + 1 - mainSize.width(), free.top()}},
        {"bottom left", {free.left(), free.bottom() + 1 - mainSize.height()}},
        {"bottom right", {free.right() + 1 - mainSize.width(), free.bottom() + 1 - mainSize.height()}},
        {"middle", free.center() - QPoint(mainSize.width() / 2, mainSize.height() / 2)},
    };
    for (const auto& place : places)
      for (const auto& [item, name] : {std::pair{"FormatAscii", "frmFormat"}, std::pair{"about", "frmAbout"}}) {
        main->move(place.at);
        QTRY_COMPARE(main->frameGeometry().topLeft(), place.at);
        clickMenu("frmStart", "Help", item);
        QWidget* side = nullptr;
        QTRY_VERIFY((side = view_->window(name)) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(side));
        const QRect m = main->frameGeometry(), s = side->frameGeometry();
        const QString what = QString("%1 with the main window %2 (%3): %4 on %5")
                                 .arg(name, place.where, rectText(m), rectText(s), rectText(free));
        QVERIFY2(free.contains(s), qPrintable(what));
        // A side with room: the window does not cover the main window.
        const bool room = s.width() + 16 <= std::max(free.right() - m.right(), m.left() - free.left()) ||
                          s.height() + 16 <= std::max(free.bottom() - m.bottom(), m.top() - free.top());
        QVERIFY2(!room || !s.intersects(m), qPrintable(what));
        app_->forms.unload(name);
        view_->refresh();
      }
  }

  // The three lists in the colours of their modes, the boxes under the middle list, "Go back" at the
  // bottom left.
  void modeOfInheritanceShowsItsModes() {
    for (const char* f : {"ref_oaks.txt", "test_trees.txt"})
      QVERIFY(QFile::copy(QString(KIWORA_SOURCE_DIR "/tests/scripts/") + f, path(f)));
    nextFile_ = path("ref_oaks.txt").toStdString();
    clickMenu("frmStart", "File", "OpenRefFile");
    QTRY_COMPARE(messages_.size(), 1);
    nextFile_ = path("test_trees.txt").toStdString();
    clickMenu("frmStart", "File", "OpenTestFile");
    QTRY_COMPARE(messages_.size(), 2);
    QWidget* top = openTask("Analysis", "Mode_inheritance", "frm_ModeL");
    QVERIFY(top && QTest::qWaitForWindowExposed(top));
    auto rect = [&](const char* n) {
      QWidget* w = view_->widget("frm_ModeL", n);
      return QRect(w->mapTo(top, QPoint(0, 0)), w->size());
    };
    QVERIFY(rect("Frame3").right() < rect("Frame1").left() && rect("Frame1").right() < rect("Frame2").left());
    int y = rect("Frame1").bottom();
    for (const char* box : {"Check1", "Check2", "Check3"}) {
      const QRect r = rect(box);
      QVERIFY2(r.top() > y && r.left() >= rect("Frame1").left() && r.left() < rect("Frame1").right(), box);
      y = r.bottom();
    }
    const QRect back = rect("Command3");
    QVERIFY(back.top() > y && back.right() < rect("Frame1").left());
    const struct { const char* control; QColor colour; } colours[] = {
        {"Frame1", QColor(0x00, 0x00, 0xc0)}, {"List1", QColor(0x00, 0x00, 0xc0)}, {"Check2", QColor(0x00, 0x00, 0xc0)},
        {"Frame2", QColor(0xc0, 0x00, 0x00)}, {"List2", QColor(0xc0, 0x00, 0x00)}, {"Check1", QColor(0xc0, 0x00, 0x00)},
        {"Frame3", QColor(0x00, 0x70, 0x00)}, {"List3", QColor(0x00, 0x70, 0x00)}, {"Check3", QColor(0x00, 0x70, 0x00)},
    };
    for (const auto& c : colours) {
      QWidget* w = view_->widget("frm_ModeL", c.control);
      const QPalette::ColorRole role = qobject_cast<QListWidget*>(w) ? QPalette::Text : QPalette::WindowText;
      QVERIFY2(w->palette().color(role) == c.colour, c.control);
    }
  }

  // Enter presses a focused button, Escape does what "Go back" does (and closes About), Enter leaves a
  // text box without entering a box that only displays, and the import window's menu has its Alt letter.
  void theKeyboardReachesWhatTheMouseDoes() {
    for (bool escape : {false, true}) {
      QWidget* about = openTask("Help", "about", "frmAbout");
      QVERIFY(about);
      if (escape) {
        QTest::keyClick(about, Qt::Key_Escape);
      } else {
        auto* ok = control<QPushButton>("frmAbout", "Command1");
        ok->setFocus(Qt::TabFocusReason);
        QTest::keyClick(ok, Qt::Key_Return);
      }
      QTRY_VERIFY(!view_->window("frmAbout"));
    }
    openExample();
    QWidget* top = openTask("Analysis", "Es", "frmSelPop");
    QVERIFY(top);
    auto* back = control<QPushButton>("frmSelPop", "Command3");
    back->setFocus(Qt::TabFocusReason);
    QTest::keyClick(back, Qt::Key_Return);
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmSelPop"));

    top = openTask("Analysis", "Diploid", "frmDiplo");
    QVERIFY(top);
    auto* minData = control<QLineEdit>("frmDiplo", "Text10");
    QTest::mouseClick(minData, Qt::LeftButton);
    QTRY_VERIFY(minData->hasFocus());
    minData->selectAll();
    QTest::keyClicks(minData, "0.7");
    QTest::keyClick(minData, Qt::Key_Return);
    QTRY_VERIFY(!minData->hasFocus());
    QCOMPARE(app_->model.options.KinMinData, 0.7);
    for (const char* shown : {"Text8", "Text9"}) {
      auto* box = control<QLineEdit>("frmDiplo", shown);
      QVERIFY2(!box->hasFocus() && box->isReadOnly() && box->focusPolicy() == Qt::NoFocus, shown);
    }
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : top, Qt::Key_Escape);
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmDiplo"));

    QVERIFY(openTask("File", "importTable", "frmImport"));
    QCOMPARE(view_->window("frmImport")->findChild<QMenu*>("file")->title(), QString("&File"));
    for (const char* shown : {"Text2", "Text3"})
      QVERIFY2(control<QLineEdit>("frmImport", shown)->isReadOnly(), shown);
  }

  // A whole session by mouse and keyboard: open, exclude a population, analyse, then Tab once around
  // "Test within populations" and Calculate. Every selected population is tested. With KIWORA_SESSION_SHOTS
  // set to a folder, each step is photographed there.
  void aSessionTabbingThroughTheTestWindowTestsEverySelectedPopulation() {
    int shot = 0;
    const QString shots = qEnvironmentVariable("KIWORA_SESSION_SHOTS");
    auto photo = [&](const std::string& window, const char* step) {
      if (shots.isEmpty()) return;
      QTest::qWait(100);
      if (QWidget* w = view_->window(window)) w->grab().save(QString("%1/%2-%3.png").arg(shots).arg(++shot, 2, 10, QChar('0')).arg(step));
    };
    openExample();
    photo("frmStart", "opened");
    QVERIFY(openTask("Analysis", "Es", "frmSelPop"));
    clickEntry("frmSelPop", "List1", "2 - Pop_2");
    click("frmSelPop", "Command1");
    photo("frmSelPop", "selected");
    click("frmSelPop", "Command3");
    QTRY_VERIFY(view_->window("frmStart"));
    analyse({"Check8"});
    QWidget* top = openTask("Test", "WS", "frmWTest");
    QVERIFY(top);
    photo("frmWTest", "opened");
    // Once around the window with Tab, from whatever has the focus first.
    QWidget* first = QApplication::focusWidget();
    QVERIFY(first);
    QStringList visited;
    for (int i = 0; i < 40; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
      if (QApplication::focusWidget() == first) break;
    }
    QVERIFY2(QApplication::focusWidget() == first, qPrintable(visited.join(" ")));
    QVERIFY2(visited.contains("List1") && !visited.contains("Text2"), qPrintable(visited.join(" ")));
    photo("frmWTest", "tabbed");
    QVERIFY(control<QCheckBox>("frmWTest", "Check3")->isChecked());
    click("frmWTest", "Command1");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmWTest"));
    const QString text = QString::fromLatin1(resultFile());
    for (const char* pop : {"Pop_1", "Pop_3"})
      QVERIFY2(text.contains(QString("Tested Population     = ") + pop), pop);
    QVERIFY(!text.contains("Tested Population     = Pop_2"));
  }

  // A click on the entry that is already highlighted picks it again: the arrow then moves the locus
  // clicked last.
  void aClickOnTheHighlightedEntryPicksIt() {
    openAssignmentFiles();
    QVERIFY(openTask("Analysis", "Mode_inheritance", "frm_ModeL"));
    QCOMPARE(entries("frm_ModeL", "List1"), (QStringList{"1  - Lox", "2  - Mdh-2", "4  - Acp"}));
    clickEntry("frm_ModeL", "List1", "2  - Mdh-2");
    click("frm_ModeL", "Command1");  // ">" into "Maternally"
    clickEntry("frm_ModeL", "List1", "1  - Lox");
    clickEntry("frm_ModeL", "List2", "2  - Mdh-2");
    clickEntry("frm_ModeL", "List1", "1  - Lox");  // still highlighted from before
    click("frm_ModeL", "Command4");  // "<" into "Paternally"
    QCOMPARE(entries("frm_ModeL", "List3"), QStringList{"1  - Lox"});
    QCOMPARE(entries("frm_ModeL", "List2"), QStringList{"2  - Mdh-2"});
    QCOMPARE(entries("frm_ModeL", "List1"), QStringList{"4  - Acp"});
  }

  // In the test windows a click on the chosen population, after "all" was ticked again, unticks "all"
  // and the run tests that population (pair) alone.
  void clickingTheChosenPopulationAgainTestsItAlone() {
    openExample();
    analyse({"Check8", "Check9"});
    const struct {
      const char* item;
      const char* window;
      std::vector<std::pair<const char*, const char*>> picks;  // list, entry; the last is clicked again
      const char* all;
      const char* run;
      QStringList tested, untested;  // report lines
    } cases[] = {
        {"WS", "frmWTest", {{"List1", "2  - Pop_2"}}, "Check3", "Command1",
         {"Tested Population     = Pop_2"}, {"Tested Population     = Pop_1", "Tested Population     = Pop_3"}},
        {"BTS", "frmTest", {{"List1", "1 Pop_1"}, {"List2", "2 Pop_2"}}, "Check5", "Command2",
         {"2. Tested Population  = Pop_2"}, {"2. Tested Population  = Pop_3"}},
    };
    for (const auto& c : cases) {
      QVERIFY(openTask("Test", c.item, c.window));
      typeInto(c.window, "Text1", "20");
      for (const auto& [list, entry] : c.picks) clickEntry(c.window, list, entry);
      auto* all = control<QCheckBox>(c.window, c.all);
      QVERIFY2(!all->isChecked(), c.window);
      click(c.window, c.all);
      QVERIFY2(all->isChecked(), c.window);
      clickEntry(c.window, c.picks.back().first, c.picks.back().second);
      QVERIFY2(!all->isChecked(), c.window);
      QCOMPARE(app_->model.perm.TestAllPops, 0);
      const int before = resultFile().size();
      click(c.window, c.run);
      QTRY_VERIFY(view_->window("frmStart") && !view_->window(c.window));
      const QString added = QString::fromLatin1(resultFile().mid(before));
      for (const QString& line : c.tested) QVERIFY2(added.contains(line), qPrintable(line));
      for (const QString& line : c.untested) QVERIFY2(!added.contains(line), qPrintable(line));
    }
  }

  // Each press on an entry picks it once, whether or not it was highlighted; each move by the arrow keys
  // picks once; a press beside the entries or a key that moves nothing picks nothing.
  void everyPickActsExactlyOnce() {
    QListWidget* list = nullptr;
    int clicks = 0;
    QVERIFY(openWithinTestCountingClicks(list, clicks));
    const ListBox& model = app_->forms.find("frmWTest")->get<ListBox>("List1");
    enum Kind { Press, Key };
    const struct {
      const char* what;
      Kind kind;
      int row;  // the entry pressed (-1: below the entries), or the key
      int picks, index;
    } steps[] = {
        {"a press on the third entry", Press, 2, 1, 2},
        {"a press on it again", Press, 2, 1, 2},
        {"a third press on it", Press, 2, 1, 2},
        {"Down on the last entry", Key, Qt::Key_Down, 0, 2},
        {"Up", Key, Qt::Key_Up, 1, 1},
        {"a press on the highlighted second entry", Press, 1, 1, 1},
        {"Home", Key, Qt::Key_Home, 1, 0},
        {"Up on the first entry", Key, Qt::Key_Up, 0, 0},
        {"a press below the entries", Press, -1, 0, 0},
        {"a press on the first entry", Press, 0, 1, 0},
    };
    for (const auto& s : steps) {
      const int before = clicks;
      if (s.kind == Press) {
        const QRect last = list->visualItemRect(list->item(list->count() - 1));
        const QPoint at = s.row >= 0 ? list->visualItemRect(list->item(s.row)).center() : last.center() + QPoint(0, 3 * last.height());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      } else {
        QTest::keyClick(list, static_cast<Qt::Key>(s.row));
      }
      QVERIFY2(clicks - before == s.picks, s.what);
      QVERIFY2(model.listIndex() == s.index, s.what);
      QVERIFY2(list->currentRow() == s.index, s.what);
    }
  }

  // About and the format window take no part in a run: during one their buttons work, and their close
  // boxes close them without asking, while the run goes on until it is stopped in its own window.
  void sideWindowsCloseDuringARunWithoutStoppingIt() {
    openExample();
    analyse({"Check8"});
    const struct { const char* item; const char* window; bool byButton; } cases[] = {
        {"about", "frmAbout", false},
        {"about", "frmAbout", true},
        {"FormatAscii", "frmFormat", false},
        {"FormatAscii", "frmFormat", true},
    };
    for (const auto& c : cases) {
      const QString what = QString("%1 by its %2").arg(c.window, c.byButton ? "button" : "close box");
      clickMenu("frmStart", "Help", c.item);
      QTRY_VERIFY(view_->window(c.window));
      QWidget* top = openTask("Test", "WS", "frmWTest");
      QVERIFY(top);
      typeInto("frmWTest", "Text1", "2000000");
      questions_.clear();
      bool buttonUsable = false, closed = false, runGoesOn = false;
      qsizetype asked = -1;
      answer_ = QMessageBox::Yes;
      QTimer::singleShot(0, this, [&] {
        auto* button = control<QPushButton>(c.window, "Command1");
        buttonUsable = button && button->isEnabled();
        if (c.byButton && button) QTest::mouseClick(button, Qt::LeftButton);
        else view_->window(c.window)->close();
        closed = view_->window(c.window) == nullptr && !app_->forms.find(c.window);
        asked = questions_.size();
        runGoesOn = app_->forms.busy();
        top->close();  // the run's own window asks, and Yes stops the run
      });
      click("frmWTest", "Command1");
      QVERIFY2(buttonUsable, qPrintable(what));
      QVERIFY2(closed, qPrintable(what));
      QVERIFY2(asked == 0, qPrintable(what + ": " + questions_.join(" | ")));
      QVERIFY2(runGoesOn, qPrintable(what));
      QCOMPARE(questions_.size(), 1);
      QVERIFY(view_->window("frmWTest") && !app_->forms.busy());
      click("frmWTest", "Command2");
      QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmWTest"));
    }
  }

  // The kinship progress shows its whole text ("Sort CI-values of pop 2", "compute pairs 40.0"), and a
  // stopped run leaves the box saying so. Also run at 150 % (the desktop_150 test).
  void theKinshipProgressShowsItsWholeText() {
    openExample();
    QWidget* top = openTask("Analysis", "Diploid", "frmDiplo");
    QVERIFY(top);
    for (const char* box : {"Check27", "Check16"}) click("frmDiplo", box);
    auto* progress = control<QLineEdit>("frmDiplo", "Text9");
    QStringList seen, cut;
    bool stopAsked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      const QString t = progress->text();
      if (t.isEmpty() || (!seen.isEmpty() && seen.last() == t)) return;
      seen << t;
      if (!showsWhole(progress, t)) cut << t;
      if (t.startsWith("compute pairs") && !stopAsked) {
        stopAsked = true;
        top->close();
      }
    });
    watch.start(0);
    click("frmDiplo", "Command1");
    watch.stop();
    QVERIFY2(stopAsked, qPrintable(seen.join(" | ")));
    QVERIFY2(std::any_of(seen.begin(), seen.end(), [](const QString& t) { return t.startsWith("Sort CI-values of pop "); }),
             qPrintable(seen.join(" | ")));
    QVERIFY2(cut.isEmpty(), qPrintable("cut off: " + cut.join(" | ")));
    // Stopped: the window stays, and its box says that the run was stopped, whole.
    QVERIFY(view_->window("frmDiplo") && !app_->forms.busy());
    QCOMPARE(progress->text(), QString("The run was stopped"));
    QVERIFY(showsWhole(progress, progress->text()));
    QCOMPARE(app_->model.flags.AnalysisDone, 0);
  }


  // A run with a long simulation lets the window answer all the way, also while its tables are set up
  // and sorted: no stretch between two turns of the event loop lasts more than a fraction of a second,
  // from the click to the end of the run. Meanwhile every box that takes input looks disabled, also the
  // one the focus was in, and none keeps the focus. A busy machine slows every step alike, so a stretch
  // that holds only a small share of the whole run passes too (an unstepped stretch holds much of it);
  // and the best of three runs counts, so a moment the machine gave the test no time at all fails none.
  void aLongSimulationKeepsTheWindowAnswering() {
    // One population of 30 at 3 loci: the simulated series are long and the rest of the run is short.
    QString text = "Long series\n1,3,4\nL1\nL2\nL3\nP1,10.0,50.0\n";
    for (int i = 0; i < 30; ++i)
      for (int l = 0; l < 3; ++l) text += QString("%1,%2%3").arg(1 + (i + l) % 4).arg(1 + (i * 3 + l) % 4).arg(l < 2 ? "," : "\n");
    text += "END\n";
    QFile f(path("series.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text.toLatin1()) > 0);
    f.close();
    nextFile_ = path("series.txt").toStdString();
    clickMenu("frmStart", "File", "OpenPopGen");
    QCOMPARE(app_->model.ds.NPop, 1);

    // The longest stretch without an answer, and its share of the whole run.
    qint64 best = 0;
    double bestShare = 1;
    const auto answers = [&] { return best < kLongestAnswerGapMs || bestShare < 0.1; };
    for (int attempt = 0; attempt < 3; ++attempt) {
      QWidget* top = openTask("Analysis", "Diploid", "frmDiplo");
      QVERIFY(top);
      // The window keeps its ticks from the run before.
      for (const char* box : {"Check27", "Check16"})
        if (!control<QCheckBox>("frmDiplo", box)->isChecked()) click("frmDiplo", box);
      typeInto("frmDiplo", "Text14", "6000000");
      QTest::mouseClick(control<QLineEdit>("frmDiplo", "Text10"), Qt::LeftButton);

      QElapsedTimer clock;
      qint64 last = 0, longest = 0;
      int turns = 0;
      QStringList usable;
      QTimer turn;
      connect(&turn, &QTimer::timeout, this, [&] {
        if (!app_->forms.busy()) return;
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++turns;
        for (auto* e : top->findChildren<QLineEdit*>())
          if (!e->isReadOnly() && e->isEnabled() && !usable.contains(e->objectName())) usable << e->objectName();
        if (auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget()); focus && focus->isEnabled())
          if (!usable.contains("focus " + focus->objectName())) usable << "focus " + focus->objectName();
      });
      turn.start(0);
      clock.start();
      click("frmDiplo", "Command1");
      const qint64 whole = clock.elapsed();
      longest = std::max(longest, whole - last);
      turn.stop();
      QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmDiplo"));
      QCOMPARE(app_->analysis.kinship.sim.NSim, 6000000);
      QVERIFY(turns > 10);
      QVERIFY2(usable.isEmpty(), qPrintable("usable during the run: " + usable.join(", ")));
      const double share = static_cast<double>(longest) / static_cast<double>(std::max<qint64>(whole, 1));
      if (attempt == 0 || longest < best) best = longest;
      bestShare = std::min(bestShare, share);
      if (answers()) break;
    }
    QVERIFY2(answers(), qPrintable(QString("the window did not answer for %1 ms, %2 % of a run").arg(best).arg(100 * bestShare, 0, 'f', 1)));
  }

  // A permutation test or an assignment stopped part-way says so in its progress, in place of the last
  // step it showed ("7 %", "1 / 12"), in room kept for it: no caption or box of the window moves. The
  // window stays for another run. Also run at 150 % (the desktop_150 test).
  void aStoppedRunSaysSoInItsProgress() {
    struct Case {
      const char* menu;
      const char* item;
      const char* window;
      const char* countBox;
      const char* button;
      const char* progress;
      const char* emptied;  // a second progress label that no longer applies, or null
      const char* goBack;
    };
    const auto shown = [this](const char* window, const char* name) {
      QWidget* w = view_->widget(window, name);
      if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
      if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
      return QString("(no %1)").arg(name);
    };
    // Where each caption and box of the window stands, by name, within the window.
    const auto places = [this](const char* window) {
      QMap<QString, QRect> out;
      QWidget* top = view_->window(window);
      for (QWidget* w : top->findChildren<QWidget*>())
        if ((qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
             qobject_cast<QListWidget*>(w)) &&
            !w->objectName().isEmpty() && w->isVisible())
          out[w->objectName()] = QRect(w->mapTo(top, QPoint(0, 0)), w->size());
      return out;
    };
    // Starts the run with a count too large to finish, stops it at its first progress and goes back.
    const auto stopAtFirstProgress = [&](const Case& c) {
      QWidget* top = openTask(c.menu, c.item, c.window);
      QVERIFY2(top, c.window);
      typeInto(c.window, c.countBox, "2000000");
      const QMap<QString, QRect> placed = places(c.window);
      QString before;
      QTimer watch;
      connect(&watch, &QTimer::timeout, this, [&] {
        const QString t = shown(c.window, c.progress);
        if (!app_->forms.busy() || t.isEmpty() || t == "0" || !before.isEmpty()) return;
        before = t;
        top->close();  // asks, and Yes stops the run
      });
      watch.start(0);
      click(c.window, c.button);
      watch.stop();
      QVERIFY2(!before.isEmpty(), c.progress);
      QVERIFY2(view_->window(c.window) && !app_->forms.busy(), c.progress);
      QCOMPARE(shown(c.window, c.progress), QString("The run was stopped"));
      if (c.emptied) QCOMPARE(shown(c.window, c.emptied), QString());
      // The stopped text fits its box whole, the box keeps its size, and nothing else of the window moves
      // for it.
      const QMap<QString, QRect> after = places(c.window);
      if (auto* box = qobject_cast<QLineEdit*>(view_->widget(c.window, c.progress))) {
        QVERIFY2(showsWhole(box, box->text()), c.progress);
        QCOMPARE(after.value(c.progress), placed.value(c.progress));
      }
      for (auto it = placed.begin(); it != placed.end(); ++it)
        if (it.key() != c.progress && (!c.emptied || it.key() != c.emptied))
          QVERIFY2(after.value(it.key()) == it.value(),
                   qPrintable(QString("%1 %2: %3 after the stop, %4 before")
                                  .arg(c.window, it.key(), rectText(after.value(it.key())), rectText(it.value()))));
      click(c.window, c.goBack);
      QTRY_VERIFY(view_->window("frmStart"));
    };
    openExample();
    analyse({"Check8", "Check9", "Check11"});
    const Case tests[] = {
        {"Test", "WS", "frmWTest", "Text1", "Command1", "Text2", nullptr, "Command2"},
        {"Test", "BTS", "frmTest", "Text1", "Command2", "Label4", "Label5", "Command1"},
        {"Test", "BAS", "frmTest_all", "Text1", "Command1", "Text2", nullptr, "Command2"},
    };
    for (const Case& c : tests) {
      stopAtFirstProgress(c);
      if (QTest::currentTestFailed()) return;
    }
    // The assignment and the self-assignment, each with a progress box of its own.
    openAssignmentFiles();
    const Case assignments[] = {
        {"Analysis", "AssisgnmentGr", "frmAssGr", "Text2", "Command2", "Text3", nullptr, "Command1"},
        {"Analysis", "AssisgnmentGr", "frmAssGr", "Text5", "Command4", "Text6", nullptr, "Command1"},
    };
    for (const Case& c : assignments) {
      stopAtFirstProgress(c);
      if (QTest::currentTestFailed()) return;
    }
  }

  // After an assignment with no input file read, Results > Editor opens the assignment's result file.
  void theEditorOpensTheAssignmentResults() {
    openAssignmentFiles();
    QVERIFY(openTask("Analysis", "AssisgnmentGr", "frmAssGr"));
    typeInto("frmAssGr", "Text2", "20");
    click("frmAssGr", "Command2");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmAssGr"));
    QVERIFY(QFile::exists(path("ref_oaks-out.txt")));
    // A launcher that fails names the file it was given.
    services_->editorLauncher = "false";
    messages_.clear();
    clickMenu("frmStart", "Results", "Editor");
    QTRY_COMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0], "No text editor could be started for " + path("ref_oaks-out.txt") + ".");
  }

  // The greyed criterion group under the distance shows no criterion and says why; back under a method
  // that uses one, it shows the criterion that runs, also after a distance run has put LOD1 back. The
  // window keeps its size.
  void theCriterionGroupShowsWhatWillRun() {
    openAssignmentFiles();
    QVERIFY(openTask("Analysis", "AssisgnmentGr", "frmAssGr"));
    auto* lod1 = control<QRadioButton>("frmAssGr", "Option8");
    auto* delta = control<QRadioButton>("frmAssGr", "Option9");
    QVERIFY(lod1 && delta);
    QWidget* top = view_->window("frmAssGr");
    const QSize size = top->size();
    click("frmAssGr", "Option9");
    click("frmAssGr", "Option10");
    QVERIFY(!lod1->isChecked() && !delta->isChecked());
    QVERIFY(!lod1->isEnabled() && !delta->isEnabled());
    auto* note = control<QLabel>("frmAssGr", "Label11");
    QVERIFY(note && note->isVisible());
    QCOMPARE(note->text(), QString("Not used by genetic distance methods: they use their own distribution"));
    click("frmAssGr", "Option1");
    QVERIFY(delta->isChecked() && !lod1->isChecked());
    QCOMPARE(top->size(), size);

    click("frmAssGr", "Option10");
    typeInto("frmAssGr", "Text2", "20");
    click("frmAssGr", "Command2");
    QTRY_VERIFY(view_->window("frmStart") && !view_->window("frmAssGr"));
    QVERIFY(openTask("Analysis", "AssisgnmentGr", "frmAssGr"));
    lod1 = control<QRadioButton>("frmAssGr", "Option8");
    delta = control<QRadioButton>("frmAssGr", "Option9");
    QVERIFY(!lod1->isChecked() && !delta->isChecked());
    click("frmAssGr", "Option2");
    QVERIFY(lod1->isChecked() && !delta->isChecked() && lod1->isEnabled());
  }

  void fileEndEndsTheProgram() {
    clickMenu("frmStart", "File", "End");
    QTRY_VERIFY(ended_);
    QVERIFY(!view_->window("frmStart"));
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
