#include "ui/terminal_grid.h"

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

bool TerminalGrid::Blank(int column, int row) const {
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return false;
    return cells_[static_cast<size_t>(row * columns_ + column)].text == " ";
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

// Lines may break at a space, and next to a wide character (East Asian text
// breaks between any two characters); a word longer than the line breaks anywhere.
std::vector<std::string> WrapText(const std::string& utf8, int width) {
    std::vector<std::string> lines;
    if (width <= 0) return lines;
    std::u32string line;
    int lineWidth = 0;
    size_t breakAt = std::u32string::npos;  // where the line may be cut; a space there is dropped
    auto emit = [&](std::u32string text) {
        while (!text.empty() && text.back() == U' ') text.pop_back();
        std::string out;
        for (char32_t c : text) out += EncodeUtf8(c);
        lines.push_back(out);
    };
    auto restart = [&](std::u32string rest) {
        while (!rest.empty() && rest.front() == U' ') rest.erase(rest.begin());
        line = rest;
        lineWidth = 0;
        for (char32_t r : line) lineWidth += CellWidth(r);
        breakAt = std::u32string::npos;
    };
    for (char32_t c : DecodeUtf8(utf8)) {
        if (c == U'\r') continue;
        if (c == U'\n') {
            emit(line);
            restart(U"");
            continue;
        }
        int w = CellWidth(c);
        if (w == 2 && !line.empty()) breakAt = line.size();
        if (lineWidth + w > width && c != U' ' && !line.empty()) {
            if (breakAt != std::u32string::npos && breakAt > 0) {
                emit(line.substr(0, breakAt));
                restart(line.substr(breakAt));
            } else {
                emit(line);
                restart(U"");
            }
        }
        line += c;
        lineWidth += w;
        if (c == U' ' || w == 2) breakAt = line.size();
    }
    if (!line.empty() || lines.empty()) emit(line);
    return lines;
}

}  // namespace winsim
