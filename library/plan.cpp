#include "library/plan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "core/names.h"
#include "core/path_text.h"
#include "core/quoting.h"
#include "core/report.h"
#include "library/listings.h"

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

namespace {

struct Candidate {
  std::size_t entry;
  PlannedFolder planned;
  bool taken = true;
};

// Examines the candidates when one is a link: a name that leads back to a folder holding the
// folder is left out, and of several names of one folder all but its own, or else the first in
// listing order.
void examine_links(Library& library, std::string_view folder, const FolderListing& listing,
                   const std::function<std::vector<FolderIdentity>()>& above,
                   std::vector<Candidate>& candidates, Subfolders& subfolders) {
  Report& report = library.report;
  std::vector<FolderIdentity> holding = above();
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> by_identity;  // the name taken
  std::vector<std::pair<std::size_t, std::pair<std::uint64_t, std::uint64_t>>> other_names;
  for (std::size_t index = 0; index < candidates.size(); ++index) {
    Candidate& candidate = candidates[index];
    FolderIdentity identity;
    DeviceError error;
    std::string shown = quoted_text(library.run.code_page, candidate.planned.text);
    if (!library.run.device.identify(candidate.planned.device_path, identity, error)) {
      report.warn("cannot examine " + shown + ": " + error.reason + "; it is left out, and " +
                  (folder.empty()
                       ? std::string("the music folder's playlist")
                       : "the playlist holding " + quoted_text(library.run.code_page, folder)) +
                  " is left as it was");
      candidate.taken = false;
      ++subfolders.skipped;
      subfolders.all_examined = false;
      continue;
    }
    if (std::find(holding.begin(), holding.end(), identity) != holding.end()) {
      report.warn("skipping " + shown +
                  ": it leads back to the music folder or a folder holding it");
      candidate.taken = false;
      ++subfolders.skipped;
      continue;
    }
    std::pair<std::uint64_t, std::uint64_t> key(identity.volume, identity.file);
    auto [place, first] = by_identity.emplace(key, index);
    if (first) continue;
    // The folder's own name wins over a link to it, wherever the link is listed.
    std::size_t& chosen = place->second;
    bool own_name = !listing.linked(candidate.entry) && listing.linked(candidates[chosen].entry);
    std::size_t left_out = own_name ? std::exchange(chosen, index) : index;
    candidates[left_out].taken = false;
    other_names.emplace_back(left_out, key);
    ++subfolders.skipped;
  }
  for (const auto& [left_out, key] : other_names)
    report.warn("skipping " +
                quoted_text(library.run.code_page, candidates[left_out].planned.text) +
                ": it is another name for " +
                quoted_text(library.run.code_page, candidates[by_identity[key]].planned.text));
}

}  // namespace

Subfolders subfolders_of(Library& library, std::string_view folder,
                         const std::string& device_folder, const FolderListing& listing,
                         const std::function<std::vector<FolderIdentity>()>& above) {
  Subfolders subfolders;
  std::vector<Candidate> candidates;
  std::string system_folders;  // as one line shows them
  bool any_linked = false;
  for (std::size_t entry = 0; entry < listing.size(); ++entry) {
    if (listing.type(entry) != EntryType::folder) continue;
    if (listing.is_system_folder(entry)) {
      std::string shown = shown_entry(library, folder, listing, entry);
      if (library.run.options.verbose)
        library.report.warn("skipping " + shown + ": system and trash folders hold no albums");
      else
        system_folders += (system_folders.empty() ? "" : ", ") + shown;
      ++subfolders.skipped;
      continue;
    }
    if (!listing.usable(entry)) {
      warn_unusable(library, folder, listing, entry);
      ++subfolders.skipped;
      ++subfolders.unusable;
      continue;
    }
    // A path that cannot be formed never becomes a shorter one: the folder, and every track in
    // it, is left out.
    std::string text;
    if (!join_path(text, folder, listing.text(entry))) {
      library.report.warn("skipping " + shown_entry(library, folder, listing, entry) +
                          ": path longer than " + std::to_string(kMaxPathText) + " characters");
      ++subfolders.skipped;
      ++subfolders.unusable;
      continue;
    }
    candidates.push_back(
        {entry, {std::move(text), device_path_of(device_folder, listing.system_name(entry))}});
    any_linked |= listing.linked(entry);
  }
  if (!system_folders.empty())
    library.report.warn("skipping " + system_folders + ": system and trash folders hold no albums");
  // Only a link can lead back or give a folder a second name: without one, nothing is examined.
  if (any_linked) examine_links(library, folder, listing, above, candidates, subfolders);
  for (Candidate& candidate : candidates)
    if (candidate.taken) subfolders.taken.push_back(std::move(candidate.planned));
  return subfolders;
}

bool make_plan(Library& library, Plan& plan, std::string& reason) {
  bool missing = false;
  plan = {};
  plan.music = library.listings.read(".", missing, reason);
  if (plan.music == nullptr) return false;
  plan.folders = subfolders_of(library, "", ".", *plan.music,
                               [&library] { return folders_above(library.run.device, "."); });
  return true;
}
