#include "library/plan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "core/path_text.h"
#include "library/listings.h"
#include "platform/console.h"

std::vector<FolderIdentity> folders_above(Device& device, const std::string& device_folder) {
  std::vector<FolderIdentity> above;
  FolderIdentity identity;
  DeviceError ignored;
  std::string path = device_folder;
  while (device.identify(path, identity, ignored)) {
    if (!above.empty() && identity == above.back()) break;
    above.push_back(identity);
    path.append("/..");
  }
  return above;
}

Subfolders subfolders_of(Library& library, std::string_view folder,
                         const std::string& device_folder, const FolderListing& listing,
                         const std::function<std::vector<FolderIdentity>()>& above) {
  Subfolders subfolders;
  std::vector<std::size_t> candidates;
  bool any_linked = false;
  for (std::size_t entry = 0; entry < listing.size(); ++entry) {
    if (listing.type(entry) != EntryType::folder) continue;
    if (!listing.usable(entry)) {
      warn_unusable(library, folder, listing, entry);
      ++subfolders.skipped;
      continue;
    }
    candidates.push_back(entry);
    any_linked |= listing.linked(entry);
  }
  auto planned = [&](std::size_t entry) {
    std::string text;
    join_path(text, folder, listing.text(entry));
    return PlannedFolder{text, device_path_of(device_folder, listing.system_name(entry))};
  };
  // Only a link can lead back or give a folder a second name: without one, nothing is examined.
  if (!any_linked) {
    for (std::size_t entry : candidates) subfolders.taken.push_back(planned(entry));
    return subfolders;
  }
  Console& console = library.console;
  std::vector<FolderIdentity> holding = above();
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
    std::string shown = console.quoted_text(planned(entry).text);
    taken.emplace_back();
    if (!library.device.identify(planned(entry).device_path, identity, error)) {
      console.warn("cannot examine " + shown + ": " + error.reason + "; it is left out, and " +
                   (folder.empty() ? std::string("the music folder's playlist")
                                   : "the playlist holding " + console.quoted_text(folder)) +
                   " is left as it was");
      ++subfolders.skipped;
      subfolders.all_examined = false;
      continue;
    }
    if (std::find(holding.begin(), holding.end(), identity) != holding.end()) {
      console.warn("skipping " + shown +
                   ": it leads back to the music folder or a folder holding it");
      ++subfolders.skipped;
      continue;
    }
    auto [place, first] =
        by_identity.emplace(std::pair(identity.volume, identity.file), taken.size() - 1);
    if (first) {
      taken.back() = Taken{entry, listing.linked(entry)};
      continue;
    }
    Taken& other = *taken[place->second];
    // The folder's own name wins over a link to it, wherever the link is listed.
    std::size_t skipped_entry = entry;
    if (other.linked && !listing.linked(entry)) {
      std::swap(other.entry, skipped_entry);
      other.linked = false;
    }
    ++subfolders.skipped;
    other_names.emplace_back(skipped_entry, place->second);
  }
  for (const auto& [entry, instead] : other_names)
    console.warn("skipping " + console.quoted_text(planned(entry).text) +
                 ": it is another name for " +
                 console.quoted_text(planned(taken[instead]->entry).text));
  for (const std::optional<Taken>& folder_taken : taken)
    if (folder_taken) subfolders.taken.push_back(planned(folder_taken->entry));
  return subfolders;
}

bool make_plan(Library& library, Plan& plan, std::string& reason) {
  bool missing = false;
  plan = {};
  plan.music = library.listings.read(".", missing, reason);
  if (plan.music == nullptr) return false;
  plan.folders = subfolders_of(library, "", ".", *plan.music,
                               [&library] { return folders_above(library.device, "."); });
  return true;
}
