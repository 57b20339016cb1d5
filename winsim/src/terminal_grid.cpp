#include "terminal_grid.h"

namespace winsim {

int CellWidth(char32_t c) {
    if (c == 0) return 0;
    // Combining marks: general diacritics and the Thai vowel and tone marks above and below.
    if ((c >= 0x0300 && c <= 0x036F) || c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E))
        return 0;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
        (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
        (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6))
        return 2;
    return 1;
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        bool cut = extra > 0 && i + static_cast<size_t>(extra) >= text.size();
        if (extra < 0 || cut) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += c;
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

int TextWidth(const std::string& utf8) {
    int width = 0;
    for (char32_t c : DecodeUtf8(utf8)) width += CellWidth(c);
    return width;
}

TerminalGrid::TerminalGrid(int columns, int rows)
    : columns_(columns), rows_(rows), cells_(static_cast<size_t>(columns * rows)) {}

int TerminalGrid::Put(int column, int row, const std::string& utf8, int width) {
    if (row < 0 || row >= rows_) return 0;
    int used = 0;
    Cell* last = nullptr;
    for (char32_t c : DecodeUtf8(utf8)) {
        if (c < 0x20) c = ' ';
        int w = CellWidth(c);
        if (w == 0) {
            if (last) last->text += EncodeUtf8(c);
            continue;
        }
        int at = column + used;
        if (used + w > width || at + w > columns_) break;
        if (at >= 0) {
            Cell& cell = cells_[static_cast<size_t>(row * columns_ + at)];
            cell.text = EncodeUtf8(c);
            if (w == 2) cells_[static_cast<size_t>(row * columns_ + at + 1)].text.clear();
            last = &cell;
        }
        used += w;
    }
    return used;
}

std::vector<std::string> TerminalGrid::Lines() const {
    std::vector<std::string> lines;
    for (int r = 0; r < rows_; ++r) {
        std::string line;
        for (int c = 0; c < columns_; ++c) line += cells_[static_cast<size_t>(r * columns_ + c)].text;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> WrapText(const std::string& utf8, int width) {
    std::vector<std::string> lines;
    if (width <= 0) return lines;
    std::u32string text = DecodeUtf8(utf8);
    std::u32string line;
    int lineWidth = 0;
    size_t lastSpace = std::u32string::npos;
    auto flush = [&]() {
        while (!line.empty() && line.back() == U' ') line.pop_back();
        std::string out;
        for (char32_t c : line) out += EncodeUtf8(c);
        lines.push_back(out);
        line.clear();
        lineWidth = 0;
        lastSpace = std::u32string::npos;
    };
    for (char32_t c : text) {
        if (c == U'\r') continue;
        if (c == U'\n') {
            flush();
            continue;
        }
        int w = CellWidth(c);
        if (lineWidth + w > width) {
            if (c == U' ') {
                flush();
                continue;
            }
            if (lastSpace != std::u32string::npos) {
                // Carry the word begun after the last space to the next line.
                std::u32string rest = line.substr(lastSpace + 1);
                line.erase(lastSpace);
                flush();
                line = rest;
                for (char32_t r : rest) lineWidth += CellWidth(r);
            } else {
                flush();
            }
        }
        if (c == U' ') lastSpace = line.size();
        line += c;
        lineWidth += w;
    }
    if (!line.empty() || lines.empty()) flush();
    return lines;
}

}  // namespace winsim
