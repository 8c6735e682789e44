#include "ui/device_list_window.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "device/device_list.h"
#include "ui/add_device_dialog.h"
#include "ui/connect_dialog.h"
#include "app/editor_session.h"
#include "ui/firmware_window.h"
#include "ui/link_diagnostics_window.h"
#include "ui/remove_device_dialog.h"
#include "ui/search_dialog.h"
#include "ui/status_icons.h"
#include "ui/version_window.h"

namespace zef {
namespace {

constexpr const char* kHeaders[] = {"Name", "IP", "Interface", "Unique ID", "Status", "Standby"};

QTableWidgetItem* Item(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

}  // namespace

DeviceListWindow::DeviceListWindow(EditorSession& session, QWidget* parent) : QWidget(parent), session_(session) {
    setObjectName("FrmIdList");
    setWindowTitle("Device List");
    auto* layout = new QVBoxLayout(this);

    layout->addLayout(MakeButtons());

    table_ = new QTableWidget(0, kColumnCount, this);
    table_->setObjectName("GridDevices");
    for (int c = 0; c < kColumnCount; ++c) table_->setHorizontalHeaderItem(c, new QTableWidgetItem(kHeaders[c]));
    table_->verticalHeader()->setVisible(true);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->setAlternatingRowColors(true);
    table_->setIconSize(QSize(18, 18));
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const int w = fontMetrics().horizontalAdvance('0');
    table_->setColumnWidth(kColName, w * 19);
    table_->setColumnWidth(kColIp, w * 17);
    table_->setColumnWidth(kColInterface, w * 10);
    table_->setColumnWidth(kColUniqueId, w * 16);
    // The longest status, in the bold the column draws it in, with a margin.
    QFont bold = table_->font();
    bold.setBold(true);
    table_->setColumnWidth(kColStatus, QFontMetrics(bold).horizontalAdvance(kStatusOfflineEditing) + w * 3);
    layout->addWidget(table_);

    connect(table_, &QTableWidget::cellClicked, this, &DeviceListWindow::CellClicked);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &DeviceListWindow::CellDoubleClicked);

    subscriptions_.push_back(session_.list().rowChanged.Connect([this](DeviceSlot slot) { RefreshRow(slot); }));
    subscriptions_.push_back(session_.exchange().wentOffline.Connect([this](DeviceSlot slot) { RefreshRow(slot); }));
    session_.announcements().SetHooks({[this](DeviceSlot slot) { OpenConnect(slot); },
                                       [this] { return session_.measure().autoEqOpen(); },
                                       [this] { session_.measure().CloseAutoEq(); },
                                       [this](DeviceSlot slot) { return session_.connection().lost(slot); }});
    ConnectView& view = session_.connectActions().view;
    view.firmwareWindow = [this](DeviceSlot slot, FirmwareWindowKind kind) {
        FwUpdateWindow window(FirmwareToolsOf(session_), slot,
                              kind == FirmwareWindowKind::BootLoader ? FwUpdateWindow::Kind::BootLoader
                                                                     : FwUpdateWindow::Kind::Update,
                              this);
        window.exec();
    };
    view.showEditor = [this](DeviceSlot slot) { ShowEditor(slot); };
    view.chooseMode = [this](DeviceSlot slot) -> std::optional<ConnectMode> {
        ConnectDialog dialog(session_.model(), session_.connection(), session_.connectActions(), slot,
                             ConnectDialog::Role::Choose, this);
        dialog.exec();
        return dialog.chosen();
    };
    session_.ReadSerialPortFromConfig();
    session_.connection().EnablePolling(true);
    Rebuild();
}

QHBoxLayout* DeviceListWindow::MakeButtons() {
    auto* buttons = new QHBoxLayout;
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        std::function<void()> action;
    } defs[] = {
        {"LabelAdd", "Add", "Add a device by hand", [this] { ClickAdd(); }},
        {"LabelSearch", "Search", "Search devices on USB or TCP/IP", [this] { ClickSearch(); }},
        {"LabelRemove", "Remove", "Remove devices from the list", [this] { ClickRemove(); }},
        {"LabelConnect", "Connect All", "Connect every off-line device", [this] { ClickConnectAll(); }},
        {"LabelDisconnect", "Disconnect All", "Disconnect every on-line device", [this] { ClickDisconnectAll(); }},
        {"LabelAllStandbyON", "Standby All ON", "Switch standby on for every device", [this] { ClickStandbyAll(true); }},
        {"LabelAllStandbyOFF", "Standby All OFF", "Switch standby off for every device",
         [this] { ClickStandbyAll(false); }},
        {"LabelDiagnostics", "Link Diagnostics", "Link figures and recent frames of every device",
         [this] { ClickDiagnostics(); }},
    };
    for (const auto& d : defs) {
        auto* b = new QPushButton(d.text, this);
        b->setObjectName(d.name);
        b->setToolTip(d.tip);
        connect(b, &QPushButton::clicked, this, d.action);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    return buttons;
}

int DeviceListWindow::rowOf(DeviceSlot slot) const {
    for (std::size_t r = 0; r < rowSlots_.size(); ++r)
        if (rowSlots_[r] == slot) return static_cast<int>(r);
    return -1;
}

DeviceSlot DeviceListWindow::slotAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rowSlots_.size())) return 0;
    return rowSlots_[static_cast<std::size_t>(row)];
}

