#include "core/unicode.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/unicode_data.h"
#include "core/utf8.h"

namespace {

// Hangul syllables compose and decompose by arithmetic, as Unicode defines them.
constexpr char32_t kSyllableFirst = 0xAC00;
constexpr char32_t kSyllableCount = 11172;
constexpr char32_t kLeadingFirst = 0x1100;
constexpr char32_t kLeadingCount = 19;
constexpr char32_t kVowelFirst = 0x1161;
constexpr char32_t kVowelCount = 21;
constexpr char32_t kTrailingFirst = 0x11A7;  // one before the first trailing consonant
constexpr char32_t kTrailingCount = 28;

bool is_syllable(char32_t c) { return c >= kSyllableFirst && c < kSyllableFirst + kSyllableCount; }

unsigned combining_class(char32_t c) {
  const CombiningClass* end = kCombiningClasses + kCombiningClassCount;
  const CombiningClass* found = std::lower_bound(
      kCombiningClasses, end, c,
      [](const CombiningClass& entry, char32_t wanted) { return entry.code_point < wanted; });
  return found != end && found->code_point == c ? found->combining_class : 0;
}

void decompose(char32_t c, std::u32string& out) {
  if (is_syllable(c)) {
    char32_t index = c - kSyllableFirst;
    out += static_cast<char32_t>(kLeadingFirst + index / (kVowelCount * kTrailingCount));
    out += static_cast<char32_t>(kVowelFirst +
                                 index % (kVowelCount * kTrailingCount) / kTrailingCount);
    if (index % kTrailingCount != 0)
      out += static_cast<char32_t>(kTrailingFirst + index % kTrailingCount);
    return;
  }
  const Decomposition* end = kDecompositions + kDecompositionCount;
  const Decomposition* found = std::lower_bound(
      kDecompositions, end, c,
      [](const Decomposition& entry, char32_t wanted) { return entry.code_point < wanted; });
  if (found == end || found->code_point != c) {
    out += c;
    return;
  }
  decompose(found->first, out);
  if (found->second != 0) decompose(found->second, out);
}

// The character a pair composes into, or 0.
char32_t composite_of(char32_t first, char32_t second) {
  if (first >= kLeadingFirst && first < kLeadingFirst + kLeadingCount && second >= kVowelFirst &&
      second < kVowelFirst + kVowelCount)
    return kSyllableFirst +
           ((first - kLeadingFirst) * kVowelCount + (second - kVowelFirst)) * kTrailingCount;
  if (is_syllable(first) && (first - kSyllableFirst) % kTrailingCount == 0 &&
      second > kTrailingFirst && second < kTrailingFirst + kTrailingCount)
    return first + (second - kTrailingFirst);
  const Composition* end = kCompositions + kCompositionCount;
  const Composition* found = std::lower_bound(
      kCompositions, end, std::pair(first, second), [](const Composition& entry, auto wanted) {
        return std::pair(entry.first, entry.second) < wanted;
      });
  return found != end && found->first == first && found->second == second ? found->composite : 0;
}

}  // namespace

bool may_compose(std::string_view utf8) {
  // Below U+0300, whose UTF-8 begins with 0xCC, every character is composed already and combines
  // with nothing. Runs of ASCII go eight bytes at a time.
  for (std::size_t i = end_of_ascii(utf8, 0); i < utf8.size(); i = end_of_ascii(utf8, i + 1))
    if (static_cast<unsigned char>(utf8[i]) >= 0xCC) return true;
  return false;
}

std::string composed(std::string_view utf8) {
  if (!may_compose(utf8)) return std::string(utf8);
  std::u32string characters;
  for (std::string_view rest = utf8; !rest.empty();)
    decompose(take_utf8_character(rest), characters);
  // The canonical order: each run of combining marks sorted by class, marks of one class kept in
  // their order.
  for (auto run = characters.begin(); run != characters.end();) {
    auto is_mark = [](char32_t c) { return combining_class(c) != 0; };
    run = std::find_if(run, characters.end(), is_mark);
    auto end = std::find_if_not(run, characters.end(), is_mark);
    std::stable_sort(run, end, [](char32_t left, char32_t right) {
      return combining_class(left) < combining_class(right);
    });
    run = end;
  }
  // Each mark composes with the last starter before it unless a mark of its class or a starter
  // comes between them.
  std::u32string out;
  std::size_t starter = 0;
  unsigned last_class = 256;  // nothing to compose with before the first starter
  for (char32_t c : characters) {
    unsigned c_class = combining_class(c);
    if (!out.empty() && (last_class < c_class || last_class == 0)) {
      if (char32_t composite = composite_of(out[starter], c); composite != 0) {
        out[starter] = composite;
        continue;
      }
    }
    if (c_class == 0) starter = out.size();
    last_class = c_class;
    out += c;
  }
  std::string result;
  result.reserve(utf8.size());
  for (char32_t c : out) append_utf8(result, c);
  return result;
}
