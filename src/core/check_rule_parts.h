#pragma once
// What the rules of the installation checks share: the waits every rule says in the
// same words, numbers as the technician reads them, and the probe's rules, which live
// in a file of their own.
#include "core/installation_checks.h"

#include <cstdio>

namespace tuma::checks::rules {

// A number with a decimal comma, as the technician reads it.
struct Decimal {
    char text[24];
    Decimal(double v, int places)
    {
        std::snprintf(text, sizeof text, "%.*f", places, v);
        for (char& c : text)
            if (c == '.')
                c = ',';
    }
};
inline const char* volts(const Decimal& d) { return d.text; }

void wait(Verdict& v, const char* why);
// True (and the verdict a wait) when the engine is not running warm.
bool notRunningWarm(const Engine& e, const Settings& s, Verdict& v);
// True (and the verdict a wait) while the link has not yet run 5 s.
bool linkSettling(const Engine& e, Verdict& v);

void probeFlat(const Engine& e, const Settings& s, RuleMemory&, Verdict& v);
void probeLean(const Engine& e, const Settings& s, RuleMemory&, Verdict& v);
void probeRich(const Engine& e, const Settings& s, RuleMemory&, Verdict& v);
void probeWeak(const Engine& e, const Settings& s, RuleMemory& m, Verdict& v);
void probeHighVoltage(const Engine& e, const Settings& s, RuleMemory&, Verdict& v);
void widebandStuck(const Engine& e, const Settings& s, RuleMemory& m, Verdict& v);

} // namespace tuma::checks::rules
