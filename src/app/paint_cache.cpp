#include "app/paint_cache.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

class CachingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (element != PE_PanelLineEdit || !frame || !plainLineEdit(widget)) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const QString key = QStringLiteral("tuma-panel %1 %2 %3 %4 %5").arg(common(*option, painter))
                                .arg(frame->lineWidth).arg(frame->midLineWidth).arg(int(frame->features))
                                .arg(QString::fromLatin1(widget->metaObject()->className()));
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
        const QString key = QStringLiteral("tuma-group %1 %2 %3 %4 %5 %6 %7 %8").arg(common(*option, painter))
                                .arg(box->text).arg(int(box->textAlignment)).arg(box->textColor.rgba())
                                .arg(int(box->features)).arg(box->lineWidth).arg(box->midLineWidth)
                                .arg(int(box->subControls));
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

    static QString common(const QStyleOption& option, const QPainter* painter)
    {
        return QStringLiteral("%1x%2 %3 %4 %5 %6 %7")
            .arg(option.rect.width()).arg(option.rect.height())
            .arg(painter->device()->devicePixelRatioF())
            .arg(int(option.state)).arg(int(option.direction))
            .arg(option.palette.cacheKey()).arg(painter->font().key());
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
        painter->drawPixmap(r.topLeft(), picture);
    }
};

} // namespace

void installPaintCache()
{
    QStyle* platform = QStyleFactory::create(QApplication::style()->name());
    if (platform)
        QApplication::setStyle(new CachingStyle(platform));
}
