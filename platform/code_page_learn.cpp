#include "platform/code_page_learn.h"

#include <optional>
#include <string>

#include "core/names.h"

const CodePage* CodePages::named(std::string_view name, std::string& reason) {
  for (std::string_view offered : kCodePages) {
    if (!equal_ignoring_ascii_case(name, offered)) continue;
    if (auto found = learnt_.find(offered); found != learnt_.end()) return &found->second;
    CodePageTable table;
    if (!learn_code_page(offered, table, reason)) return nullptr;
    return &learnt_.emplace(offered, CodePage(std::string(offered), table)).first->second;
  }
  reason = "not one of CP1250 to CP1258 or CP874";
  return nullptr;
}

const CodePage* CodePages::spelling(std::string_view system_name, const CodePage& current) {
  for (std::string_view offered : kCodePages) {
    std::string ignored;
    const CodePage* code_page = offered == current.name() ? nullptr : named(offered, ignored);
    NameFault fault = NameFault::none;
    std::string text;
    if (code_page != nullptr && player_name(*code_page, system_name, text, fault)) return code_page;
  }
  return nullptr;
}
