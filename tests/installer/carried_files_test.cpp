// The five carried files through the install sequence, in-process: a carried
// file counts as extracted only when it was written whole, so a damaged,
// missing or unwritten entry fails the run before anything is changed.
#include <gtest/gtest.h>

#include <string>

#include "carried_set.h"
#include "status.h"
#include "winsim/machine.h"

namespace {

class CarriedFiles : public CarriedSet {
protected:
    // Whether the entry of that archive name is installed on the machine's platform.
    static bool Applies(const std::string& name) {
        if (name == "HALVINST.INF" || name == "HALVUNIN.EXE") return true;
        if (name == "HALVIK.VXD") return IsWin95 != FALSE;
        if (name == "HALVIK.SYS") return IsWinNT != FALSE;
        return IsWin2KXP != FALSE;
    }
    // The run over `archive` fails with 2069 and leaves the machine as it was.
    void ExpectRefused(const std::string& archive, const std::string& what) {
        std::string before = MachineState();
        EXPECT_EQ(RunOver(archive), 2069u) << what;
        EXPECT_EQ(MachineState(), before) << what;
    }
    // Runs the extraction with the n-th call of `api` failing with `code`. A
    // run that succeeds leaves whole images, one that fails records an error;
    // after the clean-up the machine is as it was either way.
    bool ExtractWithFault(const std::string& api, unsigned n, const std::string& code, const std::string& before) {
        std::string what = api + " call " + std::to_string(n);
        Restart();
        std::string error;
        EXPECT_TRUE(winsim::SetFaults(api + ":" + std::to_string(n) + ":" + code, error)) << error;
        bool created = CreateImageFiles(&set_) != FALSE;
        winsim::SetFaults("", error);
        if (created)
            ExpectImagesArePayloads(what);
        else
            EXPECT_TRUE(StatusIsError()) << what;
        CleanupImageFiles(&set_, TRUE);
        EXPECT_EQ(MachineState(), before) << what;
        return created;
    }
    // Every image of an entry that applies holds the payload's bytes.
    void ExpectImagesArePayloads(const std::string& what) {
        for (DWORD i = 0; i < set_.count; ++i) {
            if (!EntryApplies(&entries_[i])) continue;
            std::string image = Host(std::string(GetDirectory(entries_[i].directory)) + entries_[i].imageName + ".TMP");
            std::string carried = entries_[i].archiveName;
            for (char& c : carried) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(ReadHostFile(image), ReadHostFile(Payload(carried))) << what << ": " << carried;
        }
    }
};

TEST_F(CarriedFiles, TheIntactPayloadInstalls) {
    Prepare("winxp");
    EXPECT_EQ(RunOver(Archive()), 2u);
    EXPECT_TRUE(InstalledFilesArePayloads());
}

TEST_F(CarriedFiles, SizeFieldsThatDisagreeWithTheStreamChangeNothing) {
    for (const char* name : {"HALVIK2K.SYS", "HALVUNIN.EXE", "HALVINST.INF"}) {
        for (long delta : {-60L, -2L, -1L, 1L, 60L}) {
            Prepare("winxp");
            std::string archive = Archive();
            for (const HeaderPlace& place : HeaderPlaces(archive))
                if (place.name == name) AddToField(archive, place.uncompressedSize, delta);
            ExpectRefused(archive, std::string(name) + " size " + std::to_string(delta));
            EXPECT_NE(Log().find("Callback error 0xFFFFFFF3"), std::string::npos) << name << " " << delta;
        }
    }
}

TEST_F(CarriedFiles, ADamagedNameOrAMissingEntryFailsWhereTheEntryApplies) {
    for (const char* profile : {"win98", "nt4", "winxp"}) {
        Prepare(profile);
        std::vector<HeaderPlace> places = HeaderPlaces(Archive());
        ASSERT_EQ(places.size(), 6u);
        for (size_t e = 0; e < 5; ++e) {
            std::string damaged = Archive();
            damaged[places[e].offset + 8] = 'Q';
            std::string missing = Archive();
            missing.erase(places[e].offset, places[e + 1].offset - places[e].offset);
            for (const std::string& archive : {damaged, missing}) {
                std::string what = std::string(profile) + " " + places[e].name + (archive == damaged ? " renamed" : " missing");
                if (Applies(places[e].name)) {
                    ExpectRefused(archive, what);
                    EXPECT_NE(Log().find(" was not extracted"), std::string::npos) << what;
                } else {
                    EXPECT_LT(RunOver(archive), 2048u) << what;
                    EXPECT_TRUE(InstalledFilesArePayloads()) << what;
                    Prepare(profile);
                }
            }
        }
    }
}

TEST_F(CarriedFiles, AReadErrorAtEveryReadOfTheExtractionChangesNothing) {
    Prepare("winxp");
    WriteHostFile(archive_, Archive());
    std::string before = MachineState();
    // Every read up to the last is needed: the first run that succeeds is past them all.
    unsigned n = 1;
    while (n < 2000 && !ExtractWithFault("ReadFile", n, "23", before)) ++n;
    EXPECT_GT(n, 10u);
    EXPECT_LT(n, 2000u);
}

TEST_F(CarriedFiles, AHeapFailureAtEveryAllocationOfTheExtractionFailsOrGivesWholeImages) {
    Prepare("winxp");
    WriteHostFile(archive_, Archive());
    std::string before = MachineState();
    // A smaller buffer may serve instead of a failed one, so successes come between failures.
    unsigned failures = 0;
    unsigned successesInARow = 0;
    for (unsigned n = 1; successesInARow < 10 && n < 500; ++n) {
        bool created = ExtractWithFault("HeapAlloc", n, "8", before);
        failures += created ? 0 : 1;
        successesInARow = created ? successesInARow + 1 : 0;
    }
    EXPECT_GT(failures, 0u);
    EXPECT_EQ(successesInARow, 10u);
}

}  // namespace
