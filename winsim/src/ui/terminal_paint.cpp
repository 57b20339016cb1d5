#include "ui/terminal_paint.h"

#include <cstdint>
#include <cstdio>

#include "gdi32/gdi_objects.h"
#include "ui/terminal_grid.h"

namespace winsim {
namespace {

struct Cell {
    std::string text;
    const char* attribute = nullptr;
};

// The line's cells; a wide character's second cell has no text.
std::vector<Cell> Cells(const std::string& line) {
    std::vector<Cell> cells;
    for (char32_t c : DecodeUtf8(line)) {
        int w = CellWidth(c);
        if (w == 0 && !cells.empty()) {
            cells.back().text += EncodeUtf8(c);
            continue;
        }
        cells.push_back(Cell{EncodeUtf8(c)});
        if (w == 2) cells.push_back(Cell{""});
    }
    return cells;
}

// The colour of a pixel of a 24- or 32-bit bottom-up DIB; false for other depths.
bool Pixel(const BitmapData& b, LONG x, LONG y, uint8_t rgb[3]) {
    if (b.dib.size() < 40 || (b.bitsPerPixel != 24 && b.bitsPerPixel != 32)) return false;
    uint32_t header = b.dib[0] | (b.dib[1] << 8) | (b.dib[2] << 16) | (static_cast<uint32_t>(b.dib[3]) << 24);
    int32_t rawHeight = static_cast<int32_t>(b.dib[8] | (b.dib[9] << 8) | (b.dib[10] << 16) |
                                             (static_cast<uint32_t>(b.dib[11]) << 24));
    size_t stride = ((static_cast<size_t>(b.width) * b.bitsPerPixel + 31) / 32) * 4;
    LONG row = rawHeight > 0 ? b.height - 1 - y : y;
    size_t at = header + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * (b.bitsPerPixel / 8);
    if (at + 3 > b.dib.size()) return false;
    rgb[0] = b.dib[at + 2];
    rgb[1] = b.dib[at + 1];
    rgb[2] = b.dib[at];
    return true;
}

// The bitmap scaled over the region, two pixels to a cell: the upper one in
// the foreground of an upper half block, the lower one in the background.
void Picture(std::vector<Cell>& cells, const TerminalRegion& r, int row) {
    const GdiObject* object = FindGdiObjectOf(r.image, GdiKind::Bitmap);
    if (!object || r.width <= 0 || r.height <= 0) return;
    const BitmapData& b = object->bitmap;
    for (int i = 0; i < r.width; ++i) {
        size_t at = static_cast<size_t>(r.column + i);
        if (at >= cells.size()) break;
        LONG x = static_cast<LONG>(static_cast<long long>(i) * b.width / r.width);
        LONG top = static_cast<LONG>(static_cast<long long>(2 * (row - r.row)) * b.height / (2 * r.height));
        LONG bottom = static_cast<LONG>(static_cast<long long>(2 * (row - r.row) + 1) * b.height / (2 * r.height));
        uint8_t up[3], down[3];
        if (!Pixel(b, x, top, up) || !Pixel(b, x, bottom, down)) return;
        char escape[64];
        std::snprintf(escape, sizeof escape, "\x1b[38;2;%d;%d;%dm\x1b[48;2;%d;%d;%dm\u2580\x1b[0m", up[0], up[1], up[2],
                      down[0], down[1], down[2]);
        cells[at].text = escape;
    }
}

}  // namespace

std::string PaintLine(const TerminalFrame& frame, int row, bool colour) {
    const std::string& line = frame.lines[static_cast<size_t>(row)];
    std::vector<Cell> cells = Cells(line);
    for (const TerminalRegion& r : frame.regions) {
        if (row < r.row || row >= r.row + r.height) continue;
        if (r.kind == TerminalRegion::Kind::Picture) {
            if (colour) Picture(cells, r, row);
            continue;
        }
        const char* attribute = r.kind == TerminalRegion::Kind::Focus ? "\x1b[7m" : "\x1b[2m";
        for (int i = 0; i < r.width; ++i) {
            size_t at = static_cast<size_t>(r.column + i);
            if (at < cells.size()) cells[at].attribute = attribute;
        }
    }
    std::string out;
    const char* current = nullptr;
    for (const Cell& cell : cells) {
        if (cell.attribute != current) {
            out += "\x1b[0m";
            if (cell.attribute) out += cell.attribute;
            current = cell.attribute;
        }
        out += cell.text;
    }
    if (current) out += "\x1b[0m";
    return out;
}

}  // namespace winsim
