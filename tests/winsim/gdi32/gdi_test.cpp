// Fonts, stock objects, bitmaps and icons; the screen and where windows are on it.
#include <cstring>

#include "dialog_bytes.h"
#include "machine/machine_state.h"
#include "ui_fixture.h"
#include "winsim/machine.h"
#include "winsim/module_resources.h"
#include "winsim/ui.h"

extern "C" const WinsimResourceTable halvinstResources;

namespace {

class Gdi : public UiTest {
protected:
    // The attached machine with another screen and code page.
    void Reprofile(int width, int height, unsigned codePage) {
        winsim::Profile p = winsim::CurrentProfile();
        p.screenWidth = width;
        p.screenHeight = height;
        p.codePage = codePage;
        std::string error;
        ASSERT_TRUE(winsim::SaveProfile(dir_, p, error)) << error;
        ASSERT_TRUE(winsim::UseMachine(dir_, error)) << error;
    }
    static LOGFONTA Describe(HGDIOBJ font) {
        LOGFONTA f;
        std::memset(&f, 0x5A, sizeof f);
        EXPECT_EQ(GetObjectA(font, sizeof f, &f), static_cast<int>(sizeof f));
        return f;
    }
};

TEST_F(Gdi, AFontDescribesItselfAsItWasMade) {
    LOGFONTA d;
    std::memset(&d, 0, sizeof d);
    d.lfHeight = -18;
    d.lfWeight = FW_MEDIUM;
    d.lfCharSet = SHIFTJIS_CHARSET;
    d.lfQuality = PROOF_QUALITY;
    d.lfPitchAndFamily = VARIABLE_PITCH;
    std::strcpy(d.lfFaceName, "MS Mincho");
    HFONT font = CreateFontIndirectA(&d);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    LOGFONTA back = Describe(font);
    EXPECT_EQ(std::memcmp(&back, &d, sizeof d), 0);
    char part[8];
    EXPECT_EQ(GetObjectA(font, sizeof part, part), static_cast<int>(sizeof part));  // as much as fits
    EXPECT_EQ(winsim::LiveGdiObjects(), 1u);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(GetObjectA(font, sizeof back, &back), 0);
    EXPECT_EQ(winsim::LiveGdiObjects(), 0u);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "a deleted object";
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), 0xDEADBEEFu) << "no description: the last error is left alone";

    HFONT title = CreateFontA(-18, 0, 0, 0, FW_MEDIUM, 0, 0, 0, ANSI_CHARSET, 0, 0, PROOF_QUALITY,
                              VARIABLE_PITCH | FF_ROMAN, "Times New Roman Bold");
    LOGFONTA t = Describe(title);
    EXPECT_STREQ(t.lfFaceName, "Times New Roman Bold");
    EXPECT_EQ(t.lfPitchAndFamily, VARIABLE_PITCH | FF_ROMAN);
    DeleteObject(title);
}

TEST_F(Gdi, StockFontsFollowTheCodePageAndNeverGoAway) {
    HGDIOBJ system = GetStockObject(SYSTEM_FONT);
    LOGFONTA western = Describe(system);
    EXPECT_STREQ(western.lfFaceName, "System");
    EXPECT_EQ(western.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(western.lfWeight, FW_BOLD);
    EXPECT_TRUE(DeleteObject(system));  // allowed, and nothing happens
    EXPECT_EQ(GetStockObject(SYSTEM_FONT), system);
    EXPECT_EQ(Describe(system).lfHeight, western.lfHeight);
    LOGFONTA gui = Describe(GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_STREQ(gui.lfFaceName, "MS Shell Dlg");
    EXPECT_EQ(gui.lfHeight, -11);
    EXPECT_EQ(winsim::LiveGdiObjects(), 0u);
    EXPECT_EQ(GetStockObject(9), nullptr);  // no stock object has that number

    const struct {
        unsigned codePage;
        BYTE charset;
        const char* guiFace;
    } machines[] = {{932, SHIFTJIS_CHARSET, "MS UI Gothic"},
                    {949, HANGUL_CHARSET, "Gulim"},
                    {936, GB2312_CHARSET, "SimSun"},
                    {950, CHINESEBIG5_CHARSET, "PMingLiU"},
                    {874, 222, "Tahoma"}};
    for (const auto& m : machines) {
        Reprofile(1024, 768, m.codePage);
        EXPECT_EQ(Describe(GetStockObject(SYSTEM_FONT)).lfCharSet, m.charset) << m.codePage;
        LOGFONTA f = Describe(GetStockObject(DEFAULT_GUI_FONT));
        EXPECT_EQ(f.lfCharSet, m.charset) << m.codePage;
        EXPECT_STREQ(f.lfFaceName, m.guiFace) << m.codePage;
    }
}

TEST_F(Gdi, SystemMetricsComeFromTheProfile) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    Reprofile(800, 600, 1252);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
    RECT work;
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, 800);
    EXPECT_LT(work.bottom, 600);

    UseFreshMachine("win95");
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 0);  // before Windows 98 there was no such metric
}

