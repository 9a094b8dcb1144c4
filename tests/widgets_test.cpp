#include "platform/widgets.h"

#include <gtest/gtest.h>

namespace kiwora {
namespace {

// A window whose check box unticks itself in its own Click, as coupled boxes do.
class Coupled : public Window {
 public:
  explicit Coupled(Forms& f) : Window(f, "frmCoupled", "Coupled") {
    addFrame("Frame1", "Options");
    auto& self = addCheck("Check3", "Self-clearing", "Frame1");
    self.onClick = [this, &self] {
      ++clicks;
      self.setValue(0);
    };
    auto& o1 = addOption("Option1", "One", "Frame1");
    auto& o2 = addOption("Option2", "Two", "Frame1");
    addOption("Option3", "Elsewhere");
    o1.onClick = [this] { ++optionClicks; };
    o2.onClick = [this] { ++optionClicks; };
    auto& t = addText("Text1", "Frame1");
    t.onChange = [this] { ++changes; };
  }
  int clicks = 0, optionClicks = 0, changes = 0;
};

TEST(Widgets, ValuesSetFromCodeRaiseTheirHandlersOnlyOnChange) {
  Forms forms;
  forms.registerWindow("frmCoupled", [](Forms& f) { return std::make_unique<Coupled>(f); });
  auto& w = static_cast<Coupled&>(forms.show("frmCoupled"));
  auto& check = w.get<CheckBox>("Check3");
  check.setValue(1);  // ticks, runs, unticks itself, runs again, ends unticked
  EXPECT_EQ(check.value(), 0);
  EXPECT_EQ(w.clicks, 2);
  check.setValue(0);
  EXPECT_EQ(w.clicks, 2);

  w.get<OptionButton>("Option3").setValue(true);
  w.get<OptionButton>("Option1").setValue(true);
  w.get<OptionButton>("Option2").setValue(true);
  EXPECT_FALSE(w.get<OptionButton>("Option1").value());
  EXPECT_TRUE(w.get<OptionButton>("Option3").value()) << "another container is another group";
  EXPECT_EQ(w.optionClicks, 2);

  auto& text = w.get<TextBox>("Text1");
  text.setText("5");
  text.setText("5");
  EXPECT_EQ(w.changes, 1);

  EXPECT_TRUE(text.usable());
  w.get<Label>("Frame1").enabled = false;
  EXPECT_FALSE(text.usable()) << "a disabled frame disables what it holds";
}

TEST(Widgets, UnloadingDuringOwnHandlerIsSafe) {
  Forms forms;
  forms.registerWindow("frmCoupled", [](Forms& f) { return std::make_unique<Coupled>(f); });
  auto& w = forms.show("frmCoupled");
  w.get<CheckBox>("Check3").onClick = [&forms, &w] {
    forms.unload("frmCoupled");
    EXPECT_EQ(w.name(), "frmCoupled");  // still alive until the handler has returned
  };
  w.get<CheckBox>("Check3").setValue(1);
  EXPECT_EQ(forms.find("frmCoupled"), nullptr);
  forms.collect();
  EXPECT_EQ(forms.active(), nullptr);
}

}  // namespace
}  // namespace kiwora
