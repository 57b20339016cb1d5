#include "kernel32/locale/locale_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "winsim/machine.h"

namespace winsim {
namespace {

// Language groups, numbered as Windows numbers them (LGRPID).
enum Group : unsigned {
    kWestern = 1, kCentral = 2, kBaltic = 3, kGreek = 4, kCyrillic = 5, kTurkish = 6, kJapanese = 7,
    kKorean = 8, kTraditionalChinese = 9, kSimplifiedChinese = 10, kThai = 11, kHebrew = 12, kArabic = 13,
    kVietnamese = 14,
};

// The Western locales' signatures list every code page their letters fit
// in: 1252, 1250, 1251, 1253, 1254, 1257 and 1258.
constexpr unsigned kLatinPages = 0x0000019F;

const std::vector<LocaleInfo> kLocales = {
    {0x0401, "ar-SA", 1256, 720, kArabic, 0x00000040},
    {0x0404, "zh-TW", 950, 950, kTraditionalChinese, 0x00100000},
    {0x0405, "cs-CZ", 1250, 852, kCentral, 0x00000002},
    {0x0406, "da-DK", 1252, 850, kWestern, kLatinPages},
    {0x0407, "de-DE", 1252, 850, kWestern, kLatinPages},
    {0x0408, "el-GR", 1253, 737, kGreek, 0x00000008},
    {0x0409, "en-US", 1252, 437, kWestern, kLatinPages},
    {0x040A, "es-ES_tradnl", 1252, 850, kWestern, kLatinPages},
    {0x040B, "fi-FI", 1252, 850, kWestern, kLatinPages},
    {0x040C, "fr-FR", 1252, 850, kWestern, kLatinPages},
    {0x040D, "he-IL", 1255, 862, kHebrew, 0x00000020},
    {0x040E, "hu-HU", 1250, 852, kCentral, 0x00000002},
    {0x0410, "it-IT", 1252, 850, kWestern, kLatinPages},
    {0x0411, "ja-JP", 932, 932, kJapanese, 0x00020000},
    {0x0412, "ko-KR", 949, 949, kKorean, 0x00080000},
    {0x0413, "nl-NL", 1252, 850, kWestern, kLatinPages},
    {0x0414, "nb-NO", 1252, 850, kWestern, kLatinPages},
    {0x0415, "pl-PL", 1250, 852, kCentral, 0x00000002},
    {0x0416, "pt-BR", 1252, 850, kWestern, kLatinPages},
    {0x0419, "ru-RU", 1251, 866, kCyrillic, 0x00000004},
    {0x041D, "sv-SE", 1252, 850, kWestern, kLatinPages},
    {0x041E, "th-TH", 874, 874, kThai, 0x00010000},
    {0x041F, "tr-TR", 1254, 857, kTurkish, 0x00000010},
    {0x0425, "et-EE", 1257, 775, kBaltic, 0x00000080},
    {0x0426, "lv-LV", 1257, 775, kBaltic, 0x00000080},
    {0x0427, "lt-LT", 1257, 775, kBaltic, 0x00000080},
    {0x042A, "vi-VN", 1258, 1258, kVietnamese, 0x00000100},
    {0x0804, "zh-CN", 936, 936, kSimplifiedChinese, 0x00040000},
    {0x0807, "de-CH", 1252, 850, kWestern, kLatinPages},
    {0x0809, "en-GB", 1252, 850, kWestern, kLatinPages},
    {0x0816, "pt-PT", 1252, 860, kWestern, kLatinPages},
    {0x0C0A, "es-ES", 1252, 850, kWestern, kLatinPages},
    {0x0C0C, "fr-CA", 1252, 863, kWestern, kLatinPages},
};

bool BasicGroup(unsigned group) { return group >= kWestern && group <= kTurkish; }

}  // namespace

const std::vector<LocaleInfo>& KnownLocales() { return kLocales; }

const LocaleInfo* FindLocaleInfo(unsigned language) {
    for (const LocaleInfo& row : kLocales)
        if (row.language == (language & 0xFFFF)) return &row;
    return nullptr;
}

std::vector<unsigned> DefaultInstalledLocales(unsigned language) {
    const LocaleInfo* own = FindLocaleInfo(language);
    std::vector<unsigned> installed;
    for (const LocaleInfo& row : kLocales)
        if (BasicGroup(row.group) || (own && row.group == own->group)) installed.push_back(row.language);
    return installed;
}

unsigned LanguageOfName(const std::string& name) {
    for (const LocaleInfo& row : kLocales)
        if (name == row.name) return row.language;
    char* end = nullptr;
    unsigned long number = std::strtoul(name.c_str(), &end, 0);
    if (name.empty() || *end != '\0' || !FindLocaleInfo(static_cast<unsigned>(number)) || number > 0xFFFF) return 0;
    return static_cast<unsigned>(number);
}

bool SetMachineLanguage(Profile& profile, unsigned language, std::string& error) {
    const LocaleInfo* row = FindLocaleInfo(language);
    if (!row) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%04X", language);
        error = std::string("unknown language ") + id + "; known:";
        for (const LocaleInfo& known : kLocales) {
            std::snprintf(id, sizeof id, " 0x%04X", known.language);
            error += id;
        }
        return false;
    }
    profile.langId = row->language;
    profile.codePage = row->ansiCodePage;
    profile.oemCodePage = row->oemCodePage;
    profile.locales = DefaultInstalledLocales(row->language);
    return true;
}

}  // namespace winsim
