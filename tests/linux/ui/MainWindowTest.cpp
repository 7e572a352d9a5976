// The Linux window end to end, offscreen, over the simulated camera and real INI files:
// what a user sees and does, and what reaches the camera.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <memory>
#include <string>
#include <vector>

#include "PipeUevents.h"
#include "TempFolder.h"
#include "app/DemoCamera.h"
#include "app/HotplugEvents.h"
#include "app/IniLocation.h"
#include "common/Trace.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"
#include "device/CDeviceChannel.h"
#include "ui/MainDialog.h"

namespace tessmo::qt {
namespace {

using configtest::TempFolder;

constexpr char kSettings[] =
    "[Private]\nTitle=Tessmo Test Rig\nCol_Name=Name\nCol_Value=Value\nApp_Font_Size=18\n"
    "Custom_String=Hello\nCustom_Font_Name=Arial\nCustom_Font_Size=22\nCustom_Font_Bold=1\n";
constexpr char kDefinitions[] =
    "[Res]\nMainStr=Resolution\nParaIdx=1\nSubStr0=1080p\nSubStr1=720p\nSubStr2=480p\n"
    "[Loop]\nMainStr=Loop Recording\nParaIdx=2\nSubStr0=Off\nSubStr1=1 Minute\nSubStr2=3 Minutes\n"
    "[Mic]\nMainStr=Record Audio\nParaIdx=7\nSubStr0=Off\nSubStr1=On\n";

// The window over the simulated camera, reading the INI files of a private folder.
struct Rig {
    explicit Rig(const std::string& settings = kSettings, const std::string& definitions = kDefinitions,
                 DeviceEventSource* source = nullptr)
        : dialog({profile, channels, trace, source != nullptr ? source : &events}) {
        folder.Write("Tessmo.ini", settings);
        folder.Write("Vorlund.ini", definitions);
        camera.SetOption(1, 1);  // 720p
        camera.SetOption(2, 2);  // 3 Minutes
        camera.SetOption(7, 1);  // On
        dialog.Create();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    QString Cell(int row) { return dialog.List().item(row, 1)->text(); }
    QPoint CellCentre(int row) {
        return dialog.List().visualRect(dialog.List().model()->index(row, 1)).center();
    }
    void Click(int row) { QTest::mouseClick(dialog.List().viewport(), Qt::LeftButton, {}, CellCentre(row)); }
    // Presses Sync; every message box it opens is noted as "text|caption|buttons" and closed.
    std::vector<QString> Sync() {
        std::vector<QString> boxes;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&boxes] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back(box->text() + "|" + box->windowTitle() + "|" +
                                QString::number(static_cast<int>(box->standardButtons())));
                box->accept();
            }
        });
        watcher.start(20);
        QTest::mouseClick(&dialog.SyncButton(), Qt::LeftButton);
        return boxes;
    }

    TempFolder folder;
    SimulatedCamera camera;
    TraceCollector trace;
    CaptureChannelFactory channels{camera, trace};
    linuxapp::LocatedProfileFiles files{
        HostProfileFiles(),
        {{kSettingsFile, folder.File("Tessmo.ini")}, {kDefinitionFile, folder.File("Vorlund.ini")}}};
    PortableProfileSource profile{files};
    linuxapp::DemoEventSource events{camera};
    CMainDialog dialog;
};

TEST(MainWindow, PickSyncUnplugAndPlugAsAUserWould) {
    Rig rig;
    CCellListCtrl& list = rig.dialog.List();
    EXPECT_EQ(rig.dialog.windowTitle(), "Tessmo Test Rig");
    EXPECT_FALSE(rig.dialog.windowIcon().isNull());
    EXPECT_EQ(list.horizontalHeaderItem(0)->text(), "Name");
    EXPECT_EQ(list.horizontalHeaderItem(1)->text(), "Value");
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.item(1, 0)->text(), "Loop Recording");
    EXPECT_EQ(rig.Cell(0) + "," + rig.Cell(1) + "," + rig.Cell(2), "720p,3 Minutes,On");

    // A click opens the drop-down on what the cell shows; picking another entry turns it red.
    rig.Click(0);
    QComboBox* box = list.DropDownBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), "720p");
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_EQ(list.DropDownBox(), nullptr);
    EXPECT_EQ(rig.Cell(0), "480p");
    EXPECT_EQ(list.PaintedTextColor(0, 1), QColor(Qt::red));

    // Sync writes that pick and says so in a box with no caption and OK only.
    EXPECT_EQ(rig.Sync(), std::vector<QString>{"Sync OK!||" + QString::number(QMessageBox::Ok)});
    EXPECT_EQ(rig.camera.Option(1), 2);
    EXPECT_NE(list.PaintedTextColor(0, 1), QColor(Qt::red));  // now in the camera

    // Unplugged: Sync and the rows disabled (focus leaves Sync), nothing opens; plugged
    // in again, the rows open (Sync's return is the udev test's).
    rig.dialog.SyncButton().setFocus();
    rig.events.SetPlugged(false);
    EXPECT_FALSE(rig.dialog.SyncButton().isEnabled());
    EXPECT_NE(QApplication::focusWidget(), &rig.dialog.SyncButton());
    rig.Click(1);
    EXPECT_EQ(list.DropDownBox(), nullptr);
    rig.events.SetPlugged(true);
    rig.Click(1);
    EXPECT_NE(list.DropDownBox(), nullptr);
}

