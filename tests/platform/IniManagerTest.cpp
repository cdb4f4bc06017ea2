#include "platform/ui/IniManager.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/text/Text.h"
#include "platform/ui/WindowManager.h"

#include <gtest/gtest.h>

#include <map>

using namespace platform;
namespace drv = platform::testing;

namespace {

// INI files in memory: file, section and key to value.
struct MemoryIni : IniAccess {
    std::map<std::string, std::string> values;
    static std::string Key(const std::string& section, const std::string& key,
                           const std::string& file) {
        return Lower(file) + "|" + Lower(section) + "|" + Lower(key);
    }
    std::string Get(const std::string& section, const std::string& key, const std::string& deflt,
                    const std::string& file) override {
        auto it = values.find(Key(section, key, file));
        return it == values.end() ? deflt : it->second;
    }
    bool Put(const std::string& section, const std::string& key, const std::string& value,
             const std::string& file) override {
        values[Key(section, key, file)] = value;
        return true;
    }
};

WindowDef PlainDef() {
    WindowDef def;
    def.caption = "Layers";
    def.x = 10;
    def.y = 10;
    def.width = 200;
    def.height = 100;
    def.attributes = WIN_Resizable;
    return def;
}

// A window procedure's window; it keeps its place under the procedure's name unless told
// otherwise, and notes the name the error manager gives its thread while it runs. A window that
// does not open stops its set-up after the base set-up.
struct Procedure : WindowManager {
    explicit Procedure(const char* name = "Layers", Place place = Place::Kept, bool opens = true)
        : WindowManager(name, place), opens(opens) {}
    Window window{PlainDef()};
    bool opens;
    std::string named;
    int Setup() override {
        int result = WindowManager::Setup();
        named = GlobalErrorManager.ProcedureName();
        if (!opens)
            return RESULT_Stop;
        Open(window);
        FetchPosition();
        return result;
    }
};

class IniManagerTest : public ::testing::Test {
protected:
    MemoryIni ini;
    Procedure first, second;
    void SetUp() override { GlobalIniManager.Init("dravolet.INI", &ini); }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        GlobalIniManager.Kill();
    }
};

} // namespace

TEST_F(IniManagerTest, PositionStoredAtCloseIsRestoredByTheNextWindow) {
    Start([&](const std::string&) { first.Run(); });
    drv::Settle();
    EXPECT_EQ(first.window.Width(), 200); // nothing stored: the definition's size
    first.window.SetPosition(40, 30, 250, 120);
    drv::Settle();
    drv::CloseBox(first.window);
    EXPECT_EQ(ini.Get("Layers", "XPos", "", "dravolet.INI"), "40");
    EXPECT_EQ(ini.Get("LAYERS", "ypos", "", "dravolet.INI"), "30");
    EXPECT_EQ(ini.Get("Layers", "Width", "", "dravolet.INI"), "250");
    EXPECT_EQ(ini.Get("Layers", "Height", "", "dravolet.INI"), "120");
    EXPECT_EQ(ini.Get("Layers", "Maximize", "", "dravolet.INI"), "0");
    EXPECT_EQ(ini.Get("Layers", "Minimize", "", "dravolet.INI"), "0");

    Start([&](const std::string&) { second.Run(); });
    drv::Settle();
    EXPECT_EQ(second.window.X(), 40);
    EXPECT_EQ(second.window.Y(), 30);
    EXPECT_EQ(second.window.Width(), 250);
    EXPECT_EQ(second.window.Height(), 120);
    EXPECT_FALSE(second.window.Maximized());
}

TEST_F(IniManagerTest, AMaximizedWindowComesBackMaximizedAndPartsNotStoredStay) {
    ini.Put("Layers", "Width", "260", "dravolet.INI");
    ini.Put("Layers", "Maximize", "1", "dravolet.INI");
    Start([&](const std::string&) { first.Run(); });
    drv::Settle();
    EXPECT_TRUE(first.window.Maximized());
    EXPECT_EQ(ini.Get("Layers", "XPos", "none", "dravolet.INI"), "none");

    // Another file holds nothing for the procedure.
    GlobalIniManager.Init("notes.INI", &ini);
    Start([&](const std::string&) { second.Run(); });
    drv::Settle();
    EXPECT_EQ(second.window.Width(), 200);
    EXPECT_FALSE(second.window.Maximized());
}

TEST_F(IniManagerTest, WithoutAnAccessOfItsOwnTheStoreWritesTheProgramsIniFile) {
    drv::TempFolder config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    SetProgramName("dravolet");
    GlobalIniManager.Init("dravolet.INI");
    Start([&](const std::string&) { first.Run(); });
    drv::Settle();
    first.window.SetPosition(12, 14, 220, 110);
    drv::Settle();
    drv::CloseBox(first.window);
    EXPECT_EQ(drv::ReadBytes(config / "dravolet/dravolet.INI"),
              "[Layers]\r\nXPos=12\r\nYPos=14\r\nWidth=220\r\nHeight=110\r\nMaximize=0\r\n"
              "Minimize=0\r\n");
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(IniManagerTest, AProcedureIsNamedWhileItRunsAndOnlyAnOpenedWindowThatKeepsItsPlaceIsStored) {
    using Place = WindowManager::Place;
    struct Case {
        const char* name;
        Place place;
        bool opens;
        bool stored;
    };
    for (const Case& c :
         {Case{"About", Place::Kept, true, true}, Case{"ImportNotes", Place::NotKept, true, false},
          Case{"ConfigVars", Place::Kept, false, false}}) {
        SCOPED_TRACE(c.name);
        Procedure window(c.name, c.place, c.opens);
        std::string after;
        Start([&](const std::string&) {
            GlobalErrorManager.SetProcedureName("Main");
            window.Run();
            after = GlobalErrorManager.ProcedureName();
        });
        drv::Settle();
        if (c.opens)
            drv::CloseBox(window.window);
        EXPECT_EQ(window.named, c.name);
        EXPECT_EQ(after, "Main"); // the caller's name again
        EXPECT_EQ(ini.Get(c.name, "Width", "none", "dravolet.INI") != "none", c.stored);
    }
}
