// Learning a code page from the system: which character each byte stands for, as iconv, or
// Windows' own conversion, has it.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/code_page.h"

// Fills table for the code page of that name (one of kCodePages). Returns false with the reason
// when the system cannot convert it.
[[nodiscard]] bool learn_code_page(std::string_view name, CodePageTable& table,
                                   std::string& reason);

// The code pages offered, each learnt from the system when first asked for.
class CodePages : public CodePageSet {
 public:
  const CodePage* named(std::string_view name, std::string& reason) override;

 private:
  std::map<std::string_view, CodePage> learnt_;
};

// The code page used when none is named: CP1252 on POSIX, whose UTF-8 names say nothing of the
// player's; on Windows the system's, when it is one of kCodePages, else CP1252, and note then
// says why.
std::string default_code_page(std::string& note);
