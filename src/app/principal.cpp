#include "app/principal.h"

#include "app/application.h"
#include "app/chart_window.h"
#include "app/field_entry.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/porta_serial.h"
#include "app/program.h"
#include "app/system_menu.h"
#include "app/workshop.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "core/parameters.h"
#include "core/texts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScreen>
#include <QStyle>

using namespace tuma;

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
QString shown(const std::string& text) { return QString::fromStdString(text); }
} // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent)
{
    setupUi(this);
    live = LiveBoxes(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    move(274, 50);
    setWindowIcon(devicePicture());

    const QIcon device = devicePicture();
    for (QToolButton* b : {config, prog, ler, gravar})
        b->setIcon(device);
    sair->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    Timer_Read = new QTimer(this);
    Timer_Read->setInterval(500);
    connectTick(Timer_Read, this, [this] { Timer_ReadTimer(); });

    connect(config, &QToolButton::clicked, this, whenEnabled(config, [this] { configClick(); }));
    connect(prog, &QToolButton::clicked, this, whenEnabled(prog, [this] { progClick(); }));
    connect(ler, &QToolButton::clicked, this, whenEnabled(ler, [this] { lerClick(); }));
    connect(gravar, &QToolButton::clicked, this, whenEnabled(gravar, [this] { gravarClick(); }));
    connect(sair, &QToolButton::clicked, this, whenEnabled(sair, [this] { sairClick(); }));
    connect(rpmdown, &QPushButton::clicked, this, whenEnabled(rpmdown, [this] { rpmdownClick(); }));
    connect(rpmup, &QPushButton::clicked, this, whenEnabled(rpmup, [this] { rpmupClick(); }));
    connect(rpm_cal_button, &QPushButton::clicked, this, whenEnabled(rpm_cal_button, [this] { rpm_cal_buttonClick(); }));
    // A box's click behaviour runs on every change of its state, also when the
    // program makes the change, so a read refreshes the dependent controls.
    connect(acel_rapida_en, &QCheckBox::toggled, this, guarded([this] { acel_rapida_enClick(); }));
    connect(sonda_en, &QCheckBox::toggled, this, guarded([this] { sonda_enClick(); }));
    connect(banda_larga, &QCheckBox::toggled, this, guarded([this] { banda_largaClick(); }));
    connect(heat_en, &QCheckBox::toggled, this, guarded([this] { heat_enClick(); }));

    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        fields.emplace_back(&p, findChild<QLineEdit*>(QString::fromLatin1(p.name)));
        Q_ASSERT(fields.back().second);
    }
    // Every checked field, with its own enter and exit handlers.
    using Handler = void (TMainForm::*)();
    const std::pair<QLineEdit*, std::pair<Handler, Handler>> handlers[] = {
        {limite_corr, {&TMainForm::limite_corrEnter, &TMainForm::limite_corrExit}},
        {temp_corr, {&TMainForm::temp_corrEnter, &TMainForm::temp_corrExit}},
        {var_inicial, {&TMainForm::var_inicialEnter, &TMainForm::var_inicialExit}},
        {tempo_extra, {&TMainForm::tempo_extraEnter, &TMainForm::tempo_extraExit}},
        {injecao_extra, {&TMainForm::injecao_extraEnter, &TMainForm::injecao_extraExit}},
        {temp_max_extra, {&TMainForm::temp_max_extraEnter, &TMainForm::temp_max_extraExit}},
        {tempo_partida, {&TMainForm::tempo_partidaEnter, &TMainForm::tempo_partidaExit}},
        {temp_max_cold, {&TMainForm::temp_max_coldEnter, &TMainForm::temp_max_coldExit}},
        {porc_mistura, {&TMainForm::porc_misturaEnter, &TMainForm::porc_misturaExit}},
        {tempo_ajuste, {&TMainForm::tempo_ajusteEnter, &TMainForm::tempo_ajusteExit}},
        {valor_lambda, {&TMainForm::valor_lambdaEnter, &TMainForm::valor_lambdaExit}},
    };
    std::vector<FieldEntry::Field> entries;
    for (const auto& [field, h] : handlers)
        entries.push_back({field, [this, enter = h.first] { (this->*enter)(); }, [this, exit = h.second] { (this->*exit)(); }});
    entry = new FieldEntry(std::move(entries), this);
    createWorkshopMenu();
}

