#include "sources.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "input_error.h"
#include "string_checks.h"

namespace fs = std::filesystem;

namespace resgen {
namespace {

// A table's file name starts with its LANGID, so that a reader finds a language's file
// without opening them all; a copied file whose header was not updated is caught here.
void CheckFileNameMatches(const StringTable& table, const fs::path& path)
{
    const std::string name = path.filename().string();
    char expected[8];
    std::snprintf(expected, sizeof expected, "%04x", static_cast<unsigned>(table.language));
    std::string prefix = name.substr(0, 4);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (prefix != expected || (name.size() > 4 && name[4] != '-' && name[4] != '.'))
        FailIn(path.string(), std::string("the file name must start with the table's LANGID, ") + expected);
}

std::vector<fs::path> StringTableFiles(const fs::path& directory)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".txt")
            files.push_back(it->path());
    }
    if (error)
        FailIn(directory.string(), "cannot list the string tables: " + error.message());
    if (files.empty())
        FailIn(directory.string(), "holds no string tables (*.txt)");
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        FailIn(path.string(), std::string("cannot be read: ") + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        FailIn(path.string(), "reading failed");
    return content.str();
}

ResourceSources LoadSources(const fs::path& directory)
{
    ResourceSources sources;
    for (const fs::path& file : StringTableFiles(directory / "strings")) {
        sources.stringTables.push_back(ParseStringTable(ReadFile(file), file.string()));
        CheckFileNameMatches(sources.stringTables.back(), file);
    }
    std::sort(sources.stringTables.begin(), sources.stringTables.end(),
              [](const StringTable& a, const StringTable& b) { return a.language < b.language; });
    CheckTablesAgree(sources.stringTables);

    const fs::path dialogFile = directory / "wizard.dlg";
    sources.dialog = ParseDialog(ReadFile(dialogFile), dialogFile.string());
    return sources;
}

} // namespace resgen
