// GDI objects and images that need no display: stock objects, fonts made
// from a LOGFONT, the system's icons, the program's own picture, and
// MulDiv's rounding.
#include <cstring>

#include "check.h"

namespace conformance {
namespace {

void Stock() {
    const struct {
        const char* name;
        int index;
    } stock[] = {{"WHITE_BRUSH", WHITE_BRUSH},     {"NULL_BRUSH", NULL_BRUSH},
                 {"BLACK_PEN", BLACK_PEN},         {"NULL_PEN", NULL_PEN},
                 {"SYSTEM_FONT", SYSTEM_FONT},     {"DEFAULT_GUI_FONT", DEFAULT_GUI_FONT},
                 {"ANSI_VAR_FONT", ANSI_VAR_FONT}, {"index 9", 9},
                 {"index 100", 100},               {"index -1", -1}};
    for (const auto& s : stock) {
        Mark();
        HGDIOBJ object = GetStockObject(s.index);
        std::string error = Err();
        Report(Fmt("GetStockObject %s", s.name),
               Fmt("%s err=%s type=%u", object ? "set" : "null", error.c_str(),
                   static_cast<unsigned>(object ? GetObjectType(object) : 0)));
    }
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    Mark();
    BOOL ok = DeleteObject(font);
    ReportCall("DeleteObject stock font", ok, Fmt("type after=%u", static_cast<unsigned>(GetObjectType(font))));
    Mark();
    int n = GetObjectA(font, 0, nullptr);
    ReportCall("GetObjectA font size query", n);
    LOGFONTA logical;
    std::memset(&logical, 0, sizeof logical);
    Mark();
    n = GetObjectA(font, sizeof logical, &logical);
    ReportCall("GetObjectA DEFAULT_GUI_FONT", n,
               Fmt("height=%d weight=%d charset=%u face=%s", static_cast<int>(logical.lfHeight),
                   static_cast<int>(logical.lfWeight), logical.lfCharSet, logical.lfFaceName));
    Mark();
    DWORD type = GetObjectType(nullptr);
    ReportCall("GetObjectType null", static_cast<long long>(type));
}

void Fonts() {
    Mark();
    HFONT font = CreateFontA(-13, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, "MS UI Gothic");
    ReportHandle("CreateFontA", font, Fmt("type=%u", static_cast<unsigned>(GetObjectType(font))));
    LOGFONTA logical;
    std::memset(&logical, 0x55, sizeof logical);
    Mark();
    int n = GetObjectA(font, sizeof logical, &logical);
    ReportCall("GetObjectA created font", n,
               Fmt("height=%d weight=%d italic=%u charset=%u precision=%u quality=%u pitch=0x%02X face=%s",
                   static_cast<int>(logical.lfHeight), static_cast<int>(logical.lfWeight), logical.lfItalic,
                   logical.lfCharSet, logical.lfOutPrecision, logical.lfQuality, logical.lfPitchAndFamily,
                   logical.lfFaceName));
    Mark();
    n = GetObjectA(font, 8, &logical);
    ReportCall("GetObjectA created font, short buffer", n);
    Mark();
    BOOL ok = DeleteObject(font);
    ReportCall("DeleteObject created font", ok);
    Mark();
    DWORD type = GetObjectType(font);
    ReportCall("GetObjectType deleted font", static_cast<long long>(type));
    // A face name longer than LF_FACESIZE is cut to 31 characters.
    Mark();
    font = CreateFontA(8, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                       "A Face Name Longer Than Thirty-One Characters");
    std::memset(&logical, 0, sizeof logical);
    GetObjectA(font, sizeof logical, &logical);
    ReportHandle("CreateFontA long face name", font, Fmt("face=%s", logical.lfFaceName));
    DeleteObject(font);
    std::memset(&logical, 0, sizeof logical);
    logical.lfHeight = 8;
    logical.lfWeight = 1000;
    lstrcpynA(logical.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    Mark();
    font = CreateFontIndirectA(&logical);
    std::memset(&logical, 0, sizeof logical);
    GetObjectA(font, sizeof logical, &logical);
    ReportHandle("CreateFontIndirectA weight 1000", font, Fmt("weight=%d", static_cast<int>(logical.lfWeight)));
    DeleteObject(font);
    Mark();
    font = CreateFontIndirectA(nullptr);
    ReportHandle("CreateFontIndirectA null", font);
}

void Icons() {
    const struct {
        const char* name;
        LPCSTR id;
    } icons[] = {{"IDI_APPLICATION", IDI_APPLICATION}, {"IDI_HAND", IDI_HAND},
                 {"IDI_QUESTION", IDI_QUESTION},       {"IDI_EXCLAMATION", IDI_EXCLAMATION},
                 {"IDI_ASTERISK", IDI_ASTERISK},       {"IDI_WINLOGO", IDI_WINLOGO}};
    for (const auto& icon : icons) {
        Mark();
        HICON handle = LoadIconA(nullptr, icon.id);
        HICON again = LoadIconA(nullptr, icon.id);
        std::string error = Err();
        Report(Fmt("LoadIconA %s", icon.name),
               Fmt("%s err=%s same=%d", handle ? "set" : "null", error.c_str(), handle == again));
    }
}

std::string Describe(HANDLE image) {
    BITMAP bitmap;
    std::memset(&bitmap, 0, sizeof bitmap);
    int n = GetObjectA(image, sizeof bitmap, &bitmap);
    return Fmt("size=%d type=%d %dx%d planes=%u", n, static_cast<int>(bitmap.bmType), static_cast<int>(bitmap.bmWidth),
               static_cast<int>(bitmap.bmHeight), bitmap.bmPlanes);
}

// The program's picture (resource 1), names it does not have, and image
// types it has none of.
void OwnImages() {
    HINSTANCE self = GetModuleHandleA(nullptr);
    Mark();
    HBITMAP bitmap = LoadBitmapA(self, MAKEINTRESOURCEA(1));
    ReportHandle("LoadBitmapA own picture", bitmap,
                 Describe(bitmap) + Fmt(" objtype=%u", static_cast<unsigned>(GetObjectType(bitmap))));
    Mark();
    BOOL ok = DeleteObject(bitmap);
    ReportCall("DeleteObject own picture", ok);
    Mark();
    HANDLE image = LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    ReportHandle("LoadImageA own picture", image, Describe(image));
    DeleteObject(image);
    Mark();
    bitmap = LoadBitmapA(self, MAKEINTRESOURCEA(2));
    ReportHandle("LoadBitmapA missing name", bitmap);
    Mark();
    bitmap = LoadBitmapA(self, "PICTURE");
    ReportHandle("LoadBitmapA missing string name", bitmap);
    Mark();
    HICON icon = LoadIconA(self, MAKEINTRESOURCEA(1));
    ReportHandle("LoadIconA module without icons", icon);
    Mark();
    image = LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
    ReportHandle("LoadImageA icon, module without icons", image);
    Mark();
    bitmap = LoadBitmapA(nullptr, MAKEINTRESOURCEA(1));
    ReportHandle("LoadBitmapA no module, name 1", bitmap);
    if (bitmap) DeleteObject(bitmap);
}

void Arithmetic() {
    const int cases[][3] = {{10, 3, 2},  {5, 1, 2},   {-5, 1, 2},  {7, 1, 2},         {-7, 1, 2},
                            {5, -1, 2},  {1, 1, 0},   {0, 5, 0},   {2147483647, 2, 1}, {2147483647, 2, 2},
                            {-1, 1, -2}, {300, 96, 72}, {8, 96, 72}, {-8, 120, 72}};
    for (const auto& c : cases)
        Report(Fmt("MulDiv %d %d %d", c[0], c[1], c[2]), Fmt("%d", MulDiv(c[0], c[1], c[2])));
}

}  // namespace

void CheckGdi() {
    Stock();
    Fonts();
    Icons();
    OwnImages();
    Arithmetic();
}

}  // namespace conformance
