#pragma once
// The plots that show the value under the pointer (FIR views, measurement
// plots): a read-out label that follows the mouse over the plot and hides
// when the value is empty or the mouse leaves.

#include <QPointF>
#include <QString>
#include <QWidget>

class QLabel;

namespace zef {

class ReadoutPlot : public QWidget {
    Q_OBJECT
public:
    QString readoutText() const;
    bool readoutVisible() const;

protected:
    // Expanding, at least `minimum`, with the read-out "LblReadout".
    ReadoutPlot(QSize minimum, QWidget* parent);

    // The read-out for the pointer at `widgetPoint`; "" shows none.
    virtual QString ReadoutUnder(QPointF widgetPoint) const = 0;
    void hideReadout();

    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QLabel* readout_ = nullptr;
};

}  // namespace zef
