#include "ui/msg_dlg.h"

#include <QAccessible>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/utf.h"
#include "macro/key_names.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/key_event_vk.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

namespace {

constexpr uint32_t kKeyColour = 0x00FF00;
constexpr int kFontPixels = 16;
constexpr const char* kBoxLabels[4] = {"Shift", "Ctrl", "Alt", "Super"};
constexpr uint8_t kBoxBits[4] = {0x02, 0x01, 0x04, 0x08};  // Shift, Ctrl, Alt, Super

// Capture memory shared by every key-capture dialog of the run.
int s_lastCode = 0;
int s_lastFlag = 0;
uint32_t s_lastPressMs = 0;

uint32_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
uint32_t (*s_clock)() = SteadyMs;

bool IsModifierVk(int vk) {
    return vk == 16 || vk == 17 || vk == 18 || vk == 91 || vk == 92 || (vk >= 160 && vk <= 165);
}

// The bits of the modifier kind (both sides) that vk belongs to.
uint8_t ModifierKind(int vk) {
    switch (vk) {
        case 17:
        case 162:
        case 163:
            return 0x11;
        case 16:
        case 160:
        case 161:
            return 0x22;
        case 18:
        case 164:
        case 165:
            return 0x44;
        default:
            return 0x88;  // 91, 92
    }
}

uint8_t ModifierBit(int vk) {
    switch (vk) {
        case 16:
        case 160:
            return 0x02;
        case 17:
        case 162:
            return 0x01;
        case 18:
        case 164:
            return 0x04;
        case 91:
            return 0x08;
        case 92:
            return 0x80;
        case 161:
            return 0x20;
        case 163:
            return 0x10;
        case 165:
            return 0x40;
        default:
            return 0;
    }
}

int ModifierKinds(uint8_t mods) {
    int n = 0;
    for (uint8_t kind : {0x11, 0x22, 0x44, 0x88})
        if (mods & kind) ++n;
    return n;
}

int KeyCount(const std::array<uint8_t, 4>& capture) {
    return (capture[1] != 0) + (capture[2] != 0) + (capture[3] != 0);
}

// The text of a UI text key, or the string itself when it names no key.
std::string TextOfKey(const std::string& textKey) {
    for (int i = 0; i < UiTextKeyCount(); ++i)
        if (textKey == UiTextKeyName(i)) return g_UiText.Get(textKey);
    return textKey;
}

std::string RangeHint(const char* gap, int minimum, int maximum) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%d - %d", gap, minimum, maximum);
    return g_UiText.Tip(4) + buf;
}

const QFont& DialogFont() {
    static QFont own = ShellDlgFont(kFontPixels);
    const QFont* app = SkinAppFont();
    return app ? *app : own;
}

}  // namespace

CMsgDlg::CMsgDlg(QWidget* parent) : CTopDialog(parent, kMsgTopWindowTitle) {}

CMsgDlg::~CMsgDlg() = default;

uint32_t CMsgDlg::CaptureValue() const {
    return static_cast<uint32_t>(m_Capture[0]) | static_cast<uint32_t>(m_Capture[1]) << 8 |
           static_cast<uint32_t>(m_Capture[2]) << 16 | static_cast<uint32_t>(m_Capture[3]) << 24;
}

void CMsgDlg::ResetCaptureMemory() {
    s_lastCode = 0;
    s_lastFlag = 0;
    s_lastPressMs = 0;
}

void CMsgDlg::SetCaptureClock(uint32_t (*clock)()) {
    s_clock = clock ? clock : SteadyMs;
}

CPngBtn* CMsgDlg::ModifierBox(int i) const {
    return i >= 0 && i < 4 ? m_pBoxes[i] : nullptr;
}

std::string CMsgDlg::ModifierBoxLabel(int i) {
    if (i < 0 || i >= 4) return {};
    const std::string* own[4] = {&g_UiText.tc_mod_shift, &g_UiText.tc_mod_ctrl,
                                 &g_UiText.tc_mod_alt, &g_UiText.tc_mod_super};
    return own[i]->empty() ? kBoxLabels[i] : *own[i];
}

