#include "ui/MainDialog.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "ui/QtText.h"

namespace tessmo::qt {
namespace {

// The template's controls, in dialog units.
struct TemplateRect {
    int x, y, width, height;
};
constexpr TemplateRect kDialogSize{0, 0, 255, 316};
constexpr TemplateRect kParamList{14, 12, 227, 258};
constexpr TemplateRect kSyncButton{90, 281, 62, 22};
constexpr TemplateRect kExitButton{170, 281, 62, 22};
constexpr TemplateRect kCustomText{12, 285, 65, 24};

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QRect Place(const TemplateRect& rect) {
    return DialogUnitsToPixels(rect.x, rect.y, rect.width, rect.height);
}

}  // namespace

QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    return QRect(MulDiv(x, kBaseUnitX, 4), MulDiv(y, kBaseUnitY, 8), MulDiv(width, kBaseUnitX, 4),
                 MulDiv(height, kBaseUnitY, 8));
}

QFont MakeFont(const FontRequest& request) {
    QFont font(ToQString(request.face));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(request.weight >= 700 ? QFont::Bold : QFont::Normal);
    if (request.height > 0) {
        // Windows fits a positive height to the whole cell, ascent plus descent; Qt's
        // pixel size is the em. Scale by what the face needs beyond its em.
        font.setPixelSize(request.height);
        const int cell = QFontMetrics(font).height();
        if (cell > 0) font.setPixelSize(std::max(1, MulDiv(request.height, request.height, cell)));
    }
    return font;
}

CMainDialog::CMainDialog(Ports ports, QWidget* parent)
    : QDialog(parent),
      m_Events(ports.events),
      m_List(new CCellListCtrl(this)),
      m_Sync(new QPushButton(QStringLiteral("&Sync"), this)),
      m_Exit(new QPushButton(QStringLiteral("&Exit"), this)),
      m_CustomText(new QLabel(this)),
      m_Logic(CConfigToolDlg::Ports{*this, *m_List, ports.profile, ports.channels, ports.trace}) {
    setFixedSize(Place(kDialogSize).size());
    m_List->setGeometry(Place(kParamList));
    m_Sync->setGeometry(Place(kSyncButton));
    m_Exit->setGeometry(Place(kExitButton));
    m_CustomText->setGeometry(Place(kCustomText));
    m_CustomText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_CustomText->setWordWrap(true);
    // The list first: arrows and Enter work at once, and Enter there never ends the dialog.
    setTabOrder(m_List, m_Sync);
    setTabOrder(m_Sync, m_Exit);
    m_List->setFocus(Qt::OtherFocusReason);

    connect(m_Sync, &QPushButton::clicked, this, [this] { m_Logic.OnSync(); });
    connect(m_Exit, &QPushButton::clicked, this, [this] { m_Logic.OnExit(); });
    connect(m_List, &CCellListCtrl::itemChangedList, this, [this] { m_Logic.OnItemChangedList(); });
    connect(m_List, &CCellListCtrl::comboSelection, this, [this](int row, int subItem) {
        m_Logic.OnComboSelection(static_cast<std::uintptr_t>(row), subItem);
    });
}

CMainDialog::~CMainDialog() = default;

int CMainDialog::DoModal() {
    m_Logic.OnInitDialog();
    return exec();
}

void CMainDialog::Create() {
    m_Logic.OnInitDialog();
    show();
}

// --- tessmo::DialogWindow --------------------------------------------------------------

void CMainDialog::SetIcons() {
    setWindowIcon(QIcon(QStringLiteral(":/tessmo/tessmo.png")));
}

void CMainDialog::SetTitleSuffix(const QString& suffix) {
    m_TitleSuffix = suffix;
    setWindowTitle(suffix.trimmed());
}

void CMainDialog::SetTitle(const std::u16string& title) {
    setWindowTitle(title.empty() ? m_TitleSuffix.trimmed() : ToQString(title) + m_TitleSuffix);
}

FontHandle CMainDialog::CreateListFont(const FontRequest& request) {
    m_ListFont = std::make_unique<QFont>(MakeFont(request));
    return m_ListFont.get();
}

FontHandle CMainDialog::CreateCustomFont(const FontRequest& request) {
    m_CustomFont = std::make_unique<QFont>(MakeFont(request));
    return m_CustomFont.get();
}

void CMainDialog::SetButtonFont(DialogButton button, FontHandle font) {
    Button(button)->setFont(font != nullptr ? *static_cast<const QFont*>(font) : QFont());
}

void CMainDialog::SetCustomText(const std::u16string& text) {
    m_CustomText->setText(ToQString(text));
}

void CMainDialog::SetCustomTextFont(FontHandle font) {
    m_CustomText->setFont(font != nullptr ? *static_cast<const QFont*>(font) : QFont());
}

void CMainDialog::HideCustomText() {
    m_CustomText->hide();
}

void CMainDialog::ShiftButtonLeft(DialogButton button, int pixels) {
    QPushButton* control = Button(button);
    control->move(control->x() - pixels, control->y());
}

void CMainDialog::EnableSyncButton(bool enable) {
    m_Sync->setEnabled(enable);
}

void CMainDialog::ShowMessage(const std::u16string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), ToQString(text), QMessageBox::Ok, this);
    box.exec();
}

LocalTime CMainDialog::GetLocalTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    auto word = [](int value) { return static_cast<std::uint16_t>(value); };
    return {word(date.year()), word(date.month()),  word(date.day()),
            word(time.hour()), word(time.minute()), word(time.second())};
}

void CMainDialog::RegisterDeviceInterfaceNotification(const Guid& interfaceClass) {
    if (m_Events == nullptr) return;
    m_Events->Start(interfaceClass, [this](const DeviceEvent& event) { m_Logic.OnDeviceChange(event); });
}

void CMainDialog::ExitProcess(int status) {
    std::fflush(stdout);
    std::exit(status);
}

QPushButton* CMainDialog::Button(DialogButton button) const {
    return button == DialogButton::Sync ? m_Sync : m_Exit;
}

}  // namespace tessmo::qt
