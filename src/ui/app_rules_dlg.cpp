#include "ui/app_rules_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/notifier.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "ui/dialog_face.h"
#include "ui/dialog_title.h"

namespace {

constexpr uint32_t kKeyColour = 0x00FF00;
constexpr int kWidth = 600;
constexpr int kMargin = 24;
constexpr int kGap = 10;
constexpr int kListHeight = 150;
constexpr int kFieldHeight = 26;
constexpr int kLabelHeight = 20;
constexpr int kSetWidth = 130;
constexpr int kStageWidth = 170;
// The list shows rules up to this many characters of the name; the field holds them all.
constexpr int kMaxShownName = 60;

// A text of the language files with its one "%d" or "%s" filled in.
std::string Filled(std::string format, const std::string& value) {
    for (const char* mark : {"%d", "%s"}) {
        const size_t at = format.find(mark);
        if (at != std::string::npos) return format.replace(at, 2, value);
    }
    return format;
}

std::string Text(const std::string& text, const char* fallback) {
    return text.empty() ? std::string(fallback) : text;
}

std::string KeySetName(int set) {
    return Filled(Text(g_UiText.tc_acc_keyset, "Key set %d"), std::to_string(set + 1));
}

// The list and field colours of the skin (those of the macro trees).
QPalette FieldPalette(QPalette pal) {
    pal.setColor(QPalette::Base, ColorFromRef(g_Config.LstBox_bkg_clr));
    pal.setColor(QPalette::Window, ColorFromRef(g_Config.LstBox_bkg_clr));
    pal.setColor(QPalette::Text, ColorFromRef(g_Config.LstBox_txt_clr_nr));
    pal.setColor(QPalette::ButtonText, ColorFromRef(g_Config.LstBox_txt_clr_nr));
    pal.setColor(QPalette::Button, ColorFromRef(g_Config.LstBox_bkg_clr));
    pal.setColor(QPalette::Highlight, ColorFromRef(g_Config.LstBox_item_clr));
    pal.setColor(QPalette::HighlightedText, ColorFromRef(g_Config.LstBox_txt_clr_dn));
    return pal;
}

bool IsEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

}  // namespace

CAppRulesDlg::CAppRulesDlg(QWidget* parent, Setup setup)
    : CTopDialog(parent, kMsgTopWindowTitle), m_setup(std::move(setup)), m_rules(m_setup.rules) {
    setObjectName("MivoraAppRules");
    setWindowTitle(DialogTitle(g_UiText.tc_rules_title));
    Build();
}

CAppRulesDlg::~CAppRulesDlg() = default;

std::string CAppRulesDlg::SourceLine(const char* sourceName) {
    if (!sourceName)
        return Text(g_UiText.tc_rules_nosource,
                    "This desktop does not tell which application is in front.");
    return Filled(Text(g_UiText.tc_rules_source, "The application in front is read through %s."),
                  sourceName);
}