uint8_t CMsgDlg::BoxModifiers() const {
    uint8_t mods = 0;
    for (int i = 0; i < 4; ++i)
        if (m_pBoxes[i] && m_pBoxes[i]->IsChecked()) mods |= kBoxBits[i];
    return mods;
}

void CMsgDlg::SetBoxes(uint8_t mods) {
    for (int i = 0; i < 4; ++i)
        if (m_pBoxes[i]) m_pBoxes[i]->SetChecked((mods & kBoxBits[i]) != 0);
}

bool CMsgDlg::Prepare() {
    if (m_bPrepared) return !m_imgBack.isNull();
    m_bPrepared = true;
    m_imgBack = LoadSkinImage("msg_nr.png");
    if (m_imgBack.width() == 0) {
        m_imgBack = SkinImage();
        return false;
    }
    const int W = m_imgBack.width();
    const int H = m_imgBack.height();
    const int L = (W - 300) / 2;
    CentreOverParent(m_imgBack.size());
    ShapeWindowFromImage(this, m_imgBack, kKeyColour, 0);
    EnableFaceDrag(this);

    const bool tips = g_Config.BtnTips != 0;
    auto makeButton = [&](const char* nr, const char* ov, const char* dn, const char* caption,
                          int x, int y, int isSwitch) -> CPngBtn* {
        auto* btn = new CPngBtn(this);
        const QPoint at(x, y);
        if (!NewSmallPngButton3(&m_imgBack, &at, this, nr, ov, dn, btn, isSwitch, tips, caption, x,
                                y)) {
            delete btn;
            return nullptr;
        }
        return btn;
    };
    m_pClose = makeButton("exit_nr.png", "exit_ov.png", "exit_ov.png", nullptr, W - 49, 10, 0);
    // Only a plain message has OK alone; whatever asks something can be cancelled by name.
    const bool confirm = m_nMode != kMessage;
    m_pOk = makeButton("btn_nr.png", "btn_nr.png", "btn_dn.png", g_UiText.tc_ok.c_str(),
                       confirm ? W - 222 : W - 116, H - 50, 0);
    if (confirm)
        m_pCancel = makeButton("btn_nr.png", "btn_nr.png", "btn_dn.png", g_UiText.tc_cancel.c_str(),
                               W - 116, H - 50, 0);
    if (m_pClose) connect(m_pClose, &QAbstractButton::clicked, this, [this] { reject(); });
    if (m_pCancel) connect(m_pCancel, &QAbstractButton::clicked, this, [this] { reject(); });
    if (m_pOk) connect(m_pOk, &QAbstractButton::clicked, this, [this] { OnOk(); });

    if (m_nMode == kText || m_nMode == kNumber || m_nMode == kKeyCapture) {
        m_pEdit = new QLineEdit(this);
        m_pEdit->setObjectName(QString::number(kEditId));
        m_pEdit->setGeometry(L, 70, 300, 20);
        m_pEdit->setFont(ShellDlgFont(kFontPixels));
        m_pEdit->setFrame(true);
        QPalette pal = m_pEdit->palette();
        pal.setColor(QPalette::Base, ColorFromRef(0xF0F0F0));
        pal.setColor(QPalette::Text, ColorFromRef(0x0A0A0A));
        m_pEdit->setPalette(pal);
        if (m_nMaxLen > 0 && m_nMode != kKeyCapture) m_pEdit->setMaxLength(m_nMaxLen);
        if (m_nMode == kNumber) {
            m_pEdit->setValidator(
                new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_pEdit));
            connect(m_pEdit, &QLineEdit::textEdited, this,
                    [this](const QString& t) { OnNumberEdited(t); });
        }
        if (m_nMode == kKeyCapture) {
            m_pEdit->setReadOnly(true);
            m_pEdit->installEventFilter(this);
            installEventFilter(this);
            ShowCapture();
        }
        m_pEdit->show();  // made while the dialog is being shown
        m_pEdit->setFocus();
    }
    if (m_nMode == kKeyCapture && m_bModifierBoxes) {
        m_imgCheckOff = LoadSkinImage("Check_nr.png");
        int x = L + 2;
        const QFontMetrics fm(DialogFont());
        for (int i = 0; i < 4; ++i) {
            m_pBoxes[i] =
                makeButton("Check_nr.png", "Check_nr.png", "Check_dn.png", nullptr, x, 105, 1);
            const int boxW = m_pBoxes[i] ? m_pBoxes[i]->width()
                                         : (m_imgCheckOff.width() > 0 ? m_imgCheckOff.width() : 16);
            if (m_pBoxes[i]) {
                m_pBoxes[i]->m_role = CPngBtn::Role::Check;
                connect(m_pBoxes[i], &QAbstractButton::clicked, this,
                        [this, i] { OnModifierBox(i); });
            }
            // A longer caption (Umschalt) moves the next box on rather than being cut.
            m_nBoxLabelW[i] =
                std::max(35, fm.horizontalAdvance(QString::fromStdString(ModifierBoxLabel(i))) + 2);
            x += boxW + std::max(50, 5 + m_nBoxLabelW[i] + 6);
        }
    }
    if (!m_pEdit && m_pOk) m_pOk->setFocus(Qt::OtherFocusReason);
    SetUpAccessibility();
    return true;
}

