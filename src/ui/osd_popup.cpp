#include "ui/osd_popup.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "core/log.h"
#include "platform/dbus_client.h"
#include "platform/desktop_osd.h"
#include "skin/skin_settings.h"

namespace {

constexpr int kWidth = 220;
constexpr int kHeight = 84;
// The skin's dark face and light caption colours.
const QColor kFace(0x1b, 0x1d, 0x22, 230);
const QColor kEdge(0x3d, 0x8b, 0xd9);
const QColor kText(0xf0, 0xf0, 0xf0);

}  // namespace

COsdPopup::COsdPopup()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setObjectName("MivoraOsd");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kWidth, kHeight);
    m_hide.setSingleShot(true);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
}

void COsdPopup::ShowStage(const std::string& stage, const std::string& x, const std::string& y) {
    m_stage = QString::fromStdString(stage);
    m_value = QString::fromStdString(y.empty() ? x : x + "  " + y);
    PlaceAtBottomCentre();
    show();
    raise();
    update();
    m_hide.start(kShowMs);
}

void COsdPopup::PlaceAtBottomCentre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.center().x() - width() / 2, area.bottom() - height() - area.height() / 10);
}

void COsdPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 12, 12);
    p.fillPath(frame, kFace);
    p.setPen(QPen(kEdge, 2));
    p.drawPath(frame);
    QFont font = SkinAppFont() ? *SkinAppFont() : p.font();
    p.setPen(kText);
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 8, width(), 34), Qt::AlignCenter, m_stage);
    font.setPixelSize(18);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(0, 42, width(), 30), Qt::AlignCenter, m_value);
}

OsdWay ChooseOsdWay(const QString& platformName) {
    if (platformName == "xcb" || platformName == "offscreen") return OsdWay::Window;
    if (platformName.startsWith("wayland")) return OsdWay::DesktopService;
    return OsdWay::None;
}

COsdDisplay::COsdDisplay(OsdWay way) : m_way(way) {}

COsdDisplay::~COsdDisplay() = default;

void COsdDisplay::UseDesktopService(std::unique_ptr<platform::OsdSender> sender) {
    m_way = OsdWay::DesktopService;
    m_sender = std::move(sender);
}

void COsdDisplay::ShowStage(const std::string& stage, const std::string& x, const std::string& y) {
    if (m_way == OsdWay::Window) {
        if (!m_popup) m_popup = std::make_unique<COsdPopup>();
        m_popup->ShowStage(stage, x, y);
    } else if (m_way == OsdWay::DesktopService) {
        if (!m_sender) {
            // The bus is opened on the sender's thread, at the first change.
            const std::string app = QGuiApplication::applicationDisplayName().toStdString();
            const std::string icon = QGuiApplication::desktopFileName().isEmpty()
                                         ? QGuiApplication::applicationName().toStdString()
                                         : QGuiApplication::desktopFileName().toStdString();
            m_sender = std::make_unique<platform::OsdSender>([app, icon] {
                std::shared_ptr<platform::DbusConnection> bus =
                    platform::DbusConnection::OpenSession();
                auto osd = platform::MakeDesktopOsd(bus, app, icon);
                g_pfnLog("On-screen display: %s", osd ? osd->Name() : "no session bus");
                return osd;
            });
        }
        m_sender->Post(stage, y.empty() ? x : x + "  " + y);
    }
}
