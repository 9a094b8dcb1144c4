#pragma once
// How a reader, a check or a run refuses: the failure text for the user and, for a file, the detail that
// names the line and what is wrong there. A Refusal without text is none: the input was taken.
#include <string>
#include <utility>

namespace kiwora {

class Refusal {
 public:
  Refusal() = default;
  explicit Refusal(std::string head) : head_(std::move(head)) {}
  Refusal(std::string head, std::string detail) : head_(std::move(head)), detail_(std::move(detail)) {}

  explicit operator bool() const { return !head_.empty(); }
  const std::string& head() const { return head_; }
  const std::string& detail() const { return detail_; }
  // What the user is shown: the failure text, and the detail on a second line.
  std::string message() const { return detail_.empty() ? head_ : head_ + "\n" + detail_; }
  bool operator==(const Refusal&) const = default;

 private:
  std::string head_, detail_;
};

}  // namespace kiwora
