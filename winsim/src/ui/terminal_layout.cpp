#include "ui/terminal_layout.h"

#include <algorithm>
#include <cmath>

#include "shared/ansi_text.h"
#include "ui/terminal_grid.h"
#include "user32/dialogs/message_box_labels.h"

namespace winsim {

namespace {

const char* const kKeys[] = {"Tab/Shift+Tab move", "Enter default", "Space press", "Up/Down choose",
                             "Esc cancel",         "Alt+letter",    "^D close",    "^L redraw"};

struct Scale {
    double x = 1, y = 1;  // cells per pixel
    int Column(LONG px) const { return static_cast<int>(std::floor(px * x)); }
    int Row(LONG px) const { return static_cast<int>(std::floor(px * y)); }
    int Rows(LONG px) const { return std::max(1, static_cast<int>(std::lround(px * y))); }
};

std::string Shown(const ControlView& c) {
    bool prefix = !(c.kind == "static" && (c.style & SS_NOPREFIX));
    return Utf8FromAnsi(prefix ? DrawnText(c.text, nullptr) : c.text);
}

// Text in `width` cells: centred, or cut when it does not fit.
void PutCentred(TerminalGrid& g, int column, int row, const std::string& text, int width) {
    int w = std::min(TextWidth(text), width);
    g.Put(column + (width - w) / 2, row, text, width);
}

void PutBox(TerminalGrid& g, int column, int row, int width, int height, const std::string& label) {
    if (width < 2 || height < 2) return;
    std::string top = "┌", bottom = "└";
    for (int i = 0; i < width - 2; ++i) {
        top += "─";
        bottom += "─";
    }
    g.Put(column, row, top + "┐");
    g.Put(column, row + height - 1, bottom + "┘");
    for (int r = 1; r < height - 1; ++r) {
        g.Put(column, row + r, "│");
        g.Put(column + width - 1, row + r, "│");
    }
    if (!label.empty()) g.Put(column + 2, row, " " + label + " ", width - 4);
}

void DrawControl(TerminalGrid& g, const ControlView& c, const Scale& s, int left, int top, TerminalFrame& frame) {
    int column = left + s.Column(c.rect.left), row = top + s.Row(c.rect.top);
    int width = std::max(1, left + s.Column(c.rect.right) - column);
    int height = s.Rows(c.rect.bottom - c.rect.top);
    int middle = top + s.Row((c.rect.top + c.rect.bottom) / 2);
    int lineRow = row;
    std::string text = Shown(c);
    if (c.kind == "button" || c.kind == "default-button") {
        lineRow = middle;
        // A label a little too long for its cells may take up to two blank cells on the right.
        for (int grow = 0; grow < 2 && TextWidth(text) + 2 > width && g.Blank(column + width, lineRow); ++grow) ++width;
        bool isDefault = c.kind == "default-button";
        g.Put(column, lineRow, isDefault ? "{" : "[");
        PutCentred(g, column + 1, lineRow, text, std::max(0, width - 2));
        g.Put(column + width - 1, lineRow, isDefault ? "}" : "]");
    } else if (c.kind == "checkbox" || c.kind == "radio") {
        lineRow = middle;
        std::string mark = c.kind == "radio" ? (c.checked ? "(o) " : "( ) ") : (c.checked ? "[x] " : "[ ] ");
        g.Put(column, lineRow, mark + text, width);
    } else if (c.kind == "combobox" || c.kind == "edit") {
        std::string arrow = c.kind == "combobox" ? "v]" : "]";
        g.Put(column, lineRow, "[");
        g.Put(column + 1, lineRow, text, width - 1 - static_cast<int>(arrow.size()));
        g.Put(column + width - static_cast<int>(arrow.size()), lineRow, arrow);
    } else if (c.kind == "progress") {
        int inner = std::max(0, width - 2);
        long long span = c.high > c.low ? static_cast<long long>(c.high) - c.low : 1;
        int filled = static_cast<int>((static_cast<long long>(c.position) - c.low) * inner / span);
        g.Put(column, lineRow, "[" + std::string(static_cast<size_t>(filled), '#') +
                                   std::string(static_cast<size_t>(inner - filled), '.') + "]");
    } else if (c.kind == "frame") {
        if (height <= 1) {
            std::string line;
            for (int i = 0; i < width; ++i) line += "─";
            g.Put(column, row, line);
        } else {
            PutBox(g, column, row, width, height, "");
        }
    } else if (c.kind == "bitmap" || c.kind == "icon" || c.kind == "groupbox" || c.kind == "listbox") {
        bool loaded = c.image.rfind("bitmap", 0) == 0 || c.image.rfind("icon", 0) == 0;
        std::string label = c.kind == "groupbox" ? text
                            : loaded             ? c.image.substr(0, c.image.find(' ', c.image.find(' ') + 1))
                                                 : "no picture";
        PutBox(g, column, row, width, std::max(height, 2), label);
        if (c.kind == "bitmap" && loaded && width > 2 && height > 2)
            frame.regions.push_back(TerminalRegion{TerminalRegion::Kind::Picture, row + 1, column + 1, width - 2,
                                                   height - 2, c.imageHandle});
    } else {  // static text
        std::vector<std::string> lines = WrapText(text, width);
        for (int i = 0; i < height && i < static_cast<int>(lines.size()); ++i) {
            int w = TextWidth(lines[static_cast<size_t>(i)]);
            DWORD align = c.style & SS_TYPEMASK;
            int at = align == SS_RIGHT ? column + width - w : align == SS_CENTER ? column + (width - w) / 2 : column;
            g.Put(std::max(column, at), row + i, lines[static_cast<size_t>(i)], width);
        }
    }
    if (c.focused) {
        frame.regions.push_back(TerminalRegion{TerminalRegion::Kind::Focus, lineRow, column, width, 1, nullptr});
    } else if (!c.enabled) {
        frame.regions.push_back(TerminalRegion{TerminalRegion::Kind::Disabled, lineRow, column, width, 1, nullptr});
    }
}

}  // namespace

TerminalFrame LayoutDialog(const DialogView& view, int maxColumns, int maxRows) {
    TerminalFrame frame;
    int baseX = std::max<LONG>(1, view.base.x), baseY = std::max<LONG>(1, view.base.y);
    int columns = (view.client.right + baseX - 1) / baseX, rows = (view.client.bottom + baseY - 1) / baseY;
    Scale s{1.0 / baseX, 1.0 / baseY};
    if (maxColumns > 4 && columns + 2 > maxColumns) {
        s.x *= static_cast<double>(maxColumns - 2) / columns;
        columns = maxColumns - 2;
    }
    if (maxRows > 4 && rows + 2 > maxRows) {
        s.y *= static_cast<double>(maxRows - 2) / rows;
        rows = maxRows - 2;
    }
    TerminalGrid g(columns + 2, rows + 2);
    PutBox(g, 0, 0, columns + 2, rows + 2, Utf8FromAnsi(view.caption));
    // The first control lies on top, as in a dialog's Z order.
    for (auto it = view.controls.rbegin(); it != view.controls.rend(); ++it)
        if (it->visible) DrawControl(g, *it, s, 1, 1, frame);
    // The focus marker, for terminals without attributes, goes in a blank cell before the control.
    for (const TerminalRegion& r : frame.regions)
        if (r.kind == TerminalRegion::Kind::Focus && g.Blank(r.column - 1, r.row)) g.Put(r.column - 1, r.row, ">");
    frame.lines = g.Lines();
    return frame;
}

TerminalFrame LayoutMessageBox(const MessageBoxView& box, int maxColumns) {
    // The text keeps its own line breaks and wraps only where the terminal is narrower.
    int longest = 0;
    for (const std::string& line : WrapText(box.text, 1 << 20)) longest = std::max(longest, TextWidth(line));
    int textWidth = std::max(20, std::min(longest, maxColumns - 6));
    std::vector<std::string> lines = WrapText(box.text, textWidth);
    std::string buttons;
    std::vector<std::pair<int, int>> places;  // column, width of each button
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        if (i) buttons += "  ";
        std::string label = "[ " + LabelWithoutMnemonic(MessageBoxButtonLabel(box.buttons[i])) + " ]";
        places.emplace_back(TextWidth(buttons), TextWidth(label));
        buttons += label;
    }
    int inner = TextWidth(buttons);
    for (const std::string& line : lines) inner = std::max(inner, TextWidth(line));
    inner = std::max(inner, TextWidth(box.caption) + 4);
    int width = inner + 4, height = static_cast<int>(lines.size()) + 5;
    TerminalGrid g(width, height);
    PutBox(g, 0, 0, width, height, box.caption);
    for (size_t i = 0; i < lines.size(); ++i) g.Put(2, 1 + static_cast<int>(i), lines[i]);
    int buttonsAt = 2 + (inner - TextWidth(buttons)) / 2, buttonsRow = height - 2;
    g.Put(buttonsAt, buttonsRow, buttons);
    TerminalFrame frame;
    if (box.focused >= 0 && box.focused < static_cast<int>(places.size())) {
        auto [at, w] = places[static_cast<size_t>(box.focused)];
        g.Put(buttonsAt + at - 1, buttonsRow, ">");
        frame.regions.push_back(
            TerminalRegion{TerminalRegion::Kind::Focus, buttonsRow, buttonsAt + at, w, 1, nullptr});
    }
    frame.lines = g.Lines();
    return frame;
}

