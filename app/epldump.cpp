// epldump: prints the device path of every entry of playlist files, one per line, so that
// anyone can see what the player will get, and checks the files against the format on the way.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "playlist/playlist_entry.h"
#include "playlist/playlist_reader.h"

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

// The path is in the player's code page and is shown as the progress log shows names, one
// line whatever it holds.
void print_device_path(const std::string& device_path) { log_line("%s\n", device_path.c_str()); }

// Whether an entry names what it should under the music folder, the working folder: a folder
// for an entry of one name (the music folder's own playlist), a track for a longer one.
bool names_a_file(std::string_view device_path, std::string& problem) {
  std::string_view prefix = "a:\\Music\\";
  if (device_path.size() <= prefix.size() ||
      !equal_ignoring_ascii_case(device_path.substr(0, prefix.size()), prefix)) {
    problem = "not in the player's music folder, a:\\Music";
    return false;
  }
  std::string relative(device_path.substr(prefix.size()));
  FileStatus status;
  if (!file_system().look_up(relative.c_str(), status, problem)) return false;
  FileStatus::Kind wanted = relative.find('\\') == std::string::npos
                                ? FileStatus::Kind::folder
                                : FileStatus::Kind::regular_file;
  if (status.kind == wanted) return true;
  problem = wanted == FileStatus::Kind::folder ? "names no folder" : "names no file";
  return false;
}

// Reads one entry at a time and stops at the first fault, so that memory stays small and a
// file that is no playlist at all ends at once. shown is how messages name the file.
bool dump_playlist(const std::string& path, const std::string& shown, bool check) {
  std::string reason;
  std::unique_ptr<ReadableFile> file = file_system().open_given_file(path.c_str(), reason);
  if (file == nullptr) {
    warn("cannot read %s: %s", quoted(shown).c_str(), reason.c_str());
    return false;
  }
  char entry[kEntrySize];
  std::size_t start = 0;
  std::optional<PlaylistFault> fault;
  bool all_found = true;
  while (!fault) {
    std::size_t count = 0;
    if (!file->read(entry, sizeof entry, count, reason)) {
      warn("cannot read %s: %s", quoted(shown).c_str(), reason.c_str());
      return false;
    }
    if (count == 0) break;
    PlaylistContents contents = read_playlist(std::string_view(entry, count));
    for (const std::string& device_path : contents.device_paths) {
      print_device_path(device_path);
      std::string problem;
      if (check && !names_a_file(device_path, problem)) {
        warn("%s: entry %s, %s: %s", quoted(shown).c_str(),
             std::to_string(start / kEntrySize + 1).c_str(), quoted_text(device_path).c_str(),
             problem.c_str());
        all_found = false;
      }
    }
    fault = contents.fault;
    if (fault) fault->offset += start;
    start += count;
  }
  if (fault)
    warn("%s: byte %s: %s", quoted(shown).c_str(), std::to_string(fault->offset).c_str(),
         fault->description.c_str());
  return !fault && all_found;
}

int real_main(int argc, char** argv) {
  set_program_name("epldump");
  CommandLine command_line = parse_command_line(argc, argv, {{nullptr, "--check", true}});
  if (std::optional<int> status =
          answer_common_options(command_line, {"epldump", kSynopsis, kHelp}))
    return *status;
  if (command_line.operands.empty()) return report_usage_error("no FILE given", "epldump");
  // Entries are looked up in the music folder, files named before it are read where they are.
  std::vector<std::string> paths;
  for (const std::string& operand : command_line.operands)
    paths.push_back(operand == "-" ? operand : file_system().absolute_path(operand.c_str()));
  auto check = command_line.options.find("--check");
  if (check != command_line.options.end()) {
    std::string reason;
    if (!file_system().change_working_folder(check->second.c_str(), reason))
      return report_usage_error(
          "cannot use " + quoted(check->second) + " as the music folder: " + reason, "epldump");
  }
  bool all_well_formed = true;
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const std::string& shown =
        command_line.operands[index] == "-" ? "standard input" : command_line.operands[index];
    // Several files, as head and tail show them.
    if (paths.size() > 1) {
      std::string header = (index > 0 ? "\n==> " : "==> ") + shown + " <==\n";
      log_line(header.c_str());
    }
    all_well_formed =
        dump_playlist(paths[index], shown, check != command_line.options.end()) && all_well_formed;
  }
  return all_well_formed ? kExitSuccess : kExitFailure;
}

}  // namespace

// The output is the product: it is checked to the last byte.
int main(int argc, char** argv) { return finish_output(real_main(argc, argv)); }
