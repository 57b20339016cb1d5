// The filter list reader both programs use: what it reads as names and what
// it writes back, over the shapes others leave in LowerFilters.
#include <gtest/gtest.h>

#include <string>

#include "filterlist.h"

namespace {

struct Read {
    std::string list;
    FilterListScan scan;
};

// The compacted list (without its closing empty string) and the scan.
Read Compact(const std::string& value, bool drop) {
    std::string buffer = value + '\x7f';  // the one byte the reader may write behind the value
    FilterListScan scan;
    DWORD length = CompactFilterList(&buffer[0], static_cast<DWORD>(value.size()), "Halvik", drop ? TRUE : FALSE, &scan);
    return {buffer.substr(0, length), scan};
}

TEST(FilterList, EveryNameOverTheWholeValueIsRead) {
    Read r = Compact(std::string("A\0\0B\0Halvik\0\0", 13), false);
    EXPECT_EQ(r.list, std::string("A\0B\0Halvik\0", 11));
    EXPECT_EQ(r.scan.names, 3u);
    EXPECT_EQ(r.scan.matches, 1u);
    EXPECT_EQ(r.scan.empties, 1u) << "the empty string inside the list, not the closing ones";

    r = Compact(std::string("A\0\0B\0HALVIK\0\0", 13), true);
    EXPECT_EQ(r.list, std::string("A\0B\0", 4));
    EXPECT_EQ(r.scan.matches, 1u);

    r = Compact(std::string("\0\0Halvik\0\0\0", 11), true);
    EXPECT_EQ(r.list, "");
    EXPECT_EQ(r.scan.empties, 2u);
}

TEST(FilterList, ALastNameWithoutItsTerminatorAndASingleString) {
    Read r = Compact(std::string("A\0halvik", 8), false);
    EXPECT_EQ(r.list, std::string("A\0halvik\0", 9));
    EXPECT_EQ(r.scan.matches, 1u);
    r = Compact(std::string("A\0Halvikx", 9), true);
    EXPECT_EQ(r.list, std::string("A\0Halvikx\0", 10)) << "a longer name is another filter";
    EXPECT_EQ(r.scan.matches, 0u);

    // REG_SZ data: one string with its NUL, or without it.
    r = Compact(std::string("Single\0", 7), false);
    EXPECT_EQ(r.list, std::string("Single\0", 7));
    EXPECT_EQ(r.scan.names, 1u);
    r = Compact("Halvik", true);
    EXPECT_EQ(r.list, "");
    EXPECT_EQ(r.scan.matches, 1u);
    EXPECT_EQ(r.scan.empties, 0u);
}

TEST(FilterList, EmptyValuesAndRepeatedNames) {
    Read r = Compact("", true);
    EXPECT_EQ(r.list, "");
    EXPECT_EQ(r.scan.names, 0u);
    r = Compact(std::string("\0", 1), false);
    EXPECT_EQ(r.scan.names + r.scan.empties, 0u);
    r = Compact(std::string("Halvik\0X\0halvik\0\0", 17), true);
    EXPECT_EQ(r.list, std::string("X\0", 2));
    EXPECT_EQ(r.scan.matches, 2u);
}

}  // namespace
