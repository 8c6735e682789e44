#include "ui/splash_window.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace zef {

ScreenCheck MeasurePrimaryScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return CheckScreen(96.0, 1024, 768);
    const QSize size = screen->size();
    return CheckScreen(screen->logicalDotsPerInch(), size.width(), size.height());
}

SplashWindow::SplashWindow(const ScreenCheck& check, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), check_(check) {
    setObjectName("frmSplash");
    setFixedSize(check_.splashWidth, check_.splashHeight);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (done_) done_();
        close();
    });
}

void SplashWindow::Run(Dialogs& dialogs, std::function<void()> done, int delayMs) {
    if (check_.editorTooBig) dialogs.Message("ZEF Editor", kEditorTooBigText, Icon::Information);
    if (check_.belowMinimum) dialogs.Message(kMinimumResolutionTitle, kMinimumResolutionText, Icon::None);
    done_ = std::move(done);
    show();
    timer_.start(delayMs);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0, QColor(20, 36, 60));
    g.setColorAt(1, QColor(40, 80, 120));
    p.fillRect(rect(), g);
    p.setPen(Qt::white);
    QFont title = font();
    title.setPixelSize(std::max(20, height() / 3));
    title.setBold(true);
    p.setFont(title);
    const QRect left = rect().adjusted(height() / 4, 0, 0, -height() / 4);
    p.drawText(left, Qt::AlignLeft | Qt::AlignVCenter, "ZEF Editor");
    QFont small = font();
    small.setPixelSize(std::max(11, height() / 10));
    p.setFont(small);
    p.setPen(QColor(200, 215, 235));
    p.drawText(rect().adjusted(height() / 4, 0, -height() / 4, -height() / 8), Qt::AlignLeft | Qt::AlignBottom,
               QString("Version %1  —  DSP amplifier editor for ZEF-4.260").arg(kSoftwareVersion));
}

}  // namespace zef
