#include "script_player.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <functional>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <new>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include "base/stop_signal.h"

namespace kiwora {
namespace {

std::string trimRight(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// Splits "word rest of line" at the first blank or tab.
void splitWord(const std::string& s, std::string& word, std::string& rest) {
  const std::size_t sp = s.find_first_of(" \t");
  word = s.substr(0, sp);
  rest = sp == std::string::npos ? std::string() : s.substr(sp + 1);
}

// Commands that act as a user would; a file answer given before one of them is for its dialog.
bool isAction(const std::string& cmd) {
  static const std::set<std::string> actions = {"menu", "click", "tick", "untick", "choose", "type", "leave", "pick"};
  return actions.count(cmd) > 0;
}

// Whether a script line is an expect-message line, read as execute reads it.
bool isMessageExpectation(const std::string& rawLine) {
  static constexpr std::string_view kWord = "expect-message";
  const std::size_t first = rawLine.find_first_not_of(" \t");
  if (first == std::string::npos || rawLine.compare(first, kWord.size(), kWord) != 0) return false;
  const std::size_t after = first + kWord.size();
  return after == rawLine.size() || rawLine[after] == ' ' || rawLine[after] == '\t' || rawLine[after] == '\r';
}

bool isCommand(const std::string& cmd) {
  static const std::set<std::string> others = {
      "file",          "cancel",          "seed",           "show",        "expect-message", "expect-enabled",
      "expect-disabled", "expect-checked", "expect-text",    "expect-list", "expect-window"};
  return isAction(cmd) || others.count(cmd) > 0;
}

// Lines end in CR LF, LF or CR alone; a UTF-8 byte-order mark before the first line is dropped. Lines are
// taken one at a time as the script is played, so a long script costs no table of its lines.
class ScriptLines {
 public:
  explicit ScriptLines(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }
  bool next(std::string& line) {
    if (start_ >= text_.size()) return false;
    const std::size_t end = text_.find_first_of("\r\n", start_);
    if (end == std::string_view::npos) {
      line.assign(text_.substr(start_));
      start_ = text_.size();
      return true;
    }
    line.assign(text_.substr(start_, end - start_));
    start_ = end + (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1);
    return true;
  }

 private:
  std::string_view text_;
  std::size_t start_ = 0;
};

// A line typed at the terminal, at most kMaxTypedLine characters: a longer line (a file of zeros piped in)
// is read to its end but not kept, so memory does not follow it. False at the end of the input.
constexpr std::size_t kMaxTypedLine = std::size_t{1} << 20;
bool readTypedLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  std::istream::sentry ok(in, true);
  if (!ok) return false;
  std::streambuf* buf = in.rdbuf();
  bool any = false;
  for (int c = buf->sbumpc(); ; c = buf->sbumpc()) {
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      if (!any) in.setstate(std::ios::failbit);
      return any;
    }
    any = true;
    if (c == '\n') return true;
    if (line.size() < kMaxTypedLine) line += static_cast<char>(c);
    else tooLong = true;
  }
}

// A seed is a whole number from 0 to 2^64 - 1, in decimal digits only.
bool parseSeed(const std::string& s, std::uint64_t& value) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) return false;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && ptr == s.data() + s.size();
}

std::string joinItems(const std::vector<std::string>& items) {
  std::string s;
  for (std::size_t i = 0; i < items.size(); ++i) s += (i ? " | " : "") + items[i];
  return s;
}

const char* onOff(bool b) { return b ? "1" : "0"; }

}  // namespace

ScriptPlayer::ScriptPlayer(App& app, ScriptedServices& services, std::ostream& out, std::string baseDir)
    : app_(app), services_(services), out_(out), baseDir_(std::move(baseDir)) {
  services_.onMessage = [this](const std::string& text) { out_ << "message: " << text << "\n"; };
}

std::string ScriptPlayer::resolvePath(const std::string& path) const {
  if (path.empty() || path[0] == '/' || baseDir_.empty()) return path;
  return baseDir_ + "/" + path;
}

