#include "files/export_text.h"


namespace kiwora {

std::string csvField(std::string_view text, char separator) {
  const bool edgeBlank = !text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' ||
                                           text.back() == '\t');
  if (!edgeBlank && text.find(separator) == std::string_view::npos && text.find('"') == std::string_view::npos)
    return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

Refusal writeFile(const std::string& path, const std::function<void(LineWriter&)>& write) {
  TextFile f;
  if (!f.open(path, TextFile::Mode::Create))
    return Refusal("The file " + path + " cannot be written (" + f.problem().message() + "). Nothing was saved.");
  write(f);
  if (!f.close())
    return Refusal("The file " + path + " could not be written completely (" + f.problem().message() +
                   "). Nothing was saved; an earlier file of that name is unchanged.");
  return {};
}

}  // namespace kiwora
