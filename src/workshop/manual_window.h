#pragma once
// "Manual do técnico": the technician's manual inside the program, without internet:
// its table of contents, the text with the program's screenshots, and a search.
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;

class ManualWindow : public QWidget {
public:
    explicit ManualWindow(QWidget* parent = nullptr);

    // Finds the next place of `text` after the cursor (from the top past the end);
    // false when the manual does not have it.
    bool find(const QString& text);

    QListWidget* indice; // the sections; a click goes there
    QTextBrowser* texto;
    QLineEdit* busca;
    QLabel* resultado;
};

// The manual's source as the program carries it.
QString manualHtml();
