#pragma once
// "Comparar com o controlador": a parameter file beside the block the controller holds
// now, field by field, before anything is written.
#include "core/commands.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class QVBoxLayout;
namespace tuma {
struct BlockRow;
struct FileHeader;
struct ParsedFile;
} // namespace tuma

class CompareWindow : public QDialog {
public:
    CompareWindow(QWidget* parent, const QString& fileName, const tuma::ParsedFile& file, const tuma::Block& controller,
                  const QString& controllerVersion, char decimalSeparator);

    QLabel* cabecalho;    // the file's header
    QLabel* aviso;        // another controller version; hidden otherwise
    QLabel* resumo;       // how many rows differ
    QTableWidget* tabela; // caption, controller's value, file's value
    QPushButton* gravar_controlador;
    QPushButton* cancelar;

    // One flag per row, the rows to write from the file; empty when every row that
    // differs is ticked (the whole file).
    std::vector<bool> ticked() const;

private:
    void addHeader(QVBoxLayout* layout, const QString& fileName, const tuma::FileHeader& header,
                   const QString& controllerVersion);
    void addTable(QVBoxLayout* layout, const std::vector<tuma::BlockRow>& rows);
    void addButtons(QVBoxLayout* layout);
};
