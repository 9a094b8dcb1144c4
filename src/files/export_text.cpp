#include "files/export_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool writeFile(const std::string& path, const std::function<void(LineWriter&)>& write, std::string& message) {
  TextFile f;
  if (!f.open(path, TextFile::Mode::Create)) {
    message = "The file " + path + " cannot be written (" + std::strerror(errno) + "). Nothing was saved.";
    return false;
  }
  write(f);
  errno = 0;
  if (!f.close()) {
    const int err = errno;
    message = "The file " + path + " could not be written completely" +
              (err ? " (" + std::string(std::strerror(err)) + ")" : std::string()) + ". It is not a usable file.";
    return false;
  }
  return true;
}

}  // namespace kiwora
