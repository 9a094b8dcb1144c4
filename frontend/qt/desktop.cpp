#include "desktop.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "base/stop_signal.h"

#include "desktop_view.h"
#include "qt_services.h"
#include "ui/app.h"

namespace kiwora {
namespace {

bool envSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// The program's icon, drawn so that it needs no image plugin.
QIcon programIcon() {
  QPixmap pm(64, 64);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x1f, 0x4e, 0x79));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(2, 2, 60, 60, 12, 12);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(40);
  p.setFont(f);
  p.drawText(pm.rect(), Qt::AlignCenter, "K");
  return QIcon(pm);
}

}  // namespace

bool desktopAvailable() { return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY") || envSet("QT_QPA_PLATFORM"); }

int runDesktop(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName("Kiwora");
  QApplication::setDesktopFileName("kiwora");
  QApplication::setWindowIcon(programIcon());
  QtServices services;
  App app(services);
  registerWindows(app);
  DesktopView view(app, services);
  view.onEnded = [] { QApplication::quit(); };
  // A stop signal ends the program: a run under way stops at its next progress step or write (undoing
  // what it wrote) and every event loop, a message box's too, returns; main says why the program ended.
  std::unique_ptr<QSocketNotifier> stopSignals;
  if (stopSignalPipe() >= 0) {
    stopSignals = std::make_unique<QSocketNotifier>(stopSignalPipe(), QSocketNotifier::Read);
    QObject::connect(stopSignals.get(), &QSocketNotifier::activated, [] {
      char bytes[64];
      while (::read(stopSignalPipe(), bytes, sizeof bytes) > 0) {
      }
      QApplication::exit(1);
    });
  }
  startProgram(app);
  view.refresh();
  // The model decides when the program ends, not the last Qt window.
  QApplication::setQuitOnLastWindowClosed(false);
  if (stopSignalled()) return 1;
  return app.forms.ended() || app.forms.loaded().empty() ? 0 : QApplication::exec();
}

}  // namespace kiwora
