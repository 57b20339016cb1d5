// The system metrics of the machine's display: the profile's screen size
// and the frame sizes of the classic look at 96 dots per inch.
#include "machine/faults.h"
#include "machine/machine_state.h"
#include "user32/window_geometry.h"

namespace {

constexpr int kTaskbarHeight = 30;

// Multiple monitors came with Windows 98 and 2000.
bool KnowsMonitors(const winsim::Profile& p) {
    if (p.platformId == VER_PLATFORM_WIN32_WINDOWS) return p.major > 4 || p.minor >= 10;
    if (p.platformId == VER_PLATFORM_WIN32_NT) return p.major >= 5;
    return false;
}

}  // namespace

extern "C" int WINAPI GetSystemMetrics(int index) {
    if (winsim::FailsHere("GetSystemMetrics", false)) return 0;
    const winsim::Profile& p = winsim::Machine();
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN: return p.screenWidth;
        case SM_CYSCREEN: return p.screenHeight;
        case SM_CYFULLSCREEN: return p.screenHeight - kTaskbarHeight - winsim::kCaptionHeight;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB: return 16;
        case SM_CYCAPTION: return winsim::kCaptionHeight;
        case SM_CXBORDER:
        case SM_CYBORDER: return winsim::kBorder;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return winsim::kDialogFrame;
        case SM_CXFRAME:
        case SM_CYFRAME: return winsim::kSizingFrame;
        case SM_CXEDGE:
        case SM_CYEDGE: return winsim::kEdge;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CYMENU: return 19;
        case SM_CXSIZE:
        case SM_CYSIZE: return 18;
        case SM_CYSMCAPTION: return 15;
        case SM_CXMIN: return 112;
        case SM_CYMIN: return 27;
        case SM_CXVIRTUALSCREEN: return KnowsMonitors(p) ? p.screenWidth : 0;
        case SM_CYVIRTUALSCREEN: return KnowsMonitors(p) ? p.screenHeight : 0;
        case SM_CMONITORS: return KnowsMonitors(p) ? 1 : 0;
        default: return 0;
    }
}

// The work area is the screen above a taskbar along the bottom edge.
extern "C" BOOL WINAPI SystemParametersInfoA(UINT action, UINT, PVOID parameter, UINT) {
    if (winsim::FailsHere("SystemParametersInfoA", false)) return FALSE;
    if (action != SPI_GETWORKAREA || !parameter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const winsim::Profile& p = winsim::Machine();
    RECT* area = static_cast<RECT*>(parameter);
    *area = RECT{0, 0, p.screenWidth, p.screenHeight - kTaskbarHeight};
    return TRUE;
}

// number * numerator / denominator through 64 bits, rounded half away from
// zero; -1 when the denominator is 0 or the result does not fit.
extern "C" int WINAPI MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(number) * numerator;
    bool negative = (product < 0) != (denominator < 0);
    long long a = product < 0 ? -product : product;
    long long d = denominator < 0 ? -static_cast<long long>(denominator) : denominator;
    long long q = (a + d / 2) / d;
    long long result = negative ? -q : q;
    if (result > 0x7FFFFFFFLL || result < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(result);
}
