#pragma once
// The frame trace for support: off unless QT_LOGGING_RULES="tuma.link.debug=true",
// one line per request and per answer on standard error. The program keeps no log.
#include <QLoggingCategory>

namespace tuma {
class Link;
}

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// Connects the link to the trace when the category is enabled; otherwise leaves the
// link without a tracer, so that exchanges do no formatting at all.
void installLinkTrace(tuma::Link& link);
