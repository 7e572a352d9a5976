#include "app/DemoScript.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "ui/QtText.h"

namespace tessmo::linuxapp {
namespace {

constexpr int kStepMilliseconds = 400;
// The row the script picks in when it can (White Balance in the example catalogue).
constexpr int kPreferredRow = 3;

void Fail(const char* why) {
    std::fprintf(stderr, "tessmo-demo --script: %s\n", why);
    std::fflush(stdout);
    std::exit(1);
}

// What is on the screen where the windows are; without a real screen (the offscreen
// platform) each window paints itself into the picture at its place.
QPixmap Picture(const QList<QWidget*>& windows) {
    QRect area;
    for (QWidget* window : windows) area |= window->frameGeometry();
    area.adjust(-8, -8, 8, 8);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() == QStringLiteral("xcb") && screen != nullptr) {
        return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    }
    QPixmap picture(area.size());
    picture.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&picture);
    for (QWidget* window : windows)
        painter.drawPixmap(window->geometry().topLeft() - area.topLeft(), window->grab());
    return picture;
}

// The first row from `from` on whose parameter has two options or more to pick between.
int PickableRow(qt::CMainDialog& dialog, int from) {
    const ParamList& params = dialog.Logic().Params();
    const int rows = static_cast<int>(params.size());
    for (int offset = 0; offset < rows; ++offset) {
        const int row = (from + offset) % rows;
        if (params[static_cast<std::size_t>(row)].SubStrs.size() > 1) return row;
    }
    return -1;
}

// Opens the row's drop-down as a click would; the pick follows a step later.
void OpenRow(const DemoScriptParts& parts, int row) {
    qt::CCellListCtrl& list = parts.dialog.List();
    list.setFocus(Qt::MouseFocusReason);
    list.selectRow(row);
    if (!list.OpenDropDown(row, 1)) Fail("the value cell's drop-down does not open");
}

// Picks the entry after the one the drop-down opened on.
void PickNext(const DemoScriptParts& parts) {
    QComboBox* box = parts.dialog.List().DropDownBox();
    if (box == nullptr) Fail("the drop-down closed by itself");
    const int next = (box->currentIndex() + 1) % box->count();
    box->setCurrentIndex(next);
    box->hidePopup();
    emit box->activated(next);
}

// Presses Sync, closes its message, and checks the camera holds the row's pick.
void SyncAndCheck(const DemoScriptParts& parts, int row) {
    const ParamItem item = parts.dialog.Logic().Params()[static_cast<std::size_t>(row)];
    if (item.CurIdx >= item.SubStrs.size()) Fail("the pick stored no option");
    // The box's own modal loop runs this while Sync waits for it to close.
    QTimer::singleShot(kStepMilliseconds, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) Fail("Sync showed no message");
        std::fprintf(stderr, "tessmo-demo --script: Sync says \"%s\"\n", box->text().toUtf8().constData());
        box->accept();
    });
    parts.dialog.SyncButton().setFocus(Qt::MouseFocusReason);  // as a click on it would
    parts.dialog.SyncButton().click();
    if (parts.camera.Option(item.ParaIdx) != item.CurIdx) Fail("the camera does not hold the picked option");
    std::fprintf(stderr, "tessmo-demo --script: the camera holds \"%s\" for \"%s\"\n",
                 qt::ToQString(item.SubStrs[item.CurIdx]).toUtf8().constData(),
                 qt::ToQString(item.MainStr).toUtf8().constData());
}

// The picture: the synced value black, a second pick red until the next sync.
void SavePicture(const DemoScriptParts& parts, int pendingRow) {
    parts.dialog.SyncButton().setFocus(Qt::MouseFocusReason);
    if (parts.dialog.List().PaintedTextColor(pendingRow, 1) != QColor(Qt::red)) {
        Fail("a pick not yet synced is not shown red");
    }
    parts.cameraWindow.Refresh();
    if (parts.screenshotPath.isEmpty()) return;
    if (!Picture({&parts.dialog, &parts.cameraWindow}).save(parts.screenshotPath)) {
        Fail("the screenshot cannot be saved");
    }
    std::fprintf(stderr, "tessmo-demo --script: screenshot %s\n", parts.screenshotPath.toUtf8().constData());
}

// One step after the other: a step that waits in a message box delays the rest.
void RunSteps(std::shared_ptr<const std::vector<std::function<void()>>> steps, std::size_t next) {
    if (next >= steps->size()) return;
    QTimer::singleShot(kStepMilliseconds, [steps, next] {
        (*steps)[next]();
        RunSteps(steps, next + 1);
    });
}

}  // namespace

void StartDemoScript(const DemoScriptParts& parts) {
    // Rows are chosen once the window has loaded its catalogue, at the first step.
    auto rows = std::make_shared<std::pair<int, int>>(-1, -1);
    const std::vector<std::function<void()>> steps = {
        [parts, rows] {
            rows->first = PickableRow(parts.dialog, kPreferredRow);
            rows->second = PickableRow(parts.dialog, rows->first + 1);
            if (rows->first < 0 || rows->second == rows->first) Fail("fewer than two parameters to pick in");
            OpenRow(parts, rows->first);
        },
        [parts] { PickNext(parts); },
        [parts, rows] { SyncAndCheck(parts, rows->first); },
        [parts, rows] { OpenRow(parts, rows->second); },
        [parts] { PickNext(parts); },
        [parts, rows] { SavePicture(parts, rows->second); },
        [parts] { parts.dialog.ExitButton().click(); },  // ends the process with status 0
    };
    RunSteps(std::make_shared<const std::vector<std::function<void()>>>(steps), 0);
}

}  // namespace tessmo::linuxapp
