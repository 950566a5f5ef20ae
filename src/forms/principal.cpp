#include "forms/principal.h"

#include "core/memory_map.h"
#include "core/number_text.h"
#include "core/parameters.h"
#include "core/texts.h"
#include "forms/porta_serial.h"
#include "forms/program.h"
#include "widgets/field_entry.h"
#include "widgets/handlers.h"
#include "widgets/message_box.h"
#include "widgets/pictures.h"

#include <QStyle>

using namespace tuma;

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
QString shown(const std::string& text) { return QString::fromStdString(text); }
} // namespace

TMainForm::TMainForm(MessageBoxes& b, QWidget* parent) : QWidget(parent), boxes(b)
{
    setupUi(this);
    live = LiveBoxes(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    move(274, 50);
    setWindowIcon(devicePicture());

    const QIcon device = devicePicture();
    for (QToolButton* b : {config, prog, ler, gravar})
        b->setIcon(device);
    sair->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    Timer_Read = new MonitorTimer(this);
    Timer_Read->setInterval(500);
    connect(Timer_Read, &MonitorTimer::runningChanged, this, &TMainForm::monitorChanged);
    connectTick(Timer_Read, this, [this] { Timer_ReadTimer(); });

    connect(config, &QToolButton::clicked, this, whenEnabled(config, [this] { configClick(); }));
    connect(prog, &QToolButton::clicked, this, whenEnabled(prog, [this] { progClick(); }));
    connect(ler, &QToolButton::clicked, this, whenEnabled(ler, [this] { lerClick(); }));
    connect(gravar, &QToolButton::clicked, this, whenEnabled(gravar, [this] { gravarClick(); }));
    connect(sair, &QToolButton::clicked, this, whenEnabled(sair, [this] { sairClick(); }));
    connect(rpmdown, &QPushButton::clicked, this, whenEnabled(rpmdown, [this] { rpmdownClick(); }));
    connect(rpmup, &QPushButton::clicked, this, whenEnabled(rpmup, [this] { rpmupClick(); }));
    connect(rpm_cal_button, &QPushButton::clicked, this,
            whenEnabled(rpm_cal_button, [this] { rpm_cal_buttonClick(); }));
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
        entries.push_back(
            {field, [this, enter = h.first] { (this->*enter)(); }, [this, exit = h.second] { (this->*exit)(); }});
    entry = new FieldEntry(std::move(entries), this);
}

bool TMainForm::holdMonitor()
{
    if (!checkFocusedField())
        return false;
    Timer_Read->stop();
    return true;
}

void TMainForm::releaseMonitor(bool reread)
{
    if (reread)
        lerClick();
    Timer_Read->start();
}

tuma::Link& TMainForm::link() { return portDialog->link(); }

TMainForm::~TMainForm()
{
    // Fields lose the focus while the window is torn down: no exit check then.
    delete entry;
    entry = nullptr;
}

void TMainForm::useWindows(TForm2* ports, TProgramForm* programming)
{
    portDialog = ports;
    programmingDialog = programming;
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
    portChecked();
}

void TMainForm::checkPort(const QString& port)
{
    portDialog->choosePort(port);
    portDialog->button_OKClick();
    portChecked();
}

void TMainForm::portChecked()
{
    if (portDialog->linkChecked()) {
        prog->setEnabled(true);
        ler->setEnabled(true);
    } else {
        prog->setEnabled(false);
        ler->setEnabled(false);
        gravar->setEnabled(false);
        Timer_Read->stop();
    }
    LinkFacts facts;
    if (portDialog->linkChecked())
        facts = {true, portDialog->checkedPort().toStdString(), portDialog->controllerVersion().toStdString()};
    emit linkChanged(facts);
}

void TMainForm::progClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    const ProgrammingOutcome outcome = programmingDialog->program(limite_corr->text(), decimalSep);
    apply(outcome);
    if (outcome.confirmed)
        emit programmed(outcome.facts);
    Timer_Read->start();
}

void TMainForm::apply(const ProgrammingOutcome& outcome)
{
    switch (outcome.kind) {
    case ProgrammingOutcome::MixtureStored:
        // The image is what "&Gravar " sends back; it must carry the new mixture, not
        // the one the last read found.
        configBlock[addr::cfg(addr::Mixture)] = outcome.mixture;
        break;
    case ProgrammingOutcome::ControllerMayHaveChanged:
        // A reset or a learning procedure changes the controller's parameter memory in
        // ways the image does not know (and a failed request may have got through all
        // the same); writing the image would undo them.
        gravar->setEnabled(false);
        break;
    case ProgrammingOutcome::Nothing:
        break;
    }
    publishForm();
}

// ------------------------------------------------------------------ reading and writing

