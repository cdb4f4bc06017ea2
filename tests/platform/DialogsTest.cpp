#include "platform/ui/Dialogs.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Popup.h"
#include "platform/ui/WindowManager.h"

#include <QPrinter>

#include <QApplication>

#include <QDialogButtonBox>

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <unistd.h>

using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

const unsigned kSaveFlags = FILE_Save | FILE_KeepDir | FILE_LongName; // 13h

class DialogsTest : public ::testing::Test {
protected:
    fs::path dir;
    fs::path cwd;
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("dialogs-" + std::to_string(::getpid()) + "-" + info->name());
        fs::create_directories(dir);
        cwd = fs::current_path();
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
        fs::remove_all(dir);
    }
    std::string In(const std::string& name) const { return (dir / name).string(); }
};

} // namespace

TEST_F(DialogsTest, SaveFileDialogReturnsTheChosenFileOrLeavesTheNameOnCancel) {
    struct Case {
        std::string choice; // empty: cancel
        bool chosen;
    };
    for (const Case& c : {Case{"", false}, Case{"export.txt", true}}) {
        std::string file = In("constnot_comma.txt");
        std::optional<bool> result;
        Start([&](const std::string&) { result = FileDialog("", file, "Text|*.txt", kSaveFlags); });
        drv::Settle();
        auto open = OpenDialogs();
        ASSERT_EQ(open.size(), 1u);
        EXPECT_TRUE(open[0].save);
        EXPECT_EQ(open[0].file, In("constnot_comma.txt"));
        EXPECT_EQ(open[0].filter, "Text|*.txt");
        drv::AnswerDialog(DIALOG_File, "Save As", c.choice.empty() ? "" : In(c.choice));
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, c.chosen);
        EXPECT_EQ(file, c.chosen ? In(c.choice) : In("constnot_comma.txt"));
        EXPECT_EQ(fs::current_path(), cwd);
    }
}

TEST_F(DialogsTest, ChoosingAnExistingFileAsksBeforeItIsReplaced) {
    std::ofstream(In("old.txt")) << "keep";
    std::string file = In("constnot_comma.txt");
    std::optional<bool> result;
    Start(
        [&](const std::string&) { result = FileDialog("Export", file, "Text|*.txt", kSaveFlags); });
    drv::AnswerDialog(DIALOG_File, "Export", In("old.txt"));
    drv::Answer("old.txt already exists.|Do you want to replace it?", "Export", ICON_Exclamation,
                BUTTON_YES | BUTTON_NO, BUTTON_NO, BUTTON_NO);
    // No: back in the dialog, which offers the name it was left with.
    ASSERT_FALSE(result.has_value());
    ASSERT_EQ(OpenDialogs().size(), 1u);
    EXPECT_EQ(OpenDialogs()[0].file, In("old.txt"));
    drv::AnswerDialog(DIALOG_File, "Export", In("old.txt"));
    drv::Answer("old.txt already exists.|Do you want to replace it?", "Export", ICON_Exclamation,
                BUTTON_YES | BUTTON_NO, BUTTON_YES, BUTTON_NO);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(*result);
    EXPECT_EQ(file, In("old.txt"));
}

TEST_F(DialogsTest, FolderDialogStartsAtTheFolderAndReturnsTheChoice) {
    fs::create_directories(dir / "lib");
    for (bool accept : {false, true}) {
        std::string folder = dir.string();
        std::optional<bool> result;
        Start([&](const std::string&) { result = FolderDialog("Library Path", folder); });
        drv::Settle();
        ASSERT_EQ(OpenDialogs().size(), 1u);
        EXPECT_EQ(OpenDialogs()[0].file, dir.string());
        drv::AnswerDialog(DIALOG_Folder, "Library Path", accept ? In("lib") : "");
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, accept);
        EXPECT_EQ(folder, accept ? In("lib") : dir.string());
        EXPECT_EQ(fs::current_path(), cwd);
    }
}

TEST_F(DialogsTest, PrinterSetupFromAThreadAndFromTheFramesMenu) {
    std::optional<bool> result;
    Start([&](const std::string&) { result = PrinterSetup(); });
    drv::Settle();
    // Its button takes the settings and prints nothing.
    ASSERT_EQ(OpenDialogs().size(), 1u);
    std::vector<std::string> buttons;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == "Print Setup")
            for (auto* box : top->findChildren<QDialogButtonBox*>())
                for (QAbstractButton* b : box->buttons())
                    buttons.push_back(b->text().toStdString());
    EXPECT_EQ(buttons, (std::vector<std::string>{"OK", "Cancel", "&Options >>"}));
    const std::string file = (dir / "notes.pdf").string();
    drv::AnswerDialog(DIALOG_Printer, "Print Setup", file);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(*result);
    // The file chosen is where the program prints.
    EXPECT_EQ(ProgramPrinter().outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(ProgramPrinter().outputFileName().toStdString(), file);
    ProgramPrinter().setOutputFileName(QString());

    WindowDef def;
    def.caption = "Frame";
    Window window{def};
    Frame frame{window,
                {{"&File",
                  "",
                  MenuAction::None,
                  false,
                  false,
                  {{"&Print Setup ...", "Setup printer", MenuAction::PrintSetup}}}}};
    struct Main : WindowManager {
        Window* w;
        int Setup() override {
            Open(*w);
            return RESULT_GoOn;
        }
    } main;
    main.w = &window;
    Start([&](const std::string&) { main.Run(); });
    drv::Settle();
    drv::ChooseMenu(-3);
    drv::AnswerDialog(DIALOG_Printer, "Print Setup", "");
    EXPECT_TRUE(OpenDialogs().empty());
    EndAllThreads();
    drv::Settle();
}

TEST_F(DialogsTest, PopupReturnsTheChosenItemsNumberWithoutSeparators) {
    const std::string items = "-No Zoom|-|+Page Width|-50%%|Plain";
    const std::vector<std::string> shown = {"-No Zoom", "+Page Width", "-50%%", "Plain"};
    for (int pick : {0, 1, 2, 4}) {
        std::optional<int> result;
        Start([&](const std::string&) { result = Popup(items); });
        drv::PickPopup(shown, pick);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, pick);
    }
}
