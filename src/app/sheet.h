#pragma once
// The settings sheet: a one-page A4 PDF of the block as the form shows it, for the
// workshop's records and the customer.
#include "app/workshop.h"

#include <QByteArray>
#include <QDateTime>

struct SheetContent {
    const tuma::commands::ConfigImage& block;
    LinkInfo link;
    VehicleDetails vehicle;
    QDateTime when;
    char decimalSeparator;
};

QByteArray sheetPdf(const SheetContent& content);
