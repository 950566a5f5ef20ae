#include "forms/link_trace.h"

#include "core/link.h"

#include <QTime>

Q_LOGGING_CATEGORY(lcLink, "tuma.link", QtInfoMsg)

namespace {

class QtLinkTracer : public tuma::LinkTracer {
public:
    void trace(Event event, const uint8_t* bytes, uint32_t length) override
    {
        const char* what = "";
        switch (event) {
        case Event::Request:
            what = "request ";
            break;
        case Event::Accepted:
            what = "answer  ";
            break;
        case Event::BadCrc:
            what = "answer  ";
            break;
        case Event::NoAnswer:
            what = "no answer after 3 attempts";
            break;
        case Event::Drained:
            what = "drained ";
            break;
        case Event::PortGone:
            what = "port gone";
            break;
        }
        QString line = QTime::currentTime().toString("hh:mm:ss.zzz") + ' ' + what;
        if (event == Event::Drained)
            line += QString::number(length) + " bytes";
        for (uint32_t i = 0; i < length && event != Event::NoAnswer; ++i)
            line += QString::asprintf(" %02X", bytes[i]);
        if (event == Event::Accepted)
            line += "  accepted";
        else if (event == Event::BadCrc)
            line += "  failed CRC";
        qCDebug(lcLink).noquote() << line;
    }
};

QtLinkTracer g_tracer;

} // namespace

void installLinkTrace(tuma::Link& link) { link.setTracer(lcLink().isDebugEnabled() ? &g_tracer : nullptr); }
