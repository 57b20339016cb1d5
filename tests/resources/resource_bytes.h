#pragma once

// Reading the binary resource formats back, independently of the generator's writers.

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using ResourceKey = std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>;  // type, name, language

enum : std::uint16_t { kRtBitmap = 2, kRtIcon = 3, kRtDialog = 5, kRtString = 6, kRtGroupIcon = 14 };

// The host table (halvinstResources) in its own order, and as a map.
std::vector<std::pair<ResourceKey, Bytes>> HostTableInOrder();
std::map<ResourceKey, Bytes> HostResources();

// Every numbered resource of a .res file as windres writes it. Throws on a cut-off file.
std::map<ResourceKey, Bytes> ReadResFile(const std::string& path);

// Little-endian fields; throw std::out_of_range past the end.
std::uint16_t U16At(const Bytes& bytes, std::size_t offset);
std::uint32_t U32At(const Bytes& bytes, std::size_t offset);

// The 16 strings of an RT_STRING block; throws if the block is cut short or runs on.
std::vector<std::u16string> DecodeStringBlock(const Bytes& block);
