// The device's code page. Inside the program every name and path is a string of bytes in the
// 8-bit code page the player resolves its entries in (Windows-1252 on a western system): the
// relative paths, their sort order and the playlist entries. The platform layer converts the
// system's names to it and back: from UTF-8 on POSIX, from UTF-16 on Windows.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The code pages a player uses: the single-byte Windows code pages, by the names iconv and
// --codepage know them by.
inline constexpr std::array<std::string_view, 10> kCodePages = {
    "CP1250", "CP1251", "CP1252", "CP1253", "CP1254",
    "CP1255", "CP1256", "CP1257", "CP1258", "CP874"};

// Converts UTF-8 text to the code page. Returns false when a character has no place in it.
bool utf8_to_code_page(std::string_view utf8, std::string& converted);

// Code-page text as the console is given it: UTF-8.
std::string display_text(std::string_view text);

// Chooses the code page by its name (one of kCodePages; ASCII case ignored). Returns false with
// the reason when the name is not one of those, or the system cannot convert it.
bool select_code_page(std::string_view name, std::string& reason);

// Chooses the code page the program uses when none is named: CP1252 on POSIX; on Windows the
// system's, when it is one of kCodePages, else CP1252, which is said on standard error.
void use_default_code_page();

// For each byte of the code page, the byte of its upper-case letter, as Unicode's case mapping
// gives it; the byte itself when it is no letter or its upper case is not in the code page.
const std::array<unsigned char, 256>& upper_case_table();

// The code page's name, for messages.
std::string code_page_name();

// Forgets the code page chosen, for tests that start afresh.
void reset_code_page();
