// FILETIME (100 ns ticks since 1601-01-01 UTC) and SYSTEMTIME conversions,
// and the comparison the installer decides upgrades with.
#include <time.h>

#include <cstdint>

#include "machine/faults.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000ull;
constexpr uint64_t kTicksPerDay = 86400ull * kTicksPerSecond;

uint64_t Ticks(const FILETIME& ft) { return static_cast<uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime; }

FILETIME FromTicks(uint64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

bool IsLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Days from 1601-01-01 to a civil date, and back (the proleptic Gregorian
// calendar, counted in 400-year eras of 146097 days).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t fromEpoch1970 = era * 146097 + doe - 719468;
    return fromEpoch1970 + 134774;  // 1601-01-01 lies 134774 days before 1970-01-01
}

void CivilFromDays(int64_t days1601, int64_t& y, int& m, int& d) {
    const int64_t z = days1601 - 134774 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// The machine's offset from UTC now, in ticks. Like Windows, the local-time
// conversions use the bias in force now, not the one of the converted date.
int64_t LocalBiasTicks() {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    return static_cast<int64_t>(local.tm_gmtoff) * static_cast<int64_t>(kTicksPerSecond);
}

bool ShiftedBy(const FILETIME* in, LPFILETIME out, int64_t shift) {
    if (!in || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int64_t ticks = static_cast<int64_t>(Ticks(*in));
    if (ticks < 0 || (shift < 0 && ticks < -shift)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *out = FromTicks(static_cast<uint64_t>(ticks + shift));
    return true;
}

}  // namespace

extern "C" BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME out) {
    if (winsim::FailsHere("FileTimeToSystemTime", false)) return FALSE;
    if (!fileTime || !out || (fileTime->dwHighDateTime & 0x80000000u)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t ticks = Ticks(*fileTime);
    int64_t days = static_cast<int64_t>(ticks / kTicksPerDay);
    uint64_t inDay = ticks % kTicksPerDay;
    int64_t year;
    int month, day;
    CivilFromDays(days, year, month, day);
    out->wYear = static_cast<WORD>(year);
    out->wMonth = static_cast<WORD>(month);
    out->wDay = static_cast<WORD>(day);
    out->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    out->wHour = static_cast<WORD>(inDay / (3600 * kTicksPerSecond));
    out->wMinute = static_cast<WORD>(inDay / (60 * kTicksPerSecond) % 60);
    out->wSecond = static_cast<WORD>(inDay / kTicksPerSecond % 60);
    out->wMilliseconds = static_cast<WORD>(inDay / 10000 % 1000);
    return TRUE;
}

// The day of the week is ignored, as Windows ignores it.
extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* in, LPFILETIME out) {
    if (winsim::FailsHere("SystemTimeToFileTime", false)) return FALSE;
    if (!in || !out || in->wYear < 1601 || in->wYear > 30827 || in->wMonth < 1 || in->wMonth > 12 || in->wDay < 1 ||
        in->wDay > DaysInMonth(in->wYear, in->wMonth) || in->wHour > 23 || in->wMinute > 59 || in->wSecond > 59 ||
        in->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t days = static_cast<uint64_t>(DaysFromCivil(in->wYear, in->wMonth, in->wDay));
    uint64_t ticks = days * kTicksPerDay +
                     ((in->wHour * 60ull + in->wMinute) * 60ull + in->wSecond) * kTicksPerSecond +
                     in->wMilliseconds * 10000ull;
    *out = FromTicks(ticks);
    return TRUE;
}

extern "C" LONG WINAPI CompareFileTime(const FILETIME* a, const FILETIME* b) {
    uint64_t x = Ticks(*a), y = Ticks(*b);
    return x < y ? -1 : x > y ? 1 : 0;
}

extern "C" BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* in, LPFILETIME out) {
    if (winsim::FailsHere("FileTimeToLocalFileTime", false)) return FALSE;
    return ShiftedBy(in, out, LocalBiasTicks()) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* in, LPFILETIME out) {
    if (winsim::FailsHere("LocalFileTimeToFileTime", false)) return FALSE;
    return ShiftedBy(in, out, -LocalBiasTicks()) ? TRUE : FALSE;
}
