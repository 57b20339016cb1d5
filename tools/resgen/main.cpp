// resgen: makes the installer's resources for both builds from one set of sources.
//
//   resgen SOURCE_DIR OUTPUT_DIR
//
// reads SOURCE_DIR/strings/*.txt and SOURCE_DIR/wizard.dlg, draws the pictures, and writes
// into OUTPUT_DIR:
//   halvinst.rc              resource script for windres (Windows build)
//   side.bmp, disc.ico       the pictures the script names
//   halvinst_resources.cpp   the same resources as bytes, for winsim (host build)
// Any fault in the sources is reported with file and line, and nothing is written.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pictures.h"
#include "rc_writer.h"
#include "resource_set.h"
#include "sources.h"
#include "table_writer.h"

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
        return 0;
    } catch (const std::exception& e) {  // faults in the sources, and file system errors
        std::fprintf(stderr, "resgen: %s\n", e.what());
    }
    return 1;
}
