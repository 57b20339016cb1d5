// File time conversions and the process heap.
#include <windows.h>

#include <cstring>

#include "machine_fixture.h"

namespace {

FILETIME Ft(unsigned long long ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

unsigned long long Ticks(const FILETIME& ft) {
    return static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

SYSTEMTIME St(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    st.wMilliseconds = ms;
    return st;
}

using Clock = MachineTest;

TEST_F(Clock, FileTimesConvertToAndFromCalendarDates) {
    struct {
        SYSTEMTIME st;
        unsigned long long ticks;
        WORD dayOfWeek;
    } known[] = {
        {St(1601, 1, 1), 0, 1},                                      // the epoch, a Monday
        {St(1970, 1, 1), 116444736000000000ull, 4},                  // the Unix epoch, a Thursday
        {St(2020, 2, 29, 23, 59, 59, 999), 0x01D5EF5C59CDD8F0ull, 6},  // seen under wine64
        {St(2003, 6, 30, 9, 16, 48), 127014382080000000ull, 1},  // time_t 0x3F000000
    };
    for (const auto& k : known) {
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&k.st, &ft));
        EXPECT_EQ(Ticks(ft), k.ticks) << k.st.wYear;
        SYSTEMTIME back;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(back.wYear, k.st.wYear);
        EXPECT_EQ(back.wMonth, k.st.wMonth);
        EXPECT_EQ(back.wDay, k.st.wDay);
        EXPECT_EQ(back.wHour, k.st.wHour);
        EXPECT_EQ(back.wMinute, k.st.wMinute);
        EXPECT_EQ(back.wSecond, k.st.wSecond);
        EXPECT_EQ(back.wMilliseconds, k.st.wMilliseconds);
        EXPECT_EQ(back.wDayOfWeek, k.dayOfWeek) << k.st.wYear;
    }
}

TEST_F(Clock, ImpossibleTimesAreRefused) {
    FILETIME ft;
    SYSTEMTIME bad[] = {St(2021, 2, 29), St(2020, 13, 1), St(1600, 12, 31), St(2020, 1, 1, 24),
                        St(2020, 1, 1, 0, 60), St(2020, 1, 1, 0, 0, 0, 1000), St(2020, 4, 31)};
    for (const SYSTEMTIME& st : bad) {
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    SYSTEMTIME st;
    FILETIME negative = Ft(0x8000000000000000ull);
    EXPECT_FALSE(FileTimeToSystemTime(&negative, &st));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Clock, CompareFileTimeComparesAllSixtyFourBits) {
    FILETIME a = Ft(0x00000001FFFFFFFFull), b = Ft(0x0000000200000000ull);
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
    EXPECT_EQ(CompareFileTime(&b, &a), 1);
    EXPECT_EQ(CompareFileTime(&a, &a), 0);
    // Versions are compared the same way: 7.1.0.189 against 7.1.0.188.
    FILETIME newer = Ft(0x00070001000000BDull), older = Ft(0x00070001000000BCull);
    EXPECT_EQ(CompareFileTime(&newer, &older), 1);
}

TEST_F(Clock, LocalFileTimesRoundTrip) {
    FILETIME utc = Ft(127014382080000000ull), local, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(Ticks(back), Ticks(utc));
}

using Heap = MachineTest;

TEST_F(Heap, BlocksAreZeroedOnRequestAndFreedOnce) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(HeapSize(heap, 0, block), 4096u);
    std::memset(block, 0xAB, 4096);
    block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 8192));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[4095], 0xAB);
    EXPECT_EQ(block[4096], 0);
    EXPECT_TRUE(HeapFree(heap, 0, block));
    // A pointer the heap did not give out, or gave out and took back.
    EXPECT_FALSE(HeapFree(heap, 0, block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    int local = 0;
    EXPECT_FALSE(HeapFree(heap, 0, &local));
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));

    void* empty = HeapAlloc(heap, 0, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_TRUE(HeapFree(heap, 0, empty));
    EXPECT_EQ(HeapAlloc(reinterpret_cast<HANDLE>(&local), 0, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Heap, AllocationFailuresAreInjectable) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("HeapAlloc:1:8", error)) << error;
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 16), nullptr);
    void* block = HeapAlloc(GetProcessHeap(), 0, 16);
    EXPECT_NE(block, nullptr);
    HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace
