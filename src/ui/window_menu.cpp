#include "ui/window_menu.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace zef {

std::vector<QWidget*> OpenWindows(QMdiArea* area, QWidget* frame) {
    std::vector<QWidget*> windows;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() || sub->isMinimized()) windows.push_back(sub);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (w == frame || !w->isVisible() || w->windowTitle().isEmpty()) continue;
        if ((type != Qt::Window && type != Qt::Dialog) || qobject_cast<QMessageBox*>(w)) continue;
        windows.push_back(w);
    }
    return windows;
}

void BringToFront(QMdiArea* area, QWidget* window) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window); sub && sub->mdiArea() == area) {
        if (sub->isMinimized()) sub->showNormal();
        area->setActiveSubWindow(sub);
        QWidget* frame = area->window();
        frame->raise();
        frame->activateWindow();
        return;
    }
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
}

QMenu* MakeWindowMenu(QWidget* frame, QMdiArea* area) {
    auto* menu = new QMenu("Window", frame);
    menu->setObjectName("WindowMenu");
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, area, frame] {
        menu->clear();
        for (QWidget* w : OpenWindows(area, frame)) {
            QAction* action = menu->addAction(w->windowTitle());
            action->setCheckable(true);
            action->setChecked(w == area->activeSubWindow() || w == QApplication::activeWindow());
            QObject::connect(action, &QAction::triggered, menu, [area, window = QPointer<QWidget>(w)] {
                if (window) BringToFront(area, window);
            });
        }
    });
    return menu;
}

}  // namespace zef
