#include "desktop.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <cstdlib>

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
  startProgram(app);
  view.refresh();
  // The model decides when the program ends, not the last Qt window.
  QApplication::setQuitOnLastWindowClosed(false);
  return app.forms.ended() || app.forms.loaded().empty() ? 0 : QApplication::exec();
}

}  // namespace kiwora
