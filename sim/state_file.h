#pragma once

// Where the simulator keeps its state files, and how it replaces one: the parts of
// the state files that differ between POSIX (state_file_posix.cpp) and Windows
// (state_file_win32.cpp).

#include <string>

namespace kovra_sim {

// The user's own folder for the state of the default rack: on POSIX
// $XDG_STATE_HOME/kovra_ox9162_sim, or ~/.local/state/kovra_ox9162_sim; on Windows
// %LOCALAPPDATA%\kovra_ox9162_sim. Empty when the environment names no such folder.
std::string DefaultStateDirectory();

// Makes `directory`/`fileName` hold exactly `text`: the text goes to a temporary file
// in the same directory, is flushed to the disk, and the temporary file replaces the
// old one in one step, so that a crash at any point leaves either the old file or
// the new one, never a torn one. On failure `error` names the step and the system's
// reason, and no temporary file is left behind.
bool ReplaceFileAtomically(const std::string& directory, const std::string& fileName,
                           const std::string& text, std::string& error);

} // namespace kovra_sim