Control* ScriptPlayer::resolve(const std::string& ref, std::string& error) const {
  Window* w = nullptr;
  std::string name = ref;
  if (const std::size_t dot = ref.find('.'); dot != std::string::npos) {
    w = app_.forms.find(ref.substr(0, dot));
    if (!w) {
      error = "window " + ref.substr(0, dot) + " is not open";
      return nullptr;
    }
    name = ref.substr(dot + 1);
  } else {
    w = app_.forms.active();
    if (!w) {
      error = "no window is open";
      return nullptr;
    }
  }
  Control* c = w->find(name);
  if (!c) error = "window " + w->name() + " has no control " + name;
  return c;
}

Control* ScriptPlayer::resolveMenu(const std::string& ref, std::string& error) const {
  if (ref.find('.') != std::string::npos) return resolve(ref, error);
  for (Window* w : app_.forms.loaded())  // the window shown last first
    if (Control* c = w->find(ref)) return c;
  error = "no open window has the menu item " + ref;
  return nullptr;
}

void ScriptPlayer::printControl(const Control& c, int depth) const {
  std::string state = c.enabled ? "" : " (disabled)";
  if (!c.visible) state += " (hidden)";
  const std::string indent(2 + 2 * static_cast<std::size_t>(depth), ' ');
  out_ << indent << kindName(c.kind()) << " " << c.name();
  switch (c.kind()) {
    case ControlKind::CheckBox:
      out_ << " [" << (static_cast<const CheckBox&>(c).value() ? "x" : " ") << "] \"" << c.caption << "\"";
      break;
    case ControlKind::OptionButton:
      out_ << " (" << (static_cast<const OptionButton&>(c).value() ? "*" : " ") << ") \"" << c.caption << "\"";
      break;
    case ControlKind::TextBox:
      out_ << " = \"" << static_cast<const TextBox&>(c).text() << "\"";
      break;
    case ControlKind::ListBox: {
      const auto& l = static_cast<const ListBox&>(c);
      out_ << " (" << l.count() << " entries)";
      for (const auto& item : l.items()) out_ << "\n" << indent << "    " << item;
      break;
    }
    default:
      if (!c.caption.empty()) out_ << " \"" << c.caption << "\"";
  }
  out_ << state << "\n";
}

void ScriptPlayer::printWindow(const Window& w) const {
  out_ << "[" << w.name() << "] " << w.caption << "\n";
  // Each control under the frame or menu that holds it, one step further in, in the order the window made
  // them: the listing reads as the window is laid out, whatever the order in which frames were filled.
  std::set<const Control*> listed;
  const std::function<void(const std::string&, int)> listUnder = [&](const std::string& holder, int depth) {
    for (const Control* c : w.controls()) {
      if (c->container() != holder || !listed.insert(c).second) continue;
      printControl(*c, depth);
      if (c->kind() == ControlKind::Frame || c->kind() == ControlKind::Menu) listUnder(c->name(), depth + 1);
    }
  };
  listUnder("", 0);
  // A control whose holder the window lacks is still listed, at the window's level.
  for (const Control* c : w.controls())
    if (listed.insert(c).second) printControl(*c, 0);
}

ScriptPlayer::Outcome ScriptPlayer::execute(const std::string& rawLine) {
  const std::string line = trimRight(rawLine);
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return {};
  std::string cmd, arg;
  splitWord(line.substr(first), cmd, arg);
  auto failed = [](std::string e) { return Outcome{false, std::move(e)}; };
  if (!isCommand(cmd)) return failed("unknown command word \"" + cmd + "\"");
  // The rest of the line starts after the blanks and tabs that follow the command word.
  arg.erase(0, arg.find_first_not_of(" \t") == std::string::npos ? arg.size() : arg.find_first_not_of(" \t"));

  const Outcome outcome = run(cmd, arg);
  if (outcome.ok && isAction(cmd) && services_.queuedAnswers() > 0) {
    // An answer is for the dialog of the next action; one left over would answer a later, unrelated dialog.
    services_.clearAnswers();
    return failed("the file answer given on line " + std::to_string(answerLine_) +
                  " was not used: this action opened no file dialog");
  }
  return outcome;
}

