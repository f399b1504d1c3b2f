// The i686 product, opened as an image file: its compiled resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/Product.h"
#include "support/ProgramSession.h"
#include "support/ResourceImage.h"

namespace {

using test::kChinese, test::kEnglish, test::kJapanese;

// The English layout a user sees: OK, Cancel, the lock and its two
// companions inside the group, the hidden Help button, the popup box; in tab
// order. The other languages have the same, but for one wider box.
struct ExpectedControl {
    DWORD id;
    DWORD style;
    short x, y, cx, cy;
    const wchar_t* text;
};
const ExpectedControl kControls[] = {
    {IDOK, 0x50010001, 60, 90, 50, 14, L"OK"},
    {IDCANCEL, 0x50010000, 115, 90, 50, 14, L"Cancel"},
    {IDC_LOCK_FN, 0x50010003, 5, 5, 140, 15, L"&Use Fn key lock"},
    {IDC_MAKE_SOUNDS, 0x50010003, 15, 30, 140, 15, L"&Make sounds when Fn key is pressed"},
    {IDC_SHOW_ICON, 0x50010003, 15, 45, 140, 15, L"&Show status on screen"},
    {IDC_NOTIFICATION_GROUP, 0x50000007, 10, 20, 155, 45, L"Notification"},
    {IDHELP, 0x48010000, 5, 90, 50, 14, L"Help"},
    {IDC_HIDE_POPUP, 0x50010003, 5, 70, 140, 15, L"&Disable popup"},
};

// Each language's template: its form, size, font and caption, the box made
// wider than in English (inside its group box) for its text, and samples of
// its control texts (all of them in English).
struct TemplateForm {
    LANGID language;
    bool extended;
    short width;
    const wchar_t* font;
    const wchar_t* caption;
    DWORD widerBox;
    short widerBoxWidth;
    std::vector<std::pair<size_t, const wchar_t*>> texts;  // control index, text
};

class ProductImageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, product_.Module()) << "error " << GetLastError(); }

    test::ResourceImage product_{test::PathBesideTests(L"product\\HotkeySettings.exe")};
};

TEST_F(ProductImageTest, DialogHasItsLayoutInEachLanguage)
{
    const TemplateForm forms[] = {
        {kEnglish, false, 171, L"Tahoma", L"Hotkey Settings", 0, 0, {}},
        {kJapanese, true, 174, L"Tahoma", L"Hotkey設定", IDC_MAKE_SOUNDS, 145, {{1, L"キャンセル"}}},
        {kChinese, false, 171, L"SimSun", L"Hotkey Settings", 0, 0,
         {{0, L"确定"}, {7, L"关闭弹出式窗口(&D)"}}},  // the template keeps its mnemonic
    };
    for (const TemplateForm& form : forms) {
        SCOPED_TRACE(testing::Message() << "language " << std::hex << form.language);
        const auto dialog = product_.Dialog(IDD_SETTINGS, form.language);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(form.extended, dialog->extended);
        EXPECT_EQ(0u, dialog->helpId);
        EXPECT_EQ(0x80C828C0u, dialog->style);
        EXPECT_EQ(0u, dialog->exStyle);
        EXPECT_EQ(0, dialog->x);
        EXPECT_EQ(0, dialog->y);
        EXPECT_EQ(form.width, dialog->cx);
        EXPECT_EQ(113, dialog->cy);
        EXPECT_EQ(L"", dialog->menu);
        EXPECT_EQ(L"", dialog->windowClass);
        EXPECT_EQ(form.caption, dialog->caption);
        EXPECT_EQ(form.font, dialog->font);
        EXPECT_EQ(9, dialog->pointSize);
        EXPECT_EQ(0, dialog->weight);
        EXPECT_EQ(0, dialog->italic);
        EXPECT_EQ(0, dialog->charset);
        ASSERT_EQ(ARRAYSIZE(kControls), dialog->controls.size());
        for (size_t i = 0; i < ARRAYSIZE(kControls); ++i) {
            const test::DialogControl& actual = dialog->controls[i];
            const ExpectedControl& expected = kControls[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " id " << expected.id);
            EXPECT_EQ(expected.id, actual.id);
            EXPECT_EQ(L"Button", actual.windowClass);
            EXPECT_EQ(expected.style, actual.style);
            EXPECT_EQ(0u, actual.exStyle);
            EXPECT_EQ(expected.x, actual.x);
            EXPECT_EQ(expected.y, actual.y);
            EXPECT_EQ(actual.id == form.widerBox ? form.widerBoxWidth : expected.cx, actual.cx);
            EXPECT_EQ(expected.cy, actual.cy);
            if (form.language == kEnglish)
                EXPECT_EQ(expected.text, actual.text);
        }
        for (const auto& text : form.texts)
            EXPECT_EQ(text.second, dialog->controls[text.first].text) << "control " << text.first;
    }
    EXPECT_EQ(3u, product_.Languages(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS)).size()) << "no other language";
}

