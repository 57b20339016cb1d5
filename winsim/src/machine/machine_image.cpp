#include "machine/machine_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "kernel32/files/file_object.h"
#include "machine/registry_store.h"
#include "winsim/machine.h"

namespace winsim {
namespace {

namespace fs = std::filesystem;

const char kHeader[] = "winsim snapshot 1";

bool HashFile(const std::string& path, uint64_t& hash) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    hash = 0xcbf29ce484222325ull;
    unsigned char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i) hash = (hash ^ buffer[i]) * 0x100000001b3ull;
    close(fd);
    return n == 0;
}

bool CaptureDrive(const fs::path& root, char letter, MachineImage& image, std::string& error) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end; it != end && !ec;
         it.increment(ec)) {
        std::string relative = fs::relative(it->path(), root, ec).string();
        std::string windows = std::string(1, letter) + ":\\" + relative;
        for (char& c : windows)
            if (c == '/') c = '\\';
        struct stat st;
        if (lstat(it->path().c_str(), &st) != 0) continue;  // vanished while we looked
        FileFacts facts;
        facts.folder = S_ISDIR(st.st_mode);
        facts.attributes = AttributesOf(it->path().string());
        if (!facts.folder) {
            facts.size = static_cast<uint64_t>(st.st_size);
            facts.writtenNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
            if (!HashFile(it->path().string(), facts.hash)) {
                error = "cannot read " + it->path().string();
                return false;
            }
        }
        image.files[windows] = facts;
    }
    if (ec) {
        error = "cannot list " + root.string() + ": " + ec.message();
        return false;
    }
    return true;
}

void CaptureKey(const RegKey& key, const std::string& path, MachineImage& image) {
    KeyValues& values = image.keys[path];
    for (const RegValue& v : key.values) values[v.name] = ValueFacts{v.type, v.data};
    for (const auto& [name, sub] : key.subkeys) CaptureKey(*sub, path + "\\" + name, image);
}

std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return false;
        out += static_cast<char>(std::strtoul(text.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.push_back("");
    return fields;
}

bool ParseNumber(const std::string& text, int base, unsigned long long& value) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, base);
    return *end == '\0' && errno == 0;
}

}  // namespace

bool CaptureMachine(const std::string& machineDir, MachineImage& image, std::string& error) {
    image = MachineImage{};
    std::error_code ec;
    if (!fs::exists(fs::path(machineDir) / "machine.ini", ec)) {
        error = machineDir + " is not a machine directory (no machine.ini)";
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(machineDir, ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0])) || !entry.is_directory(ec)) continue;
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        image.files[std::string(1, letter) + ":\\"] = FileFacts{true, 0, 0, 0, FILE_ATTRIBUTE_DIRECTORY};
        if (!CaptureDrive(entry.path(), letter, image, error)) return false;
    }
    for (int h = 0; h < kHiveCount; ++h) {
        Hive hive = static_cast<Hive>(h);
        std::string text;
        RegKey root;
        if (!ExportRegistry(machineDir, HiveName(hive), text, error) || !ParseRegedit(text, hive, root, error)) {
            error = "cannot read the registry of " + machineDir + ": " + error;
            return false;
        }
        CaptureKey(root, HiveName(hive), image);
    }
    return true;
}

std::string WriteSnapshot(const MachineImage& image) {
    std::ostringstream out;
    out << kHeader << "\n";
    char number[64];
    for (const auto& [path, f] : image.files) {
        if (f.folder) {
            out << "D\t" << Escape(path) << "\n";
            continue;
        }
        std::snprintf(number, sizeof number, "%016llx", static_cast<unsigned long long>(f.hash));
        out << "F\t" << Escape(path) << "\t" << f.size << "\t" << f.writtenNs << "\t" << number << "\t" << std::hex
            << f.attributes << std::dec << "\n";
    }
    for (const auto& [key, values] : image.keys) {
        out << "K\t" << Escape(key) << "\n";
        for (const auto& [name, v] : values) {
            out << "V\t" << Escape(key) << "\t" << Escape(name) << "\t" << v.type << "\t";
            for (BYTE b : v.data) {
                std::snprintf(number, sizeof number, "%02x", b);
                out << number;
            }
            out << "\n";
        }
    }
    return out.str();
}

bool ReadSnapshot(const std::string& text, MachineImage& image, std::string& error) {
    image = MachineImage{};
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        error = "not a winsim snapshot (the first line is not \"" + std::string(kHeader) + "\")";
        return false;
    }
    for (int number = 2; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        std::vector<std::string> f = SplitTabs(line);
        auto fail = [&](const std::string& why) {
            error = "snapshot line " + std::to_string(number) + ": " + why;
            return false;
        };
        std::string path, name;
        if (f.size() < 2 || !Unescape(f[1], path)) return fail("no name");
        if (f[0] == "D" && f.size() == 2) {
            image.files[path] = FileFacts{true, 0, 0, 0, FILE_ATTRIBUTE_DIRECTORY};
        } else if (f[0] == "F" && f.size() == 6) {
            unsigned long long size, hash, attributes;
            long long written;
            char* end = nullptr;
            written = std::strtoll(f[3].c_str(), &end, 10);
            if (!ParseNumber(f[2], 10, size) || f[3].empty() || *end || !ParseNumber(f[4], 16, hash) ||
                !ParseNumber(f[5], 16, attributes))
                return fail("a file record needs size, time, hash and attributes");
            image.files[path] = FileFacts{false, size, written, hash, static_cast<DWORD>(attributes)};
        } else if (f[0] == "K" && f.size() == 2) {
            image.keys[path];
        } else if (f[0] == "V" && f.size() == 5 && Unescape(f[2], name)) {
            unsigned long long type;
            if (!ParseNumber(f[3], 10, type) || type > 0xFFFFFFFFull || f[4].size() % 2)
                return fail("a value record needs a type and hex data");
            ValueFacts v;
            v.type = static_cast<DWORD>(type);
            for (size_t i = 0; i < f[4].size(); i += 2) {
                unsigned long long byte;
                if (!ParseNumber(f[4].substr(i, 2), 16, byte)) return fail("bad hex data");
                v.data.push_back(static_cast<BYTE>(byte));
            }
            image.keys[path][name] = v;
        } else {
            return fail("unknown record");
        }
    }
    return true;
}

}  // namespace winsim
