// The program's run: the playlist of folders of the working folder, then the folder pass.
#pragma once

// Lists the working folder's subfolders into its playlist, gives every subfolder its own
// playlist, and returns the exit status: 0 when every playlist was written, 1 otherwise, 2 when
// the arguments are wrong.
int real_main(int argc, char** argv);

// Visitor of the top-level listing: context is the top-level PlaylistStream.
void add_folder_entry(void* context, const char* folder, const char* name);
