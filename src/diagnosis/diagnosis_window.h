#pragma once
// "Diagnóstico da instalação": every check in a row (Verificação, Situação, Desde,
// O que conferir) and beside them the live values the checks judge by, following each
// poll. With the demo port a fault of the simulated engine can be switched on here.
#include <QWidget>

class DiagnosisRoom;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

class DiagnosisWindow : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosisWindow(DiagnosisRoom& room);

    // Shows the checks as they stand now.
    void refresh();

    QTableWidget* verificacoes;
    QLabel* valores;
    QLabel* situacao;
    QPushButton* recomecar;
    QComboBox* defeito_simulado; // nullptr without the demo port

private:
    void buildTable();
    QHBoxLayout* buildBar();
    // A check's row; true when its texts changed (the rows' heights follow).
    bool showCheck(size_t i);
    void showValues();
    void showSituation();

    DiagnosisRoom& room;
};
