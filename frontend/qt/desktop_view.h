#pragma once
// Shows the windows of the widget model as Qt windows. Nothing here knows a particular window: every
// loaded window of the model gets a top-level Qt window, laid out from its controls, and the view
// follows the model after every user action, every pending-events call and before every dialog.
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qt_services.h"
#include "ui/app.h"

class QAction;
class QMenu;
class QWidget;

namespace kiwora {

class DesktopView : public QObject {
 public:
  DesktopView(App& app, QtServices& services);
  ~DesktopView() override;

  // Brings the Qt windows in line with the model: creates windows for newly loaded ones, closes those
  // unloaded, and shows every control's current caption, value, enabled and visible state.
  void refresh();
  // Called once the model has no window left (File > End, or the last window closed).
  std::function<void()> onEnded;

  // The Qt window of a loaded model window, the widget of one of its controls, a menu item's action.
  QWidget* window(const std::string& name) const;
  QWidget* widget(const std::string& windowName, const std::string& control) const;
  QAction* action(const std::string& windowName, const std::string& item) const;
  // The Qt window of the model window shown last.
  QWidget* activeWindow() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Bound;
  struct View;

  // Runs a user action on the model, then lets the view follow; handlers run one inside another only
  // through dialogs and pending events, and unloaded windows are freed once the outermost has returned.
  void act(const std::function<void()>& action);
  const Bound* bound(const std::string& windowName, const std::string& control) const;
  std::unique_ptr<View> build(Window& w);
  QWidget* makeWidget(View& v, Control* c);
  QWidget* layoutContainer(View& v, const std::vector<Control*>& items, bool boxed, const std::string& caption);
  void fillMenus(View& v, QWidget* top);
  void sync(View& v);
  // Moves a window that opens beside the main window to its place there, before it is first shown.
  void placeBesideMain(View& v);
  void placeWhenMapped(View& v);
  bool userClosed(const std::string& name, const Window* model);

  App& app_;
  QtServices& services_;
  std::vector<std::unique_ptr<View>> views_;
  int depth_ = 0;
  const Window* lastActive_ = nullptr;
  bool ended_ = false;
};

}  // namespace kiwora
