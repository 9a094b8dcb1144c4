#include "desktop_view.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QHBoxLayout>
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
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <map>

namespace kiwora {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A model window's top-level Qt window: its close box unloads the model window.
class TopWindow : public QWidget {
 public:
  std::function<bool()> onClose;  // false keeps the window open
  bool closingFromModel = false;

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (!closingFromModel && onClose && !onClose()) {
      e->ignore();
      return;
    }
    e->accept();
  }
};

// A list whose entries act on the model only when the user picks one: each press of the left button on
// an entry picks it, also the entry that is already current; each move of the current entry by the keys
// (or by dragging the pressed mouse) picks the entry it moves to. Qt also changes the current entry by
// itself (the first entry when the list gains the focus); such changes are not the user's choice and must
// not reach the model.
class ListView : public QListWidget {
 public:
  explicit ListView(std::function<void(int)> onPick) : onPick_(std::move(onPick)) {
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
      if (row >= 0 && moving_ > 0 && pressing_ == 0) onPick_(row);
    });
  }

 protected:
  void focusInEvent(QFocusEvent* e) override {
    const bool none = currentRow() < 0;
    QListWidget::focusInEvent(e);
    if (none && currentRow() >= 0) {
      const QSignalBlocker block(this);
      selectionModel()->clearCurrentIndex();
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) {
      e->accept();  // only the left button picks; the others leave the list as it is
      return;
    }
    const QModelIndex at = indexAt(e->position().toPoint());
    // The change of the current entry that the press makes is this one pick, not a second.
    ++pressing_;
    QListWidget::mousePressEvent(e);
    --pressing_;
    if (at.isValid() && currentRow() == at.row()) onPick_(at.row());
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    // The second press of a double click picks the entry once more, as a second click would.
    mousePressEvent(e);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    ++moving_;
    QListWidget::mouseMoveEvent(e);
    --moving_;
  }
  void keyPressEvent(QKeyEvent* e) override {
    ++moving_;
    QListWidget::keyPressEvent(e);
    --moving_;
  }

 private:
  std::function<void(int)> onPick_;
  int moving_ = 0;
  int pressing_ = 0;
};

// Shows `colour` ("#rrggbb") as the widget's text colour; empty leaves the desktop's own.
void applyColour(QWidget* w, const std::string& colour) {
  if (colour.empty()) return;
  const QColor c(QString::fromStdString(colour));
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, c);
  p.setColor(QPalette::Text, c);
  p.setColor(QPalette::ButtonText, c);
  w->setPalette(p);
  // A frame's caption is drawn by the style, which some styles colour from their own sheet.
  if (qobject_cast<QGroupBox*>(w))
    w->setStyleSheet(QString("QGroupBox::title { color: %1; }").arg(c.name()));
}

// True for the controls that a user acts on (and that therefore look disabled while a run ignores them).
bool takesInput(const Control* c) {
  switch (c->kind()) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::ListBox:
    case ControlKind::MenuItem:
      return true;
    case ControlKind::TextBox:
      return !c->displayOnly;
    default:
      return false;
  }
}

bool isFrame(const Control* c) { return c->kind() == ControlKind::Frame; }
bool isButton(const Control* c) { return c->kind() == ControlKind::Button; }
bool isMenuPart(const Control* c) { return c->kind() == ControlKind::Menu || c->kind() == ControlKind::MenuItem; }

std::vector<Control*> childrenOf(const Window& w, const std::string& container) {
  std::vector<Control*> out;
  for (Control* c : w.controls())
    if (c->container() == container && !isMenuPart(c) && c->under.empty()) out.push_back(c);
  return out;
}

// The controls drawn under `frame` rather than in the window's own order.
std::vector<Control*> placedUnder(const Window& w, const std::string& frame) {
  std::vector<Control*> out;
  for (Control* c : w.controls())
    if (c->under == frame) out.push_back(c);
  return out;
}

bool holdsList(const Window& w, const Control* frame) {
  for (const Control* c : childrenOf(w, frame->name()))
    if (c->kind() == ControlKind::ListBox) return true;
  return false;
}

// A width that fits `chars` digits of the widget's font.
int charsWide(const QWidget* w, int chars) { return w->fontMetrics().horizontalAdvance(QString(chars, '0')) + 12; }

