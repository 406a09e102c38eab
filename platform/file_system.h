// Everything the program asks of the file system, behind one interface: a POSIX and a Win32
// implementation, and for the unit tests a wrapper that fails chosen calls; the build chooses
// which one file_system() gives.
//
// Files and folders are named by path texts relative to the working folder, with the backslash
// as the folder separator, exactly as they are printed and stored in playlists. Every call that
// can fail says so: it returns false and sets reason to the system's explanation, or to what is
// in the way. A failure is never reported as success with less.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Called for every entry a listing keeps, with the caller's context, the folder text the caller
// passed and the entry's bare name.
using EntryVisitor = void (*)(void* context, const char* folder, const char* name);

// Which entries a listing keeps. A folder is never taken for a track or a playlist, and a
// track or playlist must be a regular file (a link counts as what it points to).
enum class EntryKind { directories, files };

struct FileStatus {
  enum class Kind { missing, regular_file, folder, other } kind = Kind::missing;
  bool read_only = false;  // a regular file no one may write: the FAT read-only attribute
};

// Two names for one folder have the same volume and file; linked is true for a name that is a
// symbolic link or a junction rather than the folder's own.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool linked = false;
  bool same_folder(const FolderIdentity& other) const {
    return volume == other.volume && file == other.file;
  }
};

// A file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads size bytes into buffer, fewer only at the end of the file, and sets count to how many.
  virtual bool read(char* buffer, std::size_t size, std::size_t& count, std::string& reason) = 0;
};

// A file being written, created by create_file.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool append(std::string_view data, std::string& reason) = 0;
  // Hands everything appended to the system and closes the file. Its data is on the device once
  // a later FileSystem::sync has succeeded.
  virtual bool close(std::string& reason) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Lists the entries of a folder whose names match pattern ("*", "*.m3u" or "*.mp3"; ASCII
  // case is ignored), keeps those of the kind asked for, skips "." and "..", and calls the
  // visitor for each before fetching the next. The folder text ".\" is the working folder.
  // Names are delivered in the device's code page; a name the player could never use (one the
  // code page cannot spell, or holding characters no Windows name may hold) is skipped with a
  // warning. Returns false when the folder could not be listed, or only in part: the visitor
  // may then have been called for some of its entries.
  virtual bool enumerate_entries(void* context, const char* folder, const char* pattern,
                                 EntryKind kind, EntryVisitor visitor, std::string& reason) = 0;

  // What path names: a path the program made of names it listed, so taken exactly as it is.
  // Nothing is opened to find out. Returns false when that cannot be told (a folder on the way
  // cannot be read); a path that leads nowhere is missing.
  virtual bool status_of(const char* path, FileStatus& status, std::string& reason) = 0;

  // As status_of, for a path a user wrote (an M3U line): found as Windows finds a path it is
  // given, "." and ".." resolved, trailing dots and blanks dropped, case ignored; a reserved
  // name (CON, NUL, COM1...) is a device. Nothing is opened, so a device or a pipe can never
  // block or be read.
  virtual bool look_up(const char* path, FileStatus& status, std::string& reason) = 0;

  // Opens a regular file for reading; anything else is refused without being opened.
  virtual std::unique_ptr<ReadableFile> open_file(const char* path, std::string& reason) = 0;

  // Opens a file a user named on the command line, in the platform's own spelling (UTF-8 on
  // Windows): a regular file or a pipe, or standard input for "-". A device or a folder is
  // refused, a device without being opened where its name tells.
  virtual std::unique_ptr<ReadableFile> open_given_file(const char* path, std::string& reason) = 0;

  // The absolute form of a path a user gave, in the same spelling: it names the same file once
  // the working folder changes.
  virtual std::string absolute_path(const char* path) = 0;

  // Creates a file for writing, first removing a stale file of that name whatever its
  // attributes (a link or a pipe left there is never written through). The file is temporary:
  // should the program be interrupted (SIGINT, SIGTERM, SIGHUP; Ctrl-C or a closed console
  // window on Windows) before replace_file or remove_file has dealt with it, it is removed.
  virtual std::unique_ptr<WritableFile> create_file(const char* path, std::string& reason) = 0;

  // Makes the data of every file closed so far, and every replace_file so far, durable: on the
  // device, safe from a power cut or an unplugged player.
  virtual bool sync(std::string& reason) = 0;

  // Puts source in the place of target in one step, replacing target if it exists.
  virtual bool replace_file(const char* source, const char* target, std::string& reason) = 0;

  virtual bool remove_file(const char* path, std::string& reason) = 0;

  virtual bool identify_folder(const char* path, FolderIdentity& identity, std::string& reason) = 0;

  // Makes path the working folder. Like open_given_file, path is as the user gave it.
  virtual bool change_working_folder(const char* path, std::string& reason) = 0;

  // The working folder's full path, for messages.
  virtual std::string working_folder_shown() = 0;
};

// The file system the program works on.
FileSystem& file_system();

// The platform's own file system, which file_system() gives in the programs.
FileSystem& native_file_system();
