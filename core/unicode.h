// Unicode's canonical composition (NFC), from tables written at build time from the Unicode
// data files, so that both builds compose alike whatever the system.
#pragma once

#include <string>
#include <string_view>

// Valid UTF-8 text in composed form: a letter and the accents that follow it become the one
// character they spell where Unicode has one ("e" and U+0301 are "é"), as macOS and iTunes for
// Mac do not write names. Text that is composed already comes back as it is.
std::string composed(std::string_view utf8);

// False for text that is composed already whatever it holds: every character below U+0300,
// where most names are.
bool may_compose(std::string_view utf8);
