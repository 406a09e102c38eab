// Conversions the POSIX file system layer needs between the file system's UTF-8 names and the
// program's code-page texts.
#pragma once

#include <string>
#include <string_view>

// Converts code-page text to UTF-8. Returns false at a byte the code page leaves undefined.
bool code_page_to_utf8(std::string_view text, std::string& utf8);

enum class NameConversion { converted, taken_as_is, not_representable };

// The program's text for a name read from the file system: UTF-8 converted to the code page;
// a name that is not valid UTF-8 taken byte for byte.
NameConversion file_system_name_to_code_page(std::string_view name, std::string& converted);
