#include "ResourceImage.h"

namespace test {

ResourceImage::ResourceImage(const std::wstring& path)
    : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
{
}

ResourceImage::~ResourceImage() { if (module_) FreeLibrary(module_); }

std::optional<std::vector<BYTE>> ResourceImage::Find(LPCWSTR type, LPCWSTR name, LANGID language) const
{
    const HRSRC resource = FindResourceExW(module_, type, name, language);
    if (!resource)
        return std::nullopt;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, resource)));
    if (!data)
        return std::nullopt;
    return std::vector<BYTE>(data, data + SizeofResource(module_, resource));
}

std::optional<DialogTemplate> ResourceImage::Dialog(WORD id, LANGID language) const
{
    const auto bytes = Find(RT_DIALOG, MAKEINTRESOURCEW(id), language);
    return bytes ? ParseDialogTemplate(*bytes) : std::nullopt;
}

std::optional<std::wstring> ResourceImage::String(WORD id, LANGID language) const
{
    // Strings are stored in blocks of 16, each a length followed by UTF-16 units.
    const auto block = Find(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!block)
        return std::nullopt;
    size_t offset = 0;
    for (int index = 0; index < 16; ++index) {
        if (offset + 2 > block->size())
            return std::nullopt;
        WORD length;
        memcpy(&length, block->data() + offset, 2);
        offset += 2;
        if (offset + length * 2u > block->size())
            return std::nullopt;
        if (index == id % 16) {
            if (length == 0)
                return std::nullopt;
            std::wstring text(length, L'\0');
            memcpy(&text[0], block->data() + offset, length * 2u);
            return text;
        }
        offset += length * 2u;
    }
    return std::nullopt;
}

static BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
    return TRUE;
}

std::vector<LANGID> ResourceImage::Languages(LPCWSTR type, LPCWSTR name) const
{
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(module_, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

namespace {

// Sequential reader with bounds checks; any overrun marks the reader as failed.
class Reader {
public:
    explicit Reader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}

    template <typename T>
    T Read()
    {
        T value = {};
        if (offset_ + sizeof(T) > bytes_.size()) {
            failed_ = true;
            return value;
        }
        memcpy(&value, bytes_.data() + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (WORD unit = Read<WORD>(); unit && !failed_; unit = Read<WORD>())
            text += static_cast<wchar_t>(unit);
        return text;
    }

    // A name or an ordinal: 0 none, 0xFFFF followed by an ordinal, else a string.
    std::wstring ReadNameOrOrdinal()
    {
        const size_t start = offset_;
        const WORD first = Read<WORD>();
        if (first == 0)
            return std::wstring();
        if (first == 0xFFFF) {  // the one predefined class the dialog uses by name, others by number
            const WORD ordinal = Read<WORD>();
            return ordinal == 0x80 ? L"Button" : L"#" + std::to_wstring(ordinal);
        }
        offset_ = start;
        return ReadString();
    }

    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t(3); }
    void Skip(size_t count) { offset_ += count; }
    bool Failed() const { return failed_ || offset_ > bytes_.size(); }

private:
    const std::vector<BYTE>& bytes_;
    size_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes)
{
    Reader reader(bytes);
    DialogTemplate dialog = {};
    const WORD version = reader.Read<WORD>();
    const WORD signature = reader.Read<WORD>();
    dialog.extended = version == 1 && signature == 0xFFFF;
    WORD count;
    if (dialog.extended) {
        dialog.helpId = reader.Read<DWORD>();
        dialog.exStyle = reader.Read<DWORD>();
        dialog.style = reader.Read<DWORD>();
    } else {
        dialog.style = MAKELONG(version, signature);
        dialog.exStyle = reader.Read<DWORD>();
    }
    count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    dialog.menu = reader.ReadNameOrOrdinal();
    dialog.windowClass = reader.ReadNameOrOrdinal();
    dialog.caption = reader.ReadString();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Read<WORD>();
        if (dialog.extended) {
            dialog.weight = reader.Read<WORD>();
            dialog.italic = reader.Read<BYTE>();
            dialog.charset = reader.Read<BYTE>();
        }
        dialog.font = reader.ReadString();
    }

    for (WORD i = 0; i < count && !reader.Failed(); ++i) {
        reader.AlignToDword();
        DialogControl control = {};
        if (dialog.extended) {
            reader.Read<DWORD>();  // help ID
            control.exStyle = reader.Read<DWORD>();
            control.style = reader.Read<DWORD>();
        } else {
            control.style = reader.Read<DWORD>();
            control.exStyle = reader.Read<DWORD>();
        }
        control.x = reader.Read<short>();
        control.y = reader.Read<short>();
        control.cx = reader.Read<short>();
        control.cy = reader.Read<short>();
        control.id = dialog.extended ? reader.Read<DWORD>() : reader.Read<WORD>();
        control.windowClass = reader.ReadNameOrOrdinal();
        control.text = reader.ReadNameOrOrdinal();
        reader.Skip(reader.Read<WORD>());  // creation data
        dialog.controls.push_back(control);
    }
    if (reader.Failed())
        return std::nullopt;
    return dialog;
}

}  // namespace test