void CMsgDlg::SetUpAccessibility() {
    setAccessibleName(QString::fromStdString(g_UiText.tc_acc_msg));
    setAccessibleDescription(QString::fromStdString(m_strText));
    if (m_pClose) m_pClose->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
    for (int i = 0; i < 4; ++i)
        if (m_pBoxes[i])
            m_pBoxes[i]->setAccessibleName(QString::fromStdString(ModifierBoxLabel(i)));
    if (m_pEdit) {
        m_pEdit->setAccessibleName(QString::fromStdString(m_strText));
        if (m_nMode == kKeyCapture)
            m_pEdit->setAccessibleDescription(QString::fromStdString(g_UiText.tc_capture_leave));
    }
}

bool CMsgDlg::IsCapturing() const {
    if (m_nMode != kKeyCapture || !m_pEdit) return false;
    // The dialog's own focus child: also right while another window is active.
    const QWidget* focus = focusWidget();
    return !focus || focus == m_pEdit;
}

QRect CMsgDlg::LeaveHintRect() const {
    // Left of the two buttons, under the face's dividing line.
    const int h = m_imgBack.height() > 0 ? m_imgBack.height() : height();
    const int w = m_imgBack.width() > 0 ? m_imgBack.width() : width();
    constexpr int kTop = 140;
    return QRect(20, kTop, std::max(0, w - 222 - 28), std::max(0, h - 4 - kTop));
}

void CMsgDlg::LeaveCapture() {
    m_Capture = m_escCapture;
    SetBoxes(m_escBoxes);
    m_keyedMods = m_escKeyedMods;
    ShowCapture();
    ResetCaptureMemory();
    if (m_pOk) m_pOk->setFocus(Qt::TabFocusReason);
}

bool CMsgDlg::FilterCaptureKey(QObject* watched, QKeyEvent* key) {
    if (watched != m_pEdit && watched != this) return false;
    const bool press = key->type() == QEvent::KeyPress;
    auto feed = [&] {
        return m_escHold.Feed(key->key() == Qt::Key_Escape, press, key->isAutoRepeat(),
                              key->timestamp(), s_clock());
    };
    if (!IsCapturing()) {
        // The rest of the hold that left the capture reaches the dialog from the buttons: it
        // must not cancel it.
        return watched == this && key->type() != QEvent::ShortcutOverride && m_escHold.Down() &&
               feed() == CEscHold::Step::kSpent;
    }
    if (key->type() == QEvent::ShortcutOverride) return true;
    switch (feed()) {
        case CEscHold::Step::kStarted:
            m_escCapture = m_Capture;
            m_escBoxes = BoxModifiers();
            m_escKeyedMods = m_keyedMods;
            break;
        case CEscHold::Step::kLeave:
            LeaveCapture();
            return true;
        case CEscHold::Step::kSpent:
            return true;
        default:
            break;
    }
    SendWinMessage(this, WM_KEY_CAPTURE, static_cast<uintptr_t>(VkFromKeyEvent(key)),
                   press ? 0 : 0x80);
    return true;
}

