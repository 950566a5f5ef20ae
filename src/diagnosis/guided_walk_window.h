#pragma once
// "Verificação guiada da instalação": the five steps of the guided check one after the
// other, each with its instruction, the live values that matter for it, its progress and
// its results as they are measured; at the end a summary, the printed result and an
// entry in the history. It follows the polls the monitor makes (core/guided_walk.h).
#include "core/guided_walk.h"

#include <QWidget>

#include <memory>

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

class GuidedWalkWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuidedWalkWindow(char decimalSeparator, QWidget* parent = nullptr);
    ~GuidedWalkWindow() override;

    // A fresh walk with the block as last read.
    void begin(const tuma::checks::Settings& settings);
    // A poll of the monitor, decoded once.
    void poll(const tuma::checks::Reading& reading);
    const tuma::checks::Walk* walk() const { return current.get(); }

    QLabel* etapa;
    QLabel* instrucao;
    QLabel* valores;
    QProgressBar* progresso;
    QLabel* situacao;
    QTableWidget* resultados;
    QLabel* resumo;
    QPushButton* pular;
    QPushButton* cancelar;
    QPushButton* imprimir;
    QPushButton* recomecar;

signals:
    // The engine is asked to do what this step needs (the demo's engine does it).
    void stepStarted(int step);
    // Once per walk: completed, or cancelled with what was measured so far.
    void ended(const tuma::checks::WalkReport& report);
    void printRequested(const tuma::checks::WalkReport& report);

protected:
    void closeEvent(class QCloseEvent* event) override;

private:
    QHBoxLayout* buildButtons();
    void refresh(const tuma::checks::Reading* reading);
    void end();

    char sep;
    tuma::checks::Settings settings;
    std::unique_ptr<tuma::checks::Walk> current;
    size_t stepShown = 99;
    bool reported = false;
};
