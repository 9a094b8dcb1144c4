#pragma once
// Text rules shared by the files the program writes for itself and for other programs: fields that must
// be quoted to stay one field, and writing a file with a clear message when it cannot be written.
// Numbers inside comma-separated lines are written with "." whatever the locale, so that a number never
// splits into two fields; coordinates by decimalText, as the input file holds them.
#include <functional>
#include <string>
#include <string_view>

#include "base/refusal.h"
#include "files/text_writer.h"

namespace kiwora {

// A field of a `separator`-separated line: quoted when it holds the separator or a quote, or has blanks
// at either end (which a reader drops from an unquoted field); a quote inside is doubled.
std::string csvField(std::string_view text, char separator = ',');

// True when the text holds a line break and so cannot stand on a line of its own.
bool hasLineBreak(std::string_view text);

// Creates (empties) the file at `path` and writes it with `write`. Refused, with the user's message, when
// the file cannot be opened or written.
Refusal writeFile(const std::string& path, const std::function<void(LineWriter&)>& write);

}  // namespace kiwora
