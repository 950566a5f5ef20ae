// The program's style keeps finished pictures of the chrome that monitoring repaints;
// what reaches the screen must be what the platform's style draws.
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

struct Form {
    QWidget window;
    QGroupBox* box = new QGroupBox("Partida a frio", &window);
    QLineEdit* edits[3] = {new QLineEdit("1000", box), new QLineEdit("52,5", box), new QLineEdit("0.98", box)};
    explicit Form(QStyle* style = nullptr)
    {
        auto* column = new QVBoxLayout(box);
        for (QLineEdit* e : edits)
            column->addWidget(e);
        box->setGeometry(8, 8, 220, 150);
        window.resize(240, 170);
        if (style)
            for (QWidget* w : {&window, static_cast<QWidget*>(box), static_cast<QWidget*>(edits[0]),
                               static_cast<QWidget*>(edits[1]), static_cast<QWidget*>(edits[2])})
                w->setStyle(style);
        window.ensurePolished();
        column->activate();
    }
    QImage render(const QRegion& region = QRegion())
    {
        QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        // A region is drawn with its bounding rectangle's corner at the offset given.
        window.render(&image, region.boundingRect().topLeft(), region);
        return image;
    }
    QRect at(int i) const { return QRect(edits[i]->mapTo(&window, QPoint()), edits[i]->size()); }
};

int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

TEST(Look, BoxesRepaintedApartAreTheWholePicture)
{
    Form form;
    const QImage whole = form.render();
    // Two live boxes that changed: the group box behind them is drawn in two parts.
    const QRegion changed = QRegion(form.at(0)) + QRegion(form.at(2));
    const QImage parts = form.render(changed);
    int wrong = 0;
    for (const QRect& r : changed)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                wrong += parts.pixel(x, y) != whole.pixel(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST(Look, SameAsThePlatformStyle)
{
    const std::unique_ptr<QStyle> platform(
        QStyleFactory::create(qobject_cast<QProxyStyle*>(QApplication::style())->baseStyle()->name()));
    ASSERT_TRUE(platform);
    Form cached, plain(platform.get());
    const QImage a = cached.render(), b = plain.render();
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            worst = std::max(worst, channelDifference(a.pixel(x, y), b.pixel(x, y)));
    // Blending a finished picture rounds the antialiased edges once more.
    EXPECT_LE(worst, 1);
}

} // namespace
