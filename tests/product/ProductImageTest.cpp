// The i686 product, opened as an image file: its compiled resources.
#include <gtest/gtest.h>

#include <msxml2.h>

#include <algorithm>

#include "support/Product.h"
#include "support/ProgramSession.h"
#include "support/ResourceImage.h"

namespace {

using test::kChinese;
using test::kEnglish;
using test::kJapanese;
const LANGID kLanguages[] = {kEnglish, kJapanese, kChinese};

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
    {IDC_LOCK_FN, 0x50010003, 5, 5, 140, 15, L"&Use Fn key lock"},
    {IDC_MAKE_SOUNDS, 0x50010003, 15, 30, 140, 15, L"&Make sounds when Fn key is pressed"},
    {IDC_SHOW_ICON, 0x50010003, 15, 45, 140, 15, L"&Show status on screen"},
    {IDC_NOTIFICATION_GROUP, 0x50000007, 10, 20, 155, 45, L"Notification"},
    {IDHELP, 0x48010000, 5, 90, 50, 14, L"Help"},
    {IDC_HIDE_POPUP, 0x50010003, 5, 70, 140, 15, L"&Disable popup"},
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
    const auto dialog = product_.Dialog(IDD_SETTINGS, kEnglish);
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

// The form, size and font each language's template must have, and the one
// check box made wider than in English (inside its group box) for its text.
struct TemplateForm {
    LANGID language;
    bool extended;
    short width;
    const wchar_t* font;
    DWORD widerBox;
    short widerBoxWidth;
};

TEST_F(ProductImageTest, DialogExistsInEachLanguageWithTheEnglishLayout)
{
    const auto english = product_.Dialog(IDD_SETTINGS, kEnglish);
    ASSERT_TRUE(english);
    const TemplateForm forms[] = {
        {kJapanese, true, 174, L"Tahoma", IDC_MAKE_SOUNDS, 145},
        {kChinese, false, 171, L"SimSun", 0, 0},
    };
    for (const TemplateForm& form : forms) {
        SCOPED_TRACE(testing::Message() << "language " << std::hex << form.language);
        const auto dialog = product_.Dialog(IDD_SETTINGS, form.language);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(form.extended, dialog->extended);
        EXPECT_EQ(0u, dialog->helpId);
        EXPECT_EQ(english->style, dialog->style);
        EXPECT_EQ(0u, dialog->exStyle);
        EXPECT_EQ(form.width, dialog->cx);
        EXPECT_EQ(113, dialog->cy);
        EXPECT_EQ(form.font, dialog->font);
        EXPECT_EQ(9, dialog->pointSize);
        EXPECT_EQ(0, dialog->weight);
        EXPECT_EQ(0, dialog->italic);
        EXPECT_EQ(0, dialog->charset);

        ASSERT_EQ(english->controls.size(), dialog->controls.size());
        for (size_t i = 0; i < dialog->controls.size(); ++i) {
            const test::DialogControl& a = english->controls[i];
            const test::DialogControl& b = dialog->controls[i];
            SCOPED_TRACE(testing::Message() << "control " << i);
            EXPECT_EQ(a.id, b.id);
            EXPECT_EQ(a.windowClass, b.windowClass);
            EXPECT_EQ(a.style, b.style);
            EXPECT_EQ(a.exStyle, b.exStyle);
            EXPECT_EQ(a.x, b.x);
            EXPECT_EQ(a.y, b.y);
            EXPECT_EQ(b.id == form.widerBox ? form.widerBoxWidth : a.cx, b.cx);
            EXPECT_EQ(a.cy, b.cy);
        }
    }
    EXPECT_EQ(3u, product_.Languages(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS)).size()) << "no other language";
}

