// The shipped programs' own C routines and program start (crt/crt.cpp),
// built with them into a program of their kind (no C runtime, the four
// system DLLs) and run under Wine by crt_check.sh: each routine against what
// the C library gives in the "C" locale, the constructors of static objects
// run before WinMain, and WinMain's arguments taken from the command line.
// Prints one line per failed case and "crt: N passed, M failed".
#include <windows.h>

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

namespace {

int passed;
int failed;

void Say(const char *text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, NULL);
}

void Check(bool ok, const char *what)
{
    char line[300];
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    wsprintfA(line, "FAIL: %s\r\n", what);
    Say(line);
}

// A static object with a constructor: the start must run it.
int Assembled()
{
    return 42;
}
int assembled = Assembled();

// crt_check.sh builds this file without built-ins, so that each routine is
// called rather than worked out by the compiler.

void Memory()
{
    char a[16] = "abcdefghij";
    char b[16];
    memset(b, 'x', sizeof b);
    memcpy(b, a, 4);
    Check(b[0] == 'a' && b[3] == 'd' && b[4] == 'x', "memcpy copies the count only");
    memmove(a + 2, a, 5);
    Check(memcmp(a, "ababcdehij", 10) == 0, "memmove forward over itself");
    memmove(a, a + 2, 5);
    Check(memcmp(a, "abcdedehij", 10) == 0, "memmove backward over itself");
    Check(memcmp("ab", "ac", 2) < 0 && memcmp("\xff", "a", 1) > 0 && memcmp("x", "y", 0) == 0,
          "memcmp compares unsigned bytes");
    Check(memchr(a, 'e', 10) == a + 4 && memchr(a, 'z', 10) == NULL && memchr(a, 'a', 0) == NULL,
          "memchr finds within the count");
    memset(b, 0x1FF, 3);
    Check((unsigned char)b[0] == 0xFF && (unsigned char)b[2] == 0xFF, "memset takes the value as a byte");
}

void Strings()
{
    const char *path = "c:\\dir\\file.ext";
    Check(strlen("") == 0 && strlen(path) == 15, "strlen");
    Check(strcmp("abc", "abc") == 0 && strcmp("ab", "abc") < 0 && strcmp("\xe9", "e") > 0,
          "strcmp orders by unsigned characters");
    Check(strncmp("abcd", "abcx", 3) == 0 && strncmp("abcd", "abcx", 4) < 0 && strncmp("a", "a", 9) == 0,
          "strncmp stops at the count or the end");
    Check(strchr(path, '\\') == path + 2 && strchr(path, 'z') == NULL && strchr(path, '\0') == path + 15,
          "strchr, the terminator included");
    Check(strrchr(path, '\\') == path + 6 && strrchr(path, 'q') == NULL, "strrchr finds the last");
    Check(strstr(path, "file") == path + 7 && strstr(path, "files") == NULL && strstr(path, "") == path,
          "strstr");
    Check(strcspn("line\r\n", "\r\n") == 4 && strcspn("", "x") == 0 && strcspn("abc", "") == 3, "strcspn");
    Check(strpbrk("a*b?", "*?[") != NULL && *strpbrk("ab?c*", "*?[") == '?' && strpbrk("abc", "*?[") == NULL,
          "strpbrk");
    Check(toupper('a') == 'A' && toupper('Z') == 'Z' && toupper('1') == '1' && toupper(0xE9) == 0xE9,
          "toupper changes ASCII letters only");
    Check(tolower('A') == 'a' && tolower('z') == 'z' && tolower(0xC9) == 0xC9, "tolower changes ASCII letters only");
}

void Numbers()
{
    char *end;
    const char *text;
    Check(strtoul("0x1F", &end, 0) == 31 && *end == '\0', "strtoul base 0, hexadecimal");
    Check(strtoul("017", &end, 0) == 15, "strtoul base 0, octal");
    Check(strtoul("  +42z", &end, 10) == 42 && *end == 'z', "strtoul blanks, sign, end at the first non-digit");
    Check(strtoul("-1", &end, 10) == ~0UL, "strtoul negates in unsigned arithmetic");
    Check(strtoul("99999999999", &end, 10) == ~0UL && *end == '\0', "strtoul gives the largest value on overflow");
    text = "xyz";
    Check(strtoul(text, &end, 0) == 0 && end == text, "strtoul without digits leaves end at the start");
    text = "0x";
    Check(strtoul(text, &end, 16) == 0 && end == text + 1, "strtoul reads 0x without digits as 0");
    Check(strtoul("ff", NULL, 16) == 255 && strtoul("z", NULL, 36) == 35, "strtoul other bases");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    char line[300];
    (void)previous;
    (void)show;
    Check(assembled == 42, "static constructors run before WinMain");
    Check(instance == GetModuleHandleA(NULL), "WinMain gets the program's module");
    // crt_check.sh starts the program as "crt check.exe" (quoted)   one  "two"
    Check(strcmp(arguments, "one  \"two\"") == 0, "WinMain's arguments follow the quoted name and its blanks");
    Memory();
    Strings();
    Numbers();
    wsprintfA(line, "crt: %d passed, %d failed\r\n", passed, failed);
    Say(line);
    return failed ? 1 : 0;
}
