#include "geometry_dump.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <QFile>
#include <QSaveFile>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

namespace zef {
namespace {

// One line per rectangle, tab-separated: kind, name, x, y, width, height, text. Kinds:
// "window" (a top-level window, name = its title, text = its class), "widget" (objectName; text =
// the class, then a tab and the shown text of a label, button, line edit, spin box or combo box),
// "button" (a button without a name, such as a message box's: name = its caption), "cell" (a
// visible cell of a named item view: name = view/row/column, text = the cell's text), "tab" (a
// tab of a tab bar: name = its caption).
void WriteLine(QTextStream& out, const char* kind, const QString& name, const QRect& r, const QString& text) {
    QString clean = text;
    clean.replace('\n', ' ');
    out << kind << '\t' << name << '\t' << r.x() << '\t' << r.y() << '\t' << r.width() << '\t' << r.height()
        << '\t' << clean << '\n';
}

QString ShownText(const QWidget& w) {
    if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(&w)) return edit->text();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(&w)) return spin->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(&w)) return combo->currentText();
    return {};
}

void WriteRows(QTextStream& out, const QAbstractItemView& view) {
    const QAbstractItemModel* model = view.model();
    if (model == nullptr) return;
    for (int row = 0; row < model->rowCount(view.rootIndex()); ++row) {
        for (int column = 0; column < model->columnCount(view.rootIndex()); ++column) {
            const QModelIndex index = model->index(row, column, view.rootIndex());
            const QRect local = view.visualRect(index);
            if (!local.isValid() || !view.viewport()->rect().intersects(local)) continue;
            const QRect global(view.viewport()->mapToGlobal(local.topLeft()), local.size());
            WriteLine(out, "cell", QString("%1/%2/%3").arg(view.objectName()).arg(row).arg(column), global,
                      model->data(index).toString());
        }
    }
}

void WriteGeometry(const QString& path) {
    QSaveFile file(path);  // replaced whole, so a reader never sees half a dump
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return;
    QTextStream out(&file);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        WriteLine(out, "window", top->windowTitle(), top->frameGeometry(), top->metaObject()->className());
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (!w->isVisible()) continue;
            const QRect global(w->mapToGlobal(QPoint(0, 0)), w->size());
            if (w->objectName().isEmpty()) {
                if (const auto* button = qobject_cast<const QAbstractButton*>(w))
                    WriteLine(out, "button", button->text().remove('&'), global, w->metaObject()->className());
                continue;
            }
            WriteLine(out, "widget", w->objectName(), global,
                      QString(w->metaObject()->className()) + '\t' + ShownText(*w));
            if (const auto* view = qobject_cast<const QAbstractItemView*>(w)) WriteRows(out, *view);
            if (const auto* bar = qobject_cast<const QTabBar*>(w))
                for (int i = 0; i < bar->count(); ++i)
                    WriteLine(out, "tab", bar->tabText(i), QRect(bar->mapToGlobal(bar->tabRect(i).topLeft()),
                                                                 bar->tabRect(i).size()), "QTabBar");
        }
    }
    file.commit();
}

}  // namespace

void StartGeometryDumpFromEnvironment() {
    const QString path = qEnvironmentVariable("ZEF_GEOMETRY_DUMP");
    if (path.isEmpty()) return;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [path] { WriteGeometry(path); });
    timer->start(250);
}

}  // namespace zef
