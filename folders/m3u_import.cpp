#include "folders/m3u_import.h"

#include <memory>
#include <string>
#include <string_view>

#include "folders/m3u_reader.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "playlist/path_text.h"

bool import_m3u(PlaylistStream& playlist, const char* m3u_path, std::string& problem) {
  log_line("\tParsing M3U %s\n", m3u_path);
  std::string reason;
  std::unique_ptr<ReadableFile> file = file_system().open_file(m3u_path, reason);
  if (file == nullptr) {
    problem = "cannot read " + quoted_text(m3u_path) + ": " + reason;
    return false;
  }
  M3uReader reader;
  reader.file = file.get();
  std::string_view m3u(m3u_path);
  std::string_view m3u_folder = m3u.substr(0, m3u.rfind('\\') + 1);
  std::string read;
  std::string joined;
  std::string converted;
  unsigned line_number = 0;
  while (read_m3u_line(reader, read)) {
    ++line_number;
    // A zero byte ends the line's text.
    std::string_view line(read.c_str());
    // A comment is skipped whole, however long.
    if (line.empty() || line.front() == '#') continue;
    if (reader.over_long && line.size() == read.size()) {
      warn("skipping line %u of %s: longer than %u characters", line_number,
           quoted_text(m3u_path).c_str(), static_cast<unsigned>(kMaxLineRead));
      continue;
    }
    // Most players and editors now write UTF-8; the player resolves names in its code page.
    if (!is_ascii(line) && is_valid_utf8(line)) {
      if (!utf8_to_code_page(line, converted)) {
        warn("skipping line %u of %s: code page %s has no characters for '%.*s'", line_number,
             quoted_text(m3u_path).c_str(), code_page_name().c_str(),
             static_cast<int>(line.size()), line.data());
        continue;
      }
      line = converted;
    }
    if (line.size() < 4) continue;
    // The names a listing would skip are never tracks either.
    if (!holds_portable_names(line)) {
      warn(
          "skipping line %u of %s: a Windows player cannot use a name holding control "
          "characters or any of \" * : < > ? |",
          line_number, quoted_text(m3u_path).c_str());
      continue;
    }
    if (m3u_folder.size() + line.size() > kMaxPathText) {
      warn("skipping line %u of %s: path longer than %u characters", line_number,
           quoted_text(m3u_path).c_str(), static_cast<unsigned>(kMaxPathText));
      continue;
    }
    joined.assign(m3u_folder).append(line);
    FileStatus status;
    if (!file_system().look_up(joined.c_str(), status, reason)) {
      problem = "cannot look up line " + std::to_string(line_number) + " of " +
                quoted_text(m3u_path) + ": " + reason;
      return false;
    }
    if (status.kind != FileStatus::Kind::regular_file ||
        is_own_file_name(line.substr(line.find_last_of("\\/") + 1)))
      continue;
    log_line("\tAdding %s\n", joined.c_str());
    write_entry(playlist, joined);
  }
  if (!reader.failure.empty()) {
    problem = "cannot read " + quoted_text(m3u_path) + ": " + reader.failure;
    return false;
  }
  return true;
}
