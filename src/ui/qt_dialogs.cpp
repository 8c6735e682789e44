#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace zef {
namespace {

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Critical: return QMessageBox::Critical;
        case Icon::Question: return QMessageBox::Question;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Buttons buttons) {
    switch (buttons) {
        case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

// Splits "Desc (*.a *.b)" into "Desc" and its patterns.
void SplitDescription(const QString& text, QString& description, QStringList& patterns) {
    description = text.trimmed();
    if (!description.endsWith(')')) return;
    const qsizetype open = description.lastIndexOf('(');
    if (open < 0) return;
    const QString inner = description.mid(open + 1, description.size() - open - 2);
    if (!inner.contains('*')) return;
    patterns += inner.split(QRegularExpression("[ ;]+"), Qt::SkipEmptyParts);
    description = description.left(open).trimmed();
}

// Asks for a path with one of QFileDialog's own dialogs; nullopt when cancelled.
std::optional<std::string> AskPath(decltype(&QFileDialog::getOpenFileName) ask, QWidget* parent,
                                   const std::string& title, const std::string& folder,
                                   const QString& filters, QString* selected = nullptr) {
    const QString path =
        ask(parent, QString::fromStdString(title), QString::fromStdString(folder), filters, selected, {});
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description;
        QStringList patterns;
        SplitDescription(parts[i], description, patterns);
        if (i + 1 < parts.size())
            patterns += parts[i + 1].split(QRegularExpression("[ ;]+"), Qt::SkipEmptyParts);
        patterns.removeDuplicates();
        if (description.isEmpty() && patterns.isEmpty()) continue;
        out += patterns.isEmpty() ? description : description + " (" + patterns.join(' ') + ")";
    }
    return out.join(";;");
}

QString QtMessageText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

QWidget* QtDialogs::Owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active->window();
    return parent_;
}

namespace {

void FitTitle(QMessageBox& box) {
    // A box is as wide as its text; a longer title would be cut by the
    // window manager. Room for the title, the window buttons and the icon.
    constexpr int kTitleBarExtra = 140;
    const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarExtra;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

}  // namespace

void QtDialogs::Message(const std::string& title, const std::string& text, Icon icon) {
    QMessageBox box(ToQt(icon), QString::fromStdString(title), QtMessageText(text), QMessageBox::Ok,
                    Owner());
    FitTitle(box);
    open_.emplace_back(&box);
    box.exec();
    std::erase(open_, QPointer<QMessageBox>(&box));
}

void QtDialogs::Withdraw(const std::string& title, const std::string& text) {
    const QString qtTitle = QString::fromStdString(title);
    const QString qtText = QtMessageText(text);
    for (const QPointer<QMessageBox>& box : std::vector<QPointer<QMessageBox>>(open_))
        if (box && box->windowTitle() == qtTitle && box->text() == qtText) box->done(QMessageBox::Ok);
}

Answer QtDialogs::Ask(const std::string& title, const std::string& text, Buttons buttons, Icon icon) {
    QMessageBox box(ToQt(icon), QString::fromStdString(title), QtMessageText(text), ToQt(buttons),
                    Owner());
    FitTitle(box);
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Ok: return Answer::Ok;
        default: return Answer::Cancel;
    }
}

std::optional<std::string> QtDialogs::OpenFile(const std::string& title, const std::string& filter,
                                               const std::string& folder) {
    return AskPath(&QFileDialog::getOpenFileName, Owner(), title, folder, QtFileFilter(filter));
}

std::optional<std::string> QtDialogs::OpenFileRemembering(const std::string& title, const std::string& filter,
                                                          const std::string& folder, int& filterIndex) {
    const QStringList filters = QtFileFilter(filter).split(";;");
    QString selected = filters.value(std::clamp<qsizetype>(filterIndex, 0, filters.size() - 1));
    std::optional<std::string> path =
        AskPath(&QFileDialog::getOpenFileName, Owner(), title, folder, filters.join(";;"), &selected);
    if (!path) return std::nullopt;
    if (const qsizetype i = filters.indexOf(selected); i >= 0) filterIndex = static_cast<int>(i);
    return path;
}

std::optional<std::string> QtDialogs::SaveFile(const std::string& title, const std::string& filter,
                                               const std::string& folder) {
    return AskPath(&QFileDialog::getSaveFileName, Owner(), title, folder, QtFileFilter(filter));
}

}  // namespace zef
