#include "platform/ui/Dialogs.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Frame.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace platform {

namespace {

struct OpenDialog {
    DialogInfo info;
    QPointer<QDialog> dialog;
    bool finished = false;
    bool accepted = false;
    bool answered = false; // the driver gave the choice
    std::string choice;
};

std::vector<std::shared_ptr<OpenDialog>>& Dialogs() {
    static std::vector<std::shared_ptr<OpenDialog>> dialogs;
    return dialogs;
}

// Removes the dialog when its thread is done with it, also when the thread is unwound.
struct DialogGuard {
    std::shared_ptr<OpenDialog> open;
    ~DialogGuard() {
        auto& all = Dialogs();
        all.erase(std::remove(all.begin(), all.end(), open), all.end());
        if (open->dialog) {
            open->dialog->disconnect();
            open->dialog->hide();
            open->dialog->deleteLater();
        }
    }
};

QWidget* OwnerOf(int thread) {
    return Window::ShownOver(thread);
}

// Shows the dialog modal to its owner and, on a thread, waits until it is finished.
void Run(const std::shared_ptr<OpenDialog>& open, QDialog* dialog, QWidget* owner) {
    open->dialog = dialog;
    dialog->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    std::weak_ptr<OpenDialog> weak = open;
    QObject::connect(dialog, &QDialog::finished, dialog, [weak, dialog, owner](int result) {
        auto o = weak.lock();
        if (!o)
            return;
        Window::Answered(dialog, owner);
        o->finished = true;
        o->accepted = result == QDialog::Accepted;
        Wake(o->info.thread);
    });
    Dialogs().push_back(open);
    dialog->open();
}

// "Text|*.txt|All|*.*" as Qt writes it: "Text (*.txt);;All (*.*)".
QString QtFilter(const std::string& filter) {
    QStringList parts = ToQt(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out.join(";;");
}

std::string ChosenFile(const OpenDialog& open, QFileDialog* dialog) {
    if (open.answered)
        return open.choice;
    QStringList files = dialog->selectedFiles();
    return files.isEmpty() ? std::string() : FromQt(files.first());
}

} // namespace

bool FileDialog(const std::string& title, std::string& file, const std::string& filter,
                unsigned flags) {
    int thread = ThisThread();
    if (thread == 0)
        throw std::logic_error("A file dialog needs a program thread");
    const bool save = flags & FILE_Save;
    std::string offered = file;
    for (;;) {
        auto open = std::make_shared<OpenDialog>();
        std::string caption = !title.empty() ? title : save ? "Save As" : "Open";
        open->info = DialogInfo{DIALOG_File, caption, offered, filter, save, thread};
        QFileInfo start(ToQt(offered.empty() ? std::string(".") : offered));
        QWidget* owner = OwnerOf(thread);
        auto* dialog = new QFileDialog(owner, ToQt(caption));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        // The overwrite question is ours, asked from this thread, never from a nested loop.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!filter.empty())
            dialog->setNameFilter(QtFilter(filter));
        if (start.isDir()) {
            dialog->setDirectory(start.absoluteFilePath());
        } else {
            dialog->setDirectory(start.absolutePath());
            dialog->selectFile(start.fileName());
        }
        DialogGuard guard{open};
        Run(open, dialog, owner);
        WaitUntil([&] { return open->finished; });
        if (!open->accepted)
            return false;
        std::string chosen = ChosenFile(*open, dialog);
        if (chosen.empty())
            return false;
        if (save && QFileInfo::exists(ToQt(chosen))) {
            std::string name = FromQt(QFileInfo(ToQt(chosen)).fileName());
            int answer = Message(name + " already exists.|Do you want to replace it?", caption,
                                 ICON_Exclamation, BUTTON_YES | BUTTON_NO, BUTTON_NO);
            if (answer != BUTTON_YES) {
                offered = chosen; // back to the dialog, as it was left
                continue;
            }
        }
        file = chosen;
        return true;
    }
}

bool FolderDialog(const std::string& title, std::string& folder) {
    int thread = ThisThread();
    if (thread == 0)
        throw std::logic_error("A folder dialog needs a program thread");
    auto open = std::make_shared<OpenDialog>();
    open->info = DialogInfo{DIALOG_Folder, title, folder, std::string(), false, thread};
    QWidget* owner = OwnerOf(thread);
    auto* dialog = new QFileDialog(owner, ToQt(title));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    if (!folder.empty())
        dialog->setDirectory(ToQt(folder));
    DialogGuard guard{open};
    Run(open, dialog, owner);
    WaitUntil([&] { return open->finished; });
    if (!open->accepted)
        return false;
    std::string chosen = ChosenFile(*open, dialog);
    if (chosen.empty())
        return false;
    while (chosen.size() > 1 && chosen.back() == '/')
        chosen.pop_back();
    folder = chosen;
    return true;
}

QPrinter& ProgramPrinter() {
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

namespace {

std::string& DefaultFile() {
    static std::string file;
    return file;
}

} // namespace

void SetDefaultPrintFile(const std::string& file) {
    DefaultFile() = file;
}

std::string DefaultPrintFile() {
    return DefaultFile();
}

bool PrinterSetup() {
    int thread = ThisThread();
    auto open = std::make_shared<OpenDialog>();
    open->info =
        DialogInfo{DIALOG_Printer, "Print Setup", std::string(), std::string(), false, thread};
    QWidget* owner = OwnerOf(thread);
    QPrinter& printer = ProgramPrinter();
    // A print to a file with none chosen goes to the default file: the dialog offers that one,
    // and taking it as offered chooses nothing, so that later prints go on following the
    // default (the dialog would otherwise fill in a name of its own).
    const QString chosenBefore = printer.outputFileName();
    QString offered;
    if (printer.outputFormat() == QPrinter::PdfFormat && chosenBefore.isEmpty() &&
        !DefaultFile().empty()) {
        offered = ToQt(DefaultFile());
        printer.setOutputFileName(offered);
    }
    auto* dialog = new QPrintDialog(&printer, owner);
    std::weak_ptr<OpenDialog> weak = open;
    QObject::connect(dialog, &QDialog::finished, dialog, [weak, offered, chosenBefore](int result) {
        QPrinter& p = ProgramPrinter();
        auto o = weak.lock();
        // A file given as the answer is a print to that file, as choosing it in the dialog is.
        if (o && o->answered && result == QDialog::Accepted) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(ToQt(o->choice));
        } else if (!offered.isEmpty() && p.outputFileName() == offered) {
            p.setOutputFileName(chosenBefore);
        }
    });
    dialog->setWindowTitle("Print Setup");
    // Setting up prints nothing: the button that takes the settings says so.
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText("OK");
    if (thread == 0) {
        // Outside every thread nobody waits: the dialog cleans up after itself.
        Run(open, dialog, owner);
        QObject::connect(dialog, &QDialog::finished, dialog, [weak, dialog](int) {
            if (auto o = weak.lock()) {
                auto& all = Dialogs();
                all.erase(std::remove(all.begin(), all.end(), o), all.end());
            }
            dialog->deleteLater();
        });
        return false;
    }
    DialogGuard guard{open};
    Run(open, dialog, owner);
    WaitUntil([&] { return open->finished; });
    return open->accepted;
}

std::vector<DialogInfo> OpenDialogs() {
    std::vector<DialogInfo> out;
    for (auto& d : Dialogs())
        if (!d->finished)
            out.push_back(d->info);
    return out;
}

bool AnswerDialog(bool accept, const std::string& choice) {
    for (auto& d : Dialogs()) {
        if (d->finished || !d->dialog)
            continue;
        d->answered = accept && !choice.empty();
        d->choice = choice;
        // The printer set-up takes what it shows only through its own OK, as a user's click.
        if (accept && d->info.kind == DIALOG_Printer && !d->answered)
            d->dialog->accept();
        else
            d->dialog->done(accept ? QDialog::Accepted : QDialog::Rejected);
        return true;
    }
    return false;
}

} // namespace platform
