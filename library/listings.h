// The listings the library pass reads, kept for the lookups of M3U lines: an M3U names many
// tracks in few folders, and each folder is read once for all the lines that look into it.
// Bounded by the memory the listings hold: when a new one passes the bound, the folders used least
// recently go, but never one still in use (the music folder, the folder being worked on, the
// folders a lookup in progress holds), so a folder larger than the bound is still read only once.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/namespace.h"

class CodePage;
class Device;

class Listings : public ListingSource {
 public:
  static constexpr std::size_t kMaxBytes = 16 << 20;

  Listings(Device& device, const CodePage& code_page, std::size_t max_bytes = kMaxBytes);

  // The listing of a folder by its device path ("." or "" for the music folder).
  std::shared_ptr<const FolderListing> listing(const std::string& folder, bool& missing,
                                               std::string& reason) override;

  // How many times a folder was read from the device, for the tests.
  std::size_t reads() const { return reads_; }

 private:
  using Kept = std::pair<std::string, std::shared_ptr<const FolderListing>>;
  Device& device_;
  const CodePage& code_page_;
  std::size_t max_bytes_;
  std::list<Kept> recent_;  // most recently used first
  std::unordered_map<std::string, std::list<Kept>::iterator> places_;
  std::size_t bytes_ = 0;
  std::size_t reads_ = 0;
};
