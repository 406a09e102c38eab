// Building music folders for the end-to-end tests, and spelling out what the programs should
// make of them, independently of the program's own code.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// True when the executables under test are Windows builds.
bool testing_windows_build();

// True when they are built with a sanitizer, whose allocator and interceptors are their own: a
// library preloaded to replace the C library's allocator cannot come between.
bool testing_sanitized_build();

// Makes the folder Music in root, the folder a run is named for.
std::filesystem::path music_folder_in(const std::filesystem::path& root);

// Creates each path below root: a trailing slash makes a folder, anything else an empty file.
void make_library(const std::filesystem::path& root, const std::vector<std::string>& paths);

void write_bytes(const std::filesystem::path& path, const std::string& bytes);
std::string read_bytes(const std::filesystem::path& path);

// The playlist file the player should get for these relative paths (backslash-separated).
std::string playlist_of(const std::vector<std::string>& relative_paths);

// The console log for these lines, with the line end of the build under test.
std::string log_of(const std::vector<std::string>& lines);

// As log_of, for lines written in the device's code page (Windows-1252): the Linux build shows
// them in UTF-8, the Windows build as they are.
std::string console_log_of(const std::vector<std::string>& lines);

// Standard error without the line that sums the run up, which must end it (when standard error
// holds anything at all): what the run warned of.
std::string without_summary(const std::string& err);

// The folders of expected in the order the build under test lists them. The Linux build lists
// a folder in a fixed order of its own, which the tests spell out; the Windows build in the
// file system's order, which may differ. So for a Windows build, when playlist holds an entry
// for exactly the folders of expected, their order is taken from it; otherwise expected comes
// back as it is, so that the comparison shows the difference.
std::vector<std::string> in_listing_order(std::vector<std::string> expected,
                                          const std::string& playlist);

// Every name in the folder and below it, sorted, with '/' separators and a trailing '/' on
// folders: what a test sees of the tree after a run.
std::vector<std::string> tree_of(const std::filesystem::path& root);
