#include "shooter.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "app/editor_session.h"
#include "ui/tab_order.h"

namespace zef::shots {

void Shooter::Save(QWidget& window, const QString& name, bool keepShown) {
    window.ensurePolished();
    window.show();
    QApplication::processEvents();
    const QString path = folder_ + "/" + name + ".png";
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "zefshots: cannot write %s\n", path.toLocal8Bit().constData());
        ok_ = false;
    } else {
        std::printf("%s\n", path.toLocal8Bit().constData());
    }
    // The keyboard's path through what was shot: a problem is reported, not fatal.
    for (const QString& problem : TabOrderProblems(window))
        std::fprintf(stderr, "zefshots: tab order of %s: %s\n", name.toLocal8Bit().constData(),
                     problem.toLocal8Bit().constData());
    if (!keepShown) window.hide();
}

void ShotDialogs::Report() const {
    for (const auto& [title, text] : messages_)
        std::fprintf(stderr, "zefshots: message \"%s\": %s\n", title.c_str(), text.c_str());
}

bool ConnectStageLeft(EditorSession& session, DeviceSlot slot, const std::string& ip) {
    DeviceEntry& e = session.model().entry(slot);
    e = ClearedEntry(slot);
    e.inList = true;
    e.interface = kInterfaceTcp;
    e.network = kNetworkLan;
    e.ip = ip;
    e.name = "Stage Left";
    if (session.connection().ConnectDevice(slot, ConnectMode::Read) == ConnectResult::Found) return true;
    return Fail("the amplifier at " + ip + " does not answer");
}

bool Fail(const std::string& what) {
    std::fprintf(stderr, "zefshots: %s\n", what.c_str());
    return false;
}

}  // namespace zef::shots
