// Context help end to end: the program started with a recording stand-in
// registered as the HTML Help control, help asked for with F1 as a person would.
#include <gtest/gtest.h>

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
        EXPECT_EQ("(null)", popup.fields.at("file"));
        EXPECT_EQ(test::kPopupRecordSize, popup.Number("cbStruct")) << "the record of the program's bitness";
        EXPECT_EQ("1", popup.fields.at("hinstIsExe"));
        EXPECT_EQ(IDS_HELP_SHOW_ICON, popup.Number("idString"));
        EXPECT_EQ("123", popup.fields.at("x"));
        EXPECT_EQ("250", popup.fields.at("y"));
        EXPECT_EQ("ffffffff", popup.fields.at("fg"));
        EXPECT_EQ("ffffffff", popup.fields.at("bg"));
        EXPECT_EQ("-1,-1,-1,-1", popup.fields.at("margins"));
        EXPECT_EQ("aaa", popup.fields.at("text"));
        EXPECT_EQ("", popup.fields.at("font"));
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
// program by the early-moment hook.
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

        ASSERT_FALSE(record.empty());
        const RecordedCall& moment = record[0];
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

// A plain or expandable location (its folder written as an environment
// reference) loads up to the length of a full path, 259 characters once
// expanded; a longer one is not cut to fit, so nothing is loaded.
TEST_F(ContextHelpTest, LocationsUpToAFullPathLoadAndLongerOnesAreNotCut)
{
    struct LengthCase {
        size_t length;
        DWORD type;
        bool loaded;
    };
    const LengthCase cases[] = {
        {259, REG_SZ, true},  {260, REG_SZ, false},        {300, REG_SZ, false},
        {259, REG_EXPAND_SZ, true}, {300, REG_EXPAND_SZ, false},
    };
    const std::string recorder = RecorderPath();
    const std::string folder = recorder.substr(0, recorder.find_last_of('\\'));
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " characters, type " << c.type);
        const std::string path = PaddedRecorderPath(c.length);
        ASSERT_EQ(c.length, path.size());
        ASSERT_EQ(folder, path.substr(0, folder.size()));
        if (c.type == REG_EXPAND_SZ)
            location_.Set("%HOTKEY_TEST_DIR%" + path.substr(folder.size()), c.type);
        else
            location_.Set(path, c.type);
        HelpRun run({{L"HOTKEY_TEST_DIR", std::wstring(folder.begin(), folder.end())}});
        ASSERT_TRUE(run.dialog);
        run.AskForHelp(IDC_LOCK_FN);
        EXPECT_EQ(c.loaded, run.HasLoaded(L"hhctrl-recorder.dll"));
        const auto record = run.EndWith(VK_RETURN, 1);
        EXPECT_EQ(c.loaded, !CallsWithCommand(record, HH_DISPLAY_TEXT_POPUP).empty());
        EXPECT_EQ(1u, test::GetDword(HKEY_CURRENT_USER, L"LockFn")) << "the dialog still saves";
    }
}

TEST_F(ContextHelpTest, UnusableControlsLeaveTheDialogWorkingAndHelpSilent)
{
    struct UnusableCase {
        const char* what;
        std::string location;
        bool loads;  // the DLL is loaded, but offers no entry
    };
    const UnusableCase cases[] = {
        {"missing file", Narrow(test::PathBesideTests(L"no-such-control.dll")), false},
        {"no entry at ordinal 15", Narrow(test::PathBesideTests(L"hhctrl-noentry.dll")), true},
    };
    for (const UnusableCase& c : cases) {
        SCOPED_TRACE(c.what);
        location_.Set(c.location);
        test::SetDword(HKEY_CURRENT_USER, L"HidePopup", 0);
        HelpRun run;
        ASSERT_TRUE(run.dialog);
        run.Click(IDC_HIDE_POPUP);
        run.AskForHelp(IDC_LOCK_FN);
        EXPECT_EQ(c.loads, run.HasLoaded(L"hhctrl-noentry.dll"));
        const auto record = run.EndWith(VK_RETURN, 1);
        EXPECT_TRUE(CallsWithCommand(record, HH_DISPLAY_TEXT_POPUP).empty());
        EXPECT_EQ(c.loads ? 1u : 0u, record.size()) << "only the load of the DLL without the entry";
        EXPECT_EQ(1u, test::GetDword(HKEY_CURRENT_USER, L"HidePopup")) << "the dialog still saves";
    }
}

