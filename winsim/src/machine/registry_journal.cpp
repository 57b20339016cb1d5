#include "machine/registry_journal.h"

#include <cstdlib>

namespace winsim {
namespace {

// Fields are separated by tabs and the line ends in '\n', so those two, the
// escape character and '\r' are written as %XX inside names.
void PutField(const std::string& text, std::string& out) {
    static const char hex[] = "0123456789ABCDEF";
    out += '\t';
    for (char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            out += '%';
            out += hex[static_cast<unsigned char>(c) >> 4];
            out += hex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& field, std::string& out) {
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        int high = i + 1 < field.size() ? HexDigit(field[i + 1]) : -1;
        int low = i + 2 < field.size() ? HexDigit(field[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return true;
}

std::string HexBytes(const std::vector<BYTE>& data) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(data.size() * 2);
    for (BYTE b : data) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>& data) {
    if (text.size() % 2) return false;
    data.clear();
    data.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        data.push_back(static_cast<BYTE>(high << 4 | low));
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

RegKey& CreatePath(RegKey& root, const std::vector<std::string>& names) {
    RegKey* key = &root;
    for (const std::string& name : names) {
        std::unique_ptr<RegKey>& sub = key->subkeys[name];
        if (!sub) sub = std::make_unique<RegKey>();
        key = sub.get();
    }
    return *key;
}

RegKey* FindPath(RegKey& root, const std::vector<std::string>& names, size_t count) {
    RegKey* key = &root;
    for (size_t i = 0; key && i < count; ++i) key = key->Find(names[i]);
    return key;
}

}  // namespace

// K <names>; V <type> <hex data> <value name> <names>; X <value name> <names>; D <names>
std::string FormatChange(const RegChange& change) {
    std::string line(1, static_cast<char>(change.kind));
    if (change.kind == RegChange::kSetValue) {
        line += '\t' + std::to_string(change.value.type) + '\t' + HexBytes(change.value.data);
    }
    if (change.kind == RegChange::kSetValue || change.kind == RegChange::kDeleteValue) PutField(change.value.name, line);
    for (const std::string& name : change.names) PutField(name, line);
    return line + '\n';
}

bool ParseChange(const std::string& line, RegChange& change) {
    std::vector<std::string> fields = SplitTabs(line);
    if (fields[0].size() != 1) return false;
    change = RegChange{};
    change.kind = static_cast<RegChange::Kind>(fields[0][0]);
    size_t next = 1;
    switch (change.kind) {
    case RegChange::kSetValue: {
        if (fields.size() < 4) return false;
        char* end = nullptr;
        unsigned long type = std::strtoul(fields[1].c_str(), &end, 10);
        if (fields[1].empty() || *end) return false;
        change.value.type = static_cast<DWORD>(type);
        if (!ParseHexBytes(fields[2], change.value.data)) return false;
        next = 3;
    }
        [[fallthrough]];
    case RegChange::kDeleteValue:
        if (fields.size() <= next || !Unescape(fields[next], change.value.name)) return false;
        ++next;
        break;
    case RegChange::kCreateKey:
    case RegChange::kDeleteKey:
        break;
    default:
        return false;
    }
    for (; next < fields.size(); ++next) {
        std::string name;
        if (!Unescape(fields[next], name) || name.empty()) return false;
        change.names.push_back(name);
    }
    return change.kind != RegChange::kDeleteKey || !change.names.empty();
}

void ApplyChange(const RegChange& change, RegKey& root) {
    switch (change.kind) {
    case RegChange::kCreateKey:
        CreatePath(root, change.names);
        break;
    case RegChange::kSetValue: {
        RegKey& key = CreatePath(root, change.names);
        if (RegValue* old = key.FindValue(change.value.name)) {
            old->type = change.value.type;
            old->data = change.value.data;
        } else {
            key.values.push_back(change.value);
        }
        break;
    }
    case RegChange::kDeleteValue:
        if (RegKey* key = FindPath(root, change.names, change.names.size())) {
            for (size_t i = 0; i < key->values.size(); ++i) {
                if (EqualNoCase(key->values[i].name, change.value.name)) {
                    key->values.erase(key->values.begin() + static_cast<long>(i));
                    break;
                }
            }
        }
        break;
    case RegChange::kDeleteKey:
        if (RegKey* parent = FindPath(root, change.names, change.names.size() - 1))
            parent->subkeys.erase(change.names.back());
        break;
    }
}

size_t ApplyJournal(const std::string& text, size_t offset, RegKey& root) {
    while (offset < text.size()) {
        size_t end = text.find('\n', offset);
        if (end == std::string::npos) break;  // the torn last line of a killed writer
        RegChange change;
        if (!ParseChange(text.substr(offset, end - offset), change)) break;
        ApplyChange(change, root);
        offset = end + 1;
    }
    return offset;
}

}  // namespace winsim
