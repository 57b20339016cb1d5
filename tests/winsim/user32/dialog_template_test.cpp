// Dialog templates read field by field: plain and extended layouts, the
// wizard's real template 100, and bad bytes that must give an error that
// says where, never a read past the end.
#include <gtest/gtest.h>

#include "dialog_bytes.h"
#include "user32/dialogs/dialog_template.h"
#include "winsim/module_resources.h"

extern "C" const WinsimResourceTable halvinstResources;

namespace {

using winsim::DialogTemplate;
using winsim::ParseDialogTemplate;

DialogTemplate Parse(const std::vector<uint8_t>& bytes) {
    DialogTemplate t;
    std::string error;
    EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), t, error)) << error;
    return t;
}

std::string ParseError(const std::vector<uint8_t>& bytes) {
    DialogTemplate t;
    std::string error;
    EXPECT_FALSE(ParseDialogTemplate(bytes.data(), bytes.size(), t, error));
    return error;
}

TEST(DialogTemplate, PlainLayoutGivesEveryField) {
    DialogBytes::Options o;
    o.style = WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME;
    o.exStyle = WS_EX_TOPMOST;
    o.x = -3;
    o.y = 7;
    o.cx = 358;
    o.cy = 180;
    o.caption = u"Setup";
    o.pointSize = 9;
    o.face = u"Tahoma";
    o.menu = NameOrId::Id(77);
    DialogBytes d(o);
    d.Control(1006, DialogBytes::ComboBox(), u"", 148, 82, 119, 76, WS_CHILD | CBS_DROPDOWNLIST, WS_EX_CLIENTEDGE)
        .Control(0xFFFF, DialogBytes::Static(), NameOrId::Id(149), 6, 6, 80, 140, WS_CHILD | SS_BITMAP)
        .Control(1003, u"msctls_progress32", u"bar", 98, 136, 254, 10, WS_CHILD, 0, {1, 2, 3});
    DialogTemplate t = Parse(d.Bytes());

    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, static_cast<DWORD>(o.style));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_TOPMOST));
    EXPECT_EQ(t.x, -3);
    EXPECT_EQ(t.y, 7);
    EXPECT_EQ(t.cx, 358);
    EXPECT_EQ(t.cy, 180);
    EXPECT_TRUE(t.menu.isOrdinal);
    EXPECT_EQ(t.menu.ordinal, 77);
    EXPECT_TRUE(t.windowClass.Empty());
    EXPECT_EQ(t.title, u"Setup");
    EXPECT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.typeface, u"Tahoma");
    EXPECT_EQ(t.charset, DEFAULT_CHARSET);

    ASSERT_EQ(t.items.size(), 3u);
    const auto& combo = t.items[0];
    EXPECT_EQ(combo.id, 1006u);
    EXPECT_EQ(combo.style, static_cast<DWORD>(WS_CHILD | CBS_DROPDOWNLIST));
    EXPECT_EQ(combo.exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(combo.x, 148);
    EXPECT_EQ(combo.y, 82);
    EXPECT_EQ(combo.cx, 119);
    EXPECT_EQ(combo.cy, 76);
    EXPECT_TRUE(combo.windowClass.isOrdinal);
    EXPECT_EQ(combo.windowClass.ordinal, 0x85);
    EXPECT_TRUE(combo.title.Empty());
    const auto& picture = t.items[1];
    EXPECT_EQ(picture.id, 0xFFFFu);
    EXPECT_TRUE(picture.title.isOrdinal);
    EXPECT_EQ(picture.title.ordinal, 149);
    const auto& bar = t.items[2];
    EXPECT_EQ(bar.windowClass.name, u"msctls_progress32");
    EXPECT_EQ(bar.title.name, u"bar");
    EXPECT_EQ(bar.creationData, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(DialogTemplate, ExtendedLayoutGivesHelpIdsWeightsAndLongIds) {
    DialogBytes::Options o;
    o.extended = true;
    o.helpId = 0x1234;
    o.style = WS_POPUP | DS_SETFONT;
    o.weight = FW_BOLD;
    o.italic = 1;
    o.charset = SHIFTJIS_CHARSET;
    o.face = u"MS UI Gothic";
    o.windowClass = u"MyDialogClass";
    DialogBytes d(o);
    d.Control(70000, DialogBytes::Button(), u"&OK", 1, 2, 3, 4, WS_CHILD | BS_DEFPUSHBUTTON, 0, {}, 99);
    DialogTemplate t = Parse(d.Bytes());
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(t.helpId, 0x1234u);
    EXPECT_EQ(t.weight, FW_BOLD);
    EXPECT_EQ(t.italic, 1);
    EXPECT_EQ(t.charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(t.typeface, u"MS UI Gothic");
    EXPECT_EQ(t.windowClass.name, u"MyDialogClass");
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].id, 70000u);
    EXPECT_EQ(t.items[0].helpId, 99u);
    EXPECT_EQ(t.items[0].title.name, u"&OK");
}

TEST(DialogTemplate, WithoutSetFontThereIsNoFontBlock) {
    DialogBytes::Options o;
    o.style = WS_POPUP;
    DialogBytes d(o);
    d.Control(1, DialogBytes::Button(), u"OK", 0, 0, 10, 10, WS_CHILD);
    DialogTemplate t = Parse(d.Bytes());
    EXPECT_FALSE(t.hasFont);
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].title.name, u"OK");
}

