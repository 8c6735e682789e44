// The channel editor's timers: the status poll with its meters and
// indicators, and the update that follows a change the device made itself.
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "app/editor_session.h"
#include "model/memory_map.h"
#include "model/tables.h"
#include "ui/auto_update_window.h"
#include "ui/channel_editor.h"
#include "ui/segment_meter.h"

namespace zef {

void ChannelEditorWindow::BuildMeters(QWidget* host) {
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(2, 0, 2, 0);
    v->setSpacing(3);
    struct Group {
        const char* title;
        MeterKind kind;
        std::array<std::pair<MeterChannel, const char*>, 2> meters;
        int count = 2;
    };
    const Group groups[] = {
        {"In", MeterKind::Signal, {{{MeterChannel::L, "L"}, {MeterChannel::R, "R"}}}},
        {"SM", MeterKind::Signal, {{{MeterChannel::Sm, ""}, {MeterChannel::Sm, ""}}}, 1},
        {"Out", MeterKind::Signal, {{{MeterChannel::Out1, "1"}, {MeterChannel::Out2, "2"}}}},
        {"Amp", MeterKind::Voltage, {{{MeterChannel::Out1, "1"}, {MeterChannel::Out2, "2"}}}},
        {"Comp", MeterKind::Reduction, {{{MeterChannel::Out1, "1"}, {MeterChannel::Out2, "2"}}}},
        {"Lim", MeterKind::Reduction, {{{MeterChannel::Lim1, "1"}, {MeterChannel::Lim2, "2"}}}},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(2);
    int column = 0;
    auto* scale = new QVBoxLayout;
    scale->setSpacing(0);
    std::vector<QLabel*> scaleLabels;
    for (int s = 0; s < kMeterSegments; ++s) {
        auto* l = new QLabel(host);
        QFont f = l->font();
        f.setPixelSize(9);
        l->setFont(f);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        scale->addWidget(l, 1);
        scaleLabels.push_back(l);
    }
    scale->addSpacing(14);
    for (const Group& g : groups) {
        auto* title = new QLabel(g.title, host);
        QFont f = title->font();
        f.setPixelSize(10);
        title->setFont(f);
        grid->addWidget(title, 0, column, 1, g.count, Qt::AlignHCenter);
        for (int i = 0; i < g.count; ++i) {
            auto* m = new SegmentMeter(g.kind, g.meters[static_cast<std::size_t>(i)].second, host);
            m->setObjectName(QString("Meter%1%2").arg(g.title).arg(g.meters[static_cast<std::size_t>(i)].second));
            meterWidgets_.push_back(m);
            meterPlaces_.push_back({g.meters[static_cast<std::size_t>(i)].first, g.kind});
            grid->addWidget(m, 1, column + i);
        }
        column += g.count;
        if (g.kind == MeterKind::Voltage) {
            grid->addLayout(scale, 1, column);
            ++column;
        }
    }
    v->addLayout(grid, 1);
    const auto showScale = [this, scaleLabels] {
        const bool dbu = meterUnit_ && meterUnit_->currentIndex() == 1;
        for (int s = 0; s < kMeterSegments; ++s) {
            const auto text = dbu ? kMeterScaleDbu[static_cast<std::size_t>(s)] : kMeterScaleVolts[static_cast<std::size_t>(s)];
            scaleLabels[static_cast<std::size_t>(s)]->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())).trimmed());
        }
    };
    showScale();
    extraRefresh_.push_back(showScale);

    auto* lamps = new QGridLayout;
    lamps->setSpacing(3);
    const struct {
        Indicator i;
        const char* tip;
        QColor colour;
        int row, col;
    } lampSpecs[] = {
        {Indicator::SignalL, "Signal L", QColor(0, 220, 0), 0, 0},
        {Indicator::SignalR, "Signal R", QColor(0, 220, 0), 0, 1},
        {Indicator::ClipL, "Clip L", QColor(255, 0, 0), 1, 0},
        {Indicator::ClipR, "Clip R", QColor(255, 0, 0), 1, 1},
        {Indicator::SignalOut1, "Signal out 1", QColor(0, 220, 0), 0, 3},
        {Indicator::SignalOut2, "Signal out 2", QColor(0, 220, 0), 0, 4},
        {Indicator::ClipOut1, "Clip out 1", QColor(255, 0, 0), 1, 3},
        {Indicator::ClipOut2, "Clip out 2", QColor(255, 0, 0), 1, 4},
        {Indicator::LimitOut1, "Limiter out 1", QColor(255, 170, 0), 2, 3},
        {Indicator::LimitOut2, "Limiter out 2", QColor(255, 170, 0), 2, 4},
        {Indicator::ProtectOut1, "Protection out 1", QColor(255, 0, 255), 3, 3},
        {Indicator::ProtectOut2, "Protection out 2", QColor(255, 0, 255), 3, 4},
    };
    const char* rowNames[] = {"sig", "clip", "lim", "prot"};
    for (int r = 0; r < 4; ++r) {
        auto* l = new QLabel(rowNames[r], host);
        QFont f = l->font();
        f.setPixelSize(9);
        l->setFont(f);
        lamps->addWidget(l, r, 2, Qt::AlignCenter);
    }
    for (const auto& s : lampSpecs) {
        auto* lamp = new Lamp(s.colour, s.tip, host);
        lamps_[static_cast<std::size_t>(s.i)] = lamp;
        lamps->addWidget(lamp, s.row, s.col, Qt::AlignCenter);
    }
    v->addLayout(lamps);
    connect(meterUnit_, &QComboBox::currentIndexChanged, this, showScale);
    ApplyReading(DecodeStatusReading(std::array<std::uint8_t, 18>{}, 0, false));
}