void CAppRulesDlg::Build() {
    const SkinImage back = LoadSkinImage("msg_nr.png");
    const int W = kWidth;
    const int inner = W - 2 * kMargin;
    const QFont font = DialogTextFont();
    const QString source = QString::fromStdString(SourceLine(m_setup.sourceName));

    int y = 18;
    m_rcTitle = QRect(kMargin, y, inner - 40, 26);
    y = m_rcTitle.bottom() + 1 + 6;
    m_rcSource =
        QRect(kMargin, y, inner, std::max(kLabelHeight, WrappedTextHeight(font, inner, source)));
    y = m_rcSource.bottom() + 1 + kGap;

    auto label = [&](const std::string& text, QRect r) {
        auto* l = new QLabel(QString::fromStdString(text), this);
        l->setFont(font);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, ColorFromRef(g_Config.Txt_clr));
        l->setPalette(pal);
        l->setGeometry(r);
        return l;
    };
    auto combo = [&](QRect r, const std::string& name) {
        auto* c = new QComboBox(this);
        c->setFont(font);
        c->setPalette(FieldPalette(c->palette()));
        c->setGeometry(r);
        c->setAccessibleName(QString::fromStdString(name));
        return c;
    };

    m_pList = new QListWidget(this);
    m_pList->setFont(font);
    m_pList->setPalette(FieldPalette(m_pList->palette()));
    m_pList->setGeometry(kMargin, y, inner, kListHeight);
    m_pList->setAccessibleName(QString::fromStdString(Text(g_UiText.tc_rules_list, "Rules")));
    m_pList->installEventFilter(this);
    connect(m_pList, &QListWidget::currentRowChanged, this,
            [this](int row) { ShowRuleInFields(row); });
    y += kListHeight + kGap;

    const std::string appName = Text(g_UiText.tc_rules_app, "Application");
    const std::string setName = Text(g_UiText.tc_rules_set, "Key set");
    const std::string stageName = Text(g_UiText.tc_rules_stage, "DPI stage");
    // The set fields as wide as "Key set 3" needs in this language, with room for the arrow.
    int setW = kSetWidth;
    for (int s = 0; s < kKeySetCount; ++s)
        setW = std::max(
            setW, QFontMetrics(font).horizontalAdvance(QString::fromStdString(KeySetName(s))) + 40);
    const int appW = inner - setW - kStageWidth - 2 * kGap;
    const int setX = kMargin + appW + kGap;
    const int stageX = setX + setW + kGap;
    QLabel* appLabel = label(appName, QRect(kMargin, y, appW, kLabelHeight));
    QLabel* setLabel = label(setName, QRect(setX, y, setW, kLabelHeight));
    QLabel* stageLabel = label(stageName, QRect(stageX, y, kStageWidth, kLabelHeight));
    y += kLabelHeight + 2;
    m_pApp = combo(QRect(kMargin, y, appW, kFieldHeight), appName);
    m_pApp->setEditable(true);
    m_pApp->setInsertPolicy(QComboBox::NoInsert);
    m_pApp->lineEdit()->setPlaceholderText(QString::fromStdString(g_UiText.tc_rules_pick));
    m_pApp->setAccessibleDescription(QString::fromStdString(g_UiText.tc_rules_pick));
    m_pApp->lineEdit()->setAccessibleName(QString::fromStdString(appName));
    m_pApp->installEventFilter(this);
    m_pApp->lineEdit()->installEventFilter(this);
    m_pSet = combo(QRect(setX, y, setW, kFieldHeight), setName);
    for (int s = 0; s < kKeySetCount; ++s) m_pSet->addItem(QString::fromStdString(KeySetName(s)));
    m_pStage = combo(QRect(stageX, y, kStageWidth, kFieldHeight), stageName);
    m_pStage->addItem(QString::fromStdString(StageText(-1)), -1);
    const int stages = m_setup.stageDpi.empty()
                           ? kMaxRuleStages
                           : std::min<int>(kMaxRuleStages, int(m_setup.stageDpi.size()));
    for (int s = 0; s < stages; ++s) m_pStage->addItem(QString::fromStdString(StageText(s)), s);
    appLabel->setBuddy(m_pApp);
    setLabel->setBuddy(m_pSet);
    stageLabel->setBuddy(m_pStage);
    y += kFieldHeight + kGap;

    m_imgFace = StretchedFace(back, QSize(W, 800));  // the buttons' pieces; sized again below
    const bool tips = g_Config.BtnTips != 0;
    auto button = [&](const std::string& caption, int x, int top) {
        CPngBtn* btn = NewFaceButton(this, m_imgFace, caption, x, top, inner / 3);
        if (!btn) return btn;
        btn->setFocusPolicy(Qt::StrongFocus);
        btn->setAccessibleName(QString::fromStdString(caption));
        return btn;
    };
    const int rowY = y;
    m_pAdd = button(Text(g_UiText.tc_rules_add, "Add"), kMargin, rowY);
    int x = kMargin + (m_pAdd ? m_pAdd->width() : 96) + kGap;
    m_pChange = button(Text(g_UiText.tc_rules_change, "Change"), x, rowY);
    x += (m_pChange ? m_pChange->width() : 96) + kGap;
    m_pDelete = button(Text(g_UiText.tc_rules_delete, "Delete"), x, rowY);
    const int buttonH = m_pAdd ? m_pAdd->height() : 35;
    y += buttonH + kGap + 4;

    const std::string defaultName = Text(g_UiText.tc_rules_default, "Other applications");
    const int defaultLabelW = std::min(
        inner / 2, QFontMetrics(font).horizontalAdvance(QString::fromStdString(defaultName)) + 8);
    QLabel* defaultLabel = label(defaultName, QRect(kMargin, y + 3, defaultLabelW, kLabelHeight));
    m_pDefault = combo(QRect(kMargin + defaultLabelW + 4, y, setW, kFieldHeight), defaultName);
    for (int s = 0; s < kKeySetCount; ++s)
        m_pDefault->addItem(QString::fromStdString(KeySetName(s)));
    m_pDefault->setCurrentIndex(m_rules.defaultSet);
    defaultLabel->setBuddy(m_pDefault);
    y += kFieldHeight + kGap;
    m_pPause = new QCheckBox(QString::fromStdString(g_UiText.tc_focus_pause), this);
    m_pPause->setFont(font);
    QPalette pal = m_pPause->palette();
    pal.setColor(QPalette::WindowText, ColorFromRef(g_Config.Txt_clr));
    m_pPause->setPalette(pal);
    m_pPause->setGeometry(kMargin, y, inner, kFieldHeight);
    m_pPause->setChecked(m_rules.paused);
    y += kFieldHeight + kGap;

    const int H = y + kFaceBottomBand - 20;  // the band's line lies 15 pixels into it
    m_imgFace = StretchedFace(back, QSize(W, H));
    setFixedSize(W, H);
    if (!back.isNull()) ShapeWindowFromImage(this, m_imgFace, kKeyColour, 0);
    EnableFaceDrag(this);
    for (CPngBtn* b : {m_pAdd, m_pChange, m_pDelete})
        if (b) b->SetBackgroundPiece(m_imgFace, b->geometry());

    m_pCancel = button(Text(g_UiText.tc_cancel, "Cancel"), 0, H - kFaceButtonRow);
    m_pOk = button(Text(g_UiText.tc_ok, "OK"), 0, H - kFaceButtonRow);
    int right = W - kMargin;
    for (CPngBtn* b : {m_pCancel, m_pOk}) {
        if (!b) continue;
        b->move(right - b->width(), b->y());
        b->SetBackgroundPiece(m_imgFace, b->geometry());
        right = b->x() - kGap;
    }
    m_pClose = new CPngBtn(this);
    const QPoint closeAt(W - 49, 10);
    if (NewSmallPngButton3(&m_imgFace, &closeAt, this, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                           m_pClose, 0, tips, nullptr, closeAt.x(), closeAt.y())) {
        m_pClose->setFocusPolicy(Qt::NoFocus);
        m_pClose->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
        connect(m_pClose, &QAbstractButton::clicked, this, [this] { reject(); });
    } else {
        delete m_pClose;
        m_pClose = nullptr;
    }
    if (m_pAdd) connect(m_pAdd, &QAbstractButton::clicked, this, [this] { AddRule(); });
    if (m_pChange) connect(m_pChange, &QAbstractButton::clicked, this, [this] { ChangeRule(); });
    if (m_pDelete) connect(m_pDelete, &QAbstractButton::clicked, this, [this] { DeleteRule(); });
    if (m_pOk) connect(m_pOk, &QAbstractButton::clicked, this, [this] { OnOk(); });
    if (m_pCancel) connect(m_pCancel, &QAbstractButton::clicked, this, [this] { reject(); });

    // Top to bottom, left to right; the close button is the mouse's way out (Esc is the keys').
    std::vector<QWidget*> order = {m_pList, m_pApp, m_pSet, m_pStage};
    for (CPngBtn* b : {m_pAdd, m_pChange, m_pDelete})
        if (b) order.push_back(b);
    order.insert(order.end(), {m_pDefault, m_pPause});
    for (CPngBtn* b : {m_pOk, m_pCancel})
        if (b) order.push_back(b);
    for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);

    setAccessibleName(
        QString::fromStdString(Text(g_UiText.tc_rules_title, "Key sets by application")));
    setAccessibleDescription(source);
    FillRecent();
    FillRuleList(-1);  // the fields start as a new rule
}

