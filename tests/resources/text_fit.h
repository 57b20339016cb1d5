#pragma once

// A rough estimate of how much room a text takes in the wizard at 96 dots per inch, good
// enough to catch a translation that overflows its control long before anyone looks at a
// screenshot. Widths err on the wide side.

#include <cstdint>
#include <string>

struct TextMetrics {
    int lineHeight;  // pixels per line of the body font
    bool breakBetweenIdeographs;
};

// Western tables use "MS Sans Serif" 8 (13-pixel lines); Chinese, Japanese and Korean get the
// enlarged 12-pixel body font; Thai needs room above and below for its marks.
TextMetrics MetricsFor(std::uint16_t language);

// Dialog units of "MS Sans Serif" 8: 6 x 13 pixels of base unit, a quarter and an eighth of it.
constexpr int DluToPixelsX(int dlu) { return dlu * 6 / 4; }
constexpr int DluToPixelsY(int dlu) { return dlu * 13 / 8; }

// Width in pixels of a one-line text; '&' before an accelerator is not drawn.
int TextWidth(const std::u16string& text);

// Lines that a word-wrapping static control of `width` pixels needs, breaking at blanks and
// line breaks (and between ideographs when the metrics say so); a huge number when a run
// without a break is wider than the control, since the control would cut it off.
int WrappedLines(const std::u16string& text, int width, const TextMetrics& metrics);
