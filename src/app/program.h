#pragma once
// The programming dialog: one of the controller's four programming actions.
#include "app/ui_program.h"

#include <QButtonGroup>
#include <QDialog>

class TProgramForm : public QDialog, public Ui::TProgramForm {
    Q_OBJECT
public:
    explicit TProgramForm(QWidget* parent = nullptr);

    void prog_typeClick();
    void button_OKClick();
    void button_CancelClick();

    // The radio groups' selected items.
    int progTypeIndex() const { return progTypeGroup.checkedId(); }
    int mixIndex() const { return mixGroup.checkedId(); }
    void setProgTypeIndex(int i);
    void setMixIndex(int i);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QButtonGroup progTypeGroup;
    QButtonGroup mixGroup;
};
