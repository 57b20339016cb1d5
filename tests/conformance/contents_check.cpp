// Reading, writing and seeking; file times; copying.
#include "check.h"

namespace conformance {
namespace {

void ReportPointer(const std::string& name, HANDLE h, LONG distance, PLONG high, DWORD method) {
    Mark();
    DWORD at = SetFilePointer(h, distance, high, method);
    std::string error = Err();
    Report(name, Fmt("ret=0x%X err=%s", static_cast<unsigned>(at), error.c_str()) +
                     (high ? Fmt(" high=%d", static_cast<int>(*high)) : ""));
}

void ReportRead(const std::string& name, HANDLE h, DWORD count) {
    char buffer[64] = "";
    DWORD got = 0xFFFF;
    Mark();
    BOOL ok = ReadFile(h, buffer, count, &got, nullptr);
    std::string error = Err();
    Report(name, Fmt("ret=%d err=%s read=%u data=%s", ok, error.c_str(), static_cast<unsigned>(got),
                     Hex(buffer, got <= sizeof buffer ? got : 0).c_str()));
}

void ReportWrite(const std::string& name, HANDLE h, const char* data, DWORD count) {
    DWORD put = 0xFFFF;
    Mark();
    BOOL ok = WriteFile(h, data, count, &put, nullptr);
    std::string error = Err();
    Report(name, Fmt("ret=%d err=%s written=%u", ok, error.c_str(), static_cast<unsigned>(put)));
}

void ReportSize(const std::string& name, HANDLE h) {
    DWORD high = 7;
    Mark();
    DWORD size = GetFileSize(h, &high);
    std::string error = Err();
    Report(name, Fmt("ret=%u err=%s high=%u", static_cast<unsigned>(size), error.c_str(), static_cast<unsigned>(high)));
}

void ReadWriteSeek() {
    HANDLE h = CreateFileA(Work("rw.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ReportWrite("WriteFile 10 bytes", h, "0123456789", 10);
    ReportWrite("WriteFile 0 bytes", h, "", 0);
    ReportSize("GetFileSize after writing", h);
    ReportRead("ReadFile at the end", h, 4);
    ReportPointer("SetFilePointer FILE_BEGIN 2", h, 2, nullptr, FILE_BEGIN);
    ReportRead("ReadFile 4 from 2", h, 4);
    ReportPointer("SetFilePointer FILE_CURRENT 0", h, 0, nullptr, FILE_CURRENT);
    ReportPointer("SetFilePointer FILE_CURRENT -3", h, -3, nullptr, FILE_CURRENT);
    ReportRead("ReadFile across the end", h, 20);
    ReportPointer("SetFilePointer FILE_END -1", h, -1, nullptr, FILE_END);
    ReportRead("ReadFile last byte", h, 8);
    ReportPointer("SetFilePointer FILE_BEGIN -1", h, -1, nullptr, FILE_BEGIN);
    ReportPointer("SetFilePointer after the failed move", h, 0, nullptr, FILE_CURRENT);
    ReportPointer("SetFilePointer FILE_END -20", h, -20, nullptr, FILE_END);
    LONG high = 0;
    ReportPointer("SetFilePointer with high 0", h, 5, &high, FILE_BEGIN);
    ReportPointer("SetFilePointer bad method", h, 0, nullptr, 7);
    ReportPointer("SetFilePointer past the end", h, 100, nullptr, FILE_BEGIN);
    ReportRead("ReadFile past the end", h, 4);
    ReportSize("GetFileSize after seeking past the end", h);
    ReportWrite("WriteFile past the end", h, "X", 1);
    ReportSize("GetFileSize after writing past the end", h);
    ReportPointer("SetFilePointer to the gap", h, 10, nullptr, FILE_BEGIN);
    ReportRead("ReadFile the gap", h, 4);
    ReportPointer("SetFilePointer FILE_BEGIN 6", h, 6, nullptr, FILE_BEGIN);
    Mark();
    BOOL ok = SetEndOfFile(h);
    ReportCall("SetEndOfFile at 6", ok);
    ReportSize("GetFileSize after SetEndOfFile", h);
    ReportPointer("SetFilePointer FILE_BEGIN 50", h, 50, nullptr, FILE_BEGIN);
    Mark();
    ok = SetEndOfFile(h);
    ReportCall("SetEndOfFile at 50", ok);
    ReportSize("GetFileSize after extending", h);
    Mark();
    ok = FlushFileBuffers(h);
    ReportCall("FlushFileBuffers", ok);
    CloseHandle(h);
    Mark();
    ok = CloseHandle(h);
    ReportCall("CloseHandle twice", ok);

    h = CreateFileA(Work("rw.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReportWrite("WriteFile on a read-only handle", h, "abc", 3);
    Mark();
    ok = SetEndOfFile(h);
    ReportCall("SetEndOfFile on a read-only handle", ok);
    CloseHandle(h);
    h = CreateFileA(Work("rw.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ReportRead("ReadFile on a write-only handle", h, 4);
    CloseHandle(h);
    ReportSize("GetFileSize on a closed handle", h);
}

const FILETIME kStamp = {0x2A5E8000u, 0x01C0F3A5u};  // 2001-06-20, a time on an even second

void Times() {
    std::string t = Work("time.txt");
    HANDLE h = CreateFileA(t.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, "time", 4, &put, nullptr);
    Mark();
    BOOL ok = SetFileTime(h, nullptr, nullptr, &kStamp);
    ReportCall("SetFileTime last write", ok);
    FILETIME created = {}, accessed = {}, written = {};
    Mark();
    ok = GetFileTime(h, &created, &accessed, &written);
    ReportCall("GetFileTime", ok,
               Fmt("write=%08X%08X", static_cast<unsigned>(written.dwHighDateTime),
                   static_cast<unsigned>(written.dwLowDateTime)));
    CloseHandle(h);

    SYSTEMTIME st = {};
    Mark();
    ok = FileTimeToSystemTime(&kStamp, &st);
    ReportCall("FileTimeToSystemTime", ok,
               Fmt("%04u-%02u-%02u %02u:%02u:%02u.%03u dow=%u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                   st.wSecond, st.wMilliseconds, st.wDayOfWeek));
    FILETIME back = {};
    Mark();
    ok = SystemTimeToFileTime(&st, &back);
    ReportCall("SystemTimeToFileTime", ok,
               Fmt("%08X%08X", static_cast<unsigned>(back.dwHighDateTime), static_cast<unsigned>(back.dwLowDateTime)));
    SYSTEMTIME bad = st;
    bad.wMonth = 13;
    Mark();
    ok = SystemTimeToFileTime(&bad, &back);
    ReportCall("SystemTimeToFileTime month 13", ok);
    FILETIME later = kStamp;
    later.dwHighDateTime += 1;
    Report("CompareFileTime", Fmt("%d %d %d", static_cast<int>(CompareFileTime(&kStamp, &later)),
                                  static_cast<int>(CompareFileTime(&later, &kStamp)),
                                  static_cast<int>(CompareFileTime(&kStamp, &kStamp))));
}

void Copies() {
    std::string source = Work("time.txt"), target = Work("copy.txt");
    Mark();
    BOOL ok = CopyFileA(source.c_str(), target.c_str(), TRUE);
    ReportCall("CopyFileA to a new file", ok);
    HANDLE h = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written = {};
    GetFileTime(h, nullptr, nullptr, &written);
    DWORD size = GetFileSize(h, nullptr);
    CloseHandle(h);
    Report("CopyFileA keeps the last write time",
           Fmt("%s size=%u", CompareFileTime(&written, &kStamp) == 0 ? "same" : "different", static_cast<unsigned>(size)));
    Mark();
    ok = CopyFileA(source.c_str(), target.c_str(), TRUE);
    ReportCall("CopyFileA fail if exists", ok);
    Mark();
    ok = CopyFileA(source.c_str(), target.c_str(), FALSE);
    ReportCall("CopyFileA over an existing file", ok);
    Mark();
    ok = CopyFileA(Work("none.txt").c_str(), target.c_str(), FALSE);
    ReportCall("CopyFileA missing source", ok);
    Mark();
    ok = CopyFileA(source.c_str(), Work("nodir\\copy.txt").c_str(), FALSE);
    ReportCall("CopyFileA missing target folder", ok);
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
    Mark();
    ok = CopyFileA(source.c_str(), Work("copy2.txt").c_str(), FALSE);
    std::string error = Err();
    Report("CopyFileA of a read-only file",
           Fmt("ret=%d err=%s attributes=0x%X", ok, error.c_str(),
               static_cast<unsigned>(GetFileAttributesA(Work("copy2.txt").c_str()))));
    Mark();
    ok = CopyFileA(source.c_str(), Work("copy2.txt").c_str(), FALSE);
    ReportCall("CopyFileA over a read-only file", ok);
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesA(Work("copy2.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    Mark();
    ok = CopyFileA(source.c_str(), source.c_str(), FALSE);
    ReportCall("CopyFileA onto itself", ok);
    Mark();
    ok = CopyFileA(source.c_str(), kWork, FALSE);
    ReportCall("CopyFileA onto a folder", ok);
}

}  // namespace

void CheckFileContents() {
    ReadWriteSeek();
    Times();
    Copies();
}

}  // namespace conformance
