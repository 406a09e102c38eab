#include "library/plan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "library/listings.h"
#include "platform/console.h"
#include "platform/device.h"

namespace {

// The music folder and every folder above it, up to the root, which is its own parent. A folder
// above that cannot be examined cannot be reached through a link either.
std::vector<FolderIdentity> folders_above(Device& device) {
  std::vector<FolderIdentity> above;
  FolderIdentity identity;
  DeviceError ignored;
  std::string path = ".";
  while (device.identify(path, identity, ignored)) {
    if (!above.empty() && identity == above.back()) break;
    above.push_back(identity);
    if (path == ".")
      path.assign("..");
    else
      path.append("/..");
  }
  return above;
}

}  // namespace

bool make_plan(Library& library, Plan& plan, std::string& reason) {
  bool missing = false;
  plan = {};
  plan.music = library.listings.read(".", missing, reason);
  if (plan.music == nullptr) return false;
  const FolderListing& music = *plan.music;
  std::vector<std::size_t> candidates;
  bool any_linked = false;
  for (std::size_t entry = 0; entry < music.size(); ++entry) {
    if (music.type(entry) != EntryType::folder) continue;
    if (!music.usable(entry)) {
      warn_unusable(library, "", music, entry);
      ++plan.skipped;
      continue;
    }
    candidates.push_back(entry);
    any_linked |= music.linked(entry);
  }
  // Only a link can lead back or give a folder a second name: without one, nothing is examined.
  if (!any_linked) {
    for (std::size_t entry : candidates)
      plan.folders.push_back(
          {std::string(music.text(entry)), std::string(music.system_name(entry))});
    return true;
  }
  Console& console = library.console;
  std::vector<FolderIdentity> above = folders_above(library.device);
  struct Taken {
    std::size_t entry;
    bool linked;
  };
  std::vector<std::optional<Taken>> taken;  // each candidate's place in the plan
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> by_identity;
  std::vector<std::pair<std::size_t, std::size_t>> other_names;  // and the entry taken instead
  for (std::size_t entry : candidates) {
    FolderIdentity identity;
    DeviceError error;
    std::string shown = console.quoted_text(music.text(entry));
    taken.emplace_back();
    if (!library.device.identify(std::string(music.system_name(entry)), identity, error)) {
      console.warn("cannot examine " + shown + ": " + error.reason +
                   "; it is left out, and the music folder's playlist is left as it was");
      ++plan.skipped;
      plan.all_examined = false;
      continue;
    }
    if (std::find(above.begin(), above.end(), identity) != above.end()) {
      console.warn("skipping " + shown +
                   ": it leads back to the music folder or a folder holding it");
      ++plan.skipped;
      continue;
    }
    auto [place, first] =
        by_identity.emplace(std::pair(identity.volume, identity.file), taken.size() - 1);
    if (first) {
      taken.back() = Taken{entry, music.linked(entry)};
      continue;
    }
    Taken& other = *taken[place->second];
    // The folder's own name wins over a link to it, wherever the link is listed.
    std::size_t skipped_entry = entry;
    if (other.linked && !music.linked(entry)) {
      std::swap(other.entry, skipped_entry);
      other.linked = false;
    }
    ++plan.skipped;
    other_names.emplace_back(skipped_entry, place->second);
  }
  for (const auto& [entry, instead] : other_names)
    console.warn("skipping " + console.quoted_text(music.text(entry)) +
                 ": it is another name for " +
                 console.quoted_text(music.text(taken[instead]->entry)));
  for (const std::optional<Taken>& folder : taken)
    if (folder)
      plan.folders.push_back(
          {std::string(music.text(folder->entry)), std::string(music.system_name(folder->entry))});
  return true;
}
