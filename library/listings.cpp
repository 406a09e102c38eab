#include "library/listings.h"

#include <iterator>

#include "platform/device.h"

Listings::Listings(Device& device, const CodePage& code_page, std::size_t max_bytes)
    : device_(device), code_page_(code_page), max_bytes_(max_bytes) {}

std::shared_ptr<const FolderListing> Listings::listing(const std::string& folder, bool& missing,
                                                       std::string& reason) {
  return find_or_read(folder, true, missing, reason);
}

bool Listings::is_music_folder(const std::string& folder) {
  FolderIdentity music;
  FolderIdentity other;
  DeviceError ignored;
  return device_.identify(".", music, ignored) && device_.identify(folder, other, ignored) &&
         music == other;
}

std::shared_ptr<const FolderListing> Listings::read(const std::string& folder, bool& missing,
                                                    std::string& reason) {
  return find_or_read(folder, false, missing, reason);
}

std::shared_ptr<const FolderListing> Listings::find_or_read(const std::string& folder, bool keep,
                                                            bool& missing, std::string& reason) {
  if (folder.empty()) return find_or_read(".", keep, missing, reason);
  const std::string& key = folder;
  if (auto found = places_.find(key); found != places_.end()) {
    recent_.splice(recent_.begin(), recent_, found->second);
    return found->second->second;
  }
  if (auto found = in_use_.find(key); found != in_use_.end()) {
    if (std::shared_ptr<const FolderListing> listing = found->second.lock()) return listing;
    in_use_.erase(found);
  }
  DeviceListing read;
  DeviceError error;
  if (!device_.list(key, read, error)) {
    missing = error.kind == DeviceError::Kind::missing;
    reason = error.reason;
    return nullptr;
  }
  auto listing = std::make_shared<const FolderListing>(std::move(read), code_page_);
  // Folders no longer in use are forgotten now and then, so that a long run keeps no trace of
  // them.
  if (in_use_.size() >= 64)
    std::erase_if(in_use_, [](const auto& entry) { return entry.second.expired(); });
  in_use_[key] = listing;
  if (!keep) return listing;
  bytes_ += listing->bytes();
  recent_.emplace_front(key, listing);
  places_[key] = recent_.begin();
  // Held elsewhere means in use: only what no one holds any more goes.
  for (auto kept = std::prev(recent_.end()); bytes_ > max_bytes_ && kept != recent_.begin();) {
    auto older = std::prev(kept);
    if (kept->second.use_count() == 1) {
      bytes_ -= kept->second->bytes();
      places_.erase(kept->first);
      recent_.erase(kept);
    }
    kept = older;
  }
  return listing;
}
