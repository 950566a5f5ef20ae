// Fault soak: the live monitor and read/write cycles while the controller misbehaves
// in every way it can, at random (seeded). Checks that only intended blocks are
// written, that no value from a garbled answer is shown, that each failure is
// reported once, and that a good check and read bring everything back.
#include "support/widget_harness.h"

#include <cstdio>
#include <random>

using namespace tuma;
using namespace tuma::test;

namespace {

class Soak : public Windows {
protected:
    std::vector<QLineEdit*> shownFields() const
    {
        TMainForm* m = MainForm;
        return {m->atual_corr,     m->atual_temp,    m->atual_map,    m->atual_lambda,  m->atual_rpm,
                m->atual_inj,      m->tempo_partida, m->porc_mistura, m->temp_max_cold, m->injecao_extra,
                m->temp_max_extra, m->limite_corr,   m->temp_corr,    m->tempo_ajuste,  m->valor_lambda,
                m->var_inicial,    m->tempo_extra,   m->rpm_adj};
    }
    QStringList snapshot() const
    {
        QStringList s;
        for (QLineEdit* f : shownFields())
            s << f->text();
        return s;
    }
    // The values the technician means to write, typed in before every write.
    void enterIntendedValues()
    {
        // Every field: several conversions do not read back exactly, so a field
        // left as read would drift from one write to the next.
        const std::pair<QLineEdit*, const char*> values[] = {
            {MainForm->tempo_partida, "1500"}, {MainForm->porc_mistura, "30"},   {MainForm->temp_max_cold, "25"},
            {MainForm->injecao_extra, "5"},    {MainForm->temp_max_extra, "50"}, {MainForm->limite_corr, "40"},
            {MainForm->temp_corr, "40"},       {MainForm->tempo_ajuste, "30"},   {MainForm->valor_lambda, "450"},
            {MainForm->var_inicial, "400"},    {MainForm->tempo_extra, "10"},    {MainForm->rpm_adj, "900"},
        };
        for (auto& [field, value] : values)
            field->setText(value);
        MainForm->rpm_cal->setText("1");
    }
};

TEST_F(Soak, EveryFaultAtRandom)
{
    controller.liveFrozen = true; // known live bytes, so any wrong value shows
    connectAndRead();
    // The one block this test means to write, from a clean write.
    enterIntendedValues();
    MainForm->gravarClick();
    ASSERT_EQ(framesOf(cmd::WriteConfig).size(), 1u);
    const std::vector<uint8_t> intended = framesOf(cmd::WriteConfig)[0].data;
    const auto memoryBefore = controller.memory;

    std::mt19937 random(20261207);
    const std::vector<sim::Fault> faults = sim::allFaults();
    int failures = 0, writes = 0, recoveries = 0;
    for (int step = 0; step < 1500; ++step) {
        const sim::Fault fault = faults[random() % faults.size()];
        controller.setFault(fault);
        boxes.shown.clear();
        controller.frames.clear();
        const QStringList before = snapshot();
        const int action = static_cast<int>(random() % 10);
        if (action < 6) {
            if (MainForm->Timer_Read->isActive()) // ticks come only while it runs
                MainForm->Timer_ReadTimer();
        } else if (action < 8) {
            if (MainForm->ler->isEnabled())
                MainForm->lerClick();
        } else if (action < 9) {
            if (MainForm->gravar->isEnabled()) {
                enterIntendedValues();
                MainForm->gravar->click();
            }
        } else {
            controller.setFault(sim::Fault::None);
            configWith("DEMO");
            ++recoveries;
        }
        clock.advanceMs(500);

        int reported = 0;
        for (const Box& b : boxes.shown)
            reported += b == CommFailure;
        EXPECT_LE(reported, 1) << "step " << step << " fault " << sim::faultName(fault);
        failures += reported;
        for (const auto& f : controller.frames) {
            if (f.command == cmd::WriteConfig) {
                ++writes;
                EXPECT_EQ(f.data, intended) << "step " << step;
            }
            EXPECT_TRUE(f.command == cmd::ReadLive || f.command == cmd::ReadConfig || f.command == cmd::WriteConfig
                        || f.command == cmd::GetVersion)
                << "step " << step;
        }
        if (fault == sim::Fault::BadCrc && action != 9) {
            // Every answer was garbled: nothing on the screen may change, except the
            // fields a write puts the technician's values into.
            QStringList after = snapshot();
            if (action == 8) {
                for (int i = 6; i < after.size(); ++i)
                    after[i] = before[i];
            }
            EXPECT_EQ(after, before) << "step " << step;
        }
        // The parameter memory only ever holds what was read or what was meant.
        for (int a = 1; a <= 25; ++a) {
            const uint8_t now = controller.memory[a];
            EXPECT_TRUE(now == memoryBefore[a] || now == intended[a - 1]) << "address " << a;
        }
    }
    std::printf("soak: 1500 steps, %d failures reported, %d blocks written, %d link checks\n", failures, writes,
                recoveries);
    EXPECT_GT(failures, 50);
    EXPECT_GT(writes, 10);
    EXPECT_GT(recoveries, 20);

    // A good check and read bring everything back.
    controller.setFault(sim::Fault::None);
    configWith("DEMO");
    ASSERT_TRUE(Form2->linkChecked());
    boxes.shown.clear();
    MainForm->lerClick();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(MainForm->gravar->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(0, 255, 0));
    EXPECT_EQ(text(MainForm->tempo_partida), "1500");
    EXPECT_EQ(text(MainForm->rpm_adj), "900");
    MainForm->Timer_ReadTimer();
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