void TMainForm::lerClick()
{
    tuma::Link& link = portDialog->link();
    if (commands::readConfig(link, configBlock)) {
        emit formReplacing();
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
        lastReadOk = true;
        emit blockRead(configBlock);
    } else {
        boxes.showMessage(texts::CommFailure, texts::CommFailureCaption);
        gravar->setEnabled(false);
        lastReadOk = false;
        emit blockReadFailed();
    }

    publishForm();
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
    if (boxes.confirm(texts::ConfirmWrite, texts::ConfirmCaption)) {
        // Every field in turn; the first that does not convert stops the write.
        for (const auto& [p, field] : fields)
            p->encode(configBlock, textOf(field), scaleText(), decimalSep);
        configBlock[addr::cfg(addr::OptionFlags)] = editFlags;

        WriteFacts facts;
        facts.sent = configBlock;
        emit writing(facts.sent);
        if (commands::writeConfig(portDialog->link(), configBlock)) {
            facts.written = true;
            boxes.showMessage(texts::ProgrammingOk, "Gravação");
            lerClick();
            facts.readBack = lastReadOk;
            if (lastReadOk)
                facts.back = configBlock;
        } else {
            boxes.showMessage(texts::CommFailure, texts::CommFailureCaption);
            publishForm(); // no "&Ler " followed, which tells the form itself
        }
        emit blockWritten(facts);
    }
    Timer_Read->start();
}

// ------------------------------------------------------------------ live values

void TMainForm::Timer_ReadTimer()
{
    if (commands::readLive(portDialog->link(), liveValues)) {
        live.show(liveValues, addr::LiveFirst, scaleText());
        emit polled(Poll::of(liveValues));
    } else {
        emit polled(Poll{});
        Timer_Read->stop();
        sync->setBrushColor(Red);
        gravar->setEnabled(false);
        prog->setEnabled(false);
        boxes.showMessage(texts::CommFailure, texts::CommFailureCaption);
    }
}

// ------------------------------------------------------------------ idle speed and scale

namespace {
// The idle speed stepped by 25 RPM: down no lower than its row's lower bound, up no
// higher than its upper bound (a value the scale button put beyond the other bound
// stays where it is).
QString steppedIdleSpeed(MessageBoxes& boxes, const std::string& text, int32_t step)
{
    const Parameter& row = idleSpeed();
    const auto lower = static_cast<int32_t>(row.lower), upper = static_cast<int32_t>(row.upper);
    // Wide enough for any integer text plus the step.
    int64_t v = int64_t{parseInteger(text)} + step;
    if (step < 0 && v < lower) {
        boxes.showMessage(QString("O valor mínimo é %1RPM!").arg(lower), "Aviso!");
        v = lower;
    } else if (step > 0 && v > upper) {
        boxes.showMessage(QString("O valor máximo é %1RPM!").arg(upper), "Aviso!");
        v = upper;
    }
    return QString::number(v);
}
} // namespace

void TMainForm::rpmdownClick()
{
    rpm_adj->setText(steppedIdleSpeed(boxes, textOf(rpm_adj), -25));
    publishForm();
}

void TMainForm::rpmupClick()
{
    rpm_adj->setText(steppedIdleSpeed(boxes, textOf(rpm_adj), 25));
    publishForm();
}

void TMainForm::rpm_cal_buttonClick()
{
    const int32_t scale = parseInteger(scaleText());
    const char* next = nullptr;
    switch (scale) {
    case 1:
        next = "2";
        break;
    case 2:
        next = "4";
        break;
    case 4:
        next = "8";
        break;
    case 8:
        next = "1";
        break;
    default:
        return;
    }
    rpm_cal->setText(next);
    int64_t v = parseInteger(textOf(rpm_adj));
    v = scale == 8 ? v * 8 : v / 2;
    rpm_adj->setText(QString::number(v));
    publishForm();
}

// ------------------------------------------------------------------ option check boxes

void TMainForm::setFlag(uint8_t bit, bool on)
{
    editFlags = on ? static_cast<uint8_t>(editFlags | bit) : static_cast<uint8_t>(editFlags & ~bit);
    publishForm();
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

FormState TMainForm::formState() const
{
    FormState form;
    form.writable = gravar->isEnabled();
    form.image = configBlock;
    for (const auto& [row, field] : fields)
        form.texts.push_back(textOf(field));
    form.flags = editFlags;
    form.scale = scaleText();
    return form;
}

bool TMainForm::checkFocusedField() { return entry->checkFocused(); }

void TMainForm::reject(QLineEdit* field, const char* message, const char* caption)
{
    entry->rejected();
    // The box takes the focus and gives it to the next field, whose entry then
    // replaces savedText: keep the text to put back before showing it.
    const QString previous = savedText;
    boxes.showMessage(QString::fromUtf8(message), caption);
    field->setText(previous);
}

bool TMainForm::fieldExit(QLineEdit* field)
{
    const EntryVerdict verdict = checkEntry(*parameterOf(field), textOf(field), decimalSep, textOf(limite_corr));
    if (verdict.accepted()) {
        publishForm();
        return true;
    }
    reject(field, verdict.message, verdict.caption);
    return false;
}

void TMainForm::limite_corrExit()
{
    if (!fieldExit(limite_corr))
        return;
    if (exceedsMaxCorrection(parseDecimal(textOf(porc_mistura), decimalSep), textOf(limite_corr), decimalSep))
        porc_mistura->setText(limite_corr->text());
    publishForm();
}

void TMainForm::porc_misturaExit() { fieldExit(porc_mistura); }
