// The programs work on the platform's own file system.
#include "platform/file_system.h"

FileSystem& file_system() { return native_file_system(); }
