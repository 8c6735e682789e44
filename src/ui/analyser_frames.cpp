#include "ui/analyser_frames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/measure_rules.h"
#include "app/texts.h"

namespace zef {

LevelMarkerTrack::LevelMarkerTrack(QWidget* parent) : QWidget(parent) { setMinimumSize(120, 14); }

void LevelMarkerTrack::setLevel(int v) {
    v_ = v;
    update();
}

double LevelMarkerTrack::markerX() const { return NoiseMarkerX(v_) / kFrameUnits * width(); }

void LevelMarkerTrack::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double w = width();
    const double left = NoiseMarkerX(0) / kFrameUnits * w;
    const double right = NoiseMarkerX(kNoiseLevelMax) / kFrameUnits * w;
    const double mid = height() / 2.0;
    p.setPen(QPen(QColor(110, 116, 128), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left, mid), QPointF(right, mid));
    const double x = markerX();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 160, 40));
    const QPointF tri[] = {{x - 5, 1}, {x + 5, 1}, {x, height() - 1.0}};
    p.drawPolygon(tri, 3);
}

NoiseGenFrame::NoiseGenFrame(QWidget* parent) : QGroupBox(kNoiseGenCaption, parent) {
    setObjectName("FrameNoiseGen");
    auto* v = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(kLevelDbuCaption, this));
    box_ = new QSpinBox(this);
    box_->setObjectName("UpDownNGenLev");
    box_->setRange(NoiseLevelDbu(0), NoiseLevelDbu(kNoiseLevelMax));
    row->addWidget(box_);
    v->addLayout(row);
    track_ = new LevelMarkerTrack(this);
    v->addWidget(track_);
    connect(box_, &QSpinBox::valueChanged, this, [this](int dbu) {
        track_->setLevel(NoiseLevelCode(dbu));
        if (!quiet_ && levelChanged) levelChanged(NoiseLevelCode(dbu));
    });
}

void NoiseGenFrame::setLevel(int v) {
    quiet_ = true;
    box_->setValue(NoiseLevelDbu(v));
    track_->setLevel(std::clamp(v, 0, kNoiseLevelMax));
    quiet_ = false;
}

int NoiseGenFrame::level() const { return NoiseLevelCode(box_->value()); }

// A horizontal bar from -60 to 0 dBFS; the hint's window [-30, -1] is marked.
class MicLevelFrame::Bar final : public QWidget {
public:
    explicit Bar(QWidget* parent) : QWidget(parent) { setMinimumSize(120, 12); }
    void setLevel(double db) {
        db_ = db;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const double w = width();
        auto x = [w](double db) { return std::clamp((db + 60.0) / 60.0, 0.0, 1.0) * w; };
        p.fillRect(rect(), QColor(30, 34, 42));
        p.fillRect(QRectF(x(-30), 0, x(-1) - x(-30), height()), QColor(40, 70, 50));
        const bool inRange = db_ >= -30 && db_ <= -1;
        p.fillRect(QRectF(0, 2, x(db_), height() - 4.0), inRange ? QColor(80, 200, 90) : QColor(230, 90, 60));
    }

private:
    double db_ = -100;
};

MicLevelFrame::MicLevelFrame(QWidget* parent) : QGroupBox(kMicLevelCaption, parent) {
    setObjectName("FrameMicLevel");
    auto* v = new QVBoxLayout(this);
    readout_ = new QLabel(this);
    readout_->setObjectName("LabelMicLev");
    readout_->setMinimumWidth(80);
    v->addWidget(readout_);
    bar_ = new Bar(this);
    v->addWidget(bar_);
}

void MicLevelFrame::setLevel(double db) {
    readout_->setText(db <= -100 ? QString() : QString::fromStdString(MicLevelText(db)));
    bar_->setLevel(db);
}

}  // namespace zef
