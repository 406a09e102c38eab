#include "tests/support/code_pages.h"

#include <cstdlib>
#include <map>
#include <string>

#include "platform/code_page_learn.h"

const CodePage& code_page_named(std::string_view name) {
  static std::map<std::string, CodePage, std::less<>> learnt;
  if (auto found = learnt.find(name); found != learnt.end()) return found->second;
  CodePageTable table;
  std::string reason;
  if (!learn_code_page(name, table, reason)) std::abort();
  return learnt.emplace(std::string(name), CodePage(std::string(name), table)).first->second;
}
