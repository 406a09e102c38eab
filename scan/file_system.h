// Everything the program asks of the file system. One implementation per platform: the Win32
// one uses the system's "A" functions directly; the POSIX one gives the same answers on Linux.
//
// Files and folders are named by path texts relative to the working folder, with the backslash
// as the folder separator, exactly as they are printed and stored in playlists.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Called for every entry a listing keeps, with the caller's context, the folder text the caller
// passed and the entry's bare name.
using EntryVisitor = void (*)(void* context, const char* folder, const char* name);

// Attribute masks for enumerate_entries: an entry is kept when it has one of the mask's bits.
inline constexpr std::uint32_t kAnyEntry = 0;
inline constexpr std::uint32_t kDirectoryAttribute = 0x10;

// Lists the entries of a folder whose names match pattern ("*", "*.m3u" or "*.mp3"; ASCII case
// is ignored), keeps those that pass the attribute mask, skips "." and "..", and calls the
// visitor for each before fetching the next. The folder text ".\" is the working folder. A
// folder that cannot be listed yields no entries.
void enumerate_entries(void* context, const char* folder, const char* pattern, std::uint32_t mask,
                       EntryVisitor visitor);

// Opens a file for binary writing, replacing any file of that name. On failure returns null and
// sets reason to the system's explanation.
std::FILE* create_file(const char* path, std::string& reason);

// Puts source in the place of target in one step, replacing target if it exists.
bool replace_file(const char* source, const char* target, std::string& reason);

void remove_file(const char* path);
