// Paths and errors as Windows has them, for the Win32 device and the process around it.
#pragma once

#include <windows.h>

#include <string>

// The system's explanation of an error, in UTF-8.
std::string system_reason(DWORD error);

// The working folder, in UTF-16.
std::wstring current_folder();

// A path resolved as Windows resolves any path it is given: "." and "..", trailing dots and
// blanks. A reserved name (CON, nul.mp3 up to Windows 10) comes back as \\.\NAME.
bool full_path_of(const std::wstring& path, std::wstring& full, DWORD& error);

// The path with \\?\ before its absolute form. "." and ".." parts are resolved as text, the
// working folder's and the ones a caller climbs with; nothing else is changed, for a name the
// program listed is exactly what the file system holds: neither MAX_PATH nor a name ending in a
// dot or a blank gets in the way.
std::wstring long_path(std::wstring path);
