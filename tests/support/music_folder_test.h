// A test that runs eplgen in a music folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/library.h"
#include "tests/support/run_program.h"
#include "tests/support/temporary_folder.h"

class MusicFolderTest : public ::testing::Test {
 protected:
  RunResult run(std::vector<std::string> arguments = {}) {
    return run_eplgen({.working_folder = music, .arguments = std::move(arguments)});
  }
  // The playlist eplgen wrote in a folder of the music folder ("." for its own).
  std::string playlist(const std::string& folder) {
    return read_bytes(music / folder / "Default Playlist.epl");
  }
  TemporaryFolder root;
  // Named as the player names it, so that the run has no doubt to note.
  std::filesystem::path music = music_folder_in(root.path());
};
