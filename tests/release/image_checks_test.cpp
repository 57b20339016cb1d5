// The release's header checks on crafted images: what makes a .SYS a native
// i386 driver and a .VXD a linear executable, and the reasons given otherwise.
#include <gtest/gtest.h>

#include <vector>

#include "image_checks.h"

namespace {

void Put16(std::vector<unsigned char>& b, size_t at, unsigned v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// An MZ header whose e_lfanew points at 0x80, and a PE32 header there.
std::vector<unsigned char> Pe(unsigned machine = 0x14C, unsigned magic = 0x10B, unsigned subsystem = 1) {
    std::vector<unsigned char> b(0x200, 0);
    b[0] = 'M', b[1] = 'Z';
    Put16(b, 0x3C, 0x80);
    b[0x80] = 'P', b[0x81] = 'E';
    Put16(b, 0x84, machine);
    Put16(b, 0x94, 224);          // optional header size
    Put16(b, 0x98, magic);
    Put16(b, 0x98 + 68, subsystem);
    return b;
}

TEST(ImageChecks, ANativeDriverAndEachWayNotToBeOne) {
    EXPECT_EQ(checkNativeDriver(Pe()), "");
    EXPECT_EQ(checkNativeDriver(Pe(0x8664)), "not built for i386 (machine 0x8664)");
    EXPECT_EQ(checkNativeDriver(Pe(0x14C, 0x20B)), "not a PE32 image (no 32-bit optional header)");
    EXPECT_EQ(checkNativeDriver(Pe(0x14C, 0x10B, 2)), "not a kernel-mode driver (subsystem 2, not 1 native)");

    std::vector<unsigned char> le = Pe();
    le[0x80] = 'L', le[0x81] = 'E', le[0x82] = 0;
    EXPECT_EQ(checkNativeDriver(le), "not a PE image (no \"PE\" signature at the new header)");
    EXPECT_EQ(checkNativeDriver({'M', 'Z'}), "no MZ header");
    std::vector<unsigned char> outside = Pe();
    Put16(outside, 0x3C, 0x1F0);  // the PE header would run past the end
    EXPECT_EQ(checkNativeDriver(outside), "the MZ header's new-header offset points outside the file");
}

TEST(ImageChecks, ALinearExecutableIsKnownByItsNewHeader) {
    std::vector<unsigned char> le = Pe();
    le[0x80] = 'L', le[0x81] = 'E';
    EXPECT_EQ(checkLinearExecutable(le), "");
    EXPECT_EQ(checkLinearExecutable(Pe()), "not a linear executable (LE): its new header holds \"PE\"");
    le[0x81] = 'X';
    EXPECT_EQ(checkLinearExecutable(le), "not a linear executable (LE): its new header holds \"LX\"");
    le[0x80] = 0;
    EXPECT_EQ(checkLinearExecutable(le), "not a linear executable (LE): its new header holds no known signature");
    std::vector<unsigned char> empty;
    EXPECT_EQ(checkLinearExecutable(empty), "no MZ header");
}

}  // namespace
