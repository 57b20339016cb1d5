#include "string_table.h"

#include <algorithm>
#include <map>

#include "input_error.h"
#include "source_lexer.h"
#include "utf8.h"

namespace resgen {

const StringEntry* StringTable::Find(std::uint16_t id) const
{
    const auto it = std::lower_bound(entries.begin(), entries.end(), id,
                                     [](const StringEntry& e, std::uint16_t key) { return e.id < key; });
    return it != entries.end() && it->id == id ? &*it : nullptr;
}

StringTable ParseStringTable(std::string_view source, const std::string& fileName)
{
    StringTable table;
    table.file = fileName;
    const std::vector<SourceLine> lines = LexSource(source, fileName);
    if (lines.empty() || lines[0].tokens[0].value != "language" || lines[0].tokens.size() != 2)
        FailAt(fileName, lines.empty() ? 1 : lines[0].number,
               "a string table starts with 'language 0xNNNN' (its LANGID)");
    table.language = static_cast<std::uint16_t>(
        ParseInteger(lines[0].tokens[1], 1, 0xFFFF, fileName, lines[0].number, "the LANGID"));

    // Entries are collected as UTF-8 first, because a text may continue on indented lines.
    struct Pending {
        std::string text;
        int line;
    };
    std::map<std::uint16_t, Pending> pending;
    Pending* current = nullptr;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const SourceLine& line = lines[i];
        std::size_t textsFrom = 0;
        if (line.indented) {
            if (current == nullptr)
                FailAt(fileName, line.number, "an indented line continues no entry");
        } else {
            if (line.tokens.size() < 2)
                FailAt(fileName, line.number, "an entry is a string id followed by its quoted text");
            const auto id = static_cast<std::uint16_t>(
                ParseInteger(line.tokens[0], 0, 0xFFFF, fileName, line.number, "a string id"));
            const auto [it, added] = pending.emplace(id, Pending{"", line.number});
            if (!added)
                FailAt(fileName, line.number, "string " + std::to_string(id) + " is already given on line " +
                                                  std::to_string(it->second.line));
            current = &it->second;
            textsFrom = 1;
        }
        for (std::size_t t = textsFrom; t < line.tokens.size(); ++t) {
            if (line.tokens[t].kind != Token::Kind::Text)
                FailAt(fileName, line.number, "'" + line.tokens[t].value + "' is not a quoted text");
            current->text += line.tokens[t].value;
        }
    }

    for (auto& [id, entry] : pending) {
        std::u16string units = Utf8ToUtf16(entry.text);
        // An empty string cannot be told apart from an absent one in the resource.
        if (units.empty())
            FailAt(fileName, entry.line, "string " + std::to_string(id) + " is empty");
        if (units.size() > 0xFFFF)
            FailAt(fileName, entry.line, "string " + std::to_string(id) + " is longer than 65535 UTF-16 units");
        table.entries.push_back({id, std::move(units), entry.line});
    }
    return table;
}

} // namespace resgen