std::string CAppRulesDlg::StageText(int stage) const {
    if (stage < 0) return Text(g_UiText.tc_rules_keep, "Unchanged");
    std::string text = std::to_string(stage + 1);
    if (stage < int(m_setup.stageDpi.size()) && m_setup.stageDpi[stage] > 0)
        text += " · " + std::to_string(m_setup.stageDpi[stage]) + " DPI";
    return text;
}

std::string CAppRulesDlg::RowText(const AppRule& rule) const {
    QString name = QString::fromStdString(rule.app);
    if (name.size() > kMaxShownName) name = name.left(kMaxShownName - 1) + QChar(0x2026);
    std::string text = name.toStdString() + "  →  " + KeySetName(rule.keySet);
    if (rule.dpiStage >= 0)
        text += ", " + Text(g_UiText.tc_rules_stage, "DPI stage") + " " + StageText(rule.dpiStage);
    return text;
}

void CAppRulesDlg::FillRuleList(int select) {
    const QSignalBlocker quiet(m_pList);
    m_pList->clear();
    for (const AppRule& r : m_rules.rules) m_pList->addItem(QString::fromStdString(RowText(r)));
    m_pList->setCurrentRow(select);
    const bool any = select >= 0;
    if (m_pChange) m_pChange->setEnabled(any);
    if (m_pDelete) m_pDelete->setEnabled(any);
}

