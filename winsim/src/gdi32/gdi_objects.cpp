#include "gdi32/gdi_objects.h"

#include <cstring>
#include <map>

namespace winsim {
namespace {

struct GdiTable {
    std::map<uintptr_t, GdiObject> objects;
    uintptr_t next = 0;
};

GdiTable& Table() {
    static GdiTable table;
    return table;
}

}  // namespace

// GDI handles get values of their own, apart from window and kernel handles.
HGDIOBJ AddGdiObject(GdiObject object) {
    GdiTable& t = Table();
    uintptr_t value = 0x1A000000 + 4 * (++t.next);
    t.objects[value] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(value);
}

const GdiObject* FindGdiObject(HGDIOBJ handle) {
    auto& objects = Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == objects.end() ? nullptr : &it->second;
}

const GdiObject* FindGdiObjectOf(HGDIOBJ handle, GdiKind kind) {
    const GdiObject* object = FindGdiObject(handle);
    return object && object->kind == kind ? object : nullptr;
}

void MarkShared(HGDIOBJ handle) {
    auto& objects = Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it != objects.end()) it->second.shared = true;
}

bool DeleteGdiObject(HGDIOBJ handle) {
    auto& objects = Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == objects.end()) return false;
    if (!it->second.stock && !it->second.shared) objects.erase(it);
    return true;
}

size_t LiveGdiObjectCount() {
    size_t count = 0;
    for (const auto& entry : Table().objects)
        if (!entry.second.stock && !entry.second.shared) ++count;
    return count;
}

void ForgetGdiObjects() { Table().objects.clear(); }

std::string DescribeFont(const LOGFONTA& font) {
    std::string face(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
    return std::to_string(font.lfHeight) + " " + std::to_string(font.lfWeight) + " " + face + ", charset " +
           std::to_string(font.lfCharSet);
}

}  // namespace winsim
