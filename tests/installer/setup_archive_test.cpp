// The setup checks its own appended archive against the release stamp before
// it changes anything: every byte of the archive counts, also those that no
// entry's CRC-32 covers, and the version it shows and registers is the
// stamp's. Runs of the packed host installer on simulated machines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cx_stamp.h"
#include "header_places.h"
#include "machine_fixture.h"

namespace {

class SetupArchive : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        program_ = ReadHostFile(HALVINST_EXE);
        stamp_ = program_.find(CX_STAMP_MARKER);
        ASSERT_NE(stamp_, std::string::npos);
        ASSERT_EQ(program_.find(CX_STAMP_MARKER, stamp_ + 1), std::string::npos) << "one stamp";
        archive_ = FieldValue(program_, stamp_ + CX_STAMP_ARCHIVE_OFFSET);
        ASSERT_EQ(archive_ + FieldValue(program_, stamp_ + CX_STAMP_ARCHIVE_SIZE), program_.size())
            << "the stamp covers everything behind the stub";
        ASSERT_EQ(program_.substr(archive_, 4), std::string("gW\x04\x02", 4));
    }
    // Installs `program` silently on a fresh Windows XP machine; the status
    // code, and in `changes` what the run changed besides its log.
    unsigned RunSilent(const std::string& program, std::string* changes = nullptr, const std::string& env = "") {
        UseFreshMachine("winxp");
        WriteHostFile(dir_ + "/d/HALVINST.EXE", program);
        std::filesystem::permissions(dir_ + "/d/HALVINST.EXE", std::filesystem::perms::owner_all);
        std::string before = dir_ + ".before";
        RunShell(std::string(WINSIM_TOOL) + " snapshot '" + dir_ + "' '" + before + "'");
        std::string out = RunShell(env + " " + WINSIM_TOOL + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' SILENT LEAVELOG");
        unsigned code = 0;
        EXPECT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
        std::string diff = RunShell(std::string(WINSIM_TOOL) + " diff '" + before + "' '" + dir_ + "'");
        std::filesystem::remove(before);
        if (changes) {
            changes->clear();
            size_t at = 0;
            while (at < diff.size()) {
                size_t end = diff.find('\n', at);
                std::string line = diff.substr(at, end == std::string::npos ? std::string::npos : end - at);
                if (line.find("HALVINST.LOG") == std::string::npos && !line.empty() && line.back() != ':')
                    *changes += line + "\n";
                at = end == std::string::npos ? diff.size() : end + 1;
            }
        }
        return code >> 20;
    }
    std::string Log() {
        return ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG"));
    }
    std::string program_;
    size_t stamp_ = 0, archive_ = 0;
};

// One byte changed anywhere in the archive stops the run before the first change, as a
// damaged setup (2069, the CRC code's message 2088), whatever the byte was.
TEST_F(SetupArchive, AnyChangedByteStopsTheRunBeforeItChangesAnything) {
    std::vector<HeaderPlace> places = HeaderPlaces(program_.substr(0, program_.size()));
    ASSERT_EQ(places.size(), 6u) << "five entries and the end record";
    const HeaderPlace& inf = places[2];
    ASSERT_EQ(inf.name, "HALVINST.INF");

    struct Damage {
        const char* what;
        size_t at;
        bool fixCrc;
    };
    const Damage damages[] = {
        {"a data byte, its entry's CRC-32 fixed up", inf.offset + inf.length + 3, true},
        {"a time stamp byte, which no CRC covers", inf.offset + 8 + inf.name.size(), false},
        {"the archive header record's size field", archive_ + 5, false},
        {"the end record's attribute block", places.back().offset + 12, false},
    };
    for (const Damage& damage : damages) {
        std::string program = program_;
        program[damage.at] = static_cast<char>(program[damage.at] ^ 0x01);
        if (damage.fixCrc) FixEntryCrc(program, inf);
        std::string changes;
        EXPECT_EQ(RunSilent(program, &changes), 2069u) << damage.what;
        EXPECT_EQ(changes, "") << damage.what;
        std::string log = Log();
        EXPECT_NE(log.find(": Setup archive does not match its digest in D:\\HALVINST.EXE\r\n"), std::string::npos)
            << damage.what << log;
        EXPECT_NE(log.find("Qualifier 0xFFFFFFF9\r\n"), std::string::npos) << damage.what;
        EXPECT_EQ(log.find("Successfull initialization"), std::string::npos) << "the engine never started";
    }
}

