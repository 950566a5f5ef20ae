// The technician's manual inside the program: every message the windows can show is
// explained in its troubleshooting part, every picture loads, the contents lead to
// each section and the search finds a message.
#include "support/widget_harness.h"

#include "core/installation_checks.h"
#include "core/parameters.h"
#include "core/texts.h"
#include "workshop/manual_window.h"
#include "workshop/workshop.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocumentFragment>

#include <set>

using namespace tuma;
using namespace tuma::test;

namespace {

// The troubleshooting part as a reader sees it.
QString troubleshooting()
{
    const QString html = manualHtml();
    const int from = html.indexOf("<h2 id=\"mensagens\">");
    const int to = html.indexOf("<h2", from + 1);
    EXPECT_GE(from, 0);
    return QTextDocumentFragment::fromHtml(html.mid(from, to < 0 ? -1 : to - from)).toPlainText();
}

// The fixed part of each message the windows pass to a box, read from their sources.
std::set<QString> messagesInTheSources()
{
    std::set<QString> found;
    QString top = QString::fromUtf8(TUMA_SOURCE_DIR);
#ifdef Q_OS_WIN
    top = "Z:" + top; // wine's view of the build machine
#endif
    const QRegularExpression call(
        R"re((?:showMessage|confirm)\(\s*(?:QString(?:::fromUtf8)?\()?"((?:[^"\\]|\\.)*)")re");
    for (const char* room : {"forms", "workshop", "chart", "widgets", "app"}) {
        QDirIterator files(top + "/src/" + room, {"*.cpp"}, QDir::Files);
        while (files.hasNext()) {
            QFile f(files.next());
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
            const QString text = QString::fromUtf8(f.readAll());
            for (auto m = call.globalMatch(text); m.hasNext();) {
                QString fixed = m.next().captured(1);
                fixed = fixed.left(fixed.indexOf(QRegularExpression(R"([%(]|\\n)"))).trimmed();
                if (fixed.size() >= 4)
                    found.insert(fixed);
            }
        }
    }
    return found;
}

TEST(Manual, EveryMessageIsExplained)
{
    const QString help = troubleshooting();
    std::set<QString> messages = messagesInTheSources();
    EXPECT_GE(messages.size(), 12u) << "the sources were not read";
    for (const char* t : {texts::CommFailure, texts::ProgrammingOk, texts::ConfirmWrite, "Invalid COMM Port",
                          "is not a valid floating point value", "is not a valid integer value"})
        messages.insert(QString::fromUtf8(t));
    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        for (const char* m : {p.conversionMessage, p.rangeMessage})
            if (m && *m)
                messages.insert(QString::fromUtf8(m));
    }
    for (const QString& m : messages)
        EXPECT_TRUE(help.contains(m)) << "the manual does not explain: " << m.toStdString();
}

TEST(Manual, EveryFindingOfTheDiagnosisIsExplainedWithWhatToCheck)
{
    const QString html = manualHtml();
    const int from = html.indexOf("<h2 id=\"diagnostico\">");
    ASSERT_GE(from, 0);
    const QString chapter
        = QTextDocumentFragment::fromHtml(html.mid(from, html.indexOf("<h2", from + 1) - from)).toPlainText();
    for (size_t i = 0; i < checks::CheckCount; ++i) {
        const checks::Rule& r = checks::ruleTable()[i];
        for (const char* t : {r.title, r.whatToCheck, r.judgedWhen})
            EXPECT_TRUE(chapter.contains(QString::fromUtf8(t))) << "the manual does not explain: " << t;
    }
}

TEST(Manual, EveryPictureLoadsAndTheContentsLeadToEachSection)
{
    const QString html = manualHtml();
    ASSERT_FALSE(html.isEmpty());
    const QRegularExpression image("<img src=\"([^\"]+)\"");
    int images = 0;
    for (auto m = image.globalMatch(html); m.hasNext(); ++images) {
        const QString src = m.next().captured(1);
        EXPECT_FALSE(QImage(":/manual/" + src).isNull()) << src.toStdString();
    }
    EXPECT_GE(images, 6);
    // Each link of the contents names a section that is there.
    const QRegularExpression link("<a href=\"#([^\"]+)\">");
    for (auto m = link.globalMatch(html); m.hasNext();) {
        const QString id = m.next().captured(1);
        EXPECT_TRUE(html.contains("id=\"" + id + "\"")) << id.toStdString();
    }
}

class ManualInTheProgram : public Windows { };

TEST_F(ManualInTheProgram, F1OpensItAndTheSearchFindsAMessage)
{
    action("acao_manual")->trigger();
    ManualWindow* m = house->workshop().manualWindow();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(action("acao_manual")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_GE(m->indice->count(), 14);
    EXPECT_TRUE(m->find(QString::fromUtf8("Falha na Comunicação")));
    EXPECT_EQ(m->texto->textCursor().selectedText(), QString::fromUtf8("Falha na Comunicação"));
    EXPECT_FALSE(m->find("palavra que o manual não tem"));
    m->close();
}

} // namespace
