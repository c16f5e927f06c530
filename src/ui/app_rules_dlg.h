// The rules editor: which key set (and optionally which DPI stage) an application gets when it
// comes to the front, the set of every other application, and the pause. The user picks an
// application seen in front or types its name. OK hands the rules to the caller's store (the
// dialog stays open with a message when it cannot keep them); Cancel changes nothing.
#pragma once

#include <QImage>
#include <QRect>

#include <functional>
#include <string>
#include <vector>

#include "profile/app_rules.h"
#include "skin/image.h"
#include "ui/top_windows.h"

class CPngBtn;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

class CAppRulesDlg : public CTopDialog {
    Q_OBJECT
  public:
    struct Setup {
        AppRules rules;
        // The source that says what is in front ("X11", "sway"), or nullptr when none does.
        const char* sourceName = nullptr;
        // DPI of each of the profile's stages; empty without a profile (then the stages are
        // offered by number only).
        std::vector<int> stageDpi;
        // The applications seen in front, newest first; asked again whenever the dialog comes
        // back to the front.
        std::function<std::vector<std::string>()> recent;
        // Keeps the rules; false when they could not be stored (nothing changed then).
        std::function<bool(const AppRules&)> store;
    };

    CAppRulesDlg(QWidget* parent, Setup setup);
    ~CAppRulesDlg() override;

    // The rules as edited so far (after OK: as stored).
    const AppRules& Rules() const { return m_rules; }
    // The line that says which source tells the application in front, or that none does.
    static std::string SourceLine(const char* sourceName);

    // Adds the rule of the editor's fields (replacing one of the same application), or changes
    // the selected rule to them; false, with the message shown, when the name or the count is
    // refused.
    bool AddRule();
    bool ChangeRule();
    void DeleteRule();

    QListWidget* RuleList() const { return m_pList; }
    QComboBox* AppField() const { return m_pApp; }
    QComboBox* SetField() const { return m_pSet; }
    QComboBox* StageField() const { return m_pStage; }
    QComboBox* DefaultField() const { return m_pDefault; }
    QCheckBox* PauseBox() const { return m_pPause; }
    CPngBtn* AddButton() const { return m_pAdd; }
    CPngBtn* ChangeButton() const { return m_pChange; }
    CPngBtn* DeleteButton() const { return m_pDelete; }
    CPngBtn* OkButton() const { return m_pOk; }
    CPngBtn* CancelButton() const { return m_pCancel; }

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Build();
    void FillRuleList(int select);
    void FillRecent();
    void ShowRuleInFields(int row);
    std::string RowText(const AppRule& rule) const;
    std::string StageText(int stage) const;
    // The rule of the fields, or nullopt (message shown) when its name is refused.
    bool RuleFromFields(AppRule* rule);
    void OnOk();

    Setup m_setup;
    AppRules m_rules;
    SkinImage m_imgFace;
    QRect m_rcTitle, m_rcSource;
    QListWidget* m_pList = nullptr;
    QComboBox* m_pApp = nullptr;
    QComboBox* m_pSet = nullptr;
    QComboBox* m_pStage = nullptr;
    QComboBox* m_pDefault = nullptr;
    QCheckBox* m_pPause = nullptr;
    CPngBtn* m_pAdd = nullptr;
    CPngBtn* m_pChange = nullptr;
    CPngBtn* m_pDelete = nullptr;
    CPngBtn* m_pOk = nullptr;
    CPngBtn* m_pCancel = nullptr;
    CPngBtn* m_pClose = nullptr;
};
