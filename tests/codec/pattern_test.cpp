// The cxExtract pattern language: checks at queueing time and the left-to-right matching.
#include <gtest/gtest.h>

#include "cx.h"
#include "cx_match.h"

namespace {

TEST(Pattern, MalformedPatternsAreRefused)
{
    EXPECT_EQ(0, cxCheckPattern("*.*"));
    EXPECT_EQ(0, cxCheckPattern("[A-Z]*.SYS"));
    EXPECT_EQ(0, cxCheckPattern("A\\*"));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxCheckPattern("[ABC"));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxCheckPattern("[A-]"));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxCheckPattern("NAME\\"));
}

TEST(Pattern, WildcardsMatchWithoutBacktracking)
{
    struct Case {
        const char *pattern, *name;
        int matches;
    } cases[] = {
        {"*.*", "HALVIK.SYS", 1},      {"*.*", "NODOT", 1},        {"*", "", 1},
        {"*.SYS", "HALVIK.SYS", 1},    {"*.SYS", "A.B.SYS", 0},    {"*.sys", "halvik.SYS", 1},
        {"HALVINST.INF", "HALVINST.INF", 1}, {"HALVINST.INF", "HALVINST.IN", 0},
        {"?ALVIK.SYS", "HALVIK.SYS", 1}, {"??", "A", 0},          {"+.SYS", ".SYS", 0},
        {"+.SYS", "AB.SYS", 1},        {"[GH]ALV*", "HALVIK.VXD", 1}, {"[!H]*", "HALVIK.VXD", 0},
        {"[^A-G]*", "HALVIK.VXD", 1},  {"*[0-9].SYS", "HALVIK2K.SYS", 0}, {"*2K.SYS", "HALVIK2K.SYS", 1},
        {"A\\*B", "A*B", 1},           {"A\\*B", "AXB", 0},        {"HALV**", "HALVUNIN.EXE", 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.matches, cxMatchName(c.pattern, c.name)) << c.pattern << " / " << c.name;
}

}  // namespace
