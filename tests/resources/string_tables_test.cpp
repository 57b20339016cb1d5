// The thirteen string tables as the installer uses them: ids, exact texts, the arguments it
// formats into them, the code pages they are shown in, and the room the wizard gives them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>

#include "sources_fixture.h"
#include "text_fit.h"

namespace {

using resgen::StringTable;

// printf conversions, scanned without the generator's help: '%' up to the conversion letter.
std::vector<std::u16string> Conversions(const std::u16string& text)
{
    std::vector<std::u16string> found;
    for (std::size_t i = text.find(u'%'); i != std::u16string::npos; i = text.find(u'%', i + 1)) {
        std::size_t end = i + 1;
        while (end < text.size() && !(std::iswalpha(text[end]) && text[end] != u'l' && text[end] != u'h'))
            ++end;
        found.push_back(text.substr(i, end + 1 - i));
    }
    return found;
}

// The text with its conversions replaced by the arguments, in order.
std::u16string Formatted(std::u16string text, const std::vector<std::u16string>& arguments)
{
    std::size_t at = 0;
    for (std::size_t n = 0; n < arguments.size(); ++n) {
        at = text.find(u'%', at);
        text.replace(at, Conversions(text.substr(at))[0].size(), arguments[n]);
        at += arguments[n].size();
    }
    return text;
}

const char* AnsiCodePage(std::uint16_t language)
{
    const std::map<std::uint16_t, const char*> eastern = {
        {0x0404, "CP950"}, {0x0411, "CP932"}, {0x0412, "CP949"}, {0x041E, "CP874"}, {0x0804, "CP936"}};
    return eastern.count(language) ? eastern.at(language) : "CP1252";
}

char16_t Accelerator(const std::u16string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&')
            return text[i + 1] == u'&' ? (++i, 0) : static_cast<char16_t>(std::towupper(text[i + 1]));
    }
    return 0;
}

std::string Where(const StringTable& table, std::uint16_t id)
{
    return table.file + ", string " + std::to_string(id) + ": \"" + Utf8(TextOf(table, id)) + "\"";
}

const StringTable& English()
{
    for (const StringTable& table : TreeSources().stringTables) {
        if (table.language == 0x0409)
            return table;
    }
    throw std::runtime_error("no English table");
}

} // namespace

TEST(StringTables, CarryExactlyTheInstallersIds)
{
    // The user interface 1-24 and 30, the language's name, and the error messages (codes
    // 2056-2063 do not occur and have none), up to 2088, the message of a damaged carried
    // file. Between them, in a block of their own, the uninstaller's 32-37.
    std::vector<std::uint16_t> expected;
    for (std::uint16_t id = 1; id <= 24; ++id)
        expected.push_back(id);
    expected.insert(expected.end(), {30, 32, 33, 34, 35, 36, 37, 1000});
    for (std::uint16_t id = 2048; id <= 2088; ++id) {
        if (id < 2056 || id > 2063)
            expected.push_back(id);
    }
    ASSERT_EQ(expected.size(), 65u);
    for (const StringTable& table : TreeSources().stringTables) {
        std::vector<std::uint16_t> ids;
        for (const resgen::StringEntry& entry : table.entries)
            ids.push_back(entry.id);
        EXPECT_EQ(ids, expected) << table.file;
    }
}

TEST(StringTables, NameEachLanguageInItsOwnWords)
{
    const std::map<std::uint16_t, std::u16string> names = {
        {0x0404, u"中文(繁體)"}, {0x0407, u"Deutsch"},    {0x0409, u"English"}, {0x040A, u"Español"},
        {0x040C, u"Français"},   {0x0410, u"Italiano"},   {0x0411, u"日本語"},  {0x0412, u"한국어"},
        {0x0413, u"Nederlands"}, {0x0416, u"Português"}, {0x041D, u"Svenska"}, {0x041E, u"ไทย"},
        {0x0804, u"中文(简体)"}};
    for (const StringTable& table : TreeSources().stringTables)
        EXPECT_EQ(TextOf(table, 1000), names.at(table.language)) << Where(table, 1000);
}