QString DeviceListWindow::cellText(DeviceSlot slot, Column column) const {
    const int row = rowOf(slot);
    if (row < 0 || !table_->item(row, column)) return {};
    return table_->item(row, column)->text();
}

QString DeviceListWindow::cellToolTip(DeviceSlot slot, Column column) const {
    const int row = rowOf(slot);
    if (row < 0 || !table_->item(row, column)) return {};
    return table_->item(row, column)->toolTip();
}

void DeviceListWindow::Rebuild() {
    rowSlots_.clear();
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (session_.model().entry(s).inList) rowSlots_.push_back(s);
    table_->setRowCount(static_cast<int>(rowSlots_.size()));
    for (std::size_t r = 0; r < rowSlots_.size(); ++r) {
        FillRow(static_cast<int>(r), rowSlots_[r]);
        table_->setVerticalHeaderItem(static_cast<int>(r), new QTableWidgetItem(QString::number(rowSlots_[r])));
    }
}

void DeviceListWindow::FillRow(int row, DeviceSlot slot) {
    const DeviceEntry& e = session_.model().entry(slot);
    const RowTexts t = MakeRowTexts(e);
    table_->setItem(row, kColName, Item(t.name));
    table_->setItem(row, kColIp, Item(t.ip));
    table_->setItem(row, kColInterface, Item(t.interfaceName));
    table_->setItem(row, kColUniqueId, Item(t.uniqueId));

    QTableWidgetItem* status = Item(t.status);
    status->setToolTip(kStatusTooltip);
    QFont bold = table_->font();
    bold.setBold(true);
    status->setFont(bold);
    status->setForeground(e.online ? QColor(0, 120, 40) : QColor(120, 120, 120));
    status->setTextAlignment(Qt::AlignCenter);
    table_->setItem(row, kColStatus, status);

    QTableWidgetItem* standby = Item(t.standby);
    standby->setToolTip(QString::fromStdString(t.standby));
    const bool alert = session_.model().device(slot).alert;
    if (e.online) standby->setIcon(StandbyIcon(PictureFor(e.standby, alert, blinkPhase_)));
    table_->setItem(row, kColStandby, standby);
}

void DeviceListWindow::RefreshRow(DeviceSlot slot) {
    const int row = rowOf(slot);
    if (row < 0 || !session_.model().entry(slot).inList) {
        RefreshAll();
        return;
    }
    FillRow(row, slot);
}

void DeviceListWindow::RefreshAll() {
    std::vector<DeviceSlot> listed;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (session_.model().entry(s).inList) listed.push_back(s);
    if (listed != rowSlots_) {
        Rebuild();
        return;
    }
    for (std::size_t r = 0; r < rowSlots_.size(); ++r) FillRow(static_cast<int>(r), rowSlots_[r]);
}

