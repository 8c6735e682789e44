#include "ui/application_look.h"

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

#include "ui/screen_rules.h"

namespace zef {

void SetEditorApplicationLook() {
    QApplication::setApplicationName("zef-editor");
    QApplication::setApplicationVersion(kSoftwareVersion);
    // The installed menu entry and icon: desktops match windows to the entry by this name.
    QGuiApplication::setDesktopFileName("org.zefeditor.ZefEditor");
    QApplication::setWindowIcon(QIcon::fromTheme("org.zefeditor.ZefEditor"));
    QApplication::setStyle(QStyleFactory::create("Fusion"));
}

}  // namespace zef
