#include "library/library.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/quoting.h"
#include "core/report.h"

std::string other_code_page_spelling(Library& library, std::string_view system_name) {
  const CodePage* other =
      library.run.code_pages == nullptr
          ? nullptr
          : code_page_spelling(*library.run.code_pages, library.run.code_page, system_name);
  if (other == nullptr) return {};
  return "; " + other->name() + " spells it: --codepage " + other->name();
}

std::string fault_reason(Library& library, NameFault fault, std::string_view system_name) {
  switch (fault) {
    case NameFault::decomposed:
      // macOS writes "o" and a combining diaeresis where the player compares names with an "ö".
      return "its name is in decomposed form (letters and accents apart, as macOS writes names), "
             "which the player cannot find; renaming it fixes that";
    case NameFault::unspellable:
      return "code page " + library.run.code_page.name() + " has no characters for this name" +
             other_code_page_spelling(library, system_name);
    case NameFault::forbidden_characters:
      return "a Windows player cannot use a name holding control characters or any of \" * : < > "
             "? \\ |";
    case NameFault::ends_in_dot_or_blank:
      return "Windows, and so the player, drops the dots and blanks a name ends in, and could "
             "never find it; renaming it fixes that";
    case NameFault::reserved:
      return "Windows, and so the player, takes this name for a device; renaming it fixes that";
    case NameFault::none:
      break;
  }
  return {};
}

std::string shown_entry(Library& library, std::string_view folder, const FolderListing& listing,
                        std::size_t entry) {
  std::string_view name = listing.system_name(entry);
  std::string shown = is_valid_utf8(name) ? std::string(name) : library.run.code_page.shown(name);
  if (!folder.empty()) shown = library.run.code_page.shown(folder) + "\\" + shown;
  return quoted(shown);
}

void warn_unusable(Library& library, std::string_view folder, const FolderListing& listing,
                   std::size_t entry) {
  std::optional<std::size_t> taken = listing.twin_of(entry);
  library.report.warn(
      "skipping " + shown_entry(library, folder, listing, entry) + ": " +
      (taken ? "the player cannot tell it from " +
                   quoted_text(library.run.code_page, listing.text(*taken)) + ", which is taken"
             : fault_reason(library, listing.fault(entry), listing.system_name(entry))));
}

void OtherAudio::note(std::string_view name) {
  std::string_view kind = other_audio_kind(name);
  if (kind.empty()) return;
  ++count_;
  if (std::find(kinds_.begin(), kinds_.end(), kind) == kinds_.end()) kinds_.push_back(kind);
}

std::string OtherAudio::said() const {
  std::vector<std::string_view> kinds = kinds_;
  std::sort(kinds.begin(), kinds.end());
  std::string shown;
  for (std::string_view kind : kinds) shown.append(shown.empty() ? "" : ", ").append(kind);
  return std::to_string(count_) +
         (count_ == 1 ? " audio file of another kind (" : " audio files of other kinds (") + shown +
         ")";
}
