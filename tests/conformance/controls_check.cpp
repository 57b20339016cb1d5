// The controls' own messages on the window checks' dialog: check boxes and
// push buttons, the combo box's list, the progress bar's range and position,
// and fonts given to controls.
// <commctrl.h> needs <windows.h> before it.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "window_checks.h"

namespace conformance {

void CheckButtons(HWND dialog) {
    auto send = [&](UINT message, WPARAM wparam) {
        return static_cast<long long>(SendDlgItemMessageA(dialog, kCheck, message, wparam, 0));
    };
    Mark();
    long long before = send(BM_GETCHECK, 0);
    long long set = send(BM_SETCHECK, BST_CHECKED);
    WCall("BM_SETCHECK checked", set, Fmt("before=%lld now=%lld", before, send(BM_GETCHECK, 0)));
    set = send(BM_SETCHECK, BST_INDETERMINATE);
    W("BM_SETCHECK indeterminate on a two-state box", Fmt("ret=%lld now=%lld", set, send(BM_GETCHECK, 0)));
    send(BM_SETSTATE, TRUE);
    W("BM_SETSTATE pushed", Fmt("state=0x%llX", send(BM_GETSTATE, 0) & (BST_CHECKED | BST_INDETERMINATE | BST_PUSHED)));
    send(BM_SETSTATE, FALSE);
    send(BM_SETCHECK, BST_UNCHECKED);
    W("BM_SETCHECK unchecked", Fmt("state=0x%llX check=%lld",
                                   send(BM_GETSTATE, 0) & (BST_CHECKED | BST_INDETERMINATE | BST_PUSHED),
                                   send(BM_GETCHECK, 0)));
    HWND ok = GetDlgItem(dialog, IDOK);
    SendMessageA(ok, BM_SETCHECK, BST_CHECKED, 0);
    W("BM_SETCHECK on a push button", Fmt("check=%lld", static_cast<long long>(SendMessageA(ok, BM_GETCHECK, 0, 0))));
    Mark();
    LRESULT r = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    WCall("DM_GETDEFID", r);
    // DM_GETDEFID after the restyle is not compared: Wine keeps answering
    // the template's default button.
    SendMessageA(ok, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    W("BM_SETSTYLE push button", Fmt("type=%ld", GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK));
}

void CheckComboBox(HWND dialog) {
    auto send = [&](UINT message, WPARAM wparam, LPARAM lparam) {
        return static_cast<long long>(SendDlgItemMessageA(dialog, kCombo, message, wparam, lparam));
    };
    auto text = [](const char* s) { return reinterpret_cast<LPARAM>(s); };
    std::string added;
    for (const char* item : {"English", "Deutsch", "Fran\xE7" "ais"}) added += Fmt(" %lld", send(CB_ADDSTRING, 0, text(item)));
    W("CB_ADDSTRING three", Fmt("indices%s count=%lld cursel=%lld", added.c_str(), send(CB_GETCOUNT, 0, 0),
                                send(CB_GETCURSEL, 0, 0)));
    long long r = send(CB_SETCURSEL, 1, 0);
    W("CB_SETCURSEL 1", Fmt("ret=%lld cursel=%lld text=%s", r, send(CB_GETCURSEL, 0, 0),
                            Text(GetDlgItem(dialog, kCombo)).c_str()));
    r = send(CB_SETCURSEL, 7, 0);
    W("CB_SETCURSEL past the end", Fmt("ret=%lld cursel=%lld", r, send(CB_GETCURSEL, 0, 0)));
    char item[64] = "";
    r = send(CB_GETLBTEXT, 2, text(item));
    W("CB_GETLBTEXT 2", Fmt("ret=%lld len=%lld %s", r, send(CB_GETLBTEXTLEN, 2, 0), Hex(item, std::strlen(item)).c_str()));
    r = send(CB_GETLBTEXT, 5, text(item));
    W("CB_GETLBTEXT past the end", Fmt("ret=%lld len=%lld", r, send(CB_GETLBTEXTLEN, 5, 0)));
    W("CB_FINDSTRINGEXACT", Fmt("deutsch=%lld Deu=%lld missing=%lld", send(CB_FINDSTRINGEXACT, -1, text("deutsch")),
                                send(CB_FINDSTRINGEXACT, -1, text("Deu")), send(CB_FINDSTRINGEXACT, -1, text("Dutch"))));
    W("CB_FINDSTRING prefix", Fmt("%lld", send(CB_FINDSTRING, -1, text("fr"))));
    r = send(CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    W("CB_SETCURSEL -1", Fmt("ret=%lld cursel=%lld", r, send(CB_GETCURSEL, 0, 0)));
    send(CB_SETITEMDATA, 0, 0x1234);
    W("CB_SETITEMDATA", Fmt("0x%llX", send(CB_GETITEMDATA, 0, 0)));
    r = send(CB_DELETESTRING, 0, 0);
    W("CB_DELETESTRING 0", Fmt("ret=%lld first=%lld", r, send(CB_FINDSTRINGEXACT, -1, text("Deutsch"))));
    // Its return is not compared: documented as CB_OKAY (0), Wine's is 1.
    send(CB_RESETCONTENT, 0, 0);
    W("CB_RESETCONTENT", Fmt("count=%lld", send(CB_GETCOUNT, 0, 0)));
}

void CheckProgressBar(HWND dialog) {
    auto send = [&](UINT message, WPARAM wparam, LPARAM lparam) {
        return static_cast<long long>(SendDlgItemMessageA(dialog, kProgress, message, wparam, lparam));
    };
    PBRANGE range = {-1, -1};
    long long low = send(PBM_GETRANGE, TRUE, 0);
    send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    W("PBM_GETRANGE new bar", Fmt("low=%lld range=%d-%d pos=%lld", low, range.iLow, range.iHigh,
                                  send(PBM_GETPOS, 0, 0)));
    W("PBM_SETRANGE 0-200", Fmt("0x%llX", send(PBM_SETRANGE, 0, MAKELPARAM(0, 200))));
    // The message first, then the position it left.
    auto moved = [&](const char* name, UINT message, WPARAM wparam, LPARAM lparam) {
        long long r = send(message, wparam, lparam);
        long long position = send(PBM_GETPOS, 0, 0);
        W(name, Fmt("ret=%lld pos=%lld", r, position));
    };
    moved("PBM_SETPOS 50", PBM_SETPOS, 50, 0);
    moved("PBM_SETPOS past the top", PBM_SETPOS, 300, 0);
    moved("PBM_DELTAPOS -30", PBM_DELTAPOS, static_cast<WPARAM>(-30), 0);
    W("PBM_SETSTEP 25", Fmt("ret=%lld", send(PBM_SETSTEP, 25, 0)));
    moved("PBM_STEPIT", PBM_STEPIT, 0, 0);
    long long previous = send(PBM_SETRANGE32, 10, 20);
    long long position = send(PBM_GETPOS, 0, 0);
    W("PBM_SETRANGE32 10-20", Fmt("0x%llX pos=%lld high=%lld", previous, position, send(PBM_GETRANGE, FALSE, 0)));
    moved("PBM_SETPOS below the bottom", PBM_SETPOS, 3, 0);
}

void CheckControlFonts(HWND dialog) {
    HWND label = GetDlgItem(dialog, kStatic);
    HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    HFONT label_font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
    W("WM_GETFONT dialog and control", Fmt("dialog=%s same=%d", dialog_font ? "set" : "null", dialog_font == label_font));
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    // WM_SETFONT returns nothing defined; what counts is what WM_GETFONT gives back.
    for (WORD id : {kStatic, kCheck, kEdit, kCombo}) {
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        HFONT now = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
        W(Fmt("WM_SETFONT control %d", id), Fmt("same=%d", now == font));
    }
    SendMessageA(label, WM_SETFONT, 0, FALSE);
    W("WM_SETFONT null on a static", Fmt("font=%s", SendMessageA(label, WM_GETFONT, 0, 0) ? "set" : "null"));
    for (WORD id : {kStatic, kCheck, kEdit, kCombo})
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font), FALSE);
    DeleteObject(font);
}

}  // namespace conformance
