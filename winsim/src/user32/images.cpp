#include "user32/images.h"

#include <cstring>
#include <map>
#include <tuple>

#include "gdi32/gdi_objects.h"
#include "kernel32/resource_lookup.h"
#include "machine/faults.h"

namespace winsim {
namespace {

constexpr WORD kRtBitmap = 2;
constexpr WORD kRtIcon = 3;
constexpr WORD kRtGroupIcon = 14;
constexpr int kDefaultIconSize = 32;  // SM_CXICON

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Reads a packed DIB (header, colour table, pixels) as RT_BITMAP holds it.
bool ReadBitmap(const ResourceBytes& r, BitmapData& out, std::string& why) {
    if (r.size < 4) {
        why = "the resource is too short for a bitmap header";
        return false;
    }
    uint32_t headerSize = Le32(r.data);
    long width = 0, height = 0;
    unsigned planes = 0, bits = 0, compression = 0, colours = 0;
    if (headerSize == 12 && r.size >= 12) {
        width = Le16(r.data + 4);
        height = static_cast<int16_t>(Le16(r.data + 6));
        planes = Le16(r.data + 8);
        bits = Le16(r.data + 10);
    } else if (headerSize >= 40 && r.size >= headerSize) {
        width = static_cast<int32_t>(Le32(r.data + 4));
        height = static_cast<int32_t>(Le32(r.data + 8));
        planes = Le16(r.data + 12);
        bits = Le16(r.data + 14);
        compression = Le32(r.data + 16);
        colours = Le32(r.data + 32);
    } else {
        why = "its header size " + std::to_string(headerSize) + " is not a bitmap header's";
        return false;
    }
    if (width <= 0 || height == 0 || planes != 1) {
        why = "its size " + std::to_string(width) + "x" + std::to_string(height) + " or plane count " +
              std::to_string(planes) + " is not valid";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        why = std::to_string(bits) + " bits per pixel is not a bitmap depth";
        return false;
    }
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    size_t entry = headerSize == 12 ? 3 : 4;
    size_t table = colours * entry + (compression == 3 && headerSize == 40 ? 12 : 0);
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t rows = static_cast<size_t>(height < 0 ? -height : height);
    size_t needed = headerSize + table + (compression == 0 || compression == 3 ? stride * rows : 0);
    if (needed > r.size) {
        why = "its pixels need " + std::to_string(needed) + " bytes but the resource has " + std::to_string(r.size);
        return false;
    }
    out.width = width;
    out.height = height < 0 ? -height : height;
    out.bitsPerPixel = static_cast<WORD>(bits);
    out.dib.assign(r.data, r.data + r.size);
    return true;
}

struct IconChoice {
    int width = 0;
    int height = 0;
    WORD imageId = 0;
};

// Picks from a GRPICONDIR the image nearest to the wanted size, the deepest
// colours among equals, as Windows does.
bool ChooseIcon(const ResourceBytes& r, int wanted, IconChoice& out, std::string& why) {
    if (r.size < 6 || Le16(r.data) != 0 || Le16(r.data + 2) != 1) {
        why = "it is not an icon directory";
        return false;
    }
    size_t count = Le16(r.data + 4);
    if (count == 0 || 6 + count * 14 > r.size) {
        why = "its " + std::to_string(count) + " entries do not fit in " + std::to_string(r.size) + " bytes";
        return false;
    }
    int bestDistance = 0, bestBits = -1;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = r.data + 6 + i * 14;
        int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        int bits = Le16(e + 6);
        int distance = w > wanted ? w - wanted : wanted - w;
        if (bestBits < 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
            bestDistance = distance;
            bestBits = bits;
            out = IconChoice{w, h, Le16(e + 12)};
        }
    }
    return true;
}

HANDLE LoadBitmapImage(HINSTANCE module, LPCSTR name, std::string* why) {
    ResourceBytes r;
    if (!FindModuleResource(module, kRtBitmap, name, r)) return nullptr;
    GdiObject object;
    object.kind = GdiKind::Bitmap;
    std::string reason;
    if (!ReadBitmap(r, object.bitmap, reason)) {
        if (why) *why = "bitmap " + ResourceNameText(name) + ": " + reason;
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    WORD ordinal = 0;
    if (ResourceOrdinal(name, ordinal)) object.bitmap.resourceId = ordinal;
    return AddGdiObject(std::move(object));
}

HANDLE LoadIconImage(HINSTANCE module, LPCSTR name, int cx, int cy, std::string* why) {
    ResourceBytes group;
    if (!FindModuleResource(module, kRtGroupIcon, name, group)) return nullptr;
    IconChoice choice;
    std::string reason;
    if (!ChooseIcon(group, cx ? cx : kDefaultIconSize, choice, reason)) {
        if (why) *why = "icon " + ResourceNameText(name) + ": " + reason;
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    ResourceBytes image;
    if (!FindModuleResource(module, kRtIcon, MAKEINTRESOURCEA(choice.imageId), image)) {
        if (why) *why = "icon " + ResourceNameText(name) + ": its image " + std::to_string(choice.imageId) + " is missing";
        return nullptr;
    }
    GdiObject object;
    object.kind = GdiKind::Icon;
    WORD ordinal = 0;
    object.icon.groupId = ResourceOrdinal(name, ordinal) ? ordinal : 0;
    object.icon.imageId = choice.imageId;
    object.icon.width = cx ? cx : choice.width;
    object.icon.height = cy ? cy : choice.height;
    return AddGdiObject(std::move(object));
}

// The system's own icons (IDI_APPLICATION ...), for a load without a module.
HANDLE SystemIcon(LPCSTR name) {
    WORD ordinal = 0;
    if (!ResourceOrdinal(name, ordinal) || ordinal < 32512 || ordinal > 32517) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    GdiObject object;
    object.kind = GdiKind::Icon;
    object.stock = true;
    object.icon = IconData{kDefaultIconSize, kDefaultIconSize, ordinal, ordinal};
    return AddGdiObject(std::move(object));
}

using SharedKey = std::tuple<HINSTANCE, UINT, std::string, int, int>;

std::map<SharedKey, HANDLE>& SharedImages() {
    static std::map<SharedKey, HANDLE> images;
    return images;
}

}  // namespace

void ForgetSharedImages() { SharedImages().clear(); }

HANDLE LoadModuleImage(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags, std::string* why) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (flags & LR_LOADFROMFILE) {
        if (why) *why = "images are loaded from resources only";
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (type == IMAGE_ICON && cx == 0 && (flags & LR_DEFAULTSIZE)) cx = cy = kDefaultIconSize;
    SharedKey key{module, type, ResourceNameText(name), cx, cy};
    bool shared = (flags & LR_SHARED) != 0 || !module;
    if (shared) {
        auto it = SharedImages().find(key);
        if (it != SharedImages().end() && FindGdiObject(it->second)) return it->second;
    }
    // Without a module the system's own images are meant; of those only the icons are here.
    HANDLE image = nullptr;
    if (!module && type == IMAGE_ICON)
        image = SystemIcon(name);
    else if (!module)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    else if (type == IMAGE_BITMAP)
        image = LoadBitmapImage(module, name, why);
    else if (type == IMAGE_ICON)
        image = LoadIconImage(module, name, cx, cy, why);
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    if (image && shared) {
        MarkShared(image);
        SharedImages()[key] = image;
    }
    return image;
}

}  // namespace winsim

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    if (winsim::FailsHere("LoadImageA", false)) return nullptr;
    return winsim::LoadModuleImage(module, name, type, cx, cy, flags, nullptr);
}

extern "C" HBITMAP WINAPI LoadBitmapA(HINSTANCE module, LPCSTR name) {
    if (winsim::FailsHere("LoadBitmapA", false)) return nullptr;
    return static_cast<HBITMAP>(winsim::LoadModuleImage(module, name, IMAGE_BITMAP, 0, 0, 0, nullptr));
}

extern "C" HICON WINAPI LoadIconA(HINSTANCE module, LPCSTR name) {
    if (winsim::FailsHere("LoadIconA", false)) return nullptr;
    return static_cast<HICON>(
        winsim::LoadModuleImage(module, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED, nullptr));
}

extern "C" BOOL WINAPI DestroyIcon(HICON icon) {
    if (winsim::FailsHere("DestroyIcon", false)) return FALSE;
    if (!winsim::FindGdiObjectOf(icon, winsim::GdiKind::Icon)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return winsim::DeleteGdiObject(icon) ? TRUE : FALSE;
}
