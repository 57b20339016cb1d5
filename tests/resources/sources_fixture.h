#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources.h"

// The resource sources of this tree, read once by the generator's own reader.
const resgen::ResourceSources& TreeSources();

// The text of string `id` in a table; empty when the table has none.
std::u16string TextOf(const resgen::StringTable& table, std::uint16_t id);

// The thirteen LANGIDs in the order Windows enumerates them.
std::vector<std::uint16_t> InstallerLanguages();

// The text in an iconv code page ("CP932", "UTF-8"); false when a character has no place in it.
bool Encode(const std::u16string& text, const char* codePage, std::string& out);
std::string Utf8(const std::u16string& text);
