#pragma once
// Long report text formatted on the pool a part at a time and written in order.
#include <cstddef>
#include <functional>

#include "files/text_writer.h"

namespace kiwora {

// About this much text per part: a file takes a part of this size over without copying it (a line writer
// hands on what it holds at 1 MiB), and a few per thread stay small beside the data.
inline constexpr std::size_t kPartText = std::size_t{1} << 19;

// Calls format(i, part) for every i in 0..n-1 on the pool, each into an empty writer of its own (at column
// 1, with the decimal sign of `out`), and appends part i to `out` once the parts before it are in. Writing
// overlaps formatting, and at most two parts per thread are held at once. `out` stands at column 1 and
// every part ends its lines. An exception from format or from writing is rethrown here, and the text
// written by then stops short.
using PartFormatter = std::function<void(std::size_t i, LineWriter& part)>;
void appendInOrder(LineWriter& out, std::size_t n, const PartFormatter& format);

}  // namespace kiwora
