#include "core/quoting.h"

#include "core/code_page.h"
#include "core/utf8.h"

std::string quoted(std::string_view utf8) {
  std::string text(1, '\'');
  text.append(utf8).push_back('\'');
  return text;
}

std::string quoted_text(const CodePage& code_page, std::string_view text) {
  return quoted(code_page.shown(text));
}

std::string quoted_written(const CodePage& code_page, std::string_view text) {
  return is_valid_utf8(text) ? quoted(text) : quoted_text(code_page, text);
}