TEST_F(Gdi, MulDivRoundsAndRefusesOverflow) {
    EXPECT_EQ(MulDiv(180, 13, 8), 293);  // 292.5 rounds away from zero
    EXPECT_EQ(MulDiv(-180, 13, 8), -293);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
}

TEST_F(Gdi, WindowsMoveAndTheDialogUnitsMap) {
    DialogHandler h;
    HWND dialog = CreateModeless(WizardLikeTemplate(), h);
    RECT r;
    GetWindowRect(dialog, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // The wizard's placement: centred across, a third down.
    int x = (screenWidth - width) / 2, y = (screenHeight - height) / 3;
    EXPECT_TRUE(SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOREDRAW));
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 240);
    EXPECT_EQ(r.top, 150);
    EXPECT_EQ(r.right - r.left, width);
    RECT button;
    GetWindowRect(GetDlgItem(dialog, 1004), &button);
    EXPECT_EQ(button.left, 240 + 3 + 369);  // frame, then 246 dialog units of 6/4 pixels
    EXPECT_EQ(button.top, 150 + 3 + 19 + 260);

    RECT units{4, 8, 358, 180};
    EXPECT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.left, 6);
    EXPECT_EQ(units.top, 13);
    EXPECT_EQ(units.right, 537);
    EXPECT_EQ(units.bottom, 293);
    EXPECT_FALSE(MapDialogRect(GetDlgItem(dialog, 1004), &units));

    EXPECT_TRUE(MoveWindow(GetDlgItem(dialog, 1004), 10, 20, 30, 40, TRUE));
    RECT client;
    GetClientRect(GetDlgItem(dialog, 1004), &client);
    EXPECT_EQ(client.right, 30);
    EXPECT_EQ(client.bottom, 40);
    POINT p{0, 0};
    ClientToScreen(GetDlgItem(dialog, 1004), &p);
    EXPECT_EQ(p.x, 240 + 3 + 10);
    ScreenToClient(dialog, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
}

TEST_F(Gdi, TheDialogStaysOnTheScreenAndCentresOnRequest) {
    DialogBytes::Options o;
    o.x = 1000;
    o.y = 1000;
    DialogHandler h;
    HWND far = CreateModeless(DialogBytes(o).Bytes(), h);
    RECT r;
    GetWindowRect(far, &r);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
    o.style |= DS_CENTER;
    HWND centred = CreateModeless(DialogBytes(o).Bytes(), h);
    GetWindowRect(centred, &r);
    EXPECT_EQ(r.left, (1024 - (r.right - r.left)) / 2);
}

