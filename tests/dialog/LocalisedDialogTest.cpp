// The dialog in the user interface language this test runs in (CTest runs it
// once per language with LANG set) at the common display scales (100, 125, 150
// and 200 per cent), one start of the program at each: the platform picks the
// template and the strings, the program runs DPI-aware and is laid out for the
// DPI, every check box's and the group box's text fits beside its check mark,
// and the help popups ask for the language's strings.
//
// The display scale is the registry value LogPixels under
// HKEY_CURRENT_USER\Control Panel\Desktop, which Wine reads once when a
// process starts: each run sets it before starting the program and removes it
// afterwards, so the next program start, and other tests, see 96 DPI again.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/HelpRecorder.h"
#include "support/Product.h"
#include "support/ResourceImage.h"
#include "support/TestRegistry.h"

namespace {

// The dialog's font at a DPI, made in this process. Fonts are objects of the
// process that made them, so the dialog's own font cannot be read from here;
// this one is made as the dialog manager makes a template's font (the point
// size converted at the DPI, the template's face, weight and italic), and
// LaysOutInDialogUnitsOfItsFontAtTheDpi proves that it is the same: its
// dialog base units give the dialog's exact size in pixels. Characters the
// face lacks (Tahoma has no Japanese) come from a linked or substituted font
// in this process as in the program's.
class DialogFont {
public:
    DialogFont(const test::DialogTemplate& dialog, UINT dpi)
    {
        LOGFONTW font = {};
        font.lfHeight = -MulDiv(dialog.pointSize, dpi, 72);
        font.lfWeight = dialog.weight;
        font.lfItalic = dialog.italic;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = PROOF_QUALITY;
        lstrcpynW(font.lfFaceName, dialog.font.c_str(), LF_FACESIZE);
        font_ = CreateFontIndirectW(&font);
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, font_);
    }
    ~DialogFont()
    {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        DeleteObject(font_);
    }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    // Dialog base units: the average width of the Latin letters, rounded, and
    // the font's height, in pixels; 4 and 8 dialog units respectively.
    SIZE BaseUnits() const
    {
        SIZE letters;
        const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        GetTextExtentPoint32W(dc_, alphabet, 52, &letters);
        TEXTMETRICW metrics;
        GetTextMetricsW(dc_, &metrics);
        return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
    }

    // Size of a one-line control text as a button draws it: '&' marks the
    // next letter as a mnemonic and takes no room itself.
    SIZE Measure(const std::wstring& text) const
    {
        RECT rect = {0, 0, 0, 0};
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }

private:
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// What the platform reports for a window of this process made under the
// awareness the program's manifest asks for: per monitor, version 2 where the
// platform knows it. (Wine 10 accepts version 2 and reports such windows as
// plain per monitor; Wine 8 knows only the latter.)
DPI_AWARENESS_CONTEXT PerMonitorAsReported()
{
    const DPI_AWARENESS_CONTEXT requested = IsValidDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)
                                                ? DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
                                                : DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE;
    const DPI_AWARENESS_CONTEXT previous = SetThreadDpiAwarenessContext(requested);
    const HWND probe = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const DPI_AWARENESS_CONTEXT reported = GetWindowDpiAwarenessContext(probe);
    DestroyWindow(probe);
    SetThreadDpiAwarenessContext(previous);
    return reported;
}

SIZE ClientSize(HWND window)
{
    RECT rect;
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

class LocalisedDialogTest : public ::testing::TestWithParam<UINT> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::RunsInAProgramLanguage(&language_));
        const auto dialog = program_.Dialog(IDD_SETTINGS, language_);
        ASSERT_TRUE(dialog) << "no template in this language";
        template_ = *dialog;
        test::SetDword(HKEY_CURRENT_USER, L"LockFn", 1);  // all boxes enabled
        location_.Set(test::RecorderPath());
        reported_ = PerMonitorAsReported();
        // Sizes of another process's windows in its own pixels, not scaled to this process's DPI.
        previousAwareness_ = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        ASSERT_TRUE(scale_.Set(REG_DWORD, &GetParam(), sizeof(UINT)));
        run_ = std::make_unique<test::HelpRun>();
        dialog_ = run_->dialog;
        ASSERT_TRUE(dialog_);
    }

    void TearDown() override
    {
        run_.reset();
        if (previousAwareness_)
            SetThreadDpiAwarenessContext(previousAwareness_);
    }

    test::CleanSettingsKeys clean_;
    test::RegisteredControlLocation location_;
    test::ResourceImage program_{test::ProgramPath()};
    test::DialogTemplate template_ = {};
    LANGID language_ = 0;
    DPI_AWARENESS_CONTEXT reported_ = nullptr;
    DPI_AWARENESS_CONTEXT previousAwareness_ = nullptr;
    // The display scale for programs started from now on.
    test::TemporaryValue scale_{HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels"};
    std::unique_ptr<test::HelpRun> run_;
    HWND dialog_ = nullptr;
};

