#include "app/principal.h"

#include "app/application.h"
#include "app/field_entry.h"
#include "app/live_boxes.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/porta_serial.h"
#include "app/program.h"
#include "app/texts.h"
#include "core/commands.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "core/parameters.h"

#include <QStyle>

using namespace tuma;

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QLineEdit* e) { return e->text().toStdString(); }
std::string s(const QLabel* l) { return l->text().toStdString(); }
} // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent)
{
    setupUi(this);
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
}

TMainForm::~TMainForm()
{
    // Fields lose the focus while the window is torn down: no exit check then.
    delete entry;
    entry = nullptr;
}

double TMainForm::AdcToCelsius(uint8_t code) const
{
    return adcToCelsius(code);
}

int32_t TMainForm::CelsiusToAdc(int32_t celsius) const
{
    return celsiusToAdc(celsius);
}

double TMainForm::maxCorrection() const { return parseDecimal(s(limite_corr)); }

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
    Form2->exec();
    if (Form2->linkChecked()) {
        prog->setEnabled(true);
        ler->setEnabled(true);
    } else {
        prog->setEnabled(false);
        ler->setEnabled(false);
        gravar->setEnabled(false);
        Timer_Read->stop();
    }
}

void TMainForm::progClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    ProgramForm->exec();
    Timer_Read->start();
}

void TMainForm::mixtureStored(uint8_t mixture)
{
    // The image is what "&Gravar " sends back; it must carry the new mixture, not the
    // one the last read found.
    configBlock[addr::cfg(addr::Mixture)] = mixture;
}

void TMainForm::controllerMayHaveChanged()
{
    // A reset or a learning procedure changes the controller's parameter memory in
    // ways the image does not know (and a failed request may have got through all
    // the same); writing the image would undo them.
    gravar->setEnabled(false);
}

// ------------------------------------------------------------------ reading and writing

void TMainForm::lerClick()
{
    if (commands::readConfig(Form2->link(), configBlock)) {
        const uint8_t* cb = configBlock;
        rpm_cal->setText("1");
        for (const char* name : ReadOrder) {
            const Parameter& p = *parameterNamed(name);
            fieldOf(p)->setText(q(p.decode(cb, s(rpm_cal))));
        }

        editFlags = cb[addr::cfg(addr::OptionFlags)];
        sonda_en->setChecked(editFlags & bits::SlowLambda);
        sonda_enClick();
        map_prg->setBrushColor(editFlags & bits::MapLearned ? Green : Red);
        rpm_prg->setBrushColor(editFlags & bits::LambdaIdleLearned ? Green : Red);
        banda_larga->setChecked(editFlags & bits::WideBand);
        acel_rapida_en->setChecked(editFlags & bits::QuickAccel);
        acel_rapida_enClick();
        heat_en->setChecked(editFlags & bits::EngineHeating);
        heat_enClick();

        try {
            rpm_adj->setText(q(parameterNamed("rpm_adj")->decode(cb, s(rpm_cal))));
        } catch (...) {
            rpm_adj->setText("0");
        }
        gravar->setEnabled(true);
        prog->setEnabled(true);
    } else {
        showMessage(texts::CommFailure, texts::CommFailureCaption);
        gravar->setEnabled(false);
    }

    if (commands::readShortLive(Form2->link(), liveValues)) {
        showLiveValues({atual_temp, atual_map, atual_lambda, atual_corr}, liveValues, addr::ShortLiveFirst);
        Timer_Read->start();
        sync->setBrushColor(Green);
    }
}

void TMainForm::gravarClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    if (confirm("Confirme Gravação dos Dados!!!!", texts::ConfirmCaption)) {
        // Every field in turn; the first that does not convert stops the write.
        for (const auto& [p, field] : fields)
            p->encode(configBlock, s(field), s(rpm_cal));
        configBlock[addr::cfg(addr::OptionFlags)] = editFlags;

        if (commands::writeConfig(Form2->link(), configBlock)) {
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
    if (commands::readLive(Form2->link(), liveValues)) {
        showLiveValues({atual_temp, atual_map, atual_lambda, atual_corr}, liveValues, addr::LiveFirst);
        try {
            const uint16_t period = get16(liveValues, addr::at(addr::EngineSpeedPeriod, addr::LiveFirst));
            showLiveText(atual_rpm, q(formatFixed(engineSpeed(period, parseInteger(s(rpm_cal))), 0)));
        } catch (...) {
            showLiveText(atual_rpm, "0");
        }
        showLiveText(atual_inj, q(injectionTimeDecode(get16(liveValues, addr::at(addr::InjectionTime, addr::LiveFirst)))));
    } else {
        Timer_Read->stop();
        sync->setBrushColor(Red);
        gravar->setEnabled(false);
        prog->setEnabled(false);
        showMessage(texts::CommFailure, texts::CommFailureCaption);
    }
}

// ------------------------------------------------------------------ idle speed and scale

void TMainForm::rpmdownClick()
{
    int32_t v = parseInteger(s(rpm_adj));
    v -= 25;
    if (v < 600) {
        showMessage("O valor mínimo é 600RPM!", "Aviso!");
        v = 600;
    }
    rpm_adj->setText(QString::number(v));
}

void TMainForm::rpmupClick()
{
    int32_t v = parseInteger(s(rpm_adj));
    v += 25;
    if (v > 1500) {
        showMessage("O valor máximo é 1500RPM!", "Aviso!");
        v = 1500;
    }
    rpm_adj->setText(QString::number(v));
}

void TMainForm::rpm_cal_buttonClick()
{
    const int32_t scale = parseInteger(s(rpm_cal));
    const char* next = nullptr;
    switch (scale) {
    case 1: next = "2"; break;
    case 2: next = "4"; break;
    case 4: next = "8"; break;
    case 8: next = "1"; break;
    default: return;
    }
    rpm_cal->setText(next);
    int64_t v = parseInteger(s(rpm_adj));
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
    const EntryVerdict verdict = checkEntry(*parameterOf(field), s(field), decimalSeparator(), s(limite_corr));
    if (verdict.accepted())
        return true;
    reject(field, verdict.message, verdict.caption);
    return false;
}

void TMainForm::limite_corrExit()
{
    if (!fieldExit(limite_corr))
        return;
    // The cold-start mixture may not exceed the maximum correction.
    const double mixture = parseDecimal(s(porc_mistura));
    if (mixture > maxCorrection())
        porc_mistura->setText(limite_corr->text());
}

void TMainForm::porc_misturaExit() { fieldExit(porc_mistura); }
