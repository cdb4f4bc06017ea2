#include "platform/ui/ImageBox.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Path.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Qt.h"

#include <QBuffer>
#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include <malloc.h>
#include <sys/stat.h>

namespace platform {

// The drawn image; a left click on it is the control's alert key when alerted.
class ImageLabel : public QLabel {
public:
    ImageLabel(ImageBox& image, QWidget* parent) : QLabel(parent), image_(image) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && image_.Alert(MOUSE_Left))
            return;
        QLabel::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && image_.Alert(MOUSE_Left2))
            return;
        QLabel::mouseDoubleClickEvent(event);
    }

private:
    ImageBox& image_;
};

namespace {

// Reads an image from its file, or from the member of a bundle that goes by the file's name.
class ImageFile {
public:
    explicit ImageFile(const std::string& file) {
        contents_ = ReadBundled(file);
        if (!contents_) {
            reader_.setFileName(ToQt(file));
            return;
        }
        buffer_.setData(
            QByteArray::fromRawData(contents_->data(), static_cast<qsizetype>(contents_->size())));
        buffer_.open(QIODevice::ReadOnly);
        reader_.setDevice(&buffer_);
        reader_.setFormat(QFileInfo(ToQt(file)).suffix().toLatin1());
    }
    QImageReader& Reader() { return reader_; }

private:
    std::optional<std::string> contents_;
    QBuffer buffer_;
    QImageReader reader_;
};

// Draws again when the control changes size and the image follows it.
class SizeWatch : public QObject {
public:
    explicit SizeWatch(ImageBox& image, QObject* parent) : QObject(parent), image_(image) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            image_.Fit();
        return false;
    }

private:
    ImageBox& image_;
};

// What identifies the contents of a file: a file written again, or another file put in its place,
// has another stamp; so has a member of a bundle (FileBundle.h) written again.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::int64_t modified = 0; // nanoseconds
    std::uint64_t bundled = 0; // the member's version; 0 a file on disk
    bool operator==(const FileStamp&) const = default;
};

bool StampOf(const std::string& file, FileStamp& stamp) {
    if (std::optional<std::uint64_t> version = BundledVersion(file)) {
        stamp = FileStamp{};
        stamp.bundled = *version;
        return true;
    }
    struct stat st {};
    if (::stat(OsPath(file).c_str(), &st) != 0)
        return false;
    stamp = {st.st_dev, st.st_ino, st.st_size,
             static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    return true;
}

// The images last drawn, by file, contents and drawn size (in the screen's pixels): paging back and
// forth through a preview's pages draws each page (an image file read and rendered at its size)
// once. The least recently used go first once they take more than a limit.
class DrawnImages {
public:
    const QImage* Find(const std::string& file, const FileStamp& stamp, QSize size) {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            Entry& e = entries_[i];
            if (e.file == file && e.stamp == stamp && e.size == size) {
                e.used = ++clock_;
                return &e.image;
            }
        }
        return nullptr;
    }
    // The natural size of a file drawn before, at any size.
    QSize Natural(const std::string& file, const FileStamp& stamp) const {
        for (const Entry& e : entries_)
            if (e.file == file && e.stamp == stamp)
                return e.natural;
        return QSize();
    }
    void Keep(const std::string& file, const FileStamp& stamp, QSize natural, QSize size,
              const QImage& image) {
        entries_.push_back({file, stamp, natural, size, image, ++clock_});
        bytes_ += image.sizeInBytes();
        while (bytes_ > kLimit && entries_.size() > 1) {
            std::size_t oldest = 0;
            for (std::size_t i = 1; i < entries_.size(); ++i)
                if (entries_[i].used < entries_[oldest].used)
                    oldest = i;
            bytes_ -= entries_[oldest].image.sizeInBytes();
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(oldest));
        }
    }

    void Clear() {
        std::vector<Entry>().swap(entries_);
        bytes_ = 0;
    }

private:
    static constexpr qsizetype kLimit = 64 * 1024 * 1024;
    struct Entry {
        std::string file;
        FileStamp stamp;
        QSize natural, size;
        QImage image;
        std::uint64_t used = 0;
    };
    std::vector<Entry> entries_;
    qsizetype bytes_ = 0;
    std::uint64_t clock_ = 0;
};

DrawnImages& Drawn() {
    static DrawnImages drawn;
    return drawn;
}

} // namespace

struct ImageBox::Private {
    QPointer<QScrollArea> area; // the label goes with it
    QPointer<ImageLabel> label;
    QSize natural;
};