TEST_F(ContextHelpTest, WithoutAnyControlNoLaterLoadIsAttempted)
{
    location_.Set(Narrow(test::PathBesideTests(L"no-such-control.dll")));
    WineControlLoadOrder switchedOff(L"");
    HelpRun run;
    ASSERT_TRUE(run.dialog);
    EXPECT_FALSE(run.HasLoaded(L"hhctrl.ocx"));

    location_.Set(RecorderPath());  // a usable control appears
    run.AskForHelp(IDC_MAKE_SOUNDS);
    EXPECT_FALSE(run.HasLoaded(L"hhctrl-recorder.dll"));
    EXPECT_TRUE(run.EndWith(VK_ESCAPE, 2).empty()) << "the stand-in was never loaded";
}

// A copy of the program in a folder of its own, with the stand-in beside it
// under the control's file name.
class PlantedControl {
public:
    PlantedControl()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"hotkey-planted";
        CreateDirectoryW(folder.c_str(), nullptr);
        exe = folder + L"\\HotkeySettings.exe";
        planted_ = folder + L"\\hhctrl.ocx";
        ready = CopyFileW(test::ProgramPath().c_str(), exe.c_str(), FALSE) &&
                CopyFileW(test::PathBesideTests(L"hhctrl-recorder.dll").c_str(), planted_.c_str(), FALSE);
    }
    ~PlantedControl()
    {
        DeleteFileW(exe.c_str());
        DeleteFileW(planted_.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    PlantedControl(const PlantedControl&) = delete;
    PlantedControl& operator=(const PlantedControl&) = delete;

    std::wstring folder;
    std::wstring exe;
    bool ready = false;

private:
    std::wstring planted_;
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
// library search preferred to Wine's own: a bare name is the file of that name
// in the system directory, never one beside the program, and so is the
// control taken when the registered file is missing; another relative path is
// not followed out of the system directory; a location stored without its
// terminator is its stored characters, no more and no fewer.
TEST_F(ContextHelpTest, RegisteredLocationIsTheStoredPathAndABareNameIsFromTheSystemDirectory)
{
    struct LocationCase {
        const char* what;
        std::string location;
        bool terminated;
        bool recorded;  // the stand-in showed the popup; else nothing loaded it
    };
    PlantedControl planted;
    ASSERT_TRUE(planted.ready);
    const LocationCase cases[] = {
        {"bare name, planted beside the program", "hhctrl.ocx", true, false},
        {"missing file, a control planted beside the program", Narrow(planted.folder) + "\\missing.dll", true, false},
        {"full path without its terminator", RecorderPath(), false, true},
        {"relative path out of the system directory", FromSystemDirectory(planted.folder + L"\\hhctrl.ocx"), true,
         false},
    };
    WineControlLoadOrder nativeFirst(L"native,builtin");
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.location.empty());
        if (c.terminated)
            location_.Set(c.location);
        else
            location_.SetUnterminated(c.location);
        HelpRun run({}, planted.exe);
        ASSERT_TRUE(run.dialog);
        run.AskForHelp(IDC_MAKE_SOUNDS);
        const auto record = run.EndWith(VK_ESCAPE, 2);
        if (c.recorded)
            EXPECT_EQ(1u, CallsWithCommand(record, HH_DISPLAY_TEXT_POPUP).size());
        else
            EXPECT_TRUE(record.empty()) << "the planted file recorded " << record.size() << " lines";
    }
}

}  // namespace