// The width of a line edit that shows `text` whole: the text, the frame and the edit's own margins.
int textWide(const QLineEdit* e, const QString& text) {
  const QMargins m = e->textMargins();
  return e->fontMetrics().horizontalAdvance(text) + m.left() + m.right() + 16;
}

// Splits heights into `cols` consecutive groups so that the tallest group is as low as possible;
// returns the index where each group starts.
std::vector<std::size_t> balancedSplit(const std::vector<int>& h, std::size_t cols) {
  const std::size_t n = h.size();
  std::vector<long> prefix(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + h[i];
  const long inf = 1L << 40;
  // best[k][i]: the lowest tallest group when the first i heights form k groups.
  std::vector<std::vector<long>> best(cols + 1, std::vector<long>(n + 1, inf));
  std::vector<std::vector<std::size_t>> cut(cols + 1, std::vector<std::size_t>(n + 1, 0));
  best[0][0] = 0;
  for (std::size_t k = 1; k <= cols; ++k)
    for (std::size_t i = 1; i <= n; ++i)
      for (std::size_t j = k - 1; j < i; ++j) {
        const long v = std::max(best[k - 1][j], prefix[i] - prefix[j]);
        if (v < best[k][i]) {
          best[k][i] = v;
          cut[k][i] = j;
        }
      }
  std::vector<std::size_t> starts(cols);
  std::size_t i = n;
  for (std::size_t k = cols; k >= 1; --k) {
    starts[k - 1] = cut[k][i];
    i = cut[k][i];
  }
  return starts;
}

// The free area of the window's screen less the window manager's frame, which is not known before the
// first show: room for a title bar and borders.
QSize screenRoom(const QWidget* top) {
  const QScreen* screen = top->screen() ? top->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {1024, 768};
  const QStyle* style = top->style();
  const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, top);
  const int title = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, top);
  return screen->availableGeometry().size() - QSize(2 * border, title + border);
}

// A window larger than the free area of its screen shows its controls in a scroll area, at the largest
// size that fits; the menu bar and the button bar stay in view. A window that fits is left as it is.
// Called once the window has its captions and its size: a scroll area's own size hint is bounded to a
// few dozen lines of text and would not tell the window's natural size.
void fitToScreen(QWidget* top, QBoxLayout* outer, QWidget* body) {
  if (!top->screen()) return;
  const QStyle* style = top->style();
  const QSize room = screenRoom(top);
  if (top->width() <= room.width() && top->height() <= room.height()) return;

  // As large as the controls ask for (the first size is held to part of the screen), plus a scroll
  // bar across each way that scrolls, within the room.
  QSize size = top->sizeHint().expandedTo(top->size());
  const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, top);
  if (size.width() > room.width()) size.rheight() += bar;
  if (size.height() > room.height()) size.rwidth() += bar;
  auto* scroll = new QScrollArea;
  scroll->setObjectName("controls");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  delete outer->replaceWidget(body, scroll);
  scroll->setWidget(body);
  // The window's least size now comes from the scroll area, not from the controls.
  outer->activate();
  top->resize(size.boundedTo(room));
}

// Where a window whose frame is `size` opens beside `anchor`, the frame of the main window, within
// `free`, the free area of the main window's screen: to its right, else to its left, below or above,
// lined up with its edge. Each place is moved into the free area as far as needed; where no side has
// room, the window opens where it covers least of the main window.
QPoint besideOnScreen(const QRect& anchor, const QSize& size, const QRect& free) {
  const int gap = 8;
  const auto inX = [&](int x) { return std::max(free.left(), std::min(x, free.right() + 1 - size.width())); };
  const auto inY = [&](int y) { return std::max(free.top(), std::min(y, free.bottom() + 1 - size.height())); };
  const QPoint sides[] = {
      {inX(anchor.right() + 1 + gap), inY(anchor.top())},
      {inX(anchor.left() - gap - size.width()), inY(anchor.top())},
      {inX(anchor.left()), inY(anchor.bottom() + 1 + gap)},
      {inX(anchor.left()), inY(anchor.top() - gap - size.height())},
  };
  const auto covered = [&](const QPoint& p) {
    const QRect both = anchor.intersected(QRect(p, size));
    return both.isEmpty() ? 0LL : static_cast<long long>(both.width()) * both.height();
  };
  QPoint best = sides[0];
  for (const QPoint& p : sides)
    if (covered(p) < covered(best)) best = p;
  return best;
}

}  // namespace

