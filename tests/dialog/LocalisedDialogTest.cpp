// The dialog under the user interface language this test runs in (CTest runs
// it once per language with LANG set): the platform picks the template and the
// strings, and the program's code is the same for every language.
#include <gtest/gtest.h>

#include "support/HelpRecorder.h"
#include "support/ResourceImage.h"
#include "support/TestRegistry.h"

namespace {

using test::kChinese;
using test::kEnglish;
using test::kJapanese;

// A dialog procedure of the platform's calling convention, which a lambda lacks on i686.
INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class LocalisedDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::RunsInAProgramLanguage(&language_));
        test::SetDword(HKEY_CURRENT_USER, L"LockFn", 1);  // all boxes enabled
    }

    // Pixel width of a number of dialog units in the font of the English
    // template, measured by a dialog of this process.
    LONG PixelsOfEnglishUnits(int units)
    {
        const auto bytes = program_.Find(RT_DIALOG, MAKEINTRESOURCEW(159), kEnglish);
        if (!bytes)
            return -1;
        const HWND probe = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes->data()), nullptr,
            IgnoreMessages, 0);
        RECT rect = {0, 0, units, 113};
        MapDialogRect(probe, &rect);
        DestroyWindow(probe);
        return rect.right;
    }

    test::CleanSettingsKeys clean_;
    test::RegisteredControlLocation location_;
    test::ResourceImage program_{test::ProgramPath()};
    LANGID language_ = 0;
};

TEST_F(LocalisedDialogTest, TextsComeFromTheLanguagesStringTable)
{
    test::HelpRun run;
    ASSERT_TRUE(run.dialog);
    // Control (0: the caption) and the string that replaces its template text.
    const std::pair<int, WORD> replaced[] = {{0, 2}, {1075, 10}, {1000, 8}, {1076, 9}, {1077, 11}, {1078, 12}};
    for (const auto& r : replaced) {
        const HWND window = r.first ? GetDlgItem(run.dialog, r.first) : run.dialog;
        EXPECT_EQ(program_.String(r.second, language_).value_or(L"<missing>"), test::WindowText(window))
            << "control " << r.first;
    }
    // OK and Cancel keep the texts of the language's template.
    const auto dialog = program_.Dialog(159, language_);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->controls[0].text, test::WindowText(GetDlgItem(run.dialog, IDOK)));
    EXPECT_EQ(dialog->controls[1].text, test::WindowText(GetDlgItem(run.dialog, IDCANCEL)));

    const std::pair<LANGID, const wchar_t*> captions[] = {
        {kEnglish, L"Hotkey Settings"}, {kJapanese, L"Hotkey設定"}, {kChinese, L"热键的设定"}};
    for (const auto& caption : captions)
        if (caption.first == language_)
            EXPECT_EQ(caption.second, test::WindowText(run.dialog));
    if (language_ == kChinese)
        EXPECT_EQ(L"关闭弹出式窗口", test::WindowText(GetDlgItem(run.dialog, 1078))) << "no mnemonic";
    run.EndWith(VK_ESCAPE, 2);
}

TEST_F(LocalisedDialogTest, DialogHasItsTemplatesWidth)
{
    const auto dialog = program_.Dialog(159, language_);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(language_ == kJapanese ? 174 : 171, dialog->cx);

    test::HelpRun run;
    ASSERT_TRUE(run.dialog);
    RECT client;
    GetClientRect(run.dialog, &client);
    EXPECT_EQ(PixelsOfEnglishUnits(dialog->cx), client.right);
    if (language_ == kJapanese)
        EXPECT_GT(client.right, PixelsOfEnglishUnits(171)) << "3 units wider than the English dialog";
    run.EndWith(VK_ESCAPE, 2);
}

TEST_F(LocalisedDialogTest, HelpPopupsAskForTheSameStringsInTheLanguage)
{
    location_.Set(test::RecorderPath());
    test::HelpRun run;
    ASSERT_TRUE(run.dialog);
    for (int id : {1075, 1076, 1077, 1078})
        run.AskForHelp(id);
    const auto popups = test::CallsWithCommand(run.EndWith(VK_ESCAPE, 2), HH_DISPLAY_TEXT_POPUP);
    ASSERT_EQ(4u, popups.size());
    for (WORD i = 0; i < 4; ++i) {
        EXPECT_EQ(4u + i, popups[i].Number("idString"));
        EXPECT_EQ(program_.String(4 + i, language_).value_or(L"<missing>"), popups[i].Text("shown"));
    }
}

}  // namespace
