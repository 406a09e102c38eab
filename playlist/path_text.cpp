#include "playlist/path_text.h"

bool join_path(std::string& joined, std::string_view folder, std::string_view name) {
  if (folder.size() + 1 + name.size() > kMaxPathText) return false;
  joined.assign(folder);
  joined += '\\';
  joined += name;
  return true;
}