struct DesktopView::Bound {
  Control* control = nullptr;
  QWidget* widget = nullptr;
  QAction* action = nullptr;
  std::vector<std::string> items;  // the entries a list widget shows
};

struct DesktopView::View {
  Window* model = nullptr;
  std::string name;
  QPointer<TopWindow> top;
  std::vector<Bound> bound;
  std::map<std::string, std::size_t> byName;
  std::map<QObject*, Control*> textBoxes;
  // The option buttons of each frame (by its name; "" for the window itself), one exclusive group each,
  // so that the arrow keys choose within the frame as in any dialog.
  std::map<std::string, QButtonGroup*> optionGroups;
  bool shown = false;
};

DesktopView::DesktopView(App& app, QtServices& services) : app_(app), services_(services) {
  services_.beforeModal = [this] { refresh(); };
  services_.parentWindow = [this] { return activeWindow(); };
}

DesktopView::~DesktopView() {
  services_.beforeModal = nullptr;
  services_.parentWindow = nullptr;
  for (auto& v : views_)
    if (v->top) {
      v->top->closingFromModel = true;
      delete v->top;
    }
}

QWidget* DesktopView::window(const std::string& name) const {
  for (auto& v : views_)
    if (v->name == name) return v->top;
  return nullptr;
}

const DesktopView::Bound* DesktopView::bound(const std::string& windowName, const std::string& control) const {
  for (auto& v : views_)
    if (v->name == windowName) {
      auto it = v->byName.find(control);
      return it == v->byName.end() ? nullptr : &v->bound[it->second];
    }
  return nullptr;
}

QWidget* DesktopView::widget(const std::string& windowName, const std::string& control) const {
  const Bound* b = bound(windowName, control);
  return b ? b->widget : nullptr;
}

QAction* DesktopView::action(const std::string& windowName, const std::string& item) const {
  const Bound* b = bound(windowName, item);
  return b ? b->action : nullptr;
}

QWidget* DesktopView::activeWindow() const {
  const Window* active = app_.forms.active();
  for (auto& v : views_)
    if (v->model == active) return v->top;
  return nullptr;
}

void DesktopView::act(const std::function<void()>& action) {
  ++depth_;
  try {
    if (depth_ == 1) app_.forms.collect();
    action();
  } catch (const std::exception& e) {
    QMessageBox::critical(activeWindow(), "Kiwora", QString("The action failed: ") + e.what());
  }
  --depth_;
  refresh();
}

void DesktopView::refresh() {
  // Windows the model has unloaded (or replaced by a new instance of the same name) go first.
  for (auto it = views_.begin(); it != views_.end();) {
    if (app_.forms.find((*it)->name) == (*it)->model) {
      ++it;
      continue;
    }
    if ((*it)->top) {
      (*it)->top->closingFromModel = true;
      (*it)->top->hide();
      (*it)->top->deleteLater();
    }
    it = views_.erase(it);
  }
  const std::vector<Window*> loaded = app_.forms.loaded();
  for (Window* w : loaded) {
    const bool known = std::any_of(views_.begin(), views_.end(), [w](auto& v) { return v->model == w; });
    if (!known) views_.push_back(build(*w));
  }
  for (auto& v : views_) sync(*v);
  for (auto& v : views_)
    if (!v->shown && v->top) {
      v->shown = true;
      if (v->model->besideMain) placeBesideMain(*v);
      v->top->show();
      if (v->model->besideMain) placeWhenMapped(*v);
    }
  const Window* active = app_.forms.active();
  if (active != lastActive_) {
    lastActive_ = active;
    if (QWidget* top = activeWindow()) {
      top->raise();
      top->activateWindow();
    }
  }
  if (depth_ == 0) app_.forms.collect();
  if ((app_.forms.ended() || loaded.empty()) && !ended_) {
    ended_ = true;
    if (onEnded) onEnded();
  }
}

namespace {

// The window manager's frame around a top-level window: none before the window is mapped.
QMargins frameMargins(const QWidget* top) {
  const QRect frame = top->frameGeometry(), inner = top->geometry();
  return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
          frame.bottom() - inner.bottom()};
}