void TMainForm::createWorkshopMenu()
{
    menu_oficina = new QMenu(this);
    menu_oficina->setObjectName("menu_oficina");
    const auto item = [this](const char* name, const char* text, const QKeySequence& keys, void (TMainForm::*handler)()) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(name);
        a->setShortcut(keys);
        // The shortcut works with the menu closed, while this window has the focus.
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, guarded([this, handler] { (this->*handler)(); }));
        addAction(a);
        menu_oficina->addAction(a);
        return a;
    };
    acao_salvar = item("acao_salvar", "Salvar parâmetros do controlador...", QKeySequence(Qt::CTRL | Qt::Key_S),
                       &TMainForm::salvarClick);
    acao_abrir = item("acao_abrir", "Abrir parâmetros de arquivo...", QKeySequence(Qt::CTRL | Qt::Key_O),
                      &TMainForm::abrirClick);
    acao_ficha = item("acao_ficha", "Imprimir ficha (PDF)...", QKeySequence(Qt::CTRL | Qt::Key_P),
                      &TMainForm::fichaClick);
    menu_oficina->addSeparator();
    acao_grafico = item("acao_grafico", "Gráfico dos valores instantâneos...", QKeySequence(Qt::CTRL | Qt::Key_G),
                        &TMainForm::graficoClick);
    acao_abrir_registro = item("acao_abrir_registro", "Abrir registro...", QKeySequence(), &TMainForm::abrir_registroClick);
    menu_oficina->addSeparator();
    acao_sobre = item("acao_sobre", "Sobre o Tuma Programável...", QKeySequence(Qt::Key_F1), &TMainForm::sobreClick);
    updateWorkshopMenu();
    addToSystemMenu(this, {acao_salvar, acao_abrir, acao_ficha, acao_grafico, acao_abrir_registro, acao_sobre});
}

void TMainForm::updateWorkshopMenu()
{
    acao_salvar->setEnabled(haveLastRead);
    acao_ficha->setEnabled(haveLastRead);
    acao_abrir->setEnabled(portDialog && portDialog->linkChecked());
}

void TMainForm::contextMenuEvent(QContextMenuEvent* e)
{
    // The edit fields keep their own menus: their events never reach the window.
    updateWorkshopMenu();
    menu_oficina->exec(e->globalPos());
}

LinkInfo TMainForm::linkInfo() const
{
    LinkInfo info;
    if (portDialog && portDialog->linkChecked())
        info = {true, portDialog->controllerVersion(), portDialog->checkedPort()};
    return info;
}

void TMainForm::salvarClick()
{
    if (haveLastRead)
        saveBlock(this, lastRead, linkInfo());
}

void TMainForm::fichaClick()
{
    if (haveLastRead)
        writeSheet(this, lastRead, linkInfo(), decimalSep);
}

void TMainForm::sobreClick() { showAbout(this, linkInfo()); }

void TMainForm::graficoClick()
{
    if (!chart) {
        chart = new ChartWindow(history, decimalSep);
        connect(chart, &ChartWindow::openLogRequested, this, [this] { abrir_registroClick(); });
        // Beside the main window where the screen has room, so that both stay in view.
        if (const QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            const QPoint beside(frameGeometry().right() + 8, frameGeometry().top());
            if (beside.x() + chart->width() <= room.right())
                chart->move(beside);
        }
    }
    chart->show();
    chart->raise();
    chart->activateWindow();
}

void TMainForm::abrir_registroClick()
{
    DriveLog log;
    QString name;
    if (!openDriveLog(this, log, name))
        return;
    // A window of its own, so that the live chart goes on beside it.
    auto* viewer = new ChartWindow(log, name, decimalSep);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    connect(viewer, &ChartWindow::openLogRequested, this, [this] { abrir_registroClick(); });
    viewers << viewer;
    viewer->show();
}

void TMainForm::abrirClick()
{
    if (!portDialog->linkChecked() || !checkFocusedField())
        return;
    // As "&Gravar ": no poll while the file goes in, and the monitor runs afterwards.
    Timer_Read->stop();
    if (openAndWrite(this, portDialog->link(), linkInfo(), decimalSep))
        lerClick();
    Timer_Read->start();
}

TMainForm::~TMainForm()
{
    // Fields lose the focus while the window is torn down: no exit check then.
    delete entry;
    entry = nullptr;
    delete chart;
    for (const QPointer<ChartWindow>& v : viewers)
        delete v.data();
}

void TMainForm::useWindows(TForm2* ports, TProgramForm* programming)
{
    portDialog = ports;
    programmingDialog = programming;
    updateWorkshopMenu();
}

std::string TMainForm::textOf(const QLineEdit* field) { return field->text().toStdString(); }

