#pragma once
// Line and field helpers shared by the readers of plain-text files.
#include <string_view>
#include <vector>

namespace kiwora {

// Splits into lines; CR LF and LF alone both end a line. A final line end does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);
// Drops blanks and tabs at both ends.
std::string_view trimBlanks(std::string_view s);

}  // namespace kiwora
