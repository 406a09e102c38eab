#include "folders/subfolders.h"

#include <map>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "playlist/path_text.h"

namespace {

void collect_name(void* context, const char* /*folder*/, const char* name) {
  static_cast<std::vector<std::string>*>(context)->emplace_back(name);
}

// The music folder and every folder above it, up to the root, which is its own parent.
bool folders_above(std::vector<FolderIdentity>& above, std::string& reason) {
  FolderIdentity identity;
  if (!file_system().identify_folder(".", identity, reason)) return false;
  above.push_back(identity);
  // A folder above that cannot be examined cannot be reached through a link either.
  for (std::string path = ".."; path.size() <= kMaxPathText; path += "\\..") {
    std::string ignored;
    if (!file_system().identify_folder(path.c_str(), identity, ignored) ||
        identity.same_folder(above.back()))
      break;
    above.push_back(identity);
  }
  return true;
}

}  // namespace

bool plan_subfolders(Subfolders& subfolders, std::string& reason) {
  std::vector<std::string> names;
  std::vector<FolderIdentity> above;
  if (!file_system().enumerate_entries(&names, ".\\", "*", EntryKind::directories, collect_name,
                                       reason) ||
      !folders_above(above, reason))
    return false;

  struct Taken {
    std::string name;
    FolderIdentity identity;
  };
  std::vector<Taken> taken;
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> taken_by_identity;
  std::vector<std::pair<std::string, std::size_t>> other_names;  // and the one taken instead
  for (std::string& name : names) {
    FolderIdentity identity;
    std::string why;
    if (!file_system().identify_folder(name.c_str(), identity, why)) {
      warn(
          "cannot examine %s: %s; it is left out, and the music folder's playlist is left as it "
          "was",
          quoted_text(name).c_str(), why.c_str());
      subfolders.skipped.insert(name);
      subfolders.all_examined = false;
      continue;
    }
    bool leads_back = false;
    for (const FolderIdentity& folder : above) leads_back |= identity.same_folder(folder);
    if (leads_back) {
      warn("skipping %s: it leads back to the music folder or a folder holding it",
           quoted_text(name).c_str());
      subfolders.skipped.insert(name);
      continue;
    }
    auto [place, first] =
        taken_by_identity.emplace(std::pair(identity.volume, identity.file), taken.size());
    if (first) {
      taken.push_back({std::move(name), identity});
      continue;
    }
    Taken& other = taken[place->second];
    // The folder's own name wins over a link to it, wherever the link is listed.
    if (other.identity.linked && !identity.linked) {
      std::swap(other.name, name);
      other.identity = identity;
    }
    subfolders.skipped.insert(name);
    other_names.emplace_back(std::move(name), place->second);
  }
  for (const auto& [name, instead] : other_names)
    warn("skipping %s: it is another name for %s", quoted_text(name).c_str(),
         quoted_text(taken[instead].name).c_str());
  return true;
}

bool takes_part(const Subfolders& subfolders, const char* name) {
  return subfolders.skipped.count(name) == 0;
}
