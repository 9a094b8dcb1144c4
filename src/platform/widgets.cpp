#include "platform/widgets.h"

#include <algorithm>
#include <stdexcept>

namespace kiwora {

const char* kindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: return "label";
    case ControlKind::Frame: return "frame";
    case ControlKind::Picture: return "picture";
    case ControlKind::Button: return "button";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::OptionButton: return "option button";
    case ControlKind::TextBox: return "text box";
    case ControlKind::ListBox: return "list box";
    case ControlKind::Menu: return "menu";
    case ControlKind::MenuItem: return "menu item";
  }
  return "control";
}

bool Control::usable() const {
  if (!enabled || !visible) return false;
  std::string holder = container_;
  for (int depth = 0; !holder.empty() && depth < 32; ++depth) {
    const Control* c = owner_.find(holder);
    if (!c) break;
    if (!c->enabled || !c->visible) return false;
    holder = c->container();
  }
  return true;
}

void CheckBox::setValue(int v) {
  const int nv = v ? 1 : 0;
  if (nv == value_) return;
  value_ = nv;
  if (onClick) onClick();
}

void OptionButton::setValue(bool v) {
  if (v == value_) return;
  value_ = v;
  if (v) {
    window().clearOptionGroup(*this);
    if (onClick) onClick();
  }
}

void TextBox::setText(std::string t) {
  if (t == text_) return;
  text_ = std::move(t);
  if (onChange) onChange();
}

void ListBox::clickItem(int index) {
  if (index < 0 || index >= count()) return;
  listIndex_ = index;
  if (onClick) onClick();
}

Window::Window(Forms& forms, std::string name, std::string caption)
    : caption(std::move(caption)), forms_(forms), name_(std::move(name)) {}

Control* Window::find(const std::string& controlName) const {
  auto it = byName_.find(controlName);
  return it == byName_.end() ? nullptr : it->second;
}

void Window::clearOptionGroup(const OptionButton& chosen) {
  for (Control* c : order_) {
    auto* o = dynamic_cast<OptionButton*>(c);
    if (o && o != &chosen && o->container() == chosen.container()) o->value_ = false;
  }
}

template <class T>
T& Window::add(std::unique_ptr<T> c) {
  if (byName_.count(c->name())) throw std::logic_error("duplicate control " + c->name() + " in " + name_);
  T& ref = *c;
  byName_[c->name()] = c.get();
  order_.push_back(c.get());
  owned_.push_back(std::move(c));
  return ref;
}

Label& Window::addLabel(const std::string& n, const std::string& cap, const std::string& container) {
  return add(std::make_unique<Label>(*this, n, ControlKind::Label, cap, container));
}
Label& Window::addFrame(const std::string& n, const std::string& cap, const std::string& container) {
  return add(std::make_unique<Label>(*this, n, ControlKind::Frame, cap, container));
}
Label& Window::addPicture(const std::string& n, const std::string& cap, const std::string& container) {
  return add(std::make_unique<Label>(*this, n, ControlKind::Picture, cap, container));
}
Button& Window::addButton(const std::string& n, const std::string& cap, const std::string& container) {
  // Escape leaves a window as its "Go back" does.
  if (cap == "Go back" && escapeButton.empty()) escapeButton = n;
  return add(std::make_unique<Button>(*this, n, ControlKind::Button, cap, container));
}
CheckBox& Window::addCheck(const std::string& n, const std::string& cap, const std::string& container) {
  return add(std::make_unique<CheckBox>(*this, n, ControlKind::CheckBox, cap, container));
}
OptionButton& Window::addOption(const std::string& n, const std::string& cap, const std::string& container) {
  return add(std::make_unique<OptionButton>(*this, n, ControlKind::OptionButton, cap, container));
}
TextBox& Window::addText(const std::string& n, const std::string& container) {
  return add(std::make_unique<TextBox>(*this, n, ControlKind::TextBox, "", container));
}
ListBox& Window::addList(const std::string& n, const std::string& container) {
  return add(std::make_unique<ListBox>(*this, n, ControlKind::ListBox, "", container));
}
Label& Window::addMenu(const std::string& n, const std::string& cap, const std::string& parentMenu) {
  return add(std::make_unique<Label>(*this, n, ControlKind::Menu, cap, parentMenu));
}
MenuItem& Window::addMenuItem(const std::string& n, const std::string& cap, const std::string& menu) {
  return add(std::make_unique<MenuItem>(*this, n, ControlKind::MenuItem, cap, menu));
}

void Forms::registerWindow(const std::string& name, Factory factory) { factories_[name] = std::move(factory); }

std::vector<std::string> Forms::registered() const {
  std::vector<std::string> names;
  for (const auto& [name, factory] : factories_) names.push_back(name);
  return names;
}

Window& Forms::show(const std::string& name) {
  auto it = loaded_.find(name);
  Window* w = nullptr;
  if (it == loaded_.end()) {
    auto f = factories_.find(name);
    if (f == factories_.end()) throw std::logic_error("unknown window " + name);
    auto created = f->second(*this);
    w = created.get();
    loaded_[name] = std::move(created);
    w->Form_Load();
    // Form_Load may unload the window again.
    if (!loaded_.count(name)) return *w;
  } else {
    w = it->second.get();
  }
  shownOrder_.erase(std::remove(shownOrder_.begin(), shownOrder_.end(), name), shownOrder_.end());
  shownOrder_.push_back(name);
  return *w;
}

void Forms::unload(const std::string& name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) return;
  graveyard_.push_back(std::move(it->second));
  loaded_.erase(it);
  shownOrder_.erase(std::remove(shownOrder_.begin(), shownOrder_.end(), name), shownOrder_.end());
}

Window* Forms::find(const std::string& name) const {
  auto it = loaded_.find(name);
  return it == loaded_.end() ? nullptr : it->second.get();
}

Window* Forms::active() const {
  for (auto it = shownOrder_.rbegin(); it != shownOrder_.rend(); ++it)
    if (Window* w = find(*it)) return w;
  return nullptr;
}

std::vector<Window*> Forms::loaded() const {
  std::vector<Window*> out;
  for (auto it = shownOrder_.rbegin(); it != shownOrder_.rend(); ++it)
    if (Window* w = find(*it)) out.push_back(w);
  return out;
}

void Forms::end() {
  std::vector<std::string> names;
  for (auto& [n, w] : loaded_) names.push_back(n);
  for (auto& n : names) unload(n);
  ended_ = true;
}

}  // namespace kiwora
