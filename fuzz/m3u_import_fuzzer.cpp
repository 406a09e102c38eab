// Feeds arbitrary bytes to the M3U import as a folder's M3U file, in a folder holding a few
// tracks on a device in memory, and checks that every track it takes is a file there, named by a
// path that fits an entry, and that the playlist made of them is whole: complete entries only.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/code_page.h"
#include "core/namespace.h"
#include "core/playlist_entry.h"
#include "core/report.h"
#include "library/folder_tracks.h"
#include "library/listings.h"
#include "output/playlist_writer.h"
#include "output/temporary_files.h"
#include "platform/code_page_learn.h"
#include "tests/support/memory_device.h"

namespace {

const CodePage& code_page() {
  static const CodePage learnt = [] {
    CodePageTable table;
    std::string reason;
    if (!learn_code_page("CP1252", table, reason)) std::abort();
    return CodePage("CP1252", table);
  }();
  return learnt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryDevice device;
  for (const char* track : {"Rock/a.mp3", "Rock/Live/02 Song.mp3", "Rock/Bj\xC3\xB6rk.mp3"})
    device.make(track, "x");
  device.make("Rock/list.m3u", std::string(reinterpret_cast<const char*>(data), size));
  SilentReport report;
  Listings listings(device, code_page());
  RunContext run{device, code_page()};
  Library library{run, report, listings};
  FolderTracks tracks = tracks_of(library, "Rock", "Rock");
  if (!tracks.read_whole) std::abort();
  TemporaryFiles files(4);
  PlaylistWriter writer(device, report, code_page(), files, false);
  if (writer.begin({"Rock\\Default Playlist.epl", "Rock/Default Playlist.epl", {}, false}) !=
      PlaylistWriter::Start::started)
    std::abort();
  for (std::size_t track = 0; track < tracks.tracks.size(); ++track) {
    Resolution found = resolve(listings, code_page(), tracks.tracks[track]);
    if (found.kind != Resolution::Kind::file || found.own_file) std::abort();
    writer.add(tracks.tracks[track]);
  }
  if (!writer.finish() || !writer.put_in_place()) std::abort();
  if (device.contents("Rock/Default Playlist.epl").value_or("x").size() !=
      tracks.tracks.size() * kEntrySize)
    std::abort();
  return 0;
}
