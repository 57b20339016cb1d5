// The conformance program's transcript: one line "name: observed" per check.
// Every check sets the last error to a marker first, so that a call that
// leaves the error alone shows "err=-" and one that clears it shows "err=0".
#ifndef CONFORMANCE_CHECK_H
#define CONFORMANCE_CHECK_H

#include <windows.h>

#include <string>

namespace conformance {

// The folder every file check works in, created by the file checks.
extern const char kWork[];

// Sets the last error to the marker.
void Mark();
// The last error as text: "-" when the call left the marker in place.
std::string Err();
// printf into a string.
std::string Fmt(const char* format, ...);
// Bytes as upper-case hex pairs without separators ("" for none).
std::string Hex(const void* bytes, size_t count);
// A path inside the work folder.
std::string Work(const char* name);

// Prints one line of the transcript.
void Report(const std::string& name, const std::string& observed);
// "ret=R err=E" for a call that returned R.
void ReportCall(const std::string& name, long long ret, const std::string& more = "");
// For a call that returned a handle: "valid"/"invalid" (or null) with the error.
void ReportHandle(const std::string& name, HANDLE handle, const std::string& more = "");
int ReportCount();

// The groups of checks, in transcript order.
void CheckFiles();
void CheckFileContents();
void CheckFileNames();
void CheckMoves();
void CheckRegistry();
void CheckRegistryValues();
void CheckSystem();
void CheckStrings();
void CheckLocale();
void CheckCodePages();
void CheckVersionResources();
void CheckOwnResources();
void CheckProcesses();
void CheckGdi();
void CheckWindows();
// The second copy's work: takes the abandoned-mutex check's mutex and ends
// without releasing it (exit code 7).
int HoldMutexAndEnd();
// The second copy's other work: writes to an unmapped address with a
// vectored exception handler that ends the copy (exit code 0x41 for an
// access violation).
int FaultUnderHandler();

}  // namespace conformance

#endif