TEST_F(ProductImageTest, TemplateTextsSurviveCompilation)
{
    const auto japanese = product_.Dialog(IDD_SETTINGS, kJapanese);
    const auto chinese = product_.Dialog(IDD_SETTINGS, kChinese);
    ASSERT_TRUE(japanese && chinese);
    EXPECT_EQ(L"Hotkey設定", japanese->caption);
    EXPECT_EQ(L"キャンセル", japanese->controls[1].text);
    EXPECT_EQ(L"Hotkey Settings", chinese->caption);
    EXPECT_EQ(L"确定", chinese->controls[0].text);
    EXPECT_EQ(L"关闭弹出式窗口(&D)", chinese->controls[7].text) << "the template keeps its mnemonic";
}

// True if every character is ASCII or from the Japanese and Chinese blocks:
// text decoded with the wrong code page turns into Latin-1 and other letters.
bool IsCleanCjkText(const std::wstring& text)
{
    for (wchar_t c : text) {
        const bool ascii = c >= 0x20 && c < 0x7F;
        const bool lineFeed = c == L'\n';
        const bool cjk = (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
                         (c >= 0xFF00 && c <= 0xFFEF && c != 0xFFFD) || c == 0x203B;  // ※
        if (!ascii && !lineFeed && !cjk)
            return false;
    }
    return true;
}

TEST_F(ProductImageTest, EveryLanguageHasStrings2And4To13AndNoString3)
{
    for (LANGID language : kLanguages) {
        SCOPED_TRACE(testing::Message() << "language " << std::hex << language);
        EXPECT_FALSE(product_.String(3, language));
        for (WORD id = 2; id <= 13; ++id) {
            if (id == 3)
                continue;
            const auto text = product_.String(id, language);
            ASSERT_TRUE(text) << "string " << id;
            EXPECT_TRUE(IsCleanCjkText(*text)) << "string " << id;
        }
    }
}

TEST_F(ProductImageTest, StringSamplesAreExactInEachLanguage)
{
    const struct {
        LANGID language;
        WORD id;
        const wchar_t* text;
    } samples[] = {
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

// A manifest parsed by the platform's XML parser (MSXML 6), queried with XPath
// in which each prefix stands for one of the namespaces manifests use, so that
// an element is found only under its parents and in its namespace.
class ManifestDocument {
public:
    explicit ManifestDocument(const std::vector<BYTE>& utf8)
    {
        initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        CLSID clsid;
        // IXMLDOMDocument2, declared by msxml2.h but in no import library.
        const IID documentInterface = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
        if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, documentInterface,
                                    reinterpret_cast<void**>(&document_))))
            return;
        std::wstring text(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(utf8.data()),
                                              static_cast<int>(utf8.size()), nullptr, 0), L'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(utf8.data()),
                            static_cast<int>(utf8.size()), &text[0], static_cast<int>(text.size()));
        VARIANT_BOOL parsed = VARIANT_FALSE;
        const BSTR source = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        document_->put_async(VARIANT_FALSE);
        loaded_ = SUCCEEDED(document_->loadXML(source, &parsed)) && parsed == VARIANT_TRUE &&
                  SetProperty(L"SelectionLanguage", L"XPath") &&
                  SetProperty(L"SelectionNamespaces",
                              L"xmlns:asm='urn:schemas-microsoft-com:asm.v1' "
                              L"xmlns:asm3='urn:schemas-microsoft-com:asm.v3' "
                              L"xmlns:ws2005='http://schemas.microsoft.com/SMI/2005/WindowsSettings' "
                              L"xmlns:ws2016='http://schemas.microsoft.com/SMI/2016/WindowsSettings' "
                              L"xmlns:compat='urn:schemas-microsoft-com:compatibility.v1'");
        SysFreeString(source);
    }
    ~ManifestDocument()
    {
        if (document_)
            document_->Release();
        if (initialised_)
            CoUninitialize();
    }
    ManifestDocument(const ManifestDocument&) = delete;
    ManifestDocument& operator=(const ManifestDocument&) = delete;

    bool Loaded() const { return loaded_; }

    // Texts (attribute values) of every node the path selects, in document order.
    std::vector<std::wstring> Select(const wchar_t* path) const
    {
        std::vector<std::wstring> texts;
        IXMLDOMNodeList* nodes = nullptr;
        const BSTR query = SysAllocString(path);
        if (SUCCEEDED(document_->selectNodes(query, &nodes)) && nodes) {
            long count = 0;
            nodes->get_length(&count);
            for (long i = 0; i < count; ++i) {
                IXMLDOMNode* node = nullptr;
                BSTR text = nullptr;
                if (SUCCEEDED(nodes->get_item(i, &node)) && node && SUCCEEDED(node->get_text(&text)))
                    texts.emplace_back(text ? text : L"");
                SysFreeString(text);
                if (node)
                    node->Release();
            }
            nodes->Release();
        }
        SysFreeString(query);
        return texts;
    }

