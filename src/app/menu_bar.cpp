#include "app/menu_bar.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QShortcut>
#include <QTextDocumentFragment>

MainMenuBar::MainMenuBar(QWidget* window, const QList<MenuSpec>& menus)
{
    menuBar = new QMenuBar(window);
    menuBar->setObjectName("barra_menus");
    // In the window, as on Windows, also where the desktop offers a bar of its own.
    menuBar->setNativeMenuBar(false);
    // The bar keeps the system's menu font, not the form's.
    QFont font = QApplication::font("QMenuBar");
    font.setResolveMask(QFont::AllPropertiesResolved);
    menuBar->setFont(font);
    for (const MenuSpec& entry : menus) {
        QMenu* m = menuBar->addMenu(QString::fromUtf8(entry.title));
        m->setObjectName(entry.name);
        for (QAction* a : entry.items) {
            if (a)
                m->addAction(a);
            else
                m->addSeparator();
        }
    }
    addCorner();
    moveFormUnderTheBar(window);
    // F10 reaches the bar, as on Windows (Alt alone does through the style).
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(f10, &QShortcut::activated, menuBar, [this] {
        if (!menuBar->actions().isEmpty())
            menuBar->setActiveAction(menuBar->actions().first());
    });
}

void MainMenuBar::moveFormUnderTheBar(QWidget* window)
{
    const QSize formSize = window->size();
    const int h = menuBar->sizeHint().height();
    // The tab order as the form sets it, to be put back once the controls have moved.
    QList<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        chain << w;
    formArea = new QWidget(window);
    formArea->setObjectName("formulario");
    formArea->setGeometry(0, h, formSize.width(), formSize.height());
    for (QObject* o : window->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w == formArea || w == menuBar || w->isWindow())
            continue;
        const QRect at = w->geometry();
        const bool hidden = w->isHidden();
        w->setParent(formArea);
        w->setGeometry(at);
        w->setVisible(!hidden);
    }
    for (int i = 0; i + 1 < chain.size(); ++i)
        if (chain[i] != menuBar && chain[i + 1] != menuBar && chain[i] != formArea && chain[i + 1] != formArea)
            QWidget::setTabOrder(chain[i], chain[i + 1]);
    menuBar->setGeometry(0, 0, formSize.width(), h);
    window->setMinimumSize(formSize.width(), formSize.height() + h);
    window->setMaximumSize(formSize.width(), formSize.height() + h);
    window->resize(formSize.width(), formSize.height() + h);
}

void MainMenuBar::addCorner()
{
    auto* corner = new QWidget(menuBar);
    corner->setObjectName("canto");
    auto* row = new QHBoxLayout(corner);
    row->setContentsMargins(0, 0, 8, 0);
    row->setSpacing(14);
    const auto part = [corner, row](const char* name) {
        auto* l = new QLabel(corner);
        l->setObjectName(name);
        l->hide();
        row->addWidget(l);
        return l;
    };
    gravacao = part("gravacao");
    avisos = part("avisos");
    alteracoes = part("alteracoes");
    ligacao = part("ligacao");
    alteracoes->setTextFormat(Qt::RichText);
    alteracoes->setCursor(Qt::PointingHandCursor);
    QObject::connect(alteracoes, &QLabel::linkActivated, menuBar, [this] {
        if (openChanges)
            openChanges();
    });
    avisos->setTextFormat(Qt::RichText);
    avisos->setCursor(Qt::PointingHandCursor);
    QObject::connect(avisos, &QLabel::linkActivated, menuBar, [this] {
        if (openWarnings)
            openWarnings();
    });
    menuBar->setCornerWidget(corner, Qt::TopRightCorner);
}

QMenu* MainMenuBar::menu(const char* name) const { return menuBar->findChild<QMenu*>(name); }

void MainMenuBar::showIn(QLabel* label, const QString& text)
{
    if (label->text() == text && label->isVisible() == !text.isEmpty())
        return;
    label->setText(text);
    // Screen readers hear the words, not a link's markup.
    label->setAccessibleName(label->textFormat() == Qt::RichText ? QTextDocumentFragment::fromHtml(text).toPlainText()
                                                                 : text);
    label->setVisible(!text.isEmpty());
    // The bar places its corner when it is resized: the corner has a new width.
    QWidget* corner = menuBar->cornerWidget(Qt::TopRightCorner);
    corner->adjustSize();
    QResizeEvent placed(menuBar->size(), menuBar->size());
    QCoreApplication::sendEvent(menuBar, &placed);
}

void MainMenuBar::showLink(const QString& text) { showIn(ligacao, text); }

void MainMenuBar::showLinkIn(QLabel* label, const QString& text, const QString& style)
{
    showIn(label, text.isEmpty() ? text : QString("<a href=\"#\"%1>%2</a>").arg(style, text.toHtmlEscaped()));
}

void MainMenuBar::showChanges(const QString& text) { showLinkIn(alteracoes, text, {}); }

void MainMenuBar::showRecording(const QString& text) { showIn(gravacao, text); }

void MainMenuBar::showWarnings(const QString& text)
{
    showLinkIn(avisos, text, " style=\"color:#b01010; font-weight:bold\"");
}

void MainMenuBar::onWarningsClicked(std::function<void()> open) { openWarnings = std::move(open); }

void MainMenuBar::onChangesClicked(std::function<void()> open) { openChanges = std::move(open); }
