#include "library/folder_tracks.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "core/code_page.h"
#include "core/names.h"
#include "core/namespace.h"
#include "core/path_text.h"
#include "library/listings.h"
#include "library/m3u_import.h"
#include "library/plan.h"
#include "platform/console.h"

namespace {

// "*.mp3" as the Windows file search matches it on a long name: anything, then the extension in
// any case.
bool matches(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() &&
         equal_ignoring_ascii_case(name.substr(name.size() - extension.size()), extension);
}

// macOS leaves a "._name" companion beside every file it copies to a FAT player: it matches
// "*.mp3" or "*.m3u" but holds no audio and no playlist.
bool is_apple_double(std::string_view name) { return name.starts_with("._"); }

// The kind of a file of audio in another format than MP3, which no playlist lists, as its
// extension; empty for any other file.
std::string_view other_audio_kind(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() - dot > 5) return {};
  for (std::string_view kind : {".wma", ".ogg", ".oga", ".flac", ".m4a", ".m4b", ".mp4", ".wav",
                                ".aac", ".opus", ".aiff", ".aif", ".ape", ".wv", ".mpc", ".mp2"})
    if (equal_ignoring_ascii_case(name.substr(dot), kind)) return kind;
  return {};
}

// Walks a folder and, as the rule asks, its subfolders, adding their tracks.
class FolderWalk {
 public:
  FolderWalk(Library& library, FolderTracks& result) : library_(library), result_(result) {}

  // False, with the problem, when something that decides the tracks could not be read whole.
  bool add(const std::string& folder, const std::string& device_path, bool top) {
    Console& console = library_.console;
    bool missing = false;
    // Held while the folder is worked on: its M3U's lines look into it.
    std::shared_ptr<const FolderListing> listing =
        library_.listings.read(device_path, missing, result_.problem);
    if (listing == nullptr) {
      result_.problem = "cannot list " + console.quoted_text(folder) + ": " + result_.problem;
      return false;
    }
    if (std::optional<std::size_t> m3u = m3u_of(folder, *listing))
      return add_m3u(folder, device_path, *listing, *m3u);
    if (top) console.log("\tM3U file not found, adding individual files\n");
    std::vector<std::uint32_t> own;  // the folder's MP3 files
    std::size_t own_bytes = 0;
    std::string path;
    std::vector<std::string> other_kinds;
    std::size_t other_audio = 0;
    for (std::size_t entry = 0; entry < listing->size(); ++entry) {
      if (!is_candidate(*listing, entry)) continue;
      std::string_view name = listing->system_name(entry);
      if (!matches(name, ".mp3")) {
        if (std::string_view kind = other_audio_kind(name); !kind.empty()) {
          ++other_audio;
          if (std::find(other_kinds.begin(), other_kinds.end(), kind) == other_kinds.end())
            other_kinds.emplace_back(kind);
        }
        continue;
      }
      if (!listing->usable(entry)) {
        warn_unusable(library_, folder, *listing, entry);
        continue;
      }
      if (join_path(path, folder, listing->text(entry))) {
        own.push_back(static_cast<std::uint32_t>(entry));
        own_bytes += path.size();
        continue;
      }
      console.warn("skipping track " +
                   console.quoted_text(folder + "\\" + std::string(listing->text(entry))) +
                   ": path longer than " + std::to_string(kMaxPathText) + " characters");
    }
    // Byte order: "B.mp3" before "a.mp3", "Track 10" before "Track 9".
    std::sort(own.begin(), own.end(), [&listing](std::uint32_t left, std::uint32_t right) {
      return listing->text(left) < listing->text(right);
    });
    result_.tracks.reserve(own.size(), own_bytes);
    // Names are mostly shown as they are spelt: only the folder is shown from its text.
    std::string shown;
    library_.code_page.append_shown(folder, shown);
    if (!folder.empty()) shown.push_back('\\');
    std::size_t folder_shown = shown.size();
    for (std::uint32_t entry : own) {
      join_path(path, folder, listing->text(entry));
      if (listing->shown_as_system_name(entry)) {
        shown.resize(folder_shown);
        console.log_shown("\tAdding MP3 file %s\n", shown.append(listing->system_name(entry)));
      } else {
        console.log("\tAdding MP3 file %s\n", path);
      }
      result_.tracks.add(path);
    }
    if (other_audio > 0) {
      std::sort(other_kinds.begin(), other_kinds.end());
      std::string kinds;
      for (const std::string& kind : other_kinds) kinds += (kinds.empty() ? "" : ", ") + kind;
      console.warn(
          console.quoted_text(folder) + " holds " + std::to_string(other_audio) +
          (other_audio == 1 ? " audio file of another kind (" : " audio files of other kinds (") +
          kinds +
          "), which no playlist lists: only MP3 files, and the files an M3U "
          "names, are tracks");
    }
    if (!own.empty() && !library_.recursive) {
      if (subfolder_holds_tracks(device_path, *listing))
        console.warn("the tracks in subfolders of " + console.quoted_text(folder) +
                     " are left out, as it holds MP3 files of its own: --recursive (-r) takes "
                     "them in too");
      return true;
    }
    chain_.push_back(device_path);
    Subfolders subfolders = subfolders_of(library_, folder, device_path, *listing,
                                          [this] { return folders_holding(); });
    result_.folders_skipped += subfolders.skipped;
    bool whole = subfolders.all_examined;
    if (!whole) result_.problem.clear();
    for (const PlannedFolder& subfolder : subfolders.taken)
      if (whole && first_visit(subfolder))
        whole = add(subfolder.text, subfolder.device_path, false);
    chain_.pop_back();
    return whole;
  }

