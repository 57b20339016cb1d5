/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#ifndef HALVINST_HALVINST_H
#define HALVINST_HALVINST_H

#include <windows.h>

#include "../install/upgrade.h"

/* Languages: the string tables this Windows can show, and the one in use. */
#define MAX_OFFERED_LANGUAGES 30
extern WORD OfferedLanguages[MAX_OFFERED_LANGUAGES];
extern DWORD OfferedCount;
extern DWORD selectedLanguage;
extern char WizardTitle[256];
/* Every string lookup lands in one buffer of this many bytes. */
#define LANG_STRING_SIZE 1040

/* String `id` of a language as ANSI text, in a buffer that the next lookup
 * overwrites; empty when the language or the string does not exist. */
const char *LoadLangString(HINSTANCE instance, UINT id, WORD language);
const char *LangString(UINT id);
BOOL ChooseStartupLanguage(void);

/* 1 when the installed driver is as new as the carried one or newer, -1
 * when older, 0 when there is none or it cannot be read. */
int CheckInstalledVersion(void);
BOOL StartupChecks(void);
/* The first recorded error as the error page words it: its message and its
 * code, in the selected language. */
void FormatFirstError(char *text);
/* The setup's appended archive against the release stamp's place, length and
 * SHA-256: TRUE when whole; otherwise status 2069 (message 2088 when it is
 * damaged) and FALSE. CheckSetupArchive checks the running program's own
 * file and stamp, says why in a visual run, and takes the carried version. */
BOOL VerifySetupArchive(const char *path, const unsigned char *stamp);
BOOL CheckSetupArchive(void);
extern unsigned char SetupStamp[];
struct FileSet *GetFileSet(void);
void ReportProgress(struct ProgressRecord *record);
BOOL RunWizard(void);
INT_PTR CALLBACK WizardProc(HWND window, UINT message, WPARAM first, LPARAM second);
void GoToPage(DWORD page);
void PageAction(BOOL next);
void ApplyLanguageTexts(void);
HFONT MakeTitleFont(HWND window);

#endif
