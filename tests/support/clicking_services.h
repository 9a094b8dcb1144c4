#pragma once
// A platform on which the user keeps clicking while a long run lets pending events through.
#include <functional>

#include "platform/scripted_services.h"

namespace kiwora::testing {

class ClickingServices : public ScriptedServices {
 public:
  std::function<void()> duringEvents;
  void doEvents() override {
    ScriptedServices::doEvents();
    if (duringEvents) duringEvents();
  }
};

}  // namespace kiwora::testing