 private:
  static bool is_candidate(const FolderListing& listing, std::size_t entry) {
    return listing.type(entry) == EntryType::file && !is_apple_double(listing.system_name(entry));
  }

  // The M3U that decides the folder's tracks: a ".m3u" wins over a ".m3u8", the form most
  // players and library tools export today; of several, the last listed.
  std::optional<std::size_t> m3u_of(const std::string& folder, const FolderListing& listing) {
    std::optional<std::size_t> m3u;
    std::optional<std::size_t> m3u8;
    for (std::size_t entry = 0; entry < listing.size(); ++entry) {
      std::string_view name = listing.system_name(entry);
      bool is_m3u = matches(name, ".m3u");
      if (!is_candidate(listing, entry) || (!is_m3u && !matches(name, ".m3u8"))) continue;
      if (!listing.usable(entry))
        warn_unusable(library_, folder, listing, entry);
      else
        (is_m3u ? m3u : m3u8) = entry;
    }
    return m3u ? m3u : m3u8;
  }

  bool add_m3u(const std::string& folder, const std::string& device_path,
               const FolderListing& listing, std::size_t m3u) {
    std::string path;
    if (!join_path(path, folder, listing.text(m3u))) {
      library_.console.warn(
          "skipping M3U file " +
          library_.console.quoted_text(folder + "\\" + std::string(listing.text(m3u))) +
          ": path longer than " + std::to_string(kMaxPathText) + " characters");
      return true;
    }
    M3uImport import = import_m3u(
        library_, path, device_path_of(device_path, listing.system_name(m3u)), result_.tracks);
    result_.lines_skipped += import.lines_skipped;
    result_.problem = import.problem;
    return import.read_whole;
  }

  // True when a subfolder, or one below it, holds an M3U or an MP3 file: looked at only, with
  // nothing said.
  bool subfolder_holds_tracks(const std::string& device_path, const FolderListing& listing,
                              int depth = 0) {
    // Deep enough for any library; links that lead back end here too.
    if (depth > 8) return false;
    for (std::size_t entry = 0; entry < listing.size(); ++entry) {
      if (listing.type(entry) != EntryType::folder || !listing.usable(entry)) continue;
      std::string subfolder = device_path_of(device_path, listing.system_name(entry));
      bool missing = false;
      std::string ignored;
      std::shared_ptr<const FolderListing> below =
          library_.listings.read(subfolder, missing, ignored);
      if (below == nullptr) continue;
      for (std::size_t file = 0; file < below->size(); ++file) {
        std::string_view name = below->system_name(file);
        if (is_candidate(*below, file) && below->usable(file) &&
            (matches(name, ".mp3") || matches(name, ".m3u") || matches(name, ".m3u8")))
          return true;
      }
      if (subfolder_holds_tracks(subfolder, *below, depth + 1)) return true;
    }
    return false;
  }

  // True the first time the walk comes to a folder below the one it began in: one listed before
  // under another name (a link elsewhere in the tree) is skipped, saying so.
  bool first_visit(const PlannedFolder& subfolder) {
    FolderIdentity identity;
    DeviceError error;
    // One that cannot be examined is listed, and its listing says what is wrong.
    if (!library_.device.identify(subfolder.device_path, identity, error) ||
        visited_.emplace(identity.volume, identity.file).second)
      return true;
    library_.console.warn("skipping " + library_.console.quoted_text(subfolder.text) +
                          ": it is another name for a folder listed before");
    ++result_.folders_skipped;
    return false;
  }

  // The folders the walk is in and every folder above the music folder: a link that leads to
  // one of them would never end.
  std::vector<FolderIdentity> folders_holding() {
    std::vector<FolderIdentity> holding = folders_above(library_.device, ".");
    for (const std::string& folder : chain_) {
      FolderIdentity identity;
      DeviceError ignored;
      if (library_.device.identify(folder, identity, ignored)) holding.push_back(identity);
    }
    return holding;
  }

  Library& library_;
  FolderTracks& result_;
  std::vector<std::string> chain_;  // device paths of the folders the walk is in
  std::set<std::pair<std::uint64_t, std::uint64_t>> visited_;  // folders below the first
};

}  // namespace

FolderTracks tracks_of(Library& library, const std::string& folder,
                       const std::string& device_path) {
  FolderTracks result;
  result.read_whole = FolderWalk(library, result).add(folder, device_path, true);
  return result;
}
