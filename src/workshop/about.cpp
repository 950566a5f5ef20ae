#include "workshop/about.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

void showAbout(QWidget* parent, const tuma::LinkFacts& link)
{
    QDialog about(parent);
    about.setObjectName("SobreForm");
    about.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    about.setWindowTitle("Sobre o Tuma Programável");
    auto* layout = new QVBoxLayout(&about);
    const QString controller = link.checked
        ? QString("Controlador: versão %1, na porta %2")
              .arg(QString::fromStdString(link.controllerVersion), QString::fromStdString(link.port))
        : QString("Controlador: nenhum conectado (use Config.)");
    auto* text = new QLabel(
        QString("<h3>Tuma Programável %1</h3>"
                "<p>%2</p>"
                "<p>Copyright © 2026 os desenvolvedores do Tuma Programável.</p>"
                "<p>Este programa é software livre: pode ser redistribuído e modificado nos termos da "
                "Licença Pública Geral GNU (GPL), versão 3 ou posterior (GPL-3.0-or-later), publicada pela "
                "Free Software Foundation. É distribuído na esperança de ser útil, mas <b>sem nenhuma "
                "garantia</b>. O texto da licença acompanha o programa.</p>"
                "<p>Usa o Qt %3, sob a Licença Pública Geral Menor GNU (LGPL-3.0), o QCustomPlot (GPL-3.0 ou "
                "posterior) e o SQLite (domínio público). No Windows, os avisos do Qt, das bibliotecas incluídas "
                "nele, do QCustomPlot e do SQLite estão em THIRD-PARTY-NOTICES.txt, ao lado do programa.</p>"
                "<p><b>Código-fonte:</b> o código-fonte completo deste programa, e das bibliotecas incluídas nele, "
                "pode ser obtido em <a href=\"%4\">%4</a>; quem recebeu o programa sem ele pode pedi-lo a quem o "
                "forneceu, por no mínimo três anos.</p>")
            .arg(TUMA_VERSION, controller.toHtmlEscaped(), qVersion(), TUMA_SOURCE_URL),
        &about);
    text->setObjectName("texto");
    text->setWordWrap(true);
    text->setOpenExternalLinks(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    about.setMinimumWidth(460);
    about.exec();
}
