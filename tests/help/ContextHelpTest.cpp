// Context help end to end: the program started with a recording stand-in
// registered as the HTML Help control, help asked for with F1 as a person would.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/HelpRecorder.h"
#include "support/Product.h"
#include "support/TestRegistry.h"

namespace {

using namespace test;

class ContextHelpTest : public ::testing::Test {
protected:
    void SetUp() override { test::SetDword(HKEY_CURRENT_USER, L"LockFn", 1); }  // all boxes enabled

    test::CleanSettingsKeys clean_;
    RegisteredControlLocation location_;
};

// Over the dialog's life: the engine starts once the dialog is shown and
// painted, F1 on a box shows its help just below the mouse pointer (OK and
// Cancel have none), and OK or Cancel closes the engine with its cookie.
TEST_F(ContextHelpTest, F1ShowsTheBoxHelpBelowThePointerBetweenTheEnginesStartAndClose)
{
    location_.Set(RecorderPath());
    const std::pair<WORD, DWORD> endings[] = {{VK_RETURN, 1}, {VK_ESCAPE, 2}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.second);
        HelpRun run;
        ASSERT_TRUE(run.dialog);
        EXPECT_TRUE(run.WaitForEngineStart());
        if (ending.second == 1) {
            for (int id : {IDCANCEL, IDC_SHOW_ICON, IDOK})  // Enter then presses OK
                run.AskForHelp(id, {123, 234});
        }
        const auto record = run.EndWith(ending.first, ending.second);

        ASSERT_GE(record.size(), 3u);
        EXPECT_EQ("load", record[0].kind);
        EXPECT_EQ(HH_INITIALIZE, record[1].Number("command")) << "the first call initialises";
        EXPECT_EQ("0", record[1].fields.at("caller"));
        EXPECT_EQ("(null)", record[1].fields.at("file"));
        EXPECT_EQ("1", record[1].Field("dialogVisible")) << "the dialog is on screen before the engine loads";
        EXPECT_EQ("1", record[1].Field("dialogPainted")) << "and has nothing left to paint";
        const RecordedCall& last = record.back();
        EXPECT_EQ(HH_UNINITIALIZE, last.Number("command")) << "the last call uninitialises";
        EXPECT_EQ(record[1].fields.at("cookie"), last.fields.at("cookie"));
        EXPECT_EQ(1u, CallsWithCommand(record, HH_INITIALIZE).size());
        EXPECT_EQ(1u, CallsWithCommand(record, HH_UNINITIALIZE).size());

        const auto popups = CallsWithCommand(record, HH_DISPLAY_TEXT_POPUP);
        if (ending.second != 1) {
            EXPECT_TRUE(popups.empty());
            continue;
        }
        ASSERT_EQ(1u, popups.size()) << "OK and Cancel have no help";
        const RecordedCall& popup = popups[0];
        EXPECT_EQ(reinterpret_cast<UINT_PTR>(run.dialog), std::stoull(popup.fields.at("caller"), nullptr, 16));
        EXPECT_EQ(test::kPopupRecordSize, popup.Number("cbStruct")) << "the record of the program's bitness";
        EXPECT_EQ(IDS_HELP_SHOW_ICON, popup.Number("idString"));
        // 16 pixels below the pointer; default colours, margins and font.
        const std::pair<const char*, const char*> fields[] = {
            {"file", "(null)"}, {"hinstIsExe", "1"}, {"x", "123"}, {"y", "250"}, {"fg", "ffffffff"},
            {"bg", "ffffffff"}, {"margins", "-1,-1,-1,-1"}, {"text", "aaa"}, {"font", ""}};
        for (const auto& field : fields)
            EXPECT_EQ(field.second, popup.Field(field.first)) << field.first;
    }
}

// The engine's commands in the order the program made them.
std::vector<unsigned long> Commands(const std::vector<RecordedCall>& record)
{
    std::vector<unsigned long> commands;
    for (const RecordedCall& call : record)
        if (call.kind == "call")
            commands.push_back(call.Number("command"));
    return commands;
}

