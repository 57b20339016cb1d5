// The installer's process-wide state between fuzz inputs.
#pragma once

// Stops the install library and engine and clears the status, run flags and
// platform facts, so that the next input starts as a new process would.
void ResetInstallerState();
