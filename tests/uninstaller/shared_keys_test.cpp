// The product's registry keys are shared with other programs of the vendor:
// the uninstaller takes out its own value and deletes a key only when
// nothing of anyone else is left in it.
#include <gtest/gtest.h>

#include "uninstaller_fixture.h"

namespace {

void SetString(const char* key, const char* name, const char* text) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

void MakeKey(const char* key) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key, &handle), ERROR_SUCCESS);
    RegCloseKey(handle);
}

TEST_F(Uninstall, KeysThatHoldOthersValuesOrKeysStay) {
    for (const char* profile : {"win98", "winxp"}) {
        // Values of others in both keys.
        Prepare(profile);
        ASSERT_EQ(Install(), 2u) << profile;
        SetString("SOFTWARE\\Talven", "Shared", "theirs");
        SetString("SOFTWARE\\Talven\\Halvik", "Other", "theirs");
        EXPECT_EQ(Remove(), 1u) << profile << Log();
        EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"),
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven]\n\"Shared\"=\"theirs\"\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Halvik]\n\"Other\"=\"theirs\"\n\n")
            << profile << ": only the product's own Language value goes";

        // Keys of others below both.
        Prepare(profile);
        ASSERT_EQ(Install(), 2u) << profile;
        MakeKey("SOFTWARE\\Talven\\Halvik\\Theirs");
        MakeKey("SOFTWARE\\Talven\\Other");
        EXPECT_EQ(Remove(), 1u) << profile << Log();
        EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"),
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven]\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Halvik]\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Halvik\\Theirs]\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Other]\n\n")
            << profile;
    }
}

}  // namespace
