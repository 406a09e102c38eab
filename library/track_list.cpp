#include "library/track_list.h"

#include <algorithm>

void TrackList::add(std::string_view path) {
  places_.emplace_back(static_cast<std::uint32_t>(paths_.size()),
                       static_cast<std::uint32_t>(path.size()));
  paths_.append(path).push_back('\0');
}

std::string_view TrackList::operator[](std::size_t index) const {
  return std::string_view(paths_).substr(places_[index].first, places_[index].second);
}

void TrackList::sort() {
  // String views compare their characters as unsigned bytes, with no case folding and no locale.
  std::sort(places_.begin(), places_.end(), [this](const auto& left, const auto& right) {
    return std::string_view(paths_).substr(left.first, left.second) <
           std::string_view(paths_).substr(right.first, right.second);
  });
}
