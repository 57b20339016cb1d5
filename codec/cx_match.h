/* Wildcard patterns of cxExtract: *, +, ?, [sets] and \ escapes, matched left to right without backtracking. */
#ifndef CX_MATCH_H
#define CX_MATCH_H

/* 0 when the pattern is well formed; -14 for an unclosed '[', a range without
   an upper bound, or a trailing escaping '\'. */
int cxCheckPattern(const char *pattern);

/* 1 when the name matches the pattern, compared in upper case. */
int cxMatchName(const char *pattern, const char *name);

/* 1 when the pattern contains '*', '?' or '[' and so may match several names. */
int cxPatternHasWildcards(const char *pattern);

#endif
