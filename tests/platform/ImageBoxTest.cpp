#include "platform/ui/ImageBox.h"
#include "platform/files/FileBundle.h"
#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/ui/Keys.h"
#include "platform/ui/WindowManager.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace platform;
namespace drv = platform::testing;

namespace {

const std::string kPage = std::string(TEST_DATA_DIR) + "/image/page.svg"; // 200 by 100

enum { PAGE = 1 };

struct Preview : WindowManager {
    Window window{[] {
        WindowDef def;
        def.caption = "Report Preview";
        def.width = 200;
        def.height = 120;
        def.controls = {{ControlKind::Image, PAGE, kPage, 0, 0, 80, 40}}; // 120 by 65 pixels
        return def;
    }()};
    std::vector<int> alerts;
    int Setup() override {
        Open(window);
        window[PAGE].AddAlert(MOUSE_Left);
        return RESULT_GoOn;
    }
    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_AlertKey)
            alerts.push_back(KeyCode());
        return WindowManager::OnFieldEvent();
    }
};

class ImageBoxTest : public ::testing::Test {
protected:
    Preview preview;
    ImageBox* image = nullptr;
    void SetUp() override {
        Start([&](const std::string&) { preview.Run(); });
        drv::Settle();
        image = ImageBox::Of(preview.window[PAGE]);
        ASSERT_NE(image, nullptr);
        preview.window.SetPixels(true);
    }
    void TearDown() override {
        drv::ExpectNoMessage();
        EndAllThreads();
        drv::Settle();
    }
    QSize Drawn() const {
        auto* area = static_cast<QScrollArea*>(image->View());
        return area->widget()->size();
    }
};

} // namespace

TEST_F(ImageBoxTest, ShowsTheFileAtTheControlsSizeUntilADrawnSizeIsSet) {
    ASSERT_TRUE(image->Loaded());
    EXPECT_EQ(image->NaturalWidth(), 200);
    EXPECT_EQ(image->NaturalHeight(), 100);
    EXPECT_EQ(Drawn(), QSize(120, 65));
    image->SetDrawnSize(300, 150);
    EXPECT_EQ(Drawn(), QSize(300, 150));
    EXPECT_EQ(image->DrawnWidth(), 300);
    preview.window.SetPixels(false);
    EXPECT_EQ(image->NaturalWidth(), preview.window.FromPixelsX(200));

    preview.window[PAGE].SetText(kPage + ".missing");
    EXPECT_FALSE(image->Loaded());
    EXPECT_EQ(image->NaturalWidth(), 0);
    EXPECT_EQ(preview.window[PAGE].Text(), kPage + ".missing");
}

TEST_F(ImageBoxTest, ScrollPositionsMoveWithinTheDrawnSize) {
    image->SetScrollBars(true, true);
    image->SetDrawnSize(400, 200);
    drv::Settle();
    image->SetVScroll(51);
    image->SetHScroll(52);
    EXPECT_EQ(image->VScroll(), 51);
    EXPECT_EQ(image->HScroll(), 52);
    image->SetVScroll(5000); // past the end: the end
    EXPECT_GT(image->VScroll(), 51);
    EXPECT_LE(image->VScroll(), 200);
    image->SetVScroll(-10);
    EXPECT_EQ(image->VScroll(), 0);

    image->SetScrollBars(false, false);
    EXPECT_FALSE(image->VerticalScrollBar());
}

TEST_F(ImageBoxTest, AClickOnTheImageIsItsAlertKey) {
    drv::Click(preview.window, PAGE);
    EXPECT_EQ(preview.alerts, std::vector<int>{MOUSE_Left});
}

