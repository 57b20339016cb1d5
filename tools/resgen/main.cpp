// resgen: makes the installer's resources for both builds from one set of sources.
//
//   resgen SOURCE_DIR OUTPUT_DIR
//
// reads SOURCE_DIR/strings/*.txt and SOURCE_DIR/wizard.dlg, draws the pictures, and writes
// into OUTPUT_DIR:
//   halvinst.rc              resource script for windres (Windows build)
//   side.bmp, disc.ico       the pictures the script names
//   halvinst_resources.cpp   the same resources as bytes, for winsim (host build)
// and the uninstaller's: halvunin.rc, halvunin.ver (its version resource, described by
// SOURCE_DIR/uninstaller.txt in mkpe's list format) and halvunin_resources.cpp.
// Any fault in the sources is reported with file and line, and nothing is written.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "payload_list.h"
#include "pictures.h"
#include "rc_writer.h"
#include "resource_set.h"
#include "sources.h"
#include "table_writer.h"
#include "version_resource.h"

namespace fs = std::filesystem;

namespace {

// Written beside the target and renamed over it, so that an interrupted run never
// leaves a half-written file that the build would take as up to date.
void WriteFile(const fs::path& path, const std::string& content)
{
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The uninstaller's version resource, from the one line of uninstaller.txt.
std::vector<std::uint8_t> UninstallerVersion(const fs::path& list)
{
    std::ifstream in(list, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + list.string());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<mkpe::ListedImage> images;
    std::string error;
    if (!mkpe::ParsePayloadList(text, images, error))
        throw std::runtime_error(list.string() + ": " + error);
    if (images.size() != 1 || !images[0].plan.withVersion)
        throw std::runtime_error(list.string() + ": one line with a version is expected");
    return mkpe::BuildVersionResource(images[0].plan);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: resgen SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    try {
        const fs::path sourceDir = argv[1], outputDir = argv[2];
        const resgen::ResourceSources sources = resgen::LoadSources(sourceDir);
        const resgen::Pictures pictures = resgen::DrawPictures();
        const std::vector<resgen::Resource> resources = resgen::BuildResources(sources, pictures);

        fs::create_directories(outputDir);
        WriteFile(outputDir / "side.bmp", AsText(resgen::BmpFile(pictures.sidePicture)));
        WriteFile(outputDir / "disc.ico", AsText(resgen::IcoFile(pictures.icon)));
        WriteFile(outputDir / "halvinst.rc", resgen::WriteRcScript(sources, "side.bmp", "disc.ico"));
        WriteFile(outputDir / "halvinst_resources.cpp", resgen::WriteHostTable(resources));

        const std::vector<std::uint8_t> version = UninstallerVersion(sourceDir / "uninstaller.txt");
        WriteFile(outputDir / "halvunin.ver", AsText(version));
        WriteFile(outputDir / "halvunin.rc", resgen::WriteUninstallerRcScript(sources, "disc.ico", "halvunin.ver"));
        WriteFile(outputDir / "halvunin_resources.cpp",
                  resgen::WriteHostTable(resgen::BuildUninstallerResources(sources, pictures, version)));
        return 0;
    } catch (const std::exception& e) {  // faults in the sources, and file system errors
        std::fprintf(stderr, "resgen: %s\n", e.what());
    }
    return 1;
}
