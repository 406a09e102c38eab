#include "core/namespace.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "core/code_page.h"
#include "core/unicode.h"

bool is_own_file_name(const CodePage& code_page, std::string_view name) {
  name = without_trailing_dots_and_blanks(name);
  if (name.size() < kPlaylistName.size() ||
      compare_player_names(code_page, name.substr(0, kPlaylistName.size()), kPlaylistName) != 0)
    return false;
  std::string_view suffix = name.substr(kPlaylistName.size());
  return suffix.empty() || compare_player_names(code_page, suffix, kTemporarySuffix) == 0 ||
         compare_player_names(code_page, suffix, kLockSuffix) == 0;
}

void DeviceListing::add(std::string_view name, EntryType type, bool linked, bool system) {
  entries.push_back({static_cast<std::uint32_t>(names.size()),
                     static_cast<std::uint32_t>(name.size()), type, linked, system});
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
               {kNone},
               entry.type,
               entry.linked,
               entry.system,
               NameFault::none,
               false};
    if (player_name(code_page, name, text, kept.fault)) {
      // Most names read the same in both, ASCII ones always: stored once.
      bool same = text == name;
      kept.text = same ? entry.name : static_cast<std::uint32_t>(names_.size());
      kept.text_length = static_cast<std::uint16_t>(text.size());
      // A usable name holds no control character but DEL; one that differs from its text was
      // converted from UTF-8, one that does not is ASCII or the code page's own bytes.
      kept.shown_as_name = (!same || is_ascii(name)) && name.find('\x7F') == std::string_view::npos;
      if (!same) names_.append(text).push_back('\0');
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
    int order = compare_in_listing_order(code_page, key(left), key(right));
    if (order == 0) return std::strcmp(names_.c_str() + left.name, names_.c_str() + right.name) < 0;
    return order < 0;
  };
  if (!listing.in_player_order) {
    // Most names differ in their first four letters: compared folded, as one number, they
    // decide most comparisons at once. A shorter name has zeros where a longer one has letters,
    // and comes first as it should.
    for (Entry& entry : entries_) {
      std::string_view name = key(entry);
      entry.sort_prefix = 0;
      for (std::size_t i = 0; i < 4; ++i)
        entry.sort_prefix =
            entry.sort_prefix << 8 |
            (i < name.size() ? code_page.upper(static_cast<unsigned char>(name[i])) : 0);
    }
    std::sort(entries_.begin(), entries_.end(), [&](const Entry& left, const Entry& right) {
      if (left.sort_prefix != right.sort_prefix) return left.sort_prefix < right.sort_prefix;
      return before(left, right);
    });
    for (Entry& entry : entries_) entry.twin_of = kNone;
  }
  // The names the player can spell, in that order of names (where the device's order is the
  // player's, the entries themselves keep it); of equal names, the first listed is taken and the
  // others are its twins.
  std::vector<std::uint32_t>& spelled = by_name_;
  spelled.reserve(entries_.size());
  for (std::uint32_t place = 0; place < entries_.size(); ++place)
    (entries_[place].fault == NameFault::none ? spelled : faulty_).push_back(place);
  if (listing.in_player_order)
    std::sort(spelled.begin(), spelled.end(), [&](std::uint32_t left, std::uint32_t right) {
      return before(entries_[left], entries_[right]);
    });
  auto taken_end = spelled.begin();
  for (auto group = spelled.begin(); group != spelled.end();) {
    auto end = std::find_if(group + 1, spelled.end(), [&](std::uint32_t place) {
      return compare_player_names(code_page, key(entries_[*group]), key(entries_[place])) != 0;
    });
    std::uint32_t taken = *std::min_element(group, end);
    for (auto twin = group; twin != end; ++twin)
      if (*twin != taken) entries_[*twin].twin_of = taken;
    *taken_end++ = taken;
    group = end;
  }
  spelled.erase(taken_end, spelled.end());
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