std::string TMainForm::scaleText() const { return rpm_cal->text().toStdString(); }

QLineEdit* TMainForm::fieldOf(const Parameter& p) const
{
    for (const auto& [row, field] : fields)
        if (row == &p)
            return field;
    return nullptr;
}

const Parameter* TMainForm::parameterOf(const QLineEdit* field) const
{
    for (const auto& [row, f] : fields)
        if (f == field)
            return row;
    return nullptr;
}

// ------------------------------------------------------------------ start-up buttons

void TMainForm::sairClick() { close(); }

void TMainForm::configClick()
{
    portDialog->exec();
    if (portDialog->linkChecked()) {
        prog->setEnabled(true);
        ler->setEnabled(true);
    } else {
        prog->setEnabled(false);
        ler->setEnabled(false);
        gravar->setEnabled(false);
        Timer_Read->stop();
    }
    updateWorkshopMenu();
}

void TMainForm::progClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    apply(programmingDialog->program(limite_corr->text(), decimalSep));
    Timer_Read->start();
}

void TMainForm::apply(const ProgrammingOutcome& outcome)
{
    switch (outcome.kind) {
    case ProgrammingOutcome::MixtureStored:
        // The image is what "&Gravar " sends back; it must carry the new mixture, not
        // the one the last read found.
        configBlock[addr::cfg(addr::Mixture)] = outcome.mixture;
        lastRead[addr::cfg(addr::Mixture)] = outcome.mixture;
        break;
    case ProgrammingOutcome::ControllerMayHaveChanged:
        // A reset or a learning procedure changes the controller's parameter memory in
        // ways the image does not know (and a failed request may have got through all
        // the same); writing the image would undo them.
        gravar->setEnabled(false);
        haveLastRead = false;
        updateWorkshopMenu();
        break;
    case ProgrammingOutcome::Nothing:
        break;
    }
}

// ------------------------------------------------------------------ reading and writing

void TMainForm::lerClick()
{
    tuma::Link& link = portDialog->link();
    if (commands::readConfig(link, configBlock)) {
        std::copy(std::begin(configBlock), std::end(configBlock), std::begin(lastRead));
        haveLastRead = true;
        updateWorkshopMenu();
        rpm_cal->setText("1");
        for (const char* name : ReadOrder) {
            const Parameter& p = *parameterNamed(name);
            fieldOf(p)->setText(shown(p.decode(configBlock, scaleText(), decimalSep)));
        }

        editFlags = configBlock[addr::cfg(addr::OptionFlags)];
        sonda_en->setChecked(editFlags & bits::SlowLambda);
        sonda_enClick();
        map_prg->setBrushColor(editFlags & bits::MapLearned ? Green : Red);
        rpm_prg->setBrushColor(editFlags & bits::LambdaIdleLearned ? Green : Red);
        banda_larga->setChecked(editFlags & bits::WideBand);
        acel_rapida_en->setChecked(editFlags & bits::QuickAccel);
        acel_rapida_enClick();
        heat_en->setChecked(editFlags & bits::EngineHeating);
        heat_enClick();

        rpm_adj->setText(shown(shownText(idleSpeed(), configBlock, scaleText(), decimalSep)));
        gravar->setEnabled(true);
        prog->setEnabled(true);
    } else {
        showMessage(texts::CommFailure, texts::CommFailureCaption);
        gravar->setEnabled(false);
    }

    if (commands::readShortLive(link, liveValues)) {
        live.show(liveValues, addr::ShortLiveFirst, scaleText());
        Timer_Read->start();
        sync->setBrushColor(Green);
    }
}

void TMainForm::gravarClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    if (confirm(texts::ConfirmWrite, texts::ConfirmCaption)) {
        // Every field in turn; the first that does not convert stops the write.
        for (const auto& [p, field] : fields)
            p->encode(configBlock, textOf(field), scaleText(), decimalSep);
        configBlock[addr::cfg(addr::OptionFlags)] = editFlags;

        if (commands::writeConfig(portDialog->link(), configBlock)) {
            showMessage(texts::ProgrammingOk, "Gravação");
            lerClick();
        } else {
            showMessage(texts::CommFailure, texts::CommFailureCaption);
        }
    }
    Timer_Read->start();
}

// ------------------------------------------------------------------ live values

void TMainForm::Timer_ReadTimer()
{
    if (commands::readLive(portDialog->link(), liveValues)) {
        live.show(liveValues, addr::LiveFirst, scaleText());
        history.add(liveValues);
    } else {
        history.add(nullptr);
        Timer_Read->stop();
        sync->setBrushColor(Red);
        gravar->setEnabled(false);
        prog->setEnabled(false);
        showMessage(texts::CommFailure, texts::CommFailureCaption);
    }
}