// Calls `placed` once, when the window is first on the screen.
class WhenMapped : public QObject {
 public:
  WhenMapped(QWindow* window, std::function<void()> placed) : QObject(window), placed_(std::move(placed)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (e->type() == QEvent::Expose && window && window->isExposed() && placed_) {
      window->removeEventFilter(this);
      const auto placed = std::move(placed_);
      placed_ = nullptr;
      deleteLater();
      placed();
    }
    return false;
  }

 private:
  std::function<void()> placed_;
};

}  // namespace

void DesktopView::placeWhenMapped(View& v) {
  // Right after the program starts the main window's frame may not be known yet, and a window's size may
  // still change as it is first laid out: the first place is a guess, made good once the window is on
  // the screen with its own frame and size.
  QWindow* handle = v.top->windowHandle();
  if (!handle) return;
  new WhenMapped(handle, [this, top = QPointer<TopWindow>(v.top)] {
    for (auto& view : views_)
      if (top && view->top == top) placeBesideMain(*view);
  });
}

void DesktopView::placeBesideMain(View& v) {
  // The main window: the one shown that does not itself open beside another.
  const QWidget* main = nullptr;
  for (auto it = views_.rbegin(); it != views_.rend() && !main; ++it)
    if ((*it)->shown && (*it)->top && (*it)->top->isVisible() && !(*it)->model->besideMain) main = (*it)->top;
  if (!main || !main->screen()) return;
  // The window's own frame once it is mapped; before, it will be the main window's.
  const QRect frame = main->frameGeometry();
  const QMargins own = frameMargins(v.top);
  const QSize size = v.top->size().grownBy(own.isNull() ? frameMargins(main) : own);
  // At a fractional scale the frame and the screen are rounded to whole pixels: a little room keeps the
  // frame's last pixels on the screen. move() places the frame's top left corner.
  const QRect free = main->screen()->availableGeometry().adjusted(2, 2, -2, -2);
  v.top->move(besideOnScreen(frame, size, free));
}

bool DesktopView::userClosed(const std::string& name, const Window* model) {
  // A run under way keeps its window; the user may stop the run, which ends at its next progress step
  // and leaves the window open. A window that takes no part in runs just closes.
  const bool apart = app_.forms.find(name) == model && model->apartFromRuns;
  if (app_.forms.busy() && !apart) {
    const auto answer = QMessageBox::question(window(name), "Kiwora",
                                              "A calculation is under way. Stop it? Nothing of it is written to the result file.",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) app_.services.requestStop();
    return false;
  }
  // The close box runs none of the window's handlers: the window is unloaded, and the program ends
  // when no window is left.
  act([this, &name, model] {
    if (app_.forms.find(name) != model) return;
    app_.forms.unload(name);
    if (app_.forms.loaded().empty()) app_.forms.end();
  });
  return true;
}

