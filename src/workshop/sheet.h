#pragma once
// The settings sheet: a one-page A4 PDF of the block as the form shows it, for the
// workshop's records and the customer.
#include "core/commands.h"
#include "core/events.h"
#include "core/installation_checks.h"
#include "workshop/details_dialog.h"

#include <QByteArray>
#include <QDateTime>

struct SheetContent {
    const tuma::Block& block;
    tuma::LinkFacts link;
    tuma::Vehicle vehicle;
    QDateTime when;
    char decimalSeparator;
    // The installation checks when the sheet was printed; none for a sheet of the past.
    std::vector<tuma::checks::CheckLine> checks = {};
    // The guided check's result: its title, then each step's results before the
    // parameters as read.
    QString title = {};
    std::vector<tuma::checks::CheckLine> walk = {};
};

QByteArray sheetPdf(const SheetContent& content);
