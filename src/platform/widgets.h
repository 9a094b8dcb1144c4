#pragma once
// A small widget model with the semantics the windows rely on: windows that are loaded, shown and
// unloaded by name; menus; buttons; check boxes; option buttons; text boxes with Change and LostFocus;
// list boxes; labels and frames. Setting a value from code raises the same handler as a user's action,
// and only when the value really changes. Nothing here knows how a window is drawn.
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kiwora {

class Window;

enum class ControlKind { Label, Frame, Picture, Button, CheckBox, OptionButton, TextBox, ListBox, Menu, MenuItem };

const char* kindName(ControlKind kind);

class Control {
 public:
  Control(Window& owner, std::string name, ControlKind kind, std::string caption, std::string container)
      : owner_(owner), name_(std::move(name)), kind_(kind), container_(std::move(container)), caption(std::move(caption)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  Window& window() const { return owner_; }
  // Name of the frame (or menu) that holds this control; empty for the window itself.
  const std::string& container() const { return container_; }
  // True when the control and every frame or menu that holds it are enabled and visible.
  bool usable() const;

 private:
  Window& owner_;
  std::string name_;
  ControlKind kind_;
  std::string container_;

 public:
  std::string caption;
  bool enabled = true;
  bool visible = true;

  // How a front end draws the control; the window code itself never reads these.
  // A box that only shows (progress, counts never read back): read-only and skipped by Tab.
  bool displayOnly = false;
  // A box that only shows: room for this many characters, its longest text; 0: a short number's.
  int widthChars = 0;
  // Text colour of the caption (and of a list's entries) as "#rrggbb"; empty: the desktop's own.
  std::string colour;
  // Drawn under this frame of the window instead of in the window's own order; empty: in order.
  std::string under;
  // In the window's bottom button bar: at its left end rather than with the others at the right.
  bool barLeft = false;
};

class Label : public Control {
 public:
  using Control::Control;
};

class Button : public Control {
 public:
  using Control::Control;
  std::function<void()> onClick;
  void click() {
    if (onClick) onClick();
  }
};

class MenuItem : public Button {
 public:
  using Button::Button;
};

class CheckBox : public Control {
 public:
  using Control::Control;
  std::function<void()> onClick;
  int value() const { return value_; }
  // Raises Click when the state changes, whether the user or the code changes it.
  void setValue(int v);
  // Changes the display only, without the Click handling.
  void setValueSilently(int v) { value_ = v ? 1 : 0; }

 private:
  int value_ = 0;
};

class OptionButton : public Control {
 public:
  using Control::Control;
  std::function<void()> onClick;
  bool value() const { return value_; }
  // Choosing one option button clears the others of the same container; Click is raised when chosen.
  void setValue(bool v);

 private:
  friend class Window;
  bool value_ = false;
};

class TextBox : public Control {
 public:
  using Control::Control;
  std::function<void()> onChange;
  std::function<void()> onLostFocus;
  const std::string& text() const { return text_; }
  // Raises Change when the text changes.
  void setText(std::string t);
  void leave() {
    if (onLostFocus) onLostFocus();
  }

 private:
  std::string text_;
};

class ListBox : public Control {
 public:
  using Control::Control;
  std::function<void()> onClick;
  const std::vector<std::string>& items() const { return items_; }
  int count() const { return static_cast<int>(items_.size()); }
  void clear() {
    items_.clear();
    listIndex_ = -1;
  }
  void addItem(std::string s) { items_.push_back(std::move(s)); }
  int listIndex() const { return listIndex_; }  // -1 when nothing is chosen
  std::string text() const { return listIndex_ >= 0 ? items_[static_cast<std::size_t>(listIndex_)] : std::string(); }
  // The user clicks entry `index` (0-based).
  void clickItem(int index);

 private:
  std::vector<std::string> items_;
  int listIndex_ = -1;
};

class Forms;

class Window {
 public:
  Window(Forms& forms, std::string name, std::string caption);
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& name() const { return name_; }
  std::string caption;
  Forms& forms() const { return forms_; }

  // Runs once when the window is created.
  virtual void Form_Load() {}

  Control* find(const std::string& controlName) const;
  const std::vector<Control*>& controls() const { return order_; }

  // Shortcuts for handlers that address other windows' controls by name.
  template <class T>
  T& get(const std::string& controlName) const {
    Control* c = find(controlName);
    T* t = dynamic_cast<T*>(c);
    if (!t) throw std::logic_error("window " + name_ + " has no control " + controlName + " of that kind");
    return *t;
  }

  void clearOptionGroup(const OptionButton& chosen);

  // The button that the Escape key presses (e.g. "Go back"); empty: Escape does nothing.
  std::string escapeButton;
  // A window that only informs and takes no part in any run (Help's windows): its close box and its
  // buttons do what they always do while a run is under way in another window.
  bool apartFromRuns = false;
  // Opens beside the main window, which stays open (Help's windows); every other window opens where the
  // desktop places windows.
  bool besideMain = false;

 protected:
  Label& addLabel(const std::string& n, const std::string& caption, const std::string& container = "");
  Label& addFrame(const std::string& n, const std::string& caption, const std::string& container = "");
  Label& addPicture(const std::string& n, const std::string& caption, const std::string& container = "");
  Button& addButton(const std::string& n, const std::string& caption, const std::string& container = "");
  CheckBox& addCheck(const std::string& n, const std::string& caption, const std::string& container = "");
  OptionButton& addOption(const std::string& n, const std::string& caption, const std::string& container = "");
  TextBox& addText(const std::string& n, const std::string& container = "");
  ListBox& addList(const std::string& n, const std::string& container = "");
  Label& addMenu(const std::string& n, const std::string& caption, const std::string& parentMenu = "");
  MenuItem& addMenuItem(const std::string& n, const std::string& caption, const std::string& menu);

 private:
  template <class T>
  T& add(std::unique_ptr<T> c);
  Forms& forms_;
  std::string name_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  std::map<std::string, Control*> byName_;
};

// The loaded windows, by name. A window is created (and its Form_Load run) when it is first shown,
// and destroyed by unload; destruction is deferred until the running event handler has returned.
class Forms {
 public:
  using Factory = std::function<std::unique_ptr<Window>(Forms&)>;

  void registerWindow(const std::string& name, Factory factory);
  bool knows(const std::string& name) const { return factories_.count(name) != 0; }
  // Every window that can be shown, by name.
  std::vector<std::string> registered() const;

  // Shows a window, creating and loading it when it is not loaded.
  Window& show(const std::string& name);
  void unload(const std::string& name);
  Window* find(const std::string& name) const;
  template <class T>
  T* findAs(const std::string& name) const {
    return dynamic_cast<T*>(find(name));
  }
  // The window shown last that is still loaded.
  Window* active() const;
  std::vector<Window*> loaded() const;

  // True while a run is under way (a front end then shows the controls that ignore input as disabled).
  bool busy() const { return busy_ > 0; }
  class BusyScope {
   public:
    explicit BusyScope(Forms& f) : forms_(f) { ++forms_.busy_; }
    ~BusyScope() { --forms_.busy_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    Forms& forms_;
  };

  // Ends the program: every window is unloaded.
  void end();
  bool ended() const { return ended_; }

  // Frees unloaded windows; called between user actions, when no handler of theirs runs.
  void collect() { graveyard_.clear(); }

 private:
  std::map<std::string, Factory> factories_;
  std::map<std::string, std::unique_ptr<Window>> loaded_;
  std::vector<std::string> shownOrder_;
  std::vector<std::unique_ptr<Window>> graveyard_;
  bool ended_ = false;
  int busy_ = 0;
};

}  // namespace kiwora
