#include "audio/qt/qt_wave_dispatch.h"

#include <algorithm>
#include <cstdio>

namespace gravon {

tqtwavedispatch::tqtwavedispatch(twavebufferstream& stream) : stream(stream) {}

void tqtwavedispatch::post(twavemsgkind kind, twaveheader* header, twaveresult code) {
    collect();
    pending.push_back({kind, header, code});
    wake();
}

void tqtwavedispatch::collect() {
    while (twaveheader* h = stream.take_finished()) {
        h->flags = (h->flags & ~whdr_inqueue) | whdr_done;
        pending.push_back({twavemsgkind::done, h, wave_noerror});
    }
}

void tqtwavedispatch::drop_reports() {
    collect();
    erase_if(pending, [](const tpending& p) {
        return p.kind == twavemsgkind::done || p.kind == twavemsgkind::failed;
    });
}

void tqtwavedispatch::clear() {
    collect();
    pending.clear();
}

void tqtwavedispatch::wake() {
    if (posted.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { deliver(); }, Qt::QueuedConnection);
}

void tqtwavedispatch::report(const std::exception& e) {
    if (onexception)
        onexception(e);
    else
        std::fprintf(stderr, "%s\n", e.what());
}

void tqtwavedispatch::post_devices_changed() {
    fdevicesnews = true;
    wake();
}

void tqtwavedispatch::deliver() {
    posted.store(false);
    // Inside a call of the service's: the hold's end wakes us again.
    if (fholds > 0) return;
    if (fdevicesnews) {
        fdevicesnews = false;
        try {
            if (ondeviceschanged) ondeviceschanged();
        } catch (const std::exception& e) {
            report(e);
        }
    }
    collect();
    while (!pending.empty() && fclient != nullptr) {
        const tpending p = pending.front();
        pending.pop_front();
        try {
            switch (p.kind) {
            case twavemsgkind::opened:
                fclient->wave_opened();
                break;
            case twavemsgkind::closed:
                fclient->wave_closed();
                break;
            case twavemsgkind::done:
                fclient->wave_done(*p.header);
                break;
            case twavemsgkind::failed:
                fclient->wave_failed(p.code);
                break;
            }
        } catch (const std::exception& e) {
            report(e);
        }
        collect();
    }
}

} // namespace gravon
