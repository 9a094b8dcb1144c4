#pragma once
// How a long section of the report shows how far it has come (the analysis window puts the text into a
// progress box and lets the platform process pending events). Empty: nobody is watching.
#include <functional>
#include <string>

namespace kiwora {

using ReportProgress = std::function<void(const std::string& text)>;

}  // namespace kiwora
