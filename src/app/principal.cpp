#include "principal.h"

#include "application.h"
#include "core/errors.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "message_box.h"
#include "pictures.h"
#include "porta_serial.h"
#include "program.h"

#include <QFocusEvent>

#include <cstring>
#include <QStyle>

using namespace tuma;

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const char* const CommFailure = "Falha na Comunicação";
const char* const CommFailureCaption = "Falha";

QString q(const std::string& s) { return QString::fromStdString(s); }

// A live box is repainted, with the group behind it, only when its value changed.
void showText(QLineEdit* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}
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

    rules = {
        {limite_corr, Kind::Decimal, 10, 50, "Valor Incorreto!", "Os valores devem estar entre 10 e 50!",
         &TMainForm::limite_corrEnter, &TMainForm::limite_corrExit},
        {temp_corr, Kind::Integer, 0, 100, "Valores Incorretos!", "Os valores devem estar entre 0 e 100!",
         &TMainForm::temp_corrEnter, &TMainForm::temp_corrExit},
        {var_inicial, Kind::Integer, 200, 15000, "Valor Incorreto!", "Os valores devem estar entre 200 e 15000!",
         &TMainForm::var_inicialEnter, &TMainForm::var_inicialExit},
        {tempo_extra, Kind::Decimal, 0, 20, "Valor Incorreto!", "Os valores devem estar entre 0 e 20!",
         &TMainForm::tempo_extraEnter, &TMainForm::tempo_extraExit},
        {injecao_extra, Kind::Decimal, 0, 10, "Valor Incorreto!", "Os valores devem estar entre 0 e 10!",
         &TMainForm::injecao_extraEnter, &TMainForm::injecao_extraExit},
        {temp_max_extra, Kind::Integer, 35, 60, "Valor Incorreto!", "Os valores devem estar entre 35 e 60!",
         &TMainForm::temp_max_extraEnter, &TMainForm::temp_max_extraExit},
        {tempo_partida, Kind::Integer, 0, 4000, "Valor Incorreto!", "Os valores devem estar entre 0 e 4000!",
         &TMainForm::tempo_partidaEnter, &TMainForm::tempo_partidaExit},
        {temp_max_cold, Kind::Integer, 15, 35, "Valor Incorreto!", "Os valores devem estar entre 15 e 35!",
         &TMainForm::temp_max_coldEnter, &TMainForm::temp_max_coldExit},
        {porc_mistura, Kind::Decimal, 10, 0, "Valor Incorreto!", "Os valores devem estar entre 10 e a Correção Máxima em %!",
         &TMainForm::porc_misturaEnter, &TMainForm::porc_misturaExit},
        {tempo_ajuste, Kind::Integer, 10, 50, "Valor Incorreto!", "Os valores devem estar entre 10 e 50!",
         &TMainForm::tempo_ajusteEnter, &TMainForm::tempo_ajusteExit},
        {valor_lambda, Kind::Integer, 0, 1000, "Valor Incorreto", "Os valores devem estar entre 0 e 1000!",
         &TMainForm::valor_lambdaEnter, &TMainForm::valor_lambdaExit},
    };
    for (const FieldRule& r : rules)
        r.field->installEventFilter(this);
}

TMainForm::~TMainForm() = default;

double TMainForm::AdcToCelsius(uint8_t code) const
{
    return adcToCelsius(code);
}

