// wsprintfA and wvsprintfA with user32's conversions: %c %d %i %u %x %X %s
// %p with the flags '-', '0' and '#', a width, a precision, and the size
// prefixes 'l' and 'h' (both 32 bits wide on Win32 for numbers; for %c and
// %s 'l' means a wide character or string, 'h' a narrow one, and %C and %S
// are the wide ones). No floating point. Longer output is cut after 1024
// characters and then terminated, so user32 writes up to 1025 bytes, one
// more than its documentation's "maximum size of the buffer is 1,024 bytes";
// the count returned is that of the characters written.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// The most characters written before the terminating NUL.
constexpr int kLimit = 1024;

// A wide string in the ANSI code page.
std::string Narrow(const WCHAR* text, int length) {
    if (length <= 0) return "";
    std::string out(static_cast<size_t>(length) * 2, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

struct Output {
    LPSTR buffer;
    int length = 0;
    void Put(char c) {
        if (length < kLimit) buffer[length++] = c;
    }
    void Pad(int count, char c) {
        for (int i = 0; i < count; ++i) Put(c);
    }
};

}  // namespace

extern "C" int WINAPI wvsprintfA(LPSTR out, LPCSTR format, va_list args) {
    Output o{out};
    if (!format) format = "";
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            o.Put(*p);
            continue;
        }
        ++p;
        bool left = false, zero = false, alternate = false;
        for (;; ++p) {
            if (*p == '-') left = true;
            else if (*p == '0') zero = true;
            else if (*p == '#') alternate = true;
            else break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        }
        char size = 0;
        if (*p == 'l' || *p == 'h' || *p == 'L') size = *p++;
        char type = *p;
        if (!type) break;
        bool wide = type == 'C' || type == 'S' ? size != 'h' : size == 'l';
        std::string converted;
        char digits[40];
        int n = 0;
        const char* text = digits;
        int textLength = 0;
        const char* prefix = "";
        bool negative = false;
        switch (type) {
            case 'c':
            case 'C': {
                int c = va_arg(args, int);
                WCHAR w = static_cast<WCHAR>(c);
                if (wide) converted = Narrow(&w, 1);
                text = wide ? converted.c_str() : digits;
                digits[0] = static_cast<char>(c);
                textLength = wide ? static_cast<int>(converted.size()) : 1;
                zero = false;
                break;
            }
            case 's':
            case 'S': {
                if (wide) {
                    const WCHAR* w = va_arg(args, const WCHAR*);
                    int length = 0;
                    while (w && w[length]) ++length;
                    converted = w ? Narrow(w, length) : std::string("(null)");
                    text = converted.c_str();
                } else {
                    text = va_arg(args, const char*);
                }
                if (!text) text = "(null)";
                textLength = static_cast<int>(std::strlen(text));
                if (precision >= 0 && precision < textLength) textLength = precision;
                zero = false;
                break;
            }
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X': {
                unsigned int value = va_arg(args, unsigned int);
                if ((type == 'd' || type == 'i') && static_cast<int>(value) < 0) {
                    negative = true;
                    value = 0u - value;
                }
                unsigned base = (type == 'x' || type == 'X') ? 16 : 10;
                const char* set = type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
                char reversed[40];
                do {
                    reversed[n++] = set[value % base];
                    value /= base;
                } while (value);
                while (n < precision && n < 32) reversed[n++] = '0';
                for (int i = 0; i < n; ++i) digits[i] = reversed[n - 1 - i];
                textLength = n;
                if (negative) prefix = "-";
                else if (alternate && base == 16) prefix = type == 'X' ? "0X" : "0x";
                break;
            }
            case 'p': {
                // The address in upper-case hex, as wide as a pointer.
                uintptr_t value = reinterpret_cast<uintptr_t>(va_arg(args, void*));
                for (int i = static_cast<int>(sizeof value) * 2 - 1; i >= 0; --i)
                    digits[n++] = "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
                textLength = n;
                break;
            }
            default:
                // Not a conversion: the character itself is written ("%%" gives "%").
                o.Put(type);
                continue;
        }
        int prefixLength = static_cast<int>(std::strlen(prefix));
        int padding = width - textLength - prefixLength;
        if (padding < 0) padding = 0;
        if (!left && !zero) o.Pad(padding, ' ');
        for (int i = 0; i < prefixLength; ++i) o.Put(prefix[i]);
        if (!left && zero) o.Pad(padding, '0');
        for (int i = 0; i < textLength; ++i) o.Put(text[i]);
        if (left) o.Pad(padding, ' ');
    }
    out[o.length] = '\0';
    return o.length;
}

extern "C" int wsprintfA(LPSTR out, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(out, format, args);
    va_end(args);
    return n;
}
