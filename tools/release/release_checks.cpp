#include "release_checks.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "image_checks.h"

namespace fs = std::filesystem;

const std::vector<std::string> kReleaseFiles = {"HALVIK.SYS", "HALVIK.VXD", "HALVIK2K.SYS", "HALVINST.INF"};

namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

std::string upper(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

CheckedFolder checkDriverFolder(const std::string &folder, ScratchMachines &machines)
{
    CheckedFolder result;
    result.paths.assign(kReleaseFiles.size(), "");
    result.versions.assign(kReleaseFiles.size(), FileVersion{});
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        result.problems.push_back(folder + ": not a folder");
        return result;
    }

    // Exactly the four names; Windows knows no case, so neither does the check.
    std::vector<std::string> entries;
    for (const auto &entry : fs::directory_iterator(folder, error))
        entries.push_back(entry.path().filename().string());
    std::sort(entries.begin(), entries.end());
    for (const std::string &name : entries) {
        auto known = std::find(kReleaseFiles.begin(), kReleaseFiles.end(), upper(name));
        size_t index = static_cast<size_t>(known - kReleaseFiles.begin());
        if (known == kReleaseFiles.end())
            result.problems.push_back(name + ": extra file (the folder holds HALVIK.VXD, HALVIK.SYS, HALVIK2K.SYS "
                                             "and HALVINST.INF and nothing else)");
        else if (!result.paths[index].empty())
            result.problems.push_back(name + ": extra file (a second " + *known + " in another case)");
        else if (!fs::is_regular_file(folder + "/" + name, error))
            result.problems.push_back(name + ": not a plain file");
        else
            result.paths[index] = folder + "/" + name;
    }

    for (size_t i = 0; i < kReleaseFiles.size(); i++) {
        const std::string &name = kReleaseFiles[i];
        if (result.paths[i].empty()) {
            if (std::none_of(result.problems.begin(), result.problems.end(),
                             [&](const std::string &p) { return upper(p).rfind(name + ":", 0) == 0; }))
                result.problems.push_back(name + ": missing");
            continue;
        }
        if (name == "HALVINST.INF") {
            for (const std::string &problem : machines.checkScript(result.paths[i], kServiceKey))
                result.problems.push_back(name + ": " + problem);
            continue;
        }
        std::ifstream in(result.paths[i], std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bool vxd = endsWith(name, ".VXD");
        std::string why = vxd ? checkLinearExecutable(bytes) : checkNativeDriver(bytes);
        if (!why.empty()) {
            result.problems.push_back(name + ": " + why);
            continue;
        }
        // Read as the Windows that loads it reads it.
        result.versions[i] = machines.version(result.paths[i], vxd ? "win98" : "winxp");
        if (!result.versions[i].found)
            result.problems.push_back(name + ": " + result.versions[i].why);
    }

    // One version for the three drivers, named when they differ.
    std::string listed;
    bool differ = false;
    const FileVersion *first = nullptr;
    for (size_t i = 0; i < kReleaseFiles.size(); i++) {
        const FileVersion &v = result.versions[i];
        if (!v.found)
            continue;
        listed += (listed.empty() ? "" : ", ") + kReleaseFiles[i] + " " + v.text();
        if (!first)
            first = &v;
        else if (v.ms != first->ms || v.ls != first->ls)
            differ = true;
    }
    if (differ)
        result.problems.push_back("the drivers' file versions differ: " + listed);
    else if (first)
        result.product = *first;
    return result;
}