void CMsgDlg::showEvent(QShowEvent* event) {
    CTopDialog::showEvent(event);
    if (!Prepare()) {
        QTimer::singleShot(0, this, [this] { reject(); });
        return;
    }
    if (IsAlert() && QAccessible::isActive()) {
        // The text is painted: the reader learns it from the alert's description.
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void CMsgDlg::done(int result) {
    if (result != QDialog::Accepted) m_nNumber = 0;
    CTopDialog::done(result);
}

QRect CMsgDlg::TextRect() const {
    const int L = (m_imgBack.width() - 300) / 2;
    if (m_pEdit) return QRect(L, 50, 300, 18);
    return QRect(65, 55, 330, 30);
}

QRect CMsgDlg::HintRect() const {
    // Under the field the row is free across the face: the range must stay readable.
    const int w = m_imgBack.width() > 0 ? m_imgBack.width() : width();
    return QRect(20, 100, w - 40, 18);
}

QImage CMsgDlg::ComposePicture(qreal scale) const {
    if (m_imgBack.isNull()) return QImage();
    QImage canvas = NewCanvas(m_imgBack.size(), scale);
    QPainter p(&canvas);
    DrawImage(p, m_imgBack, m_imgBack.rect(), m_imgBack.rect());
    p.setFont(DialogFont());
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    const QString text = QString::fromStdString(m_strText);
    QRect rect = TextRect();
    // A message longer than its box grows the box evenly up and down, within the space
    // between the top border and the buttons, rather than being clipped.
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap;
    const QRect need = p.fontMetrics().boundingRect(rect, flags, text);
    if (need.height() > rect.height()) {
        if (m_pEdit) {
            // Above the edit field: grow upwards, below the top border.
            rect.setTop(std::max(12, rect.bottom() - need.height()));
        } else {
            const int grow = need.height() - rect.height();
            rect.adjust(0, -(grow + 1) / 2, 0, grow / 2);
            if (rect.top() < 40) rect.moveTop(40);
            const int bottom = m_imgBack.height() - 55;
            if (rect.bottom() > bottom) rect.setBottom(bottom);
        }
    }
    p.drawText(rect, flags, text);
    if (m_nMode == kNumber && !m_strHint.empty()) {
        DrawFittedCaption(p, HintRect(), QString::fromStdString(m_strHint),
                          Qt::AlignHCenter | Qt::AlignVCenter);
    }
    if (m_nMode == kKeyCapture && !g_UiText.tc_capture_leave.empty()) {
        // As large as the room allows, down to a size still readable.
        const QRect room = LeaveHintRect();
        const QString hint = QString::fromStdString(g_UiText.tc_capture_leave);
        const int hintFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
        QFont small = DialogFont();
        for (int px = 12; px >= 9; --px) {
            small.setPixelSize(px);
            if (QFontMetrics(small).boundingRect(room, hintFlags, hint).height() <= room.height())
                break;
        }
        p.setFont(small);
        p.drawText(room, hintFlags, hint);
        p.setFont(DialogFont());
    }
    for (int i = 0; i < 4; ++i) {
        if (!m_pBoxes[i]) continue;
        const QRect box = m_pBoxes[i]->geometry();
        DrawFittedCaption(
            p, QRect(box.right() + 1 + 5, box.top() - 2, m_nBoxLabelW[i], box.height() + 4),
            QString::fromStdString(ModifierBoxLabel(i)), Qt::AlignLeft | Qt::AlignVCenter);
    }
    return canvas;
}

void CMsgDlg::OnOk() {
    switch (m_nMode) {
        case kText: {
            m_strResult = m_pEdit ? m_pEdit->text().toStdString() : std::string();
            if (m_strResult.empty()) return reject();
            return accept();
        }
        case kNumber: {
            const QString t = m_pEdit ? m_pEdit->text() : QString();
            long long v = 0;
            for (QChar c : t) {
                if (!c.isDigit()) break;
                v = v * 10 + c.digitValue();
                if (v > INT32_MAX) v = INT32_MAX;  // a 32-bit result
            }
            m_nNumber = static_cast<int32_t>(v);
            if ((m_nMin != -1 && m_nNumber < m_nMin) || (m_nMax != -1 && m_nNumber > m_nMax)) {
                m_strHint = RangeHint("  ", m_nMin, m_nMax);
                update();
                return;
            }
            return accept();
        }
        case kKeyCapture: {
            if (m_bModifierBoxes) {
                const uint8_t mods = BoxModifiers();
                m_Capture[0] = mods;
                if (ModifierKinds(mods) + KeyCount(m_Capture) > 3) {
                    ShowMessage("tc_msg29", this);
                    return;
                }
            }
            return accept();
        }
        default:
            return accept();
    }
}

void CMsgDlg::OnNumberEdited(const QString& text) {
    if (text.isEmpty()) return;
    for (QChar c : text)
        if (!c.isDigit()) return;
    m_strHint.clear();
    long long v = 0;
    for (QChar c : text) {
        v = v * 10 + c.digitValue();
        if (v > INT32_MAX) v = INT32_MAX;
    }
    if (m_nMin != -1 && v < m_nMin) m_strHint = RangeHint("  ", m_nMin, m_nMax);
    if (m_nMax != -1 && v > m_nMax) {
        m_strHint = RangeHint("   ", m_nMin, m_nMax);
        m_pEdit->setText(QString::number(m_nMax));
        m_pEdit->setCursorPosition(static_cast<int>(m_pEdit->text().size()));
    }
    update();
}

void CMsgDlg::OnModifierBox(int i) {
    if (!m_pBoxes[i]) return;
    m_pBoxes[i]->SetChecked(!m_pBoxes[i]->IsChecked());
    m_keyedMods &= static_cast<uint8_t>(~kBoxBits[i]);  // the user's own choice from now on
    ShowCapture();
}

void CMsgDlg::CaptureKey(int vk, bool released) {
    if (vk <= 0 || vk > 255) return;  // no virtual-key code, nothing to capture
    const int flag = released ? 0x80 : 0;
    if (vk == s_lastCode && flag == s_lastFlag) return;
    if (released) {
        s_lastCode = vk;
        s_lastFlag = flag;
        return;
    }
    if (m_bModifierBoxes) {
        CaptureWithBoxes(vk);
        s_lastCode = vk;
        s_lastFlag = 0;
        return;
    }
    const int count = ModifierKinds(m_Capture[0]) + KeyCount(m_Capture);
    if (count >= 3) {
        m_Capture = {};
    } else if (IsModifierVk(vk)) {
        if (m_Capture[0] & ModifierKind(vk)) m_Capture = {};
    } else if (KeyCount(m_Capture) >= 3) {
        m_Capture = {};
    }
    const uint32_t now = s_clock();
    if (now - s_lastPressMs >= 1000) m_Capture = {};
    s_lastPressMs = now;
    if (m_bSingleKey) m_Capture = {};

    if (IsModifierVk(vk)) {
        m_Capture[0] |= ModifierBit(vk);
    } else {
        AddCaptureKey(static_cast<uint8_t>(vk));
    }
    ShowCapture();
    s_lastCode = vk;
    s_lastFlag = 0;
}

// With boxes a held modifier ticks its box (either side), so the field shows what OK will store.
// A new combination (a second after the last press, or a full one) drops the keys and the boxes
// that keys ticked; boxes ticked by hand stay.
void CMsgDlg::CaptureWithBoxes(int vk) {
    const uint32_t now = s_clock();
    const bool full = ModifierKinds(BoxModifiers()) + KeyCount(m_Capture) >= 3;
    const bool again = IsModifierVk(vk) && (BoxModifiers() & ModifierKind(vk) & 0x0F) &&
                       (m_keyedMods & ModifierKind(vk) & 0x0F);
    if (now - s_lastPressMs >= 1000 || full || again || m_bSingleKey) {
        m_Capture = {};
        SetBoxes(BoxModifiers() & static_cast<uint8_t>(~m_keyedMods));
        m_keyedMods = 0;
    }
    s_lastPressMs = now;
    if (IsModifierVk(vk)) {
        const auto bit = static_cast<uint8_t>(ModifierKind(vk) & 0x0F);
        if (!(BoxModifiers() & bit)) m_keyedMods |= bit;
        SetBoxes(BoxModifiers() | bit);
    } else {
        AddCaptureKey(static_cast<uint8_t>(vk));
    }
    ShowCapture();
}

void CMsgDlg::AddCaptureKey(uint8_t code) {
    if (m_Capture[1] == code || m_Capture[2] == code || m_Capture[3] == code) return;
    for (int i = 1; i <= 3; ++i) {
        if (m_Capture[i] == 0) {
            m_Capture[i] = code;
            return;
        }
    }
}

void CMsgDlg::ShowCapture() {
    if (!m_pEdit) return;
    const uint8_t mods = m_bModifierBoxes ? BoxModifiers() : m_Capture[0];
    m_pEdit->setText(
        QString::fromStdString(ComboLabelSided(mods, m_Capture[1], m_Capture[2], m_Capture[3])));
}

bool CMsgDlg::OnWinMessage(CWinMessageEvent* msg) {
    if (msg->msg() != WM_KEY_CAPTURE || m_nMode != kKeyCapture) return false;
    CaptureKey(static_cast<int>(msg->wParam()), (msg->lParam() & 0x80) != 0);
    return true;
}

bool CMsgDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_nMode == kKeyCapture &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
         event->type() == QEvent::ShortcutOverride) &&
        FilterCaptureKey(watched, static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return CTopDialog::eventFilter(watched, event);
}

void CMsgDlg::keyPressEvent(QKeyEvent* event) {
    if (m_nMode != kKeyCapture &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        OnOk();
        return;
    }
    CTopDialog::keyPressEvent(event);
}

namespace {

int RunMessage(int mode, const std::string& text, QWidget* parent) {
    CMsgDlg dlg(parent);
    dlg.m_nMode = mode;
    dlg.m_strText = text;
    return dlg.DoModal();
}

}  // namespace

int ShowMessage(const std::string& textKey, QWidget* parent) {
    return RunMessage(CMsgDlg::kMessage, TextOfKey(textKey), parent);
}

int ShowMessageText(const std::string& text, QWidget* parent) {
    return RunMessage(CMsgDlg::kMessage, text, parent);
}

int AskConfirm(const std::string& textKey, QWidget* parent) {
    return RunMessage(CMsgDlg::kConfirm, TextOfKey(textKey), parent);
}

int AskText(QWidget* parent, const std::string& prompt, int maxLen, std::string* out) {
    if (!out) return 0;
    CMsgDlg dlg(parent);
    dlg.m_nMode = CMsgDlg::kText;
    dlg.m_strText = prompt;
    dlg.m_nMaxLen = maxLen;
    if (dlg.DoModal() != IDOK) return 0;
    std::u16string wide = Utf8ToUtf16(dlg.m_strResult);
    if (wide.size() > static_cast<size_t>(CMsgDlg::kResultChars)) {
        size_t n = CMsgDlg::kResultChars;
        if (wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;  // keep pairs whole
        wide.resize(n);
    }
    *out = Utf16ToUtf8(wide);
    return 1;
}
