#include "core/code_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "core/names.h"
#include "tests/support/code_pages.h"

namespace {

// A name as the file system spells it, and the player's text for it in Windows-1252: exactly
// the same letters, or none.
TEST(CodePage, GivesNamesTheirExactSpellingOrNone) {
  const struct {
    const char* system_name;
    const char* text;  // nullptr: the player could never find it
    NameFault fault = NameFault::none;
  } cases[] = {
      {"Bj\xC3\xB6rk.mp3", "Bj\xF6rk.mp3"},
      {"\xC5\x92uvre.mp3", "\x8Cuvre.mp3"},
      {"\xE2\x82\xAC.mp3", "\x80.mp3"},  // the euro sign
      {"Caf\xE9.mp3", "Caf\xE9.mp3"},    // not UTF-8: an old tool's bytes, taken as they are
      {"Caf\xE9\x81.mp3", nullptr, NameFault::unspellable},  // but 0x81 stands for nothing
      {"\x9D.mp3", nullptr, NameFault::unspellable},
      {"\xE6\x97\xA5.mp3", nullptr, NameFault::unspellable},
      {"Dvo\xC5\x99\xC3\xA1k", nullptr, NameFault::unspellable},  // no look-alike r
      {"\xEF\xBC\xB2ock", nullptr, NameFault::unspellable},       // nor a full-width R
      {"Bjo\xCC\x88rk", nullptr, NameFault::decomposed},
      {"what?.mp3", nullptr, NameFault::forbidden_characters},
      {"Caf\xE9?.mp3", nullptr, NameFault::forbidden_characters},
      // Past the first eight bytes, which go at once when they are ASCII.
      {"Sigur R\xC3\xB3s - \xC3\x81g\xC3\xA6tis byrjun \xE2\x82\xAC.mp3",
       "Sigur R\xF3s - \xC1g\xE6tis byrjun \x80.mp3"},
      {"Sigur Ros - Agaetis Caf\xE9.mp3", "Sigur Ros - Agaetis Caf\xE9.mp3"},
      // What Windows, and so the player, drops or takes for a device.
      {"song.mp3 ", nullptr, NameFault::ends_in_dot_or_blank},
      {"song.mp3.", nullptr, NameFault::ends_in_dot_or_blank},
      {"COM\xC2\xB9.mp3", nullptr, NameFault::reserved},  // a superscript one
      {"lpt\xC2\xB2", nullptr, NameFault::reserved},
      {"CONIN$", nullptr, NameFault::reserved},
      {"conout$.m3u", nullptr, NameFault::reserved},
      {"CON .mp3", nullptr, NameFault::reserved},  // a blank before the extension is dropped
      {"COM0.mp3", "COM0.mp3"},
      {"CONSOLE.mp3", "CONSOLE.mp3"},
  };
  for (const auto& c : cases) {
    NameFault fault = NameFault::none;
    std::string text;
    EXPECT_EQ(player_name(cp1252(), c.system_name, text, fault), c.text != nullptr)
        << c.system_name;
    if (c.text != nullptr) {
      EXPECT_EQ(text, c.text) << c.system_name;
    }
    EXPECT_EQ(fault, c.fault) << c.system_name;
  }
}

// Code-page text as the log and the console show it: UTF-8, one line, no control codes.
TEST(CodePage, ShowsTextAsTheConsoleDoes) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"Bj\xF6rk", "Bj\xC3\xB6rk"},
      {"exactly8", "exactly8"},
      {"M\xF6tley Cr\xFC"
       "e - Kickstart.mp3",
       "M\xC3\xB6tley Cr\xC3\xBC"
       "e - Kickstart.mp3"},
      {"12345678\x7F"
       "9",
       "12345678?9"},  // DEL
      {"a tab\there, a line\nend", "a tab?here, a line?end"},
      {"\x81\x80", "?\xE2\x82\xAC"},  // undefined in Windows-1252; the euro sign
  };
  for (const auto& c : cases) {
    std::string shown = "> ";
    cp1252().append_shown(c.text, shown);
    EXPECT_EQ(shown, std::string("> ") + c.shown) << c.text;
  }
}

// The same on both builds, whatever the system's own mapping: Unicode's simple capitals.
TEST(CodePage, FoldsLettersAsUnicodeCapitalisesThem) {
  const struct {
    const char* code_page;
    unsigned char small;
    unsigned char capital;
  } cases[] = {
      {"CP1252", 'a', 'A'},   {"CP1252", 0xE9, 0xC9},  // e acute
      {"CP1252", 0xFF, 0x9F},                          // y with diaeresis, capital elsewhere
      {"CP1252", 0x9A, 0x8A},                          // s with caron
      {"CP1252", 0xDF, 0xDF},                          // sharp s has no capital of its own
      {"CP1252", 0xB5, 0xB5},                          // nor has the micro sign, in this code page
      {"CP1252", '_', '_'},   {"CP1252", 0x81, 0x81},  // undefined
      {"CP1253", 0xF2, 0xD3},                          // final sigma, as sigma, to capital sigma
      {"CP1253", 0xB5, 0xCC},                          // the micro sign to capital mu
      {"CP1254", 0xFD, 'I'},                           // dotless i
      {"CP1254", 'i', 'I'},   {"CP1254", 0xDD, 0xDD},  // capital I with dot
  };
  for (const auto& c : cases)
    EXPECT_EQ(code_page_named(c.code_page).upper(c.small), c.capital)
        << c.code_page << int(c.small);
}

// Every byte each code page defines has its character, learnt from the system: iconv on Linux,
// Windows' own conversion on Windows. One table for both builds, so that both learn the same:
// how many bytes each defines and folds, and a fingerprint of all its characters and capitals.
TEST(CodePage, EveryCodePageIsLearntAlikeOnEveryBuild) {
  const struct {
    std::string_view name;
    std::size_t defined;
    std::size_t folded;
    std::uint32_t fingerprint;
  } cases[] = {
      {"CP1250", 251, 66, 0xE3FFB0BE}, {"CP1251", 255, 73, 0xF4DC504B},
      {"CP1252", 251, 60, 0xFDDD69EA}, {"CP1253", 239, 61, 0x76275AE7},
      {"CP1254", 249, 59, 0xD41020A0}, {"CP1255", 234, 26, 0x12734BF2},
      {"CP1256", 256, 27, 0x42173FE6}, {"CP1257", 244, 59, 0x29477B71},
      {"CP1258", 247, 55, 0xA0C01E65}, {"CP874", 225, 26, 0xB6BF266D},
  };
  ASSERT_EQ(std::size(cases), kCodePages.size());
  for (const auto& c : cases) {
    const CodePage& code_page = code_page_named(c.name);
    std::uint32_t fingerprint = 2166136261u;  // FNV-1a over each byte's character and capital
    for (int byte = 0; byte < 256; ++byte)
      for (char32_t value : {code_page.character(static_cast<unsigned char>(byte)),
                             char32_t{code_page.upper(static_cast<unsigned char>(byte))}})
        fingerprint = (fingerprint ^ value) * 16777619u;
    EXPECT_EQ(code_page.bytes_defined(), c.defined) << c.name;
    EXPECT_EQ(code_page.bytes_folded(), c.folded) << c.name;
    EXPECT_EQ(fingerprint, c.fingerprint) << c.name;
  }
}

}  // namespace