TEST_F(ImageBoxTest, AFileWrittenAgainIsDrawnAsItNowIs) {
    // A page drawn once, then the same file written with another picture and size, as a new
    // report writes its pages under the same names: the new picture shows, and going back to a
    // picture drawn before shows it as it is.
    const std::string file =
        ::testing::TempDir() + "imagebox-" + std::to_string(::getpid()) + ".svg";
    auto write = [&](const char* colour, int width) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "<svg xmlns='http://www.w3.org/2000/svg' width='" << width
            << "' height='100'><rect width='" << width << "' height='100' fill='" << colour
            << "'/></svg>";
    };
    auto centre = [&] {
        auto* label = static_cast<QLabel*>(static_cast<QScrollArea*>(image->View())->widget());
        const QImage shown = label->pixmap().toImage();
        return shown.pixelColor(shown.width() / 2, shown.height() / 2);
    };
    write("red", 200);
    preview.window[PAGE].SetText(file);
    EXPECT_EQ(centre(), QColor(Qt::red));
    preview.window[PAGE].SetText(kPage);
    write("blue", 300);
    preview.window[PAGE].SetText(file);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    EXPECT_EQ(image->NaturalWidth(), 300);
    std::remove(file.c_str());
}

TEST_F(ImageBoxTest, AFileDrawnAheadShowsAsIfDrawnWhenShown) {
    const std::string file =
        ::testing::TempDir() + "imagebox-ahead-" + std::to_string(::getpid()) + ".svg";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "<svg xmlns='http://www.w3.org/2000/svg' width='240' height='130'><rect "
               "width='240' height='130' fill='green'/></svg>";
    }
    const QSize pixels = image->DrawnPixelSize();
    const qreal ratio = image->DrawnPixelRatio();
    ImageBox::DrawAhead(file, pixels, ratio);
    ImageBox::DrawAhead(file + ".missing", pixels, ratio); // nothing to draw
    preview.window[PAGE].SetText(file);
    EXPECT_EQ(image->NaturalWidth(), 240);
    EXPECT_EQ(image->NaturalHeight(), 130);
    EXPECT_EQ(Drawn(), QSize(120, 65));
    auto* label = static_cast<QLabel*>(static_cast<QScrollArea*>(image->View())->widget());
    const QImage shown = label->pixmap().toImage();
    EXPECT_EQ(shown.size(), pixels);
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(0, 128, 0));
    std::remove(file.c_str());
}

// A page kept in a bundle shows as the same page in a file of its own, drawn ahead, together
// with others or when shown; changed in place (as the page totals are stamped), it is drawn as it
// now is, not as it was drawn before.
TEST_F(ImageBoxTest, ABundledPageShowsAsItsFileWouldAndAsItNowIs) {
    drv::TempFolder folder;
    auto page = [](const char* colour) {
        return std::string("<svg xmlns='http://www.w3.org/2000/svg' width='240' height='130'>"
                           "<rect width='240' height='130' fill='white'/>"
                           "<rect x='20' y='20' width='200' height='90' fill='") +
               colour + "'/><text x='20' y='120' font-size='14'>Page 1 of 2</text></svg>";
    };
    auto shown = [&] {
        auto* label = static_cast<QLabel*>(static_cast<QScrollArea*>(image->View())->widget());
        return label->pixmap().toImage();
    };
    const std::string file = folder / "file.svg";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << page("#ff0000");
    }
    preview.window[PAGE].SetText(file);
    const QImage asFile = shown();

    FileBundle bundle;
    std::string error;
    ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
    const std::string first = folder / "page1.svg", second = folder / "page2.svg",
                      third = folder / "page3.svg";
    for (const std::string& name : {first, second, third})
        ASSERT_TRUE(bundle.Add(name, page("#ff0000"), error)) << error;
    const QSize pixels = image->DrawnPixelSize();
    ImageBox::DrawAhead(second, pixels, image->DrawnPixelRatio());
    ImageBox::DrawTogether({{third, pixels}, {first, pixels}}, image->DrawnPixelRatio());
    for (const std::string& name : {first, second, third}) {
        SCOPED_TRACE(name);
        preview.window[PAGE].SetText(name);
        EXPECT_TRUE(image->Loaded());
        EXPECT_EQ(image->NaturalWidth(), 240);
        EXPECT_TRUE(shown() == asFile);
    }

    const std::size_t at = page("#ff0000").find("#ff0000");
    ASSERT_TRUE(PatchBundled(first, at, "#0000ff"));
    preview.window[PAGE].SetText(second);
    preview.window[PAGE].SetText(first);
    const QImage now = shown();
    EXPECT_EQ(now.pixelColor(now.width() / 2, now.height() / 2), QColor(Qt::blue));

    // A page the bundle no longer holds shows nothing.
    ASSERT_TRUE(ForgetBundled(third));
    preview.window[PAGE].SetText(third);
    EXPECT_FALSE(image->Loaded());
}