// Every language defines the same strings, and none of them string 3 (the
// text of the hidden Help button's box).
TEST_F(ProductImageTest, EveryLanguageHasStrings2And4To13AndNoString3)
{
    for (LANGID language : {kEnglish, kJapanese, kChinese}) {
        EXPECT_FALSE(product_.String(3, language)) << std::hex << language;
        for (WORD id = 4; id <= 13; ++id)
            EXPECT_TRUE(product_.String(id, language)) << std::hex << language << " string " << std::dec << id;
    }
}

// Samples, exact in each language: the UTF-8 sources were read as such.
TEST_F(ProductImageTest, StringSamplesAreExactInEachLanguage)
{
    const struct {
        LANGID language;
        WORD id;
        const wchar_t* text;
    } samples[] = {
        {kEnglish, 2, L"Hotkey Settings"},
        {kEnglish, 8, L"Notification"},
        {kEnglish, 9, L"&Make sounds when Fn key is pressed"},
        {kEnglish, 10, L"&Use Fn key lock"},
        {kEnglish, 11, L"&Show status on screen"},
        {kEnglish, 12, L"&Disable popup"},
        {kEnglish, 4, L"Turn on \"Fn key lock\", then once Fn key is pressed, it remain active until other key is pressed."},
        {kEnglish, 7, L"Disables all hotkey popup including Fn+F9(Battery)."},
        {kJapanese, 2, L"Hotkey設定"},
        {kJapanese, 7, L"このチェックボックスをオンにすると、\nHotkey押下時のポップアップを表示しないようにします"
                       L"\n\n※Fn+F9(バッテリー残量)も表示されなくなります"},
        {kJapanese, 10, L"Fnキーをロックする(&U)"},
        {kChinese, 2, L"热键的设定"},
        {kChinese, 7, L"启动这个选项时，\n按压Hotkey时弹出式窗口将不显示。\nFn+F9(电池容量)也将不显示。 \n"},
        {kChinese, 12, L"关闭弹出式窗口"},
        {kEnglish, 13, L"The settings could not be saved."},
        {kJapanese, 13, L"設定を保存できませんでした。"},
        {kChinese, 13, L"无法保存设置。"},
    };
    for (const auto& sample : samples)
        EXPECT_EQ(sample.text, product_.String(sample.id, sample.language).value_or(L"<missing>"))
            << std::hex << sample.language << " string " << std::dec << sample.id;
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

TEST_F(ProductImageTest, IconGroupHasNineImagesOfThreeSizesAndDepths)
{
    const auto group = product_.Find(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP), kJapanese);
    ASSERT_TRUE(group);
    ASSERT_GE(group->size(), 6u);
    WORD header[3];
    memcpy(header, group->data(), sizeof(header));
    EXPECT_EQ(1, header[1]) << "an icon, not a cursor";
    ASSERT_EQ(9, header[2]);
    ASSERT_EQ(6 + 9 * sizeof(IconGroupEntry), group->size());

    std::vector<std::pair<int, int>> found;  // size, bits per pixel, from the images themselves
    for (int i = 0; i < 9; ++i) {
        IconGroupEntry entry;
        memcpy(&entry, group->data() + 6 + i * sizeof(entry), sizeof(entry));
        const auto image = product_.Find(RT_ICON, MAKEINTRESOURCEW(entry.id), kJapanese);
        ASSERT_TRUE(image) << "image " << entry.id;
        ASSERT_GE(image->size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER bitmap;
        memcpy(&bitmap, image->data(), sizeof(bitmap));
        EXPECT_EQ(entry.width, bitmap.biWidth);
        EXPECT_EQ(2 * bitmap.biWidth, bitmap.biHeight) << "colour and mask";
        EXPECT_EQ(entry.bitCount, bitmap.biBitCount);
        EXPECT_EQ(entry.bytesInResource, image->size());
        found.emplace_back(bitmap.biWidth, bitmap.biBitCount);
    }
    for (int size : {16, 32, 48})
        for (int bits : {4, 8, 32})
            EXPECT_EQ(1, std::count(found.begin(), found.end(), std::make_pair(size, bits)))
                << size << " pixels at " << bits << " bits";
}

// The embedded manifest is the file the build configured, which
// check-manifest.py checks element by element.
TEST_F(ProductImageTest, EmbedsTheConfiguredManifest)
{
    const auto languages = product_.Languages(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_EQ(1u, languages.size());
    const auto manifest = product_.Find(RT_MANIFEST, MAKEINTRESOURCEW(1), languages[0]);
    ASSERT_TRUE(manifest);
    std::ifstream file(test::PathBesideTests(L"product\\HotkeySettings.manifest").c_str(), std::ios::binary);
    const std::vector<BYTE> configured{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(configured, *manifest);
}

TEST_F(ProductImageTest, VersionBlockHasItsFixedAndStringFields)
{
    const std::wstring path = test::PathBesideTests(L"product\\HotkeySettings.exe");
    DWORD ignored;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

    VS_FIXEDFILEINFO* fixed;
    UINT length;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const WORD version[4] = {HOTKEY_VERSION_NUMBERS};
    EXPECT_EQ(MAKELONG(version[1], version[0]), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(version[3], version[2]), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(0x40004u, fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    WORD* translation;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length) << "one translation entry";
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0, translation[1]);

    const std::string versionString = HOTKEY_VERSION_STRING;
    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"FileDescription", L"Hotkey Settings"},
        {L"FileVersion", std::wstring(versionString.begin(), versionString.end())},
        {L"ProductVersion", std::wstring(versionString.begin(), versionString.end())},
        {L"CompanyName", L"Quillmere"},
        {L"OriginalFilename", L"HotkeySettings.exe"},
    };
    for (const auto& s : strings) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\04090000\\") + s.first;
        const bool found = VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length);
        EXPECT_EQ(s.second, found && value ? std::wstring(value) : L"<missing>") << s.first;
    }
}

// The identifiers by which the system meets the world, as the product's
// headers define them: dialog, icon and control ids, and how the hotkey
// manager is found and told. Every other test takes them from these headers.
TEST(ProductContract, IdentifiersAndManagerAreTheFixedOnes)
{
    const std::pair<int, int> ids[] = {{159, IDD_SETTINGS},   {104, IDI_APP},          {1000, IDC_NOTIFICATION_GROUP},
                                       {1075, IDC_LOCK_FN},    {1076, IDC_MAKE_SOUNDS}, {1077, IDC_SHOW_ICON},
                                       {1078, IDC_HIDE_POPUP}, {2, IDS_CAPTION},        {4, IDS_HELP_LOCK_FN}};
    for (const auto& id : ids)
        EXPECT_EQ(id.first, id.second);
    EXPECT_EQ(std::wstring(L"HotKey"), kHotkeyManagerClass);
    EXPECT_EQ(std::wstring(L"Quillmere HotKey Manager"), kHotkeyManagerTitle);
    EXPECT_EQ(0x80CCu, kSettingsChangedMessage);
}

}  // namespace
