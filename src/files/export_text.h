#pragma once
// Text rules shared by the files the program writes for itself and for other programs: numbers inside
// comma-separated lines, fields that must be quoted to stay one field, and writing a file with a clear
// message when it cannot be written.
#include <functional>
#include <string>
#include <string_view>

#include "files/text_writer.h"

namespace kiwora {

// The shortest decimal text of a number (at most 15 significant digits, a 0 before the decimal sign of a
// value between -1 and 1, no blanks). Comma-separated files use "." so that a number never splits into
// two fields.
std::string decimalText(double v, char decimalSign = '.');

// A field of a `separator`-separated line: quoted when it holds the separator or a quote, or has blanks
// at either end (which a reader drops from an unquoted field); a quote inside is doubled.
std::string csvField(std::string_view text, char separator = ',');

// True when the text holds a line break and so cannot stand on a line of its own.
bool hasLineBreak(std::string_view text);

// Creates (empties) the file at `path` and writes it with `write`. False, with the user's message in
// `message`, when the file cannot be opened or written.
bool writeFile(const std::string& path, const std::function<void(LineWriter&)>& write, std::string& message);

}  // namespace kiwora
