#include "packed_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Halvinst.h"
#include "cx_stamp.h"
#include "machine_fixture.h"

void PlacePackedSetup(const std::string& machineDir) {
    std::string program = ReadHostFile(HALVINST_EXE);
    size_t stamp = program.find(CX_STAMP_MARKER);
    ASSERT_NE(stamp, std::string::npos);
    std::memcpy(SetupStamp, program.data() + stamp, CX_STAMP_SIZE);
    WriteHostFile(machineDir + "/d/HALVINST.EXE", program);
}
