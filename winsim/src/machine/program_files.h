// Host programs that stand for the programs of a machine: what `winsim run`
// and CreateProcessA start.
#ifndef WINSIM_PROGRAM_FILES_H
#define WINSIM_PROGRAM_FILES_H

#include <string>

namespace winsim {

// A host program: an ELF image or a script. The execute bit is not asked
// for here: files a program wrote inside a machine (an installed
// uninstaller) have none, and on Windows every program file can be started.
bool IsProgram(const std::string& hostPath);

// Gives a program file the host's execute bit when it lacks one (files a
// program wrote with CreateFileA carry none); false with errno set.
bool MakeStartable(const std::string& hostPath);

}  // namespace winsim

#endif
