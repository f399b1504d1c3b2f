// Reads resources of a built executable opened as an image file, without
// running it: dialog templates (classic and extended) and string tables.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace test {

// The program's three user interface languages.
inline constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
inline constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
inline constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

// The user interface language of this test run (CTest sets LANG per run), or
// a test failure when it is none of the program's three.
inline ::testing::AssertionResult RunsInAProgramLanguage(LANGID* language)
{
    *language = GetUserDefaultUILanguage();
    if (*language == kEnglish || *language == kJapanese || *language == kChinese)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "run under LANG=C.UTF-8, ja_JP.UTF-8 or zh_CN.UTF-8, not "
                                         << std::hex << *language;
}

struct DialogControl {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::wstring windowClass;  // predefined classes by name ("Button")
    std::wstring text;
};

struct DialogTemplate {
    bool extended;
    DWORD helpId;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::wstring menu, windowClass, caption;
    WORD pointSize;
    WORD weight;
    BYTE italic, charset;
    std::wstring font;
    std::vector<DialogControl> controls;
};

// An executable mapped as an image resource file; unmapped on destruction.
class ResourceImage {
public:
    explicit ResourceImage(const std::wstring& path);
    ~ResourceImage();
    ResourceImage(const ResourceImage&) = delete;
    ResourceImage& operator=(const ResourceImage&) = delete;

    HMODULE Module() const { return module_; }

    // Raw bytes of one resource in exactly the given language.
    std::optional<std::vector<BYTE>> Find(LPCWSTR type, LPCWSTR name, LANGID language) const;
    std::optional<DialogTemplate> Dialog(WORD id, LANGID language) const;
    // A string of the table in the given language; nothing if it is not defined.
    std::optional<std::wstring> String(WORD id, LANGID language) const;
    // Languages in which the resource exists.
    std::vector<LANGID> Languages(LPCWSTR type, LPCWSTR name) const;

private:
    HMODULE module_;
};

// Parses a dialog template; nothing if it is malformed.
std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes);

}  // namespace test