ScriptPlayer::Outcome ScriptPlayer::run(const std::string& cmd, const std::string& arg) {
  auto failed = [](std::string e) { return Outcome{false, std::move(e)}; };
  std::string error;
  try {
    app_.forms.collect();
    if (cmd == "file" || cmd == "cancel") {
      if (services_.queuedAnswers() == 0) answerLine_ = line_;
      if (cmd == "file") services_.queueFile(resolvePath(arg));
      else services_.queueCancel();
    } else if (cmd == "seed") {
      std::uint64_t s = 0;
      if (!parseSeed(arg, s)) return failed("seed needs a whole number from 0 to 18446744073709551615");
      services_.seed(s);
    } else if (cmd == "show") {
      if (Window* w = app_.forms.active()) printWindow(*w);
      else out_ << "(no window is open)\n";
    } else if (cmd == "expect-message") {
      auto m = services_.takeMessage();
      if (!m) return failed("expected the message \"" + arg + "\", but no message was shown");
      if (m->compare(0, arg.size(), arg) != 0) return failed("expected the message \"" + arg + "\", but it was \"" + *m + "\"");
    } else if (cmd == "expect-window") {
      Window* w = app_.forms.active();
      const std::string name = w ? w->name() : "(none)";
      if (name != arg) return failed("expected the window " + arg + ", but the window shown last is " + name);
    } else if (cmd == "expect-enabled" || cmd == "expect-disabled") {
      Control* c = resolveMenu(arg, error);
      if (!c) return failed(error);
      // What a user could use: the item and every menu or frame that holds it.
      const bool want = cmd == "expect-enabled", usable = c->usable();
      if (usable != want)
        return failed(arg + " is " + (usable ? "enabled" : c->enabled ? "enabled, but it sits in a disabled or hidden menu or frame" : "disabled"));
    } else if (cmd == "menu") {
      Control* c = resolveMenu(arg, error);
      if (!c) return failed(error);
      auto* item = dynamic_cast<MenuItem*>(c);
      if (!item) return failed(arg + " is not a menu item");
      if (!item->usable()) return failed("the menu item " + arg + " is disabled");
      item->click();
    } else {
      std::string ref, text;
      splitWord(arg, ref, text);
      Control* c = resolve(ref, error);
      if (!c) return failed(error);
      const bool isExpect = cmd.rfind("expect-", 0) == 0;
      if (!isExpect && !c->usable()) return failed(ref + " is disabled or hidden");
      if (cmd == "click") {
        auto* b = dynamic_cast<Button*>(c);
        if (!b || c->kind() != ControlKind::Button) return failed(ref + " is not a button");
        b->click();
      } else if (cmd == "tick" || cmd == "untick") {
        auto* cb = dynamic_cast<CheckBox*>(c);
        if (!cb) return failed(ref + " is not a check box");
        cb->setValue(cmd == "tick" ? 1 : 0);
      } else if (cmd == "choose") {
        auto* o = dynamic_cast<OptionButton*>(c);
        if (!o) return failed(ref + " is not an option button");
        o->setValue(true);
      } else if (cmd == "type") {
        auto* t = dynamic_cast<TextBox*>(c);
        if (!t) return failed(ref + " is not a text box");
        t->setText(text);
      } else if (cmd == "leave") {
        auto* t = dynamic_cast<TextBox*>(c);
        if (!t) return failed(ref + " is not a text box");
        t->leave();
      } else if (cmd == "pick") {
        auto* l = dynamic_cast<ListBox*>(c);
        if (!l) return failed(ref + " is not a list box");
        int found = -1;
        for (int i = 0; i < l->count() && found < 0; ++i)
          if (l->items()[static_cast<std::size_t>(i)] == text) found = i;
        if (found < 0) return failed(ref + " has no entry \"" + text + "\"; its entries: " + joinItems(l->items()));
        l->clickItem(found);
      } else if (cmd == "expect-checked") {
        bool value;
        if (auto* cb = dynamic_cast<CheckBox*>(c)) value = cb->value() == 1;
        else if (auto* o = dynamic_cast<OptionButton*>(c)) value = o->value();
        else return failed(ref + " is neither a check box nor an option button");
        if (text != "0" && text != "1") return failed("expect-checked needs 0 or 1");
        if (onOff(value) != text) return failed(ref + " is " + (value ? "ticked" : "not ticked"));
      } else if (cmd == "expect-text") {
        std::string actual;
        if (auto* t = dynamic_cast<TextBox*>(c)) actual = t->text();
        else actual = c->caption;
        if (actual != text) return failed(ref + " shows \"" + actual + "\", not \"" + text + "\"");
      } else if (cmd == "expect-list") {
        auto* l = dynamic_cast<ListBox*>(c);
        if (!l) return failed(ref + " is not a list box");
        if (joinItems(l->items()) != text) return failed(ref + " holds \"" + joinItems(l->items()) + "\", not \"" + text + "\"");
      }
    }
  } catch (const std::bad_alloc&) {
    throw;  // not a fault of the script line: the program ends with its out-of-memory message
  } catch (const std::exception& e) {
    return failed(e.what());
  }
  return {};
}

