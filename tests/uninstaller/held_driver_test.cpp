// A loaded driver refuses its deletion with "access denied" as well as with
// a sharing violation: either way it goes at the next restart.
#include <gtest/gtest.h>

#include "uninstaller_fixture.h"

namespace {

TEST_F(Uninstall, ADriverRefusedWithAccessDeniedGoesAtTheNextRestart) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    const std::string driver = "C:\\WINDOWS\\system32\\drivers\\Halvik.sys";
    EXPECT_EQ(Remove("SILENT LEAVELOG", "WINSIM_FAIL='DeleteFileA:1:5'"), 2u) << Log();
    EXPECT_NE(Log().find("is in use (0x00000005), deleting it at the next restart"), std::string::npos) << Log();
    EXPECT_TRUE(HostFileExists(Host(driver)));
    Reboot();
    EXPECT_FALSE(HostFileExists(Host(driver)));
}

}  // namespace
