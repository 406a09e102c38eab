#include "library/track_list.h"

void TrackList::add(std::string_view path) {
  places_.emplace_back(static_cast<std::uint32_t>(paths_.size()),
                       static_cast<std::uint32_t>(path.size()));
  paths_.append(path).push_back('\0');
}

void TrackList::reserve(std::size_t tracks, std::size_t bytes) {
  places_.reserve(places_.size() + tracks);
  paths_.reserve(paths_.size() + bytes + tracks);
}

std::string_view TrackList::operator[](std::size_t index) const {
  return std::string_view(paths_).substr(places_[index].first, places_[index].second);
}
