// kiwora_screenshots OUTDIR EXAMPLE
// Opens every window of the program with the example data loaded and saves a picture of each, and of
// each menu of the main window, as OUTDIR/NAME.png. Message boxes that appear are saved and closed.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "desktop_view.h"
#include "qt_services.h"
#include "ui/app.h"

namespace {

void settle() {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 150) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kiwora_screenshots OUTDIR EXAMPLE\n";
    return 2;
  }
  QApplication qapp(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  // The example is copied, so that the result files land beside the pictures.
  const QString data = out + "/demo.txt";
  QFile::remove(data);
  if (!QFile::copy(QString::fromLocal8Bit(argv[2]), data)) {
    std::cerr << "cannot copy the example to " << data.toStdString() << "\n";
    return 1;
  }

  kiwora::QtServices services;
  services.answerFileDialog = [&](const std::string&, bool save, const std::string&) { return save ? std::string() : data.toStdString(); };
  kiwora::App app(services);
  kiwora::registerWindows(app);
  kiwora::DesktopView view(app, services);
  int saved = 0;
  // Every window or menu without a picture is named at the end, and fails the run.
  std::vector<std::string> missing;
  auto save = [&](QWidget* w, const QString& name) {
    settle();
    if (w && w->grab().save(out + "/" + name + ".png")) {
      std::cout << out.toStdString() << "/" << name.toStdString() << ".png\n";
      ++saved;
    } else {
      missing.push_back(name.toStdString());
    }
  };
  // Message boxes are pictured and answered.
  QTimer boxes;
  int boxCount = 0;
  QObject::connect(&boxes, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      save(box, QString("message-%1").arg(++boxCount));
      box->accept();
    }
  });
  boxes.start(200);

  kiwora::startProgram(app);
  view.refresh();
  save(view.window("frmStart"), "frmStart-empty");
  services.answerFileDialog = [&](const std::string&, bool save, const std::string&) { return save ? std::string() : data.toStdString(); };
  app.forms.find("frmStart")->get<kiwora::MenuItem>("OpenPopGen").click();
  view.refresh();
  save(view.window("frmStart"), "frmStart");
  if (auto* bar = view.window("frmStart")->findChild<QMenuBar*>()) {
    for (QAction* a : bar->actions()) {
      QMenu* m = a->menu();
      if (!m) continue;
      m->popup(bar->mapToGlobal(bar->actionGeometry(a).bottomLeft()));
      save(m, "frmStart-menu-" + m->objectName());
      m->hide();
    }
  }

  for (const std::string& name : app.forms.registered()) {
    if (name == "frmStart") continue;
    try {
      app.forms.show(name);
    } catch (const std::exception& e) {
      std::cerr << name << ": " << e.what() << "\n";
      missing.push_back(name);
      app.forms.unload(name);
      view.refresh();
      continue;
    }
    view.refresh();
    save(view.window(name), QString::fromStdString(name));
    app.forms.unload(name);
    view.refresh();
  }
  std::cout << saved << " pictures\n";
  for (const std::string& name : missing) std::cerr << "no picture of " << name << "\n";
  return missing.empty() && saved > 0 ? 0 : 1;
}
