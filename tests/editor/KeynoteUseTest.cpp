// The keynote window in the real frame as a drafter uses it: tab switches with an editor open,
// titles on custom tab orders, imports one after another, all tabs hidden, the preview's zoom
// menu, the caption of a maximised window and the Config tab's frames.
#include "FrameFixture.h"

#include "editor/Library.h"
#include "platform/ini/Ini.h"
#include "platform/report/Preview.h"
#include "platform/ui/Keys.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

const std::string kQuestion = "You have not saved this file. Exit without saving?";
const std::string kWarning = "WARNING:| |Importing construction notes will overwrite your|existing "
                             "construction notes in this project!||Proceed with import? | ";
const std::string kDelete = "Are you sure you want to delete the selected row?";

class KeynoteUseTest : public editor::testing::FrameTest {
protected:
    std::string ini = project + "/qvr.ini";

    void SetUp() override {
        FrameTest::SetUp();
        fs::create_directories(app + "/Library");
        Windows.ImportNotes = ImportNotes;
    }
    // Starts the program on a keynote file (of this name in the project folder) whose backup is
    // there already.
    void StartWithBackup(const std::string& contents, const std::string& name = "constnot.csv") {
        drv::WriteBytes(project + "/" + name.substr(0, name.find('.') + 1) + "bak", "");
        StartOn(contents, name);
    }
    // Ends the program from the frame's menu; unless the notes were saved since the window
    // opened, the user is asked and drops them.
    void Quit(bool saved = false) {
        drv::ChooseMenu(EXIT);
        if (!saved)
            drv::Answer(kQuestion, "QVR", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES,
                        BUTTON_NO);
        EXPECT_TRUE(frameReturned);
        drv::Settle();
    }
    static std::string Numbers(const grid::PelkGridClass& g) {
        std::string out;
        for (int r = 1; r <= g.Records(); ++r)
            out += (r > 1 ? " " : "") + g.GetCellValue(r, 2);
        return out;
    }
    // What the window's drawing surface shows over a grid's data area, every other pixel.
    std::vector<win32::COLORREF> Shown(const grid::PelkGridClass& g) {
        std::vector<win32::COLORREF> out;
        for (int y = g.GRIDY; y < g.GRIDY + g.GRIDH; y += 2)
            for (int x = g.GRIDX; x < g.GRIDX + g.GRIDW; x += 2)
                out.push_back(drv::Pixel(Notes(), x, y));
        return out;
    }
    // Imports the set at a row of the library's list, through the frame's menu.
    void Import(int row) {
        drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY);
        Window* w = drv::FindWindow("Import Key Notes from the Library");
        ASSERT_NE(w, nullptr);
        drv::ClickList(*w, import_notes::LIST, row);
        drv::Click(*w, import_notes::IMPORT);
        drv::Answer(kWarning, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    }
};

} // namespace

