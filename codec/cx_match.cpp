#include <string.h>

#include "cx.h"
#include "cx_match.h"

static char upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

int cxCheckPattern(const char *p)
{
    while (*p) {
        if (*p == '\\') {
            if (!p[1])
                return CX_ERR_ARGUMENT;
            p += 2;
        } else if (*p == '[') {
            p++;
            if (*p == '!' || *p == '^')
                p++;
            while (*p && *p != ']') {
                if (p[1] == '-' && (p[2] == ']' || !p[2]))
                    return CX_ERR_ARGUMENT;
                p += p[1] == '-' ? 3 : 1;
            }
            if (!*p)
                return CX_ERR_ARGUMENT;
            p++;
        } else {
            p++;
        }
    }
    return 0;
}

int cxPatternHasWildcards(const char *pattern)
{
    return strpbrk(pattern, "*?[") != 0;
}

/* Tests c against the set that starts after '['; *end is set past its ']'. */
static int inSet(const char *set, char c, const char **end)
{
    int negate = 0;
    if (*set == '!' || *set == '^') {
        negate = 1;
        set++;
    }
    int found = 0;
    while (*set && *set != ']') {
        char low = upper(set[0]);
        char high = low;
        if (set[1] == '-' && set[2] && set[2] != ']') {
            high = upper(set[2]);
            set += 3;
        } else {
            set++;
        }
        if (c >= low && c <= high)
            found = 1;
    }
    *end = *set ? set + 1 : set;
    return found != negate;
}

int cxMatchName(const char *pattern, const char *name)
{
    if (strcmp(pattern, "*.*") == 0)
        pattern = "*";
    const char *p = pattern;
    const char *n = name;
    int pending = 0;        /* wildcards waiting to swallow characters */
    while (*p) {
        char pc = *p;
        if (pc == '*') {
            pending++;
            p++;
        } else if (pc == '+') {
            if (!*n)
                return 0;
            n++;
            pending++;
            p++;
        } else if (pc == '?') {
            if (!*n)
                return 0;
            n++;
            if (pending)
                pending--;
            p++;
        } else {
            /* A set or a character consumes one matching character: the next one,
               or after a pending wildcard the first one further on. */
            if (pc == '\\' && p[1])
                p++;
            const char *after = p + 1;     /* past the set once inSet has read it */
            while (*n && !(pc == '[' ? inSet(p + 1, upper(*n), &after) : upper(*n) == upper(*p))) {
                if (!pending)
                    return 0;
                n++;
            }
            if (!*n)
                return 0;
            n++;
            pending = 0;
            p = after;
        }
    }
    if (pending)
        n += strlen(n);
    return *n == 0;
}
