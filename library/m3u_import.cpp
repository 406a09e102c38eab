#include "library/m3u_import.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/path_text.h"
#include "core/quoting.h"
#include "core/report.h"
#include "core/unicode.h"
#include "library/listings.h"
#include "library/m3u_reader.h"
#include "platform/device.h"

namespace {

// "scheme://...", as a desktop player or a web page writes a location.
bool is_url(std::string_view line) {
  std::size_t end = line.find("://");
  if (end == std::string_view::npos || end < 2) return false;
  for (char c : line.substr(0, end))
    if (!is_ascii_letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
      return false;
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Text with its %XX escapes decoded; with strict, nothing unless it holds escapes and every "%"
// begins a valid one.
std::optional<std::string> percent_decoded(std::string_view text, bool strict) {
  std::string decoded;
  bool escaped = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    int high = i + 2 < text.size() && text[i] == '%' ? hex_value(text[i + 1]) : -1;
    int low = high >= 0 ? hex_value(text[i + 2]) : -1;
    if (low < 0) {
      if (strict && text[i] == '%') return std::nullopt;
      decoded += text[i];
      continue;
    }
    decoded += static_cast<char>(high << 4 | low);
    escaped = true;
    i += 2;
  }
  if (strict && !escaped) return std::nullopt;
  return decoded;
}

// The path of a file:// URI: percent-decoded, and in the form a path has ("C:/Users/...",
// "/home/...", "//server/share/...").
std::string path_of_file_uri(std::string_view uri) {
  std::string path = *percent_decoded(uri, false);
  if (path.size() >= 3 && path[0] == '/' && is_ascii_letter(path[1]) && path[2] == ':')
    path.erase(0, 1);
  if (!path.starts_with('/') && !(path.size() >= 2 && path[1] == ':')) path.insert(0, "//");
  return path;
}

// The trailing runs of an absolute path's parts below its root, joined by backslashes, from the
// longest to the shortest.
std::vector<std::string> trailing_parts(std::string_view path) {
  std::vector<std::string> trailing;
  std::optional<std::vector<std::string_view>> parts = absolute_path_parts(path);
  if (!parts) return trailing;
  for (std::size_t first = 0; first < parts->size(); ++first) {
    std::string joined;
    for (std::size_t part = first; part < parts->size(); ++part)
      joined.append((*parts)[part]).push_back('\\');
    joined.pop_back();
    trailing.push_back(std::move(joined));
  }
  return trailing;
}

// A file that is plainly no audio: an image, a text, a playlist. Named by an M3U, it is never a
// track.
bool is_plainly_no_audio(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view extension = name.substr(dot + 1);
  if (equal_ignoring_ascii_case(extension, "mp3")) return false;
  for (std::string_view kind :
       {"jpg", "jpeg", "png", "gif", "bmp", "webp", "tif",  "tiff", "ico",  "heic",
        "txt", "nfo",  "log", "cue", "pdf", "doc",  "docx", "rtf",  "htm",  "html",
        "xml", "json", "ini", "url", "lrc", "m3u",  "m3u8", "pls",  "xspf", "wpl",
        "asx", "epl",  "zip", "rar", "7z",  "exe",  "db"})
    if (equal_ignoring_ascii_case(extension, kind)) return true;
  return false;
}

// True when text holds a control character, which no name may hold: a zero byte, a tab, an
// escape. Such a line is never cut short, as a line that ended there would name another file.
bool holds_control_characters(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char byte) { return static_cast<unsigned char>(byte) < 0x20; });
}

const char* const kNoWindowsName =
    "a Windows player cannot use a name holding control characters or any of \" * : < > ? |";

class Import {
 public:
  Import(Library& library, const std::string& m3u, const std::string& device_path,
         TrackList& tracks, bool first_track_only)
      : library_(library),
        report_(library.report),
        m3u_(m3u),
        device_path_(device_path),
        m3u_folder_(std::string_view(m3u_).substr(0, m3u_.rfind('\\') + 1)),
        tracks_(tracks),
        first_track_only_(first_track_only) {}

