#include "platform/code_page_learn.h"

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
