#include "LayersFixture.h"

#include "platform/files/Path.h"
#include "platform/runtime/Desktop.h"
#include "platform/ui/Help.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Startup.h"

#include <unistd.h>

using namespace platform;
using namespace layers;
using namespace layers::testing;

namespace {

enum { EXIT = -3, HELPITEM21 = -12 };

const std::string kNoFileName = "You should pass the Path+Filename as the first parameter!";

class LayersFrameTest : public LayersTest {
protected:
    // Derives the names from argument 1 on a thread, as the frame's set-up does; answers the
    // message when one comes.
    int Derive(const std::string& argument) {
        SetArguments({argument, "/jobs/p1/qvr.ini"});
        SetExitCode(0);
        int result = -1;
        Start([&](const std::string&) { result = DeriveNames(); });
        drv::Settle();
        if (!OpenMessages().empty())
            drv::Answer(kNoFileName, "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
        drv::Settle();
        return result;
    }
};

} // namespace

TEST_F(LayersFrameTest, ArgumentOneGivesTheFolderItsQvrIniOrTheMessage) {
    struct Case {
        std::string argument;
        int result;
        std::string folder, fileName, bakName, folderIni;
    };
    const Case cases[] = {
        {"/QVR/LAYERS.DAT", 0, "/QVR", "LAYERS.DAT", "LAYERS.bak", "/QVR/qvr.ini"},
        {"/Layers.dat", 0, "", "Layers.dat", "Layers.bak", "/qvr.ini"},
        {"/x/a.b.dat  ", 0, "/x", "a.b.dat", "a.bak", "/x/qvr.ini"},
        {"/x//Layers.dat", 0, "/x/", "Layers.dat", "Layers.bak", "/x/qvr.ini"},
        {"Layers.dat", 3},
        {"/QVR/", 3},
        {"/QVR.D/LAYERS", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Derive(c.argument), c.result) << c.argument;
        EXPECT_EQ(ExitCode(), c.result == 0 ? 0 : 1) << c.argument; // a failure for the process
        if (c.result != 0)
            continue;
        EXPECT_EQ(Param1, c.argument);
        EXPECT_EQ(Param2, "/jobs/p1/qvr.ini");
        EXPECT_EQ(LayerFolder, c.folder) << c.argument;
        EXPECT_EQ(LayerFileName, c.fileName) << c.argument;
        EXPECT_EQ(LayerBakName, c.bakName) << c.argument;
        EXPECT_EQ(LayerFolderIni, c.folderIni) << c.argument;
        EXPECT_EQ(LayersIni, app + "/Layers.ini");
    }
    // Without argument 1 the program folder stands in.
    EXPECT_EQ(Derive(""), 0);
    EXPECT_EQ(Param1, "(BLANK)");
    EXPECT_EQ(LayerFolder, app);
    EXPECT_EQ(LayerFileName, "constnot.csv");
    EXPECT_EQ(LayerBakName, "constnot.bak");
    EXPECT_EQ(LayerFolderIni, app + "/qvr.ini");
}

TEST_F(LayersFrameTest, AMissingLayersIniIsCreatedWithEmptyEntriesAndAnExistingOneKept) {
    const std::string layersIni = app + "/Layers.ini";
    EXPECT_EQ(Derive("Layers.dat"), 3); // refused before the names are complete
    EXPECT_FALSE(std::filesystem::exists(layersIni));
    EXPECT_EQ(Derive("/QVR/Layers.dat"), 0);
    EXPECT_EQ(ReadBytes(layersIni), "[LAYERS]\r\nColor1=\r\nColor2=\r\nColor3=\r\nLineType1=\r\n"
                                    "LineType2=\r\nLineType3=\r\n");
    WriteBytes(layersIni, "");
    EXPECT_EQ(Derive("/QVR/Layers.dat"), 0);
    EXPECT_EQ(ReadBytes(layersIni), "");
}

TEST_F(LayersFrameTest, AnUnusableArgumentEndsTheProgramBeforeTheFrameShows) {
    SetDragFullWindows(true, SPIF_UPDATEINIFILE);
    SetArguments({"Layers.dat"});
    Start([](const std::string&) { ProgramMain(); });
    drv::Settle();
    // Dragging is off for the run, the help file is the program folder's.
    EXPECT_FALSE(DragFullWindows());
    EXPECT_EQ(platform::HelpFile(), *ProgramFolder() + "/QVR.HLP");
    EXPECT_EQ(layers::HelpFile, platform::HelpFile());
    EXPECT_EQ(drv::FindWindow("QVR Editor"), nullptr);
    drv::Answer(kNoFileName, "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_FALSE(ThreadExists(1));
    EXPECT_TRUE(Window::All().empty());
    EXPECT_TRUE(DragFullWindows());

    // Dragging that was off stays off.
    SetDragFullWindows(false, SPIF_UPDATEINIFILE);
    Start([](const std::string&) { ProgramMain(); });
    drv::Answer(kNoFileName, "File name not specified!", ICON_Hand, BUTTON_OK, BUTTON_OK);
    EXPECT_FALSE(DragFullWindows());
    SetHelpFile("");
}

TEST_F(LayersFrameTest, APathTheCodePageCannotHoldIsRefusedByNameBeforeAnythingIsWritten) {
    const std::string cyrillic = "\xD0\xBF\xD1\x80"; // two letters, as the system spells them
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"/jobs/" + cyrillic + "/Layers.dat", "/jobs/p1/qvr.ini"}, "/jobs/?\?/Layers.dat"},
        {{"/QVR/Layers.dat", "/jobs/" + cyrillic + "/qvr.ini"}, "/jobs/?\?/qvr.ini"},
    };
    for (const auto& [arguments, shown] : cases) {
        SetArguments(arguments);
        Start([](const std::string&) { ProgramMain(); });
        drv::Settle();
        EXPECT_EQ(drv::FindWindow("QVR Editor"), nullptr);
        drv::Answer(UnusablePathMessage(shown), kUnusablePathCaption, ICON_Hand, BUTTON_OK,
                    BUTTON_OK);
        EXPECT_FALSE(ThreadExists(1));
        EXPECT_FALSE(std::filesystem::exists(app + "/Layers.ini"));
    }
}

