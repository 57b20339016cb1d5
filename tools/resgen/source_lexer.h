#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace resgen {

// The resource sources share one line syntax: blank-separated words and double-quoted
// texts; a line whose first non-blank character is '#' is a comment. Inside quotes,
// \n stands for a line break, \" for a quote and \\ for a backslash.
struct Token {
    enum class Kind { Word, Text };
    Kind kind;
    std::string value;  // a text's value with its escapes resolved, UTF-8
};

struct SourceLine {
    int number;         // 1-based line number in the file
    bool indented;      // starts with a blank: continues the line before it
    std::vector<Token> tokens;
};

// Splits a whole source file into its non-empty, non-comment lines.
// Malformed UTF-8, control characters and bad quoting throw InputError.
std::vector<SourceLine> LexSource(std::string_view source, const std::string& fileName);

// A whole number written in decimal or as 0x-prefixed hexadecimal, within [minimum, maximum].
long ParseInteger(const Token& token, long minimum, long maximum, const std::string& fileName,
                  int line, const std::string& what);

} // namespace resgen
