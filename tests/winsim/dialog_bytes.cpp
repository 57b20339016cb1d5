#include "dialog_bytes.h"

namespace {

class Out {
public:
    void U16(unsigned v) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    void U32(DWORD v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(const std::u16string& s) {
        for (char16_t c : s) U16(c);
        U16(0);
    }
    void NameOrOrdinal(const NameOrId& n) {
        if (n.isId) {
            U16(0xFFFF);
            U16(n.id);
        } else {
            Text(n.name);
        }
    }
    void Align4() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
    std::vector<uint8_t> bytes;
};

}  // namespace

DialogBytes& DialogBytes::Control(DWORD id, NameOrId cls, NameOrId text, short x, short y, short cx, short cy,
                                  DWORD style, DWORD exStyle, std::vector<uint8_t> creationData, DWORD helpId) {
    items_.push_back(Item{id, style, exStyle, helpId, x, y, cx, cy, std::move(cls), std::move(text),
                          std::move(creationData)});
    return *this;
}

std::vector<uint8_t> DialogBytes::Bytes() const {
    const Options& o = options_;
    Out out;
    if (o.extended) {
        out.U16(1);
        out.U16(0xFFFF);
        out.U32(o.helpId);
        out.U32(o.exStyle);
        out.U32(o.style);
    } else {
        out.U32(o.style);
        out.U32(o.exStyle);
    }
    out.U16(static_cast<unsigned>(items_.size()));
    for (short v : {o.x, o.y, o.cx, o.cy}) out.U16(static_cast<uint16_t>(v));
    out.NameOrOrdinal(o.menu);
    out.NameOrOrdinal(o.windowClass);
    out.Text(o.caption);
    if (o.style & DS_SETFONT) {
        out.U16(o.pointSize);
        if (o.extended) {
            out.U16(o.weight);
            out.bytes.push_back(o.italic);
            out.bytes.push_back(o.charset);
        }
        out.Text(o.face);
    }
    for (const Item& item : items_) {
        out.Align4();
        if (o.extended) {
            out.U32(item.helpId);
            out.U32(item.exStyle);
            out.U32(item.style);
        } else {
            out.U32(item.style);
            out.U32(item.exStyle);
        }
        for (short v : {item.x, item.y, item.cx, item.cy}) out.U16(static_cast<uint16_t>(v));
        if (o.extended)
            out.U32(item.id);
        else
            out.U16(item.id);
        out.NameOrOrdinal(item.cls);
        out.NameOrOrdinal(item.text);
        out.U16(static_cast<unsigned>(item.creationData.size()));
        out.bytes.insert(out.bytes.end(), item.creationData.begin(), item.creationData.end());
    }
    return out.bytes;
}

std::vector<uint8_t> WizardLikeTemplate() {
    DialogBytes::Options o;
    o.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT;
    o.cx = 358;
    o.cy = 180;
    o.caption = u"";
    DialogBytes d(o);
    const DWORD child = WS_CHILD | WS_VISIBLE;
    d.Control(1006, DialogBytes::ComboBox(), u"", 148, 82, 119, 76, child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST)
        .Control(1004, DialogBytes::Button(), u"", 246, 160, 50, 14, child | WS_TABSTOP | BS_DEFPUSHBUTTON)
        .Control(1009, DialogBytes::Button(), u"", 196, 160, 50, 14, child | WS_TABSTOP | BS_PUSHBUTTON)
        .Control(2, DialogBytes::Button(), u"", 302, 160, 50, 14, child | WS_TABSTOP | BS_PUSHBUTTON)
        .Control(0xFFFF, DialogBytes::Static(), NameOrId::Id(149), 6, 6, 80, 140,
                 child | SS_BITMAP | SS_CENTERIMAGE | SS_REALSIZEIMAGE | SS_SUNKEN)
        .Control(1000, DialogBytes::Static(), u"", 98, 6, 175, 15, child | SS_LEFT)
        .Control(1001, DialogBytes::Static(), u"", 277, 6, 75, 30, child | SS_RIGHT)
        .Control(1005, DialogBytes::Static(), u"", 98, 34, 254, 62, WS_CHILD | SS_LEFT)
        .Control(1003, u"MSCTLS_PROGRESS32", u"", 98, 136, 254, 10, WS_CHILD)
        .Control(0xFFFF, DialogBytes::Static(), u"", 6, 153, 346, 1, child | SS_BLACKFRAME | SS_SUNKEN)
        .Control(1007, DialogBytes::Static(), u"", 98, 100, 254, 32, WS_CHILD | SS_LEFT)
        .Control(1010, DialogBytes::Static(), u"", 98, 53, 250, 23, child | SS_LEFT);
    return d.Bytes();
}
