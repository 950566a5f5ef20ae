#include "application.h"

#include "core/number_text.h"
#include "message_box.h"

#include <QLocale>

const char* const ApplicationTitle = "Tuma Programável";

void showApplicationError(const QString& text)
{
    showMessage(text, QString::fromUtf8(ApplicationTitle));
}

void showApplicationError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        showApplicationError(QString::fromUtf8(e.what()));
    } catch (...) {
        showApplicationError(QString());
    }
}

TumaApplication::TumaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TumaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showApplicationError(std::current_exception());
        return false;
    }
}

void applyRegionalSettings()
{
    const QString point = QLocale::system().decimalPoint();
    const QChar c = point.isEmpty() ? QChar('.') : point.at(0);
    tuma::setDecimalSeparator(c.toLatin1() ? c.toLatin1() : '.');
}
