#include "tests/support/library.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>

namespace fs = std::filesystem;

bool testing_windows_build() {
  const char* target = std::getenv("EPLGEN_TARGET");
  return target != nullptr && std::string_view(target) == "windows";
}

fs::path music_folder_in(const fs::path& root) {
  fs::create_directories(root / "Music");
  return root / "Music";
}

// The suite is built as the programs it runs are.
bool testing_sanitized_build() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
  return __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
  return false;
#endif
}

void make_library(const fs::path& root, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (path.ends_with('/')) {
      fs::create_directories(root / path);
    } else {
      fs::create_directories((root / path).parent_path());
      write_bytes(root / path, "");
    }
  }
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string playlist_of(const std::vector<std::string>& relative_paths) {
  std::string playlist;
  for (const std::string& relative_path : relative_paths) {
    std::string entry("\xBE\xBA\x02\x00\x01", 5);
    entry.append(319, '\0');
    entry += "a:\\Music\\" + relative_path;
    entry.resize(716, '\0');
    playlist += entry;
  }
  return playlist;
}

std::string log_of(const std::vector<std::string>& lines) {
  // The Windows console stream ends lines with a carriage return and a line feed.
  const char* line_end = testing_windows_build() ? "\r\n" : "\n";
  std::string log;
  for (const std::string& line : lines) log += line + line_end;
  return log;
}

std::string console_log_of(const std::vector<std::string>& lines) {
  if (testing_windows_build()) return log_of(lines);
  std::vector<std::string> shown;
  for (const std::string& line : lines) {
    // Windows-1252 above 0x9F is Latin-1, and the tests use no other accented letter but the
    // ligature, so the conversion to UTF-8 is spelled out here rather than borrowed.
    std::string utf8;
    for (unsigned char byte : line) {
      if (byte == 0x8C) {
        utf8 += "\xC5\x92";
      } else if (byte >= 0xA0) {
        utf8 += static_cast<char>(0xC0 | (byte >> 6));
        utf8 += static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        utf8 += static_cast<char>(byte);
      }
    }
    shown.push_back(utf8);
  }
  return log_of(shown);
}

std::string without_summary(const std::string& err) {
  if (err.empty()) return err;
  std::size_t start = err.rfind('\n', err.size() - 2);
  start = start == std::string::npos ? 0 : start + 1;
  std::string last = err.substr(start);
  bool summary = last.starts_with("eplgen: ") && last.find(" unchanged, ") != std::string::npos &&
                 last.find(" not written; ") != std::string::npos &&
                 last.find(" skipped") != std::string::npos;
  return summary ? err.substr(0, start) : err + "(and no summary)";
}

std::vector<std::string> in_listing_order(std::vector<std::string> expected,
                                          const std::string& playlist) {
  if (!testing_windows_build()) return expected;
  std::vector<std::string> listed;
  for (std::size_t entry = 0; entry + 716 <= playlist.size(); entry += 716) {
    std::string device_path = playlist.substr(entry + 324, 716 - 324);
    if (std::size_t end = device_path.find('\0'); end != std::string::npos) device_path.resize(end);
    const std::string prefix = "a:\\Music\\";
    listed.push_back(device_path.starts_with(prefix) ? device_path.substr(prefix.size())
                                                     : device_path);
  }
  if (std::is_permutation(listed.begin(), listed.end(), expected.begin(), expected.end()))
    return listed;
  return expected;
}

std::vector<std::string> tree_of(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) name += '/';
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}
