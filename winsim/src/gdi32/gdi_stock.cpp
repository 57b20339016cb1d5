// Stock objects. The fonts follow the machine's ANSI code page the way a
// Windows of that language sets them up: the character set of the code page,
// and for the East Asian ones the dialog face of that Windows.
#include <cstring>
#include <map>

#include "gdi32/gdi_objects.h"
#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

struct CodePageFonts {
    unsigned codePage;
    BYTE charset;
    const char* guiFace;
    LONG guiHeight;
};

const CodePageFonts kCodePages[] = {
    {1252, ANSI_CHARSET, "MS Shell Dlg", -11}, {1250, 238, "MS Shell Dlg", -11},
    {1251, 204, "MS Shell Dlg", -11},          {1253, 161, "MS Shell Dlg", -11},
    {1254, 162, "MS Shell Dlg", -11},          {1255, 177, "MS Shell Dlg", -11},
    {1256, 178, "MS Shell Dlg", -11},          {1257, 186, "MS Shell Dlg", -11},
    {1258, VIETNAMESE_CHARSET, "MS Shell Dlg", -11},
    {874, 222, "Tahoma", -11},                 {932, SHIFTJIS_CHARSET, "MS UI Gothic", -12},
    {936, GB2312_CHARSET, "SimSun", -12},      {949, HANGUL_CHARSET, "Gulim", -12},
    {950, CHINESEBIG5_CHARSET, "PMingLiU", -12},
};

const CodePageFonts& FontsOfMachine() {
    unsigned codePage = winsim::Machine().codePage;
    for (const CodePageFonts& row : kCodePages)
        if (row.codePage == codePage) return row;
    return kCodePages[0];
}

LOGFONTA Font(LONG height, LONG width, LONG weight, BYTE charset, BYTE pitchAndFamily, const char* face) {
    LOGFONTA f;
    std::memset(&f, 0, sizeof f);
    f.lfHeight = height;
    f.lfWidth = width;
    f.lfWeight = weight;
    f.lfCharSet = charset;
    f.lfPitchAndFamily = pitchAndFamily;
    std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return f;
}

bool StockDescription(int index, winsim::GdiObject& object) {
    const CodePageFonts& cp = FontsOfMachine();
    object.stock = true;
    object.kind = winsim::GdiKind::Font;
    switch (index) {
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
            object.font = Font(16, 7, FW_BOLD, cp.charset, VARIABLE_PITCH | FF_SWISS, "System");
            return true;
        case DEFAULT_GUI_FONT:
            object.font = Font(cp.guiHeight, 0, FW_NORMAL, cp.charset, DEFAULT_PITCH, cp.guiFace);
            return true;
        case ANSI_VAR_FONT:
            object.font = Font(12, 9, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
            return true;
        case ANSI_FIXED_FONT:
            object.font = Font(12, 9, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Courier");
            return true;
        case OEM_FIXED_FONT:
            object.font = Font(12, 8, FW_NORMAL, OEM_CHARSET, FIXED_PITCH | FF_MODERN, "Terminal");
            return true;
        case SYSTEM_FIXED_FONT:
            object.font = Font(15, 8, FW_NORMAL, cp.charset, FIXED_PITCH | FF_MODERN, "Fixedsys");
            return true;
        case WHITE_BRUSH:
        case LTGRAY_BRUSH:
        case GRAY_BRUSH:
        case DKGRAY_BRUSH:
        case BLACK_BRUSH:
        case NULL_BRUSH:
            object.kind = winsim::GdiKind::Brush;
            return true;
        case WHITE_PEN:
        case BLACK_PEN:
        case NULL_PEN:
            object.kind = winsim::GdiKind::Pen;
            return true;
        default:
            return false;
    }
}

// Stock objects are made on first use; a machine with another code page
// (a test switching machines) gets its own set.
std::map<std::pair<unsigned, int>, HGDIOBJ>& StockHandles() {
    static std::map<std::pair<unsigned, int>, HGDIOBJ> handles;
    return handles;
}

}  // namespace

namespace winsim {
void ForgetStockObjects() { StockHandles().clear(); }
}  // namespace winsim

extern "C" HGDIOBJ WINAPI GetStockObject(int index) {
    if (winsim::FailsHere("GetStockObject", false)) return nullptr;
    auto key = std::make_pair(winsim::Machine().codePage, index);
    auto& handles = StockHandles();
    auto it = handles.find(key);
    if (it != handles.end() && winsim::FindGdiObject(it->second)) return it->second;
    winsim::GdiObject object;
    if (!StockDescription(index, object)) return nullptr;
    HGDIOBJ handle = winsim::AddGdiObject(object);
    handles[key] = handle;
    return handle;
}