ImageBox::ImageBox(Control& control) : ControlWidget(control), p_(std::make_unique<Private>()) {}

QWidget* ImageBox::Build(QWidget* client) {
    p_->area = new QScrollArea(client);
    p_->area->setFrameShape(QFrame::NoFrame);
    p_->area->setWidgetResizable(false);
    p_->area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    p_->label = new ImageLabel(*this, p_->area);
    p_->label->setScaledContents(false);
    p_->area->setWidget(p_->label);
    p_->area->installEventFilter(new SizeWatch(*this, p_->area));
    SetScrollBars(false, false);
    SetFile(Def().text);
    return p_->area;
}

ImageBox::~ImageBox() = default;

ImageBox* ImageBox::Of(Control& control) {
    auto* image = dynamic_cast<ImageBox*>(control.WidgetSide());
    return image && image->View() ? image : nullptr;
}

QWidget* ImageBox::View() const {
    return p_->area;
}

void ImageBox::SetFile(const std::string& file) {
    file_ = file;
    if (!p_->area)
        return;

    if (file.empty()) {
        p_->natural = QSize(); // no file: nothing to read
        Draw();
        return;
    }
    FileStamp stamp;
    if (StampOf(file, stamp)) {
        const QSize natural = Drawn().Natural(file, stamp);
        if (natural.isValid()) {
            p_->natural = natural;
            Draw();
            return;
        }
    }
    ImageFile image(file);
    QImageReader& reader = image.Reader();
    p_->natural = reader.canRead() ? reader.size() : QSize();
    if (!p_->natural.isValid() && reader.canRead()) {
        p_->natural = reader.read().size();
        Draw();
        return;
    }
    Draw(&reader); // the file is read once: a drawing's size and its picture
}

bool ImageBox::Loaded() const {
    return p_->natural.isValid() && !p_->natural.isEmpty();
}

namespace {
int InUnitX(const Window& w, int pixels) {
    return w.Pixels() ? pixels : w.FromPixelsX(pixels);
}
int InUnitY(const Window& w, int pixels) {
    return w.Pixels() ? pixels : w.FromPixelsY(pixels);
}
} // namespace

int ImageBox::NaturalWidth() const {
    return Loaded() ? InUnitX(Owner(), p_->natural.width()) : 0;
}

int ImageBox::NaturalHeight() const {
    return Loaded() ? InUnitY(Owner(), p_->natural.height()) : 0;
}

void ImageBox::SetDrawnSize(int width, int height) {
    const Window& w = Owner();
    drawnWidth_ = w.Pixels() ? width : w.ToPixelsX(width);
    drawnHeight_ = w.Pixels() ? height : w.ToPixelsY(height);
    ownSize_ = true;
    Draw();
}

int ImageBox::DrawnWidth() const {
    if (!p_->area)
        return 0;

    return InUnitX(Owner(), ownSize_ ? drawnWidth_ : p_->area->width());
}

int ImageBox::DrawnHeight() const {
    if (!p_->area)
        return 0;

    return InUnitY(Owner(), ownSize_ ? drawnHeight_ : p_->area->height());
}

qreal ImageBox::DrawnPixelRatio() const {
    return p_->area ? std::max<qreal>(1, p_->area->devicePixelRatioF()) : 1;
}

QSize ImageBox::DrawnPixelSize() const {
    if (!p_->area)
        return QSize();
    const QSize size = ownSize_ ? QSize(drawnWidth_, drawnHeight_) : p_->area->size();
    const qreal ratio = DrawnPixelRatio();
    return QSize(static_cast<int>(std::ceil(size.width() * ratio)),
                 static_cast<int>(std::ceil(size.height() * ratio)));
}

namespace {

// A file drawn at a size, as an image control draws it; a file without a natural size (or one
// that cannot be read) gives nothing, and is drawn when it is shown.
struct Drawing {
    QSize natural;
    QImage image;
};

Drawing DrawFile(const std::string& file, QSize size, qreal ratio) {
    ImageFile source(file);
    QImageReader& reader = source.Reader();
    if (!reader.canRead())
        return {};
    const QSize natural = reader.size();
    if (!natural.isValid() || natural.isEmpty())
        return {};
    reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return {natural, image};
}

} // namespace