void DeviceListWindow::BlinkTick(bool phase) {
    blinkPhase_ = phase;
    for (std::size_t r = 0; r < rowSlots_.size(); ++r) {
        const DeviceSlot slot = rowSlots_[r];
        const DeviceEntry& e = session_.model().entry(slot);
        if (!e.online) continue;
        QTableWidgetItem* item = table_->item(static_cast<int>(r), kColStandby);
        if (!item) continue;
        const bool alert = session_.model().device(slot).alert;
        item->setIcon(StandbyIcon(PictureFor(e.standby, alert, phase)));
        item->setToolTip(StandbyText(e.standby));
    }
}

void DeviceListWindow::CellClicked(int row, int column) {
    const DeviceSlot slot = slotAt(row);
    if (slot == 0) return;
    if (column == kColStatus) ClickStatus(slot);
    else if (column == kColStandby) ClickStandby(slot);
}

void DeviceListWindow::CellDoubleClicked(int row, int column) {
    const DeviceSlot slot = slotAt(row);
    if (slot == 0 || column == kColStatus || column == kColStandby) return;
    OpenDevice(slot);
}

void DeviceListWindow::ClickAdd() {
    if (!session_.listActions().BeginAdd()) return;
    AddDeviceDialog dialog(session_.listActions(), this);
    dialog.exec();
    RefreshAll();
}

void DeviceListWindow::ClickSearch() {
    SearchSettings settings;
    settings.loopbackIsNetwork = session_.options().loopbackLan;
    SearchDialog dialog(session_.list(), session_.exchange(), session_.dialogs(), settings, this);
    if (!dialog.Open()) return;
    dialog.exec();
    RefreshAll();
}

void DeviceListWindow::ClickRemove() {
    RemoveDeviceDialog dialog(session_.listActions(), this);
    dialog.exec();
    RefreshAll();
}

void DeviceListWindow::OpenConnect(DeviceSlot slot) {
    ConnectDialog dialog(session_.model(), session_.connection(), session_.connectActions(), slot,
                         ConnectDialog::Role::Connect, this);
    dialog.exec();
    RefreshAll();
}

void DeviceListWindow::ClickConnectAll() { OpenConnect(0); }

void DeviceListWindow::ClickDisconnectAll() {
    session_.connectActions().DisconnectAll();
    RefreshAll();
}

void DeviceListWindow::ClickStandbyAll(bool on) {
    if (on) session_.connection().AllStandbyOn();
    else session_.connection().AllStandbyOff();
    RefreshAll();
}

void DeviceListWindow::ClickStatus(DeviceSlot slot) {
    if (session_.model().entry(slot).online) session_.connectActions().DisconnectOne(slot);
    else if (session_.connectActions().BeginConnect(slot)) OpenConnect(slot);
    RefreshRow(slot);
}

void DeviceListWindow::ClickStandby(DeviceSlot slot) {
    session_.connection().ToggleStandby(slot);
    RefreshRow(slot);
}

void DeviceListWindow::OpenDevice(DeviceSlot slot) {
    session_.connectActions().OpenDevice(slot);
    RefreshAll();
}

void DeviceListWindow::ShowEditor(DeviceSlot slot) {
    ++editorsShown_;
    RefreshAll();
    if (editorOpener) {
        editorOpener(slot);
        return;
    }
    VersionWindow window(session_.model(), slot, this);
    window.exec();
}

}  // namespace zef

namespace zef {

void DeviceListWindow::ClickDiagnostics() {
    if (!diagnostics_)
        diagnostics_ = new LinkDiagnosticsWindow(session_.model(), session_.exchange().monitor(), session_.dialogs(),
                                                 session_.dataFolder(), this);
    diagnostics_->show();
    diagnostics_->raise();
    diagnostics_->activateWindow();
}

}  // namespace zef
