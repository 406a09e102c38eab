// The tracks of a playlist, as relative paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Relative paths ("Rock\01 Intro.mp3"), back to back in one buffer: a folder of 100,000 tracks
// costs one buffer, not 100,000 strings.
class TrackList {
 public:
  void add(std::string_view path);
  // Room for so many tracks, whose paths take so many bytes in all, taken at once.
  void reserve(std::size_t tracks, std::size_t bytes);
  std::size_t size() const { return places_.size(); }
  bool empty() const { return places_.empty(); }
  std::string_view operator[](std::size_t index) const;

 private:
  std::string paths_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> places_;  // where each starts, its length
};