std::unique_ptr<DesktopView::View> DesktopView::build(Window& w) {
  auto v = std::make_unique<View>();
  v->model = &w;
  v->name = w.name();
  auto* top = new TopWindow;
  v->top = top;
  top->setObjectName(qs(w.name()));
  top->setAttribute(Qt::WA_DeleteOnClose, false);
  top->onClose = [this, name = w.name(), model = &w] { return userClosed(name, model); };

  auto* outer = new QVBoxLayout(top);
  outer->setContentsMargins(12, 12, 12, 12);
  outer->setSpacing(10);
  fillMenus(*v, top);

  // Sections in model order: each frame, each run of loose controls, each run of buttons.
  struct Section {
    enum Kind { Frame, Loose, Buttons } kind;
    std::vector<Control*> controls;
  };
  std::vector<Section> sections;
  for (Control* c : childrenOf(w, "")) {
    const Section::Kind kind = isFrame(c) ? Section::Frame : isButton(c) ? Section::Buttons : Section::Loose;
    if (kind == Section::Frame || sections.empty() || sections.back().kind != kind) sections.push_back({kind, {}});
    sections.back().controls.push_back(c);
  }
  // The last run of buttons is the window's button bar when only captions and pictures follow it.
  std::vector<Control*> bottom;
  for (std::size_t i = sections.size(); i-- > 0;) {
    if (sections[i].kind == Section::Buttons) {
      if (sections.size() > 1) {
        bottom = sections[i].controls;
        sections.erase(sections.begin() + static_cast<long>(i));
      }
      break;
    }
    const bool passive = sections[i].kind == Section::Loose &&
                         std::all_of(sections[i].controls.begin(), sections[i].controls.end(), [](const Control* c) {
                           return c->kind() == ControlKind::Label || c->kind() == ControlKind::Picture;
                         });
    if (!passive) break;
  }

  auto buttonRun = [&](const std::vector<Control*>& buttons, bool vertical) {
    auto* box = new QWidget;
    QBoxLayout* l = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box)) : new QHBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->addStretch();
    for (Control* b : buttons) l->addWidget(makeWidget(*v, b));
    l->addStretch();
    return box;
  };
  auto sectionWidget = [&](const Section& s) -> QWidget* {
    if (s.kind == Section::Frame) {
      const std::string& name = s.controls[0]->name();
      QWidget* frame = layoutContainer(*v, childrenOf(w, name), true, name);
      const std::vector<Control*> under = placedUnder(w, name);
      if (under.empty()) return frame;
      auto* stack = new QWidget;
      auto* l = new QVBoxLayout(stack);
      l->setContentsMargins(0, 0, 0, 0);
      l->addWidget(frame, 1);
      l->addWidget(layoutContainer(*v, under, false, ""));
      return stack;
    }
    if (s.kind == Section::Buttons) return buttonRun(s.controls, false);
    return layoutContainer(*v, s.controls, false, "");
  };

  // Frames that hold lists stand side by side, with the buttons that move entries between them.
  std::vector<QWidget*> blocks;
  for (std::size_t i = 0; i < sections.size();) {
    auto listFrame = [&](std::size_t k) {
      return k < sections.size() && sections[k].kind == Section::Frame && holdsList(w, sections[k].controls[0]);
    };
    if (!listFrame(i)) {
      blocks.push_back(sectionWidget(sections[i]));
      ++i;
      continue;
    }
    std::vector<const Section*> strip;
    while (i < sections.size() && (listFrame(i) || (sections[i].kind == Section::Buttons && !strip.empty()))) {
      strip.push_back(&sections[i]);
      ++i;
    }
    // Two lists followed by their buttons: the buttons go between the lists they serve.
    if (strip.size() == 3 && strip[2]->kind == Section::Buttons) std::swap(strip[1], strip[2]);
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    for (const Section* s : strip)
      h->addWidget(s->kind == Section::Buttons ? buttonRun(s->controls, true) : sectionWidget(*s),
                   s->kind == Section::Buttons ? 0 : 1);
    blocks.push_back(row);
  }

  // The blocks fill as few columns as keep the window within the screen's height; never more than fit
  // side by side within its width, so that a window too tall for the screen scrolls only up and down.
  // Measured with the captions in place.
  top->setWindowTitle(qs(w.caption));
  sync(*v);
  std::vector<int> heights, widths;
  for (QWidget* b : blocks) {
    heights.push_back(b->sizeHint().height() + outer->spacing());
    widths.push_back(b->sizeHint().width());
  }
  const QSize room = screenRoom(top);
  const int limit = std::min(640, room.height() * 3 / 4);
  const QMargins margins = outer->contentsMargins();
  const int scrollBar = top->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, top);
  const int widthRoom = room.width() - margins.left() - margins.right() - scrollBar;
  const int columnSpacing = 12;
  std::size_t cols = 1;
  for (std::size_t c = 1; c <= std::min<std::size_t>(blocks.size(), 4); ++c) {
    const auto starts = balancedSplit(heights, c);
    int tallest = 0, wide = columnSpacing * static_cast<int>(c - 1);
    for (std::size_t k = 0; k < c; ++k) {
      const std::size_t end = k + 1 < c ? starts[k + 1] : blocks.size();
      int sum = 0, widest = 0;
      for (std::size_t j = starts[k]; j < end; ++j) {
        sum += heights[j];
        widest = std::max(widest, widths[j]);
      }
      tallest = std::max(tallest, sum);
      wide += widest;
    }
    if (c > 1 && wide > widthRoom) break;
    cols = c;
    if (tallest <= limit) break;
  }
  QWidget* body = nullptr;
  if (!blocks.empty()) {
    const auto starts = balancedSplit(heights, cols);
    body = new QWidget;
    auto* columns = new QHBoxLayout(body);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(columnSpacing);
    for (std::size_t k = 0; k < cols; ++k) {
      auto* col = new QVBoxLayout;
      col->setSpacing(outer->spacing());
      const std::size_t end = k + 1 < cols ? starts[k + 1] : blocks.size();
      for (std::size_t j = starts[k]; j < end; ++j) col->addWidget(blocks[j]);
      col->addStretch();
      columns->addLayout(col, 1);
    }
    outer->addWidget(body, 1);
  }
  if (!bottom.empty()) {
    auto* bar = new QHBoxLayout;
    for (Control* b : bottom)
      if (b->barLeft) bar->addWidget(makeWidget(*v, b));
    bar->addStretch();
    for (Control* b : bottom)
      if (!b->barLeft) bar->addWidget(makeWidget(*v, b));
    outer->addLayout(bar);
  }
  // Escape presses the window's "Go back" (or its OK), through the button, so a disabled one does nothing.
  if (!w.escapeButton.empty())
    if (auto it = v->byName.find(w.escapeButton); it != v->byName.end())
      if (QPointer<QPushButton> button = qobject_cast<QPushButton*>(v->bound[it->second].widget)) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), top);
        connect(escape, &QShortcut::activated, this, [button] {
          if (button && button->isEnabled() && button->isVisible()) button->click();
        });
      }
  // A window with a menu bar is a main window: room for its menus and a comfortable size.
  if (QMenuBar* mb = top->findChild<QMenuBar*>())
    top->setMinimumWidth(std::max(mb->sizeHint().width() + 24, charsWide(top, 40)));
  sync(*v);
  top->adjustSize();
  if (body) fitToScreen(top, outer, body);
  return v;
}

