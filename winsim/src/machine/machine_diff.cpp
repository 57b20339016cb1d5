// `winsim snapshot` and `winsim diff`: what a run changed on a machine, as
// a listing a person reads.
#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "machine/machine_image.h"
#include "winsim/machine_tools.h"

namespace winsim {
namespace {

bool Load(const std::string& place, MachineImage& image, std::string& error) {
    struct stat st;
    if (stat(place.c_str(), &st) != 0) {
        error = "no machine directory or snapshot file " + place;
        return false;
    }
    if (S_ISDIR(st.st_mode)) return CaptureMachine(place, image, error);
    std::ifstream in(place, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!ReadSnapshot(text.str(), image, error)) {
        error = place + ": " + error;
        return false;
    }
    return true;
}

std::string Time(int64_t ns) {
    time_t seconds = static_cast<time_t>(ns / 1000000000);
    struct tm t;
    gmtime_r(&seconds, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t);
    return text;
}

std::string Attributes(DWORD a) {
    static const struct {
        DWORD bit;
        const char* name;
    } names[] = {{FILE_ATTRIBUTE_READONLY, "read-only"}, {FILE_ATTRIBUTE_HIDDEN, "hidden"},
                 {FILE_ATTRIBUTE_SYSTEM, "system"},     {FILE_ATTRIBUTE_ARCHIVE, "archive"},
                 {FILE_ATTRIBUTE_TEMPORARY, "temporary"}};
    std::string out;
    for (const auto& n : names)
        if (a & n.bit) out += (out.empty() ? "" : "+") + std::string(n.name);
    return out.empty() ? "normal" : out;
}

std::string Describe(const FileFacts& f) {
    return std::to_string(f.size) + " bytes, written " + Time(f.writtenNs) + ", " + Attributes(f.attributes);
}

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A value as REGEDIT would show it, but with strings spelled out: a
// multi-string shows every string, empty ones included, which is what
// matters for PendingFileRenameOperations.
std::string Show(const ValueFacts& v) {
    char text[32];
    auto asString = [&](size_t end) { return std::string(v.data.begin(), v.data.begin() + static_cast<long>(end)); };
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.data.empty() && v.data.back() == 0) {
        std::string s = asString(v.data.size() - 1);
        if (s.find('\0') == std::string::npos) return (v.type == REG_EXPAND_SZ ? "expand_sz:" : "") + Quoted(s);
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<DWORD>(v.data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", d);
        return text;
    }
    if (v.type == REG_MULTI_SZ && v.data.size() >= 2 && v.data.back() == 0 && v.data[v.data.size() - 2] == 0) {
        // Every string ends with its NUL, and one more NUL ends the list.
        std::string all = asString(v.data.size() - 1), out = "multi_sz:";
        size_t start = 0;
        for (size_t nul = all.find('\0'); nul != std::string::npos; nul = all.find('\0', start)) {
            out += (start ? "," : "") + Quoted(all.substr(start, nul - start));
            start = nul + 1;
        }
        return out;
    }
    std::string out;
    if (v.type == REG_BINARY) {
        out = "hex:";
    } else {
        std::snprintf(text, sizeof text, "hex(%x):", v.type);
        out = text;
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
        std::snprintf(text, sizeof text, i ? ",%02x" : "%02x", v.data[i]);
        out += text;
    }
    return out;
}

std::string ValueName(const std::string& name) { return name.empty() ? "@" : Quoted(name); }

void DiffFiles(const MachineImage& a, const MachineImage& b, std::vector<std::string>& lines) {
    std::set<std::string, LessNoCase> paths;
    for (const auto& [path, f] : a.files) paths.insert(path);
    for (const auto& [path, f] : b.files) paths.insert(path);
    for (const std::string& path : paths) {
        auto before = a.files.find(path), after = b.files.find(path);
        bool had = before != a.files.end(), has = after != b.files.end();
        if (had && has && before->second.folder == after->second.folder) {
            const FileFacts &x = before->second, &y = after->second;
            if (x.folder) continue;
            std::vector<std::string> changes;
            if (x.size != y.size) changes.push_back("size " + std::to_string(x.size) + " -> " + std::to_string(y.size));
            if (x.writtenNs != y.writtenNs) changes.push_back("written " + Time(x.writtenNs) + " -> " + Time(y.writtenNs));
            if (x.hash != y.hash) changes.push_back("contents changed");
            if (x.attributes != y.attributes)
                changes.push_back("attributes " + Attributes(x.attributes) + " -> " + Attributes(y.attributes));
            if (changes.empty()) continue;
            std::string line = "  ~ " + path + ": ";
            for (size_t i = 0; i < changes.size(); ++i) line += (i ? ", " : "") + changes[i];
            lines.push_back(line);
            continue;
        }
        if (had) {
            const FileFacts& x = before->second;
            lines.push_back("  - " + path + (x.folder ? "\\" : " (" + Describe(x) + ")"));
        }
        if (has) {
            const FileFacts& y = after->second;
            lines.push_back("  + " + path + (y.folder ? "\\" : " (" + Describe(y) + ")"));
        }
    }
}

void DiffRegistry(const MachineImage& a, const MachineImage& b, std::vector<std::string>& lines) {
    std::set<std::string, LessNoCase> keys;
    for (const auto& [key, v] : a.keys) keys.insert(key);
    for (const auto& [key, v] : b.keys) keys.insert(key);
    static const KeyValues none;
    for (const std::string& key : keys) {
        auto before = a.keys.find(key), after = b.keys.find(key);
        bool had = before != a.keys.end(), has = after != b.keys.end();
        const KeyValues& x = had ? before->second : none;
        const KeyValues& y = has ? after->second : none;
        std::vector<std::string> changes;
        std::set<std::string, LessNoCase> names;
        for (const auto& [name, v] : x) names.insert(name);
        for (const auto& [name, v] : y) names.insert(name);
        for (const std::string& name : names) {
            auto old = x.find(name), now = y.find(name);
            if (old != x.end() && now != y.end()) {
                if (!(old->second == now->second))
                    changes.push_back("      ~ " + ValueName(name) + " = " + Show(old->second) + " -> " + Show(now->second));
            } else if (old != x.end()) {
                changes.push_back("      - " + ValueName(name) + " = " + Show(old->second));
            } else {
                changes.push_back("      + " + ValueName(name) + " = " + Show(now->second));
            }
        }
        if (had && has && changes.empty()) continue;
        lines.push_back(std::string("  ") + (!had ? "+" : !has ? "-" : "~") + " [" + key + "]");
        lines.insert(lines.end(), changes.begin(), changes.end());
    }
}

}  // namespace

bool SaveSnapshot(const std::string& machineDir, const std::string& snapshot, std::string& error) {
    MachineImage image;
    if (!CaptureMachine(machineDir, image, error)) return false;
    std::ofstream out(snapshot, std::ios::binary | std::ios::trunc);
    out << WriteSnapshot(image);
    if (!out) {
        error = "cannot write " + snapshot;
        return false;
    }
    return true;
}

bool DiffMachines(const std::string& before, const std::string& after, std::string& listing, std::string& error) {
    MachineImage a, b;
    if (!Load(before, a, error) || !Load(after, b, error)) return false;
    std::vector<std::string> files, registry;
    DiffFiles(a, b, files);
    DiffRegistry(a, b, registry);
    listing.clear();
    if (files.empty() && registry.empty()) {
        listing = "no changes\n";
        return true;
    }
    if (!files.empty()) listing += "files:\n";
    for (const std::string& line : files) listing += line + "\n";
    if (!registry.empty()) listing += "registry:\n";
    for (const std::string& line : registry) listing += line + "\n";
    return true;
}

}  // namespace winsim
