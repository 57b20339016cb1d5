#include "source_lexer.h"

#include <cerrno>
#include <cstdlib>

#include "input_error.h"
#include "utf8.h"

namespace resgen {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class LineLexer {
public:
    LineLexer(std::string_view text, const std::string& file, int line)
        : text_(text), file_(file), line_(line) {}

    std::vector<Token> Tokens()
    {
        std::vector<Token> tokens;
        for (;;) {
            while (pos_ < text_.size() && IsBlank(text_[pos_]))
                ++pos_;
            if (pos_ == text_.size())
                return tokens;
            tokens.push_back(text_[pos_] == '"' ? QuotedText() : Word());
        }
    }

private:
    Token Word()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_])) {
            if (text_[pos_] == '"')
                FailAt(file_, line_, "a quote inside the word '" +
                                         std::string(text_.substr(start, pos_ - start)) +
                                         "'; put blanks around quoted texts");
            ++pos_;
        }
        return {Token::Kind::Word, std::string(text_.substr(start, pos_ - start))};
    }

    Token QuotedText()
    {
        std::string value;
        ++pos_;  // opening quote
        for (;;) {
            if (pos_ == text_.size())
                FailAt(file_, line_, "the text has no closing quote");
            const char c = text_[pos_++];
            if (c == '"')
                break;
            if (c == '\t')
                FailAt(file_, line_, "a tab inside a text; write blanks instead");
            if (c != '\\') {
                value += c;
                continue;
            }
            if (pos_ == text_.size())
                FailAt(file_, line_, "a backslash at the end of the line");
            const char escaped = text_[pos_++];
            switch (escaped) {
            case 'n': value += '\n'; break;
            case '"': value += '"'; break;
            case '\\': value += '\\'; break;
            default:
                FailAt(file_, line_, std::string("unknown escape \\") + escaped +
                                         " (only \\n, \\\" and \\\\ are known)");
            }
        }
        if (pos_ < text_.size() && !IsBlank(text_[pos_]))
            FailAt(file_, line_, "a closing quote must be followed by a blank or the line end");
        return {Token::Kind::Text, std::move(value)};
    }

    std::string_view text_;
    const std::string& file_;
    int line_;
    std::size_t pos_ = 0;
};

int LineOfOffset(std::string_view source, std::size_t offset)
{
    int line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        line += source[i] == '\n';
    return line;
}

} // namespace

std::vector<SourceLine> LexSource(std::string_view source, const std::string& fileName)
{
    const std::size_t bad = FindInvalidUtf8(source);
    if (bad != std::string_view::npos)
        FailAt(fileName, LineOfOffset(source, bad), "the file is not valid UTF-8");

    std::vector<SourceLine> lines;
    int number = 0;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view text = source.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!text.empty() && text.back() == '\r')  // files edited on Windows
            text.remove_suffix(1);
        for (const char c : text) {
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                FailAt(fileName, number, "a control character in the line");
        }
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos || text[first] == '#')
            continue;
        lines.push_back({number, first > 0, LineLexer(text, fileName, number).Tokens()});
    }
    return lines;
}

long ParseInteger(const Token& token, long minimum, long maximum, const std::string& fileName,
                  int line, const std::string& what)
{
    const std::string& s = token.value;
    const bool negative = !s.empty() && s[0] == '-';
    const std::size_t digitsAt = negative ? 1 : 0;
    const bool hex = s.compare(digitsAt, 2, "0x") == 0 || s.compare(digitsAt, 2, "0X") == 0;
    const std::string digits = s.substr(digitsAt + (hex ? 2 : 0));
    const bool wellFormed =
        token.kind == Token::Kind::Word && !digits.empty() &&
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos;
    if (wellFormed) {
        errno = 0;
        const long magnitude = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
        const long value = negative ? -magnitude : magnitude;
        if (errno == 0 && value >= minimum && value <= maximum)
            return value;
    }
    FailAt(fileName, line, what + " must be a number from " + std::to_string(minimum) + " to " +
                               std::to_string(maximum) + ", not '" + s + "'");
}

} // namespace resgen