void DesktopView::fillMenus(View& v, QWidget* top) {
  std::map<std::string, QMenu*> menus;
  QMenuBar* bar = nullptr;
  for (Control* c : v.model->controls()) {
    if (!isMenuPart(c)) continue;
    if (!bar) {
      bar = new QMenuBar(top);
      top->layout()->setMenuBar(bar);
    }
    auto parent = menus.find(c->container());
    Bound b;
    b.control = c;
    if (c->kind() == ControlKind::Menu) {
      QMenu* m = parent == menus.end() ? bar->addMenu(qs(c->caption)) : parent->second->addMenu(qs(c->caption));
      m->setObjectName(qs(c->name()));
      menus[c->name()] = m;
      b.widget = m;
      b.action = m->menuAction();
    } else {
      QAction* a = parent == menus.end() ? bar->addAction(qs(c->caption)) : parent->second->addAction(qs(c->caption));
      a->setObjectName(qs(c->name()));
      auto* item = static_cast<MenuItem*>(c);
      connect(a, &QAction::triggered, this, [this, item] {
        act([item] {
          if (item->usable()) item->click();
        });
      });
      b.action = a;
    }
    v.byName[c->name()] = v.bound.size();
    v.bound.push_back(std::move(b));
  }
}

QWidget* DesktopView::layoutContainer(View& v, const std::vector<Control*>& items, bool boxed,
                                      const std::string& frameName) {
  QWidget* box = nullptr;
  if (boxed) {
    Control* frame = v.model->find(frameName);
    auto* g = new QGroupBox(qs(frame->caption));
    g->setObjectName(qs(frameName));
    applyColour(g, frame->colour);
    v.byName[frameName] = v.bound.size();
    v.bound.push_back({frame, g, nullptr, {}});
    box = g;
  } else {
    box = new QWidget;
  }
  auto* grid = new QGridLayout(box);
  if (!boxed) grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(10);
  grid->setColumnStretch(0, 1);
  int row = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    Control* c = items[i];
    Control* next = i + 1 < items.size() ? items[i + 1] : nullptr;
    if (isFrame(c)) {
      grid->addWidget(layoutContainer(v, childrenOf(*v.model, c->name()), true, c->name()), row++, 0, 1, 2);
    } else if (isButton(c)) {
      auto* h = new QHBoxLayout;
      for (; i < items.size() && isButton(items[i]); ++i) h->addWidget(makeWidget(v, items[i]));
      --i;
      h->addStretch();
      grid->addLayout(h, row++, 0, 1, 2);
    } else if ((c->kind() == ControlKind::Label || c->kind() == ControlKind::CheckBox) && next &&
               next->kind() == ControlKind::TextBox) {
      // A caption and the box it describes share a row.
      grid->addWidget(makeWidget(v, c), row, 0);
      QWidget* box = makeWidget(v, next);
      // Boxes outside frames take names and titles rather than numbers.
      if (!boxed) box->setFixedWidth(charsWide(box, 28));
      grid->addWidget(box, row++, 1);
      ++i;
    } else if (c->kind() == ControlKind::TextBox) {
      grid->addWidget(makeWidget(v, c), row++, 1);

    } else {
      grid->addWidget(makeWidget(v, c), row++, 0, 1, 2);
    }
  }
  // A frame with nothing in it shows only its caption, as a heading.
  if (boxed && items.empty()) {
    auto* g = static_cast<QGroupBox*>(box);
    g->setFlat(true);
    g->setStyleSheet("QGroupBox { border: none; }");
  }
  return box;
}

