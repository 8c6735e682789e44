// The device list window and its dialogs, without devices on the wire.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest/QTest>

#include "ui/add_device_dialog.h"
#include "ui/remove_device_dialog.h"
#include "ui/search_dialog.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

void FillList(Model& model, int count) {
    for (DeviceSlot s = 1; s <= count; ++s) {
        DeviceEntry& e = model.entry(s);
        e = ClearedEntry(s);
        e.inList = true;
        e.ip = "127.0.1." + std::to_string(s);
        e.name = "Amp " + std::to_string(s);
        e.network = kNetworkLan;
    }
}

TEST_F(UiTest, AddWithFullListTellsAndOpensNoDialog) {
    StartEditor();
    FillList(session->model(), kMaxListedDevices);
    list->RefreshAll();
    EXPECT_EQ(list->table()->rowCount(), kMaxListedDevices);
    ModalDriver driver([](QWidget* w) { w->close(); });
    list->ClickAdd();
    EXPECT_TRUE(driver.seen.empty());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Add Device");
    EXPECT_EQ(dialogs.messages()[0].text, "Max added device is 32");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Information);
}

TEST_F(UiTest, AddDialogFillsTheFirstFreeSlotAndRowShowsIt) {
    StartEditor();
    FillList(session->model(), 2);
    session->list().ClearSlot(1);
    list->RefreshAll();
    AddDeviceDialog add(session->listActions());
    // Preset address is only a value in the boxes.
    EXPECT_EQ(add.box(0)->text(), "192");
    EXPECT_EQ(add.box(3)->text(), "100");
    EXPECT_TRUE(add.tcpOption()->isChecked());
    add.box(2)->setText("010");
    add.box(0)->setText("127");
    add.box(1)->setText("0");
    add.ClickAdd();
    ASSERT_EQ(add.addedSlot(), std::optional<DeviceSlot>(1));
    list->RefreshAll();
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColIp), "127.0.10.100");
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "Off-line");
    EXPECT_EQ(list->cellToolTip(1, DeviceListWindow::kColStatus), "Switch On-Line/Off-Line");
    // Off-line, its standby is not known: a dash, no lamp.
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStandby), "\xE2\x80\x94");
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColName), "ZEF-4.260");

    // With a USB entry listed the USB choice is not offered.
    AddDeviceDialog usb(session->listActions());
    usb.usbOption()->setChecked(true);
    usb.ClickAdd();
    ASSERT_TRUE(usb.addedSlot().has_value());
    AddDeviceDialog again(session->listActions());
    EXPECT_FALSE(again.usbOption()->isEnabled());
}

TEST_F(UiTest, RemoveDialogRemovesOnlyTickedRowsAfterYes) {
    StartEditor();
    FillList(session->model(), 3);
    list->RefreshAll();
    {
        RemoveDeviceDialog remove(session->listActions());
        remove.ClickRemove();  // nothing ticked
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].text, "Please select a device");
        remove.tickBox(2)->setChecked(true);
        dialogs.answers = {Answer::No};
        remove.ClickRemove();
        EXPECT_TRUE(session->model().entry(2).inList);
        dialogs.answers = {Answer::Yes};
        remove.ClickRemove();
    }
    EXPECT_FALSE(session->model().entry(2).inList);
    list->RefreshAll();
    EXPECT_EQ(list->table()->rowCount(), 2);
    EXPECT_EQ(list->rowOf(2), -1);
    EXPECT_EQ(list->cellText(3, DeviceListWindow::kColName), "Amp 3");
}

TEST_F(UiTest, RangeBoxesFollowTheRulesWhileTyping) {
    StartEditor();
    SearchDialog search(session->list(), session->exchange(), session->dialogs(), SearchSettings{true, 500, 200, 10000});
    ASSERT_TRUE(search.Open());
    search.tcpMode()->setChecked(true);
    EXPECT_TRUE(search.rangeBox(0)->isVisibleTo(&search));
    struct Case {
        int box;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {0, "127", "127"}, {1, "300", "255"}, {2, "7", "7"},     {3, "1", "1"},
        {7, "255", "254"}, {3, "20", "20"},   {7, "5", "20"},    {3, "255", "254"},
        {0, "0", "1"},     {0, "250", "223"}, {1, "abc", ""},    {3, "0", "1"},
    };
    for (const Case& c : cases) {
        QLineEdit* box = search.rangeBox(c.box);
        box->clear();
        QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->text().toStdString(), c.shown) << "box " << c.box << " typed " << c.typed;
    }
    // The end's first three octets mirror the start's.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(search.rangeBox(4 + i)->text(), search.rangeBox(i)->text()) << i;
    EXPECT_EQ(search.windowTitle(), "Search Device");
}

}  // namespace
}  // namespace zef::test
