#include "dialog.h"

#include "input_error.h"
#include "source_lexer.h"
#include "utf8.h"
#include "window_styles.h"

namespace resgen {
namespace {

class DialogParser {
public:
    explicit DialogParser(const std::string& file) : file_(file) {}

    Dialog Parse(const std::vector<SourceLine>& lines)
    {
        dialog_.file = file_;
        bool haveHeader = false, haveStyle = false;
        for (const SourceLine& line : lines) {
            line_ = line.number;
            const std::vector<Token>& t = line.tokens;
            const std::string& keyword = t[0].value;
            if (line.indented || t[0].kind != Token::Kind::Word)
                Fail("a line starts with dialog, style, font or control at its first column");
            if (keyword == "dialog") {
                if (haveHeader)
                    Fail("a second dialog line; a source describes one dialog");
                Expect(t, 6, "dialog ID X Y WIDTH HEIGHT");
                dialog_.id = Id(t[1], 1);
                Rectangle(t, 2, dialog_.x, dialog_.y, dialog_.width, dialog_.height);
                haveHeader = true;
                continue;
            }
            if (!haveHeader)
                Fail("the source starts with 'dialog ID X Y WIDTH HEIGHT'");
            if (keyword == "style") {
                if (haveStyle)
                    Fail("a second style line");
                dialog_.style = Styles(t, 1);
                haveStyle = true;
            } else if (keyword == "font") {
                if (!dialog_.fontFace.empty())
                    Fail("a second font line");
                Expect(t, 3, "font POINTS \"FACE\"");
                dialog_.fontPoints = static_cast<std::uint16_t>(ParseInteger(t[1], 1, 72, file_, line_, "the point size"));
                if (t[2].kind != Token::Kind::Text || t[2].value.empty())
                    Fail("the font face is a quoted, non-empty text");
                dialog_.fontFace = Utf8ToUtf16(t[2].value);
            } else if (keyword == "control") {
                dialog_.controls.push_back(Control(t));
            } else {
                Fail("unknown keyword '" + keyword + "'");
            }
        }
        if (!haveHeader)
            FailIn(file_, "the source describes no dialog");
        if (!haveStyle)
            FailIn(file_, "the dialog has no style line");
        if (dialog_.controls.empty())
            FailIn(file_, "the dialog has no controls");
        FinishFontStyle();
        return std::move(dialog_);
    }

private:
    [[noreturn]] void Fail(const std::string& message) const { FailAt(file_, line_, message); }

    void Expect(const std::vector<Token>& t, std::size_t count, const char* form) const
    {
        if (t.size() != count)
            Fail(std::string("expected: ") + form);
    }

    std::uint16_t Id(const Token& token, long minimum) const
    {
        return static_cast<std::uint16_t>(ParseInteger(token, minimum, 0xFFFF, file_, line_, "an id") & 0xFFFF);
    }

    void Rectangle(const std::vector<Token>& t, std::size_t at, std::int16_t& x, std::int16_t& y,
                   std::int16_t& width, std::int16_t& height) const
    {
        x = static_cast<std::int16_t>(ParseInteger(t[at], -32768, 32767, file_, line_, "x"));
        y = static_cast<std::int16_t>(ParseInteger(t[at + 1], -32768, 32767, file_, line_, "y"));
        width = static_cast<std::int16_t>(ParseInteger(t[at + 2], 0, 32767, file_, line_, "the width"));
        height = static_cast<std::int16_t>(ParseInteger(t[at + 3], 0, 32767, file_, line_, "the height"));
    }

    // NAME | NAME | ... from token `at` to the end of the line.
    Style Styles(const std::vector<Token>& t, std::size_t at) const
    {
        Style style;
        if (at >= t.size())
            Fail("a style lists at least one name");
        for (std::size_t i = at; i < t.size(); ++i) {
            const bool wantName = (i - at) % 2 == 0;
            if (!wantName) {
                if (t[i].value != "|" || t[i].kind != Token::Kind::Word)
                    Fail("style names are joined with '|'");
                continue;
            }
            const auto value = StyleValue(t[i].value);
            if (!value || t[i].kind != Token::Kind::Word)
                Fail("unknown style name '" + t[i].value + "'");
            style.value |= *value;
            style.names += (style.names.empty() ? "" : " | ") + t[i].value;
        }
        if ((t.size() - at) % 2 == 0)
            Fail("the style ends with '|'");
        return style;
    }

    DialogControl Control(const std::vector<Token>& t) const
    {
        if (t.size() < 9)
            Fail("expected: control ID CLASS TEXT X Y WIDTH HEIGHT STYLE");
        DialogControl control{};
        control.line = line_;
        control.id = Id(t[1], -1);
        control.className = t[2].value;
        if (control.className.empty() ||
            control.className.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
                std::string::npos)
            Fail("a class name is made of ASCII letters, digits and '_'");
        if (t[3].kind == Token::Kind::Text) {
            control.text = Utf8ToUtf16(t[3].value);
        } else if (t[3].value.size() > 1 && t[3].value[0] == '#') {
            const Token number{Token::Kind::Word, t[3].value.substr(1)};
            control.imageName = static_cast<std::uint16_t>(ParseInteger(number, 1, 0xFFFF, file_, line_, "an image resource"));
        } else {
            Fail("a control's text is a quoted text or #RESOURCE for a picture");
        }
        Rectangle(t, 4, control.x, control.y, control.width, control.height);
        control.style = Styles(t, 8);
        if ((control.style.value & kWsChild) == 0)
            Fail("a control without WS_CHILD");
        return control;
    }

    // A template carries font fields exactly when DS_SETFONT is in its style.
    void FinishFontStyle()
    {
        const bool flagged = (dialog_.style.value & kDsSetFont) != 0;
        if (flagged && dialog_.fontFace.empty())
            FailIn(file_, "DS_SETFONT without a font line");
        if (!flagged && !dialog_.fontFace.empty()) {
            dialog_.style.value |= kDsSetFont;
            dialog_.style.names += " | DS_SETFONT";
        }
    }

    const std::string& file_;
    int line_ = 0;
    Dialog dialog_;
};

} // namespace

Dialog ParseDialog(std::string_view source, const std::string& fileName)
{
    return DialogParser(fileName).Parse(LexSource(source, fileName));
}

} // namespace resgen
