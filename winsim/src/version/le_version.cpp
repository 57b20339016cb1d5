#include "version/le_version.h"

#include "le_image.h"

namespace winsim {
namespace {

le::Source SourceOf(const ImageBytes& image) {
    le::Source source;
    source.size = image.Size();
    source.read = [&image](uint64_t offset, void* out, size_t count) { return image.Read(offset, out, count); };
    return source;
}

}  // namespace

bool IsLeImage(const ImageBytes& image) {
    le::Header header;
    std::string why;
    return le::ReadHeader(SourceOf(image), header, why) != le::Status::NotLe;
}

DWORD ReadLeVersion(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why) {
    switch (le::ReadVersionResource(SourceOf(image), resource, why)) {
        case le::Status::Ok:
            return ERROR_SUCCESS;
        case le::Status::NoVersion:
            return ERROR_RESOURCE_TYPE_NOT_FOUND;
        case le::Status::NotLe:
        case le::Status::Damaged:
            break;
    }
    resource.clear();
    return ERROR_BAD_EXE_FORMAT;
}

}  // namespace winsim
