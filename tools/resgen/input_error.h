#pragma once

#include <stdexcept>
#include <string>

namespace resgen {

// A fault in the resource sources. The message names the file and line, so that the
// person editing a string table or the dialog sees at once what to fix.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void FailAt(const std::string& file, int line, const std::string& message)
{
    throw InputError(file + ":" + std::to_string(line) + ": " + message);
}

[[noreturn]] inline void FailIn(const std::string& file, const std::string& message)
{
    throw InputError(file + ": " + message);
}

} // namespace resgen
