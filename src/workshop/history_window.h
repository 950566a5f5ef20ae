#pragma once
// "Histórico do controlador": the history's entries, newest first, found by plate,
// client, words in the notes or period; the entry selected shown field by field in
// its units, with what can be done with its block.
#include "history/history_store.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    HistoryWindow(tuma::history::Store& store, char decimalSeparator, QWidget* parent = nullptr);

    // The newest entries that pass the filter, again from the store.
    void refresh();
    void setCanCompare(bool can);
    // The entry of the selected row; nullptr when none.
    const tuma::history::Entry* selected() const;
    const std::vector<tuma::history::Entry>& entries() const { return rows; }

    QLineEdit* filtro;
    QCheckBox* periodo;
    QDateEdit* de;
    QDateEdit* ate;
    QLabel* situacao; // what is wrong with the database; hidden while all is well
    QTableWidget* lista;
    QLabel* cabecalho;
    QTableWidget* detalhe;
    QPushButton* comparar;
    QPushButton* salvar;
    QPushButton* ficha;
    QPushButton* anotar;
    QPushButton* mais_antigos;
    QPushButton* abrir_copia;
    QLabel* contagem;

    // What happened to the database at the start (a move), above its problems.
    void setNews(const QString& text);

signals:
    void compareRequested(const tuma::history::Entry& entry);
    void saveRequested(const tuma::history::Entry& entry);
    void sheetRequested(const tuma::history::Entry& entry);
    void annotateRequested(const tuma::history::Entry& entry);
    void openCopyRequested();

private:
    QWidget* buildFilter();
    QWidget* buildDetail();
    void buildList(QWidget* parent);
    void connectControls();
    tuma::history::Filter filterNow() const;
    void load(bool more);
    void addRow(const tuma::history::Entry& e);
    void showSelected();
    void showBlocks(const tuma::history::Entry& e);
    void showProblem();
    void updateButtons();

    tuma::history::Store& store;
    char sep;
    bool canCompare = false;
    std::vector<tuma::history::Entry> rows;
    QTimer* typing;
    QString news;
};

// "09/12/2026 15:30:11 · Gravação"
QString entryTitle(const tuma::history::Entry& e);
