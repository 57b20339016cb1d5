// Creating, opening and sharing files; attributes, deletion and directories.
#include "check.h"

namespace conformance {
namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
    Mark();
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags ? flags : FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

void Close(HANDLE& handle) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

DWORD SizeOf(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0xFFFFFFFF;
    DWORD size = GetFileSize(h, nullptr);
    CloseHandle(h);
    return size;
}

// One CreateFileA whose handle is closed again at once.
void OpenOnce(const std::string& name, const std::string& path, DWORD access, DWORD disposition) {
    HANDLE h = Open(path, access, FILE_SHARE_READ, disposition);
    ReportHandle(name, h);
    Close(h);
}

void Dispositions() {
    std::string a = Work("a.txt");
    OpenOnce("CreateFileA CREATE_NEW new", a, GENERIC_WRITE, CREATE_NEW);
    OpenOnce("CreateFileA CREATE_NEW existing", a, GENERIC_WRITE, CREATE_NEW);
    OpenOnce("CreateFileA CREATE_NEW other case", Work("A.TXT"), GENERIC_WRITE, CREATE_NEW);
    OpenOnce("CreateFileA CREATE_ALWAYS existing", a, GENERIC_WRITE, CREATE_ALWAYS);
    OpenOnce("CreateFileA CREATE_ALWAYS new", Work("b.txt"), GENERIC_WRITE, CREATE_ALWAYS);
    OpenOnce("CreateFileA OPEN_EXISTING present", a, GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA OPEN_EXISTING missing file", Work("none.txt"), GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA OPEN_EXISTING missing folder", Work("nodir\\none.txt"), GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA OPEN_EXISTING missing drive", "Q:\\none.txt", GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA CREATE_NEW missing folder", Work("nodir\\new.txt"), GENERIC_WRITE, CREATE_NEW);
    OpenOnce("CreateFileA OPEN_ALWAYS new", Work("c.txt"), GENERIC_WRITE, OPEN_ALWAYS);
    OpenOnce("CreateFileA OPEN_ALWAYS existing", Work("C.TXT"), GENERIC_WRITE, OPEN_ALWAYS);
    OpenOnce("CreateFileA TRUNCATE_EXISTING present", a, GENERIC_WRITE, TRUNCATE_EXISTING);
    OpenOnce("CreateFileA TRUNCATE_EXISTING missing", Work("none.txt"), GENERIC_WRITE, TRUNCATE_EXISTING);
    OpenOnce("CreateFileA OPEN_EXISTING folder", kWork, GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA CREATE_ALWAYS on a folder", kWork, GENERIC_WRITE, CREATE_ALWAYS);
    OpenOnce("CreateFileA disposition 0", Work("d.txt"), GENERIC_WRITE, 0);
    OpenOnce("CreateFileA empty name", "", GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA wildcard name", Work("*.txt"), GENERIC_READ, OPEN_EXISTING);
}

void Sharing() {
    std::string s = Work("share.txt");
    HANDLE first = Open(s, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    ReportHandle("share, first open read/write sharing read", first);
    HANDLE h = Open(s, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ReportHandle("share, read sharing read while a writer is open", h);
    Close(h);
    h = Open(s, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ReportHandle("share, read sharing read+write while a writer is open", h);
    Close(h);
    h = Open(s, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ReportHandle("share, write while the first shares only reading", h);
    Close(h);
    Mark();
    BOOL deleted = DeleteFileA(s.c_str());
    ReportCall("share, DeleteFileA while open without delete sharing", deleted);
    Mark();
    BOOL copied = CopyFileA(s.c_str(), Work("share2.txt").c_str(), FALSE);
    ReportCall("share, CopyFileA from a file open for writing", copied);
    Mark();
    BOOL moved = MoveFileExA(s.c_str(), Work("share3.txt").c_str(), 0);
    ReportCall("share, MoveFileExA of an open file", moved);
    Close(first);

    first = Open(s, GENERIC_READ, 0, OPEN_EXISTING);
    ReportHandle("share, exclusive read open", first);
    h = Open(s, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    ReportHandle("share, any open while exclusive", h);
    Close(h);
    Mark();
    DWORD attributes = GetFileAttributesA(s.c_str());
    ReportCall("share, GetFileAttributesA while exclusive", attributes);
    Close(first);

    first = Open(s, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    Mark();
    deleted = DeleteFileA(s.c_str());
    ReportCall("share, DeleteFileA while open with delete sharing", deleted);
    Close(first);
    Mark();
    attributes = GetFileAttributesA(s.c_str());
    ReportCall("share, attributes after the last handle closed", static_cast<int>(attributes));
}

void Attributes() {
    std::string a = Work("attr.txt");
    HANDLE h = Open(a, GENERIC_WRITE, 0, CREATE_ALWAYS);
    Close(h);
    Mark();
    DWORD value = GetFileAttributesA(a.c_str());
    ReportCall("GetFileAttributesA new file", value);
    Mark();
    value = GetFileAttributesA(kWork);
    ReportCall("GetFileAttributesA folder", value);
    Mark();
    value = GetFileAttributesA(Work("none.txt").c_str());
    ReportCall("GetFileAttributesA missing file", static_cast<int>(value));
    Mark();
    value = GetFileAttributesA(Work("nodir\\none.txt").c_str());
    ReportCall("GetFileAttributesA missing folder", static_cast<int>(value));
    Mark();
    value = GetFileAttributesA("C:\\");
    ReportCall("GetFileAttributesA drive root", value);
    const DWORD sets[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY};
    for (DWORD set : sets) {
        Mark();
        BOOL ok = SetFileAttributesA(a.c_str(), set);
        std::string error = Err();
        DWORD now = GetFileAttributesA(a.c_str());
        Report(Fmt("SetFileAttributesA 0x%X", static_cast<unsigned>(set)),
               Fmt("ret=%d err=%s now=0x%X", ok, error.c_str(), static_cast<unsigned>(now)));
    }
    Mark();
    BOOL ok = SetFileAttributesA(Work("none.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    ReportCall("SetFileAttributesA missing", ok);

    SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
    OpenOnce("CreateFileA write to a read-only file", a, GENERIC_WRITE, OPEN_EXISTING);
    OpenOnce("CreateFileA read a read-only file", a, GENERIC_READ, OPEN_EXISTING);
    OpenOnce("CreateFileA CREATE_ALWAYS over a read-only file", a, GENERIC_WRITE, CREATE_ALWAYS);
    Mark();
    ok = DeleteFileA(a.c_str());
    ReportCall("DeleteFileA read-only", ok);
    SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    Mark();
    ok = DeleteFileA(a.c_str());
    ReportCall("DeleteFileA after clearing read-only", ok);
    Mark();
    ok = DeleteFileA(a.c_str());
    ReportCall("DeleteFileA missing", ok);
    Mark();
    ok = DeleteFileA(Work("nodir\\x.txt").c_str());
    ReportCall("DeleteFileA missing folder", ok);
    Mark();
    ok = DeleteFileA(kWork);
    ReportCall("DeleteFileA on a folder", ok);
}

void Folders() {
    std::string sub = Work("sub");
    Mark();
    BOOL ok = CreateDirectoryA(sub.c_str(), nullptr);
    ReportCall("CreateDirectoryA new", ok);
    Mark();
    ok = CreateDirectoryA(Work("SUB").c_str(), nullptr);
    ReportCall("CreateDirectoryA existing other case", ok);
    Mark();
    ok = CreateDirectoryA(Work("nodir\\sub").c_str(), nullptr);
    ReportCall("CreateDirectoryA missing parent", ok);
    Mark();
    ok = CreateDirectoryA(Work("a.txt").c_str(), nullptr);
    ReportCall("CreateDirectoryA over a file", ok);
    HANDLE h = Open(sub + "\\inner.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    Close(h);
    Mark();
    ok = RemoveDirectoryA(sub.c_str());
    ReportCall("RemoveDirectoryA not empty", ok);
    DeleteFileA((sub + "\\inner.txt").c_str());
    Mark();
    ok = RemoveDirectoryA(sub.c_str());
    ReportCall("RemoveDirectoryA empty", ok);
    Mark();
    ok = RemoveDirectoryA(sub.c_str());
    ReportCall("RemoveDirectoryA missing", ok);
    Mark();
    ok = RemoveDirectoryA(Work("a.txt").c_str());
    ReportCall("RemoveDirectoryA on a file", ok);
}

// A path without a drive letter names a place relative to the current
// directory (C:\ when the program was started there) on the current drive.
void RelativePaths() {
    char here[MAX_PATH] = "";
    Mark();
    DWORD n = GetCurrentDirectoryA(sizeof here, here);
    ReportCall("GetCurrentDirectoryA", n, here);
    Mark();
    n = GetCurrentDirectoryA(2, here);
    ReportCall("GetCurrentDirectoryA short buffer", n);
    HANDLE h = Open("CONFORM\\relative.txt", GENERIC_WRITE, 0, CREATE_NEW);
    ReportHandle("CreateFileA relative path", h);
    Close(h);
    Mark();
    DWORD attributes = GetFileAttributesA(Work("relative.txt").c_str());
    ReportCall("relative file lands in the current directory", attributes);
    h = Open("\\CONFORM\\rooted.txt", GENERIC_WRITE, 0, CREATE_NEW);
    ReportHandle("CreateFileA path from the drive root", h);
    Close(h);
    Mark();
    attributes = GetFileAttributesA(Work("rooted.txt").c_str());
    ReportCall("rooted file lands on the current drive", attributes);
    Mark();
    attributes = GetFileAttributesA("CONFORM\\..\\CONFORM\\.\\rooted.txt");
    ReportCall("GetFileAttributesA relative with dots", attributes);
    Mark();
    BOOL ok = DeleteFileA("CONFORM\\relative.txt");
    ReportCall("DeleteFileA relative", ok);
}

}  // namespace

void CheckFiles() {
    Mark();
    BOOL ok = CreateDirectoryA(kWork, nullptr);
    ReportCall("CreateDirectoryA work folder", ok);
    Mark();
    ok = CreateDirectoryA(kWork, nullptr);
    ReportCall("CreateDirectoryA existing", ok);
    Dispositions();
    Sharing();
    Attributes();
    Folders();
    RelativePaths();
    Report("size of the share file", Fmt("%u", static_cast<unsigned>(SizeOf(Work("share.txt")))));
}

}  // namespace conformance
