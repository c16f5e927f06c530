#include "ui/permission_dlg.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "device/permission_hint.h"
#include "platform/child_process.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "ui/dialog_face.h"

namespace {

constexpr uint32_t kKeyColour = 0x00FF00;
constexpr int kMargin = 24;
constexpr int kGap = 12;
constexpr int kMinWidth = 520;
constexpr int kBottomBand = kFaceBottomBand;
constexpr int kButtonRow = kFaceButtonRow;
constexpr int kCopiedMs = 2000;

QFont CommandFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(14);
    return f;
}

}  // namespace

CPermissionDlg::CPermissionDlg(QWidget* parent, const PermissionAdvice& advice)
    : CTopDialog(parent, kMsgTopWindowTitle), m_advice(advice) {
    setObjectName("MivoraPermission");
    setWindowTitle(QString::fromStdString(g_UiText.tc_perm_title));
    connect(&m_poll, &QTimer::timeout, this, [this] { PollInstaller(); });
    Build();
}

CPermissionDlg::~CPermissionDlg() {
    // Closed while the password prompt is up: the installation is given up.
    if (m_pid > 0) platform::StopProgram(m_pid);
}

bool CPermissionDlg::IsSwallowedKey(int qtKey) const {
    return qtKey != Qt::Key_Escape && IsWindowKeySwallowed(qtKey);
}

void CPermissionDlg::Build() {
    const SkinImage back = LoadSkinImage("msg_nr.png");
    // With the rule in place already, installing it again changes nothing: no commands then.
    const QString commands =
        m_advice.ruleInPlace ? QString()
                             : QString::fromStdString(UdevRuleCommands("\n", m_advice.haveSudo));
    const bool canInstall = !m_advice.ruleInPlace && m_advice.havePkexec;

    // As wide as the longest command needs, within the screen.
    int longest = 0;
    for (const QString& line : commands.split('\n'))
        longest = std::max(longest, QFontMetrics(CommandFont()).horizontalAdvance(line));
    int screenWidth = 1024;
    if (QScreen* s = QGuiApplication::primaryScreen()) screenWidth = s->availableGeometry().width();
    const int W =
        std::clamp(longest + 2 * kMargin + 24, kMinWidth, std::max(kMinWidth, screenWidth - 40));
    const int inner = W - 2 * kMargin;

    int y = 18;
    m_rcTitle =
        QRect(kMargin, y, inner - 40,
              std::max(24, WrappedTextHeight(DialogTitleFont(), inner - 40,
                                             QString::fromStdString(g_UiText.tc_perm_title))));
    y = m_rcTitle.bottom() + 1 + kGap;
    m_rcText =
        QRect(kMargin, y, inner,
              WrappedTextHeight(DialogTextFont(), inner, QString::fromStdString(Explanation())));
    y = m_rcText.bottom() + 1 + kGap;

    if (!commands.isEmpty()) y = BuildCommandField(commands, inner, y);

    if (canInstall) {
        // Room for the longer of the two lines about the installation.
        const int h = std::max(WrappedTextHeight(DialogTextFont(), inner,
                                                 QString::fromStdString(g_UiText.tc_perm_wait)),
                               WrappedTextHeight(DialogTextFont(), inner,
                                                 QString::fromStdString(g_UiText.tc_perm_failed)));
        m_rcStatus = QRect(kMargin, y, inner, h);
        y += h + kGap;
    }
    const int H = y + kBottomBand - 20;  // the band's line lies 15 pixels into it
    m_imgFace = StretchedFace(back, QSize(W, H));
    setFixedSize(W, H);
    if (!back.isNull()) ShapeWindowFromImage(this, m_imgFace, kKeyColour, 0);
    EnableFaceDrag(this);

    const bool tips = g_Config.BtnTips != 0;
    auto makeButton = [&](const std::string& caption) {
        CPngBtn* btn = NewFaceButton(this, m_imgFace, caption, 0, H - kButtonRow, inner / 3);
        if (btn) btn->setFocusPolicy(Qt::NoFocus);
        return btn;
    };
    // Right to left: OK at the right margin, Copy before it, Install leftmost.
    m_pOk = makeButton(g_UiText.tc_ok);
    if (m_pCommands) m_pCopy = makeButton(g_UiText.tc_perm_copy);
    if (canInstall) m_pInstall = makeButton(g_UiText.tc_perm_install);
    int right = W - kMargin;
    for (CPngBtn* b : {m_pOk, m_pCopy}) {
        if (!b) continue;
        b->move(right - b->width(), b->y());
        b->SetBackgroundPiece(m_imgFace, b->geometry());
        right = b->x() - 10;
    }
    if (m_pInstall) {
        m_pInstall->move(kMargin, m_pInstall->y());
        m_pInstall->SetBackgroundPiece(m_imgFace, m_pInstall->geometry());
        m_pInstall->SetToolTip("pkexec");
        connect(m_pInstall, &QAbstractButton::clicked, this, [this] { OnInstall(); });
    }
    if (m_pOk) connect(m_pOk, &QAbstractButton::clicked, this, [this] { accept(); });
    if (m_pCopy) connect(m_pCopy, &QAbstractButton::clicked, this, [this] { OnCopy(); });

    m_pClose = new CPngBtn(this);
    const QPoint closeAt(W - 49, 10);
    if (NewSmallPngButton3(&m_imgFace, &closeAt, this, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                           m_pClose, 0, tips, nullptr, closeAt.x(), closeAt.y())) {
        m_pClose->setFocusPolicy(Qt::NoFocus);
        connect(m_pClose, &QAbstractButton::clicked, this, [this] { reject(); });
    } else {
        delete m_pClose;
        m_pClose = nullptr;
    }
}

