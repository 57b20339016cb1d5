// Dialog 100 of the host table, decoded field by field and held against the wizard's layout.

#include <gtest/gtest.h>

#include "resource_bytes.h"

namespace {

constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                        WS_CAPTION = 0x00C00000, WS_VSCROLL = 0x00200000, WS_SYSMENU = 0x00080000,
                        WS_TABSTOP = 0x00010000, DS_3DLOOK = 0x4, DS_SETFONT = 0x40, DS_MODALFRAME = 0x80,
                        BS_DEFPUSHBUTTON = 0x1, CBS_DROPDOWNLIST = 0x3, SS_RIGHT = 0x2, SS_BLACKFRAME = 0x7,
                        SS_BITMAP = 0xE, SS_CENTERIMAGE = 0x200, SS_REALSIZEIMAGE = 0x800, SS_SUNKEN = 0x1000;

// Walks a DLGTEMPLATE; names are returned as text, ordinals as "#N".
class Reader {
public:
    explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
    std::uint32_t U32() { return U32At(bytes_, (at_ += 4) - 4); }
    int U16() { return U16At(bytes_, (at_ += 2) - 2); }
    int I16() { return static_cast<std::int16_t>(U16()); }
    std::u16string Name()
    {
        std::u16string s;
        if (U16At(bytes_, at_) == 0xFFFF) {
            U16();
            for (const char c : "#" + std::to_string(U16()))
                s += static_cast<char16_t>(c);
            return s;
        }
        for (int c = U16(); c != 0; c = U16())
            s += static_cast<char16_t>(c);
        return s;
    }
    void AlignTo4() { at_ = (at_ + 3) & ~std::size_t{3}; }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    const Bytes& bytes_;
    std::size_t at_ = 0;
};

struct Item {
    std::uint32_t style;
    int x, y, cx, cy, id;
    std::u16string className, title;
};

bool operator==(const Item& a, const Item& b)
{
    return std::tie(a.style, a.x, a.y, a.cx, a.cy, a.id, a.className, a.title) ==
           std::tie(b.style, b.x, b.y, b.cx, b.cy, b.id, b.className, b.title);
}

Bytes WizardTemplate() { return HostResources().at({kRtDialog, 100, 0}); }

} // namespace

TEST(WizardDialog, IsAModalPopupWithCaptionSystemMenuAndTheDialogFont)
{
    const Bytes bytes = WizardTemplate();
    Reader r(bytes);
    EXPECT_EQ(r.U32(), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_EQ(r.U16(), 12) << "controls";
    r.I16(), r.I16();  // x and y: the wizard centres itself
    EXPECT_EQ(r.I16(), 358);
    EXPECT_EQ(r.I16(), 180);
    EXPECT_EQ(r.Name() + r.Name() + r.Name(), u"") << "no menu, the dialog class, the caption set at run time";
    EXPECT_EQ(r.U16(), 8);
    EXPECT_EQ(r.Name(), u"MS Sans Serif");
}

TEST(WizardDialog, HasEveryControlWithItsPositionStyleAndId)
{
    const std::u16string button = u"#128", label = u"#130", combo = u"#133";
    const std::uint32_t shown = WS_CHILD | WS_VISIBLE, hidden = WS_CHILD;
    const std::vector<Item> expected = {
        {shown | WS_VSCROLL | CBS_DROPDOWNLIST, 148, 82, 119, 76, 1006, combo, u""},
        {shown | BS_DEFPUSHBUTTON, 246, 160, 50, 14, 1004, button, u""},
        {shown, 196, 160, 50, 14, 1009, button, u""},
        {shown, 302, 160, 50, 14, 2, button, u""},
        {shown | SS_BITMAP | SS_CENTERIMAGE | SS_REALSIZEIMAGE | SS_SUNKEN, 6, 6, 80, 140, 0xFFFF, label, u"#149"},
        {shown, 98, 6, 175, 15, 1000, label, u""},
        {shown | SS_RIGHT, 277, 6, 75, 30, 1001, label, u""},
        {hidden, 98, 34, 254, 62, 1005, label, u""},
        {hidden, 98, 136, 254, 10, 1003, u"MSCTLS_PROGRESS32", u""},
        {shown | SS_BLACKFRAME | SS_SUNKEN, 6, 153, 346, 1, 0xFFFF, label, u""},
        {hidden, 98, 100, 254, 32, 1007, label, u""},
        {shown, 98, 53, 250, 23, 1010, label, u""},
    };
    const Bytes bytes = WizardTemplate();
    Reader r(bytes);
    r.U32(), r.U32(), r.U16(), r.I16(), r.I16(), r.I16(), r.I16(), r.Name(), r.Name(), r.Name(), r.U16(), r.Name();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        r.AlignTo4();
        Item item{};
        item.style = r.U32();
        EXPECT_EQ(r.U32(), 0u) << "extended style of item " << i;
        item.x = r.I16(), item.y = r.I16(), item.cx = r.I16(), item.cy = r.I16(), item.id = r.U16();
        item.className = r.Name(), item.title = r.Name();
        EXPECT_EQ(r.U16(), 0) << "creation data of item " << i;
        // Tab stops serve keyboard users, on the interactive controls only.
        EXPECT_EQ((item.style & WS_TABSTOP) != 0, i < 4) << "item " << i;
        item.style &= ~WS_TABSTOP;
        EXPECT_TRUE(item == expected[i]) << "item " << i << ", id " << item.id << ", style 0x" << std::hex << item.style;
    }
    EXPECT_TRUE(r.AtEnd()) << "bytes after the last item";
}
