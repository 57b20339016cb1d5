// Faults in the resource sources stop the generator with a message that says where.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "dialog.h"
#include "input_error.h"
#include "string_checks.h"
#include "string_table.h"

namespace fs = std::filesystem;

namespace {

// The message of the InputError that `action` throws, or "" when it throws none.
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const resgen::InputError& e) {
        return e.what();
    }
    return "";
}

std::string TableError(const std::string& source)
{
    return ErrorOf([&] { resgen::ParseStringTable("language 0x0407\n" + source, "t.txt"); });
}

std::string AgreementError(const std::string& other)
{
    const std::string english = "language 0x0409\n5 \"&OK\"\n13 \"Error:\\n%s\\ncode %03lX\"\n";
    return ErrorOf([&] {
        resgen::CheckTablesAgree({resgen::ParseStringTable(english, "en.txt"),
                                  resgen::ParseStringTable("language 0x0407\n" + other, "de.txt")});
    });
}

std::string ControlError(const std::string& control)
{
    const std::string head = "dialog 100 0 0 358 180\nstyle WS_POPUP\nfont 8 \"MS Sans Serif\"\n";
    return ErrorOf([&] { resgen::ParseDialog(head + control, "d.dlg"); });
}

} // namespace

TEST(StringTableSource, ReadsEscapesAndContinuedLines)
{
    const auto table = resgen::ParseStringTable("language 0x0407\n# note\n7 \"a\\n\\\"b\\\"\"\n  \"\\\\c\"\r\n", "t");
    ASSERT_EQ(table.entries.size(), 1u);
    EXPECT_EQ(table.entries[0].text, u"a\n\"b\"\\c");
}

TEST(StringTableSource, RejectsMalformedEntriesNamingTheLine)
{
    EXPECT_EQ(TableError("1 \"a\\tb\"\n"), "t.txt:2: unknown escape \\t (only \\n, \\\" and \\\\ are known)");
    EXPECT_EQ(TableError("1 \"open\n"), "t.txt:2: the text has no closing quote");
    EXPECT_EQ(TableError("1 \"a\"\n1 \"b\"\n"), "t.txt:3: string 1 is already given on line 2");
    EXPECT_EQ(TableError("70000 \"a\"\n"), "t.txt:2: a string id must be a number from 0 to 65535, not '70000'");
    EXPECT_EQ(TableError("1 \"\xED\xA0\x80\"\n"), "t.txt:2: the file is not valid UTF-8");
}

TEST(StringTableAgreement, HoldsTranslationsToTheEnglishIdsArgumentsAndOneAccelerator)
{
    EXPECT_EQ(AgreementError("5 \"&Ja\"\n13 \"Fehler:\\n%s\\nCode %03lX\"\n"), "");
    EXPECT_EQ(AgreementError("5 \"&Ja\"\n"), "de.txt: string 13 is missing (the English table has it)");
    EXPECT_EQ(AgreementError("5 \"&Ja\"\n13 \"Code %03lX: %s\"\n"),
              "de.txt:3: string 13 has the conversions %03lX %s where the English text has %s %03lX");
    EXPECT_EQ(AgreementError("5 \"&J&a\"\n13 \"%s %03lX\"\n"),
              "de.txt:2: string 5 has more than one '&' accelerator (write && for an ampersand)");
}

TEST(DialogSource, RejectsWhatATemplateCannotHold)
{
    EXPECT_EQ(ControlError("control 1 BUTTON \"\" 1 2 3 4 WS_CHILD | BS_FANCY\n"), "d.dlg:4: unknown style name 'BS_FANCY'");
    EXPECT_EQ(ControlError("control 1 BUTTON \"\" 1 40000 3 4 WS_CHILD\n"),
              "d.dlg:4: y must be a number from -32768 to 32767, not '40000'");
    EXPECT_EQ(ControlError(""), "d.dlg: the dialog has no controls");
}

TEST(ResgenProgram, StopsAtAFaultWithItsPlaceAndWritesNothing)
{
    char pattern[] = "/tmp/resgen_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    fs::copy(HALVINST_RESOURCE_SOURCES, dir / "sources", fs::copy_options::recursive);
    std::ofstream(dir / "sources" / "strings" / "0407-german.txt", std::ios::app) << "1 \"again\"\n";

    const std::string command = std::string(RESGEN_PROGRAM) + " '" + (dir / "sources").string() + "' '" +
                                (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
    EXPECT_NE(std::system(command.c_str()), 0);
    std::ifstream errors(dir / "err");
    const std::string message((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
    EXPECT_NE(message.find("0407-german.txt:"), std::string::npos) << message;
    EXPECT_NE(message.find("string 1 is already given on line"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir / "out"));
    fs::remove_all(dir);
}
