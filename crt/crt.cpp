/*
 * The C runtime of the shipped Windows programs (the installer's stub and the
 * uninstaller), which link no C runtime DLL: Windows 95 as first shipped has
 * no msvcrt.dll, so a program importing it would not start there, and any
 * DLL a program imports by name beyond the system's known ones is searched
 * for beside the program first. They import KERNEL32, USER32, GDI32 and
 * ADVAPI32 only; the few C routines their code and the codec call are here,
 * with the program's start, and libgcc gives the compiler's own helpers
 * (the stack probe). Built only for the Windows targets; the host build gets
 * all of this from its C library.
 *
 * The routines do what the C library's do in the "C" locale, simply: the
 * programs call them on paths, log lines and short tables.
 */
#include <windows.h>

#include <stddef.h>

extern "C" {

void *memcpy(void *to, const void *from, size_t count)
{
    unsigned char *d = (unsigned char *)to;
    const unsigned char *s = (const unsigned char *)from;
    while (count--) *d++ = *s++;
    return to;
}

void *memmove(void *to, const void *from, size_t count)
{
    unsigned char *d = (unsigned char *)to;
    const unsigned char *s = (const unsigned char *)from;
    if (d < s) {
        while (count--) *d++ = *s++;
    } else if (d > s) {
        while (count--) d[count] = s[count];
    }
    return to;
}

void *memset(void *to, int value, size_t count)
{
    unsigned char *d = (unsigned char *)to;
    while (count--) *d++ = (unsigned char)value;
    return to;
}

int memcmp(const void *a, const void *b, size_t count)
{
    const unsigned char *x = (const unsigned char *)a;
    const unsigned char *y = (const unsigned char *)b;
    for (; count; --count, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

void *memchr(const void *where, int value, size_t count)
{
    const unsigned char *p = (const unsigned char *)where;
    for (; count; --count, ++p) {
        if (*p == (unsigned char)value) return (void *)p;
    }
    return NULL;
}

size_t strlen(const char *text)
{
    const char *end = text;
    while (*end) ++end;
    return (size_t)(end - text);
}

char *strchr(const char *text, int c)
{
    for (;; ++text) {
        if (*text == (char)c) return (char *)text;
        if (!*text) return NULL;
    }
}

char *strrchr(const char *text, int c)
{
    const char *found = NULL;
    for (;; ++text) {
        if (*text == (char)c) found = text;
        if (!*text) return (char *)found;
    }
}

int strncmp(const char *a, const char *b, size_t count)
{
    for (; count; --count, ++a, ++b) {
        if (*a != *b) return (unsigned char)*a < (unsigned char)*b ? -1 : 1;
        if (!*a) return 0;
    }
    return 0;
}

int strcmp(const char *a, const char *b)
{
    return strncmp(a, b, (size_t)-1);
}

char *strstr(const char *text, const char *part)
{
    size_t length = strlen(part);
    for (; *text; ++text) {
        if (strncmp(text, part, length) == 0) return (char *)text;
    }
    return length == 0 ? (char *)text : NULL;
}

size_t strcspn(const char *text, const char *stops)
{
    const char *p = text;
    while (*p && !strchr(stops, *p)) ++p;
    return (size_t)(p - text);
}

char *strpbrk(const char *text, const char *stops)
{
    text += strcspn(text, stops);
    return *text ? (char *)text : NULL;
}

int toupper(int c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

int tolower(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

static int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

/* As the C library's: leading blanks, a sign, the base's prefix when base is
 * 0 or 16, the largest value on overflow, and `end` after the last digit
 * (at the start when there is none). errno is not set: nothing reads it. */
unsigned long strtoul(const char *text, char **end, int base)
{
    const char *p = text;
    unsigned long value = 0;
    BOOL negative = FALSE;
    BOOL overflow = FALSE;
    BOOL any = FALSE;

    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    if (base < 2 || base > 36) {
        if (end) *end = (char *)text;
        return 0;
    }
    for (; DigitValue(*p) < base; ++p) {
        unsigned long digit = (unsigned long)DigitValue(*p);
        any = TRUE;
        if (value > (~0UL - digit) / (unsigned long)base) overflow = TRUE;
        value = value * (unsigned long)base + digit;
    }
    if (end) *end = (char *)(any ? p : text);
    if (overflow) return ~0UL;
    return negative ? 0UL - value : value;
}

/* The program's start, where the C runtime's would be: the constructors of
 * static objects, then WinMain with the command line after the program's
 * own name and the window state the starter asked for, then the exit code. */
typedef void (*Constructor)(void);
/* The linker's list: -1 (or the count), the constructors, 0. */
extern Constructor __CTOR_LIST__[];

static void RunConstructors(void)
{
    ULONG_PTR count = (ULONG_PTR)__CTOR_LIST__[0];

    if (count == (ULONG_PTR)-1) {
        for (count = 0; __CTOR_LIST__[count + 1]; ++count) {
        }
    }
    /* Last first, as the C runtime runs them. */
    for (; count; --count) __CTOR_LIST__[count]();
}

/* The arguments begin after the program's name (quoted or not) and the
 * blanks that follow it. */
static LPSTR ArgumentsOf(LPSTR line)
{
    if (*line == '"') {
        for (++line; *line && *line != '"'; ++line) {
        }
        if (*line == '"') ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

/* Windows enters here with no arguments worth reading, and on 32-bit x86 with
 * a stack aligned to 4 bytes only. */
__attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup(void)
{
    STARTUPINFOA startup;
    int show = SW_SHOWDEFAULT;

    RunConstructors();
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW) show = startup.wShowWindow;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, ArgumentsOf(GetCommandLineA()), show));
}

}  // extern "C"