int32_t TMainForm::CelsiusToAdc(int32_t celsius) const
{
    return celsiusToAdc(celsius);
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
    // The request carries the image as its data; the answer lands in a copy, so that
    // an answer without all 25 bytes leaves the image as it was and counts as a
    // failed read: a write after it would send bytes the controller never had.
    uint8_t incoming[sizeof configBlock];
    std::memcpy(incoming, configBlock, sizeof configBlock);
    const bool complete = Form2->Exchange(cmd::ReadConfig, addr::ConfigFirst, addr::ConfigCount, incoming)
        && Form2->link.lastPayloadLength >= addr::ConfigCount;
    if (complete) {
        std::memcpy(configBlock, incoming, sizeof configBlock);
        const uint8_t* cb = configBlock;
        rpm_cal->setText("1");
        tempo_partida->setText(q(coldStartDecode(get16(cb, addr::cfg(addr::ColdStartTime)))));
        porc_mistura->setText(q(percentDecode(cb[addr::cfg(addr::ColdStartMixture)])));
        temp_max_cold->setText(q(temperatureDecode(cb[addr::cfg(addr::ColdStartMaxTemp)])));
        injecao_extra->setText(q(percentDecode(cb[addr::cfg(addr::HeatingExtra)])));
        temp_max_extra->setText(q(temperatureDecode(cb[addr::cfg(addr::HeatingMaxTemp)])));
        limite_corr->setText(q(percentDecode(cb[addr::cfg(addr::MaxCorrection)])));
        temp_corr->setText(q(temperatureDecode(cb[addr::cfg(addr::CorrectionTemp)])));
        tempo_ajuste->setText(q(adjustTimeDecode(cb[addr::cfg(addr::AdjustTime)])));
        valor_lambda->setText(q(millivoltText(cb[addr::cfg(addr::LambdaTarget)])));
        var_inicial->setText(q(minVariationDecode(get16(cb, addr::cfg(addr::MinVariation)))));
        tempo_extra->setText(q(percentDecode(cb[addr::cfg(addr::AccelExtra)])));

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
            rpm_adj->setText(q(idleSpeedDecode(get16(cb, addr::cfg(addr::IdlePeriod)), s(rpm_cal))));
        } catch (...) {
            rpm_adj->setText("0");
        }
        gravar->setEnabled(true);
        prog->setEnabled(true);
    } else {
        showMessage(CommFailure, CommFailureCaption);
        gravar->setEnabled(false);
    }

    if (Form2->Exchange(cmd::ReadLive, addr::ShortLiveFirst, addr::LiveCount, liveValues)) {
        showLiveValues(addr::ShortLiveFirst);
        Timer_Read->start();
        sync->setBrushColor(Green);
    }
}

void TMainForm::gravarClick()
{
    if (!checkFocusedField())
        return;
    Timer_Read->stop();
    if (confirm("Confirme Gravação dos Dados!!!!", "Aviso")) {
        uint8_t* cb = configBlock;
        put16(cb, addr::cfg(addr::ColdStartTime), coldStartEncode(s(tempo_partida)));
        put16(cb, addr::cfg(addr::IdlePeriod), idleSpeedEncode(s(rpm_adj), s(rpm_cal)));
        cb[addr::cfg(addr::ColdStartMixture)] = percentEncode(s(porc_mistura));
        cb[addr::cfg(addr::ColdStartMaxTemp)] = temperatureEncode(s(temp_max_cold));
        cb[addr::cfg(addr::HeatingExtra)] = percentEncode(s(injecao_extra));
        cb[addr::cfg(addr::HeatingMaxTemp)] = temperatureEncode(s(temp_max_extra));
        cb[addr::cfg(addr::MaxCorrection)] = percentEncode(s(limite_corr));
        cb[addr::cfg(addr::CorrectionTemp)] = temperatureEncode(s(temp_corr));
        cb[addr::cfg(addr::AdjustTime)] = adjustTimeEncode(s(tempo_ajuste));
        cb[addr::cfg(addr::LambdaTarget)] = millivoltEncode(s(valor_lambda));
        put16(cb, addr::cfg(addr::MinVariation), minVariationEncode(s(var_inicial)));
        cb[addr::cfg(addr::AccelExtra)] = percentEncode(s(tempo_extra));
        cb[addr::cfg(addr::OptionFlags)] = editFlags;

        if (Form2->Exchange(cmd::WriteConfig, addr::ConfigFirst, addr::ConfigCount, configBlock)) {
            showMessage("Programação OK", "Gravação");
            lerClick();
        } else {
            showMessage(CommFailure, CommFailureCaption);
        }
    }
    Timer_Read->start();
}

// ------------------------------------------------------------------ live values

void TMainForm::showLiveValues(uint16_t first)
{
    auto at = [this, first](uint16_t a) { return liveValues[addr::at(a, first)]; };
    showText(atual_temp, q(temperatureDecode(at(addr::EngineTemp))));
    showText(atual_map, q(mapVoltageDecode(at(addr::MapVoltage))));
    showText(atual_lambda, q(millivoltText(at(addr::LambdaVoltage))));
    showText(atual_corr, q(liveCorrectionDecode(at(addr::LiveCorrection))));
}

