// The command lines of eplgen and epldump: the options both understand, their operands, and
// the answers to --help, --version and arguments that make no sense.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

class CodePage;
class CodePages;
class Console;

// Exit statuses both programs document.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// An option of one program alone: a flag, or one that takes a value (--check FOLDER, or
// --check=FOLDER).
struct ProgramOption {
  char short_name;              // 'n' for -n; '\0' for none
  const char* long_name;        // "dry-run" for --dry-run
  const char* value = nullptr;  // what it takes, "FOLDER"; null for a flag
};

struct CommandLine {
  bool help = false;
  bool version = false;
  std::optional<std::string> code_page;                     // --codepage NAME
  std::map<std::string, std::string, std::less<>> options;  // the program's own, by long name:
                                                            // its value, "" for a flag
  std::vector<std::string> operands;  // every argument that is not an option, in order
  std::string error;                  // why the arguments cannot be used; empty when they can
};

// Sorts the arguments (the program's name first) into options (-h/--help or /?, -V/--version,
// --codepage NAME, and the program's own) and operands, as the C library's getopt_long does and
// every other tool: short options grouped (-qr), a long one by any unique beginning (--dry),
// its value after "=" or as the next argument, options and operands in any order. "--" ends
// the options, so that an operand may begin with "-"; a lone "-" is an operand.
CommandLine parse_command_line(const std::vector<std::string>& arguments,
                               std::initializer_list<ProgramOption> program_options = {});

struct ProgramText {
  const char* name;
  const char* synopsis;  // "Usage: ..."
  const char* help;      // what --help prints after the synopsis
};

// Acts on what both programs' command lines have in common: refuses arguments that make no
// sense, answers --help and --version, and chooses the code page named by --codepage, or else
// by the environment variable EPLGEN_CODEPAGE, or else the platform's. Returns the exit status
// when the program is to end here.
std::optional<int> answer_common_options(const CommandLine& command_line, const ProgramText& text,
                                         Console& console, CodePages& code_pages,
                                         CodePage& code_page);

// Prints the message as a diagnostic on standard error, and where to find the usage; returns
// kExitUsage.
int report_usage_error(Console& console, const std::string& message, const char* program);

// A code page of ASCII alone: what names are shown in before the code page is chosen.
CodePage ascii_code_page();
