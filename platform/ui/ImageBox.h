// Image controls: the control's text names an image file, drawn at the control's size or at a
// drawn size of its own, inside scroll bars that can be switched on. Sizes and scroll positions
// are in the window's unit (dialog units, or pixels while its pixel switch is on).
#pragma once

#include "platform/ui/ControlWidget.h"
#include "platform/ui/Window.h"

#include <QSize>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QImageReader;
class QWidget;

namespace platform {

class ImageBox : public ControlWidget {
public:
    // The image of a control; null when it is no image control, is not built yet or its window
    // has closed.
    static ImageBox* Of(Control& control);

    // Shows another file; a file that cannot be read shows nothing.
    void SetFile(const std::string& file);
    std::string File() const { return file_; }
    bool Loaded() const;

    // The image's own size; 0 when nothing is loaded.
    int NaturalWidth() const;
    int NaturalHeight() const;
    // The size the image is drawn at; until one is set, the control's size.
    void SetDrawnSize(int width, int height);
    int DrawnWidth() const;
    int DrawnHeight() const;

    // The size the image is drawn at in the screen's own pixels, and how many of those a pixel
    // of the window's takes.
    QSize DrawnPixelSize() const;
    qreal DrawnPixelRatio() const;
    // Draws a file at a size in the screen's pixels into the images kept of what was drawn,
    // without showing it, so that an image control showing it later at that size draws nothing:
    // for pages the user is likely to turn to next.
    static void DrawAhead(const std::string& file, QSize size, qreal ratio);
    // The same for several files at once, each at its own size, drawn side by side on several
    // processor cores: for a set of pages about to be shown together. Returns when all are kept.
    static void DrawTogether(const std::vector<std::pair<std::string, QSize>>& files, qreal ratio);
    // Forgets every image kept of what was drawn, and gives its memory back: for a window that
    // showed many images (the print preview) and has closed.
    static void ForgetDrawn();

    void SetScrollBars(bool horizontal, bool vertical);
    bool HorizontalScrollBar() const { return hbar_; }
    bool VerticalScrollBar() const { return vbar_; }
    // Scroll positions; kept within what the drawn size allows.
    int HScroll() const;
    int VScroll() const;
    void SetHScroll(int position);
    void SetVScroll(int position);

    // The platform's own.
    QWidget* View() const;
    void Fit(); // the control changed size
    QWidget* Build(QWidget* client) override;
    void ShowText(const std::string& text) override { SetFile(text); }

    explicit ImageBox(Control& control);
    ~ImageBox() override;
    ImageBox(const ImageBox&) = delete;
    ImageBox& operator=(const ImageBox&) = delete;

private:
    friend class ImageLabel;
    // Draws the file, with the reader that has it open when there is one.
    void Draw(QImageReader* open = nullptr);

    struct Private;
    std::string file_;
    bool hbar_ = false, vbar_ = false;
    bool ownSize_ = false;
    int drawnWidth_ = 0, drawnHeight_ = 0; // pixels
    std::unique_ptr<Private> p_;
};

} // namespace platform
