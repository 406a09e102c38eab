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
#include "core/quoting.h"
#include "core/report.h"
#include "library/listings.h"
#include "library/m3u_import.h"

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

// "'a', 'b' and 'c'".
std::string listed(const std::vector<std::string>& quoted_names) {
  std::string text;
  for (std::size_t index = 0; index < quoted_names.size(); ++index)
    text.append(index == 0                         ? ""
                : index + 1 == quoted_names.size() ? " and "
                                                   : ", ")
        .append(quoted_names[index]);
  return text;
}

// Walks a folder and, as the rule asks, its subfolders, adding their tracks. A walk that looks
// says nothing (its library's report is silent), takes nothing, and stops at the first sign of a
// track.
class FolderWalk {
 public:
  FolderWalk(Library& library, FolderTracks& result, bool looking,
             std::vector<std::string> chain = {})
      : library_(library), result_(result), looking_(looking), chain_(std::move(chain)) {}

  bool found() const { return found_; }

  // False, with the problem, when something that decides the tracks could not be read whole.
  bool add(const std::string& folder, const std::string& device_path, bool top) {
    Report& report = library_.report;
    bool missing = false;
    // Held while the folder is worked on: its M3U's lines look into it.
    std::shared_ptr<const FolderListing> listing =
        library_.listings.read(device_path, missing, result_.problem);
    if (listing == nullptr) {
      found_ = looking_;
      result_.problem =
          "cannot list " + quoted_text(library_.run.code_page, folder) + ": " + result_.problem;
      return false;
    }
    std::optional<bool> from_m3u = add_m3u(folder, device_path, *listing);
    if (from_m3u) return *from_m3u;
    if (top) report.log("\tM3U file not found, adding individual files\n");
    std::vector<std::uint32_t> own;  // the folder's MP3 files
    std::size_t own_bytes = 0;
    OtherAudio other_audio;
    for (std::size_t entry = 0; entry < listing->size(); ++entry) {
      if (!is_candidate(*listing, entry)) continue;
      // As Windows, and so the player, sees the name: "a.mp3 ." is an MP3 file it cannot find.
      std::string_view name = without_trailing_dots_and_blanks(listing->system_name(entry));
      if (!matches(name, ".mp3")) {
        if (library_.run.options.verbose && !other_audio_kind(name).empty())
          report.warn("skipping " + shown_entry(library_, folder, *listing, entry) +
                      ": audio of another kind than MP3, which no playlist lists");
        else
          other_audio.note(name);
        continue;
      }
      // Whatever its name, an MP3 file is a sign of a track.
      if (looking_) return sign_of_track();
      if (!listing->usable(entry)) {
        warn_unusable(library_, folder, *listing, entry);
        ++result_.tracks_skipped;
        continue;
      }
      std::size_t length = joined_length(folder, listing->text(entry));
      if (length > kMaxPathText) {
        report.warn(
            "skipping track " +
            quoted_text(library_.run.code_page, folder + "\\" + std::string(listing->text(entry))) +
            ": path longer than " + std::to_string(kMaxPathText) + " characters");
        ++result_.tracks_skipped;
        continue;
      }
      own.push_back(static_cast<std::uint32_t>(entry));
      own_bytes += length;
    }
    // Byte order: "B.mp3" before "a.mp3", "Track 10" before "Track 9"; or as asked, numbers
    // by their value.
    bool natural = library_.run.options.natural;
    std::sort(own.begin(), own.end(), [&](std::uint32_t left, std::uint32_t right) {
      return natural ? compare_naturally(listing->text(left), listing->text(right)) < 0
                     : listing->text(left) < listing->text(right);
    });
    add_own(folder, *listing, own, own_bytes);
    if (other_audio.count() > 0)
      report.warn(quoted_text(library_.run.code_page, folder) + " holds " + other_audio.said() +
                  ", which no playlist lists: only MP3 files, and the files an M3U names, are "
                  "tracks");
    if (!own.empty() && !library_.run.options.recursive) {
      if (subfolders_may_hold_tracks(folder, device_path, *listing))
        report.warn("the tracks in subfolders of " + quoted_text(library_.run.code_page, folder) +
                    " are left out, as it holds MP3 files of its own: --recursive (-r) takes "
                    "them in too");
      return true;
    }
    chain_.push_back(device_path);
    Subfolders subfolders = subfolders_of(library_, folder, device_path, *listing,
                                          [this] { return folders_holding(); });
    result_.folders_skipped += subfolders.skipped;
    if (looking_ && (subfolders.unusable > 0 || !subfolders.all_examined)) return sign_of_track();
    bool whole = subfolders.all_examined;
    if (!whole) result_.problem.clear();
    for (const PlannedFolder& subfolder : subfolders.taken) {
      if (whole && first_visit(subfolder))
        whole = add(subfolder.text, subfolder.device_path, false);
      if (found_) return true;
    }
    chain_.pop_back();
    return whole;
  }

