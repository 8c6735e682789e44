#include "link_shots.h"

#include <QTemporaryDir>

#include "app/editor_session.h"
#include "protocol/commands.h"
#include "shooter.h"
#include "simulator.h"
#include "ui/link_diagnostics_window.h"

namespace zef::shots {
namespace {

// Waits short enough that a dropped reply costs a fraction of a second.
LinkSettings QuickLink() {
    LinkSettings s;
    s.replies.statusPoll = 300;
    s.replies.other = 300;
    s.reconnectFirstTickMs = 50;
    s.reconnectWaitMs = 100;
    s.reconnectConnectMs = 500;
    return s;
}

void Poll(EditorSession& session, DeviceSlot slot, int times) {
    for (int i = 0; i < times; ++i)
        session.exchange().Transact(slot, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet);
}

}  // namespace

bool RenderLinkShots(Shooter& shooter) {
    QTemporaryDir data;
    if (!data.isValid()) return Fail("link shots: no temporary folder");
    ShotDialogs dialogs(Answer::No);
    zefsim::Simulator sim;
    zefsim::DeviceConfig left, right;
    left.name = "Stage Left";
    right.name = "Stage Right";
    zefsim::Device& a = sim.addDevice(left);
    zefsim::Device& b = sim.addDevice(right);
    EditorOptions options;
    options.announcePort = 0;
    options.loopbackLan = true;
    options.devicePort = sim.listenTcp(a, "127.0.0.1", 0);
    sim.listenTcp(b, "127.0.0.2", options.devicePort);
    sim.start();
    EditorSession session(options, data.path().toStdString(), dialogs, QuickLink());
    if (!session.Start()) return Fail("link shots: no TCP client");
    if (!ConnectStageLeft(session, 1, "127.0.0.1") || !ConnectStageLeft(session, 2, "127.0.0.2")) return false;

    Poll(session, 1, 40);
    b.armFault(zefsim::Device::ArmedFault::Drop, 5);
    Poll(session, 2, 20);
    b.armFault(zefsim::Device::ArmedFault::Garbage, 3);
    Poll(session, 2, 10);
    session.exchange().Transact(2, Request{cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 0x40}, {}}, Reporting::Quiet);

    LinkDiagnosticsWindow w(session.model(), session.exchange().monitor(), dialogs, data.path().toStdString());
    w.Select(2);
    shooter.Save(w, "FrmLinkDiagnostics");
    session.connection().DisconnectAll();
    dialogs.Report();
    return shooter.ok();
}

}  // namespace zef::shots
