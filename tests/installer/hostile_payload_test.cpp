// Payloads damaged in their entry headers, each run through the forced install
// sequence: a run may end without an error only when every installed file is
// the payload's own. Truncations, single bit flips and size fields moved by
// 1 to 64 in either direction.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "carried_set.h"

namespace {

class HostilePayload : public CarriedSet {
protected:
    void SetUp() override {
        // Thousands of runs, each writing the registry hive through: memory-backed storage keeps them quick.
        if (std::filesystem::is_directory("/dev/shm")) machineBase_ = "/dev/shm";
        CarriedSet::SetUp();
        Prepare("winxp");
        places_ = HeaderPlaces(Archive());
        ASSERT_EQ(places_.size(), 6u) << "five entries and the end record";
    }
    // Runs over `archive`; counts the runs that were accepted.
    void Try(const std::string& archive, const std::string& what) {
        if (RunOver(archive, true) < 2048) {
            ++accepted_;
            ASSERT_TRUE(InstalledFilesArePayloads()) << what;
        }
        ++runs_;
    }

    std::vector<HeaderPlace> places_;
    unsigned runs_ = 0;
    unsigned accepted_ = 0;
};

TEST_F(HostilePayload, TruncatedAtEveryHeaderByte) {
    for (const HeaderPlace& place : places_)
        for (size_t k = 0; k < place.length; ++k)
            Try(Archive().substr(0, place.offset + k), "cut at " + std::to_string(place.offset + k));
    EXPECT_GT(runs_, 250u);
}

TEST_F(HostilePayload, EveryBitOfEveryHeaderFieldFlipped) {
    for (const HeaderPlace& place : places_) {
        for (size_t k = 0; k < place.length; ++k) {
            for (int bit = 0; bit < 8; ++bit) {
                std::string archive = Archive();
                archive[place.offset + k] = static_cast<char>(archive[place.offset + k] ^ (1 << bit));
                Try(archive, place.name + " byte " + std::to_string(k) + " bit " + std::to_string(bit));
            }
        }
    }
    // Times, modes, owner and reserved fields do not matter; those runs install.
    EXPECT_GT(accepted_, 0u);
}

TEST_F(HostilePayload, SizeFieldsMovedByUpTo64) {
    for (size_t e = 0; e + 1 < places_.size(); ++e) {
        for (size_t field : {places_[e].compressedSize, places_[e].uncompressedSize}) {
            for (long delta = -64; delta <= 64; ++delta) {
                if (delta == 0) continue;
                std::string archive = Archive();
                AddToField(archive, field, delta);
                Try(archive, places_[e].name + (field == places_[e].compressedSize ? " stored " : " size ") +
                                 std::to_string(delta));
            }
        }
    }
}

}  // namespace