void CAppRulesDlg::FillRecent() {
    if (!m_setup.recent) return;
    const QString typed = m_pApp->currentText();
    const QSignalBlocker quiet(m_pApp);
    m_pApp->clear();
    for (const std::string& name : m_setup.recent()) m_pApp->addItem(QString::fromStdString(name));
    m_pApp->setEditText(typed);
}

void CAppRulesDlg::ShowRuleInFields(int row) {
    const bool any = row >= 0 && row < int(m_rules.rules.size());
    if (m_pChange) m_pChange->setEnabled(any);
    if (m_pDelete) m_pDelete->setEnabled(any);
    if (!any) return;
    const AppRule& r = m_rules.rules[row];
    m_pApp->setEditText(QString::fromStdString(r.app));
    m_pSet->setCurrentIndex(r.keySet);
    int stage = m_pStage->findData(r.dpiStage);
    if (stage < 0) {
        // A stage the profile does not have (the file was edited by hand): kept as it is.
        m_pStage->addItem(QString::fromStdString(StageText(r.dpiStage)), r.dpiStage);
        stage = m_pStage->count() - 1;
    }
    m_pStage->setCurrentIndex(stage);
}

bool CAppRulesDlg::RuleFromFields(AppRule* rule) {
    const std::string name = m_pApp->currentText().trimmed().toStdString();
    std::string refusal;
    if (name.empty())
        refusal = Text(g_UiText.tc_rules_no_name, "Type the application's name.");
    else if (name.size() > kMaxRuleAppChars)
        refusal =
            Filled(Text(g_UiText.tc_rules_long_name, "The name is too long: at most %d bytes."),
                   std::to_string(kMaxRuleAppChars));
    else if (!IsGoodRuleName(name))
        refusal = Text(g_UiText.tc_rules_bad_name, "The name holds characters a rule cannot keep.");
    if (!refusal.empty()) {
        NotifyUser(refusal, "Tips");
        m_pApp->setFocus();
        return false;
    }
    rule->app = name;
    rule->keySet = std::clamp(m_pSet->currentIndex(), 0, kKeySetCount - 1);
    rule->dpiStage = m_pStage->currentData().isValid() ? m_pStage->currentData().toInt() : -1;
    return true;
}

