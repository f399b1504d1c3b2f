// The dialog at the common display scales (100, 125, 150 and 200 per cent) in
// the user interface language this test runs in (CTest runs it once per
// language with LANG set): it runs DPI-aware, is laid out for the DPI, and
// every check box's and the group box's text fits beside its check mark.
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

#include "support/ProgramSession.h"
#include "support/ResourceImage.h"

namespace {

using test::kChinese;
using test::kEnglish;
using test::kJapanese;

const int kGroupBox = 1000;
const int kCheckBoxes[] = {1075, 1076, 1077, 1078};

// Sets the display scale for programs started from now on and puts the
// previous setting back on destruction.
class DisplayScale {
public:
    explicit DisplayScale(DWORD dpi)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof(previous_);
        hadValue_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                     &size) == ERROR_SUCCESS;
        set_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi)) ==
               ERROR_SUCCESS;
    }
    ~DisplayScale()
    {
        if (hadValue_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof(previous_));
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }
    DisplayScale(const DisplayScale&) = delete;
    DisplayScale& operator=(const DisplayScale&) = delete;
    bool IsSet() const { return set_; }

private:
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool hadValue_ = false;
    bool set_ = false;
};

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

class DpiDialogTest : public ::testing::TestWithParam<UINT> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::RunsInAProgramLanguage(&language_));
        const auto dialog = program_.Dialog(159, language_);
        ASSERT_TRUE(dialog) << "no template in this language";
        template_ = *dialog;
        // Sizes of another process's windows in its own pixels, not scaled to this process's DPI.
        previousAwareness_ = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        scale_.reset(new DisplayScale(GetParam()));
        ASSERT_TRUE(scale_->IsSet());
        dialog_ = session_.OpenDialog();
        ASSERT_TRUE(dialog_);
    }

    void TearDown() override
    {
        if (dialog_ && session_.IsRunning()) {
            PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
            DWORD exitCode = 0;
            EXPECT_TRUE(session_.WaitForExit(10000, &exitCode));
        }
        scale_.reset();
        if (previousAwareness_)
            SetThreadDpiAwarenessContext(previousAwareness_);
    }

    SIZE ClientSize(HWND window) const
    {
        RECT rect;
        GetClientRect(window, &rect);
        return {rect.right, rect.bottom};
    }

    test::ResourceImage program_{test::ProgramPath()};
    test::DialogTemplate template_ = {};
    LANGID language_ = 0;
    DPI_AWARENESS_CONTEXT previousAwareness_ = nullptr;
    std::unique_ptr<DisplayScale> scale_;
    test::ProgramSession session_;
    HWND dialog_ = nullptr;
};

// The context the platform reports for a window of this process made under
// the context the program's manifest asks for: per-monitor V2 where the
// platform accepts it, else per-monitor. Windows reports V2; Wine 8 refuses V2;
// Wine 10 accepts it but reports every per-monitor window as plain
// per-monitor, its own as well as the program's.
DPI_AWARENESS_CONTEXT ReportedForAPerMonitorWindow()
{
    const DPI_AWARENESS_CONTEXT requested = IsValidDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)
                                                ? DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
                                                : DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE;
    const DPI_AWARENESS_CONTEXT previous = SetThreadDpiAwarenessContext(requested);
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    const DPI_AWARENESS_CONTEXT reported = window ? GetWindowDpiAwarenessContext(window) : nullptr;
    if (window)
        DestroyWindow(window);
    SetThreadDpiAwarenessContext(previous);
    return reported;
}