// A tab switched while an editor of the grid is open: the edit is stored into the rows it was
// opened on, the new tab shows its own grid's drawing and a selected row of it, and a delete then
// asks about and removes that row, also after a click into the new grid.
TEST_F(KeynoteUseTest, ATabSwitchedWithAnEditorOpenShowsTheNewTabsRows) {
    struct Case {
        int column;
        const char* typed;
        const char* stored; // the first Circle row afterwards, number to type
    };
    const Case cases[] = {
        {2, "X", "X|Circle one||"},
        {3, "Round", "1|Round||"},
        {4, "LF", "1|Circle one|LF|"},
        {5, "AREA", "1|Circle one||AREA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        WriteIni("QVREditLASTRUN", "TabSelected", "1", ini); // the last run ended on Hex
        StartWithBackup(
            "CIR,1,Circle one,,\r\nCIR,2,Circle two,,\r\nHEX,H1,Hex one,,\r\nHEX,H2,Hex "
            "two,,\r\nHEX,H3,Hex three,,\r\n");
        grid::PelkGridClass& circle = GridAt(1);
        grid::PelkGridClass& hex = GridAt(2);
        TypeIntoCell(circle, 1, c.column, c.typed);
        const std::vector<win32::COLORREF> circleShown = Shown(circle);

        drv::Choose(Notes(), keynote::CURRENTTAB, 2);
        if (c.column == 3) {
            // The description editor holds the mouse while it is open: a click anywhere else
            // ends its edit, and the next one chooses the tab.
            EXPECT_EQ(Notes()[keynote::CURRENTTAB].Selected(), 1);
            drv::Choose(Notes(), keynote::CURRENTTAB, 2);
        }
        ASSERT_EQ(Notes()[keynote::CURRENTTAB].Selected(), 2);
        EXPECT_EQ(circle.EIPON, 0);
        EXPECT_EQ(circle.GetCellValue(1, 2) + "|" + circle.GetCellValue(1, 3) + "|" +
                      circle.GetCellValue(1, 4) + "|" + circle.GetCellValue(1, 5),
                  c.stored);
        // What the tab shows is the Hex grid's own drawing, with its first row selected.
        const std::vector<win32::COLORREF> shown = Shown(hex);
        EXPECT_NE(shown, circleShown);
        hex.Draw();
        EXPECT_EQ(shown, Shown(hex)) << "the Hex tab does not show the Hex rows";
        EXPECT_EQ(hex.CURROW, 1);

        drv::AccessKey(Notes(), 'd');
        drv::Answer(kDelete, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
        EXPECT_EQ(Numbers(hex), "H2 H3");
        // A click into the grid selects there; Down moves on, and a delete takes that row.
        ClickCell(hex, 1, 2);
        drv::Key(Notes(), 0, KEY_Down);
        drv::AccessKey(Notes(), 'd');
        drv::Answer(kDelete, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
        EXPECT_EQ(Numbers(hex), "H2");
        EXPECT_EQ(Numbers(circle), c.column == 2 ? "X 2" : "1 2");
        Quit();
    }
}

// With a custom tab order each tab's title entry shows and edits the title of the shape whose
// notes the tab shows, and the save writes it as that shape's.
TEST_F(KeynoteUseTest, ATabAtACustomPositionEditsItsOwnShapesTitle) {
    WriteIni("QVREditCONFIG", "HexName", "Hex", ini);
    WriteIni("QVREditCONFIG", "HexOrder", "1", ini);
    WriteIni("QVREditCONFIG", "HexOff", "0", ini);
    WriteIni("QVREditCONFIG", "CircleName", "Circle", ini);
    WriteIni("QVREditCONFIG", "CircleOrder", "2", ini);
    WriteIni("QVREditCONFIG", "CircleOff", "0", ini);
    StartWithBackup("CIR,TITLE,Round,,\r\nCIR,1,a,,\r\nHEX,1,b,,\r\n");
    Window& w = Notes();
    ASSERT_EQ(drv::TabCaptions(w, keynote::CURRENTTAB).at(0), "Hex");
    EXPECT_EQ(w[keynote::TitleOf(1)].Text(), "");
    drv::Type(w, keynote::TitleOf(1), "Six sides");
    drv::Choose(w, keynote::CURRENTTAB, 2);
    EXPECT_EQ(w[keynote::TitleOf(2)].Text(), "Round");
    drv::Click(w, keynote::SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nHEX,TITLE,Six sides" + std::string(46, ' ') +
                                       ",,\r\nHEX,1,b,,\r\nCIR,TITLE,Round" + std::string(50, ' ') +
                                       ",,\r\nCIR,1,a,,\r\n");
    Quit(true);
}

// Two imports in a row: the titles are the set's each time, so a set without a title line leaves
// the shape's title blank, and the save writes none. The notice names the backup of this keynote
// file, notes.bak.
TEST_F(KeynoteUseTest, TheTitlesAfterAnImportAreTheSets) {
    drv::WriteBytes(app + "/Library/A.csv",
                    "CIR,TITLE,From A,,\r\nCIR,1,a,,\r\nHEX,TITLE,Hex A,,\r\n");
    drv::WriteBytes(app + "/Library/A.ini", "[QVR]\r\n");
    drv::WriteBytes(app + "/Library/B.csv", "CIR,1,b,,\r\n");
    drv::WriteBytes(app + "/Library/B.ini", "[QVR]\r\n");
    const std::string notice =
        "Bubble notes were imported!|| Any previous notes have been saved to the notes.bak file!";
    StartWithBackup("CIR,TITLE,Project,,\r\nCIR,1,p,,\r\n", "notes.csv");
    EXPECT_EQ(Notes()[keynote::TitleOf(1)].Text(), "Project");
    Import(1);
    drv::Answer(notice, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(Notes()[keynote::TitleOf(1)].Text(), "From A");
    EXPECT_EQ(Notes()[keynote::TitleOf(2)].Text(), "Hex A");
    Import(2);
    drv::Answer(notice, "", ICON_Asterisk, BUTTON_OK, BUTTON_OK);
    EXPECT_EQ(Notes()[keynote::TitleOf(1)].Text(), "");
    EXPECT_EQ(Notes()[keynote::TitleOf(2)].Text(), "");
    EXPECT_EQ(drv::ReadBytes(project + "/notes.bak"), drv::ReadBytes(app + "/Library/A.csv"));
    drv::Click(Notes(), keynote::SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,Auto\r\nCIR,1,b,,\r\n");
    Quit(true);
}

// An import into a project folder the user may not write is refused, naming that folder; the
// set's file, which could be read, is not blamed.
TEST_F(KeynoteUseTest, AnImportIntoAFolderThatCannotBeWrittenNamesTheFolder) {
    drv::WriteBytes(app + "/Library/Office Set.csv", "CIR,1,office,,\r\n");
    StartWithBackup("CIR,1,p,,\r\n");
    // The superuser may write anywhere: the import runs as an ordinary user for the moment.
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    fs::permissions(temp.Path(), fs::perms(0755));
    for (const std::string& folder : {app, app + "/Library"})
        fs::permissions(folder, fs::perms(0755));
    fs::permissions(project, fs::perms(0555));
    drv::ChooseMenu(FILEIMPORTNOTESFROMLIBRARY);
    Window* w = drv::FindWindow("Import Key Notes from the Library");
    ASSERT_NE(w, nullptr);
    drv::ClickList(*w, import_notes::LIST, 1);
    drv::Click(*w, import_notes::IMPORT);
    if (root) {
        ASSERT_EQ(::setresuid(kNobody, kNobody, 0), 0);
    }
    drv::Answer(kWarning, "", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_YES);
    if (root) {
        ASSERT_EQ(::setresuid(0, 0, 0), 0);
    }
    fs::permissions(project, fs::perms(0755));
    drv::Answer("Access Denied!|" + project, "Error", ICON_Exclamation, BUTTON_OK, BUTTON_OK);
    drv::Click(*w, import_notes::CLOSE);
    EXPECT_EQ(drv::ReadBytes(csv), "CIR,1,p,,\r\n");
    Quit();
}

// With all nine shape tabs hidden the window opens on the Config tab, its page shown, and no row
// button is offered.
TEST_F(KeynoteUseTest, AllTabsHiddenOpensOnTheConfigTab) {
    for (const char* shape :
         {"Circle", "Hex", "Box", "Pen", "Ellipse", "Dia", "Rec", "Oct", "Tri"}) {
        WriteIni("QVREditCONFIG", std::string(shape) + "Name", shape, ini);
        WriteIni("QVREditCONFIG", std::string(shape) + "Off", "1", ini);
    }
    StartWithBackup("CIR,1,a,,\r\n");
    Window& w = Notes();
    EXPECT_EQ(drv::TabCaptions(w, keynote::CURRENTTAB), std::vector<std::string>{"Config"});
    EXPECT_EQ(w[keynote::CURRENTTAB].Selected(), 10);
    for (int c : {keynote::LOC_TXTHT, keynote::LOC_INSERTTABLEPHASES, keynote::INFOTEXT,
                  keynote::RESTOREDEFAULTVALUES})
        EXPECT_TRUE(w[c].Widget()->isVisible()) << c;
    for (int c : {keynote::INSERT, keynote::CHANGE, keynote::DELETE, keynote::MOVEUP,
                  keynote::MOVEDOWN, keynote::MOVEFIRST, keynote::MOVELAST})
        EXPECT_FALSE(w[c].Widget()->isVisible()) << c;
    // The page shows the project's settings.
    EXPECT_EQ(w[keynote::LOC_TXTHT].Text(), "Auto");
    EXPECT_EQ(w[keynote::LOC_TBLWID].Text(), "65");
    drv::Type(w, keynote::LOC_TXTHT, "0.2");
    drv::Click(w, keynote::SAVETOASCII);
    EXPECT_EQ(drv::ReadBytes(csv), "SET,TXTHT,0.2\r\nCIR,1,a,,\r\n");
    Quit(true);
}

// The preview's zoom menu shows each zoom as a percentage, with one percent sign.
TEST_F(KeynoteUseTest, ThePreviewsZoomMenuReadsPercentages) {
    StartWithBackup("CIR,1,a,,\r\n");
    drv::ChooseMenu(PRINTNOTES);
    Window* preview = drv::FindWindow("Preview");
    ASSERT_NE(preview, nullptr);
    drv::Click(*preview, preview::ZOOMBUTTON);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> shown;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            shown.push_back(a->text().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"No Zoom", "Page Width", "50%", "75%", "100%",
                                               "200%", "300%"}));
    menu->close();
    drv::Settle();
    drv::Click(*preview, preview::EXITBUTTON);
    Quit();
}

// Maximised, the keynote window gives up its caption, and the frame's title is the frame's own;
// restored, the caption is back.
TEST_F(KeynoteUseTest, AMaximisedKeynoteWindowLeavesTheFramesTitleItsOwn) {
    StartWithBackup("CIR,1,a,,\r\n");
    Window& notes = Notes();
    QWidget* frame = drv::FindWindow("Vantorel - QVR Editor")->Widget();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle().toStdString(), "Vantorel - QVR Editor");
    QWidget* sub = notes.Widget();
    sub->showMaximized(); // the maximise button of the window's title bar
    drv::Settle();
    EXPECT_EQ(notes.Caption(), "");
    EXPECT_EQ(frame->windowTitle().toStdString(), "Vantorel - QVR Editor");
    sub->showNormal();
    drv::Settle();
    EXPECT_EQ(notes.Caption(), "Browse the Keynotes");
    EXPECT_EQ(frame->windowTitle().toStdString(), "Vantorel - QVR Editor");
    Quit();
}
// On the Config tab no group's frame line or caption crosses or touches a control, at the size
// the window opens with, in a large frame and at a size between.
TEST_F(KeynoteUseTest, TheConfigTabsFramesCrossNoControl) {
    StartWithBackup("CIR,1,a,,\r\n");
    Window& w = Notes();
    drv::Choose(w, keynote::CURRENTTAB, 10);
    ASSERT_EQ(w[keynote::CURRENTTAB].Selected(), 10);
    QWidget* client = w.ClientWidget();
    // A group as it draws itself, without the controls in it: its frame and its caption, which
    // are what differs from the fill at its middle (a frame may fill what it encloses) or from
    // nothing drawn (outside it).
    struct Frame {
        const Control* group;
        QImage drawn;
        QPoint origin; // in the client area
        bool Drawn(int x, int y) const {
            const QRgb p = drawn.pixel(x, y);
            return qAlpha(p) != 0 && p != drawn.pixel(drawn.width() / 2, drawn.height() / 2);
        }
        // The frame's top line, down its middle.
        int Top() const {
            for (int y = 0; y < drawn.height(); ++y)
                if (Drawn(drawn.width() / 2, y))
                    return y;
            return -1;
        }
        // Whether a drawn pixel is one of the frame's lines (two pixels thick at most), found
        // from the middle of each side, not of its caption.
        bool Line(int x, int y) const {
            if (!Drawn(x, y))
                return false;
            const int top = Top(), middle = (top + drawn.height()) / 2;
            int bottom = drawn.height() - 1, left = 0, right = drawn.width() - 1;
            while (bottom > top && !Drawn(drawn.width() / 2, bottom))
                --bottom;
            while (left < right && !Drawn(left, middle))
                ++left;
            while (right > left && !Drawn(right, middle))
                --right;
            return (y >= top && y <= top + 1) || (y >= bottom - 1 && y <= bottom) ||
                   (x >= left && x <= left + 1) || (x >= right - 1 && x <= right);
        }
    };
    auto check = [&](const char* size) {
        SCOPED_TRACE(size);
        std::vector<const Control*> shown;
        std::vector<Frame> frames;
        for (const ControlDef& d : w.Definition().controls) {
            const Control* c = w.Find(d.number);
            if (!c || d.number == 0 || d.kind == ControlKind::Sheet || d.kind == ControlKind::Tab ||
                !c->Widget() || !c->Widget()->isVisible())
                continue;
            shown.push_back(c);
            if (d.kind != ControlKind::Group && d.kind != ControlKind::Option)
                continue;
            QWidget* widget = c->Widget();
            Frame f{c, QImage(widget->size(), QImage::Format_ARGB32_Premultiplied),
                    widget->mapTo(client, QPoint(0, 0))};
            f.drawn.fill(Qt::transparent);
            widget->render(&f.drawn, QPoint(), QRegion(), QWidget::RenderFlags());
            frames.push_back(std::move(f));
        }
        ASSERT_EQ(frames.size(), 4u);
        // What a control covers of the client area: a label as far as its text goes, a group
        // what its frame encloses.
        auto area = [&](const Control& c) {
            const QWidget* widget = c.Widget();
            QRect r(widget->mapTo(client, QPoint(0, 0)), widget->size());
            if (c.Definition().kind == ControlKind::Prompt)
                r.setWidth(std::min(r.width(), widget->fontMetrics().horizontalAdvance(
                                                   QString::fromStdString(c.Text()))));
            for (const Frame& f : frames)
                if (f.group == &c)
                    r.setTop(r.top() + f.Top());
            return r;
        };
        for (const Frame& f : frames) {
            EXPECT_GT(f.Top(), 0) << "no frame drawn for \"" << f.group->Text() << "\"";
            for (const Control* c : shown) {
                // A frame lies inside the group that holds it.
                if (c == f.group || area(*c).contains(area(*f.group)))
                    continue;
                // A line that touches or nearly touches counts (closer than three pixels), and a
                // caption that touches.
                const QRect covered = area(*c).translated(-f.origin);
                const QRect nearLines = covered.adjusted(-3, -3, 3, 3).intersected(f.drawn.rect());
                const QRect touching = covered.adjusted(-1, -1, 1, 1);
                int crossing = 0;
                for (int y = nearLines.top(); y <= nearLines.bottom(); ++y)
                    for (int x = nearLines.left(); x <= nearLines.right(); ++x)
                        crossing += f.Line(x, y) || (touching.contains(x, y) && f.Drawn(x, y));
                EXPECT_EQ(crossing, 0)
                    << "the frame of \"" << f.group->Text() << "\" crosses control " << c->Number()
                    << " \"" << c->Text() << "\"";
            }
        }
    };
    check("opening size");
    drv::Resize(w, 1600, 1000);
    ASSERT_GE(client->width(), 1500);
    check("large");
    drv::Resize(w, 1000, 640);
    check("between");
    Quit();
}
