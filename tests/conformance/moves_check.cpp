// MoveFileA and MoveFileExA: at once, and queued for the restart in
// PendingFileRenameOperations.
#include "check.h"

namespace conformance {
namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

void Touch(const std::string& path, const char* text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, text, lstrlenA(text), &put, nullptr);
    CloseHandle(h);
}

std::string Content(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "(none)";
    char buffer[64] = "";
    DWORD got = 0;
    ReadFile(h, buffer, sizeof buffer - 1, &got, nullptr);
    CloseHandle(h);
    buffer[got] = '\0';
    return buffer;
}

void ReportMove(const std::string& name, const std::string& from, const std::string& to, DWORD flags) {
    Mark();
    BOOL ok = MoveFileExA(from.c_str(), to.empty() ? nullptr : to.c_str(), flags);
    ReportCall(name, ok);
}

// The strings of the REG_MULTI_SZ value, each in angle brackets.
void ReportPending(const std::string& name) {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key);
    BYTE data[4096];
    DWORD size = sizeof data - 2, type = 0;
    Mark();
    LONG status = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, data, &size);
    RegCloseKey(key);
    std::string strings;
    if (status == ERROR_SUCCESS) {
        data[size] = data[size + 1] = 0;
        for (DWORD i = 0; i < size;) {
            std::string s = reinterpret_cast<const char*>(data + i);
            strings += "<" + s + ">";
            i += static_cast<DWORD>(s.size()) + 1;
        }
    }
    Report(name, Fmt("status=%d type=%u size=%u %s", static_cast<int>(status), static_cast<unsigned>(type),
                     static_cast<unsigned>(size), strings.c_str()));
}

}  // namespace

void CheckMoves() {
    std::string a = Work("m1.txt"), b = Work("m2.txt"), c = Work("m3.txt");
    Touch(a, "one");
    Touch(b, "two");
    ReportMove("MoveFileExA to a new name", a, c, 0);
    Report("MoveFileExA moved the contents", Content(c) + "/" + Content(a));
    ReportMove("MoveFileExA onto an existing file", c, b, 0);
    ReportMove("MoveFileExA onto an existing file, replacing", c, b, MOVEFILE_REPLACE_EXISTING);
    Report("MoveFileExA replaced the contents", Content(b) + "/" + Content(c));
    ReportMove("MoveFileExA missing source", Work("none.txt"), c, 0);
    ReportMove("MoveFileExA missing target folder", b, Work("nodir\\m.txt"), 0);
    ReportMove("MoveFileExA to another case of its own name", b, Work("M2.TXT"), 0);
    ReportMove("MoveFileExA onto itself", b, b, 0);
    Touch(a, "one");
    std::string r1 = Work("r1.txt"), r2 = Work("r2.txt");
    Touch(r1, "r1");
    Touch(r2, "r2");
    SetFileAttributesA(r2.c_str(), FILE_ATTRIBUTE_READONLY);
    ReportMove("MoveFileExA replacing a read-only file", r1, r2, MOVEFILE_REPLACE_EXISTING);
    SetFileAttributesA(r2.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    DeleteFileA(r1.c_str());
    DeleteFileA(r2.c_str());
    CreateDirectoryA(Work("movedir").c_str(), nullptr);
    ReportMove("MoveFileExA a folder", Work("movedir"), Work("moveddir"), 0);
    ReportMove("MoveFileExA a file onto a folder, replacing", a, Work("moveddir"), MOVEFILE_REPLACE_EXISTING);
    Mark();
    BOOL ok = MoveFileA(a.c_str(), c.c_str());
    ReportCall("MoveFileA to a new name", ok);
    Mark();
    ok = MoveFileA(c.c_str(), b.c_str());
    ReportCall("MoveFileA onto an existing file", ok);
    ReportMove("MoveFileExA delete without delay", c, "", 0);

    ReportPending("PendingFileRenameOperations before");
    Touch(a, "one");
    ReportMove("MoveFileExA delayed delete", a, "", MOVEFILE_DELAY_UNTIL_REBOOT);
    ReportPending("PendingFileRenameOperations after a delete");
    ReportMove("MoveFileExA delayed replace", b, c, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    ReportMove("MoveFileExA delayed move", c, Work("m4.txt"), MOVEFILE_DELAY_UNTIL_REBOOT);
    ReportPending("PendingFileRenameOperations after two moves");
    ReportMove("MoveFileExA delayed, missing source", Work("none.txt"), "", MOVEFILE_DELAY_UNTIL_REBOOT);
    ReportPending("PendingFileRenameOperations at the end");
    Report("delayed operations leave the files", Content(a) + "/" + Content(b) + "/" + Content(c));
    ReportMove("MoveFileExA delayed with copy allowed", b, c,
               MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED);
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key);
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
}

}  // namespace conformance
