// Finding the version resource in a PE image (32- or 64-bit) without
// trusting a single offset in it: every read is checked against the file.
#ifndef WINSIM_PE_RESOURCES_H
#define WINSIM_PE_RESOURCES_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

// Random access to the bytes of an image: a host file or a buffer.
class ImageBytes {
public:
    virtual ~ImageBytes() = default;
    virtual uint64_t Size() const = 0;
    // Copies `count` bytes at `offset`; false when they are not all there.
    virtual bool Read(uint64_t offset, void* out, size_t count) const = 0;
};

class BufferBytes : public ImageBytes {
public:
    explicit BufferBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, void* out, size_t count) const override;

private:
    std::vector<uint8_t> bytes_;
};

class FileBytes : public ImageBytes {
public:
    explicit FileBytes(int fd);  // does not take ownership of fd
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) const override;

private:
    int fd_;
    uint64_t size_ = 0;
};

// The raw bytes of the first RT_VERSION resource (first name; of its
// languages the one a neutral lookup finds). On failure returns the Windows error that GetFileVersionInfo
// gives for such a file and a sentence for people in `why`.
DWORD ReadVersionResource(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why);

}  // namespace winsim

#endif