int ScriptPlayer::play(std::istream& script, const std::string& scriptName) {
  const std::string text{std::istreambuf_iterator<char>(script), std::istreambuf_iterator<char>()};
  return playText(text, scriptName);
}

int ScriptPlayer::playText(std::string_view text, const std::string& scriptName) {
  // Only as many messages as expectations are still to come can ever be checked: a script of many
  // messages and few expectations keeps few of them.
  std::size_t expectations = 0;
  std::string line;
  for (ScriptLines scan(text); scan.next(line);) expectations += isMessageExpectation(line);
  struct Unlimited {
    ScriptedServices& s;
    ~Unlimited() { s.limitPendingMessages(std::nullopt); }
  } unlimited{services_};
  services_.limitPendingMessages(expectations);

  ScriptLines lines(text);
  for (long long k = 0; lines.next(line); ++k) {
    line_ = static_cast<int>(std::min<long long>(k + 1, INT_MAX));
    if (ended()) {
      const std::string rest = trimRight(line);
      if (rest.find_first_not_of(" \t") == std::string::npos || rest[rest.find_first_not_of(" \t")] == '#') continue;
      out_ << scriptName << ":" << line_ << ": the program has ended; this line cannot run\n";
      return 1;
    }
    const Outcome o = execute(line);
    // A stop signal ends the script after the line it came in (its run undid its writes); the caller
    // says why the program ends.
    if (stopSignalled()) return 1;
    if (!o.ok) {
      out_ << scriptName << ":" << line_ << ": " << o.error << "\n    " << trimRight(line) << "\n";
      return 1;
    }
    if (isMessageExpectation(line)) services_.limitPendingMessages(--expectations);
  }
  if (services_.queuedAnswers() > 0) {
    out_ << scriptName << ":" << answerLine_ << ": the script ends, but this file answer was never used\n";
    return 1;
  }
  return 0;
}

int ScriptPlayer::interactive(std::istream& in) {
  services_.answerDialog = [this, &in](const std::string& title, const std::string& proposed) {
    out_ << "File dialog: " << title << "\n";
    if (!proposed.empty()) out_ << "The path was: " << proposed << "\n";
    out_ << "Path (empty to cancel): " << std::flush;
    std::string path;
    bool tooLong = false;
    // A stop signal while the user types cancels the dialog; the program ends after the action.
    if (!readTypedLine(in, path, tooLong) || tooLong || stopSignalled()) return std::string();  // cancelled
    return resolvePath(trimRight(path));
  };
  if (Window* w = app_.forms.active()) printWindow(*w);
  std::string line;
  // A stop signal interrupts the wait for a line (the line typed so far is not run) and ends the session
  // after the action under way; the caller says why the program ends.
  while (!ended() && !stopSignalled()) {
    out_ << "> " << std::flush;
    bool tooLong = false;
    const bool read = readTypedLine(in, line, tooLong);
    if (stopSignalled()) return 1;
    if (!read || (!tooLong && trimRight(line) == "quit")) break;
    if (tooLong) {
      out_ << "refused: the line is longer than " << (kMaxTypedLine >> 20) << " MB\n";
      continue;
    }
    const Outcome o = execute(line);
    if (stopSignalled()) return 1;
    if (!o.ok) out_ << "refused: " << o.error << "\n";
    if (Window* w = app_.forms.active()) printWindow(*w);
  }
  return stopSignalled() ? 1 : 0;
}

}  // namespace kiwora