 private:
  bool sign_of_track() {
    found_ = true;
    return true;
  }

  // The folders the walk is in and every folder above the music folder: a link that leads to
  // one of them would never end.
  std::vector<FolderIdentity> folders_holding() {
    std::vector<FolderIdentity> holding = folders_above(library_.run.device, ".");
    for (const std::string& folder : chain_) {
      FolderIdentity identity;
      DeviceError ignored;
      if (library_.run.device.identify(folder, identity, ignored)) holding.push_back(identity);
    }
    return holding;
  }

  static bool is_candidate(const FolderListing& listing, std::size_t entry) {
    return listing.type(entry) == EntryType::file && !is_apple_double(listing.system_name(entry));
  }

  // The folder's M3U files that may decide its tracks, in the order they are tried: a ".m3u"
  // before a ".m3u8", the form most players and library tools export today; of several, the
  // last listed first.
  std::vector<std::size_t> m3us_of(const std::string& folder, const FolderListing& listing) {
    std::vector<std::size_t> m3us;
    std::vector<std::size_t> m3u8s;
    for (std::size_t entry = listing.size(); entry-- > 0;) {
      std::string_view name = listing.system_name(entry);
      bool is_m3u = matches(name, ".m3u");
      if (!is_candidate(listing, entry) || (!is_m3u && !matches(name, ".m3u8"))) continue;
      if (!listing.usable(entry))
        warn_unusable(library_, folder, listing, entry);
      else
        (is_m3u ? m3us : m3u8s).push_back(entry);
    }
    m3us.insert(m3us.end(), m3u8s.begin(), m3u8s.end());
    return m3us;
  }

  // Takes the tracks of the first of the folder's M3U files that gives one; nothing when none
  // does, and the folder's files decide. True, or false with the problem, once an M3U decided.
  std::optional<bool> add_m3u(const std::string& folder, const std::string& device_path,
                              const FolderListing& listing) {
    Report& report = library_.report;
    std::vector<std::size_t> m3us = m3us_of(folder, listing);
    std::vector<std::string> nameless;  // tried, and naming no track
    std::optional<std::size_t> used;
    for (std::size_t index = 0; index < m3us.size() && !used; ++index) {
      std::string path;
      std::string_view text = listing.text(m3us[index]);
      if (!join_path(path, folder, text)) {
        report.warn("skipping M3U file " +
                    quoted_text(library_.run.code_page, folder + "\\" + std::string(text)) +
                    ": path longer than " + std::to_string(kMaxPathText) + " characters");
        continue;
      }
      std::size_t before = result_.tracks.size();
      M3uImport import =
          import_m3u(library_, path, device_path_of(device_path, listing.system_name(m3us[index])),
                     result_.tracks, looking_);
      result_.lines_skipped += import.lines_skipped;
      if (!import.read_whole) {
        found_ = looking_;
        result_.problem = import.problem;
        return false;
      }
      if (result_.tracks.size() > before)
        used = index;
      else
        nameless.push_back(quoted_text(library_.run.code_page, path));
    }
    if (used && looking_) return sign_of_track();
    // Shown only when something is said: most folders hold one M3U that names its tracks.
    auto shown_folder = [&] { return quoted_text(library_.run.code_page, folder); };
    auto text_of = [&](std::size_t index) {
      return quoted_text(library_.run.code_page,
                         folder + "\\" + std::string(listing.text(m3us[index])));
    };
    if (!nameless.empty())
      report.warn(
          listed(nameless) +
          (nameless.size() == 1 ? " names no track, so it is no playlist of "
                                : " name no track, so they are no playlists of ") +
          shown_folder() + ": " +
          (used ? text_of(*used) + " is" : "its tracks are taken as for a folder without one"));
    if (!used) return std::nullopt;
    std::vector<std::string> unused;
    for (std::size_t index = *used + 1; index < m3us.size(); ++index)
      unused.push_back(text_of(index));
    if (!unused.empty())
      report.warn(shown_folder() + " holds several M3U files: " + text_of(*used) +
                  " gives its tracks, " + listed(unused) +
                  (unused.size() == 1 ? " is not used" : " are not used"));
    return true;
  }

