// Pictures of the print preview on a real display, to look at by eye: the keynote report of a
// small project in the preview as one page, as 3 by 3 thumbnails and at 100 %, then pages 2 to 3
// printed (to a PDF file when the system has no printer).
// Run by hand under a display: report_shot folder (pictures and the PDF land in the folder).
#include "NotesHost.h"

#include "editor/Globals.h"
#include "editor/PrintNotes.h"
#include "platform/report/Preview.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Popup.h"
#include "platform/ui/WindowManager.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <string>

using namespace platform;
using bench::Settle;

namespace {

Window* Find(const std::string& caption) {
    for (Window* w : Window::All())
        if (w->Caption() == caption)
            return w;
    return nullptr;
}

void Shot(Window& w, const std::string& file) {
    Settle();
    w.Widget()->window()->grab().save(QString::fromStdString(file));
    std::printf("%s\n", file.c_str());
}

void Input(Window& w, int event, int control) {
    PostInput(w.Thread(), Event{event, control, 0, &w});
    Settle();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : ".";
    editor::ResetGlobals();
    editor::ProjectFolder = folder;
    editor::CsvName = "constnot.csv";
    for (std::uint8_t i = 1; i <= 9; ++i)
        editor::TabQueue.push_back({editor::kShapes[i - 1u].name,
                                    i == 4 ? std::int16_t{2} : std::int16_t{1},
                                    editor::kShapes[i - 1u].name, i, i, 0});
    editor::TabQueue[0].NEWNAME = "General notes";
    bench::NotesHost host;
    Start([&](const std::string&) { host.Run(); });
    Settle();
    host.OnThread([&] {
        for (int i = 1; i <= 120; ++i) {
            std::string d =
                "Provide and install item " + std::to_string(i) + " as shown on the drawings";
            if (i % 7 == 0)
                d += "\r\n  see the schedule of finishes, sheet A-" + std::to_string(500 + i);
            if (i % 11 == 0)
                d += " and coordinate with the structural drawings for every opening wider than "
                     "four feet";
            host.grids[static_cast<std::size_t>(i % 4 == 0 ? 3 : i % 3)].AddRow(
                i % 13 == 0 ? "1" : "0", std::to_string(i), d, i % 2 ? "EA" : "SF",
                i % 5 ? "A" : "B2");
        }
    });

    const std::vector<editor::ReportTab> tabs = host.Tabs();
    host.OnThread([&] { editor::PrintNotes(tabs); });
    Window* preview = Find("Preview");
    if (!preview)
        return 1;
    Shot(*preview, folder + "/preview-page.png");
    for (int spin : {preview::PAGESACROSS, preview::PAGESDOWN}) {
        (*preview)[spin].SetValue("3");
        preview->Update(spin);
        Input(*preview, EVENT_NewSelection, spin);
    }
    Shot(*preview, folder + "/preview-thumbnails.png");
    Input(*preview, EVENT_Accepted, preview::ZOOMBUTTON);
    AnswerPopup(5); // 100%
    Settle();
    Shot(*preview, folder + "/preview-100.png");

    Input(*preview, EVENT_Accepted, preview::PRINTBUTTON);
    Window* options = Find("Print Options");
    if (!options)
        return 1;
    (*options)[preview::OPTIONPRINT].SetValue("4");
    options->Update(preview::OPTIONPRINT);
    Input(*options, EVENT_Accepted, preview::OPTIONPRINT);
    (*options)[preview::PAGEFROM].SetValue("2");
    (*options)[preview::PAGETO].SetValue("3");
    options->Update();
    Shot(*options, folder + "/print-options.png");
    Input(*options, EVENT_Accepted, preview::PRINTOK);
    std::printf("%s/constnot.pdf\n", folder.c_str());
    EndAllThreads();
    Settle();
    return 0;
}