// The moments between WM_INITDIALOG and the dialog's first appearance, which
// input from this process always comes too late for, brought about inside the
// program by the recorder as the DLL of a hook.
TEST_F(ContextHelpTest, EngineKeepsItsOrderInTheMomentsBeforeTheDialogAppears)
{
    struct MomentCase {
        const wchar_t* moment;
        bool appears;  // whether the dialog is shown at all
        std::vector<unsigned long> commands;
        std::map<std::string, std::string> atInitialise;  // fields of the HH_INITIALIZE line
    };
    const MomentCase cases[] = {
        // A help request before the first tick starts the engine first, though
        // the dialog is still hidden.
        {L"help", true, {HH_INITIALIZE, HH_DISPLAY_TEXT_POPUP, HH_UNINITIALIZE}, {{"dialogVisible", "0"}}},
        // Cancelled before it was shown: the engine was never started, so it is
        // not uninitialised either.
        {L"cancel", false, {}, {}},
        // A tick due before the dialog is shown leaves the engine for a later
        // tick, once the dialog is shown and painted.
        {L"hold", true, {HH_INITIALIZE, HH_UNINITIALIZE}, {{"dialogVisible", "1"}, {"dialogPainted", "1"}}},
    };
    location_.Set(RecorderPath());
    for (const MomentCase& c : cases) {
        SCOPED_TRACE(Narrow(c.moment));
        EarlyMomentHook hook;
        ASSERT_TRUE(hook.Installed());
        HelpRun run({{L"HOTKEY_EARLY_MOMENT", c.moment}}, test::ProgramPath(),
                    c.appears ? HelpRun::Opening::Settled : HelpRun::Opening::Unwatched);
        if (c.appears)
            EXPECT_TRUE(run.WaitForEngineStart()) << "the engine starts while the dialog is open";
        const auto record = c.appears ? run.EndWith(VK_ESCAPE, 2) : run.End(2);

        // Its first line but the hook DLL's load: the hook acted before any engine call.
        const auto first = std::find_if(record.begin(), record.end(), [](const auto& line) { return line.kind != "load"; });
        ASSERT_NE(record.end(), first);
        const RecordedCall& moment = *first;
        ASSERT_EQ("moment", moment.kind) << "the hook acted in the program before any engine call";
        EXPECT_EQ("1", moment.Field("done"));
        EXPECT_EQ("0", moment.Field("dialogVisible")) << "the moment came before the dialog was shown";
        EXPECT_EQ(c.commands, Commands(record));
        const auto initialisations = CallsWithCommand(record, HH_INITIALIZE);
        for (const auto& field : c.atInitialise) {
            ASSERT_FALSE(initialisations.empty());
            EXPECT_EQ(field.second, initialisations[0].Field(field.first.c_str())) << field.first;
        }
    }
}

// A path to the stand-in, padded with "." components and doubled separators
// to exactly the given length; it still names the same file.
std::string PaddedRecorderPath(size_t length)
{
    const std::string recorder = RecorderPath();
    const size_t slash = recorder.find_last_of('\\');
    std::string directory = recorder.substr(0, slash);
    while (directory.size() + 2 + (recorder.size() - slash) <= length)
        directory += "\\.";
    std::string path = directory + recorder.substr(slash);
    while (path.size() < length)
        path.insert(directory.size(), "\\");
    return path;
}

// The registered control refuses to load and Wine's own is switched off: once
// that was tried, a usable control registered later is never loaded.
TEST_F(ContextHelpTest, WithoutAnyControlNoLaterLoadIsAttempted)
{
    location_.Set(Narrow(test::PathBesideTests(L"hhctrl-refusing.dll")));
    WineControlLoadOrder switchedOff(L"");
    HelpRun run;
    ASSERT_TRUE(run.dialog);
    ASSERT_TRUE(run.WaitForLoad()) << "the registered control was never tried";
    EXPECT_FALSE(run.HasLoaded(L"hhctrl.ocx"));

    location_.Set(RecorderPath());  // a usable control appears
    run.AskForHelp(IDC_MAKE_SOUNDS);
    EXPECT_EQ(1u, run.EndWith(VK_ESCAPE, 2).size()) << "only the refused load: the stand-in was never loaded";
}