std::vector<std::string> KeysHelp(int columns) {
    std::vector<std::string> lines(1);
    for (const char* key : kKeys) {
        std::string& line = lines.back();
        if (!line.empty() && TextWidth(line) + 2 + TextWidth(key) > columns - 1) lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : "  ") + std::string(key);
    }
    return lines;
}

namespace {

// The line with `top` written over its cells from `column` on; a wide
// character cut in half by either edge becomes a blank.
std::string OverlayLine(const std::string& base, const std::string& top, int column) {
    std::vector<std::string> cells;  // one per cell; "" behind a wide character
    auto place = [&](const std::string& text, int from) {
        int at = from;
        for (char32_t c : DecodeUtf8(text)) {
            int w = CellWidth(c);
            if (w == 0) {
                if (at > 0 && at - 1 < static_cast<int>(cells.size())) cells[static_cast<size_t>(at - 1)] += EncodeUtf8(c);
                continue;
            }
            if (static_cast<int>(cells.size()) < at + w) cells.resize(static_cast<size_t>(at + w), " ");
            if (cells[static_cast<size_t>(at)].empty() && at > 0) cells[static_cast<size_t>(at - 1)] = " ";
            if (at + w < static_cast<int>(cells.size()) && cells[static_cast<size_t>(at + w)].empty())
                cells[static_cast<size_t>(at + w)] = " ";
            cells[static_cast<size_t>(at)] = EncodeUtf8(c);
            if (w == 2) cells[static_cast<size_t>(at + 1)].clear();
            at += w;
        }
    };
    place(base, 0);
    place(top, column);
    std::string out;
    for (const std::string& cell : cells) out += cell;
    return out;
}

}  // namespace

