// 8.3 aliases of long file names, as the FAT and NTFS file systems generate
// them ("Documents and Settings" -> "DOCUME~1").
#ifndef WINSIM_SHORTNAMES_H
#define WINSIM_SHORTNAMES_H

#include <map>
#include <string>
#include <vector>

namespace winsim {

// True when `name` is a valid 8.3 name as it stands (ignoring case).
bool IsShortName(const std::string& name);

// The alias of every name in one directory. Names that are valid 8.3 names
// map to themselves in upper case; long names get BASE~N.EXT, numbered in
// case-insensitive name order within each BASE.EXT group, skipping numbers
// whose alias another entry already owns.
std::map<std::string, std::string> ShortNamesOf(const std::vector<std::string>& names);

}  // namespace winsim

#endif