// A copy of the program in a folder of its own, with the stand-in beside it
// under the control's file name.
struct PlantedControl {
    PlantedControl()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        CreateDirectoryW(folder.insert(0, temp).c_str(), nullptr);
        ready = CopyFileW(test::ProgramPath().c_str(), exe.insert(0, folder).c_str(), FALSE) &&
                CopyFileW(RecorderPathW().c_str(), planted.insert(0, folder).c_str(), FALSE);
    }
    ~PlantedControl()
    {
        DeleteFileW(exe.c_str());
        DeleteFileW(planted.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    PlantedControl(const PlantedControl&) = delete;
    PlantedControl& operator=(const PlantedControl&) = delete;

    std::wstring folder = L"hotkey-planted", exe = L"\\HotkeySettings.exe", planted = L"\\hhctrl.ocx";
    bool ready = false;
};

// A relative path from the system directory to a file on the same drive
// ("..\\..\\folder\\file"), or "" when there is none.
std::string FromSystemDirectory(const std::wstring& file)
{
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    const std::string target = Narrow(file);
    if (length < 3 || target.compare(0, 3, system, 3) != 0)
        return "";
    std::string climb;
    for (UINT i = 3; i <= length; ++i)
        if (i == length || system[i] == '\\')
            climb += "..\\";
    return climb + target.substr(3);
}

// The registered location as the registry holds it, with DLLs found by the
// library search preferred to Wine's own and a control planted beside the
// program: a plain or expandable one loads up to the length of a full path,
// 259 characters once expanded, and a longer one is not cut to fit; a bare
// name is the file of that name in the system directory, never the one
// beside the program, and so is the control taken when the registered one is
// missing or unusable; another relative path is not followed out of the
// system directory; a location stored without its terminator is its stored
// characters. The dialog works and saves whatever help does.
TEST_F(ContextHelpTest, RegisteredLocationLoadsOnlyTheFileItNames)
{
    PlantedControl planted;
    ASSERT_TRUE(planted.ready);
    const std::string recorder = RecorderPath();
    // An expandable location is short, its folder a variable (HOTKEY_TEST_DIR)
    // padded to make the expanded path that long.
    const std::string expandable = "%HOTKEY_TEST_DIR%" + recorder.substr(recorder.find_last_of('\\'));
    const auto paddedFolder = [](size_t length) {
        const std::string path = PaddedRecorderPath(length);
        return path.substr(0, path.find_last_of('\\'));
    };
    struct LocationCase {
        const char* what;
        std::string location;
        DWORD type;
        bool terminated;
        size_t lines;  // of the record: 4 where the recorder shows the popup
        std::string testDir;
    };
    const LocationCase cases[] = {
        {"full path of 259 characters", PaddedRecorderPath(259), REG_SZ, true, 4},
        {"260 characters", PaddedRecorderPath(260), REG_SZ, true, 0},
        {"300 characters, the first 259 the file's", PaddedRecorderPath(259) + std::string(41, 'x'), REG_SZ, true, 0},
        {"expandable, 259 characters expanded", expandable, REG_EXPAND_SZ, true, 4, paddedFolder(259)},
        {"expandable, 260 characters expanded", expandable, REG_EXPAND_SZ, true, 0, paddedFolder(260)},
        {"expandable, 300 expanded, the first 259 the file's", expandable + std::string(41, 'x'), REG_EXPAND_SZ, true,
         0, paddedFolder(259)},
        {"full path without its terminator", recorder, REG_SZ, false, 4},
        {"260 without a terminator, the first 259 the file's", PaddedRecorderPath(259) + "x", REG_SZ, false, 0},
        {"missing file", Narrow(planted.folder) + "\\missing.dll", REG_SZ, true, 0},
        {"no entry at ordinal 15", Narrow(test::PathBesideTests(L"hhctrl-noentry.dll")), REG_SZ, true, 1},
        {"bare name", "hhctrl.ocx", REG_SZ, true, 0},
        {"relative path out of the system directory", FromSystemDirectory(planted.folder + L"\\hhctrl.ocx"), REG_SZ,
         true, 0},
    };
    WineControlLoadOrder nativeFirst(L"native,builtin");
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.location.empty());
        if (c.terminated)
            location_.Set(c.location, c.type);
        else
            location_.SetUnterminated(c.location);
        test::SetDword(HKEY_CURRENT_USER, L"HidePopup", 0);
        HelpRun run({{L"HOTKEY_TEST_DIR", std::wstring(c.testDir.begin(), c.testDir.end())}}, planted.exe);
        ASSERT_TRUE(run.dialog);
        run.Click(IDC_HIDE_POPUP);
        run.AskForHelp(IDC_MAKE_SOUNDS);
        const auto record = run.EndWith(VK_RETURN, 1);
        EXPECT_EQ(c.lines, record.size()) << "lines recorded";
        EXPECT_EQ(c.lines == 4 ? 1u : 0u, CallsWithCommand(record, HH_DISPLAY_TEXT_POPUP).size());
        EXPECT_EQ(1u, test::GetDword(HKEY_CURRENT_USER, L"HidePopup")) << "the dialog still saves";
    }
}

}  // namespace
