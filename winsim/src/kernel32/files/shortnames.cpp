#include "kernel32/files/shortnames.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "shared/text.h"

namespace winsim {
namespace {

bool IsShortChar(unsigned char c) {
    if (std::isalnum(c) || c >= 0x80) return true;
    return std::string("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) != std::string::npos;
}

// Characters that may not appear in an alias become '_'; blanks and dots go.
std::string AliasPart(const std::string& part, size_t limit) {
    std::string out;
    for (unsigned char c : part) {
        if (c == ' ' || c == '.') continue;
        out += IsShortChar(c) ? static_cast<char>(std::toupper(c)) : '_';
        if (out.size() == limit) break;
    }
    return out;
}

}  // namespace

bool IsShortName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return !name.empty();
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (ext.find('.') != std::string::npos) return false;
    for (unsigned char c : base + ext)
        if (!IsShortChar(c)) return false;
    return true;
}

std::map<std::string, std::string> ShortNamesOf(const std::vector<std::string>& names) {
    std::map<std::string, std::string> aliases;
    std::set<std::string> taken;
    std::vector<std::string> longNames;
    for (const std::string& name : names) {
        if (IsShortName(name)) {
            aliases[name] = Upper(name);
            taken.insert(Upper(name));
        } else {
            longNames.push_back(name);
        }
    }
    std::sort(longNames.begin(), longNames.end(),
              [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
    for (const std::string& name : longNames) {
        size_t dot = name.rfind('.');
        std::string base = AliasPart(name.substr(0, dot == 0 ? std::string::npos : dot), 8);
        std::string ext = (dot == std::string::npos || dot == 0) ? "" : AliasPart(name.substr(dot + 1), 3);
        if (base.empty()) base = "_";
        for (int n = 1;; ++n) {
            std::string tail = "~" + std::to_string(n);
            std::string alias = base.substr(0, std::min(base.size(), 8 - tail.size())) + tail;
            if (!ext.empty()) alias += "." + ext;
            if (taken.insert(alias).second) {
                aliases[name] = alias;
                break;
            }
        }
    }
    return aliases;
}

}  // namespace winsim
