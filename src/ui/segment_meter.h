#pragma once
// A meter of nine segments (top first). Setting a level computes which
// segments are lit (model/meter_readings.h) and repaints only the segments
// whose state changed.

#include <QColor>
#include <QWidget>
#include <array>

#include "model/meter_readings.h"

namespace zef {

class SegmentMeter final : public QWidget {
    Q_OBJECT
public:
    SegmentMeter(MeterKind kind, QString caption, QWidget* parent = nullptr);

    void setLevel(double db);
    double level() const { return level_; }
    std::uint16_t litMask() const { return mask_; }
    // Segments invalidated since construction.
    int segmentRepaints() const { return segmentRepaints_; }

    // Colour of a lit segment 0..8 (top first) of a meter kind.
    static QColor LitColour(MeterKind kind, int segment);
    static QColor UnlitColour() { return QColor(192, 192, 192); }

    QSize sizeHint() const override { return {22, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect SegmentRect(int segment) const;

    MeterKind kind_;
    QString caption_;
    double level_ = -100;
    std::uint16_t mask_ = 0;
    int segmentRepaints_ = 0;
};

// A small round lamp for an indicator bit.
class Lamp final : public QWidget {
    Q_OBJECT
public:
    Lamp(QColor onColour, QString tip, QWidget* parent = nullptr);
    void setOn(bool on);
    bool on() const { return on_; }
    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    bool on_ = false;
};

}  // namespace zef
