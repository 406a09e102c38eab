// The command lines of eplgen and epldump: the options both understand, their operands, and
// the answers to --help, --version and arguments that make no sense.
#pragma once

#include <string>
#include <vector>

// Exit statuses both programs document.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CommandLine {
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;  // every argument that is not an option, in order
  std::string error;                  // why the arguments cannot be used; empty when they can
};

// Sorts the arguments into options (-h/--help, -V/--version) and operands. "--" ends the
// options, so that an operand may begin with "-"; a lone "-" is an operand.
CommandLine parse_command_line(int argc, char** argv);

// Prints the synopsis and the details that follow it on standard output.
void print_help(const char* synopsis, const char* details);

// Prints "<program> <version>" on standard output.
void print_version(const char* program);

// Prints the message as a diagnostic and the synopsis as a hint on standard error; returns
// kExitUsage.
int report_usage_error(const std::string& message, const char* synopsis);