TEST_P(DpiDialogTest, RunsPerMonitorAwareWithItsFrameForTheDpi)
{
    const DPI_AWARENESS_CONTEXT context = GetWindowDpiAwarenessContext(dialog_);
    const DPI_AWARENESS_CONTEXT platform = ReportedForAPerMonitorWindow();
    ASSERT_TRUE(platform) << "no window could be made to ask the platform";
    EXPECT_EQ(DPI_AWARENESS_PER_MONITOR_AWARE, GetAwarenessFromDpiAwarenessContext(context));
    EXPECT_TRUE(AreDpiAwarenessContextsEqual(context, platform))
        << "the dialog's context differs from a per-monitor window's on this platform";

    // The caption and borders are those of a window at the DPI. (Asked from
    // another process, GetDpiForWindow answers with the asker's DPI on Wine.)
    RECT window;
    GetWindowRect(dialog_, &window);
    const SIZE client = ClientSize(dialog_);
    RECT expected = {0, 0, client.cx, client.cy};
    ASSERT_TRUE(AdjustWindowRectExForDpi(&expected, GetWindowLongW(dialog_, GWL_STYLE), FALSE,
                                         GetWindowLongW(dialog_, GWL_EXSTYLE), GetParam()));
    EXPECT_EQ(expected.right - expected.left, window.right - window.left);
    EXPECT_EQ(expected.bottom - expected.top, window.bottom - window.top);
}

TEST_P(DpiDialogTest, LaysOutInDialogUnitsOfItsFontAtTheDpi)
{
    const UINT dpi = GetParam();
    const SIZE units = DialogFont(template_, dpi).BaseUnits();
    const SIZE client = ClientSize(dialog_);
    EXPECT_EQ(MulDiv(template_.cx, units.cx, 4), client.cx);
    EXPECT_EQ(MulDiv(template_.cy, units.cy, 8), client.cy);

    // The size grows with the DPI: it is the 96-DPI size scaled, give or take
    // the rounding of the base units (half a pixel per 4 or 8 dialog units at
    // each of the two DPIs) and of the conversion itself.
    const SIZE units96 = DialogFont(template_, 96).BaseUnits();
    const double scale = dpi / 96.0;
    const double slackX = template_.cx / 4.0 * (1 + scale) / 2 + 1;
    const double slackY = template_.cy / 8.0 * (1 + scale) / 2 + 1;
    EXPECT_NEAR(MulDiv(template_.cx, units96.cx, 4) * scale, client.cx, slackX);
    EXPECT_NEAR(MulDiv(template_.cy, units96.cy, 8) * scale, client.cy, slackY);
}

TEST_P(DpiDialogTest, EveryTextFitsBesideItsCheckMark)
{
    const UINT dpi = GetParam();
    const DialogFont font(template_, dpi);
    // A check box draws its mark in a square 13 pixels wide at 96 DPI (the
    // classic and the themed glyph; Wine draws 12 * DPI / 96 + 1), scaled
    // with the DPI, and starts its text after a gap: half a digit's width on
    // Wine, a few pixels on Windows. The larger of half a digit and 4 pixels
    // at 96 DPI stands for the gap.
    const LONG gap = std::max<LONG>(font.Measure(L"0").cx / 2, MulDiv(4, dpi, 96));
    const LONG beside = MulDiv(13, dpi, 96) + gap;
    // A group box's title sits inside its frame, 7 pixels at 96 DPI from either side.
    const LONG inset = 2 * MulDiv(7, dpi, 96);

    std::vector<std::pair<int, LONG>> room;  // control, pixels its text has
    for (int id : kCheckBoxes)
        room.emplace_back(id, ClientSize(GetDlgItem(dialog_, id)).cx - beside);
    room.emplace_back(kGroupBox, ClientSize(GetDlgItem(dialog_, kGroupBox)).cx - inset);

    for (const auto& control : room) {
        const HWND window = GetDlgItem(dialog_, control.first);
        const std::wstring text = test::WindowText(window);
        SCOPED_TRACE(testing::Message() << "control " << control.first << " at " << dpi << " DPI");
        ASSERT_FALSE(text.empty());
        const SIZE needed = font.Measure(text);
        EXPECT_LE(needed.cx, control.second) << "text width";
        EXPECT_LE(needed.cy, ClientSize(window).cy) << "text height";
    }
}

INSTANTIATE_TEST_SUITE_P(CommonScales, DpiDialogTest, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const testing::TestParamInfo<UINT>& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
