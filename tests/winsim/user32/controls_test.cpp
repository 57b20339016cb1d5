// The controls' own messages, on a modeless dialog: combo boxes, progress
// bars, buttons and statics, texts, visibility, enabled state and focus.
#include <commctrl.h>

#include "dialog_bytes.h"
#include "ui_fixture.h"
#include "winsim/ui.h"

namespace {

class Controls : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        dialog_ = CreateModeless(WizardLikeTemplate(), handler_);
        ASSERT_NE(dialog_, nullptr);
    }
    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendDlgItemMessageA(dialog_, id, message, wParam, lParam);
    }
    LRESULT Add(const char* text) { return Send(1006, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    std::string ItemText(int index) {
        char text[64] = "";
        Send(1006, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::string Text(int id) {
        char text[256] = "";
        GetDlgItemTextA(dialog_, id, text, sizeof text);
        return text;
    }

    DialogHandler handler_;
    HWND dialog_ = nullptr;
};

TEST_F(Controls, ComboBoxKeepsItsListAndSelection) {
    EXPECT_EQ(Send(1006, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Add("Deutsch"), 0);
    EXPECT_EQ(Add("English"), 1);
    EXPECT_EQ(Add("Svenska"), 2);
    EXPECT_EQ(Send(1006, CB_GETCOUNT), 3);
    EXPECT_EQ(Send(1006, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), 1);
    EXPECT_EQ(Text(1006), "English");  // a drop-down list shows its selection
    EXPECT_EQ(ItemText(2), "Svenska");
    EXPECT_EQ(Send(1006, CB_GETLBTEXTLEN, 2), 7);
    EXPECT_EQ(Send(1006, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>("x")), CB_ERR);

    // An index past the list fails and leaves the selection; -1 clears it.
    EXPECT_EQ(Send(1006, CB_SETCURSEL, 3), CB_ERR);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), 1);
    EXPECT_EQ(Send(1006, CB_SETCURSEL, static_cast<WPARAM>(-1)), CB_ERR);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), CB_ERR);

    EXPECT_EQ(Send(1006, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("english")), 1);
    EXPECT_EQ(Send(1006, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>("D")), 0);  // wraps around
    EXPECT_EQ(Send(1006, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Dansk")), 0);
    EXPECT_EQ(Send(1006, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>("x")), CB_ERR);
    EXPECT_EQ(Send(1006, CB_SETITEMDATA, 1, 0x409), CB_OKAY);
    EXPECT_EQ(Send(1006, CB_GETITEMDATA, 1), 0x409);
    EXPECT_EQ(Send(1006, CB_ADDSTRING, 0, 0), CB_ERR);  // no text, no item

    EXPECT_EQ(Send(1006, CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(Send(1006, CB_GETCOUNT), 0);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Text(1006), "");
}

TEST_F(Controls, SelectionFollowsInsertionsAndDeletions) {
    Add("b");
    Add("c");
    Send(1006, CB_SETCURSEL, 1);  // "c"
    Send(1006, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("a"));
    EXPECT_EQ(Send(1006, CB_GETCURSEL), 2);
    EXPECT_EQ(Send(1006, CB_DELETESTRING, 0), 2);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), 1);
    EXPECT_EQ(Send(1006, CB_DELETESTRING, 1), 1);
    EXPECT_EQ(Send(1006, CB_GETCURSEL), CB_ERR);
}

TEST_F(Controls, SortedComboBoxesSortWithoutCase) {
    DialogBytes d;
    d.Control(5, DialogBytes::ComboBox(), u"", 0, 0, 50, 50, WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT);
    DialogHandler h;
    HWND sorted = CreateModeless(d.Bytes(), h);
    auto add = [&](const char* s) { return SendDlgItemMessageA(sorted, 5, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)); };
    EXPECT_EQ(add("delta"), 0);
    EXPECT_EQ(add("Alpha"), 0);
    EXPECT_EQ(add("charlie"), 1);
    EXPECT_EQ(add("Bravo"), 1);
    char first[16];
    SendDlgItemMessageA(sorted, 5, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, "Alpha");
}

