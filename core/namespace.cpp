#include "core/namespace.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "core/code_page.h"

bool is_own_file_name(const CodePage& code_page, std::string_view name) {
  // As Windows finds a name: whatever its trailing dots and blanks.
  name = name.substr(0, name.find_last_not_of(" .") + 1);
  if (name.size() < kPlaylistName.size() ||
      compare_player_names(code_page, name.substr(0, kPlaylistName.size()), kPlaylistName) != 0)
    return false;
  std::string_view suffix = name.substr(kPlaylistName.size());
  return suffix.empty() || compare_player_names(code_page, suffix, kTemporarySuffix) == 0 ||
         compare_player_names(code_page, suffix, kLockSuffix) == 0;
}

void DeviceListing::add(std::string_view name, EntryType type, bool linked) {
  entries.push_back({static_cast<std::uint32_t>(names.size()),
                     static_cast<std::uint32_t>(name.size()), type, linked});
  names.append(name).push_back('\0');
}

FolderListing::FolderListing(DeviceListing listing, const CodePage& code_page)
    : code_page_(&code_page), names_(std::move(listing.names)) {
  entries_.reserve(listing.entries.size());
  std::string text;
  for (const DeviceListing::Entry& entry : listing.entries) {
    std::string_view name(names_.data() + entry.name, entry.length);
    Entry kept{entry.name,
               kNone,
               static_cast<std::uint16_t>(entry.length),
               0,
               kNone,
               entry.type,
               entry.linked,
               NameFault::none};
    if (player_name(code_page, name, text, kept.fault)) {
      // Most names read the same in both, ASCII ones always: stored once.
      kept.text = text == name ? entry.name : static_cast<std::uint32_t>(names_.size());
      kept.text_length = static_cast<std::uint16_t>(text.size());
      if (text != name) names_.append(text).push_back('\0');
    }
    entries_.push_back(kept);
  }
  auto key = [this](const Entry& entry) {
    return entry.text == kNone ? std::string_view(names_.data() + entry.name, entry.name_length)
                               : std::string_view(names_.data() + entry.text, entry.text_length);
  };
  // Listing order: names compared as the player folds them, ties broken byte by byte; one text
  // for two names (UTF-8 and code-page bytes): the names decide.
  auto before = [&](const Entry& left, const Entry& right) {
    std::string_view left_key = key(left);
    std::string_view right_key = key(right);
    if (left_key == right_key)
      return std::strcmp(names_.c_str() + left.name, names_.c_str() + right.name) < 0;
    return listing_order(code_page, left_key, right_key);
  };
  if (!listing.in_player_order) std::sort(entries_.begin(), entries_.end(), before);
  // The names the player can spell, in that order of names (where the device's order is the
  // player's, the entries themselves keep it); of equal names, the first listed is taken and the
  // others are its twins.
  std::vector<std::uint32_t> spelled;
  for (std::uint32_t place = 0; place < entries_.size(); ++place)
    if (entries_[place].fault == NameFault::none) spelled.push_back(place);
  if (listing.in_player_order)
    std::sort(spelled.begin(), spelled.end(), [&](std::uint32_t left, std::uint32_t right) {
      return before(entries_[left], entries_[right]);
    });
  for (auto group = spelled.begin(); group != spelled.end();) {
    auto end = std::find_if(group + 1, spelled.end(), [&](std::uint32_t place) {
      return compare_player_names(code_page, key(entries_[*group]), key(entries_[place])) != 0;
    });
    std::uint32_t taken = *std::min_element(group, end);
    for (auto twin = group; twin != end; ++twin)
      if (*twin != taken) entries_[*twin].twin_of = taken;
    by_name_.push_back(taken);
    group = end;
  }
}

std::string_view FolderListing::system_name(std::size_t entry) const {
  return std::string_view(names_.data() + entries_[entry].name, entries_[entry].name_length);
}

std::string_view FolderListing::text(std::size_t entry) const {
  if (entries_[entry].text == kNone) return {};
  return std::string_view(names_.data() + entries_[entry].text, entries_[entry].text_length);
}

std::optional<std::size_t> FolderListing::twin_of(std::size_t entry) const {
  if (entries_[entry].twin_of == kNone) return std::nullopt;
  return entries_[entry].twin_of;
}