TEST(StringTables, KeepTheProductsEnglishTextsToTheLetter)
{
    const std::map<std::uint16_t, std::u16string> texts = {
        {1, u"Talven Setup Wizard"},
        {6, u"The disc you inserted was formatted with Tessera.\nTo read this disc, you must install a special "
            u"driver. This wizard\nwill guide you through the process.\n\nNote: To write to this disc, you would "
            u"need an Tessera recorder\nwhich supports writing to RW discs. Your current drive will not let you\n"
            u"write to this disc.\n\nInstall Reader Now?"},
        {13, u"An error occurred while installing Tessera Disc Reader:\n%s\nThe error code is "
             u"%03lX-%lX-%04lX-%08lX."},
        {19, u"< &Back"},
        {22, u"A disc has been inserted that requires the Talven Tessera Disc Reader. This setup wizard will "
             u"upgrade the Talven Tessera Disc Reader for Windows.  Do you wish to continue?"},
        {2052, u"Sorry, you can not install the Talven Tessera Disc Reader on this platform. Tessera Disc Reader "
               u"is for Windows 95/ Windows NT 4.0 or later."},
        {2064, u"Windows cannot be restarted.  Please reboot after closing this setup wizard."},
        {2086, u"An attempt at resetting a file's write position has failed."},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(TextOf(English(), id), text) << Where(English(), id);
}

TEST(StringTables, KeepTheArgumentsTheInstallerFormatsIn)
{
    const std::vector<std::u16string> errorPage = {u"%s", u"%03lX", u"%lX", u"%04lX", u"%08lX"};
    for (const StringTable& table : TreeSources().stringTables) {
        EXPECT_EQ(Conversions(TextOf(table, 13)), errorPage) << Where(table, 13);
        EXPECT_EQ(Conversions(TextOf(table, 14)), std::vector<std::u16string>{u"%s"}) << Where(table, 14);
    }
}

TEST(StringTables, ShowInTheirLanguagesAnsiCodePage)
{
    for (const StringTable& table : TreeSources().stringTables) {
        std::string ansi;
        for (const resgen::StringEntry& entry : table.entries)
            EXPECT_TRUE(Encode(entry.text, AnsiCodePage(table.language), ansi))
                << Where(table, entry.id) << " has a character outside " << AnsiCodePage(table.language);
        Encode(TextOf(table, 1), AnsiCodePage(table.language), ansi);
        EXPECT_LT(ansi.size(), 256u) << "the wizard title buffer holds 255 bytes: " << Where(table, 1);
    }
}

TEST(StringTables, GiveTheButtonsOfAPageDistinctAccelerators)
{
    // Back, the page's main button and Cancel or No, on the language, welcome, end and restart pages.
    const std::vector<std::vector<std::uint16_t>> pages = {{19, 20, 17}, {19, 16, 17}, {19, 5, 17}, {19, 23, 24}};
    for (const StringTable& table : TreeSources().stringTables) {
        for (const auto& buttons : pages) {
            std::set<char16_t> seen;
            for (const std::uint16_t id : buttons) {
                const char16_t key = Accelerator(TextOf(table, id));
                EXPECT_TRUE(key == 0 || seen.insert(key).second) << Where(table, id) << " repeats an accelerator";
            }
        }
    }
}

TEST(StringTables, BreakMessageBoxLinesOnlyWhereTheLanguageAllows)
{
    // A message box may break Chinese, Japanese and Korean text between any two characters, and
    // some boxes are narrow (Wine's hold about 300 pixels of text), so those tables break their
    // own lines between phrases, each short enough that no box has to break it again. The other
    // translations let the box wrap at blanks: their paragraphs carry no line breaks of their own.
    // English keeps the product's text as it is.
    const std::uint16_t boxes[] = {6, 11, 12, 22, 2051, 2052, 2055};
    for (const StringTable& table : TreeSources().stringTables) {
        const std::uint16_t primary = table.language & 0x3FF;
        const bool breaksAnywhere = primary == 0x04 || primary == 0x11 || primary == 0x12;
        for (const std::uint16_t id : boxes) {
            const std::u16string text = TextOf(table, id);
            for (std::size_t start = 0; start <= text.size();) {
                std::size_t end = std::min(text.find(u'\n', start), text.size());
                if (breaksAnywhere) {
                    EXPECT_LE(TextWidth(text.substr(start, end - start)), 300)
                        << Where(table, id) << " line \"" << Utf8(text.substr(start, end - start)) << "\"";
                }
                start = end + 1;
            }
        }
        if (breaksAnywhere || table.language == 0x0409 || primary == 0x1E)
            continue;
        const std::u16string question = TextOf(table, 6);
        for (std::size_t at = question.find(u'\n'); at != std::u16string::npos; at = question.find(u'\n', at + 2))
            EXPECT_TRUE(at + 1 < question.size() && question[at + 1] == u'\n')
                << Where(table, 6) << " breaks a paragraph at \"" << Utf8(question.substr(at > 20 ? at - 20 : 0, 20))
                << "\"";
    }
}

TEST(StringTables, FitTheControlsThatShowThem)
{
    for (const StringTable& table : TreeSources().stringTables) {
        const TextMetrics metrics = MetricsFor(table.language);
        const auto expectFits = [&](std::uint16_t id, const std::u16string& text, int widthDlu, int heightDlu) {
            EXPECT_LE(WrappedLines(text, DluToPixelsX(widthDlu), metrics), DluToPixelsY(heightDlu) / metrics.lineHeight)
                << Where(table, id) << " shown as \"" << Utf8(text) << "\"";
        };
        for (const std::uint16_t id : {5, 16, 17, 19, 20, 23, 24})
            EXPECT_LE(TextWidth(TextOf(table, id)), DluToPixelsX(50) - 6) << Where(table, id);
        expectFits(9, TextOf(table, 9), 254, 62);    // page body
        expectFits(18, TextOf(table, 18), 250, 23);  // language prompt
        for (const std::uint16_t id : {2, 3, 7, 10})
            expectFits(id, TextOf(table, id), 254, 32);  // status line
        expectFits(14, Formatted(TextOf(table, 14), {u"7.1.0.189 "}), 75, 30);
        // The error page's status line with every message it may show and the widest code.
        for (std::uint16_t id = 2050; id <= 2088; ++id) {
            if ((id > 2050 && id < 2053) || (id > 2054 && id < 2064))
                continue;
            expectFits(id, Formatted(TextOf(table, 13), {TextOf(table, id), u"825", u"1", u"04A6", u"00000070"}),
                       254, 32);
        }
        // The title font is a Western one (Times New Roman Bold, about 1.4 times as wide).
        const std::u16string title = TextOf(table, 15);
        EXPECT_TRUE(std::all_of(title.begin(), title.end(), [](char16_t c) { return c < 0x80; })) << Where(table, 15);
        EXPECT_LE(TextWidth(title) * 14 / 10, DluToPixelsX(175)) << Where(table, 15);
    }
}