  M3uImport run() {
    report_.log("\tParsing M3U %s\n", m3u_);
    // The M3U's folder, in use while its lines are looked up in it.
    std::size_t separator = device_path_.rfind('/');
    folder_device_path_ = separator == std::string::npos ? "." : device_path_.substr(0, separator);
    bool missing = false;
    std::string reason;
    folder_ = library_.listings.read(folder_device_path_, missing, reason);
    if (folder_ == nullptr)
      return fail("cannot list " +
                  quoted_text(code_page(), m3u_folder_.substr(0, m3u_folder_.size() - 1)) + ": " +
                  reason);
    DeviceError error;
    std::unique_ptr<ReadableFile> file = library_.run.device.open(device_path_, error);
    if (file == nullptr)
      return fail("cannot read " + quoted_text(code_page(), m3u_) + ": " + error.reason);
    M3uReader reader;
    reader.file = file.get();
    std::string line;
    std::size_t taken_before = tracks_.size();
    while (read_m3u_line(reader, line)) {
      ++line_number_;
      // A comment is skipped whole, however long; a line of under four characters names
      // nothing, and is passed over as a comment is.
      if (line.empty() || line.front() == '#') continue;
      std::size_t characters = characters_in(line);
      if (reader.over_long || characters > kMaxLineCharacters) {
        skip(std::string("longer than ")
                 .append(std::to_string(kMaxLineCharacters))
                 .append(" characters"));
      } else if (characters >= 4 && !take(line)) {
        return result_;
      }
      if (first_track_only_ && tracks_.size() > taken_before) return result_;
    }
    if (!reader.failure.empty())
      return fail("cannot read " + quoted_text(code_page(), m3u_) + ": " + reader.failure);
    report_lines_naming_no_file();
    if (other_audio_.count() > 0)
      report_.warn(quoted_text(code_page(), m3u_) + " names " + other_audio_.said() +
                   (other_audio_.count() == 1 ? ", which is" : ", which are") +
                   " listed as the M3U asks, though a player may play only MP3 files");
    return result_;
  }

 private:
  // What a path came to: taken as a track, naming no file, said to be no track (a warning
  // already given), or not looked up at all.
  enum class Outcome { taken, no_file, refused, failed };

  const CodePage& code_page() const { return library_.run.code_page; }

  // How many characters of the code page a line holds: UTF-8 spells one in several bytes.
  static std::size_t characters_in(std::string_view line) {
    if (is_ascii(line) || !is_valid_utf8(line)) return line.size();
    return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char byte) {
      return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
  }

  // Takes the line, or skips it; false when it cannot be looked up.
  bool take(std::string_view line) {
    there_but_unusable_.clear();
    if (holds_control_characters(line)) {
      skip(kNoWindowsName);
      return true;
    }
    std::string_view text = line;
    std::string uri_path;
    if (is_url(text)) {
      // A stream on the web, or any other place that is no file on the player.
      if (!equal_ignoring_ascii_case(text.substr(0, 7), "file://")) return names_no_file(line);
      uri_path = path_of_file_uri(text.substr(7));
      text = uri_path;
    }
    Outcome outcome = Outcome::no_file;
    if (is_absolute_path(text)) {
      outcome = take_absolute(std::string(text), line);
    } else {
      std::string& converted = converted_;
      if (!in_code_page(text, converted)) return skip_unspellable(line, text);
      outcome = take_relative(converted, true);
      // VLC writes the names beside the playlist percent-encoded: "03%20J%C3%B3ga.mp3".
      if (outcome == Outcome::no_file) {
        std::optional<std::string> decoded = percent_decoded(line, true);
        if (decoded && in_code_page(*decoded, converted) && holds_portable_names(converted))
          outcome = take_relative(converted, false);
      }
    }
    if (outcome == Outcome::failed) return false;
    if (outcome != Outcome::no_file) return true;
    // A file is there, but not one the player could ever use: the line is skipped with the
    // reason, as the listing's warnings give it.
    if (!there_but_unusable_.empty()) {
      skip(quoted_written(code_page(), line) + " names " + there_but_unusable_);
      return true;
    }
    return names_no_file(line);
  }

