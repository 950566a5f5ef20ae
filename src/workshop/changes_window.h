#pragma once
// "Alterações não gravadas": what the next "&Gravar " would change in the controller,
// field by field, with the controller's value and the one it will get. It follows the
// form while it is open.
#include "core/pending_changes.h"

#include <QWidget>

#include <vector>

class QLabel;
class QTableWidget;

class ChangesWindow : public QWidget {
public:
    explicit ChangesWindow(QWidget* parent = nullptr);
    void showChanges(const std::vector<tuma::PendingChange>& changes, bool writable);

    QLabel* resumo;
    QTableWidget* tabela; // caption, the controller's value, the value after "Gravar", a note
};

// "3 alterações não gravadas", "1 alteração não gravada", or "" for none.
QString pendingCountText(size_t count);
// The menu bar's corner: the technician's changes, and apart the values a write would
// only round; nothing while no change was made (a read's rounding alone is no change).
QString pendingCornerText(size_t changes, size_t rounded);
