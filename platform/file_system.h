// Everything the program asks of the file system. One implementation per platform: the Win32
// one uses the system's "A" functions directly; the POSIX one gives the same answers on Linux.
//
// Files and folders are named by path texts relative to the working folder, with the backslash
// as the folder separator, exactly as they are printed and stored in playlists.
#pragma once

#include <cstdio>
#include <string>

// Called for every entry a listing keeps, with the caller's context, the folder text the caller
// passed and the entry's bare name.
using EntryVisitor = void (*)(void* context, const char* folder, const char* name);

// Which entries a listing keeps. A folder is never taken for a track or a playlist, and a
// track or playlist must be a regular file (a link counts as what it points to).
enum class EntryKind { directories, files };

// Lists the entries of a folder whose names match pattern ("*", "*.m3u" or "*.mp3"; ASCII case
// is ignored), keeps those of the kind asked for, skips "." and "..", and calls the visitor for
// each before fetching the next. The folder text ".\" is the working folder. A folder that
// cannot be listed yields no entries. Names are delivered in the device's code page; a name the
// player could never use (one the code page cannot spell, or holding characters no Windows name
// may hold) is skipped with a warning.
void enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                       EntryVisitor visitor);

// True when path names a regular file. Nothing is opened to find out, so a path naming a
// device or a pipe can never block or be read.
bool is_regular_file(const char* path);

// Opens a regular file for binary reading. Anything else is refused without being opened: null
// is returned and reason set to the explanation.
std::FILE* open_regular_file(const char* path, std::string& reason);

// Opens a file for binary writing, replacing any file of that name. On failure returns null and
// sets reason to the system's explanation.
std::FILE* create_file(const char* path, std::string& reason);

// Puts source in the place of target in one step, replacing target if it exists.
bool replace_file(const char* source, const char* target, std::string& reason);

void remove_file(const char* path);

// Makes path the working folder. Unlike the functions above, path is as the user gave it, in
// the platform's own spelling. On failure sets reason to the system's explanation.
bool change_working_folder(const char* path, std::string& reason);