TEST(DialogTemplate, TheWizardTemplateOfTheResourcesReadsWhole) {
    const WinsimResource* dialog = nullptr;
    for (unsigned i = 0; i < halvinstResources.count; ++i)
        if (halvinstResources.entries[i].type == 5 && halvinstResources.entries[i].name == 100)
            dialog = &halvinstResources.entries[i];
    ASSERT_NE(dialog, nullptr);
    DialogTemplate t;
    std::string error;
    ASSERT_TRUE(ParseDialogTemplate(dialog->data, dialog->size, t, error)) << error;
    EXPECT_EQ(t.cx, 358);
    EXPECT_EQ(t.cy, 180);
    EXPECT_EQ(t.typeface, u"MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    const DWORD ids[] = {1006, 1004, 1009, 2, 0xFFFF, 1000, 1001, 1005, 1003, 0xFFFF, 1007, 1010};
    ASSERT_EQ(t.items.size(), 12u);
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(t.items[i].id, ids[i]) << "control " << i;
    EXPECT_EQ(t.items[4].title.ordinal, 149);
    EXPECT_EQ(winsim::PredefinedClassName(t.items[0].windowClass.ordinal), "ComboBox");
    EXPECT_EQ(t.items[8].windowClass.name, u"MSCTLS_PROGRESS32");
    EXPECT_EQ(t.items[1].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_FALSE(t.items[7].style & WS_VISIBLE);  // the page body starts hidden
}

TEST(DialogTemplate, EveryCutOfAGoodTemplateFailsWithAnErrorNotARead) {
    std::vector<uint8_t> whole = WizardLikeTemplate();
    for (size_t size = 1; size < whole.size(); ++size) {
        // A copy of exactly `size` bytes, so that a read past it is caught by the sanitizers.
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        DialogTemplate t;
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(cut.data(), cut.size(), t, error)) << "cut at " << size;
        EXPECT_NE(error.find("byte"), std::string::npos) << error;
    }
    EXPECT_EQ(Parse(whole).items.size(), 12u);
}

TEST(DialogTemplate, ErrorsSayWhichControlAndWhatIsWrong) {
    DialogBytes d;
    d.Control(1, DialogBytes::Button(), u"OK", 0, 0, 10, 10, WS_CHILD)
        .Control(2, NameOrId::Id(0x0090), u"", 0, 0, 10, 10, WS_CHILD);
    EXPECT_EQ(ParseError(d.Bytes()), "control 2 of 2: class atom 0x0090 is not a predefined class");

    std::vector<uint8_t> unterminated = DialogBytes().Bytes();
    unterminated.resize(unterminated.size() - 2);  // the font name loses its NUL
    EXPECT_NE(ParseError(unterminated).find("the font name has no terminating NUL"), std::string::npos);

    DialogBytes::Options o;
    o.extended = true;
    std::vector<uint8_t> badVersion = DialogBytes(o).Bytes();
    badVersion[0] = 2;
    EXPECT_NE(ParseError(badVersion).find("must have version 1, not 2"), std::string::npos);

    DialogBytes noClass;
    noClass.Control(5, u"", u"", 0, 0, 1, 1, WS_CHILD);
    EXPECT_NE(ParseError(noClass.Bytes()).find("control 1 of 1, byte"), std::string::npos);
    EXPECT_NE(ParseError(noClass.Bytes()).find("the class is empty"), std::string::npos);

    std::vector<uint8_t> moreItemsThanBytes = DialogBytes().Bytes();
    moreItemsThanBytes[8] = 3;  // cdit says three controls, none follow
    EXPECT_NE(ParseError(moreItemsThanBytes).find("control 1 of 3"), std::string::npos);
}

TEST(DialogTemplate, CreationDataMustFitInTheTemplate) {
    DialogBytes d;
    d.Control(1, DialogBytes::Button(), u"OK", 0, 0, 10, 10, WS_CHILD, 0, {9, 9});
    std::vector<uint8_t> bytes = d.Bytes();
    bytes[bytes.size() - 4] = 200;  // the size word claims 200 bytes
    EXPECT_NE(ParseError(bytes).find("the creation data runs past the end of the template"), std::string::npos);
}

TEST(DialogTemplate, NoTemplateAtAll) {
    DialogTemplate t;
    std::string error;
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 10, t, error));
    EXPECT_EQ(error, "no template");
}

}  // namespace
