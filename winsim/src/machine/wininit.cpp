#include "machine/wininit.h"

#include <sstream>

#include "shared/text.h"

namespace winsim {
namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

}  // namespace

std::vector<WininitRename> ParseWininit(const std::string& text, std::vector<std::string>& problems) {
    std::vector<WininitRename> renames;
    std::istringstream in(text);
    std::string line;
    bool inRename = false;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            size_t close = trimmed.find(']');
            inRename = close != std::string::npos && EqualNoCase(Trim(trimmed.substr(1, close - 1)), "RENAME");
            continue;
        }
        if (!inRename) continue;
        size_t eq = trimmed.find('=');
        WininitRename r;
        r.line = number;
        if (eq != std::string::npos) {
            r.destination = Trim(trimmed.substr(0, eq));
            r.source = Trim(trimmed.substr(eq + 1));
        }
        if (eq == std::string::npos || r.destination.empty() || r.source.empty()) {
            problems.push_back("line " + std::to_string(number) + " is not DEST=SOURCE: " + trimmed);
            continue;
        }
        if (EqualNoCase(r.destination, "NUL")) r.destination.clear();
        renames.push_back(r);
    }
    return renames;
}

}  // namespace winsim
