// How arq talks to its user: failures name the file, the operation and the
// codec's result code; long work shows its progress.
#pragma once

#include <cstdint>
#include <string>

#include "cx.h"

// A name as it may reach a terminal: control characters (escape sequences
// among them) and bytes above 0x7E, which a terminal may take for control
// characters of another code set, are written as \xHH.
std::string printableName(const std::string &name);

// Prints "arq: FILE: OPERATION failed (codec result N: meaning)" and returns 1.
int reportFailure(const std::string &file, const char *operation, int result);

// A short description of a codec result code.
const char *describeResult(int result);

// The event callback arq installs: prints progress and remembers the first
// failure that an operation reports through it.
int32_t arqEvents(CxEntry *entry, int32_t code, int32_t lVal);

struct EventFailure {
    int code = 0;            // 0 when nothing failed
    std::string name;        // entry or output path it concerned
};
EventFailure &lastEventFailure();
void resetEventFailure();
