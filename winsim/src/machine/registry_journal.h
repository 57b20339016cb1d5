// The changes made to a hive since its file was last written: one line per
// registry call, appended to "<hive>.log" beside the hive file. Appending a
// line costs the same however large the hive is, so a script of many keys
// runs in linear time; the hive file itself is still only ever replaced
// whole (temporary file, then rename) when the journal is folded into it.
//
// A process killed inside its append leaves at most one incomplete last
// line, which readers ignore and the next writer cuts off; every line that
// is complete was written before the call that made it returned.
#ifndef WINSIM_REGISTRY_JOURNAL_H
#define WINSIM_REGISTRY_JOURNAL_H

#include <string>
#include <vector>

#include "machine/registry_store.h"

namespace winsim {

struct RegChange {
    enum Kind : char { kCreateKey = 'K', kSetValue = 'V', kDeleteValue = 'X', kDeleteKey = 'D' };
    Kind kind = kCreateKey;
    std::vector<std::string> names;  // the key's path below the hive's root
    RegValue value;                  // kSetValue: the value; kDeleteValue: only its name
};

// One journal line, ending in '\n'.
std::string FormatChange(const RegChange& change);

// Parses one line (without its '\n'); false when it is not a change.
bool ParseChange(const std::string& line, RegChange& change);

// Makes `root` show the change. Applying a journal a second time over the
// state it produced changes nothing, so a hive that was written out before
// its journal could be removed reads back the same.
void ApplyChange(const RegChange& change, RegKey& root);

// Applies the complete, well-formed lines of `text` from `offset` on and
// returns the offset just past the last one applied.
size_t ApplyJournal(const std::string& text, size_t offset, RegKey& root);

}  // namespace winsim

#endif
