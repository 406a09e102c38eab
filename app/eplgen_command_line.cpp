#include "app/eplgen_command_line.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/quoting.h"
#include "platform/console.h"
#include "platform/device.h"
#include "platform/process.h"

namespace {

constexpr const char* kSynopsis =
    "Usage: eplgen [-h] [-V] [-n] [-q] [-r] [-v] [--natural] [--codepage NAME] [--] [FOLDER]";

constexpr const char* kHelp =
    "\n"
    "Writes \"Default Playlist.epl\" in FOLDER, the player's music folder (the current\n"
    "folder when none is given), with one entry for each subfolder, named as the\n"
    "player sees it: a:\\Music\\NAME. Then writes one in each of these subfolders\n"
    "(one level down: theirs get none), listing the tracks of its M3U or M3U8\n"
    "playlist, or else its MP3 files in byte order, or else, for a folder with\n"
    "neither, its subfolders' tracks (Artist\\Album\\...). A playlist whose entries\n"
    "are already there is left as it is. The log goes to standard output, problems\n"
    "and a line that sums the run up to standard error; there, on a terminal, a\n"
    "run that lasts over a second shows how many folders are done.\n"
    "\n"
    "  -h, --help     print this help, write nothing\n"
    "  -V, --version  print the version, write nothing\n"
    "  -n, --dry-run  do everything but write: create, change and remove nothing,\n"
    "                 and say at the end which playlists would be written\n"
    "  -q, --quiet    print no progress log, and no summary unless there were\n"
    "                 problems; problems are still said\n"
    "  -r, --recursive\n"
    "                 a folder without an M3U takes its subfolders' tracks after\n"
    "                 its own MP3 files, not only when it has none\n"
    "  -v, --verbose  say every M3U line and every file or folder skipped on a line\n"
    "                 of its own, where a folder's are otherwise summed up\n"
    "  --natural      put a folder's MP3 files with their numbers in order of value\n"
    "                 (Track 2 before Track 10); an M3U's order is kept as it is\n"
    "  --codepage NAME\n"
    "                 the player's code page, CP1250 to CP1258 or CP874 (default\n"
    "                 CP1252, or on Windows the system's when it is one of these);\n"
    "                 the environment variable EPLGEN_CODEPAGE gives the default\n"
    "  --             end of options: FOLDER may then begin with \"-\"\n"
    "\n"
    "Options in the environment variable EPLGEN_OPTIONS (EPLGEN_OPTIONS=-r) come\n"
    "before those given.\n"
    "\n"
    "Exit status: 0 every playlist was written and is on the device; 1 something\n"
    "failed (said on standard error; all else was done); 2 wrong arguments (nothing\n"
    "was written); 128 + N interrupted by signal N (every playlist whole).\n";

}  // namespace

std::optional<int> follow_command_line(int argc, char** argv, Console& console,
                                       CodePages& code_pages, CodePage& code_page, Device& device,
                                       EplgenOptions& options) {
  std::vector<std::string> arguments = program_arguments(argc, argv);
  const std::initializer_list<ProgramOption> own = {
      {'n', "dry-run"}, {'q', "quiet"}, {'r', "recursive"}, {'v', "verbose"}, {'\0', "natural"}};
  // Options from the environment go first, so that the command line's own win; they are options
  // only, with their values (--codepage CP1250), never a FOLDER.
  if (const char* variable = std::getenv("EPLGEN_OPTIONS"); variable != nullptr) {
    std::istringstream words(variable);
    std::vector<std::string> options{arguments.front()};
    options.insert(options.end(), std::istream_iterator<std::string>(words), {});
    CommandLine given = parse_command_line(options, own);
    auto end_of_options = std::find(options.begin(), options.end(), "--");
    if (given.error.empty() && (!given.operands.empty() || end_of_options != options.end()))
      return report_usage_error(console,
                                "EPLGEN_OPTIONS holds " +
                                    quoted(given.operands.empty() ? "--" : given.operands.front()) +
                                    ", which is no option",
                                "eplgen");
    arguments.insert(arguments.begin() + 1, options.begin() + 1, options.end());
  }
  CommandLine command_line = parse_command_line(arguments, own);
  if (std::optional<int> status = answer_common_options(command_line, {"eplgen", kSynopsis, kHelp},
                                                        console, code_pages, code_page))
    return *status;
  options.run.dry_run = command_line.options.count("dry-run") != 0;
  options.run.recursive = command_line.options.count("recursive") != 0;
  options.run.verbose = command_line.options.count("verbose") != 0;
  options.run.natural = command_line.options.count("natural") != 0;
  console.set_quiet(command_line.options.count("quiet") != 0);
  if (command_line.operands.size() > 1)
    return report_usage_error(console, "more than one FOLDER given", "eplgen");
  options.folder_given = !command_line.operands.empty();
  if (options.folder_given) {
    const std::string& folder = command_line.operands.front();
    DeviceError error;
    if (!device.change_working_folder(folder, error))
      return report_usage_error(
          console, "cannot use " + quoted(folder) + " as the music folder: " + error.reason,
          "eplgen");
  }
  return std::nullopt;
}
