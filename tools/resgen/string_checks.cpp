#include "string_checks.h"

#include <set>

#include "input_error.h"

namespace resgen {
namespace {

std::string Ascii(const std::u16string& text)
{
    std::string out;
    for (const char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string JoinConversions(const std::vector<std::u16string>& conversions)
{
    std::string out;
    for (const auto& c : conversions)
        out += (out.empty() ? "" : " ") + Ascii(c);
    return out.empty() ? "none" : out;
}

void CheckAccelerator(const StringTable& table, const StringEntry& entry)
{
    int markers = 0;
    for (std::size_t i = 0; i < entry.text.size(); ++i) {
        if (entry.text[i] != u'&')
            continue;
        if (i + 1 < entry.text.size() && entry.text[i + 1] == u'&') {
            ++i;  // "&&" shows one ampersand
            continue;
        }
        if (i + 1 == entry.text.size())
            FailAt(table.file, entry.line, "string " + std::to_string(entry.id) + " ends with '&'");
        ++markers;
    }
    if (markers > 1)
        FailAt(table.file, entry.line,
               "string " + std::to_string(entry.id) + " has more than one '&' accelerator (write && for an ampersand)");
}

void CheckSameIds(const StringTable& table, const StringTable& reference)
{
    for (const StringEntry& entry : reference.entries) {
        if (table.Find(entry.id) == nullptr)
            FailIn(table.file, "string " + std::to_string(entry.id) + " is missing (the English table has it)");
    }
    for (const StringEntry& entry : table.entries) {
        if (reference.Find(entry.id) == nullptr)
            FailAt(table.file, entry.line,
                   "string " + std::to_string(entry.id) + " is not in the English table");
    }
}

} // namespace

std::vector<std::u16string> FormatConversions(const std::u16string& text)
{
    static const std::u16string kFlags = u"-+ #0";
    static const std::u16string kDigits = u"0123456789.";
    static const std::u16string kLengths = u"hlLqjzt";
    std::vector<std::u16string> conversions;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        for (const std::u16string* part : {&kFlags, &kDigits, &kLengths}) {
            while (end < text.size() && part->find(text[end]) != std::u16string::npos)
                ++end;
        }
        if (end < text.size())
            ++end;  // the conversion letter
        conversions.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    return conversions;
}

void CheckTablesAgree(const std::vector<StringTable>& tables)
{
    const StringTable* reference = nullptr;
    std::set<std::uint16_t> languages;
    for (const StringTable& table : tables) {
        if (!languages.insert(table.language).second)
            FailIn(table.file, "another string table already has this LANGID");
        if (table.language == kReferenceLanguage)
            reference = &table;
    }
    if (reference == nullptr)
        throw InputError("no English (LANGID 0x0409) string table, which the others are checked against");

    for (const StringTable& table : tables) {
        CheckSameIds(table, *reference);
        for (const StringEntry& entry : table.entries) {
            CheckAccelerator(table, entry);
            const auto expected = FormatConversions(reference->Find(entry.id)->text);
            const auto actual = FormatConversions(entry.text);
            if (actual != expected)
                FailAt(table.file, entry.line,
                       "string " + std::to_string(entry.id) + " has the conversions " + JoinConversions(actual) +
                           " where the English text has " + JoinConversions(expected));
        }
    }
}

} // namespace resgen