bool FolderListing::usable(std::size_t entry) const {
  return entries_[entry].fault == NameFault::none && entries_[entry].twin_of == kNone;
}

std::optional<std::size_t> FolderListing::find(std::string_view text) const {
  auto found = std::lower_bound(
      by_name_.begin(), by_name_.end(), text, [this](std::uint32_t place, std::string_view wanted) {
        return compare_player_names(*code_page_, this->text(place), wanted) < 0;
      });
  if (found == by_name_.end() || compare_player_names(*code_page_, this->text(*found), text) != 0)
    return std::nullopt;
  return *found;
}

std::optional<std::size_t> FolderListing::find_system_name(std::string_view system_name) const {
  for (std::size_t entry = 0; entry < entries_.size(); ++entry)
    if (this->system_name(entry) == system_name) return entry;
  return std::nullopt;
}

std::size_t FolderListing::bytes() const {
  return sizeof *this + names_.capacity() + entries_.capacity() * sizeof(Entry) +
         by_name_.capacity() * sizeof(std::uint32_t);
}

std::string device_path_of(std::string_view folder, std::string_view name) {
  if (folder.empty() || folder == ".") return std::string(name);
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append(1, '/').append(name);
  return path;
}

namespace {

// Looks parts up one by one, from the folder with that device path, whose listing may be at hand.
Resolution look_up_parts(ListingSource& listings, const CodePage& code_page, std::string folder,
                         const FolderListing* at_hand, std::span<const std::string_view> parts) {
  Resolution resolution;
  if (parts.empty()) {
    resolution.kind = Resolution::Kind::folder;
    resolution.device_path = std::move(folder);
    return resolution;
  }
  resolution.own_file = is_own_file_name(code_page, parts.back());
  for (std::size_t part = 0; part < parts.size(); ++part) {
    // Held for the lookup: the folder cannot go while its entry is used.
    std::shared_ptr<const FolderListing> held;
    const FolderListing* listing = part == 0 ? at_hand : nullptr;
    if (listing == nullptr) {
      bool missing = false;
      held = listings.listing(folder, missing, resolution.reason);
      if (held == nullptr) {
        resolution.kind = missing ? Resolution::Kind::missing : Resolution::Kind::failed;
        return resolution;
      }
      listing = held.get();
    }
    std::optional<std::size_t> entry = listing->find(parts[part]);
    if (!entry) return resolution;
    if (folder == ".")
      folder.assign(listing->system_name(*entry));
    else
      folder.append(1, '/').append(listing->system_name(*entry));
    EntryType type = listing->type(*entry);
    bool last = part + 1 == parts.size();
    if (!last && type != EntryType::folder) return resolution;
    if (last)
      resolution.kind = type == EntryType::folder ? Resolution::Kind::folder
                        : type == EntryType::file ? Resolution::Kind::file
                                                  : Resolution::Kind::other;
  }
  resolution.device_path = std::move(folder);
  return resolution;
}

}  // namespace

Resolution resolve(ListingSource& listings, const CodePage& code_page, std::string_view path) {
  std::optional<std::vector<std::string_view>> parts = player_path_parts(path);
  if (!parts || parts->empty()) return {};
  // The music folder is a:\Music to the player; anything else at its root is beside it.
  bool in_music_folder = compare_player_names(code_page, parts->front(), kMusicFolderName) == 0;
  return look_up_parts(listings, code_page, in_music_folder ? "." : "..", nullptr,
                       std::span(*parts).subspan(in_music_folder ? 1 : 0));
}

Resolution resolve_in(ListingSource& listings, const CodePage& code_page,
                      const FolderListing& folder, const std::string& device_folder,
                      std::string_view folder_text, std::string_view path) {
  std::optional<std::vector<std::string_view>> parts = player_path_parts(path);
  if (!parts) return {};
  // A path that climbs leaves the folder: it is resolved from the music folder.
  bool climbs = false;
  for (std::size_t start = 0; !climbs && start <= path.size();) {
    std::size_t end = std::min(find_separator(path, start), path.size());
    climbs = path.substr(start, end - start) == "..";
    start = end + 1;
  }
  if (climbs) {
    std::string joined(folder_text);
    joined.append(1, '\\').append(path);
    return resolve(listings, code_page, joined);
  }
  return look_up_parts(listings, code_page, device_folder, &folder, std::span(*parts).subspan(1));
}
