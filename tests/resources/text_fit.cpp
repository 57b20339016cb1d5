#include "text_fit.h"

#include <algorithm>
#include <vector>

namespace {

bool IsWide(char16_t c)
{
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF01 && c <= 0xFF60);
}

bool IsThaiMark(char16_t c) { return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E); }

int GlyphWidth(char16_t c)
{
    static const std::u16string kNarrow = u"il'.,:;!|";
    static const std::u16string kSemi = u"fjrtI ()[]-/";
    static const std::u16string kBroad = u"mwMW%";
    if (IsWide(c))
        return 12;
    if (IsThaiMark(c))
        return 0;
    if (kNarrow.find(c) != std::u16string::npos)
        return 2;
    if (kSemi.find(c) != std::u16string::npos || c == 0x00A0)
        return 4;
    if (kBroad.find(c) != std::u16string::npos)
        return 9;
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE))
        return 7;
    return 6;
}

} // namespace

TextMetrics MetricsFor(std::uint16_t language)
{
    switch (language & 0x3FF) {
    case 0x04: case 0x11: case 0x12: return {15, true};
    case 0x1E: return {15, false};
    default: return {13, false};
    }
}

int TextWidth(const std::u16string& text)
{
    int width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size() && text[i + 1] != u'&')
            continue;
        width += GlyphWidth(text[i]);
    }
    return width;
}

int WrappedLines(const std::u16string& text, int width, const TextMetrics& metrics)
{
    constexpr int kCutOff = 1000;
    int lines = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        // Split the paragraph into pieces that may not be broken, each with its trailing blank.
        std::vector<std::u16string> pieces;
        std::u16string piece;
        for (std::size_t i = start; i < end; ++i) {
            const bool wideBreak = metrics.breakBetweenIdeographs && IsWide(text[i]);
            if (wideBreak && !piece.empty())
                pieces.push_back(std::move(piece)), piece.clear();
            piece += text[i];
            if (text[i] == u' ' || wideBreak)
                pieces.push_back(std::move(piece)), piece.clear();
        }
        if (!piece.empty())
            pieces.push_back(piece);

        int used = 0;
        ++lines;
        for (const std::u16string& p : pieces) {
            std::u16string visible = p;
            while (!visible.empty() && visible.back() == u' ')
                visible.pop_back();
            if (TextWidth(visible) > width)
                return kCutOff;
            if (used > 0 && used + TextWidth(visible) > width) {
                ++lines;
                used = 0;
            }
            used += TextWidth(p);
        }
        start = end + 1;
    }
    return lines;
}
