// The benchmark's yardstick: the least system work a playlist run over a music folder needs on
// Linux, to measure eplgen against. It lists the music folder and each subfolder once, reads each
// subfolder's M3U and stats each track it names, and writes each playlist to a temporary file that
// it renames into place, printing a line per folder and per track. It converts no name, sorts no
// listing, checks nothing and keeps nothing safe: a lower bound, not a program to use.
//
//   g++ -O2 -std=c++20 -o floor floor.cpp && (cd LIBRARY && ./floor >/dev/null)
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kEntrySize = 716;
constexpr std::size_t kPathOffset = 324;

void add_entry(std::string& playlist, const std::string& relative_path) {
  std::size_t start = playlist.size();
  playlist.resize(start + kEntrySize, '\0');
  char* entry = playlist.data() + start;
  const unsigned char header[] = {0xBE, 0xBA, 0x02, 0x00, 0x01};
  std::memcpy(entry, header, sizeof header);
  std::snprintf(entry + kPathOffset, kEntrySize - kPathOffset, "a:\\Music\\%s",
                relative_path.c_str());
}

void write_playlist(const std::string& folder, const std::string& playlist) {
  std::string temporary = folder + "/Default Playlist.epl.tmp";
  int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0 || write(file, playlist.data(), playlist.size()) < 0) std::perror("floor");
  close(file);
  std::rename(temporary.c_str(), (folder + "/Default Playlist.epl").c_str());
}

bool has_extension(const char* name, const char* extension) {
  std::size_t length = std::strlen(name);
  return length > 4 && strcasecmp(name + length - 4, extension) == 0;
}

}  // namespace

int main() {
  std::vector<std::string> folders;
  DIR* music = opendir(".");
  while (dirent* entry = readdir(music))
    if (entry->d_type == DT_DIR && std::strcmp(entry->d_name, ".") != 0 &&
        std::strcmp(entry->d_name, "..") != 0)
      folders.emplace_back(entry->d_name);
  closedir(music);

  std::string playlist;
  for (const std::string& folder : folders) {
    std::printf("Adding directory %s\n", folder.c_str());
    add_entry(playlist, folder);
  }
  write_playlist(".", playlist);

  for (const std::string& folder : folders) {
    std::printf("Browsing directory %s\n", folder.c_str());
    playlist.clear();
    std::string m3u;
    std::vector<std::string> tracks;
    DIR* listing = opendir(folder.c_str());
    while (dirent* entry = readdir(listing)) {
      if (has_extension(entry->d_name, ".m3u")) m3u = entry->d_name;
      if (has_extension(entry->d_name, ".mp3")) tracks.push_back(folder + "\\" + entry->d_name);
    }
    closedir(listing);
    if (m3u.empty()) {
      std::sort(tracks.begin(), tracks.end());
      for (const std::string& track : tracks) {
        std::printf("\tAdding MP3 file %s\n", track.c_str());
        add_entry(playlist, track);
      }
    } else if (std::FILE* lines = std::fopen((folder + "/").append(m3u).c_str(), "rb")) {
      char line[264];
      while (std::fgets(line, 260, lines) != nullptr) {
        std::size_t length = std::strcspn(line, "\r\n");
        line[length] = '\0';
        struct stat status;
        if (line[0] == '#' || length < 4 || stat((folder + "/" + line).c_str(), &status) != 0 ||
            !S_ISREG(status.st_mode))
          continue;
        std::printf("\tAdding %s\\%s\n", folder.c_str(), line);
        add_entry(playlist, folder + "\\" + line);
      }
      std::fclose(lines);
    }
    write_playlist(folder, playlist);
  }
  return 0;
}