SegmentMeter* ChannelEditorWindow::meter(MeterChannel channel, MeterKind kind) const {
    for (std::size_t i = 0; i < meterWidgets_.size(); ++i)
        if (meterPlaces_[i].first == channel && meterPlaces_[i].second == kind) return meterWidgets_[i];
    return nullptr;
}

void ChannelEditorWindow::ApplyReading(const StatusReading& reading) {
    StoreReadings(reading, meters_);
    for (std::size_t i = 0; i < meterWidgets_.size(); ++i) {
        const auto [channel, kind] = meterPlaces_[i];
        meterWidgets_[i]->setLevel(meters_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(kind)]);
    }
    for (int i = 0; i < kIndicatorBits; ++i) lamps_[static_cast<std::size_t>(i)]->setOn(reading.indicators[static_cast<std::size_t>(i)]);
}

void ChannelEditorWindow::StatusTick() {
    const LinkState& link = session_.link();
    if (!link.idle() || session_.reader().busy() || !active_) return;
    const DeviceEntry& entry = session_.model().entry(slot_);
    std::array<std::uint8_t, 18> levels{};
    std::uint8_t flags = 0;
    bool online = entry.online;
    if (online) {
        const ExchangeResult r = session_.exchange().Transact(slot_, Request{cmd::kStatusPoll, {}, {}}, Reporting::Tell);
        const auto status = r.replied() ? DecodeStatus(r.reply()) : std::nullopt;
        if (status) {
            levels = status->levels;
            flags = status->flags;
            DeviceModel& d = session_.model().device(slot_);
            d.settings[ds::kStandby] = status->standby() ? 1 : 0;
            d.alert = status->alert();
        }
        online = status.has_value() && session_.model().entry(slot_).online;
    }
    ApplyReading(DecodeStatusReading(levels, flags, online));
    RefreshHeader();
}

void ChannelEditorWindow::UpdateTick() {
    if (!active_ || session_.reader().busy()) return;
    const LinkState& link = session_.link();
    if (!link.idle()) return;
    const DeviceEntry& entry = session_.model().entry(slot_);
    if (!entry.inList || !entry.online || !link.deviceChanged[SlotIndex(slot_)]) return;
    updateTimer_.stop();
    DeviceRereadWindow window(session_.reader(), slot_, this);
    window.exec();
    if (!window.outcome() || *window.outcome() != UpdateKind::Failed) RefreshAll();
    updateTimer_.start(timings_.updateMs);
}

}  // namespace zef