TEST_F(Controls, CbSetCurSelSendsNoNotificationButAPickDoes) {
    Add("Deutsch");
    Add("English");
    Send(1006, CB_SETCURSEL, 0);
    EXPECT_TRUE(handler_.Commands().empty());
    Script("select 1006 1");
    std::vector<std::string> commands;
    handler_.onMessage = [&](HWND d, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE)
            commands.push_back("selchange " + std::to_string(SendDlgItemMessageA(d, 1006, CB_GETCURSEL, 0, 0)));
        return FALSE;
    };
    MSG m;
    ASSERT_TRUE(ShowWindow(dialog_, SW_SHOW) == FALSE);
    while (GetMessageA(&m, nullptr, 0, 0)) {
        if (!IsDialogMessageA(dialog_, &m)) DispatchMessageA(&m);
    }
    // Opened, confirmed, closed, and the change last, as Windows sends them.
    EXPECT_EQ(handler_.Commands(),
              (std::vector<std::string>{"1006:3", "1006:7", "1006:9", "1006:8", "1006:1"}));
    EXPECT_EQ(commands, (std::vector<std::string>{"selchange 1"}));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, 1006));
}

TEST_F(Controls, ProgressBarKeepsItsRangeAndPosition) {
    EXPECT_EQ(Send(1003, PBM_GETPOS), 0);
    PBRANGE range{};
    EXPECT_EQ(Send(1003, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(Send(1003, PBM_SETPOS, 25), 0);
    EXPECT_EQ(Send(1003, PBM_SETPOS, 50), 25);
    EXPECT_EQ(Send(1003, PBM_SETPOS, 500), 50);  // kept inside the range
    EXPECT_EQ(Send(1003, PBM_GETPOS), 100);
    EXPECT_EQ(Send(1003, PBM_SETRANGE, 0, MAKELPARAM(0, 10)), MAKELONG(0, 100));
    EXPECT_EQ(Send(1003, PBM_GETPOS), 10);
    EXPECT_EQ(Send(1003, PBM_SETRANGE32, 0, 70000), MAKELONG(0, 10));
    EXPECT_EQ(Send(1003, PBM_GETRANGE, FALSE, 0), 70000);
    EXPECT_EQ(Send(1003, PBM_SETPOS, 65536), 10);
    EXPECT_EQ(Send(1003, PBM_DELTAPOS, 4), 65536);
    EXPECT_EQ(Send(1003, PBM_GETPOS), 65540);
    Send(1003, PBM_SETRANGE32, 0, 100);
    Send(1003, PBM_SETPOS, 95);
    EXPECT_EQ(Send(1003, PBM_SETSTEP, 5), 10);
    EXPECT_EQ(Send(1003, PBM_STEPIT), 95);
    EXPECT_EQ(Send(1003, PBM_STEPIT), 100);
    EXPECT_EQ(Send(1003, PBM_GETPOS), 0);  // past the end it starts over
    EXPECT_EQ(TranscriptLines("progress 1003"),
              (std::vector<std::string>{"progress 1003 25", "progress 1003 50", "progress 1003 100", "progress 1003 10",
                                        "progress 1003 65536", "progress 1003 65540", "progress 1003 100",
                                        "progress 1003 95", "progress 1003 100", "progress 1003 0"}));
}

TEST_F(Controls, ButtonsClickAndRestyle) {
    EXPECT_EQ(Send(1004, WM_GETDLGCODE), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(Send(1009, WM_GETDLGCODE), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(SendMessageA(dialog_, DM_GETDEFID, 0, 0), MAKELONG(1004, DC_HASDEFID));
    Send(1004, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    Send(1009, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog_, 1009), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog_, 1009), GWL_STYLE) & WS_TABSTOP);  // the rest of the style stays
    EXPECT_EQ(SendMessageA(dialog_, DM_GETDEFID, 0, 0), MAKELONG(1009, DC_HASDEFID));
    SendMessageA(dialog_, DM_SETDEFID, 2, 0);
    EXPECT_EQ(SendMessageA(dialog_, DM_GETDEFID, 0, 0), MAKELONG(2, DC_HASDEFID));

    Send(2, BM_CLICK);
    EXPECT_EQ(handler_.Commands(), (std::vector<std::string>{"2:0"}));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, 2));
    EXPECT_EQ(Send(2, BM_GETSTATE), BST_FOCUS);
}