TEST_F(SetupArchive, AShortOrUnstampedSetupIsDamagedAndBytesBehindTheArchiveAreNot) {
    std::string changes;
    std::string shortened = program_.substr(0, program_.size() - 1);
    EXPECT_EQ(RunSilent(shortened, &changes), 2069u);
    EXPECT_EQ(changes, "");
    EXPECT_NE(Log().find("Setup archive is cut short"), std::string::npos);

    std::string unstamped = program_;
    for (size_t i = CX_STAMP_VERSION_MS; i < CX_STAMP_SIZE; ++i) unstamped[stamp_ + i] = 0;
    EXPECT_EQ(RunSilent(unstamped, &changes), 2069u);
    EXPECT_EQ(changes, "");
    EXPECT_NE(Log().find("Setup archive was never stamped"), std::string::npos);

    // An Authenticode signature goes behind the archive: the setup still finds and checks it.
    std::string signedLike = program_ + std::string(5, '\0') + std::string(1000, '\x5A');
    EXPECT_EQ(RunSilent(signedLike), 2u) << Log();
    EXPECT_NE(Log().find("Setup archive intact"), std::string::npos);
}

// An earlier look-alike of an entry header in front of the checked archive would be
// what the codec reads: the setup refuses it.
TEST_F(SetupArchive, TheCheckedArchiveIsTheOneTheCodecReads) {
    std::string program = program_;
    program.replace(archive_ - 64, 4, std::string("gW\x04\x01", 4));
    std::string changes;
    EXPECT_EQ(RunSilent(program, &changes), 2069u);
    EXPECT_EQ(changes, "");
    EXPECT_NE(Log().find("Setup archive is not the first in the file"), std::string::npos) << Log();
}

// The product version comes from the stamp (the packer reads it from the drivers).
TEST_F(SetupArchive, TheStampedVersionIsWhatTheSetupRegistersAndShows) {
    std::string program = program_;
    AddToField(program, stamp_ + CX_STAMP_VERSION_LS, 11);  // 7.1.0.189 -> 7.1.0.200
    EXPECT_EQ(RunSilent(program), 2u) << Log();
    EXPECT_NE(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik")
                  .find("\"DisplayVersion\"=\"7.1.0.200\""),
              std::string::npos);

    std::string transcript = dir_ + ".transcript";
    RunShell("WINSIM_UI_INPUT='answer IDYES; click 2; answer IDYES' WINSIM_UI_TRANSCRIPT='" + transcript + "' " + WINSIM_TOOL + " run '" +
             dir_ + "' -- 'D:\\HALVINST.EXE'");
    EXPECT_NE(ReadHostFile(transcript).find("7.1.0.200"), std::string::npos) << ReadHostFile(transcript);
    std::filesystem::remove(transcript);
}

// A visual run says why it stops, in the user's language, with the code.
TEST_F(SetupArchive, AVisualRunNamesTheDamage) {
    std::string program = program_;
    program[archive_ + 100] = static_cast<char>(program[archive_ + 100] ^ 0x40);
    UseFreshMachine("winxp");
    WriteHostFile(dir_ + "/d/HALVINST.EXE", program);
    std::filesystem::permissions(dir_ + "/d/HALVINST.EXE", std::filesystem::perms::owner_all);
    std::string out = RunShell(std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE'");
    EXPECT_NE(out.find("exit code 0x815"), std::string::npos) << out;
    std::string boxes = ReadHostFile(dir_ + "/.winsim/ui/messageboxes");
    EXPECT_NE(boxes.find("One or more files of the setup wizard are damaged."), std::string::npos) << boxes;
    EXPECT_NE(boxes.find("-FFFFFFF9."), std::string::npos) << boxes;
}

}  // namespace

namespace {

// A setup that cannot read itself stops as well, naming the call and the error.
TEST_F(SetupArchive, AnUnreadableSetupStopsBeforeItChangesAnything) {
    std::string changes;
    EXPECT_EQ(RunSilent(program_, &changes, "WINSIM_FAIL='ReadFile:1:23'"), 2069u);
    EXPECT_EQ(changes, "");
    EXPECT_NE(Log().find(": ReadFile failed on D:\\HALVINST.EXE 0x00000017\r\n"), std::string::npos) << Log();
    EXPECT_NE(Log().find("Qualifier 0xFFFFFFFF\r\n"), std::string::npos) << "the codec's open code, not a damage";
}

}  // namespace
