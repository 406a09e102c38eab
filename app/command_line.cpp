#include "app/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/code_page.h"
#include "core/names.h"
#include "core/quoting.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"

namespace {

// The options every program takes, and then its own.
constexpr int kCodePageOption = 256;
constexpr int kFirstLongOnly = 257;

// Why getopt_long refused an argument: a long one it knows no option for, or more than one
// beginning so, or one given a value it takes none.
std::string refusal_of(std::string_view argument, const std::vector<option>& options) {
  std::string_view name = argument.substr(2, argument.find('=') - 2);
  std::vector<std::string_view> beginning_so;
  for (const option& known : options) {
    if (known.name == nullptr) break;
    std::string_view known_name = known.name;
    if (known_name == name) {
      beginning_so = {known_name};
      break;
    }
    if (known_name.starts_with(name)) beginning_so.push_back(known_name);
  }
  if (beginning_so.empty()) return "unknown option " + quoted(argument);
  if (beginning_so.size() > 1) {
    std::string all;
    for (std::string_view known : beginning_so)
      all.append(all.empty() ? "--" : ", --").append(known);
    return "option " + quoted(argument) + " is ambiguous: " + all;
  }
  return "--" + std::string(beginning_so.front()) + " takes no value";
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments,
                               std::initializer_list<ProgramOption> program_options) {
  CommandLine command_line;
  auto fail = [&command_line](std::string error) {
    if (command_line.error.empty()) command_line.error = std::move(error);
  };
  // "/?" is how Windows users ask a console program for help: no option to getopt.
  std::vector<std::string> words;
  for (const std::string& argument : arguments) {
    bool options_ended = std::find(words.begin(), words.end(), "--") != words.end();
    if (!words.empty() && !options_ended && argument == "/?")
      command_line.help = true;
    else
      words.push_back(argument);
  }
  // Operands are given back in their place ("-"), whatever POSIXLY_CORRECT says; ':' tells a
  // missing value from an unknown option.
  std::string short_options = "-:hV";
  std::vector<option> long_options = {{"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {"codepage", required_argument, nullptr, kCodePageOption}};
  std::vector<const ProgramOption*> by_value;
  for (const ProgramOption& program_option : program_options) {
    int value = program_option.short_name != '\0'
                    ? program_option.short_name
                    : kFirstLongOnly + static_cast<int>(by_value.size());
    if (program_option.short_name != '\0')
      short_options.append(1, program_option.short_name)
          .append(program_option.value != nullptr ? ":" : "");
    long_options.push_back({program_option.long_name,
                            program_option.value != nullptr ? required_argument : no_argument,
                            nullptr, value});
    by_value.push_back(&program_option);
  }
  long_options.push_back({nullptr, 0, nullptr, 0});
  auto program_option_of = [&](int value) -> const ProgramOption* {
    for (std::size_t index = 0; index < by_value.size(); ++index)
      if (long_options[3 + index].val == value) return by_value[index];
    return nullptr;
  };
  auto takes_value = [&](int value) {
    for (const option& known : long_options)
      if (known.name != nullptr && known.val == value) return known.has_arg == required_argument;
    return false;
  };
  // The option whose value getopt_long gives, by the name the user reads.
  auto name_of = [&](int value) {
    for (const option& known : long_options)
      if (known.name != nullptr && known.val == value) return "--" + std::string(known.name);
    return std::string();
  };
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(words.size());
  // The C library's parser keeps its state in globals: it is started afresh for each parse, and
  // says nothing itself.
  optind = 0;
  opterr = 0;
  for (;;) {
    // The argument getopt_long works on: the next, or the rest of a group of short options.
    int at = std::max(optind, 1);
    std::string_view argument = at < argc ? argv[at] : "";
    int found = getopt_long(argc, argv.data(), short_options.c_str(), long_options.data(), nullptr);
    if (found == -1) break;
    if (found == 1) {
      command_line.operands.emplace_back(optarg);
    } else if (found == 'h') {
      command_line.help = true;
    } else if (found == 'V') {
      command_line.version = true;
    } else if (found == kCodePageOption) {
      command_line.code_page = optarg;
      if (command_line.code_page->empty()) fail("--codepage= is empty: it needs a NAME");
    } else if (found == ':' && takes_value(optopt)) {
      const ProgramOption* option = program_option_of(optopt);
      std::string name = argument.starts_with("--")
                             ? name_of(optopt)
                             : "-" + std::string(1, static_cast<char>(optopt));
      fail(name + " needs a " + (option != nullptr ? option->value : "NAME"));
    } else if (found == ':' || found == '?') {
      // The BSD parser of mingw-w64 says ':' of a value given to an option that takes none,
      // glibc '?'.
      bool short_unknown = optopt > 0 && optopt < 256 && !argument.starts_with("--");
      fail(short_unknown
               ? "unknown option " + quoted("-" + std::string(1, static_cast<char>(optopt)))
               : refusal_of(argument, long_options));
    } else if (const ProgramOption* option = program_option_of(found)) {
      command_line.options[option->long_name] = optarg != nullptr ? optarg : "";
    }
  }
  for (int index = optind; index < argc; ++index) command_line.operands.emplace_back(argv[index]);
  return command_line;
}

CodePage ascii_code_page() {
  CodePageTable table;
  for (int byte = 0; byte < 256; ++byte)
    table[byte] = byte < 0x80 ? static_cast<char32_t>(byte) : kUndefined;
  return CodePage("ASCII", table);
}

std::optional<int> answer_common_options(const CommandLine& command_line, const ProgramText& text,
                                         Console& console, CodePages& code_pages,
                                         CodePage& code_page) {
  if (!command_line.error.empty())
    return report_usage_error(console, command_line.error, text.name);
  if (command_line.help) {
    console.print("%s\n", text.synopsis);
    console.print(text.help);
    return kExitSuccess;
  }
  if (command_line.version) {
    std::string version = std::string(text.name) + " " + EPLGEN_VERSION;
    console.print("%s\n", version);
    console.print(
        "Copyright (C) 2026 The eplgen developers.\n"
        "License MIT: <https://opensource.org/license/mit>.\n"
        "This is free software: you are free to change and redistribute it.\n"
        "There is NO WARRANTY, to the extent permitted by law.\n");
    return kExitSuccess;
  }
  // The option wins over the environment, which saves repeating it on every call.
  std::optional<std::string> name = command_line.code_page;
  std::string source = "--codepage ";
  if (const char* variable = std::getenv("EPLGEN_CODEPAGE"); !name && variable != nullptr) {
    name = variable;
    source = "EPLGEN_CODEPAGE=";
  }
  std::string note;
  if (!name) {
    std::string chosen = default_code_page(note);
    if (!note.empty()) console.warn(note);
    name = chosen;
  }
  std::string reason;
  if (const CodePage* chosen = code_pages.named(*name, reason)) {
    code_page = *chosen;
    return std::nullopt;
  }
  if (!command_line.code_page && !std::getenv("EPLGEN_CODEPAGE")) {
    // The default itself: the system cannot convert names at all.
    console.warn("cannot use code page " + *name + ": " + reason);
    return kExitFailure;
  }
  return report_usage_error(console, source + quoted(*name) + ": " + reason, text.name);
}

int report_usage_error(Console& console, const std::string& message, const char* program) {
  console.warn(message);
  console.hint(std::string("Try '") + program + " --help' for more information.");
  return kExitUsage;
}