QWidget* DesktopView::makeWidget(View& v, Control* c) {
  QWidget* w = nullptr;
  switch (c->kind()) {
    case ControlKind::Picture: {
      auto* l = new QLabel;
      l->setTextFormat(Qt::PlainText);
      QFont f = l->font();
      if (c->caption.find('\n') != std::string::npos) {
        // A picture of text, e.g. an example file, keeps its columns.
        l->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        l->setFrameShape(QFrame::StyledPanel);
        l->setAutoFillBackground(true);
        l->setBackgroundRole(QPalette::Base);
        l->setMargin(10);
      } else {
        // The title picture is drawn as a title.
        f.setPointSizeF(f.pointSizeF() * 2.6);
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignCenter);
        l->setMargin(16);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor(0x1f, 0x4e, 0x79));
        l->setPalette(p);
      }
      w = l;
      break;
    }
    case ControlKind::Label:
    case ControlKind::Frame: {
      auto* l = new QLabel;
      l->setTextFormat(Qt::PlainText);
      // A label that never had a text stands a few pixels taller than one whose text was emptied: given
      // one here (sync() puts the caption in), a label that shows progress moves nothing when its first
      // text comes or when it is emptied.
      l->setText(QStringLiteral(" "));
      if (c->caption.size() > 70) {
        l->setWordWrap(true);
        l->setMinimumWidth(charsWide(l, 40));
      }
      if (isFrame(c)) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
      }
      w = l;
      break;
    }
    case ControlKind::Button: {
      auto* b = new QPushButton;
      // Enter on a focused button presses it.
      b->setAutoDefault(true);
      auto* button = static_cast<Button*>(c);
      connect(b, &QPushButton::clicked, this, [this, button] {
        act([button] {
          if (button->usable()) button->click();
        });
      });
      b->setMinimumWidth(charsWide(b, 3));
      w = b;
      break;
    }
    case ControlKind::CheckBox: {
      auto* b = new QCheckBox;
      auto* box = static_cast<CheckBox*>(c);
      connect(b, &QCheckBox::clicked, this, [this, box](bool checked) { act([box, checked] { box->setValue(checked ? 1 : 0); }); });
      w = b;
      break;
    }
    case ControlKind::OptionButton: {
      auto* b = new QRadioButton;
      // The model clears the other options of the frame; the group shows it, and moves the choice with
      // the arrow keys as a click would.
      QButtonGroup*& group = v.optionGroups[c->container()];
      if (!group) group = new QButtonGroup(v.top);
      group->addButton(b);
      auto* option = static_cast<OptionButton*>(c);
      connect(b, &QRadioButton::clicked, this, [this, option] { act([option] { option->setValue(true); }); });
      w = b;
      break;
    }
    case ControlKind::TextBox: {
      auto* e = new QLineEdit;
      auto* text = static_cast<TextBox*>(c);
      if (c->displayOnly) {
        // Shows progress or a count: nothing to type, and Tab and Enter pass it by.
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setFixedWidth(charsWide(e, std::max(9, c->widthChars)));
        w = e;
        break;
      }
      connect(e, &QLineEdit::textEdited, this, [this, text](const QString& t) { act([text, t] { text->setText(t.toStdString()); }); });
      // Enter leaves the box as Tab does.
      connect(e, &QLineEdit::returnPressed, this, [e] {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(e, &tab);
      });
      e->installEventFilter(this);
      v.textBoxes[e] = c;
      e->setFixedWidth(charsWide(e, 9));
      w = e;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = static_cast<ListBox*>(c);
      auto* l = new ListView([this, list](int row) { act([list, row] { list->clickItem(row); }); });
      l->setMinimumSize(charsWide(l, 18), l->fontMetrics().height() * 12);
      w = l;
      break;
    }
    case ControlKind::Menu:
    case ControlKind::MenuItem:
      break;
  }
  w->setObjectName(qs(c->name()));
  applyColour(w, c->colour);
  v.byName[c->name()] = v.bound.size();
  v.bound.push_back({c, w, nullptr, {}});
  return w;
}