int CPermissionDlg::BuildCommandField(const QString& commands, int inner, int y) {
    m_pCommands = new QTextEdit(this);
    m_pCommands->setObjectName("MivoraPermissionCommands");
    m_pCommands->setReadOnly(true);
    m_pCommands->setAcceptRichText(false);
    m_pCommands->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pCommands->setFont(CommandFont());
    m_pCommands->setLineWrapMode(QTextEdit::WidgetWidth);
    m_pCommands->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_pCommands->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pCommands->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = m_pCommands->palette();
    pal.setColor(QPalette::Base, QColor(0x0d, 0x0f, 0x13));
    pal.setColor(QPalette::Text, ColorFromRef(g_Config.Txt_clr));
    pal.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xd9));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    m_pCommands->setPalette(pal);
    m_pCommands->setPlainText(commands);
    m_pCommands->setGeometry(kMargin, y, inner, 40);
    // The whole of every command shows: the field is as high as its text at this width.
    const int frame = 2 * m_pCommands->frameWidth();
    m_pCommands->document()->setTextWidth(inner - frame);
    const int fieldH =
        static_cast<int>(std::ceil(m_pCommands->document()->size().height())) + frame + 2;
    m_pCommands->setGeometry(kMargin, y, inner, fieldH);
    y += fieldH + kGap;
    return y;
}

std::string CPermissionDlg::Explanation() const {
    if (m_advice.ruleInPlace) return g_UiText.tc_perm_replug;
    return m_advice.haveSudo ? g_UiText.tc_msg_perm
                             : g_UiText.tc_msg_perm + "\n" + g_UiText.tc_perm_root;
}

void CPermissionDlg::showEvent(QShowEvent* event) {
    CentreOverParent(size());
    CTopDialog::showEvent(event);
}

void CPermissionDlg::OnCopy() {
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(UdevRuleCommands("\n", m_advice.haveSudo)));
    if (!m_pCopy) return;
    m_pCopy->SetCaption(g_UiText.tc_perm_copied);
    QTimer::singleShot(kCopiedMs, m_pCopy, [b = m_pCopy] { b->SetCaption(g_UiText.tc_perm_copy); });
}

void CPermissionDlg::OnInstall() {
    if (m_pid > 0) return;
    m_pid = platform::StartProgram({"pkexec", "/bin/sh", "-c", UdevRuleInstallScript()});
    g_pfnLog("Permission: pkexec started, pid %d", m_pid);
    if (m_pid < 0) {
        m_strStatus = g_UiText.tc_perm_failed;
        update();
        return;
    }
    m_strStatus = g_UiText.tc_perm_wait;
    m_pInstall->setEnabled(false);
    m_poll.start(100);
    update();
}

void CPermissionDlg::PollInstaller() {
    int status = 0;
    const int ended = platform::ProgramEnded(m_pid, &status);
    if (ended == 0) return;
    m_poll.stop();
    m_pid = -1;
    g_pfnLog("Permission: pkexec ended with %d", ended == 1 ? status : -1);
    if (ended == 1 && status == 0) {
        emit ruleInstalled();
        accept();
        return;
    }
    // Refused, cancelled at the prompt or failed: the commands are still there to run by hand.
    m_strStatus = g_UiText.tc_perm_failed;
    if (m_pInstall) m_pInstall->setEnabled(true);
    update();
}

QImage CPermissionDlg::ComposePicture(qreal scale) const {
    QImage canvas = NewCanvas(m_imgFace.size(), scale);
    QPainter p(&canvas);
    DrawImageAt(p, m_imgFace, 0, 0);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    p.setFont(DialogTitleFont());
    p.drawText(m_rcTitle, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               QString::fromStdString(g_UiText.tc_perm_title));
    p.setFont(DialogTextFont());
    p.drawText(m_rcText, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QString::fromStdString(Explanation()));
    if (!m_strStatus.empty() && !m_rcStatus.isEmpty())
        p.drawText(m_rcStatus, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QString::fromStdString(m_strStatus));
    return canvas;
}
