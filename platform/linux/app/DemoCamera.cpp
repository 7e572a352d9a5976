#include "app/DemoCamera.h"

#include <QHeaderView>
#include <QVBoxLayout>
#include <utility>

#include "ui/QtText.h"

namespace tessmo::linuxapp {
namespace {

constexpr int kRefreshMilliseconds = 500;

QString ClockText(const std::optional<ClockSetting>& date, const std::optional<ClockSetting>& time) {
    if (!date && !time) return QStringLiteral("Clock: never set");
    auto part = [](const std::optional<ClockSetting>& value, int firstWidth, QChar separator) {
        if (!value) return QStringLiteral("?");
        return QStringLiteral("%1%2%3%4%5")
            .arg(value->first, firstWidth, 10, QChar(u'0'))
            .arg(separator)
            .arg(value->second, 2, 10, QChar(u'0'))
            .arg(separator)
            .arg(value->third, 2, 10, QChar(u'0'));
    };
    return QStringLiteral("Clock set to %1 %2").arg(part(date, 4, u'-'), part(time, 2, u':'));
}

}  // namespace

bool DemoEventSource::Start(const Guid& interfaceClass, Sink sink) {
    sink_ = std::move(sink);
    interfaceClass_ = interfaceClass;
    return true;
}

void DemoEventSource::SetPlugged(bool plugged) {
    camera_.SetCameraPresent(plugged);
    if (!sink_) return;
    DeviceEvent event;
    event.kind = plugged ? DeviceEventKind::Arrival : DeviceEventKind::Removal;
    event.interfaceClass = interfaceClass_;
    event.interfaceName = kDemoInterfaceName;
    sink_(event);
}

DemoCameraWindow::DemoCameraWindow(SimulatedCamera& camera, DemoEventSource& events, const ParamList& params)
    : camera_(camera),
      events_(events),
      params_(params),
      plug_(new QPushButton(this)),
      clock_(new QLabel(this)),
      table_(new QTableWidget(0, 2, this)) {
    setWindowTitle(QStringLiteral("Simulated camera"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Camera holds")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plug_);
    layout->addWidget(clock_);
    layout->addWidget(table_);
    resize(320, 420);
    connect(plug_, &QPushButton::clicked, this, [this] {
        events_.SetPlugged(!camera_.CameraPresent());
        Refresh();
    });
    connect(&refresh_, &QTimer::timeout, this, &DemoCameraWindow::Refresh);
    refresh_.start(kRefreshMilliseconds);
    Refresh();
}

void DemoCameraWindow::ShowPlugState() {
    plug_->setText(camera_.CameraPresent() ? QStringLiteral("Unplug the camera")
                                           : QStringLiteral("Plug the camera in"));
}

void DemoCameraWindow::Refresh() {
    ShowPlugState();
    clock_->setText(ClockText(camera_.LastDate(), camera_.LastTime()));
    table_->setRowCount(static_cast<int>(params_.size()));
    for (std::size_t i = 0; i < params_.size(); ++i) {
        const ParamItem& item = params_[i];
        const std::uint8_t option = camera_.Option(item.ParaIdx);
        const QString held = option < item.SubStrs.size()
                                 ? qt::ToQString(item.SubStrs[option])
                                 : QStringLiteral("option %1 (not in the list)").arg(option);
        const QString texts[] = {qt::ToQString(item.MainStr), held};
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* cell = table_->item(static_cast<int>(i), column);
            if (cell == nullptr) {
                cell = new QTableWidgetItem();
                table_->setItem(static_cast<int>(i), column, cell);
            }
            if (cell->text() != texts[column]) cell->setText(texts[column]);
        }
    }
}

void PrepareDemoCamera(SimulatedCamera& camera) {
    camera.SetRequestLogging(false);
    // ParaIdx -> option: 1280x720 60fps, 3 Minutes, 0.0 EV, Daylight, G-Sensor Medium, 60Hz.
    const std::pair<std::uint16_t, std::uint8_t> stored[] = {{1, 1}, {2, 2}, {3, 2}, {4, 1},
                                                             {6, 1}, {8, 2}, {10, 1}};
    for (const auto& [paraIdx, option] : stored) camera.SetOption(paraIdx, option);
}

}  // namespace tessmo::linuxapp
