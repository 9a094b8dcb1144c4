#include "qt_services.h"

#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <chrono>

namespace kiwora {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A fresh empty text file in the temporary folder, so that the default text handler starts.
QString emptyTextFile() {
  const QString path = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/kiwora-notes.txt";
  QFile f(path);
  if (!QFileInfo::exists(path) && f.open(QIODevice::WriteOnly)) f.close();
  return path;
}

}  // namespace

std::string QtServices::fileDialog(const std::string& title, bool save, const std::string& proposed) {
  if (answerFileDialog) return answerFileDialog(title, save, proposed);
  if (beforeModal) beforeModal();
  QWidget* parent = parentWindow ? parentWindow() : nullptr;
  const QString filter = "All files (*.*)";
  if (!save) return QFileDialog::getOpenFileName(parent, qs(title), QString(), filter).toStdString();
  // The save dialog asks before it lets the user pick a file that exists.
  QFileDialog dialog(parent, qs(title), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!proposed.empty()) {
    // It opens in the nearest folder of the path that exists, the rest of the path as the file's name: a
    // path into a missing folder shows whole, not as its last part in another folder.
    const QString file = QFileInfo(qs(proposed)).absoluteFilePath();
    QString folder = QFileInfo(file).absolutePath();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot()) folder = QFileInfo(folder).absolutePath();
    dialog.setDirectory(folder);
    dialog.selectFile(QDir(folder).relativeFilePath(file));
  }
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().first().toStdString()
             : std::string();
}

std::string QtServices::openFileDialog(const std::string& title) { return fileDialog(title, false, {}); }
std::string QtServices::saveFileDialog(const std::string& title, const std::string& proposed) {
  return fileDialog(title, true, proposed);
}

void QtServices::messageBox(const std::string& text) {
  if (beforeModal) beforeModal();
  QWidget* parent = parentWindow ? parentWindow() : nullptr;
  QMessageBox box(QMessageBox::NoIcon, "Kiwora", qs(text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtServices::doEvents() {
  if (beforeModal) beforeModal();
  QApplication::processEvents();
}

QtServices::QtServices() : launches_(std::make_unique<QObject>()) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  editorLauncher = "xdg-open";
#endif
}

QtServices::~QtServices() = default;

void QtServices::startEditor(const std::string& file) {
  // Without a file (or with one that has gone), an empty text file, so that the text handler starts.
  QString path = file.empty() || !QFileInfo::exists(qs(file)) ? emptyTextFile() : qs(file);
  const std::string failed = "No text editor could be started for " + path.toStdString() + ".";
  // The result files carry the extension .txt; the desktop opens them with its text editor.
  if (editorLauncher.empty()) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) messageBox(failed);
    return;
  }
  // The launcher's exit code tells whether the editor came up (it fails, for example, when text files
  // belong to a terminal editor and there is no terminal). It may run as long as the editor does, so the
  // answer comes later; the process is left running when the program ends, so as not to end the editor.
  auto* launcher = new QProcess;
  QObject::connect(launcher, &QProcess::errorOccurred, launches_.get(), [this, launcher, failed](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;  // a crash is reported by finished
    launcher->deleteLater();
    messageBox(failed);
  });
  QObject::connect(launcher, &QProcess::finished, launches_.get(),
                   [this, launcher, failed](int code, QProcess::ExitStatus status) {
                     launcher->deleteLater();
                     if (status != QProcess::NormalExit || code != 0) messageBox(failed);
                   });
  launcher->start(qs(editorLauncher), {path});
}

std::string QtServices::today() {
  return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

char QtServices::decimalSign() {
  const QString sign = QLocale::system().decimalPoint();
  // The written files are plain ASCII: a sign outside it falls back to the point.
  return sign.size() == 1 && sign[0].unicode() < 128 ? static_cast<char>(sign[0].unicode()) : '.';
}

std::uint64_t QtServices::clockSeed() {
  return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

}  // namespace kiwora
