#include "app/command_line.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/code_page.h"
#include "core/names.h"
#include "core/quoting.h"
#include "platform/code_page_learn.h"
#include "platform/console.h"

CommandLine parse_command_line(const std::vector<std::string>& arguments,
                               std::initializer_list<ProgramOption> program_options) {
  CommandLine command_line;
  bool options_ended = false;
  auto fail = [&command_line](std::string error) {
    if (command_line.error.empty()) command_line.error = std::move(error);
  };
  // Indexed, so that an option taking a value can consume the argument after it.
  for (std::size_t index = 1; index < arguments.size(); ++index) {
    std::string_view argument = arguments[index];
    // "/?" is how Windows users ask a console program for help.
    bool asks_help = argument == "-h" || argument == "--help" || argument == "/?";
    if (!options_ended && asks_help) {
      command_line.help = true;
    } else if (options_ended || argument.size() < 2 || argument[0] != '-') {
      command_line.operands.emplace_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "-V" || argument == "--version") {
      command_line.version = true;
    } else if (argument == "--codepage") {
      if (index + 1 < arguments.size())
        command_line.code_page = arguments[++index];
      else
        fail("--codepage needs a NAME");
    } else if (argument.starts_with("--codepage=")) {
      command_line.code_page = argument.substr(argument.find('=') + 1);
      if (command_line.code_page->empty()) fail("--codepage= is empty: it needs a NAME");
    } else {
      const ProgramOption* option = nullptr;
      std::string_view name = argument.substr(0, argument.find('='));
      for (const ProgramOption& candidate : program_options)
        if (name == candidate.long_name ||
            (candidate.short_name != nullptr && argument == candidate.short_name))
          option = &candidate;
      if (option == nullptr) {
        fail("unknown option " + quoted(argument));
      } else if (!option->takes_value) {
        if (name.size() == argument.size())
          command_line.options[option->long_name] = "";
        else
          fail(std::string(option->long_name) + " takes no value");
      } else if (name.size() < argument.size()) {
        command_line.options[option->long_name] = argument.substr(name.size() + 1);
      } else if (index + 1 < arguments.size()) {
        command_line.options[option->long_name] = arguments[++index];
      } else {
        fail(std::string(option->long_name) + " needs a value");
      }
    }
  }
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