void ImageBox::DrawAhead(const std::string& file, QSize size, qreal ratio) {
    FileStamp stamp;
    if (size.isEmpty() || !StampOf(file, stamp) || Drawn().Find(file, stamp, size))
        return;
    Drawing drawing = DrawFile(file, size, ratio);
    if (!drawing.image.isNull())
        Drawn().Keep(file, stamp, drawing.natural, size, drawing.image);
}

void ImageBox::DrawTogether(const std::vector<std::pair<std::string, QSize>>& files, qreal ratio) {
    struct Job {
        std::string file;
        QSize size;
        FileStamp stamp;
        Drawing drawing;
    };
    std::vector<Job> jobs;
    for (const auto& entry : files) {
        const std::string& file = entry.first;
        const QSize& size = entry.second;
        FileStamp stamp;
        if (size.isEmpty() || !StampOf(file, stamp) || Drawn().Find(file, stamp, size))
            continue;
        const bool twice = std::any_of(jobs.begin(), jobs.end(), [&](const Job& j) {
            return j.file == file && j.size == size;
        });
        if (!twice)
            jobs.push_back({file, size, stamp, {}});
    }
    if (jobs.empty())
        return;
    // Each helper takes the next file not taken; this thread draws too. The images kept are
    // only touched here, once all are drawn.
    std::atomic<std::size_t> next{0};
    auto work = [&jobs, &next, ratio] {
        for (std::size_t i; (i = next++) < jobs.size();)
            jobs[i].drawing = DrawFile(jobs[i].file, jobs[i].size, ratio);
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(jobs.size(), cores); ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    for (Job& job : jobs)
        if (!job.drawing.image.isNull())
            Drawn().Keep(job.file, job.stamp, job.drawing.natural, job.size, job.drawing.image);
}

void ImageBox::ForgetDrawn() {
    Drawn().Clear();
    ::malloc_trim(0);
}

void ImageBox::SetScrollBars(bool horizontal, bool vertical) {
    hbar_ = horizontal;
    vbar_ = vertical;
    if (!p_->area)
        return;

    p_->area->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded
                                                      : Qt::ScrollBarAlwaysOff);
    p_->area->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int ImageBox::HScroll() const {
    if (!p_->area)
        return 0;

    return InUnitX(Owner(), p_->area->horizontalScrollBar()->value());
}

int ImageBox::VScroll() const {
    if (!p_->area)
        return 0;

    return InUnitY(Owner(), p_->area->verticalScrollBar()->value());
}

void ImageBox::SetHScroll(int position) {
    if (!p_->area)
        return;

    const Window& w = Owner();
    p_->area->horizontalScrollBar()->setValue(w.Pixels() ? position : w.ToPixelsX(position));
}

void ImageBox::SetVScroll(int position) {
    if (!p_->area)
        return;

    const Window& w = Owner();
    p_->area->verticalScrollBar()->setValue(w.Pixels() ? position : w.ToPixelsY(position));
}

void ImageBox::Fit() {
    if (!ownSize_)
        Draw();
}

void ImageBox::Draw(QImageReader* open) {
    if (!p_->area || !p_->label)
        return;

    QSize size = ownSize_ ? QSize(drawnWidth_, drawnHeight_) : p_->area->size();
    if (!Loaded() || size.isEmpty()) {
        p_->label->clear();
        p_->label->resize(size.expandedTo(QSize(0, 0)));
        return;
    }
    // Drawn in the screen's own pixels, so that drawings (page images) stay sharp at every zoom
    // and on every screen.
    const qreal ratio = std::max<qreal>(1, p_->area->devicePixelRatioF());
    const QSize pixels(static_cast<int>(std::ceil(size.width() * ratio)),
                       static_cast<int>(std::ceil(size.height() * ratio)));
    FileStamp stamp;
    const bool stamped = StampOf(file_, stamp);
    if (stamped) {
        if (const QImage* drawn = Drawn().Find(file_, stamp, pixels)) {
            p_->label->setPixmap(QPixmap::fromImage(*drawn));
            p_->label->resize(size);
            return;
        }
    }
    // Read at that size.
    std::optional<ImageFile> own;
    QImageReader* reader = open;
    if (!reader)
        reader = &own.emplace(file_).Reader();
    reader->setScaledSize(pixels);
    QImage image = reader->read();
    if (image.size() != pixels && !image.isNull())
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    if (stamped && !image.isNull())
        Drawn().Keep(file_, stamp, p_->natural, pixels, image);
    p_->label->setPixmap(QPixmap::fromImage(image));
    p_->label->resize(size);
}

} // namespace platform
