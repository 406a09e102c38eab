#include "core/code_page.h"

#include <gtest/gtest.h>

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
      {"\xE6\x97\xA5.mp3", nullptr, NameFault::unspellable},
      {"Dvo\xC5\x99\xC3\xA1k", nullptr, NameFault::unspellable},  // no look-alike r
      {"\xEF\xBC\xB2ock", nullptr, NameFault::unspellable},       // nor a full-width R
      {"Bjo\xCC\x88rk", nullptr, NameFault::decomposed},
      {"what?.mp3", nullptr, NameFault::forbidden_characters},
      {"Caf\xE9?.mp3", nullptr, NameFault::forbidden_characters},
  };
  for (const auto& c : cases) {
    NameFault fault = NameFault::none;
    std::optional<std::string> text = player_name(cp1252(), c.system_name, fault);
    EXPECT_EQ(text.value_or("(none)"), c.text != nullptr ? c.text : "(none)") << c.system_name;
    EXPECT_EQ(fault, c.fault) << c.system_name;
  }
}

TEST(CodePage, FoldsLettersAsUnicodeCapitalisesThem) {
  const struct {
    unsigned char small;
    unsigned char capital;
  } cases[] = {
      {'a', 'A'},   {0xE9, 0xC9},  // e acute
      {0xFF, 0x9F},                // y with diaeresis, whose capital lies elsewhere
      {0x9A, 0x8A},                // s with caron
      {0xDF, 0xDF},                // sharp s has no capital of its own
      {0xB5, 0xB5},                // nor has the micro sign, in this code page
      {'_', '_'},   {0x81, 0x81},  // undefined
  };
  for (const auto& c : cases) EXPECT_EQ(cp1252().upper(c.small), c.capital) << int(c.small);
}

}  // namespace
