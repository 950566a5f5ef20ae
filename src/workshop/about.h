#pragma once
// "Sobre o Tuma Programável": the version, the controller connected, the licence and
// where the source is.
#include "core/events.h"

class QWidget;

void showAbout(QWidget* parent, const tuma::LinkFacts& link);
