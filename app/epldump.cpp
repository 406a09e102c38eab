// epldump: prints the device path of every entry of playlist files, one per line, so that
// anyone can see what the player will get, and checks the files against the format on the way.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/playlist_entry.h"
#include "playlist/playlist_reader.h"

namespace {

constexpr const char* kSynopsis = "Usage: epldump [-h] [-V] [--codepage NAME] [--] FILE...";

constexpr const char* kHelp =
    "\n"
    "Prints the device path of every entry of each playlist FILE, one per line, in\n"
    "order; control characters are shown as \"?\". A FILE that is not a well-formed\n"
    "playlist is reported on standard error with the offset of the first bad byte;\n"
    "the entries before it are printed.\n"
    "\n"
    "  -h, --help     print this help\n"
    "  -V, --version  print the version\n"
    "  --codepage NAME\n"
    "                 the player's code page, CP1250 to CP1258 or CP874 (default\n"
    "                 CP1252, or on Windows the system's), for showing the paths\n"
    "  --             end of options: a FILE may then begin with \"-\"\n"
    "\n"
    "Exit status: 0 every FILE is a well-formed playlist; 1 some FILE could not be\n"
    "read or is damaged (all the others were printed); 2 wrong arguments.\n";

// The path is in the player's code page and is shown as the progress log shows names. A control
// character would split an entry's line or upset the terminal.
void print_device_path(std::string device_path) {
  auto is_control = [](char character) {
    return static_cast<unsigned char>(character) < 0x20 || character == 0x7F;
  };
  std::replace_if(device_path.begin(), device_path.end(), is_control, '?');
  log_line("%s\n", device_path.c_str());
}

// Reads one entry at a time and stops at the first fault, so that memory stays small and a
// file that is no playlist at all ends at once.
bool dump_playlist(const std::string& path) {
  std::string reason;
  std::unique_ptr<ReadableFile> file = file_system().open_given_file(path.c_str(), reason);
  if (file == nullptr) {
    warn("cannot read %s: %s", quoted(path).c_str(), reason.c_str());
    return false;
  }
  char entry[kEntrySize];
  std::size_t start = 0;
  std::optional<PlaylistFault> fault;
  while (!fault) {
    std::size_t count = 0;
    if (!file->read(entry, sizeof entry, count, reason)) {
      warn("cannot read %s: %s", quoted(path).c_str(), reason.c_str());
      return false;
    }
    if (count == 0) break;
    PlaylistContents contents = read_playlist(std::string_view(entry, count));
    for (const std::string& device_path : contents.device_paths) print_device_path(device_path);
    fault = contents.fault;
    if (fault) fault->offset += start;
    start += count;
  }
  if (fault)
    warn("%s: byte %s: %s", quoted(path).c_str(), std::to_string(fault->offset).c_str(),
         fault->description.c_str());
  return !fault;
}

int real_main(int argc, char** argv) {
  set_program_name("epldump");
  CommandLine command_line = parse_command_line(argc, argv);
  if (std::optional<int> status =
          answer_common_options(command_line, {"epldump", kSynopsis, kHelp}))
    return *status;
  if (command_line.operands.empty()) return report_usage_error("no FILE given", "epldump");
  bool all_well_formed = true;
  for (const std::string& path : command_line.operands)
    all_well_formed = dump_playlist(path) && all_well_formed;
  return all_well_formed ? kExitSuccess : kExitFailure;
}

}  // namespace

// The output is the product: it is checked to the last byte.
int main(int argc, char** argv) { return finish_output(real_main(argc, argv)); }
