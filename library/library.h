// What the library pass works with: the run's device, console and code page, and the listings it
// has read.
#pragma once

#include <cstddef>
#include <string_view>

class CodePage;
class Console;
class Device;
class FolderListing;
class Listings;

struct Library {
  Device& device;
  Console& console;
  const CodePage& code_page;
  Listings& listings;
};

// Says on standard error why the player could never use an entry of the folder (a path text; ""
// for the music folder) that the listing gives no usable name: a name the code page cannot spell,
// one in decomposed form, one holding characters no Windows name may hold, or a twin.
void warn_unusable(Library& library, std::string_view folder, const FolderListing& listing,
                   std::size_t entry);