bool CAppRulesDlg::AddRule() {
    AppRule rule;
    if (!RuleFromFields(&rule)) return false;
    const auto same = std::find_if(m_rules.rules.begin(), m_rules.rules.end(),
                                   [&](const AppRule& r) { return SameRuleName(r.app, rule.app); });
    if (same == m_rules.rules.end() && int(m_rules.rules.size()) >= kMaxAppRules) {
        NotifyUser(Filled(Text(g_UiText.tc_rules_full, "There can be at most %d rules."),
                          std::to_string(kMaxAppRules)),
                   "Tips");
        return false;
    }
    if (!m_rules.Put(rule)) return false;
    const auto at = std::find_if(m_rules.rules.begin(), m_rules.rules.end(),
                                 [&](const AppRule& r) { return SameRuleName(r.app, rule.app); });
    FillRuleList(int(at - m_rules.rules.begin()));
    return true;
}

bool CAppRulesDlg::ChangeRule() {
    int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_rules.rules.size())) return AddRule();
    AppRule rule;
    if (!RuleFromFields(&rule)) return false;
    m_rules.rules[row] = rule;
    // Renamed to another rule's application: the one edited takes its place.
    for (int i = int(m_rules.rules.size()) - 1; i >= 0; --i)
        if (i != row && SameRuleName(m_rules.rules[i].app, rule.app)) {
            m_rules.rules.erase(m_rules.rules.begin() + i);
            if (i < row) --row;
        }
    FillRuleList(row);
    return true;
}

void CAppRulesDlg::DeleteRule() {
    const int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_rules.rules.size())) return;
    m_rules.rules.erase(m_rules.rules.begin() + row);
    FillRuleList(std::min(row, int(m_rules.rules.size()) - 1));
    ShowRuleInFields(m_pList->currentRow());
}

void CAppRulesDlg::OnOk() {
    m_rules.defaultSet = std::clamp(m_pDefault->currentIndex(), 0, kKeySetCount - 1);
    m_rules.paused = m_pPause->isChecked();
    if (m_setup.store && !m_setup.store(m_rules)) {
        NotifyUser(Text(g_UiText.tc_rules_not_saved, "The rules could not be stored."), "Tips");
        return;
    }
    accept();
}

bool CAppRulesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return CTopDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // The combo box keeps Enter and Esc of its field to itself: here they add the typed rule and
    // cancel the dialog as everywhere else in it.
    if ((watched == m_pApp || watched == m_pApp->lineEdit()) && !m_pApp->view()->isVisible()) {
        if (IsEnter(key)) {
            if (!key->isAutoRepeat()) AddRule();
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (!key->isAutoRepeat()) reject();
            return true;
        }
    }
    if (watched == m_pList && key->key() == Qt::Key_Delete) {
        DeleteRule();
        return true;
    }
    return CTopDialog::eventFilter(watched, event);
}

bool CAppRulesDlg::event(QEvent* event) {
    // Back from another application: it may be in the list now.
    if (event->type() == QEvent::WindowActivate) FillRecent();
    return CTopDialog::event(event);
}

void CAppRulesDlg::keyPressEvent(QKeyEvent* event) {
    // Enter where no control takes it confirms the dialog.
    if (IsEnter(event)) {
        event->accept();
        if (!event->isAutoRepeat()) OnOk();
        return;
    }
    CTopDialog::keyPressEvent(event);
}

void CAppRulesDlg::showEvent(QShowEvent* event) {
    CentreOverParent(size());
    CTopDialog::showEvent(event);
    m_pApp->setFocus(Qt::OtherFocusReason);  // most often the user comes to add a rule
}

QImage CAppRulesDlg::ComposePicture(qreal scale) const {
    QImage canvas = NewCanvas(m_imgFace.size(), scale);
    QPainter p(&canvas);
    DrawImageAt(p, m_imgFace, 0, 0);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    p.setFont(DialogTitleFont());
    // One line beside the close button: a longer title is cut with an ellipsis.
    DrawFittedCaption(
        p, m_rcTitle,
        QString::fromStdString(Text(g_UiText.tc_rules_title, "Key sets by application")),
        Qt::AlignLeft | Qt::AlignVCenter);
    p.setFont(DialogTextFont());
    p.drawText(m_rcSource, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QString::fromStdString(SourceLine(m_setup.sourceName)));
    return canvas;
}
