// Rules about names and path texts, as the player and Windows apply them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/utf8.h"

class CodePage;
class CodePageSet;

bool equal_ignoring_ascii_case(std::string_view left, std::string_view right);

// Compares two names of the code page as Windows does when it looks one up: letters folded to
// upper case as the code page folds them (A and a, E acute and e acute). Negative, zero or
// positive, as memcmp.
int compare_player_names(const CodePage& code_page, std::string_view left, std::string_view right);

// The fixed order in which folders are listed where the file system's own order means nothing:
// letters folded to upper case as the code page folds them, ties broken byte by byte. Names that
// differ only in case come next to each other.
// Negative, zero (the same bytes) or positive, as memcmp.
int compare_in_listing_order(const CodePage& code_page, std::string_view left,
                             std::string_view right);
inline bool listing_order(const CodePage& code_page, std::string_view left,
                          std::string_view right) {
  return compare_in_listing_order(code_page, left, right) < 0;
}

// The order asked for with --natural: runs of ASCII digits compared by the numbers they write
// ("Track 2" before "Track 10"), every other byte by its value, as in byte order; names equal so
// ("Track 01", "Track 1") in byte order. Negative, zero (the same bytes) or positive.
int compare_naturally(std::string_view left, std::string_view right);

// A name as Windows finds it, without its trailing dots and blanks: "a.mp3 ." is "a.mp3".
std::string_view without_trailing_dots_and_blanks(std::string_view name);

// Why the player could never use a name, or nothing when it can.
enum class NameFault {
  none,
  unspellable,           // the code page has no characters for it
  decomposed,            // letters and accents apart, as macOS writes names
  forbidden_characters,  // control characters or any of " * : < > ? \ |
  ends_in_dot_or_blank,  // which Windows drops from a path
  reserved,              // a device to Windows: CON, NUL, COM1, lpt1.mp3...
};

// True for a name Windows takes for a device in every folder: CON, PRN, AUX, NUL, COM1 to COM9,
// LPT1 to LPT9 (also with the superscript digits), CONIN$ and CONOUT$, in any case, whatever
// extension follows.
bool is_reserved_name(std::string_view name);

// True for the name of a folder that holds the system's own files or a trash, never an album:
// any name beginning with a dot (.Trashes, .Trash-1000, .Spotlight-V100, .fseventsd), and
// $RECYCLE.BIN, RECYCLER, RECYCLED, System Volume Information and LOST.DIR in any case.
bool is_system_folder_name(std::string_view name);

// The kind of a file of audio in another format than MP3 (".flac", ".wma", ...) by its
// extension, in lower case; empty for any other file.
std::string_view other_audio_kind(std::string_view name);

// False for a name a Windows player could never find: one holding control characters or any
// of " * : < > ? \ |.
bool is_portable_name(std::string_view name);

// True when every part of a path text (between backslashes or slashes) is a portable name.
bool holds_portable_names(std::string_view path);

// The player's text for a name as the file system spells it (UTF-8; on POSIX possibly the bytes
// an old tool wrote in an 8-bit code page, which are taken as they are), in text. False, with
// the fault, when the player could never find it.
bool player_name(const CodePage& code_page, std::string_view system_name, std::string& text,
                 NameFault& fault);

// The first code page offered, other than current, that spells a name as the file system
// spells it, so that the player could find it; null when none does.
const CodePage* code_page_spelling(CodePageSet& offered, const CodePage& current,
                                   std::string_view system_name);

// A path text a user wrote (an M3U line), relative to the music folder, resolved as Windows
// resolves a path it is given: "." and ".." parts as text, clamped at the player's root, a part
// ending in one dot without it, the last part without its trailing dots and blanks. The parts
// come from the player's root, a:\, so the first is the music folder's name when the path stays
// inside it. Nothing when the text ends in a separator: no file is there.
// The parts look into path, or are kMusicFolderName.
std::optional<std::vector<std::string_view>> player_path_parts(std::string_view path);

// True for a path that begins at a drive's root or any root ("C:\...", "\\server\...", "/...").
bool is_absolute_path(std::string_view path);

// The parts below the root of an absolute path (a drive, a server and its share, or "/"), resolved
// by the same rules, and kept below that root. Nothing when the text ends in a separator.
// The parts look into path.
std::optional<std::vector<std::string_view>> absolute_path_parts(std::string_view path);

// The music folder as the player names it, below its root: a:\Music.
inline constexpr std::string_view kMusicFolderName = "Music";