  bool skip_unspellable(std::string_view line, std::string_view text) {
    skip("code page " + code_page().name() + " has no characters for " +
         quoted_written(code_page(), line) + other_code_page_spelling(library_, text));
    return true;
  }

  // The player has no such path; the file may be there all the same, beside the M3U. Only the
  // trailing parts that name it need the code page's characters, not a folder of the desktop's.
  Outcome take_absolute(const std::string& text, std::string_view line) {
    std::vector<std::string> trailing = trailing_parts(text);
    std::string converted;
    // The file's own name must be one the player can spell, whatever folders lead to it.
    if (!trailing.empty() && !in_code_page(trailing.back(), converted)) {
      skip_unspellable(line, trailing.back());
      return Outcome::refused;
    }
    for (const std::string& part : trailing) {
      if (!in_code_page(part, converted) || !holds_portable_names(converted)) continue;
      Outcome outcome = look_up(converted);
      if (outcome != Outcome::no_file) return outcome;
    }
    return Outcome::no_file;
  }

  // Most players and editors now write UTF-8, not always composed (iTunes for Mac writes "e" and
  // a combining accent apart); the player resolves names in its code page. Any other text is
  // taken as code-page text. The UTF-8 it was written in, composed, is kept to show it.
  bool in_code_page(std::string_view text, std::string& converted) {
    std::string_view utf8 = text;
    if (may_compose(text) && is_valid_utf8(text)) {
      composed_ = composed(text);
      utf8 = composed_;
    }
    CodePage::Conversion conversion = code_page().convert_utf8(utf8, converted);
    if (conversion == CodePage::Conversion::not_utf8) converted.assign(text);
    shown_as_written_ = conversion == CodePage::Conversion::converted &&
                        utf8.find('\x7F') == std::string_view::npos;
    written_ = utf8;
    return conversion != CodePage::Conversion::unspellable;
  }

  // The text as written, or (warned) only when it names a file.
  Outcome take_relative(const std::string& text, bool as_written) {
    // The names a listing would skip are never tracks either.
    if (as_written && !holds_portable_names(text)) {
      skip(kNoWindowsName);
      return Outcome::refused;
    }
    if (m3u_folder_.size() + text.size() > kMaxPathText) {
      if (as_written)
        skip(std::string("path longer than ")
                 .append(std::to_string(kMaxPathText))
                 .append(" characters"));
      return as_written ? Outcome::refused : Outcome::no_file;
    }
    return look_up(text);
  }