TerminalFrame ComposeScreen(const DialogView* dialog, const MessageBoxView* box, int columns, int rows) {
    std::vector<std::string> help = KeysHelp(columns);
    int helpRows = static_cast<int>(help.size());
    TerminalFrame screen;
    if (dialog) screen = LayoutDialog(*dialog, columns, rows - helpRows);
    int dialogRows = static_cast<int>(screen.lines.size());
    for (const std::string& line : help) {
        screen.regions.push_back(TerminalRegion{TerminalRegion::Kind::Disabled, static_cast<int>(screen.lines.size()),
                                                0, TextWidth(line), 1, nullptr});
        screen.lines.push_back(line);
    }
    if (!box) return screen;
    TerminalFrame shown = LayoutMessageBox(*box, columns);
    int boxRows = static_cast<int>(shown.lines.size());
    if (dialogRows + helpRows + boxRows <= rows) {
        for (TerminalRegion r : shown.regions) {
            r.row += dialogRows + helpRows;
            screen.regions.push_back(r);
        }
        for (const std::string& line : shown.lines) screen.lines.push_back(line);
        return screen;
    }
    // Over the middle of the dialog, as Windows shows it: the dialog's own
    // marks and picture give way where the box lies.
    int width = 0;
    for (const std::string& line : shown.lines) width = std::max(width, TextWidth(line));
    int top = std::max(0, (std::max(dialogRows, boxRows) - boxRows) / 2);
    int left = std::max(0, (columns - width) / 2);
    std::vector<TerminalRegion> kept;
    for (const TerminalRegion& r : screen.regions)
        if (r.row + r.height <= top || r.row >= top + boxRows) kept.push_back(r);
    screen.regions = kept;
    while (static_cast<int>(screen.lines.size()) < top + boxRows) screen.lines.emplace_back();
    for (int i = 0; i < boxRows; ++i) {
        std::string& line = screen.lines[static_cast<size_t>(top + i)];
        line = OverlayLine(line, shown.lines[static_cast<size_t>(i)], left);
    }
    for (TerminalRegion r : shown.regions) {
        r.row += top;
        r.column += left;
        screen.regions.push_back(r);
    }
    return screen;
}

}  // namespace winsim