TEST(MainWindow, FontsAndBannerFromTheSettings) {
    Rig rig;
    EXPECT_EQ(rig.dialog.Banner().text(), "Hello");
    EXPECT_TRUE(rig.dialog.Banner().font().bold());
    // The requested heights are whole text cells, as on Windows.
    EXPECT_NEAR(QFontMetrics(rig.dialog.Banner().font()).height(), 22, 1);
    EXPECT_NEAR(QFontMetrics(rig.dialog.List().font()).height(), 18, 1);
    EXPECT_EQ(rig.dialog.SyncButton().font(), rig.dialog.List().font());

    // Without a banner the buttons move left by what the dialog asks.
    Rig bare("[Private]\n");
    EXPECT_FALSE(bare.dialog.Banner().isVisible());
    EXPECT_EQ(bare.dialog.SyncButton().geometry(), DialogUnitsToPixels(90, 281, 62, 22).translated(-90, 0));
    EXPECT_EQ(bare.dialog.ExitButton().geometry(), DialogUnitsToPixels(170, 281, 62, 22).translated(-10, 0));
}

TEST(MainWindow, KeyboardOpensAndCancelsAndEnterNeverEndsTheWindow) {
    Rig rig;
    CCellListCtrl& list = rig.dialog.List();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    ASSERT_EQ(list.GetCurSel(), 0);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_F2, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        QTest::keyClick(&list, key);
        ASSERT_NE(list.DropDownBox(), nullptr);
        QTest::keyClick(list.DropDownBox()->view(), Qt::Key_Down);
        QTest::keyClick(list.DropDownBox()->view(), Qt::Key_Escape);
        QTest::qWait(10);  // the popup's closing is seen on the next turn of the loop
        EXPECT_EQ(list.DropDownBox(), nullptr);
        EXPECT_EQ(rig.Cell(0), "720p");
        EXPECT_TRUE(rig.dialog.isVisible());
    }
    // Escape on the list itself ends the window, as the close box does.
    QTest::keyClick(&list, Qt::Key_Escape);
    EXPECT_FALSE(rig.dialog.isVisible());
}

TEST(MainWindow, ColumnsFitAndLongTextsShowWhole) {
    const std::string longText = "A rather long option text that cannot fit its cell";
    std::string definitions = "[Long]\nMainStr=Long\nParaIdx=1\nSubStr0=Short\nSubStr1=" + longText + "\n";
    for (int i = 2; i < 40; ++i) {
        definitions += "[P" + std::to_string(i) + "]\nMainStr=P" + std::to_string(i) +
                       "\nParaIdx=" + std::to_string(i) + "\nSubStr0=Off\n";
    }
    Rig rig(kSettings, definitions);
    CCellListCtrl& list = rig.dialog.List();
    EXPECT_TRUE(list.verticalScrollBar()->isVisible());
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
    EXPECT_EQ(list.columnWidth(0) + list.columnWidth(1), list.viewport()->width());

    ASSERT_EQ(rig.Cell(0), QString::fromStdString(longText));
    QHelpEvent tip(QEvent::ToolTip, rig.CellCentre(0), list.viewport()->mapToGlobal(rig.CellCentre(0)));
    QApplication::sendEvent(list.viewport(), &tip);
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(longText));

    rig.Click(0);
    ASSERT_NE(list.DropDownBox(), nullptr);
    EXPECT_GE(list.DropDownBox()->view()->width(),
              list.DropDownBox()->fontMetrics().horizontalAdvance(QString::fromStdString(longText)));
}

TEST(MainWindow, UdevEventsReachTheWindowThroughTheEventLoop) {
    auto* uevents = new hotplug::PipeUevents;  // owned by the monitor
    linuxapp::HotplugEventSource hotplug([uevents](std::string&) {
        return std::make_unique<hotplug::HotplugMonitor>(std::unique_ptr<hotplug::UeventSource>(uevents),
                                                         "/nonexistent");
    });
    Rig rig(kSettings, kDefinitions, &hotplug);
    QPushButton& sync = rig.dialog.SyncButton();
    ASSERT_TRUE(sync.isEnabled());
    hotplug::UeventProperties event = {
        {"ACTION", "remove"},
        {"SUBSYSTEM", "video4linux"},
        {"PRODUCT", "4fc/6333/100"},
        {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/video4linux/video0"}};
    rig.camera.SetCameraPresent(false);
    uevents->Push(event);
    EXPECT_TRUE(QTest::qWaitFor([&sync] { return !sync.isEnabled(); }, 2000));
    rig.camera.SetCameraPresent(true);
    event["ACTION"] = "add";
    uevents->Push(event);
    EXPECT_TRUE(QTest::qWaitFor([&sync] { return sync.isEnabled(); }, 2000));
}

}  // namespace
}  // namespace tessmo::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