  // Looks the path up under the M3U's folder and takes it when it names a track.
  Outcome look_up(const std::string& text) {
    if (m3u_folder_.size() + text.size() > kMaxPathText) return Outcome::no_file;
    Resolution found = resolve_in(library_.listings, code_page(), *folder_, folder_device_path_,
                                  m3u_folder_.substr(0, m3u_folder_.size() - 1), text);
    std::string& joined = joined_;
    joined.assign(m3u_folder_).append(text);
    if (found.kind == Resolution::Kind::failed) {
      fail("cannot look up line " + std::to_string(line_number_) + " of " +
           quoted_text(code_page(), m3u_) + ": " + found.reason);
      return Outcome::failed;
    }
    if (found.kind == Resolution::Kind::file && found.own_file) {
      there_but_unusable_ = "a playlist eplgen writes, which is never a track";
      return Outcome::no_file;
    }
    if (found.unusable != NameFault::none) {
      std::string shown = found.unusable_path;
      std::replace(shown.begin(), shown.end(), '/', '\\');
      std::string_view name =
          std::string_view(found.unusable_path).substr(found.unusable_path.rfind('/') + 1);
      there_but_unusable_ = quoted_written(code_page(), shown) + ", which is there, but " +
                            fault_reason(library_, found.unusable, name);
    }
    if (found.kind != Resolution::Kind::file) return Outcome::no_file;
    std::string_view name =
        std::string_view(found.device_path).substr(found.device_path.rfind('/') + 1);
    if (is_plainly_no_audio(name)) {
      skip(quoted_text(code_page(), joined) + " is no audio file");
      return Outcome::refused;
    }
    other_audio_.note(name);
    // Looked up, the path holds no control characters.
    if (shown_as_written_) {
      if (m3u_folder_shown_.empty()) code_page().append_shown(m3u_folder_, m3u_folder_shown_);
      shown_.assign(m3u_folder_shown_).append(written_);
      report_.log_shown("\tAdding %s\n", shown_);
    } else {
      report_.log("\tAdding %s\n", joined);
    }
    tracks_.add(joined);
    return Outcome::taken;
  }

  void skip(const std::string& why) {
    ++result_.lines_skipped;
    report_.warn("skipping line " + std::to_string(line_number_) + " of " +
                 quoted_text(code_page(), m3u_) + ": " + why);
  }

  bool names_no_file(std::string_view line) {
    if (library_.run.options.verbose) {
      skip(quoted_written(code_page(), line) + " names no file on the player");
      return true;
    }
    ++result_.lines_skipped;
    if (naming_no_file_.size() < kLinesShown)
      naming_no_file_.push_back("line " + std::to_string(line_number_) + " " +
                                quoted_written(code_page(), line));
    ++lines_naming_no_file_;
    return true;
  }

  // One line an M3U: how many of its lines name no file, and the first of them.
  void report_lines_naming_no_file() {
    if (lines_naming_no_file_ == 0) return;
    std::string shown;
    for (const std::string& line : naming_no_file_) shown += (shown.empty() ? "" : ", ") + line;
    if (lines_naming_no_file_ > naming_no_file_.size()) shown += ", ...";
    report_.warn(quoted_text(code_page(), m3u_) + ": " + std::to_string(lines_naming_no_file_) +
                 (lines_naming_no_file_ == 1 ? " line names" : " lines name") +
                 " no file on the player: " + shown);
  }

  M3uImport fail(std::string problem) {
    result_.read_whole = false;
    result_.problem = std::move(problem);
    return result_;
  }

  static constexpr std::size_t kLinesShown = 3;
  Library& library_;
  Report& report_;
  const std::string& m3u_;
  const std::string& device_path_;
  std::string_view m3u_folder_;  // its path text, with the backslash after it
  std::string folder_device_path_;
  std::shared_ptr<const FolderListing> folder_;
  TrackList& tracks_;
  bool first_track_only_;
  unsigned line_number_ = 0;
  unsigned lines_naming_no_file_ = 0;
  std::vector<std::string> naming_no_file_;  // the first few, as the report shows them
  std::string there_but_unusable_;  // why the file the line names cannot be used, if it is there
  OtherAudio other_audio_;
  std::string joined_;             // the path being looked up, kept for its room
  std::string converted_;          // the line in the code page, likewise
  std::string composed_;           // the line's UTF-8, composed
  std::string_view written_;       // the path being looked up, as written (composed)
  bool shown_as_written_ = false;  // its text shows as written
  std::string m3u_folder_shown_;   // the M3U's folder as the log shows it, once needed
  std::string shown_;              // the path being looked up, as the log shows it
  M3uImport result_;
};

}  // namespace

M3uImport import_m3u(Library& library, const std::string& m3u, const std::string& device_path,
                     TrackList& tracks, bool first_track_only) {
  return Import(library, m3u, device_path, tracks, first_track_only).run();
}