TEST_P(LocalisedDialogTest, ShowsItsLanguageLaidOutForTheScale)
{
    const UINT dpi = GetParam();

    // The texts of the language's string table replace the template's; OK
    // and Cancel keep the template's.
    const std::pair<int, WORD> replaced[] = {{0, IDS_CAPTION}, {IDC_LOCK_FN, IDS_LOCK_FN},
                                             {IDC_NOTIFICATION_GROUP, IDS_NOTIFICATION_GROUP},
                                             {IDC_MAKE_SOUNDS, IDS_MAKE_SOUNDS}, {IDC_SHOW_ICON, IDS_SHOW_ICON},
                                             {IDC_HIDE_POPUP, IDS_HIDE_POPUP}};
    for (const auto& r : replaced) {
        const HWND window = r.first ? GetDlgItem(dialog_, r.first) : dialog_;
        EXPECT_EQ(program_.String(r.second, language_).value_or(L"<missing>"), test::WindowText(window))
            << "control " << r.first;
    }
    EXPECT_EQ(template_.controls[0].text, test::WindowText(GetDlgItem(dialog_, IDOK)));
    EXPECT_EQ(template_.controls[1].text, test::WindowText(GetDlgItem(dialog_, IDCANCEL)));

    // Per-monitor aware, with the caption and borders of a window at the
    // DPI. (Asked from another process, GetDpiForWindow answers with the
    // asker's DPI on Wine.)
    const DPI_AWARENESS_CONTEXT context = GetWindowDpiAwarenessContext(dialog_);
    ASSERT_TRUE(reported_) << "no window could be made to ask the platform";
    EXPECT_EQ(DPI_AWARENESS_PER_MONITOR_AWARE, GetAwarenessFromDpiAwarenessContext(context));
    EXPECT_TRUE(AreDpiAwarenessContextsEqual(reported_, context));
    RECT window;
    GetWindowRect(dialog_, &window);
    const SIZE client = ClientSize(dialog_);
    RECT expected = {0, 0, client.cx, client.cy};
    ASSERT_TRUE(AdjustWindowRectExForDpi(&expected, GetWindowLongW(dialog_, GWL_STYLE), FALSE,
                                         GetWindowLongW(dialog_, GWL_EXSTYLE), dpi));
    EXPECT_EQ(expected.right - expected.left, window.right - window.left);
    EXPECT_EQ(expected.bottom - expected.top, window.bottom - window.top);

    // Laid out in dialog units of its font at the DPI.
    const DialogFont font(template_, dpi);
    const SIZE units = font.BaseUnits();
    EXPECT_EQ(MulDiv(template_.cx, units.cx, 4), client.cx);
    EXPECT_EQ(MulDiv(template_.cy, units.cy, 8), client.cy);

    // Every text fits. A check box draws its mark in a square 13 pixels wide
    // at 96 DPI (the classic and the themed glyph; Wine draws 12 * DPI / 96 +
    // 1), scaled with the DPI, and starts its text after a gap: half a
    // digit's width on Wine, a few pixels on Windows. The larger of half a
    // digit and 4 pixels at 96 DPI stands for the gap. A group box's title
    // sits inside its frame, 7 pixels at 96 DPI from either side.
    const LONG gap = std::max<LONG>(font.Measure(L"0").cx / 2, MulDiv(4, dpi, 96));
    const LONG beside = MulDiv(13, dpi, 96) + gap;
    const LONG inset = 2 * MulDiv(7, dpi, 96);
    std::vector<std::pair<int, LONG>> room;  // control, pixels its text has
    for (int id : test::kOptionBoxes)
        room.emplace_back(id, ClientSize(GetDlgItem(dialog_, id)).cx - beside);
    room.emplace_back(IDC_NOTIFICATION_GROUP, ClientSize(GetDlgItem(dialog_, IDC_NOTIFICATION_GROUP)).cx - inset);
    for (const auto& control : room) {
        const HWND window = GetDlgItem(dialog_, control.first);
        const std::wstring text = test::WindowText(window);
        SCOPED_TRACE(testing::Message() << "control " << control.first << " at " << dpi << " DPI");
        ASSERT_FALSE(text.empty());
        const SIZE needed = font.Measure(text);
        EXPECT_LE(needed.cx, control.second) << "text width";
        EXPECT_LE(needed.cy, ClientSize(window).cy) << "text height";
    }

    // Help, asked for once per language: each box's popup asks for its
    // string, which the platform finds in the language's table.
    if (dpi == 96) {
        for (int id : test::kOptionBoxes)
            run_->AskForHelp(id);
    }
    const auto popups = test::CallsWithCommand(run_->EndWith(VK_ESCAPE, 2), HH_DISPLAY_TEXT_POPUP);
    ASSERT_EQ(dpi == 96 ? 4u : 0u, popups.size());
    for (size_t i = 0; i < popups.size(); ++i) {
        EXPECT_EQ(test::kHelpStrings[i], popups[i].Number("idString"));
        EXPECT_EQ(program_.String(test::kHelpStrings[i], language_).value_or(L"<missing>"), popups[i].Text("shown"));
    }
}

INSTANTIATE_TEST_SUITE_P(CommonScales, LocalisedDialogTest, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const testing::TestParamInfo<UINT>& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
