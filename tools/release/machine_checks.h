// The checks that ask Windows itself, on throwaway simulated machines: the
// version resource as the version calls read it, and the registry script as
// the installer's own reader applies it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FileVersion {
    bool found = false;
    uint32_t ms = 0, ls = 0;
    std::string why;                 // when not found
    std::string text() const;        // "7.1.0.189"
};

class ScratchMachines {
public:
    ScratchMachines();               // under $TMPDIR, removed again by the destructor
    ~ScratchMachines();
    ScratchMachines(const ScratchMachines &) = delete;
    ScratchMachines &operator=(const ScratchMachines &) = delete;

    // The file version of `hostFile` as GetFileVersionInfoA and VerQueryValueA
    // give it on a machine of `profile` (win98 for a VxD, winxp for the rest).
    FileVersion version(const std::string &hostFile, const std::string &profile);

    // Applies the registry script on a Windows XP machine through the
    // installer's reader; an empty list when it passes and writes the
    // service key with REG_DWORD values Type, Start and ErrorControl,
    // otherwise one line per problem.
    std::vector<std::string> checkScript(const std::string &hostFile, const std::string &serviceKey);

private:
    std::string use(const std::string &profile);   // the machine's folder; throws when it cannot be made
    std::string root_;
    int made_ = 0;
};
