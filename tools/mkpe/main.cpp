// mkpe: writes stand-in PE images (and LE images for VxDs) with a version resource, so that the
// host build can produce the files the installer carries without a Windows
// compiler.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "payload_list.h"
#include "pe_writer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  mkpe --list FILE --dir DIR\n"
                 "      writes every image that FILE names below DIR; a line of FILE reads\n"
                 "      NAME KIND VERSION DESCRIPTION (KIND driver, vxd or program; a vxd is\n"
                 "      an LE executable, the others PE images; VERSION\n"
                 "      A.B.C.D or none)\n"
                 "  mkpe --out FILE [--kind driver|vxd|program] [--machine i386|amd64]\n"
                 "       [--version A.B.C.D|none] [--description TEXT] [--company TEXT]\n"
                 "       [--product TEXT]\n"
                 "      writes one image; the defaults are an i386 driver, version 7.1.0.189,\n"
                 "      company Talven, product Tessera Disc Reader\n");
    return 2;
}

// Writes beside the target first, so that an interrupted build never leaves
// half an image under the real name.
bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "cannot rename " + temporary.string() + " to " + path.string() + ": " + ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

int FromList(const std::string& listPath, const std::string& dir) {
    std::ifstream in(listPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkpe: cannot read %s\n", listPath.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<mkpe::ListedImage> images;
    std::string error;
    if (!mkpe::ParsePayloadList(text.str(), images, error)) {
        std::fprintf(stderr, "mkpe: %s: %s\n", listPath.c_str(), error.c_str());
        return 1;
    }
    for (const mkpe::ListedImage& image : images) {
        if (!WriteFile(std::filesystem::path(dir) / image.path, mkpe::BuildImage(image.plan), error)) {
            std::fprintf(stderr, "mkpe: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string list, dir, out;
    mkpe::ImagePlan plan;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return Usage();
        std::string value = argv[++i];
        if (a == "--list") list = value;
        else if (a == "--dir") dir = value;
        else if (a == "--out") out = value;
        else if (a == "--kind" && mkpe::ParseKind(value, plan.kind)) continue;
        else if (a == "--machine" && mkpe::ParseMachine(value, plan.machine)) continue;
        else if (a == "--version" && value == "none") plan.withVersion = false;
        else if (a == "--version" && mkpe::ParseVersion(value, plan.fileVersion)) plan.productVersion = plan.fileVersion;
        else if (a == "--description" && value.size() <= mkpe::kMaxText) plan.description = value;
        else if (a == "--company" && value.size() <= mkpe::kMaxText) plan.company = value;
        else if (a == "--product" && value.size() <= mkpe::kMaxText) plan.product = value;
        else {
            std::fprintf(stderr, "mkpe: bad option %s %s\n", a.c_str(), value.c_str());
            return Usage();
        }
    }
    if (!list.empty() && !dir.empty() && out.empty()) return FromList(list, dir);
    if (out.empty() || !list.empty() || !dir.empty()) return Usage();
    plan.fileName = std::filesystem::path(out).filename().string();
    std::string error;
    if (!WriteFile(out, mkpe::BuildImage(plan), error)) {
        std::fprintf(stderr, "mkpe: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
