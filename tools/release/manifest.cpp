#include "manifest.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cx_sha256.h"

bool hashFile(const std::string &path, std::string &digest, unsigned long long &size)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    CxSha256 sha;
    cxSha256Begin(&sha);
    size = 0;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        cxSha256Add(&sha, buffer, static_cast<unsigned long>(in.gcount()));
        size += static_cast<unsigned long long>(in.gcount());
    }
    if (in.bad())
        return false;
    unsigned char bytes[CX_SHA256_SIZE];
    cxSha256End(&sha, bytes);
    digest.clear();
    for (unsigned char b : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        digest += two;
    }
    return true;
}

bool manifestText(const std::string &productVersion, const std::vector<ManifestFile> &files,
                  const std::string &installerName, const std::string &installerPath, const std::string &signer,
                  std::string &text, std::string &error)
{
    std::ostringstream out;
    out << "# Release manifest: the carried files (name, version, size, SHA-256), the installer, the signer.\n";
    out << "product " << productVersion << "\n";
    std::string digest;
    unsigned long long size = 0;
    for (const ManifestFile &file : files) {
        if (!hashFile(file.hostPath, digest, size)) {
            error = file.hostPath + ": cannot be read";
            return false;
        }
        out << "file " << file.name << ' ' << file.version << ' ' << size << ' ' << digest << "\n";
    }
    if (!hashFile(installerPath, digest, size)) {
        error = installerPath + ": cannot be read";
        return false;
    }
    out << "installer " << installerName << ' ' << size << ' ' << digest << "\n";
    out << "signer " << (signer.empty() ? "none (unsigned development build)" : signer) << "\n";
    text = out.str();
    return true;
}
