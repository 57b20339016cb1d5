// The release manifest beside the installer: each carried file with its
// version, size and SHA-256, the installer's own size and SHA-256, and the
// signer. Its lines depend on nothing but those files, so two builds of one
// release write the same manifest.
#pragma once

#include <string>
#include <vector>

struct ManifestFile {
    std::string name;       // as carried, e.g. "HALVIK.SYS"
    std::string version;    // "7.1.0.189", or "-" for a file without one
    std::string hostPath;   // the bytes that were packed
};

// The SHA-256 of a file as 64 lower-case hex digits, and its size; false when it cannot be read.
bool hashFile(const std::string &path, std::string &digest, unsigned long long &size);

// The manifest's text; `signer` is the certificate's subject and fingerprint, or empty when unsigned.
// Returns false with `error` when a file cannot be read.
bool manifestText(const std::string &productVersion, const std::vector<ManifestFile> &files,
                  const std::string &installerName, const std::string &installerPath, const std::string &signer,
                  std::string &text, std::string &error);
