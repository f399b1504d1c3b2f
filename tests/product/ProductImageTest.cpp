// The i686 product, opened as an image file: its compiled resources.
#include <gtest/gtest.h>

#include "support/ProgramSession.h"
#include "support/ResourceImage.h"

namespace {

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct ExpectedControl {
    DWORD id;
    DWORD style;
    short x, y, cx, cy;
    const wchar_t* text;
};

// The layout a user sees: OK, Cancel, the lock and its two companions inside
// the group, the hidden Help button, the popup box; in tab order.
const ExpectedControl kControls[] = {
    {IDOK, 0x50010001, 60, 90, 50, 14, L"OK"},
    {IDCANCEL, 0x50010000, 115, 90, 50, 14, L"Cancel"},
    {1075, 0x50010003, 5, 5, 140, 15, L"&Use Fn key lock"},
    {1076, 0x50010003, 15, 30, 140, 15, L"&Make sounds when Fn key is pressed"},
    {1077, 0x50010003, 15, 45, 140, 15, L"&Show status on screen"},
    {1000, 0x50000007, 10, 20, 155, 45, L"Notification"},
    {IDHELP, 0x48010000, 5, 90, 50, 14, L"Help"},
    {1078, 0x50010003, 5, 70, 140, 15, L"&Disable popup"},
};

class ProductImageTest : public ::testing::Test {
protected:
    test::ResourceImage product_{test::PathBesideTests(L"product\\HotkeySettings.exe")};
};

TEST_F(ProductImageTest, OpensAsImageFile)
{
    ASSERT_NE(nullptr, product_.Module()) << "error " << GetLastError();
}

TEST_F(ProductImageTest, EnglishDialogHasItsFormSizeFontAndControls)
{
    const auto dialog = product_.Dialog(159, kEnglish);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->extended);
    EXPECT_EQ(0x80C828C0u, dialog->style);
    EXPECT_EQ(0u, dialog->exStyle);
    EXPECT_EQ(0, dialog->x);
    EXPECT_EQ(0, dialog->y);
    EXPECT_EQ(171, dialog->cx);
    EXPECT_EQ(113, dialog->cy);
    EXPECT_EQ(L"", dialog->menu);
    EXPECT_EQ(L"", dialog->windowClass);
    EXPECT_EQ(L"Hotkey Settings", dialog->caption);
    EXPECT_EQ(L"Tahoma", dialog->font);
    EXPECT_EQ(9, dialog->pointSize);

    ASSERT_EQ(ARRAYSIZE(kControls), dialog->controls.size());
    for (size_t i = 0; i < dialog->controls.size(); ++i) {
        const test::DialogControl& actual = dialog->controls[i];
        const ExpectedControl& expected = kControls[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << expected.id);
        EXPECT_EQ(expected.id, actual.id);
        EXPECT_EQ(L"Button", actual.windowClass);
        EXPECT_EQ(expected.style, actual.style);
        EXPECT_EQ(0u, actual.exStyle);
        EXPECT_EQ(expected.x, actual.x);
        EXPECT_EQ(expected.y, actual.y);
        EXPECT_EQ(expected.cx, actual.cx);
        EXPECT_EQ(expected.cy, actual.cy);
        EXPECT_EQ(expected.text, actual.text);
    }
}

TEST_F(ProductImageTest, EnglishStringTableHasTheDialogTextsAndNoString3)
{
    const std::pair<WORD, const wchar_t*> strings[] = {
        {2, L"Hotkey Settings"},
        {8, L"Notification"},
        {9, L"&Make sounds when Fn key is pressed"},
        {10, L"&Use Fn key lock"},
        {11, L"&Show status on screen"},
        {12, L"&Disable popup"},
    };
    for (const auto& s : strings)
        EXPECT_EQ(s.second, product_.String(s.first, kEnglish).value_or(L"<missing>")) << s.first;
    EXPECT_FALSE(product_.String(3, kEnglish));
}

}  // namespace
