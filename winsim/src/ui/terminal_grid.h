// A grid of terminal cells that UTF-8 text is written into: East Asian
// characters take two cells, combining marks (Thai vowels and tones) none.
#ifndef WINSIM_TERMINAL_GRID_H
#define WINSIM_TERMINAL_GRID_H

#include <string>
#include <vector>

namespace winsim {

// How many cells a character takes: 0, 1 or 2.
int CellWidth(char32_t c);
// The characters of UTF-8 text; a broken sequence gives U+FFFD.
std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(char32_t c);
// The cells that text takes.
int TextWidth(const std::string& utf8);

class TerminalGrid {
public:
    TerminalGrid(int columns, int rows);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // Writes text from (column, row), at most `width` cells of it; returns the cells used.
    int Put(int column, int row, const std::string& utf8, int width = 1 << 20);
    // Whether the cell holds nothing yet (or lies outside the grid: false).
    bool Blank(int column, int row) const;
    // The rows as text, without trailing blanks.
    std::vector<std::string> Lines() const;

private:
    struct Cell {
        std::string text = " ";  // a character with its combining marks; empty behind a wide one
    };
    int columns_;
    int rows_;
    std::vector<Cell> cells_;
};

// Breaks text into lines of at most `width` cells: at spaces where there are
// any, else anywhere (as in Chinese, Japanese and Thai), and at line breaks.
std::vector<std::string> WrapText(const std::string& utf8, int width);

}  // namespace winsim

#endif