  // Adds the folder's own MP3 files, in their order.
  void add_own(const std::string& folder, const FolderListing& listing,
               const std::vector<std::uint32_t>& own, std::size_t own_bytes) {
    result_.tracks.reserve(own.size(), own_bytes);
    std::string path = folder.empty() ? folder : folder + "\\";
    std::size_t folder_length = path.size();
    // Names are mostly shown as they are spelt: only the folder is shown from its text.
    std::string shown;
    library_.run.code_page.append_shown(path, shown);
    std::size_t folder_shown = shown.size();
    for (std::uint32_t entry : own) {
      path.resize(folder_length);
      path.append(listing.text(entry));
      if (listing.shown_as_system_name(entry)) {
        shown.resize(folder_shown);
        library_.report.log_shown("\tAdding MP3 file %s\n",
                                  shown.append(listing.system_name(entry)));
      } else {
        library_.report.log("\tAdding MP3 file %s\n", path);
      }
      result_.tracks.add(path);
    }
  }

  // True when a subfolder would give a track, were the subfolders walked: looked at with nothing
  // said, by the walk's own rules, so that a link back or a folder of no tracks is no reason.
  bool subfolders_may_hold_tracks(const std::string& folder, const std::string& device_path,
                                  const FolderListing& listing) {
    SilentReport silent;
    Library quiet{library_.run, silent, library_.listings};
    FolderTracks ignored;
    std::vector<std::string> chain = chain_;
    chain.push_back(device_path);
    FolderWalk look(quiet, ignored, true, std::move(chain));
    Subfolders subfolders = subfolders_of(quiet, folder, device_path, listing,
                                          [&look] { return look.folders_holding(); });
    if (subfolders.unusable > 0 || !subfolders.all_examined) return true;
    for (const PlannedFolder& subfolder : subfolders.taken)
      if (look.first_visit(subfolder)) {
        look.add(subfolder.text, subfolder.device_path, false);
        if (look.found()) return true;
      }
    return false;
  }

  // True the first time the walk comes to a folder below the one it began in: one listed before
  // under another name (a link elsewhere in the tree) is skipped, saying so.
  bool first_visit(const PlannedFolder& subfolder) {
    FolderIdentity identity;
    DeviceError error;
    // One that cannot be examined is listed, and its listing says what is wrong.
    if (!library_.run.device.identify(subfolder.device_path, identity, error) ||
        visited_.emplace(identity.volume, identity.file).second)
      return true;
    library_.report.warn("skipping " + quoted_text(library_.run.code_page, subfolder.text) +
                         ": it is another name for a folder listed before");
    ++result_.folders_skipped;
    return false;
  }

  Library& library_;
  FolderTracks& result_;
  bool looking_;
  bool found_ = false;
  std::vector<std::string> chain_;  // device paths of the folders the walk is in
  std::set<std::pair<std::uint64_t, std::uint64_t>> visited_;  // folders below the first
};

}  // namespace

FolderTracks tracks_of(Library& library, const std::string& folder,
                       const std::string& device_path) {
  FolderTracks result;
  result.read_whole = FolderWalk(library, result, false).add(folder, device_path, true);
  return result;
}

bool may_hold_tracks(Library& library, const std::vector<PlannedFolder>& folders,
                     std::shared_ptr<const FolderListing>& first) {
  SilentReport silent;
  Library quiet{library.run, silent, library.listings};
  // Held, and so read once for the walk and the run: in most libraries the first folder tells.
  bool missing = false;
  std::string ignored_reason;
  if (!folders.empty())
    first = library.listings.read(folders.front().device_path, missing, ignored_reason);
  for (const PlannedFolder& folder : folders) {
    FolderTracks ignored;
    FolderWalk look(quiet, ignored, true);
    look.add(folder.text, folder.device_path, false);
    if (look.found()) return true;
  }
  return false;
}
