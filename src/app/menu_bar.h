#pragma once
// The main window's menu bar, above the form: its menus built from the rooms' actions,
// and at its right end what a technician wants at a glance (the link, the changes not
// yet written, a recording under way). The form keeps every pixel: it moves as a whole
// into a widget of its own directly under the bar, and the window grows by the bar's
// height, as a menu adds to a window on Windows.
#include <QList>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

// One menu: its title (with its "&" letter), object name and items; nullptr between
// items is a separator.
struct MenuSpec {
    const char* title;
    const char* name;
    QList<QAction*> items;
};

class MainMenuBar {
public:
    MainMenuBar(QWidget* window, const QList<MenuSpec>& menus);

    QMenuBar* bar() const { return menuBar; }
    // The widget that now holds the form, its corner at the window's (0, bar height).
    QWidget* form() const { return formArea; }
    QMenu* menu(const char* name) const;

    // The corner's texts; an empty text hides its part.
    void showLink(const QString& text);
    void showChanges(const QString& text);
    void showRecording(const QString& text);
    // The installation checks' findings ("2 avisos"); a click opens their window.
    void showWarnings(const QString& text);
    void onWarningsClicked(std::function<void()> open);
    // A click on the changes' text.
    void onChangesClicked(std::function<void()> open);

    QLabel* ligacao;
    QLabel* alteracoes;
    QLabel* gravacao;
    QLabel* avisos;

private:
    void moveFormUnderTheBar(QWidget* window);
    void addCorner();
    void showIn(QLabel* label, const QString& text);
    // A text a click acts on; `style` goes into the link's tag.
    void showLinkIn(QLabel* label, const QString& text, const QString& style);
    QMenuBar* menuBar;
    QWidget* formArea;
    std::function<void()> openChanges;
    std::function<void()> openWarnings;
};