// ------------------------------------------------------------------ idle speed and scale

namespace {
// The idle speed stepped by 25 RPM: down no lower than its row's lower bound, up no
// higher than its upper bound (a value the scale button put beyond the other bound
// stays where it is).
QString steppedIdleSpeed(const std::string& text, int32_t step)
{
    const Parameter& row = idleSpeed();
    const auto lower = static_cast<int32_t>(row.lower), upper = static_cast<int32_t>(row.upper);
    // Wide enough for any integer text plus the step.
    int64_t v = int64_t{parseInteger(text)} + step;
    if (step < 0 && v < lower) {
        showMessage(QString("O valor mínimo é %1RPM!").arg(lower), "Aviso!");
        v = lower;
    } else if (step > 0 && v > upper) {
        showMessage(QString("O valor máximo é %1RPM!").arg(upper), "Aviso!");
        v = upper;
    }
    return QString::number(v);
}
} // namespace

void TMainForm::rpmdownClick() { rpm_adj->setText(steppedIdleSpeed(textOf(rpm_adj), -25)); }

void TMainForm::rpmupClick() { rpm_adj->setText(steppedIdleSpeed(textOf(rpm_adj), 25)); }

void TMainForm::rpm_cal_buttonClick()
{
    const int32_t scale = parseInteger(scaleText());
    const char* next = nullptr;
    switch (scale) {
    case 1: next = "2"; break;
    case 2: next = "4"; break;
    case 4: next = "8"; break;
    case 8: next = "1"; break;
    default: return;
    }
    rpm_cal->setText(next);
    int64_t v = parseInteger(textOf(rpm_adj));
    v = scale == 8 ? v * 8 : v / 2;
    rpm_adj->setText(QString::number(v));
}

// ------------------------------------------------------------------ option check boxes

void TMainForm::setFlag(uint8_t bit, bool on)
{
    editFlags = on ? static_cast<uint8_t>(editFlags | bit) : static_cast<uint8_t>(editFlags & ~bit);
}

void TMainForm::setEnabledAll(std::initializer_list<QWidget*> widgets, bool on)
{
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

void TMainForm::acel_rapida_enClick()
{
    const bool on = acel_rapida_en->isChecked();
    setFlag(bits::QuickAccel, on);
    setEnabledAll({var_inicial, tempo_extra, Label1, Label2, Label3, Label4}, on);
}

void TMainForm::sonda_enClick()
{
    const bool on = sonda_en->isChecked();
    setFlag(bits::SlowLambda, on);
    setEnabledAll({tempo_ajuste, valor_lambda, banda_larga, Label17, Label18, Label19, Label20}, on);
}

void TMainForm::banda_largaClick()
{
    const bool on = banda_larga->isChecked();
    Label20->setText(on ? "V " : "mV ");
    setFlag(bits::WideBand, on);
}

void TMainForm::heat_enClick()
{
    const bool on = heat_en->isChecked();
    setFlag(bits::EngineHeating, on);
    setEnabledAll({injecao_extra, temp_max_extra, Label11, Label12, Label13, Label14}, on);
}

// ------------------------------------------------------------------ field entry

void TMainForm::fieldEnter(QLineEdit* field) { savedText = field->text(); }

bool TMainForm::checkFocusedField() { return entry->checkFocused(); }

void TMainForm::reject(QLineEdit* field, const char* message, const char* caption)
{
    entry->rejected();
    // The box takes the focus and gives it to the next field, whose entry then
    // replaces savedText: keep the text to put back before showing it.
    const QString previous = savedText;
    showMessage(QString::fromUtf8(message), caption);
    field->setText(previous);
}

bool TMainForm::fieldExit(QLineEdit* field)
{
    const EntryVerdict verdict = checkEntry(*parameterOf(field), textOf(field), decimalSep, textOf(limite_corr));
    if (verdict.accepted())
        return true;
    reject(field, verdict.message, verdict.caption);
    return false;
}

void TMainForm::limite_corrExit()
{
    if (!fieldExit(limite_corr))
        return;
    if (exceedsMaxCorrection(parseDecimal(textOf(porc_mistura), decimalSep), textOf(limite_corr), decimalSep))
        porc_mistura->setText(limite_corr->text());
}

void TMainForm::porc_misturaExit() { fieldExit(porc_mistura); }
