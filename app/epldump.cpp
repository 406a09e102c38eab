// epldump: prints the device path of every entry of playlist files, one per line, so that
// anyone can see what the player will get, and checks the files against the format on the way.
#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/playlist_entry.h"
#include "core/playlist_reader.h"
#include "core/quoting.h"
#include "library/listings.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"
#include "platform/device.h"
#include "platform/process.h"

namespace {

constexpr const char* kSynopsis =
    "Usage: epldump [-h] [-V] [--check FOLDER] [--codepage NAME] [--] FILE...";

constexpr const char* kHelp =
    "\n"
    "Prints the device path of every entry of each playlist FILE, one per line, in\n"
    "order, under a \"==> FILE <==\" header when there are several; control\n"
    "characters are shown as \"?\". A FILE \"-\" is standard input. A FILE that is not\n"
    "a well-formed playlist is reported on standard error with the offset of the\n"
    "first bad byte; the entries before it are printed.\n"
    "\n"
    "  -h, --help     print this help\n"
    "  -V, --version  print the version\n"
    "  --check FOLDER also check that every entry names a file under FOLDER, the\n"
    "                 player's music folder (a folder, in the music folder's own\n"
    "                 playlist), found as the player finds it; each that does not\n"
    "                 is reported on standard error\n"
    "  --codepage NAME\n"
    "                 the player's code page, CP1250 to CP1258 or CP874 (default\n"
    "                 CP1252, or on Windows the system's), for showing the paths;\n"
    "                 the environment variable EPLGEN_CODEPAGE gives the default\n"
    "  --             end of options: a FILE may then begin with \"-\"\n"
    "\n"
    "Exit status: 0 every FILE is a well-formed playlist (and every entry names a\n"
    "file); 1 some FILE could not be read or is damaged, or an entry names no file\n"
    "(all the others were printed); 2 wrong arguments.\n";

// What epldump works with.
struct Dump {
  Device& device;
  Console& console;
  std::unique_ptr<Listings> listings;  // of the music folder, with --check
};

// Whether an entry names what it should under the music folder, the working folder: a folder
// for an entry of one name (the music folder's own playlist), a track for a longer one.
bool names_a_file(Dump& dump, std::string_view device_path, std::string& problem) {
  std::string_view prefix = "a:\\Music\\";
  if (device_path.size() <= prefix.size() ||
      !equal_ignoring_ascii_case(device_path.substr(0, prefix.size()), prefix)) {
    problem = "not in the player's music folder, a:\\Music";
    return false;
  }
  std::string_view relative = device_path.substr(prefix.size());
  Resolution found = resolve(*dump.listings, dump.console.code_page(), relative);
  if (found.kind == Resolution::Kind::failed) {
    problem = found.reason;
    return false;
  }
  Resolution::Kind wanted = relative.find('\\') == std::string_view::npos ? Resolution::Kind::folder
                                                                          : Resolution::Kind::file;
  if (found.kind == wanted) return true;
  problem = wanted == Resolution::Kind::folder ? "names no folder" : "names no file";
  return false;
}

// Reads one entry at a time and stops at the first fault, so that memory stays small and a
// file that is no playlist at all ends at once. shown is how messages name the file.
bool dump_playlist(Dump& dump, const std::string& path, const std::string& shown) {
  Console& console = dump.console;
  DeviceError error;
  std::unique_ptr<ReadableFile> file = dump.device.open_given(path, error);
  if (file == nullptr) {
    console.warn("cannot read " + quoted(shown) + ": " + error.reason);
    return false;
  }
  char entry[kEntrySize];
  std::size_t start = 0;
  std::optional<PlaylistFault> fault;
  bool all_found = true;
  while (!fault) {
    std::size_t count = 0;
    if (!file->read(entry, sizeof entry, count, error)) {
      console.warn("cannot read " + quoted(shown) + ": " + error.reason);
      return false;
    }
    if (count == 0) break;
    PlaylistContents contents = read_playlist(std::string_view(entry, count));
    for (const std::string& device_path : contents.device_paths) {
      // Shown as the progress log shows names, one line whatever it holds.
      console.log("%s\n", device_path);
      std::string problem;
      if (dump.listings != nullptr && !names_a_file(dump, device_path, problem)) {
        console.warn(quoted(shown) + ": entry " + std::to_string(start / kEntrySize + 1) + ", " +
                     quoted_text(console.code_page(), device_path) + ": " + problem);
        all_found = false;
      }
    }
    fault = contents.fault;
    if (fault) fault->offset += start;
    start += count;
  }
  if (fault)
    console.warn(quoted(shown) + ": byte " + std::to_string(fault->offset) + ": " +
                 fault->description);
  return !fault && all_found;
}

int dump_playlists(int argc, char** argv, Console& console, CodePage& code_page) {
  CodePages code_pages;
  CommandLine command_line =
      parse_command_line(program_arguments(argc, argv), {{'\0', "check", "FOLDER"}});
  if (std::optional<int> status = answer_common_options(command_line, {"epldump", kSynopsis, kHelp},
                                                        console, code_pages, code_page))
    return *status;
  if (command_line.operands.empty()) return report_usage_error(console, "no FILE given", "epldump");
  std::unique_ptr<Device> device = make_native_device();
  Dump dump{*device, console, nullptr};
  // Entries are looked up in the music folder, files named before it are read where they are.
  std::vector<std::string> paths;
  for (const std::string& operand : command_line.operands)
    paths.push_back(operand == "-" ? operand : device->absolute_path(operand));
  auto check = command_line.options.find("check");
  if (check != command_line.options.end()) {
    DeviceError error;
    if (!device->change_working_folder(check->second, error))
      return report_usage_error(
          console, "cannot use " + quoted(check->second) + " as the music folder: " + error.reason,
          "epldump");
    dump.listings = std::make_unique<Listings>(*device, code_page);
  }
  bool all_well_formed = true;
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const std::string& shown =
        command_line.operands[index] == "-" ? "standard input" : command_line.operands[index];
    // Several files, as head and tail show them.
    if (paths.size() > 1) console.log((index > 0 ? "\n==> " : "==> ") + shown + " <==\n");
    all_well_formed = dump_playlist(dump, paths[index], shown) && all_well_formed;
  }
  return all_well_formed ? kExitSuccess : kExitFailure;
}

}  // namespace

// The output is the product: it is checked to the last byte.
int main(int argc, char** argv) {
  try {
    CodePage code_page = ascii_code_page();
    Console console("epldump", code_page);
    return console.finish(dump_playlists(argc, argv, console, code_page));
  } catch (const std::bad_alloc&) {
    say_out_of_memory("epldump: out of memory\n");
    return kExitFailure;
  }
}
