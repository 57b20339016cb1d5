#include "payload_list.h"

#include <sstream>

namespace mkpe {
namespace {

bool SafeRelativePath(const std::string& path) {
    if (path.empty() || path[0] == '/' || path.find('\\') != std::string::npos) return false;
    std::istringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part.empty() || part == "." || part == "..") return false;
    return true;
}

}  // namespace

bool ParsePayloadList(const std::string& text, std::vector<ListedImage>& images, std::string& error) {
    images.clear();
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        std::string path, kind, version, description;
        if (!(fields >> path) || path[0] == '#') continue;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        if (!(fields >> kind >> version)) return fail("expected NAME KIND VERSION DESCRIPTION");
        std::getline(fields >> std::ws, description);
        ListedImage image;
        image.path = path;
        if (!SafeRelativePath(path)) return fail("'" + path + "' is not a relative path inside the target folder");
        image.plan.fileName = path.substr(path.rfind('/') + 1);
        if (!ParseKind(kind, image.plan.kind)) return fail("kind '" + kind + "' is not driver, vxd or program");
        if (version == "none") {
            image.plan.withVersion = false;
        } else if (!ParseVersion(version, image.plan.fileVersion)) {
            return fail("version '" + version + "' is not four numbers from 0 to 65535");
        }
        image.plan.productVersion = image.plan.fileVersion;
        if (description.empty()) return fail("no description");
        if (description.size() > kMaxText) return fail("description longer than 255 bytes");
        image.plan.description = description;
        images.push_back(image);
    }
    if (images.empty()) {
        error = "the list names no file";
        return false;
    }
    return true;
}

}  // namespace mkpe