std::optional<std::size_t> FolderListing::find_unusable(std::string_view text) const {
  std::string_view wanted = without_trailing_dots_and_blanks(text);
  std::string spelled;
  for (std::uint32_t entry : faulty_) {
    NameFault fault = entries_[entry].fault;
    if (fault != NameFault::decomposed && fault != NameFault::ends_in_dot_or_blank &&
        fault != NameFault::reserved)
      continue;
    std::string name(system_name(entry));
    if (fault == NameFault::decomposed) name = composed(name);
    CodePage::Conversion conversion = code_page_->convert_utf8(name, spelled);
    if (conversion == CodePage::Conversion::unspellable) continue;
    if (conversion == CodePage::Conversion::not_utf8) spelled = name;
    if (compare_player_names(*code_page_, without_trailing_dots_and_blanks(spelled), wanted) == 0)
      return entry;
  }
  return std::nullopt;
}

std::optional<std::size_t> FolderListing::find_system_name(std::string_view system_name) const {
  for (std::size_t entry = 0; entry < entries_.size(); ++entry)
    if (this->system_name(entry) == system_name) return entry;
  return std::nullopt;
}

std::size_t FolderListing::bytes() const {
  return sizeof *this + names_.capacity() + entries_.capacity() * sizeof(Entry) +
         (by_name_.capacity() + faulty_.capacity()) * sizeof(std::uint32_t);
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
Resolution look_up_parts(ListingSource& listings, const CodePage& code_page, std::string_view from,
                         const FolderListing* at_hand, std::span<const std::string_view> parts) {
  Resolution resolution;
  std::string& folder = resolution.device_path;
  if (parts.empty()) {
    resolution.kind = Resolution::Kind::folder;
    folder.assign(from);
    return resolution;
  }
  // Room for the path found, in one allocation.
  std::size_t room = from.size();
  for (std::string_view part : parts) room += 1 + part.size() * 4;
  folder.reserve(room);
  folder.assign(from);
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
        folder.clear();
        return resolution;
      }
      listing = held.get();
    }
    std::optional<std::size_t> entry = listing->find(parts[part]);
    if (!entry) {
      if (std::optional<std::size_t> there = listing->find_unusable(parts[part])) {
        resolution.unusable = listing->fault(*there);
        resolution.unusable_path = device_path_of(folder, listing->system_name(*there));
      }
      break;
    }
    if (folder == ".")
      folder.assign(listing->system_name(*entry));
    else
      folder.append(1, '/').append(listing->system_name(*entry));
    EntryType type = listing->type(*entry);
    bool last = part + 1 == parts.size();
    if (!last && type != EntryType::folder) break;
    if (last)
      resolution.kind = type == EntryType::folder ? Resolution::Kind::folder
                        : type == EntryType::file ? Resolution::Kind::file
                                                  : Resolution::Kind::other;
  }
  if (resolution.kind == Resolution::Kind::missing) folder.clear();
  return resolution;
}

}  // namespace

Resolution resolve(ListingSource& listings, const CodePage& code_page, std::string_view path) {
  std::optional<std::vector<std::string_view>> parts = player_path_parts(path);
  if (!parts || parts->empty()) return {};
  // The music folder is a:\Music to the player; anything else at its root is beside it.
  bool in_music_folder = compare_player_names(code_page, parts->front(), kMusicFolderName) == 0;
  Resolution resolution = look_up_parts(listings, code_page, in_music_folder ? "." : "..", nullptr,
                                        std::span(*parts).subspan(in_music_folder ? 1 : 0));
  // Back into the music folder by the name it has here ("..\Lib\R\a.mp3" in a folder named
  // Lib): the player knows it only as a:\Music, and finds nothing there.
  std::string_view found = resolution.device_path;
  if (!in_music_folder && found.starts_with("../") &&
      listings.is_music_folder(std::string(found.substr(0, found.find('/', 3)))))
    return {};
  return resolution;
}

Resolution resolve_in(ListingSource& listings, const CodePage& code_page,
                      const FolderListing& folder, const std::string& device_folder,
                      std::string_view folder_text, std::string_view path) {
  // Most lines name a file beside the M3U: one part, which Windows takes as it is.
  if (!path.empty() && find_separator(path) == std::string_view::npos && !path.ends_with('.') &&
      !path.ends_with(' '))
    return look_up_parts(listings, code_page, device_folder, &folder, std::span(&path, 1));
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