TEST_F(Gdi, BitmapsAndIconsLoadFromTheResources) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    HBITMAP side = LoadBitmapA(module, MAKEINTRESOURCEA(149));
    ASSERT_NE(side, nullptr);
    BITMAP b;
    EXPECT_EQ(GetObjectA(side, sizeof b, &b), static_cast<int>(sizeof b));
    EXPECT_GT(b.bmWidth, 0);
    EXPECT_GT(b.bmHeight, 0);
    EXPECT_EQ(GetObjectType(side), static_cast<DWORD>(OBJ_BITMAP));
    HBITMAP byName = static_cast<HBITMAP>(LoadImageA(module, "#149", IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(byName, nullptr);
    EXPECT_NE(byName, side);  // not shared: a second bitmap
    EXPECT_EQ(winsim::LiveGdiObjects(), 2u);
    DeleteObject(side);
    DeleteObject(byName);

    HICON big = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(101), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    HICON small = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(GetObjectA(big, 0, nullptr), 0);  // an icon is no GDI object
    EXPECT_FALSE(DeleteObject(big));
    EXPECT_TRUE(DestroyIcon(big));
    EXPECT_TRUE(DestroyIcon(small));
    EXPECT_FALSE(DestroyIcon(small));
    EXPECT_EQ(winsim::LiveGdiObjects(), 0u);

    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(150)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadImageA(module, "side.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

// A bitmap header that promises more pixels than the resource holds.
const unsigned char kShortBitmap[] = {40, 0, 0, 0, 100, 0, 0, 0, 100, 0, 0, 0, 1, 0, 24, 0,
                                      0,  0, 0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0,  0,
                                      0,  0, 0, 0, 0,   0, 0, 0, 1,   2, 3, 4};
const unsigned char kBadDepth[] = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 7, 0, 0, 0, 0, 0,
                                   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char kIconWithoutImage[] = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0, 0, 1, 0, 0, 7, 0};
const WinsimResource kBadEntries[] = {{2, 1, 0, kShortBitmap, sizeof kShortBitmap},
                                      {2, 2, 0, kBadDepth, sizeof kBadDepth},
                                      {14, 3, 0, kIconWithoutImage, sizeof kIconWithoutImage}};
const WinsimResourceTable kBadResources = {kBadEntries, 3};

TEST_F(Gdi, BadImageResourcesFailWithAReason) {
    winsim::SetModuleResources(&kBadResources);
    DialogBytes d;
    d.Control(1, DialogBytes::Static(), NameOrId::Id(1), 0, 0, 10, 10, WS_CHILD | WS_VISIBLE | SS_BITMAP)
        .Control(2, DialogBytes::Static(), NameOrId::Id(2), 0, 0, 10, 10, WS_CHILD | WS_VISIBLE | SS_BITMAP)
        .Control(3, DialogBytes::Static(), NameOrId::Id(3), 0, 0, 10, 10, WS_CHILD | WS_VISIBLE | SS_ICON)
        .Control(4, DialogBytes::Static(), NameOrId::Id(4), 0, 0, 10, 10, WS_CHILD | WS_VISIBLE | SS_BITMAP);
    Script("close");
    DialogHandler h;
    RunModal(d.Bytes(), h);
    winsim::SetModuleResources(&halvinstResources);
    EXPECT_NE(Transcript().find("  1 bitmap visible enabled none (bitmap 1: its pixels need 30040 bytes but the "
                                "resource has 44)"),
              std::string::npos)
        << Transcript();
    EXPECT_NE(Transcript().find("  2 bitmap visible enabled none (bitmap 2: 7 bits per pixel is not a bitmap depth)"),
              std::string::npos);
    EXPECT_NE(Transcript().find("  3 icon visible enabled none (icon 3: its image 7 is missing)"), std::string::npos)
        << Transcript();
    EXPECT_NE(Transcript().find("  4 bitmap visible enabled none (resource 4 not found)"), std::string::npos);
}

// A module without icons: the type is missing (1813), not only the name.
TEST_F(Gdi, AnImageTypeTheModuleDoesNotHaveIsAMissingType) {
    const WinsimResourceTable bitmapsOnly = {kBadEntries, 2};
    winsim::SetModuleResources(&bitmapsOnly);
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(9)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    winsim::SetModuleResources(&halvinstResources);
}

}  // namespace