// Pages drawn together, side by side, show exactly as each drawn alone when shown: pages with
// text and shapes, one named twice, and one that cannot be read (drawn when shown, as nothing).
TEST_F(ImageBoxTest, FilesDrawnTogetherShowAsEachDrawnAlone) {
    const std::string base =
        ::testing::TempDir() + "imagebox-together-" + std::to_string(::getpid()) + "-";
    auto page = [](int n) {
        return "<svg xmlns='http://www.w3.org/2000/svg' width='240' height='130'>"
               "<rect width='240' height='130' fill='white'/>"
               "<rect x='" +
               std::to_string(10 + n * 7) +
               "' y='20' width='60' height='40' fill='navy'/>"
               "<text x='20' y='100' font-size='18'>Page " +
               std::to_string(n) + " of 9, notes</text></svg>";
    };
    auto write = [](const std::string& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    };
    auto shown = [&] {
        auto* label = static_cast<QLabel*>(static_cast<QScrollArea*>(image->View())->widget());
        return label->pixmap().toImage();
    };
    const QSize pixels = image->DrawnPixelSize();
    std::vector<std::pair<std::string, QSize>> files;
    for (int n = 1; n <= 9; ++n) {
        write(base + std::to_string(n) + ".svg", page(n));
        files.emplace_back(base + std::to_string(n) + ".svg", pixels);
    }
    files.emplace_back(base + "3.svg", pixels);
    files.emplace_back(base + "missing.svg", pixels);
    ImageBox::DrawTogether(files, image->DrawnPixelRatio());
    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        preview.window[PAGE].SetText(base + std::to_string(n) + ".svg");
        const QImage together = shown();
        // The same page under a name never drawn: drawn when shown.
        const std::string alone = base + "alone-" + std::to_string(n) + ".svg";
        write(alone, page(n));
        preview.window[PAGE].SetText(alone);
        EXPECT_EQ(image->NaturalWidth(), 240);
        EXPECT_EQ(together.size(), pixels);
        EXPECT_TRUE(together == shown());
        std::remove(alone.c_str());
    }
    preview.window[PAGE].SetText(base + "missing.svg");
    EXPECT_FALSE(image->Loaded());
    for (int n = 1; n <= 9; ++n)
        std::remove((base + std::to_string(n) + ".svg").c_str());
}

// On a screen with two device pixels to a window pixel (CTest runs these tests once more at
// scale factor 2) the image is drawn in the screen's pixels, at the same size in window pixels.
TEST_F(ImageBoxTest, DrawsInTheScreensPixelsAtTheSameSize) {
    auto* area = static_cast<QScrollArea*>(image->View());
    const qreal ratio = area->devicePixelRatioF();
    if (ratio < 2)
        GTEST_SKIP() << "needs a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2)";
    image->SetDrawnSize(300, 150);
    auto* label = qobject_cast<QLabel*>(area->widget());
    ASSERT_NE(label, nullptr);
    const QPixmap shown = label->pixmap();
    EXPECT_EQ(shown.devicePixelRatio(), ratio);
    EXPECT_EQ(shown.size(), QSize(300, 150) * ratio);
    EXPECT_EQ(Drawn(), QSize(300, 150));
}