bool DesktopView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Leaving the box by Tab, Enter, a click or a shortcut; not a dialog or menu taking the focus.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      for (auto& v : views_) {
        auto it = v->textBoxes.find(watched);
        if (it == v->textBoxes.end()) continue;
        if (app_.forms.find(v->name) != v->model) break;
        auto* text = static_cast<TextBox*>(it->second);
        // Raised before the clicked control's own handler, as the window code expects.
        act([text] { text->leave(); });
        break;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

void DesktopView::sync(View& v) {
  if (!v.top) return;
  // While a run is under way the controls whose handlers then do nothing look disabled.
  const bool busy = app_.forms.busy() && !v.model->apartFromRuns;
  const auto enabled = [busy](const Control* c) {
    return c->enabled && !(busy && takesInput(c));
  };
  if (v.top->windowTitle() != qs(v.model->caption)) v.top->setWindowTitle(qs(v.model->caption));
  for (Bound& b : v.bound) {
    Control* c = b.control;
    if (b.action) {
      b.action->setEnabled(enabled(c));
      b.action->setVisible(c->visible);
      if (b.action->text() != qs(c->caption)) b.action->setText(qs(c->caption));
      continue;
    }
    QWidget* w = b.widget;
    const QSignalBlocker block(w);
    w->setEnabled(enabled(c));
    w->setHidden(!c->visible);
    const QString caption = qs(c->caption);
    switch (c->kind()) {
      case ControlKind::Label:
      case ControlKind::Picture:
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != caption) l->setText(caption);
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != caption) g->setTitle(caption);
        break;
      case ControlKind::Frame:
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != caption) g->setTitle(caption);
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != caption) l->setText(caption);
        break;
      case ControlKind::Button:
        if (auto* p = static_cast<QPushButton*>(w); p->text() != caption) p->setText(caption);
        break;
      case ControlKind::CheckBox: {
        auto* b2 = static_cast<QCheckBox*>(w);
        if (b2->text() != caption) b2->setText(caption);
        b2->setChecked(static_cast<CheckBox*>(c)->value() == 1);
        break;
      }
      case ControlKind::OptionButton: {
        auto* r = static_cast<QRadioButton*>(w);
        if (r->text() != caption) r->setText(caption);
        const bool chosen = static_cast<OptionButton*>(c)->value();
        // An exclusive group keeps its one checked button; the model may have none chosen.
        if (!chosen && r->isChecked() && r->group()) {
          QButtonGroup* group = r->group();
          group->setExclusive(false);
          r->setChecked(false);
          group->setExclusive(true);
        } else {
          r->setChecked(chosen);
        }
        break;
      }
      case ControlKind::TextBox: {
        auto* e = static_cast<QLineEdit*>(w);
        const QString t = qs(static_cast<TextBox*>(c)->text());
        if (e->text() != t) {
          e->setText(t);
          // A box that only shows is read whole: a text longer than its room widens it.
          if (c->displayOnly) {
            const int needed = textWide(e, t);
            if (needed > e->width()) e->setFixedWidth(needed);
          }
        }
        break;
      }
      case ControlKind::ListBox: {
        auto* l = static_cast<QListWidget*>(w);
        auto* list = static_cast<ListBox*>(c);
        if (b.items != list->items()) {
          b.items = list->items();
          l->clear();
          for (const auto& item : b.items) l->addItem(qs(item));
        }
        if (l->currentRow() != list->listIndex()) l->setCurrentRow(list->listIndex());
        break;
      }
      case ControlKind::Menu:
      case ControlKind::MenuItem:
        break;
    }
  }
}

}  // namespace kiwora
