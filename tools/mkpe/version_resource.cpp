#include "version_resource.h"

#include <cstdio>
#include <string>
#include <utility>

namespace mkpe {
namespace {

// The fixed part's constants, as the SDK names them.
constexpr uint32_t kSignature = 0xFEEF04BD;
constexpr uint32_t kStrucVersion = 0x00010000;
constexpr uint32_t kFlagsMask = 0x3F;
constexpr uint32_t kOsNtWindows32 = 0x00040004, kOsDosWindows32 = 0x00010004, kOsWindows32 = 0x00000004;
constexpr uint32_t kTypeApp = 1, kTypeDriver = 3, kTypeVxd = 5, kSubtypeSystemDriver = 7;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Pad4(std::vector<uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

// UTF-8 to UTF-16; a broken sequence becomes U+FFFD.
std::u16string Utf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        uint32_t code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = extra >= 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next >> 6) != 2) ok = false;
            else code = code << 6 | (next & 0x3F);
        }
        if (!ok) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += static_cast<size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

void PutText(std::vector<uint8_t>& out, const std::u16string& text) {
    for (char16_t c : text) Put16(out, c);
    Put16(out, 0);
}

// 16-bit resources are ANSI in code page 1252: what Latin-1 holds, the rest '?'.
std::string Ansi(const std::string& text) {
    std::string out;
    for (char16_t c : Utf16(text)) out += c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?';
    return out;
}

enum class Format { Wide, Narrow };

// One block: header, key, value, children, each on a 4-byte boundary.
// wLength covers everything but the padding behind the last child. A
// 32-bit (wide) block has wType and UTF-16 text; a 16-bit (narrow) block
// has no wType and ANSI text, and counts a text value in bytes.
struct Block {
    std::string key;
    bool text = false;
    bool hasText = false;         // a string: textValue is its value
    std::string textValue;        // UTF-8
    std::vector<uint8_t> value;   // for a binary block
    std::vector<Block> children;

    std::vector<uint8_t> Bytes(Format format) const {
        const bool wide = format == Format::Wide;
        std::vector<uint8_t> out(wide ? 6 : 4, 0);
        if (wide) PutText(out, Utf16(key));
        else PutAnsi(out, Ansi(key));
        Pad4(out);
        uint16_t valueLength = static_cast<uint16_t>(value.size());
        if (hasText && wide) {
            std::u16string units = Utf16(textValue);
            PutText(out, units);
            valueLength = static_cast<uint16_t>(units.size() + 1);
        } else if (hasText) {
            std::string ansi = Ansi(textValue);
            PutAnsi(out, ansi);
            valueLength = static_cast<uint16_t>(ansi.size() + 1);
        } else {
            out.insert(out.end(), value.begin(), value.end());
        }
        for (const Block& child : children) {
            Pad4(out);
            std::vector<uint8_t> bytes = child.Bytes(format);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        out[0] = static_cast<uint8_t>(out.size());
        out[1] = static_cast<uint8_t>(out.size() >> 8);
        out[2] = static_cast<uint8_t>(valueLength);
        out[3] = static_cast<uint8_t>(valueLength >> 8);
        if (wide) out[4] = text ? 1 : 0;
        return out;
    }

    static void PutAnsi(std::vector<uint8_t>& out, const std::string& text) {
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    }
};

Block String(const std::string& name, const std::string& value) {
    Block b;
    b.key = name;
    b.text = true;
    b.hasText = true;
    b.textValue = value;
    return b;
}

Block Container(const std::string& name, std::vector<Block> children) {
    Block b;
    b.key = name;
    b.text = true;
    b.children = std::move(children);
    return b;
}

std::string BaseName(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

Block VersionTree(const ImagePlan& plan, uint16_t codePage) {
    Block root;
    root.key = "VS_VERSION_INFO";
    Put32(root.value, kSignature);
    Put32(root.value, kStrucVersion);
    Put32(root.value, plan.fileVersion.Ms());
    Put32(root.value, plan.fileVersion.Ls());
    Put32(root.value, plan.productVersion.Ms());
    Put32(root.value, plan.productVersion.Ls());
    Put32(root.value, kFlagsMask);
    Put32(root.value, 0);  // flags: a release build
    switch (plan.kind) {
        case Kind::Driver:
            Put32(root.value, kOsNtWindows32);
            Put32(root.value, kTypeDriver);
            Put32(root.value, kSubtypeSystemDriver);
            break;
        case Kind::Vxd:
            Put32(root.value, kOsDosWindows32);
            Put32(root.value, kTypeVxd);
            Put32(root.value, 0);
            break;
        case Kind::Program:
            Put32(root.value, kOsWindows32);
            Put32(root.value, kTypeApp);
            Put32(root.value, 0);
            break;
    }
    Put32(root.value, 0);  // file date, unused
    Put32(root.value, 0);

    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", kLanguage, codePage);
    root.children.push_back(Container(
        "StringFileInfo", {Container(table, {String("CompanyName", plan.company),
                                             String("FileDescription", plan.description),
                                             String("FileVersion", plan.fileVersion.Text()),
                                             String("InternalName", BaseName(plan.fileName)),
                                             String("LegalCopyright", plan.copyright),
                                             String("OriginalFilename", plan.fileName),
                                             String("ProductName", plan.product),
                                             String("ProductVersion", plan.productVersion.Text())})}));
    Block translation;
    translation.key = "Translation";
    Put16(translation.value, kLanguage);
    Put16(translation.value, codePage);
    root.children.push_back(Container("VarFileInfo", {translation}));
    return root;
}

}  // namespace

std::vector<uint8_t> BuildVersionResource(const ImagePlan& plan) {
    return VersionTree(plan, kCodePage).Bytes(Format::Wide);
}

std::vector<uint8_t> BuildVersionResource16(const ImagePlan& plan) {
    return VersionTree(plan, kCodePage16).Bytes(Format::Narrow);
}

}  // namespace mkpe
