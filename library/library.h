// What the library pass works with: the run's device, report and code page, and the listings it
// has read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CodePage;
class CodePageSet;
class Device;
class FolderListing;
class Listings;
class Report;
enum class NameFault;

// What a run is asked to do beyond the rules.
struct RunOptions {
  bool dry_run = false;  // everything but write: create, change and remove nothing
  // A folder without an M3U takes its subfolders' tracks after its own MP3 files, rather than
  // only when it has none.
  bool recursive = false;
  // Every line and every name skipped is said on a line of its own, rather than counted.
  bool verbose = false;
  // A folder's MP3 files come with their numbers in order of value: "Track 2" before "Track 10".
  bool natural = false;
};

// What a run works with, passed by reference to every layer: nothing lives outside it.
struct RunContext {
  Device& device;
  const CodePage& code_page;
  CodePageSet* code_pages = nullptr;  // the others, to name one that spells a name this one cannot
  RunOptions options = {};
};

// What the library pass works with: the run, what it says (the console, or nothing for a walk
// that only looks), and the listings it has read.
struct Library {
  const RunContext& run;
  Report& report;
  Listings& listings;
};

// "; CP1250 spells it: --codepage CP1250" for a name as the file system spells it that the code
// page cannot, when one offered can; empty otherwise.
std::string other_code_page_spelling(Library& library, std::string_view system_name);

// Why the player could never use a name with this fault, as the file system spells it: one the
// code page cannot spell, one in decomposed form, one holding characters no Windows name may
// hold, one Windows takes for something else.
std::string fault_reason(Library& library, NameFault fault, std::string_view system_name);

// The path text of an entry of a folder (a path text; "" for the music folder), as messages show
// it: its name as the system spells it, for the code page may have none for it.
std::string shown_entry(Library& library, std::string_view folder, const FolderListing& listing,
                        std::size_t entry);

// Says on standard error that an entry the listing gives no usable name (a name with a fault, or
// a twin) is skipped, and why.
void warn_unusable(Library& library, std::string_view folder, const FolderListing& listing,
                   std::size_t entry);

// The audio files of other kinds than MP3 a folder holds or an M3U names, for the one line that
// says so.
class OtherAudio {
 public:
  // Counts the file when its name is one of such a kind.
  void note(std::string_view name);
  std::size_t count() const { return count_; }
  // "2 audio files of other kinds (.flac, .wma)".
  std::string said() const;

 private:
  std::size_t count_ = 0;
  std::vector<std::string_view> kinds_;
};
