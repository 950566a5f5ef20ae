#include "widgets/paint_cache.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <cstring>
#include <initializer_list>
#include <iterator>

namespace {

class CachingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        // Alt pressed and released alone reaches the menu bar, as on Windows, on every system.
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (element != PE_PanelLineEdit || !frame || !plainLineEdit(widget)) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const QString key = cacheKey(*option, painter,
                                     {1, frame->lineWidth, frame->midLineWidth, qint64(frame->features),
                                      qint64(reinterpret_cast<quintptr>(widget->metaObject()))});
        drawCached(key, *option, painter, [&](QPainter* p) { QProxyStyle::drawPrimitive(element, option, p, widget); });
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        // A checkable group box reacts to the pointer over its check box: drawn as is.
        if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox)
            || !qobject_cast<const QGroupBox*>(widget)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QString key
            = cacheKey(*option, painter,
                       {2, qint64(box->textAlignment), qint64(box->textColor.rgba()), qint64(box->features),
                        box->lineWidth, box->midLineWidth, qint64(box->subControls)},
                       box->text);
        drawCached(key, *option, painter,
                   [&](QPainter* p) { QProxyStyle::drawComplexControl(control, option, p, widget); });
    }

private:
    // A line edit of its own: those inside spin and combo boxes are drawn by their owner.
    static bool plainLineEdit(const QWidget* widget)
    {
        if (!qobject_cast<const QLineEdit*>(widget))
            return false;
        const QWidget* owner = widget->parentWidget();
        return !qobject_cast<const QAbstractSpinBox*>(owner) && !qobject_cast<const QComboBox*>(owner);
    }

    // QFont::key() formats every property of the font: only when the font changes,
    // which while monitoring it never does. Painting happens on the GUI thread alone,
    // and the style, with what it remembers, goes with the application.
    const QString& fontKey(const QFont& font) const
    {
        if (lastFontKey.isNull() || !(font == lastFont)) {
            lastFont = font;
            lastFontKey = font.key();
        }
        return lastFontKey;
    }
    mutable QFont lastFont;
    mutable QString lastFontKey;

    // Everything the picture depends on, as the raw bits of its numbers followed by the
    // font and the text: built on every paint, so one allocation and no formatting.
    QString cacheKey(const QStyleOption& option, const QPainter* painter, std::initializer_list<qint64> own,
                     const QString& text = QString()) const
    {
        const qreal ratio = painter->device()->devicePixelRatioF();
        qint64 ratioBits = 0;
        std::memcpy(&ratioBits, &ratio, sizeof ratioBits);
        const qint64 common[] = {option.rect.width(),  option.rect.height(),     ratioBits,
                                 qint64(option.state), qint64(option.direction), qint64(option.palette.cacheKey())};
        const QString& font = fontKey(painter->font());
        constexpr int PerNumber = sizeof(qint64) / sizeof(QChar);
        QString key;
        key.reserve(int(std::size(common) + own.size()) * PerNumber + font.size() + text.size() + 1);
        key.append(reinterpret_cast<const QChar*>(common), int(std::size(common)) * PerNumber);
        key.append(reinterpret_cast<const QChar*>(own.begin()), int(own.size()) * PerNumber);
        key += font;
        key += QChar(0); // the font key never holds one: the text cannot pass for font
        key += text;
        return key;
    }

    template <class Draw>
    static void drawCached(const QString& key, const QStyleOption& option, QPainter* painter, Draw draw)
    {
        const QRect r = option.rect;
        if (r.isEmpty()) {
            draw(painter);
            return;
        }
        QPixmap picture;
        if (!QPixmapCache::find(key, &picture)) {
            const qreal ratio = painter->device()->devicePixelRatioF();
            picture = QPixmap(r.size() * ratio);
            picture.setDevicePixelRatio(ratio);
            picture.fill(Qt::transparent);
            QPainter p(&picture);
            // What the widget set on its painter before asking the style to draw.
            p.setFont(painter->font());
            p.setPen(painter->pen());
            p.setBrush(painter->brush());
            p.setRenderHints(painter->renderHints());
            p.setLayoutDirection(painter->layoutDirection());
            p.translate(-r.topLeft());
            draw(&p);
            p.end();
            QPixmapCache::insert(key, picture);
        }
        drawVisibleParts(painter, r, picture);
    }

    // A live box that changes repaints the group box behind it, through a clip of one
    // rectangle per changed box. Drawn whole through that clip, the picture makes more
    // rows than Qt's raster engine blends alone, and it hands them to its thread pool:
    // two threads woken twice a second, for a few hundred pixels. Drawn part by part,
    // each part stays on this thread; the pixels are the same.
    static void drawVisibleParts(QPainter* painter, const QRect& r, const QPixmap& picture)
    {
        const QPaintEngine* engine = painter->paintEngine();
        const QTransform toDevice = painter->deviceTransform();
        QRegion parts = engine ? engine->systemClip() : QRegion();
        if (parts.rectCount() < 2 || toDevice.type() > QTransform::TxTranslate) {
            painter->drawPixmap(r.topLeft(), picture);
            return;
        }
        parts.translate(-qRound(toDevice.dx()), -qRound(toDevice.dy()));
        parts &= r;
        if (painter->hasClipping())
            parts &= painter->clipRegion();
        const qreal ratio = picture.devicePixelRatio();
        for (const QRect& part : parts) {
            const QRectF source(QPointF(part.topLeft() - r.topLeft()) * ratio, QSizeF(part.size()) * ratio);
            painter->drawPixmap(QRectF(part), picture, source);
        }
    }
};

} // namespace

void installPaintCache()
{
    QStyle* platform = QStyleFactory::create(QApplication::style()->name());
    if (platform)
        QApplication::setStyle(new CachingStyle(platform));
}
