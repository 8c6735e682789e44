#include "ui/meter_panel.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>

#include "model/memory_map.h"
#include "model/tables.h"
#include "protocol/commands.h"
#include "protocol/replies.h"
#include "ui/segment_meter.h"

namespace zef {
namespace {

QLabel* SmallLabel(const QString& text, int pixels, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPixelSize(pixels);
    l->setFont(f);
    return l;
}

}  // namespace

MeterPanel::MeterPanel(Model& model, DeviceSlot slot, Exchange& exchange, QWidget* parent)
    : QWidget(parent), model_(model), slot_(slot), exchange_(exchange) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(2, 0, 2, 0);
    v->setSpacing(3);
    v->addLayout(Meters(), 1);
    v->addLayout(Lamps());
    ShowScale(false);
    ShowReading(DecodeStatusReading(std::array<std::uint8_t, 18>{}, 0, false));
}

QGridLayout* MeterPanel::Meters() {
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
    auto* scale = new QVBoxLayout;
    scale->setSpacing(0);
    for (int s = 0; s < kMeterSegments; ++s) {
        QLabel* l = SmallLabel({}, 9, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        scale->addWidget(l, 1);
        scale_.push_back(l);
    }
    scale->addSpacing(14);
    int column = 0;
    for (const Group& g : groups) {
        grid->addWidget(SmallLabel(g.title, 10, this), 0, column, 1, g.count, Qt::AlignHCenter);
        for (int i = 0; i < g.count; ++i) {
            const auto& [channel, caption] = g.meters[static_cast<std::size_t>(i)];
            auto* m = new SegmentMeter(g.kind, caption, this);
            m->setObjectName(QString("Meter%1%2").arg(g.title).arg(caption));
            meterWidgets_.push_back(m);
            meterPlaces_.push_back({channel, g.kind});
            grid->addWidget(m, 1, column + i);
        }
        column += g.count;
        if (g.kind == MeterKind::Voltage) {
            grid->addLayout(scale, 1, column);
            ++column;
        }
    }
    return grid;
}

QGridLayout* MeterPanel::Lamps() {
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
    for (int r = 0; r < 4; ++r) lamps->addWidget(SmallLabel(rowNames[r], 9, this), r, 2, Qt::AlignCenter);
    for (const auto& s : lampSpecs) {
        auto* lamp = new Lamp(s.colour, s.tip, this);
        lamps_[static_cast<std::size_t>(s.i)] = lamp;
        lamps->addWidget(lamp, s.row, s.col, Qt::AlignCenter);
    }
    return lamps;
}

void MeterPanel::ShowScale(bool dbu) {
    for (int s = 0; s < kMeterSegments; ++s) {
        const auto text = dbu ? kMeterScaleDbu[static_cast<std::size_t>(s)] : kMeterScaleVolts[static_cast<std::size_t>(s)];
        scale_[static_cast<std::size_t>(s)]->setText(
            QString::fromUtf8(text.data(), static_cast<int>(text.size())).trimmed());
    }
}

SegmentMeter* MeterPanel::meter(MeterChannel channel, MeterKind kind) const {
    for (std::size_t i = 0; i < meterWidgets_.size(); ++i)
        if (meterPlaces_[i].first == channel && meterPlaces_[i].second == kind) return meterWidgets_[i];
    return nullptr;
}

void MeterPanel::ShowReading(const StatusReading& reading) {
    StoreReadings(reading, meters_);
    for (std::size_t i = 0; i < meterWidgets_.size(); ++i) {
        const auto [channel, kind] = meterPlaces_[i];
        meterWidgets_[i]->setLevel(meters_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(kind)]);
    }
    for (int i = 0; i < kIndicatorBits; ++i)
        lamps_[static_cast<std::size_t>(i)]->setOn(reading.indicators[static_cast<std::size_t>(i)]);
}

void MeterPanel::ReadStatus() {
    std::array<std::uint8_t, 18> levels{};
    std::uint8_t flags = 0;
    bool online = model_.entry(slot_).online;
    if (online) {
        const ExchangeResult r = exchange_.Transact(slot_, Request{cmd::kStatusPoll, {}, {}}, Reporting::Tell);
        const auto status = r.replied() ? DecodeStatus(r.reply()) : std::nullopt;
        if (status) {
            levels = status->levels;
            flags = status->flags;
            DeviceModel& d = model_.device(slot_);
            d.settings[ds::kStandby] = status->standby() ? 1 : 0;
            d.alert = status->alert();
        }
        online = status.has_value() && model_.entry(slot_).online;
    }
    ShowReading(DecodeStatusReading(levels, flags, online));
}

}  // namespace zef