TEST_F(LayersFrameTest, TheFrameOpensWhereNotesKeepsItsFrameWithItsMenuAndTheLayerWindow) {
    WriteBytes(table, "(\"K1\" \"L1\" \"1\" \"CONTINUOUS\")" + kCrLf);
    WriteBytes(qvrIni,
               "[QVREditLASTRUN]\r\nFrameX=30\r\nFrameY=40\r\nFrameW=450\r\nFrameH=320\r\n");
    StartFrame({table, flagIni});
    Window* frame = drv::FindWindow("QVR Editor");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->X(), 30);
    EXPECT_EQ(frame->Y(), 40);
    EXPECT_EQ(frame->Width(), 450);
    EXPECT_EQ(frame->Height(), 320);
    EXPECT_EQ(ReadBytes(qvrIni).find("FrameX=30\r\nFrameY=40"), 18u); // never written

    Frame* menu = Frame::Of(*frame);
    ASSERT_NE(menu, nullptr);
    const std::vector<std::tuple<int, std::string, std::string>> items = {
        {-2, "&File", ""},
        {-3, "E&xit", "Exit this application"},
        {-4, "&Edit", ""},
        {-5, "Cu&t", "Remove item to Windows Clipboard"},
        {-6, "&Copy", "Copy item to Windows Clipboard"},
        {-7, "&Paste", "Paste contents of Windows Clipboard"},
        {-8, "&Help", "Windows Help"},
        {-9, "&Contents", "View the contents of the help file"},
        {-10, "&Search for Help On...", "Search for help on a subject"},
        {-11, "&How to Use Help", "How to use Windows Help"},
        {-12, "&About", ""},
    };
    for (const auto& [number, text, hint] : items) {
        EXPECT_EQ(menu->ItemText(number), text) << number;
        EXPECT_EQ(menu->ItemHint(number), hint) << number;
    }
    EXPECT_FALSE(menu->HasItem(-13));

    // The layer window runs inside the frame, on a thread of its own.
    Window* layers = LayerWindow();
    ASSERT_NE(layers, nullptr);
    EXPECT_NE(layers->Thread(), frame->Thread());
    EXPECT_EQ(List(*layers).Count(), 1);

    drv::ChooseMenu(HELPITEM21);
    Window* about = drv::FindWindow("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ((*about)[1].Text(), "Vantorel");
    EXPECT_EQ((*about)[3].Text(), "Version 4.3");

    // Exit closes the frame with every window in it; the layer window stores its position.
    drv::ChooseMenu(EXIT);
    EXPECT_FALSE(ThreadExists(1));
    EXPECT_TRUE(Window::All().empty());
    EXPECT_NE(ReadIni("Layers", "XPos", "", "dravolet.INI"), "");
}

TEST_F(LayersFrameTest, AStoredPositionWithoutWidthOrHeightIsIgnored) {
    WriteBytes(table, "");
    StartFrame({table, flagIni});
    Window* frame = drv::FindWindow("QVR Editor");
    ASSERT_NE(frame, nullptr);
    const int x = frame->X(), y = frame->Y(), width = frame->Width();
    drv::ChooseMenu(EXIT);
    for (const char* stored : {"FrameX=30\r\nFrameY=40\r\nFrameW=0\r\nFrameH=320\r\n",
                               "FrameX=30\r\nFrameY=40\r\nFrameW=450\r\n"}) {
        WriteBytes(qvrIni, std::string("[QVREditLASTRUN]\r\n") + stored);
        StartFrame({table, flagIni});
        frame = drv::FindWindow("QVR Editor");
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->X(), x) << stored;
        EXPECT_EQ(frame->Y(), y) << stored;
        EXPECT_EQ(frame->Width(), width) << stored;
        drv::ChooseMenu(EXIT);
    }
}

TEST_F(LayersFrameTest, WithoutArgumentsTheListIsEmptyAndASaveCreatesBlankInTheCurrentFolder) {
    drv::WorkingFolder here(temp.Path());
    StartFrame({});
    drv::Answer("Can not open file!|(BLANK)|File Not Found", "Error", ICON_Hand, BUTTON_OK,
                BUTTON_OK);
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(List(*w).Count(), 0);
    drv::Click(*w, SAVEBUTTON);
    EXPECT_TRUE(std::filesystem::exists(temp / "(BLANK)"));
    EXPECT_EQ(ReadIni("QVR", "ImportLayerSettings", "", ""), "Yes");
    drv::ExpectNoMessage(); // read back without a message
    EndAllThreads();
    drv::Settle();
}

TEST_F(LayersFrameTest, TheLayerWindowClosedByItsOwnButtonLeavesTheFrameOpen) {
    WriteBytes(table, "");
    StartFrame({table, flagIni});
    Window* w = LayerWindow();
    ASSERT_NE(w, nullptr);
    drv::CloseBox(*w);
    EXPECT_EQ(LayerWindow(), nullptr);
    EXPECT_TRUE(ThreadExists(1));
    ASSERT_NE(drv::FindWindow("QVR Editor"), nullptr);
    EXPECT_EQ(Window::All().size(), 1u);
    drv::ChooseMenu(EXIT);
    EXPECT_FALSE(ThreadExists(1));
}
