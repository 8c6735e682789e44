#pragma once
// frmSplash: the first window. Measures the screen, warns when it is too
// small, and after 2000 ms hands over to the main window.

#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/dialogs.h"
#include "ui/screen_rules.h"

namespace zef {

class SplashWindow final : public QWidget {
    Q_OBJECT
public:
    // `check` is what CheckScreen said about the screen; the warnings go
    // through `dialogs` when Run() is called.
    SplashWindow(const ScreenCheck& check, QWidget* parent = nullptr);

    // Shows the warnings the screen calls for, shows the splash and starts
    // the 2000 ms timer; `done` runs on its first tick, then the splash closes.
    void Run(Dialogs& dialogs, std::function<void()> done, int delayMs = 2000);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScreenCheck check_;
    QTimer timer_;
    std::function<void()> done_;
};

// The screen the program starts on, measured with Qt.
ScreenCheck MeasurePrimaryScreen();

}  // namespace zef
