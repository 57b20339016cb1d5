// WideCharToMultiByte for the code pages of the wizard's languages, with the
// flag that tells whether the default character was used.
#include "check.h"

namespace conformance {
namespace {

struct Sample {
    UINT page;
    const char16_t* text;  // a letter of the page's own script, then one it lacks
};

const Sample kSamples[] = {
    {874, u"A\u0E01\u0E3F|\u4E00"},           {932, u"A\u3042\u30A2\uFF71|\u0E01"},
    {936, u"A\u4E2D\u6587|\u0E01"},           {949, u"A\uD55C\uAE00|\u0E01"},
    {950, u"A\u4E2D\u6587|\u0E01"},           {1250, u"A\u0141\u017A\u00E9|\u4E00"},
    {1251, u"A\u0416\u044F|\u4E00"},          {1252, u"A\u00E9\u00FC\u20AC\u00DF|\u4E00"},
    {1253, u"A\u03A9\u03B1|\u4E00"},          {1254, u"A\u011F\u0130|\u4E00"},
    {1255, u"A\u05D0\u05EA|\u4E00"},          {1256, u"A\u0627\u0644|\u4E00"},
    {1257, u"A\u0100\u0161|\u4E00"},          {1258, u"A\u20AB\u01B0|\u4E00"},
};

int Length(const char16_t* text) {
    int n = 0;
    while (text[n]) ++n;
    return n;
}

void Convert(const Sample& s) {
    const LPCWSTR wide = reinterpret_cast<LPCWSTR>(s.text);
    int all = Length(s.text), own = 0;
    while (s.text[own] != u'|') ++own;
    char out[64] = "";
    BOOL used = 7;
    Mark();
    int n = WideCharToMultiByte(s.page, 0, wide, own, out, sizeof out, nullptr, &used);
    std::string error = Err();
    Report(Fmt("WideCharToMultiByte %u own script", s.page),
           Fmt("ret=%d err=%s used=%d bytes=%s", n, error.c_str(), used, Hex(out, n > 0 ? n : 0).c_str()));
    used = 7;
    Mark();
    n = WideCharToMultiByte(s.page, 0, wide, all, out, sizeof out, nullptr, &used);
    error = Err();
    Report(Fmt("WideCharToMultiByte %u foreign letter", s.page),
           Fmt("ret=%d err=%s used=%d bytes=%s", n, error.c_str(), used, Hex(out, n > 0 ? n : 0).c_str()));
    used = 7;
    Mark();
    n = WideCharToMultiByte(s.page, 0, wide, all, out, sizeof out, "*", &used);
    error = Err();
    Report(Fmt("WideCharToMultiByte %u given default", s.page),
           Fmt("ret=%d err=%s used=%d bytes=%s", n, error.c_str(), used, Hex(out, n > 0 ? n : 0).c_str()));
}

void Sizes() {
    const LPCWSTR text = reinterpret_cast<LPCWSTR>(u"Abc\u3042");
    Mark();
    int n = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    ReportCall("WideCharToMultiByte size query with terminator", n);
    Mark();
    n = WideCharToMultiByte(932, 0, text, 4, nullptr, 0, nullptr, nullptr);
    ReportCall("WideCharToMultiByte size query", n);
    char out[8] = "xxxxxxx";
    Mark();
    n = WideCharToMultiByte(932, 0, text, 4, out, 4, nullptr, nullptr);
    ReportCall("WideCharToMultiByte short buffer", n, Hex(out, 4));
    Mark();
    n = WideCharToMultiByte(1252, 0, text, 0, out, sizeof out, nullptr, nullptr);
    ReportCall("WideCharToMultiByte no characters", n);
    Mark();
    n = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, reinterpret_cast<LPCWSTR>(u"e\u0301x"), 3, out, sizeof out,
                            nullptr, nullptr);
    ReportCall("WideCharToMultiByte composite check", n, Hex(out, n > 0 ? n : 0));
    Mark();
    n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(u"\u00E9"), 1, out, sizeof out, nullptr, nullptr);
    ReportCall("WideCharToMultiByte CP_ACP", n, Hex(out, n > 0 ? n : 0));
    Mark();
    n = WideCharToMultiByte(12345, 0, text, 4, out, sizeof out, nullptr, nullptr);
    ReportCall("WideCharToMultiByte unknown code page", n);
}

}  // namespace

void CheckCodePages() {
    for (const Sample& s : kSamples) Convert(s);
    Sizes();
}

}  // namespace conformance