private:
    bool SetProperty(const wchar_t* name, const wchar_t* value)
    {
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = VT_BSTR;
        variant.bstrVal = SysAllocString(value);
        const BSTR property = SysAllocString(name);
        const bool set = SUCCEEDED(document_->setProperty(property, variant));
        SysFreeString(property);
        VariantClear(&variant);
        return set;
    }

    bool initialised_ = false;
    bool loaded_ = false;
    IXMLDOMDocument2* document_ = nullptr;
};

TEST_F(ProductImageTest, ManifestDeclaresItsIdentityControlsRightsDpiAwarenessAndSystems)
{
    const auto languages = product_.Languages(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_EQ(1u, languages.size());
    const auto manifest = product_.Find(RT_MANIFEST, MAKEINTRESOURCEW(1), languages[0]);
    ASSERT_TRUE(manifest);
    const ManifestDocument document(*manifest);
    ASSERT_TRUE(document.Loaded()) << "well-formed UTF-8 XML";

    // Each path selects exactly one node, with this text.
    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"/asm:assembly/@manifestVersion", L"1.0"},
        {L"/asm:assembly/asm:assemblyIdentity/@type", L"win32"},
        {L"/asm:assembly/asm:assemblyIdentity/@name", L"Quillmere.HotkeySettings"},
        {L"/asm:assembly/asm:assemblyIdentity/@version", L"1.0.0.0"},
        {L"/asm:assembly/asm:assemblyIdentity/@processorArchitecture", L"X86"},
        {L"/asm:assembly/asm:description", L"Hotkey Settings"},
        // Common controls 6, for visual styles.
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@type", L"win32"},
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@name",
         L"Microsoft.Windows.Common-Controls"},
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@version", L"6.0.0.0"},
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@processorArchitecture", L"X86"},
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@publicKeyToken",
         L"6595b64144ccf1df"},
        {L"/asm:assembly/asm:dependency/asm:dependentAssembly/asm:assemblyIdentity/@language", L"*"},
        // The rights of the user who starts it.
        {L"/asm:assembly/asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel/@level",
         L"asInvoker"},
        {L"/asm:assembly/asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel/@uiAccess",
         L"false"},
        // Per-monitor awareness, version 2 where the platform has it; before
        // Windows 10 1607 the older element: per monitor on 8.1, system on 7.
        {L"/asm:assembly/asm3:application/asm3:windowsSettings/ws2016:dpiAwareness", L"PerMonitorV2, PerMonitor"},
        {L"/asm:assembly/asm3:application/asm3:windowsSettings/ws2005:dpiAware", L"true/pm"},
    };
    for (const auto& value : values)
        EXPECT_EQ(std::vector<std::wstring>{value.second}, document.Select(value.first)) << value.first;

    // Windows 7, 8, 8.1 and 10/11, in this order.
    EXPECT_EQ((std::vector<std::wstring>{L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                         L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                         L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                         L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}),
              document.Select(L"/asm:assembly/compat:compatibility/compat:application/compat:supportedOS/@Id"));
    EXPECT_EQ(1u, document.Select(L"/asm:assembly/asm3:application").size());
    EXPECT_EQ(1u, document.Select(L"/asm:assembly/compat:compatibility").size());
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
