#include "app/eplgen_command_line.h"

#include <string>

#include "app/command_line.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/playlist_writer.h"

namespace {

constexpr const char* kSynopsis =
    "Usage: eplgen [-h] [-V] [-n] [-q] [--codepage NAME] [--] [FOLDER]";

constexpr const char* kHelp =
    "\n"
    "Writes \"Default Playlist.epl\" in FOLDER, the player's music folder (the current\n"
    "folder when none is given), with one entry for each subfolder, named as the\n"
    "player sees it: a:\\Music\\NAME. Then writes one in every subfolder, listing the\n"
    "tracks of its M3U or M3U8 playlist, or else its MP3 files in byte order. A\n"
    "playlist whose entries are already there is left as it is. Progress goes to\n"
    "standard output, problems to standard error.\n"
    "\n"
    "  -h, --help     print this help, write nothing\n"
    "  -V, --version  print the version, write nothing\n"
    "  -n, --dry-run  do everything but write: create, change and remove nothing,\n"
    "                 and say at the end which playlists would be written\n"
    "  -q, --quiet    print no progress log; problems are still said\n"
    "  --codepage NAME\n"
    "                 the player's code page, CP1250 to CP1258 or CP874 (default\n"
    "                 CP1252, or on Windows the system's when it is one of these);\n"
    "                 the environment variable EPLGEN_CODEPAGE gives the default\n"
    "  --             end of options: FOLDER may then begin with \"-\"\n"
    "\n"
    "Exit status: 0 every playlist was written and is on the device; 1 something\n"
    "failed (said on standard error; all else was done); 2 wrong arguments (nothing\n"
    "was written); 128 + N interrupted by signal N (every playlist whole).\n";

}  // namespace

std::optional<int> follow_command_line(int argc, char** argv, bool& folder_given) {
  CommandLine command_line =
      parse_command_line(argc, argv, {{"-n", "--dry-run"}, {"-q", "--quiet"}});
  if (std::optional<int> status = answer_common_options(command_line, {"eplgen", kSynopsis, kHelp}))
    return *status;
  set_dry_run(command_line.options.count("--dry-run") != 0);
  set_quiet(command_line.options.count("--quiet") != 0);
  if (command_line.operands.size() > 1)
    return report_usage_error("more than one FOLDER given", "eplgen");
  folder_given = !command_line.operands.empty();
  if (folder_given) {
    const std::string& folder = command_line.operands.front();
    std::string reason;
    if (!file_system().change_working_folder(folder.c_str(), reason))
      return report_usage_error("cannot use " + quoted(folder) + " as the music folder: " + reason,
                                "eplgen");
  }
  return std::nullopt;
}
