#include "library/library.h"

#include <string>

#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"

std::string other_code_page_spelling(Library& library, std::string_view system_name) {
  const CodePage* other = library.code_pages == nullptr
                              ? nullptr
                              : library.code_pages->spelling(system_name, library.code_page);
  if (other == nullptr) return {};
  return "; " + other->name() + " spells it: --codepage " + other->name();
}

void warn_unusable(Library& library, std::string_view folder, const FolderListing& listing,
                   std::size_t entry) {
  Console& console = library.console;
  // The name as the system spells it: the code page may have none for it.
  std::string_view name = listing.system_name(entry);
  std::string shown = is_valid_utf8(name) ? std::string(name) : library.code_page.shown(name);
  if (!folder.empty()) shown = library.code_page.shown(folder) + "\\" + shown;
  shown = Console::quoted(shown);
  if (std::optional<std::size_t> taken = listing.twin_of(entry)) {
    console.warn("skipping " + shown + ": the player cannot tell it from " +
                 console.quoted_text(listing.text(*taken)) + ", which is taken");
    return;
  }
  switch (listing.fault(entry)) {
    case NameFault::decomposed:
      // macOS writes "o" and a combining diaeresis where the player compares names with an "ö".
      console.warn("skipping " + shown +
                   ": its name is in decomposed form (letters and accents apart, as macOS writes "
                   "names), which the player cannot find; renaming it fixes that");
      return;
    case NameFault::unspellable:
      console.warn("skipping " + shown + ": code page " + library.code_page.name() +
                   " has no characters for this name" +
                   other_code_page_spelling(library, listing.system_name(entry)));
      return;
    case NameFault::forbidden_characters:
      console.warn("skipping " + shown +
                   ": a Windows player cannot use a name holding control characters or any of \" "
                   "* : < > ? \\ |");
      return;
    case NameFault::ends_in_dot_or_blank:
      console.warn("skipping " + shown +
                   ": Windows, and so the player, drops the dots and blanks a name ends in, and "
                   "could never find it; renaming it fixes that");
      return;
    case NameFault::reserved:
      console.warn("skipping " + shown +
                   ": Windows, and so the player, takes this name for a device; renaming it "
                   "fixes that");
      return;
    case NameFault::none:
      return;
  }
}
