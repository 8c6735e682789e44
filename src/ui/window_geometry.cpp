#include "ui/window_geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace zef {
namespace {

QString& GeometryFile() {
    static QString file;
    return file;
}

QString SettingsKey(const QString& key) { return "geometry/" + key; }

QSize MinimumOf(const QWidget* w) { return w->minimumSizeHint().expandedTo(w->minimumSize()); }

ScreenRect ToScreenRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Saves a top-level window's geometry when it is hidden or closed.
class GeometryKeeper final : public QObject {
public:
    GeometryKeeper(QWidget* window, QString key) : QObject(window), window_(window), key_(std::move(key)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) Save();
        return false;
    }

private:
    void Save() const {
        const QString file = WindowGeometryFile();
        if (file.isEmpty() || !window_->isWindow()) return;
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue(SettingsKey(key_), window_->saveGeometry());
    }

    QWidget* window_;
    QString key_;
};

// Keeps a sub-window inside its area when it is shown or restored.
class SubWindowKeeper final : public QObject {
public:
    explicit SubWindowKeeper(QMdiSubWindow* sub) : QObject(sub), sub_(sub) { sub->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == sub_ && (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange))
            // After the area has applied the new state's geometry.
            QTimer::singleShot(0, sub_, [sub = sub_] { ClampSubWindowIntoArea(sub); });
        return false;
    }

private:
    QMdiSubWindow* sub_;
};

}  // namespace

ScreenRect ClampOntoScreen(ScreenRect frame, ScreenRect screen) {
    ScreenRect r = frame;
    r.width = std::min(frame.width, screen.width);
    r.height = std::min(frame.height, screen.height);
    r.x = std::clamp(frame.x, screen.x, screen.x + screen.width - r.width);
    r.y = std::clamp(frame.y, screen.y, screen.y + screen.height - r.height);
    return r;
}

QRect NearestScreenArea(QPoint point) {
    QScreen* best = QGuiApplication::screenAt(point);
    if (!best) {
        // The screen whose area lies closest to the point.
        long long bestDistance = -1;
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect a = screen->availableGeometry();
            const long long dx = std::max({a.left() - point.x(), 0, point.x() - a.right()});
            const long long dy = std::max({a.top() - point.y(), 0, point.y() - a.bottom()});
            const long long d = dx * dx + dy * dy;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = screen;
            }
        }
    }
    if (!best) best = QGuiApplication::primaryScreen();
    return best ? best->availableGeometry() : QRect(0, 0, 1366, 768);
}

void SetWindowGeometryFile(const QString& path) { GeometryFile() = path; }

QString WindowGeometryFile() { return GeometryFile(); }

void ClampWindowOntoScreen(QWidget* w) {
    const bool placed = w->isVisible() || w->testAttribute(Qt::WA_Moved);
    // The frame around the window: measured once shown, estimated before.
    const QRect client = w->geometry();
    const QRect frame = w->isVisible() ? w->frameGeometry()
                                       : client.adjusted(-kDecorationWidth / 2, -(kDecorationHeight - kDecorationWidth / 2),
                                                         kDecorationWidth / 2, kDecorationWidth / 2);
    const QRect area = NearestScreenArea(placed ? frame.center() : QPoint(0, 0));
    const ScreenRect fitted = ClampOntoScreen(ToScreenRect(frame), ToScreenRect(area));
    const QSize size = QSize(fitted.width - (frame.width() - client.width()),
                             fitted.height - (frame.height() - client.height()))
                           .expandedTo(MinimumOf(w));
    if (size != client.size()) w->resize(size);
    if (placed && (fitted.x != frame.x() || fitted.y != frame.y()))
        w->move(w->pos() + QPoint(fitted.x - frame.x(), fitted.y - frame.y()));
}

void KeepWindowGeometry(QWidget* w, const QString& key, QSize wanted) {
    w->resize(wanted.expandedTo(MinimumOf(w)));
    if (const QString file = WindowGeometryFile(); !file.isEmpty()) {
        const QSettings settings(file, QSettings::IniFormat);
        const QByteArray kept = settings.value(SettingsKey(key)).toByteArray();
        if (!kept.isEmpty()) w->restoreGeometry(kept);
    }
    if (!w->isMaximized()) ClampWindowOntoScreen(w);
    new GeometryKeeper(w, key);
}

void ClampSubWindowIntoArea(QMdiSubWindow* sub) {
    QMdiArea* area = sub->mdiArea();
    if (!area || sub->isMaximized() || sub->isMinimized()) return;
    const QRect view = area->viewport()->rect();
    const ScreenRect fitted = ClampOntoScreen(ToScreenRect(sub->geometry()), ToScreenRect(view));
    const QRect target = QRect(fitted.x, fitted.y, fitted.width, fitted.height);
    if (target != sub->geometry()) sub->setGeometry(target);
}

void KeepSubWindowInArea(QMdiSubWindow* sub, QSize wanted) {
    sub->resize(wanted.expandedTo(sub->minimumSizeHint()));
    new SubWindowKeeper(sub);
}

}  // namespace zef