// A check state the type cannot show becomes the highest it can.
TEST_F(Controls, CheckStatesStayWithinTheButtonType) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    HWND boxes = CreateModeless(DialogBytes()
                                    .Control(10, DialogBytes::Button(), u"Two", 0, 0, 50, 10, child | BS_AUTOCHECKBOX)
                                    .Control(11, DialogBytes::Button(), u"Three", 0, 12, 50, 10, child | BS_AUTO3STATE)
                                    .Control(12, DialogBytes::Button(), u"Radio", 0, 24, 50, 10, child | BS_RADIOBUTTON)
                                    .Bytes(),
                                handler_);
    ASSERT_NE(boxes, nullptr);
    const struct {
        int id;
        LRESULT shown;
    } cases[] = {{10, BST_CHECKED}, {11, BST_INDETERMINATE}, {12, BST_CHECKED}};
    for (const auto& c : cases) {
        EXPECT_EQ(SendDlgItemMessageA(boxes, c.id, BM_SETCHECK, BST_INDETERMINATE, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(boxes, c.id, BM_GETCHECK, 0, 0), c.shown) << c.id;
    }
    EXPECT_EQ(SendDlgItemMessageA(boxes, 12, BM_GETSTATE, 0, 0), BST_CHECKED);
    EXPECT_TRUE(DestroyWindow(boxes));
    // Push buttons are never checked.
    Send(1009, BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(Send(1009, BM_GETCHECK), BST_UNCHECKED);
}

TEST_F(Controls, StaticsTakeImagesAndTexts) {
    HWND title = GetDlgItem(dialog_, 1000);
    EXPECT_TRUE(SetWindowTextA(title, "Talven Tessera Disc Reader"));
    EXPECT_EQ(GetWindowTextLengthA(title), 26);
    char cut[8];
    EXPECT_EQ(GetWindowTextA(title, cut, sizeof cut), 7);
    EXPECT_STREQ(cut, "Talven ");
    EXPECT_TRUE(SetDlgItemTextA(dialog_, 1005, "line one\nline two"));
    EXPECT_EQ(Text(1005), "line one\nline two");
    EXPECT_FALSE(SetDlgItemTextA(dialog_, 4242, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));

    HWND picture = GetDlgItem(dialog_, 0xFFFF);
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(149));
    ASSERT_NE(bitmap, nullptr);
    HANDLE fromTemplate = reinterpret_cast<HANDLE>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(fromTemplate, nullptr);  // loaded from the title's ordinal, resource 149
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)),
              reinterpret_cast<LRESULT>(fromTemplate));
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(Controls, HidingOrDisablingTheFocusMovesIt) {
    HWND combo = GetDlgItem(dialog_, 1006), next = GetDlgItem(dialog_, 1004);
    EXPECT_EQ(SetFocus(combo), nullptr);
    EXPECT_EQ(GetFocus(), combo);
    // Hidden: the focus goes to the dialog, which passes it to its first tab stop.
    EXPECT_TRUE(ShowWindow(combo, SW_HIDE));
    EXPECT_FALSE(ShowWindow(combo, SW_HIDE));
    EXPECT_EQ(GetFocus(), next);
    // Disabled: nobody has it.
    EXPECT_FALSE(EnableWindow(next, FALSE));
    EXPECT_TRUE(EnableWindow(next, FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(next));
    EXPECT_TRUE(EnableWindow(next, TRUE));
    EXPECT_TRUE(IsWindowEnabled(next));
    // The dialog had the focus for a moment when the combo box was hidden.
    EXPECT_EQ(handler_.Seen(WM_SETFOCUS).size(), 1u);
}

TEST_F(Controls, BadHandlesFailWithTheWindowsError) {
    HWND bogus = reinterpret_cast<HWND>(0x1234);
    EXPECT_FALSE(SetWindowTextA(bogus, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    // The queries validate the handle too.
    SetLastError(0);
    EXPECT_FALSE(IsWindowVisible(bogus));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(IsWindowEnabled(bogus));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(GetDlgItem(bogus, 1), nullptr);
    EXPECT_EQ(GetDlgCtrlID(dialog_), 0);  // a top-level window has no id
    EXPECT_EQ(SendMessageA(bogus, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(SetFocus(bogus), nullptr);
    EXPECT_FALSE(PostMessageA(bogus, WM_NULL, 0, 0));
    RECT r;
    EXPECT_FALSE(GetWindowRect(bogus, &r));
}

TEST_F(Controls, IconsAndWindowData) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)), icon);  // shared
    EXPECT_EQ(SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessageA(dialog_, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SetClassLongPtrA(dialog_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon)), 0u);
    EXPECT_EQ(GetClassLongPtrA(dialog_, GCLP_HICON), reinterpret_cast<ULONG_PTR>(icon));
    EXPECT_EQ(SetWindowLongPtrA(dialog_, DWLP_USER, 99), 0);
    EXPECT_EQ(GetWindowLongPtrA(dialog_, DWLP_USER), 99);
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog_, 1004), GWLP_ID), 1004);
    EXPECT_EQ(GetWindowLongPtrA(dialog_, 12345), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_TRUE(DestroyIcon(icon));  // shared: nothing happens
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)), icon);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(999)), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
}

}  // namespace
