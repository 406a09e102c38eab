// iconv says, once a code page is chosen, which character each byte stands for.
#include <iconv.h>

#include <cerrno>
#include <new>
#include <string>
#include <string_view>

#include "platform/code_page_learn.h"

bool learn_code_page(std::string_view name, CodePageTable& table, std::string& reason) {
  iconv_t to_utf32 = iconv_open("UTF-32LE", std::string(name).c_str());
  if (to_utf32 == reinterpret_cast<iconv_t>(-1)) {
    // Not knowing it and having no memory to learn it are two things.
    if (errno == ENOMEM) throw std::bad_alloc();
    reason = "this system's iconv does not know it";
    return false;
  }
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte);
    unsigned char out[16];
    char* in_place = &in;
    char* out_place = reinterpret_cast<char*>(out);
    std::size_t in_left = 1;
    std::size_t out_left = sizeof out;
    iconv(to_utf32, nullptr, nullptr, nullptr, nullptr);
    // Some converters (CP1255, CP1258) hold a letter back in case a combining mark follows: the
    // flush gives it.
    bool converted =
        iconv(to_utf32, &in_place, &in_left, &out_place, &out_left) !=
            static_cast<std::size_t>(-1) &&
        iconv(to_utf32, nullptr, nullptr, &out_place, &out_left) != static_cast<std::size_t>(-1);
    std::size_t length = sizeof out - out_left;
    // One byte, one character: a byte that gives none, or more (none of these code pages has
    // one), is left undefined.
    table[byte] = converted && length == 4
                      ? static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                              static_cast<char32_t>(out[3]) << 24)
                      : kUndefined;
  }
  iconv_close(to_utf32);
  // glibc's table predates Windows' own, which maps 0xCA of CP1255 to the Hebrew point holam
  // haser for vav: both builds must know the same characters.
  if (name == "CP1255" && table[0xCA] == kUndefined) table[0xCA] = 0x05BA;
  return true;
}

std::string default_code_page(std::string& /*note*/) { return std::string(kDefaultCodePage); }
