#pragma once
// Moving a file to the desktop's trash, the way Linux desktops share it
// (the freedesktop.org trash): a file on the home file system goes to
// $XDG_DATA_HOME/Trash (~/.local/share/Trash), made when missing; a file on
// another file system goes to the trash at the top of that file system,
// $topdir/.Trash/$UID when the administrator prepared $topdir/.Trash, or
// else $topdir/.Trash-$UID. Each trashed file sits in files/ beside an
// info/NAME.trashinfo that records where it came from and when, so that file
// managers can list and restore it. Nothing is ever made beside
// the file itself.
#include <filesystem>

namespace pixaldo {

namespace fs = std::filesystem;

// Moves the file (or directory, or link) to the trash of its file system and
// returns its new path. Throws FileError naming the file and the reason when
// it cannot be trashed; the file then stays where it was.
fs::path MoveToTrash(const fs::path& file);

// The home trash folder: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash when
// XDG_DATA_HOME is unset, empty or relative.
fs::path HomeTrash();

}  // namespace pixaldo