void TMainForm::Timer_ReadTimer()
{
    if (Form2->Exchange(cmd::ReadLive, addr::LiveFirst, addr::LiveCount, liveValues)) {
        showLiveValues(addr::LiveFirst);
        try {
            const uint16_t period = get16(liveValues, addr::at(addr::EngineSpeedPeriod, addr::LiveFirst));
            showText(atual_rpm, q(formatFixed(engineSpeed(period, parseInteger(s(rpm_cal))), 0)));
        } catch (...) {
            showText(atual_rpm, "0");
        }
        showText(atual_inj, q(injectionTimeDecode(get16(liveValues, addr::at(addr::InjectionTime, addr::LiveFirst)))));
    } else {
        Timer_Read->stop();
        sync->setBrushColor(Red);
        gravar->setEnabled(false);
        prog->setEnabled(false);
        showMessage(CommFailure, CommFailureCaption);
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

const TMainForm::FieldRule* TMainForm::ruleFor(QObject* field) const
{
    for (const FieldRule& r : rules)
        if (r.field == field)
            return &r;
    return nullptr;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QWidget::eventFilter(watched, event);
    const FieldRule* rule = ruleFor(watched);
    if (!rule)
        return QWidget::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (event->type() == QEvent::FocusIn) {
        // The window getting the focus back (after a message box, or from another
        // program) is no entry into the field: an entry is counted once.
        if (enteredField != rule->field) {
            enteredField = rule->field;
            guarded([this, rule] { (this->*(rule->enter))(); })();
        }
    } else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        // Leaving the window is not leaving the field.
        if (enteredField == rule->field) {
            enteredField = nullptr;
            guarded([this, rule] { (this->*(rule->exit))(); })();
            // A message box in the check takes the focus and gives it back; the field
            // the user went to may then get no entry of its own. Count it here.
            const FieldRule* next = ruleFor(focusWidget());
            if (next && enteredField != next->field) {
                enteredField = next->field;
                guarded([this, next] { (this->*(next->enter))(); })();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::fieldEnter(QLineEdit* field) { savedText = field->text(); }

bool TMainForm::checkFocusedField()
{
    // An accelerator presses the button without leaving the field being typed in, so
    // its exit check has not run: run it now, as leaving the field would. The field
    // keeps the focus, and what it now holds is what a later rejection puts back.
    const FieldRule* rule = ruleFor(focusWidget());
    if (!rule || enteredField != rule->field)
        return true;
    const int before = rejections;
    (this->*(rule->exit))();
    savedText = rule->field->text();
    return rejections == before;
}

void TMainForm::reject(QLineEdit* field, const char* message, const char* caption)
{
    ++rejections;
    // The box takes the focus and gives it to the next field, whose entry then
    // replaces savedText: keep the text to put back before showing it.
    const QString previous = savedText;
    showMessage(QString::fromUtf8(message), caption);
    field->setText(previous);
}

bool TMainForm::checkField(const FieldRule& rule, double& value)
{
    const std::string text = s(rule.field);
    if (rule.kind == Kind::Integer) {
        int32_t v = 0;
        if (!tryParseInteger(text, v)) {
            reject(rule.field, rule.conversionMessage, "Erro!");
            return false;
        }
        value = v;
    } else {
        double d = 0;
        if (!tryParseDecimal(text, decimalSeparator(), d)) {
            reject(rule.field, rule.conversionMessage, "Erro!");
            return false;
        }
        try {
            value = toSingle(d);
        } catch (const FloatOverflow&) {
            // Beyond single precision: far out of every field's bounds.
            reject(rule.field, rule.rangeMessage, "Aviso!");
            return false;
        }
    }
    return true;
}

bool TMainForm::fieldExit(QLineEdit* field)
{
    const FieldRule& rule = *ruleFor(field);
    double value = 0;
    if (!checkField(rule, value))
        return false;
    if (value < rule.lower || value > rule.upper) {
        reject(field, rule.rangeMessage, "Aviso!");
        return false;
    }
    return true;
}

void TMainForm::limite_corrExit()
{
    if (!fieldExit(limite_corr))
        return;
    // The cold-start mixture may not exceed the maximum correction.
    const double mixture = parseDecimal(s(porc_mistura));
    const double limit = parseDecimal(s(limite_corr));
    if (mixture > limit)
        porc_mistura->setText(limite_corr->text());
}

void TMainForm::porc_misturaExit()
{
    const FieldRule& rule = *ruleFor(porc_mistura);
    double P = 0;
    if (!checkField(rule, P))
        return;
    if (P < rule.lower) {
        reject(porc_mistura, rule.rangeMessage, "Aviso!");
        return;
    }
    const double L = parseDecimal(s(limite_corr));
    if (L < P)
        reject(porc_mistura, rule.rangeMessage, "Aviso!");
}
