#include "ui/firekey_dlg.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/dialog_face.h"
#include "ui/dialog_title.h"
#include "ui/menu_dlg.h"

namespace {

constexpr uint32_t kKeyColour = 0x00FF00;
const QRect kFieldRect(180, 55, 70, 20);  // (180, 55) to (250, 75)
constexpr int kLabelMinLeft = 16;

// Reads text as a whole decimal number; -1 when it is empty, has anything but digits or is
// longer than a 32-bit count could be.
long long ParseCount(const QString& text) {
    if (text.isEmpty() || text.size() > CFirekeyDlg::kMaxFieldChars) return -1;
    long long v = 0;
    for (QChar c : text) {
        if (c < QChar('0') || c > QChar('9')) return -1;
        v = v * 10 + (c.unicode() - '0');
        if (v > INT32_MAX) return INT32_MAX;
    }
    return v;
}

}  // namespace

CFirekeyDlg::CFirekeyDlg(QWidget* parent) : CTopDialog(parent, kMsgTopWindowTitle) {}

CFirekeyDlg::~CFirekeyDlg() = default;

std::string CFirekeyDlg::LabelText() const {
    if (m_nMax == kFireMax)
        return g_UiText.tc_fire_count.empty() ? std::string("Shots per press")
                                              : g_UiText.tc_fire_count;
    return g_UiText.tc_adv_str17.empty() ? std::string("Loop count") : g_UiText.tc_adv_str17;
}

std::string CFirekeyDlg::RangeText() const {
    return "1 - " + std::to_string(m_nMax);
}

QRect CFirekeyDlg::RangeRect() const {
    return QRect(kFieldRect.right() + 1 + 8, kFieldRect.top() + 3, 80, 18);
}

QFont CFirekeyDlg::LabelFont() {
    return SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16);
}

QRect CFirekeyDlg::LabelRect() const {
    QRect label(QPoint(kFieldRect.left() - 100, kFieldRect.top() + 3),
                QPoint(kFieldRect.left() - 8 - 1, kFieldRect.top() + 21 - 1));
    // A longer label (other languages) takes the free room to its left before it is cut.
    const int need = CaptionWidth(LabelFont(), QString::fromStdString(LabelText()));
    if (need > label.width()) label.setLeft(std::max(kLabelMinLeft, label.right() + 1 - need));
    return label;
}

void CFirekeyDlg::Prepare() {
    if (m_bPrepared) return;
    m_bPrepared = true;
    setWindowTitle(DialogTitle(LabelText()));
    m_imgBack = LoadSkinImage("msg_nr.png");
    const QSize size = m_imgBack.width() > 0 ? m_imgBack.size() : QSize(460, 200);
    const int W = size.width();
    const int H = size.height();
    CentreOverParent(size);
    if (m_imgBack.width() > 0) ShapeWindowFromImage(this, m_imgBack, kKeyColour, 0);
    EnableFaceDrag(this, [] { ClosePopupMenu(); });

    const bool tips = g_Config.BtnTips != 0;
    auto makeButton = [&](const char* nr, const char* ov, const char* dn, const char* caption,
                          int x, int y) -> CPngBtn* {
        auto* btn = new CPngBtn(this);
        const QPoint at(x, y);
        if (!NewSmallPngButton3(m_imgBack.width() > 0 ? &m_imgBack : nullptr, &at, this, nr, ov, dn,
                                btn, 0, tips, caption, x, y)) {
            delete btn;
            return nullptr;
        }
        return btn;
    };
    m_pClose = makeButton("exit_nr.png", "exit_ov.png", "exit_ov.png", nullptr, W - 49, 10);
    m_pOk = makeButton("btn_nr.png", "btn_nr.png", "btn_dn.png", g_UiText.tc_ok.c_str(), W - 222,
                       H - 50);
    m_pCancel = makeButton("btn_nr.png", "btn_nr.png", "btn_dn.png", g_UiText.tc_cancel.c_str(),
                           W - 116, H - 50);
    for (CPngBtn* b : {m_pOk, m_pCancel}) {
        if (!b) continue;
        b->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        b->m_clrHover = g_Config.Btn_txt_clr_ov2;
        b->m_clrPressed = g_Config.Btn_txt_clr_dn2;
    }
    if (m_pClose)
        connect(m_pClose, &QAbstractButton::clicked, this, [this] {
            ClosePopupMenu();
            reject();
        });
    if (m_pCancel)
        connect(m_pCancel, &QAbstractButton::clicked, this, [this] {
            ClosePopupMenu();
            reject();
        });
    if (m_pOk)
        connect(m_pOk, &QAbstractButton::clicked, this, [this] {
            ClosePopupMenu();
            OnOk();
        });

    m_pField = new QLineEdit(this);
    m_pField->setObjectName(QString::number(kFieldId));
    m_pField->setGeometry(kFieldRect);
    m_pField->setFrame(true);
    m_pField->setFont(LabelFont());
    m_pField->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this));
    m_pField->setMaxLength(kMaxFieldChars);
    QPalette pal = m_pField->palette();
    pal.setColor(QPalette::Base, ColorFromRef(0xF0F0F0));
    pal.setColor(QPalette::Text, ColorFromRef(0x0A0A0A));
    m_pField->setPalette(pal);
    m_pField->setText(QString::number(m_nCount == 0 ? 1 : m_nCount));
    connect(m_pField, &QLineEdit::textEdited, this, [this](const QString& t) { OnFieldEdited(t); });
    m_pField->show();  // made while the dialog is being shown
    m_pField->setFocus();
    setAccessibleName(QString::fromStdString(LabelText()));
    m_pField->setAccessibleName(QString::fromStdString(LabelText()));
    m_pField->setAccessibleDescription(QString::fromStdString(RangeText()));
    if (m_pClose) m_pClose->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
}

void CFirekeyDlg::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        ClosePopupMenu();
        OnOk();
        return;
    }
    CTopDialog::keyPressEvent(event);
}

void CFirekeyDlg::showEvent(QShowEvent* event) {
    Prepare();
    CTopDialog::showEvent(event);
}

void CFirekeyDlg::OnFieldEdited(const QString& text) {
    const long long v = ParseCount(text);
    if (v > m_nMax) {
        m_bCut = true;  // the range beside the field says why the number changed
        update();
        m_pField->setText(QString::number(m_nMax));
        m_pField->setCursorPosition(static_cast<int>(m_pField->text().size()));
    }
}

void CFirekeyDlg::OnOk() {
    const long long v = ParseCount(m_pField ? m_pField->text() : QString());
    // The count is one byte wide whatever maximum the caller set.
    if (v <= 0 || v > m_nMax || v > 255) return;
    m_nCount = static_cast<uint8_t>(v);
    accept();
}

bool CFirekeyDlg::OnWinMessage(CWinMessageEvent* msg) {
    return msg->msg() == WM_CHILD_CLICK;  // ignored
}

QImage CFirekeyDlg::ComposePicture(qreal scale) const {
    QImage canvas = FramedFace(m_imgBack, size(), scale);
    QPainter p(&canvas);
    p.setFont(LabelFont());
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    // One line fits the label's height: what is still too long is cut with an ellipsis.
    DrawFittedCaption(p, LabelRect(), QString::fromStdString(LabelText()),
                      Qt::AlignRight | Qt::AlignTop);
    if (m_bCut) p.setPen(ColorFromRef(0x4060FF));
    DrawFittedCaption(p, RangeRect(), QString::fromStdString(RangeText()),
                      Qt::AlignLeft | Qt::AlignTop);
    return canvas;
}
