// The listings the library pass reads. A folder in use (the music folder, the folder being worked
// on, the folders a lookup in progress holds) is read once for all who use it. The folders the
// lookups of M3U lines read are kept besides: an M3U names many tracks in few folders, and each
// folder is read once for all the lines that look into it. What is kept is bounded by the memory
// it holds: when a new listing passes the bound, the folders used least recently go, but never one
// still in use, so a folder larger than the bound is still read only once.
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

  // The listing of a folder by its device path ("." for the music folder), for a lookup: kept.
  std::shared_ptr<const FolderListing> listing(const std::string& folder, bool& missing,
                                               std::string& reason) override;

  bool is_music_folder(const std::string& folder) override;

  // The same for a pass that works through the folder: kept only while it is in use.
  std::shared_ptr<const FolderListing> read(const std::string& folder, bool& missing,
                                            std::string& reason);

 private:
  using Kept = std::pair<std::string, std::shared_ptr<const FolderListing>>;
  std::shared_ptr<const FolderListing> find_or_read(const std::string& folder, bool keep,
                                                    bool& missing, std::string& reason);
  Device& device_;
  const CodePage& code_page_;
  std::size_t max_bytes_;
  std::list<Kept> recent_;  // most recently used first
  std::unordered_map<std::string, std::list<Kept>::iterator> places_;
  std::unordered_map<std::string, std::weak_ptr<const FolderListing>> in_use_;
  std::size_t bytes_ = 0;
};
