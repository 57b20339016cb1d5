// Dialog templates built byte by byte in tests, plain (DLGTEMPLATE) or
// extended (DLGTEMPLATEEX), the way a resource compiler lays them out.
#ifndef TESTS_WINSIM_DIALOG_BYTES_H
#define TESTS_WINSIM_DIALOG_BYTES_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A class or text: a name, or an ordinal (0xFFFF, n).
struct NameOrId {
    NameOrId(const char16_t* name) : name(name) {}
    NameOrId(std::u16string name) : name(std::move(name)) {}
    static NameOrId Id(WORD id) {
        NameOrId n(u"");
        n.isId = true;
        n.id = id;
        return n;
    }
    std::u16string name;
    bool isId = false;
    WORD id = 0;
};

class DialogBytes {
public:
    struct Options {
        DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
        DWORD exStyle = 0;
        short x = 0, y = 0, cx = 200, cy = 100;
        std::u16string caption = u"Probe";
        WORD pointSize = 8;
        std::u16string face = u"MS Sans Serif";
        bool extended = false;
        DWORD helpId = 0;
        WORD weight = FW_NORMAL;
        BYTE italic = 0, charset = DEFAULT_CHARSET;
        NameOrId menu = u"";
        NameOrId windowClass = u"";
    };

    DialogBytes() : DialogBytes(Options{}) {}
    explicit DialogBytes(Options options) : options_(std::move(options)) {}

    DialogBytes& Control(DWORD id, NameOrId cls, NameOrId text, short x, short y, short cx, short cy, DWORD style,
                         DWORD exStyle = 0, std::vector<uint8_t> creationData = {}, DWORD helpId = 0);
    std::vector<uint8_t> Bytes() const;

    static NameOrId Button() { return NameOrId::Id(0x80); }
    static NameOrId Edit() { return NameOrId::Id(0x81); }
    static NameOrId Static() { return NameOrId::Id(0x82); }
    static NameOrId ComboBox() { return NameOrId::Id(0x85); }

private:
    struct Item {
        DWORD id, style, exStyle, helpId;
        short x, y, cx, cy;
        NameOrId cls, text;
        std::vector<uint8_t> creationData;
    };
    Options options_;
    std::vector<Item> items_;
};

// A dialog laid out like the wizard: a language list, three buttons, a
// bitmap, texts, a progress bar and a separator, with the same ids and styles.
std::vector<uint8_t> WizardLikeTemplate();

#endif
