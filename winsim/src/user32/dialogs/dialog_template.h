// Dialog templates (DLGTEMPLATE and DLGTEMPLATEEX with their items) read
// into plain records, with every field. Bad bytes give an error that says
// what is wrong and where, never a read past the end.
#ifndef WINSIM_DIALOG_TEMPLATE_H
#define WINSIM_DIALOG_TEMPLATE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

// A menu, class or title: absent, a 16-bit ordinal (0xFFFF, n) or a name.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::u16string name;

    bool Empty() const { return !isOrdinal && name.empty(); }
};

struct DialogItemTemplate {
    DWORD helpId = 0;  // extended templates only
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;  // a WORD in a plain template
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    std::vector<uint8_t> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    bool hasFont = false;  // DS_SETFONT (or DS_SHELLFONT)
    WORD pointSize = 0;
    WORD weight = 0;    // extended templates only
    BYTE italic = 0;    // extended templates only
    BYTE charset = 1;   // extended templates only; DEFAULT_CHARSET otherwise
    std::u16string typeface;
    std::vector<DialogItemTemplate> items;
};

// Reads a template of `size` bytes. A template in memory whose length is
// not known can be read with SIZE_MAX: then only the fields say where it ends.
bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out, std::string& error);

// The class that a predefined class atom (0x0080 to 0x0085) stands for, as
// GetClassNameA spells it; empty for any other atom.
std::string PredefinedClassName(WORD atom);

}  // namespace winsim

#endif
