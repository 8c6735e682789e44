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
    // One row a kind of lamp, one column a channel; the indicators come in
    // pairs (L and R, or out 1 and out 2) in the order of Indicator.
    const char* rowNames[] = {"sig", "clip", "lim", "prot"};
    const char* kinds[] = {"Signal", "Clip", "Limiter", "Protection"};
    const QColor colours[] = {QColor(0, 220, 0), QColor(255, 0, 0), QColor(255, 170, 0), QColor(255, 0, 255)};
    const struct {
        int row;
        bool outputs;
    } pairs[] = {{0, false}, {1, false}, {0, true}, {1, true}, {2, true}, {3, true}};
    for (int r = 0; r < 4; ++r) lamps->addWidget(SmallLabel(rowNames[r], 9, this), r, 2, Qt::AlignCenter);
    for (int i = 0; i < kIndicatorBits; ++i) {
        const auto& pair = pairs[i / 2];
        const int side = i % 2;
        const QString channel = pair.outputs ? QString("out %1").arg(side + 1) : QString(side == 0 ? "L" : "R");
        auto* lamp = new Lamp(colours[pair.row], QString(kinds[pair.row]) + " " + channel, this);
        lamps_[static_cast<std::size_t>(i)] = lamp;
        lamps->addWidget(lamp, pair.row, (pair.outputs ? 3 : 0) + side, Qt::AlignCenter);
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
