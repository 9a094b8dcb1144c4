#include "files/fixed_text.h"

#include <cmath>
#include <cstring>

#include "base/number_format.h"

namespace kiwora {

FixedText::FixedText(int decimals, char decimalSign) : decimals_(decimals), dec_(decimalSign) {
  // Up to three places: a table of at most 10^4 entries.
  if (decimals_ < 0 || decimals_ > 3) return;
  double scale = 1;
  for (int d = 0; d < decimals_; ++d) scale *= 10;
  const int entries = static_cast<int>(scale) * 10;
  text_.resize(static_cast<std::size_t>(entries));
  length_.resize(static_cast<std::size_t>(entries));
  char buf[kFixedBufferSize];
  for (int r = 0; r < entries; ++r) {
    // r / scale is within an ulp of r units, far from a half: formatFixed prints exactly r units.
    const std::size_t n = formatFixed(buf, r / scale, decimals_, dec_);
    std::memcpy(text_[static_cast<std::size_t>(r)].data(), buf, n);
    length_[static_cast<std::size_t>(r)] = static_cast<unsigned char>(n);
  }
}

void FixedText::append(std::string& s, double v) const {
  // formatFixed's own rounding decides the entry.
  unsigned long long r = 0;
  if (!text_.empty() && printedUnits(v, decimals_, r) && r < text_.size()) {
    if (v < 0 && r != 0) s += '-';
    s.append(text_[r].data(), length_[r]);
    return;
  }
  char buf[kFixedBufferSize];
  s.append(buf, formatFixed(buf, v, decimals_, dec_));
}

}  // namespace kiwora
