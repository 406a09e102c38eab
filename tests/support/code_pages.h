// The code pages the unit tests work in, learnt from the system as the programs learn them.
#pragma once

#include <string_view>

#include "core/code_page.h"

const CodePage& code_page_named(std::string_view name);

inline const CodePage& cp1252() { return code_page_named("CP1252"); }
