// How messages name files, folders and M3U lines: in quotes, shown as the log shows them, so that
// a message names a file as the log does whatever bytes an old tool wrote its name in. Nothing is
// ever cut.
#pragma once

#include <string>
#include <string_view>

class CodePage;

// Text that is UTF-8 already.
std::string quoted(std::string_view utf8);
// A path text of the code page.
std::string quoted_text(const CodePage& code_page, std::string_view text);
// Text someone wrote: UTF-8, or else the code page's bytes (an M3U line).
std::string quoted_written(const CodePage& code_page, std::string_view text);
