// What the library pass works with: the run's device, console and code page, and the listings it
// has read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CodePage;
class CodePages;
class Console;
class Device;
class FolderListing;
class Listings;

struct Library {
  Device& device;
  Console& console;
  const CodePage& code_page;
  Listings& listings;
  // A folder without an M3U takes its subfolders' tracks after its own MP3 files, rather than
  // only when it has none.
  bool recursive = false;
  CodePages* code_pages = nullptr;  // the others, to name one that spells a name this one cannot
};

// "; CP1250 spells it: --codepage CP1250" for a name as the file system spells it that the code
// page cannot, when one offered can; empty otherwise.
std::string other_code_page_spelling(Library& library, std::string_view system_name);

// Says on standard error why the player could never use an entry of the folder (a path text; ""
// for the music folder) that the listing gives no usable name: a name the code page cannot spell,
// one in decomposed form, one holding characters no Windows name may hold, or a twin.
void warn_unusable(Library& library, std::string_view folder, const FolderListing& listing,
                   std::size_t entry);
