// Makes a synthetic music folder for the benchmark: many album folders of a few tracks, half
// of them with an M3U playlist, and one very large folder without one. Track files are empty:
// eplgen never reads a track, only its name.
//
//   make_library FOLDER ALBUMS TRACKS_PER_ALBUM LARGE_FOLDER_TRACKS [LARGE_FOLDERS]
//   make_library --lookup FOLDER TRACKS LINES exact|other [NAME_LENGTH]
//
// The second makes one large folder of TRACKS tracks whose M3U names LINES of them, spelled
// exactly or in another ASCII case, each followed by a line naming a missing track: the lines
// eplgen must look up name by name. With NAME_LENGTH, every track's name is padded to that
// many characters.
//
// Names mix blanks, upper and lower case and UTF-8 bytes above 0x7F; the output is the same
// for the same arguments.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Artists and words with and without bytes above 0x7F (this file is UTF-8, and so are the
// names it makes), in mixed case.
const char* const kArtists[] = {
    "Motörhead", "Beyoncé",     "Björk",       "Sigur Rós",   "the Beatles", "Mötley Crüe",
    "AC DC",     "Zoë Keating", "Café Tacvba", "Nina Simone", "dEUS",        "Angélique Kidjo",
};
const char* const kWords[] = {
    "Intro",     "ace of Spades", "Halo",   "Hyperballad",  "Hoppípólla",  "Help",
    "Kickstart", "Thunderstruck", "Elegía", "Feeling Good", "Suds & Soda", "Outro",
};
const char* const kExtensions[] = {".mp3", ".MP3", ".Mp3"};

template <typename T, std::size_t N>
constexpr std::size_t count(T (&)[N]) {
  return N;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "make_library: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void make_folder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0) fail("cannot create " + path);
}

void write_file(const std::string& folder, const std::string& name, const std::string& content) {
  std::string path = folder;
  path += '/';
  path += name;
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (descriptor < 0) fail("cannot create " + path);
  if (!content.empty() &&
      write(descriptor, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
    fail("cannot write " + path);
  close(descriptor);
}

// A fixed scramble of the index, so that names are not created in their sorted order.
std::uint32_t scramble(std::uint32_t index) {
  std::uint32_t x = index;
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  x *= 0xC2B2AE35u;
  return x ^ (x >> 16);
}

std::string track_name(std::uint32_t album, std::uint32_t track) {
  std::uint32_t pick = scramble(album * 977 + track);
  char number[16];
  std::snprintf(number, sizeof number, "%02u ", track + 1);
  return number + std::string(kArtists[pick % count(kArtists)]) + " - " +
         kWords[(pick >> 8) % count(kWords)] + kExtensions[(pick >> 16) % count(kExtensions)];
}

void make_album(const std::string& root, std::uint32_t album, std::uint32_t tracks, bool with_m3u) {
  char number[16];
  std::snprintf(number, sizeof number, " %05u", album);
  const std::string artist = kArtists[album % count(kArtists)];
  const std::string name = artist + " - " + kWords[scramble(album) % count(kWords)] + number +
                           (album % 3 ? "" : " (Live)");
  const std::string folder = root + "/" + name;
  make_folder(folder);
  write_file(folder, "Folder.jpg", "");

  std::string m3u = "#EXTM3U\r\n";
  for (std::uint32_t track = 0; track < tracks; ++track) {
    const std::string file = track_name(album, track);
    write_file(folder, file, "");
    m3u.append("#EXTINF:")
        .append(std::to_string(120 + scramble(track) % 300))
        .append(",")
        .append(artist)
        .append(" - ")
        .append(kWords[track % count(kWords)])
        .append("\r\n")
        .append(file)
        .append("\r\n");
    // A few lines name tracks that are not there (deleted, or renamed by hand).
    if (track % 10 == 4) m3u += "Missing Track " + std::to_string(track) + ".mp3\r\n";
  }
  if (with_m3u) write_file(folder, artist + " - Playlist.m3u", m3u);
}

std::string large_folder_track(std::uint32_t index, std::uint32_t tracks, std::uint32_t track,
                               std::size_t length = 0) {
  std::uint32_t pick = scramble(track + index * tracks);
  char number[16];
  std::snprintf(number, sizeof number, " %06u", track);
  std::string name = kArtists[pick % count(kArtists)];
  name.append(" - ").append(kWords[(pick >> 8) % count(kWords)]);
  // " (Remastered...)", its number and its extension fill the rest.
  if (name.size() + std::strlen(number) + 17 < length) {
    std::size_t dots = length - name.size() - std::strlen(number) - 17;
    name.append(" (Remastered").append(dots, '.').append(")");
  }
  name.append(number);
  return name.append(kExtensions[track % count(kExtensions)]);
}

std::string make_large_folder(const std::string& root, std::uint32_t index, std::uint32_t tracks,
                              std::size_t length = 0) {
  std::string folder = root + "/Ünsorted Downloads " + std::to_string(index + 1);
  make_folder(folder);
  for (std::uint32_t track = 0; track < tracks; ++track)
    write_file(folder, large_folder_track(index, tracks, track, length), "");
  return folder;
}

void make_lookup_library(const std::string& root, std::uint32_t tracks, std::uint32_t lines,
                         bool other_case, std::size_t length) {
  make_folder(root);
  const std::string folder = make_large_folder(root, 0, tracks, length);
  std::string m3u = "#EXTM3U\r\n";
  for (std::uint32_t line = 0; line < lines; ++line) {
    std::string name = large_folder_track(0, tracks, scramble(line) % tracks, length);
    for (char& c : name)
      if (other_case && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
    m3u.append(name).append("\r\nMissing Track ").append(std::to_string(line)).append(".mp3\r\n");
  }
  write_file(folder, "list.m3u", m3u);
}

std::uint32_t number_argument(const char* text) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 10);
  if (*text == '\0' || *end != '\0' || value > 10000000) {
    std::fprintf(stderr, "make_library: not a count: %s\n", text);
    std::exit(2);
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 6 || argc == 7) && std::strcmp(argv[1], "--lookup") == 0 &&
      (std::strcmp(argv[5], "exact") == 0 || std::strcmp(argv[5], "other") == 0)) {
    make_lookup_library(argv[2], number_argument(argv[3]), number_argument(argv[4]),
                        std::strcmp(argv[5], "other") == 0,
                        argc == 7 ? number_argument(argv[6]) : 0);
    return 0;
  }
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: make_library FOLDER ALBUMS TRACKS_PER_ALBUM LARGE_FOLDER_TRACKS "
                 "[LARGE_FOLDERS]\n"
                 "       make_library --lookup FOLDER TRACKS LINES exact|other [NAME_LENGTH]\n");
    return 2;
  }
  const std::string root = argv[1];
  const std::uint32_t albums = number_argument(argv[2]);
  const std::uint32_t tracks = number_argument(argv[3]);
  const std::uint32_t large_tracks = number_argument(argv[4]);
  const std::uint32_t large_folders = argc == 6 ? number_argument(argv[5]) : 1;

  make_folder(root);
  for (std::uint32_t album = 0; album < albums; ++album)
    make_album(root, album, tracks, album % 2 == 0);
  for (std::uint32_t index = 0; index < large_folders; ++index)
    make_large_folder(root, index, large_tracks);
  return 0;
}
