// The registry update script: headers, filters, key and value lines, and the
// carried halvinst.inf on the machines it is meant for.
#include <gtest/gtest.h>

#include <cstring>

#include "install.h"
#include "installer_state.h"
#include "library.h"
#include "log.h"
#include "machine_fixture.h"
#include "registry.h"
#include "status.h"

namespace {

class Script : public MachineTest {
protected:
    void Start(const std::string& profile) {
        ResetInstaller();
        UseFreshMachine(profile);
        LogOpen("C:\\script.log");
        DiscoverPlatform();
        SetupDirectories("");
    }
    void SetUp() override {
        MachineTest::SetUp();
        Start("winxp");
    }
    void TearDown() override {
        ResetInstaller();
        MachineTest::TearDown();
    }
    BOOL Apply(const std::string& text) {
        WriteHostFile(Host(path_), text);
        return ApplyRegistryScript(path_.c_str());
    }
    std::string Log() {
        LogClose(TRUE);
        std::string text = ReadHostFile(Host("C:\\script.log"));
        LogOpen("C:\\script.log");
        return text;
    }
    bool Logged(const std::string& line) { return Log().find(": " + line + "\r\n") != std::string::npos; }
    std::string Key(const std::string& key) { return RegistryText("HKEY_LOCAL_MACHINE\\" + key); }
    std::string path_ = "C:\\WINDOWS\\script.inf";
};

const char kHalvik[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Halvik";

TEST_F(Script, HeaderKeyAndValueWithTheirLineNumbers) {
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SYSTEM\\CurrentControlSet\\Services\\Halvik\nStart = REG_DWORD: 3"));
    EXPECT_EQ(RegistryText(kHalvik), std::string("REGEDIT4\n\n[") + kHalvik + "]\n\"Start\"=dword:00000003\n\n");
    std::string log = Log();
    EXPECT_NE(log.find(": FLAG(1) [HKEY_LOCAL_MACHINE]\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": REGKEY(2)=SYSTEM\\CurrentControlSet\\Services\\Halvik\r\n"), std::string::npos);
    EXPECT_NE(log.find(": REG_DWORD(3) Start=3\r\n"), std::string::npos);
    EXPECT_NE(log.find(": C:\\WINDOWS\\script.inf registry parse succeeded\r\n"), std::string::npos);
    EXPECT_EQ(ReadHostFile(Host(path_)), "[HKEY_LOCAL_MACHINE]\nREGKEY=SYSTEM\\CurrentControlSet\\Services\\Halvik\nStart = REG_DWORD: 3")
        << "the script is written back unchanged";
}

TEST_F(Script, AValueBeforeAnyRootHeaderStopsThePass) {
    SetSourcePosition(".\\install\\registry.cpp", 1);
    EXPECT_FALSE(Apply("REGKEY=SOFTWARE\\Probe\nStart = REG_DWORD:3\nOther = REG_DWORD:4\n"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2053u);
    EXPECT_EQ(StatusQualifier, 2u) << "the qualifier is the line number";
    EXPECT_TRUE(Logged("UNKNOWN LINE TYPE (2)"));
    EXPECT_NE(Key("SOFTWARE\\Probe"), "") << "the key line alone still created its key";
    EXPECT_TRUE(Logged("C:\\WINDOWS\\script.inf registry parse failed"));
}

TEST_F(Script, LineNumbersCountBlankLinesOnlyWithCarriageReturns) {
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\r\n\r\n\r\nREGKEY=SOFTWARE\\A\r\n"));
    EXPECT_TRUE(Logged("REGKEY(4)=SOFTWARE\\A"));
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\n\n\nREGKEY=SOFTWARE\\B\n"));
    EXPECT_TRUE(Logged("REGKEY(2)=SOFTWARE\\B"));
    ASSERT_TRUE(Apply("; comment\n   \t [hkey_current_user]   \nREGKEY = Software\\C\nlast = REG_SZ:no line feed"));
    EXPECT_TRUE(Logged("FLAG(2) [HKEY_CURRENT_USER]"));
    EXPECT_TRUE(Logged("REG_SZ(4) last=no line feed"));
    EXPECT_NE(RegistryText("HKEY_CURRENT_USER\\Software\\C").find("\"last\"=\"no line feed\""), std::string::npos);
}

TEST_F(Script, NumbersBytesAndTheirLimits) {
    std::string script = "[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\N\n"
                         "hex = REG_DWORD:0x10\noctal = REG_DWORD:010\nminus = REG_DWORD:-2\nbig = REG_DWORD:99999999999\n"
                         "bin = REG_BINARY:3 1 2 255\ncomma = REG_BINARY:3 1,2,3\nmulti = REG_MULTI_SZ:5 97 0 98 0 0\n"
                         "long = REG_BINARY:600 7\n";
    ASSERT_TRUE(Apply(script));
    std::string key = Key("SOFTWARE\\N");
    EXPECT_NE(key.find("\"hex\"=dword:00000010"), std::string::npos) << key;
    EXPECT_NE(key.find("\"octal\"=dword:00000008"), std::string::npos);
    EXPECT_NE(key.find("\"minus\"=dword:fffffffe"), std::string::npos);
    EXPECT_NE(key.find("\"big\"=dword:ffffffff"), std::string::npos);
    EXPECT_NE(key.find("\"bin\"=hex:01,02,ff\n"), std::string::npos);
    EXPECT_NE(key.find("\"comma\"=hex:01,00,00\n"), std::string::npos);
    EXPECT_NE(key.find("\"multi\"=hex(7):61,00,62,00,00\n"), std::string::npos);
    EXPECT_TRUE(Logged("SETVALUE(10) long BINARY line too long - truncated"));
    EXPECT_TRUE(Logged("REG_BINARY(10) long=512 bytes"));
    std::string zeros;
    for (int i = 0; i < 511; ++i) zeros += ",00";
    EXPECT_NE(key.find("\"long\"=hex:07" + zeros + "\n"), std::string::npos);
}

TEST_F(Script, OptionalSectionsKeepValuesOfTheSameType) {
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\O\nkept = REG_SZ:old\nchanged = REG_SZ:old\n@ = REG_SZ:old\n"));
    ASSERT_TRUE(Apply("[OPTIONAL]\n[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\O\nkept = REG_SZ:new\n"
                      "changed = REG_DWORD:5\n@ = REG_SZ: new default\n"));
    std::string key = Key("SOFTWARE\\O");
    EXPECT_NE(key.find("\"kept\"=\"old\""), std::string::npos) << key;
    EXPECT_NE(key.find("\"changed\"=dword:00000005"), std::string::npos);
    EXPECT_NE(key.find("@=\" new default\""), std::string::npos) << "the default value is never protected";
    EXPECT_TRUE(Logged("OPTIONAL(4) exists, skipping"));
}

TEST_F(Script, TypesAndSeparators) {
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\T\nlower = reg_sz:works\n"));
    EXPECT_NE(Key("SOFTWARE\\T").find("\"lower\"=\"works\""), std::string::npos);

    SetSourcePosition(".\\install\\registry.cpp", 1);
    EXPECT_FALSE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\T\nblank = REG_SZ :text\nnext = REG_SZ:x\n"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2078u);
    EXPECT_EQ(StatusQualifier, 31u);
    EXPECT_TRUE(Logged("SETVALUE(3) blank failed 0x0000001F"));
    EXPECT_EQ(Key("SOFTWARE\\T").find("next"), std::string::npos) << "later lines are not applied";

    ResetInstaller();
    LogOpen("C:\\script.log");
    DiscoverPlatform();
    EXPECT_FALSE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\T\nnocolon = REG_SZ\n"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2053u);
    EXPECT_EQ(StatusQualifier, 3u);
    EXPECT_TRUE(Logged("Missing ':' line 3"));

    ResetInstaller();
    LogOpen("C:\\script.log");
    DiscoverPlatform();
    EXPECT_FALSE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\T\nno equals sign\n"));
    EXPECT_TRUE(Logged("Missing ':' line 3"));

    ResetInstaller();
    LogOpen("C:\\script.log");
    DiscoverPlatform();
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY\nREGKEY =   \nMyREGKEYvalue = SOFTWARE\\ByName\n[UNKNOWN]\n"));
    EXPECT_NE(Key("SOFTWARE\\ByName"), "") << "a name with REGKEY in it makes a key line";
}

TEST_F(Script, MacrosAndLongValues) {
    ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\M\n"
                      "path = REG_SZ:%%WINSYSDIR%%\\halvunin.exe\ntwice = REG_SZ:%%WINDIR%%;%%WINDIR%%\n"
                      "drivers = REG_SZ:%%WINDRIVERDIR%%|%%WINSYS16DIR%%|%%TARGETDIR%%|%%windir%%\n"));
    std::string key = Key("SOFTWARE\\M");
    EXPECT_NE(key.find("\"path\"=\"c:\\\\windows\\\\system32\\\\halvunin.exe\""), std::string::npos) << key;
    EXPECT_NE(key.find("\"twice\"=\"c:\\\\windows;c:\\\\windows\""), std::string::npos);
    EXPECT_NE(key.find("\"drivers\"=\"c:\\\\windows\\\\system32\\\\drivers|c:\\\\windows\\\\system||%%windir%%\""),
              std::string::npos);

    SetSourcePosition(".\\install\\registry.cpp", 1);
    std::string many;
    for (int i = 0; i < 40; ++i) many += "%%WINDRIVERDIR%%";
    EXPECT_FALSE(Apply("[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\M\nhuge = REG_SZ:" + many + "\n"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2053u);
    EXPECT_EQ(StatusQualifier, 3u);
    EXPECT_EQ(Key("SOFTWARE\\M").find("huge"), std::string::npos);

    char text[SCRIPT_LINE_LIMIT] = "a%%X%%b";
    EXPECT_TRUE(ReplaceAll(text, "%%X%%", "[%%X%%]"));
    EXPECT_STREQ(text, "a[%%X%%]b") << "a replacement holding its token ends";
}

TEST_F(Script, AnOverlongLineOrANulByteStopsThePassAtItsLine) {
    const std::string head = "[HKEY_LOCAL_MACHINE]\nREGKEY=SOFTWARE\\L\n";
    // 512 characters fit the line buffer, trailing blanks and a CR are white space.
    std::string fits = "v = REG_SZ:" + std::string(512 - 11, 'x');
    ASSERT_TRUE(Apply(head + fits + "   \r\nafter = REG_DWORD:1\n"));
    EXPECT_NE(Key("SOFTWARE\\L").find("\"after\"=dword:00000001"), std::string::npos);

    const struct {
        std::string line;
        const char* log;
    } rows[] = {
        {fits + "y", "Line 3 is too long"},
        {std::string("v = REG_SZ:ab") + '\0' + "cd", "Line 3 holds a NUL byte"},
        {std::string(1, '\0'), "Line 3 holds a NUL byte"},
    };
    for (const auto& row : rows) {
        Start("winxp");
        SetSourcePosition(".\\install\\registry.cpp", 1);
        EXPECT_FALSE(Apply(head + row.line + "\nafter = REG_DWORD:1\n")) << row.log;
        EXPECT_EQ(STATUS_CODE(StatusWord), 2053u) << row.log;
        EXPECT_EQ(StatusQualifier, 3u) << row.log;
        EXPECT_TRUE(Logged(row.log)) << Log();
        EXPECT_EQ(Key("SOFTWARE\\L").find("after"), std::string::npos) << "no line after it is applied";
        EXPECT_EQ(Key("SOFTWARE\\L").find("\"v\""), std::string::npos) << "nor the line itself, cut";
    }
}

TEST_F(Script, EmptyScriptsSucceedAndDisappear) {
    EXPECT_TRUE(Apply(""));
    EXPECT_FALSE(HostFileExists(Host(path_)));
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CreateFileA:1:5", error));
    EXPECT_FALSE(Apply("[HKEY_LOCAL_MACHINE]\n"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2067u);
}

std::string CarriedScript() { return ReadHostFile(std::string(PAYLOAD_DIR) + "/halvinst.inf"); }

TEST_F(Script, TheCarriedFileIsAsTabulated) {
    std::string text = CarriedScript();
    std::string star = ";" + std::string(78, '*');
    std::string expected = star + "\r\n; REQUIRED registry entries for HALVIK\r\n" + star +
                           "\r\n\r\n[REQUIRED]\r\n[HKEY_LOCAL_MACHINE]\r\n[WINDOWS_NT]\r\n\r\n\r\n"
                           "REGKEY = SYSTEM\\CurrentControlSet\\Services\\Halvik\r\n"
                           "ErrorControl = REG_DWORD:1\r\nGroup        = REG_SZ:Filter\r\nStart        = REG_DWORD:0\r\n"
                           "Tag          = REG_DWORD:6\r\nType         = REG_DWORD:1\r\n"
                           "DisplayName  = REG_SZ:Tessera Driver\r\n\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(text, expected);
}

TEST_F(Script, TheCarriedFileOnXpAnd98) {
    ASSERT_TRUE(Apply(CarriedScript()));
    EXPECT_EQ(RegistryText(kHalvik), std::string("REGEDIT4\n\n[") + kHalvik +
                                         "]\n\"ErrorControl\"=dword:00000001\n\"Group\"=\"Filter\"\n"
                                         "\"Start\"=dword:00000000\n\"Tag\"=dword:00000006\n"
                                         "\"Type\"=dword:00000001\n\"DisplayName\"=\"Tessera Driver\"\n\n");
    std::string log = Log();
    for (const char* line : {"FLAG(5) [REQUIRED]", "FLAG(6) [HKEY_LOCAL_MACHINE]", "FLAG(7) [WINDOWS_NT]",
                             "REGKEY(10)=SYSTEM\\CurrentControlSet\\Services\\Halvik", "REG_DWORD(11) ErrorControl=1",
                             "REG_SZ(12) Group=Filter", "REG_DWORD(13) Start=0", "REG_DWORD(14) Tag=6",
                             "REG_DWORD(15) Type=1", "REG_SZ(16) DisplayName=Tessera Driver"})
        EXPECT_NE(log.find(std::string(": ") + line + "\r\n"), std::string::npos) << line;

    Start("win98");
    std::string before = RegistryText("HKEY_LOCAL_MACHINE");
    ASSERT_TRUE(Apply(CarriedScript()));
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE"), before) << "nothing is written on the 95 family";
}

TEST_F(Script, ScriptsOfTheFileSet) {
    FileEntry entries[2] = {};
    entries[0].archiveName = entries[0].targetName = "halvunin.exe";
    entries[0].flags = FE_NO_VERSION;
    entries[1].archiveName = entries[1].targetName = "halvinst.inf";
    std::strcpy(entries[1].imageName, "KVT1");
    entries[1].directory = DIR_TEMP;
    entries[1].flags = FE_REGISTRY_SCRIPT;
    FileState states[2] = {};
    static std::vector<DWORD> kinds;
    kinds.clear();
    FileSet set = {nullptr, 0, 2, entries, states, [](ProgressRecord* r) { kinds.push_back(r->kind * 10 + r->index); }};

    SetSourcePosition(".\\install\\registry.cpp", 1);
    EXPECT_FALSE(ApplyRegistryScripts(&set));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2050u);
    EXPECT_TRUE(Logged("Not initialized!"));

    ResetInstaller();
    LogOpen("C:\\script.log");
    ASSERT_TRUE(InstallLibraryInit(""));
    WriteHostFile(Host("C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\KVT1.TMP"), CarriedScript());
    EXPECT_TRUE(ApplyRegistryScripts(&set));
    EXPECT_EQ(kinds, (std::vector<DWORD>{2590, 2591}));
    EXPECT_TRUE(Logged("Parsing registry file c:\\docume~1\\admini~1\\locals~1\\temp\\KVT1.TMP"));
    EXPECT_NE(RegistryText(kHalvik), "");
}

}  // namespace
