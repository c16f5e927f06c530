// CMivoraDlg: the borderless, skinned main window. It shows the identified mouse, its keys and
// the setting panels, and it owns the device link, the device session and the apply thread.
// Worker threads reach it only through numbered messages (CWinMessageEvent).
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QLabel;
class QTimer;

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/device_model.h"
#include "config/key_entry.h"
#include "device/device_session.h"
#include "device/link_state.h"
#include "device/usb_driver.h"
#include "platform/file_lock.h"
#include "platform/hid_backend.h"
#include "profile/pointer_apply.h"
#include "profile/profile_session.h"
#include "profile/rules_import.h"
#include "skin/combo_btn.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin/png_sw_btn.h"
#include "skin/win_message.h"
#include "ui/apply_coalescer.h"

class QPainter;

class CDpiGridDlg;
class CPickColorDlg;
class CKeyMarkDlg;
class CPermissionDlg;
class CStateBanner;
class FocusWatch;
class COsdPopup;
class COsdDisplay;
class MainWindowTray;
class QPainter;

inline constexpr int kRateButtons = 4;  // the receiver offers 125 to 1000 Hz
inline constexpr int kRateCodes[kRateButtons] = {0x125, 0x250, 0x500, 0x1000};

// Rectangles of the setting panels, from the configuration points (ComputePanelRects).
struct PanelRects {
    QRect enhance;
    QRect moveSpeed, scrollSpeed, dbClickSpeed;
    QRect moveLabel, scrollLabel, dbClickLabel;
    QRect dpi[8];
    QRect rate[kRateButtons];
    QRect light[5];
    QRect pickColor;
};

// Computes the panel rectangles for the model (its ShowLED decides the default heights).
PanelRects ComputePanelRects(const DeviceModel* model);

// Quiet time before a changed DPI stage is written; the longest wait at exit for that write.
constexpr int kDpiQuietMs = 300;
constexpr int kExitApplyWaitMs = 2000;

// Slider bar control ids.
constexpr int kIdBarSpeed = 129;
constexpr int kIdBarDbClick = 130;
constexpr int kIdBarScroll = 132;
constexpr int kIdBarLight1 = 150;
constexpr int kIdBarLight2 = 151;

// Value tables of the pointer bars.
inline constexpr int kSpeedTable[11] = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
inline constexpr int kDbClickTable[11] = {900, 830, 760, 690, 620, 550, 480, 410, 340, 270, 200};

// One row of the key function menu.
struct FunctionMenuItem {
    int parent = 255;
    uint32_t code = 0;
    std::string text;
};
// The function menu for the selected model (lighting switch only with ShowLED).
std::vector<FunctionMenuItem> BuildFunctionMenuItems(const DeviceModel* model);

// Whether the function menu's row with menuCode stands for the key function funId.
bool IsMenuFunction(uint32_t menuCode, uint32_t funId);

// Where the key function menu opens for a key button at rect (screen coordinates); width in
// *menuWidth. screenHeight is the full-screen client height.
QPoint FunctionMenuPoint(QRect rect, int menuW, int menuItems, int screenHeight, int* menuWidth);

class CMivoraDlg : public QWidget, public SessionWindow {
    Q_OBJECT
  public:
    // backend must outlive the window; notifications may be null (no hot-plug).
    CMivoraDlg(platform::HidBackend& backend, platform::DeviceNotifications* notifications,
               QWidget* parent = nullptr);
    ~CMivoraDlg() override;

    // The window's initialisation: icon, caption, last model, language, session start, macro
    // library, tray, layout. Returns false when the background could not be loaded (the
    // window then closes itself after "Load skins failed.").
    bool InitDialog(bool startSearch = true);
    // Shows the window unless it starts in the tray.
    void ShowAtStart();
    // Per-application switching; null before the session starts.
    FocusWatch* Focus() const { return m_focusWatch.get(); }

    // Layout and controls.
    bool CreateSkinControls();
    void PlacePanelControls();
    void RefreshLayout() override;  // also SessionWindow
    void RefreshTexts();
    void SwitchLanguage(int index);

    // Panels.
    void UpdateControlsFromProfile();
    void UpdateProfileFromControls();
    // The pointer block as this desktop allows: the settings it does not take are dimmed and
    // inert, with one line saying so (nothing is dimmed when the settings were turned off).
    void ShowDesktopPointerState(const DesktopPointerState& state);
    // The pointer block's line ("" when every setting applies) and its inert settings
    // (platform::PointerSetting bits).
    std::string PointerNotice() const;
    unsigned InertPointerSettings() const { return m_pointerInert; }
    void SelectDpiStage(int stage);
    void SelectReportRate(int code);
    void SelectLightingMode(int mode);

    // Key list.
    int RefreshKeyButtons(int set);
    void ShowFunctionMenu(QPoint topLeft, int keyIndex, int width);
    void OnKeyButtonClicked(int keyIndex);
    void OnFunctionPicked(uint32_t code, int keyIndex);
    bool SyncMacroKeys();
    void OnMacrosChanged();
    // Key set buttons "1", "2", "3" above the key list: choosing one switches the profile and the
    // mouse to that key set (only what differs is written); the current one is marked.
    void OnKeySetClicked(int set);

    // Window commands.
    void OnMinimise();
    void OnExitButton();
    void OnExit();
    void RestoreDefaults();
    void OnExport();
    void OnImport();
    void OnHomePage();
    // The home-page link's caption in the current language.
    void RefreshHomeLink();
    void OnAbout();
    void OnMacroEditor();
    // Tray left click / command 0x6000.
    void ShowFromTray();

    // SessionWindow
    void ShowMessage(const std::string& textKey) override;
    void ShowPermissionHelp() override;
    void ClearConnectionIndicators() override;
    void ClearBluetoothIndicator() override;
    void ShowProfile() override;
    void MarkDpiStage(int stage) override;
    bool HasDpiPopup() override;
    void ShowDpiPopup(const std::string& stage, const std::string& x,
                      const std::string& y) override;
    // The on-screen display's window of stage changes; null until the first one (X11).
    COsdPopup* Osd() const;
    // The on-screen display, whichever way it shows.
    COsdDisplay& OsdDisplay() { return *m_osd; }
    void ShowLightingMode() override;
    void LinkStateChanged() override;

    // What the window shows for the link (CurrentLinkState): the status line, the banner, the
    // controls that need a mouse and the tray's tip. Without force only when the state or its
    // line changed.
    void RefreshLinkState(bool force = false);
    LinkState ShownLinkState() const { return m_linkState; }
    // The status line beside the logo: model and link, or why there is no mouse.
    std::string StatusText() const;
    // The permission help (the commands that install the udev rule), once open.
    void ShowPermissionDialog();
    CPermissionDlg* PermissionDialog() const;
    CPngBtn* StatusLine() { return &m_btnStatus; }
    CStateBanner* StateBanner() const { return m_pBanner; }
    // Before InitDialog: how the tray's presence is asked (the system's by default).
    void SetTrayProbe(std::function<bool()> probe) { m_trayProbe = std::move(probe); }
    MainWindowTray* Tray() const { return m_pTray; }

    // The connection display from the session state.
    void UpdateIndicators();

    // Access for tests and the screenshot command.
    CUSBDriver& Link() { return *m_link; }
    DeviceSession& Session() { return *m_session; }
    CPngBtn* KeyButton(int i) { return &m_btnKey[i]; }
    CPngBtn* KeySetButton(int set) { return &m_btnKeySet[set]; }
    CPngBtn* RulesButton() { return &m_btnRules; }
    // The caption before the key sets, their label for a screen reader.
    QLabel* KeySetCaption() const { return m_pKeySetCaption; }
    // The rules editor (the button beside the key sets and the tray menu open it); IDOK when
    // the user kept new rules.
    int OpenRulesDialog();
    // After an import of profilePath: takes the rules exported beside it, asking before the
    // user's own rules are replaced.
    void TakeImportedRules(const std::string& profilePath);
    // The data folder's rules as the window keeps them (the bus's import uses them too), and
    // showing that they changed.
    RulesStore WindowRulesStore();
    void OnRulesChanged();
    CPngBtn* RateButton(int i) { return i >= 0 && i < kRateButtons ? &m_btnRate[i] : nullptr; }
    CPngBtn* LightButton(int i) { return &m_btnLight[i]; }
    CPngBtn* RestoreButton() { return &m_btnRestore; }
    CPngBtn* MacroButton() { return &m_btnMacro; }
    CPngBtn* ExportButton() { return &m_btnExport; }
    CPngBtn* ImportButton() { return &m_btnImport; }
    CPngBtn* HomeLink() { return m_bHasHome ? &m_btnHome : nullptr; }
    CPngBtn* BluetoothIndicator() { return &m_btnBt; }
    CPngBtn* ReceiverIndicator() { return &m_btn24g; }
    CComboBtn* LanguageCombo() { return &m_cbLang; }
    CPngSwBtn* EnhanceSwitch() { return &m_swEnhance; }
    CPngSwBtn* PageScrollFlag() { return &m_swPageScroll; }
    CPngSliderBar* Bar(int ctrlId);
    CPngBtn* ValueLabel(int ctrlId);
    CDpiGridDlg* DpiGrid(int i) { return i >= 0 && i < 8 ? m_pDpiGrid[i] : nullptr; }
    CPickColorDlg* PickColor() { return m_pPickColor; }
    const PanelRects& Rects() const { return m_rects; }
    bool IsShownFlag() const { return m_bShown; }
    // A tray is there to bring the window back (it may appear after the program started).
    bool HasTray() const;

    // The controls in the order Tab reaches them (hidden and disabled ones are skipped).
    std::vector<QWidget*> FocusOrder();
    // Accessible names of the controls in the current language, and the status line.
    void RefreshAccessibleNames();

    // Handles one numbered message; returns the answer of a sent one.
    intptr_t OnWinMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    // The exit path ran (profile saved); set before the window closes.
    bool IsExiting() const { return m_bExiting; }
    // The exit path also ends the application's event loops (tests keep them).
    bool m_bQuitAppOnExit = true;

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    // Keyboard: focus policies, roles and the Tab order, once the controls exist.
    void SetUpKeyboard();
    // Says the status line to a screen reader when it changed.
    void AnnounceStatus();
    // Keys of the window itself (F1); true when handled.
    bool HandleWindowKey(QKeyEvent* e);

    // Layout helpers.
    void LoadImages();
    void CreateWindowButtons();
    void CreateKeyButtons();
    void CreatePanelControls();
    void CreateBottomButtons();
    void CentreWindow();
    void PlaceControl(QWidget* w, const QRect& r);
    void PlaceButton(CPngBtn* b, const QRect& r);
    void RefreshRateCaptions();
    void RefreshMousePicture();
    // The face in device pixels of scale.
    QImage ComposeFace(qreal scale = 1) const;
    // The pointer block's captions, icons and line, dimmed where a setting is inert.
    void PaintPointerBlock(QPainter& p) const;
    // Once after the profiles are loaded: the desktop's current pointer values into the current
    // one.
    void ReadDesktopPointerOnce();
    // Rests the settings the desktop does not take and, without a mouse, the whole block.
    void RestPointerBlock();
    void CreateStateControls();
    void PlaceStatusLine();
    bool DeviceControlsActive() const;
    void SetDeviceControlsActive(bool active);
    // Lays the background, half seen, over what the face draws for inactive controls.
    void FadeInactiveFace(QPainter& p) const;

    // Panel events.
    void OnDpiGridMessage(int action, int stage);
    void OnColourMessage(uint32_t colour);
    void OnRateClicked(int index);
    void OnLightModeClicked(int index);
    void OnEnhanceClicked();
    intptr_t OnSliderQuery();
    void OnSliderChanging(int value, int id);
    void OnSliderChanged(int value, int id);
    void ApplyIfNow(int flag, int value);
    void UpdateLightingVisibility(int mode);
    void ShowRefusedValuesFromProfile();

    // Key list helpers.
    uint32_t CurrentKeyFunction(int keyIndex) const;  // 0 without a profile
    void StoreKeyEntry(int keyIndex, const KeyEntry& entry);
    void RepaintKeyNumbers();

    // Device session.
    void OnFindDeviceOKMsg(int count);
    void OnDeviceBehaviorMsg(uintptr_t wParam, intptr_t lParam);
    bool Gate();  // IsMouseOnline with the message
    // Runs fn on the window's thread (at once when already there).
    void RunOnUiThread(std::function<void()> fn);

    void ClosePopupMenu();
    void SaveProfileOnce();
    // Captions keep the window's font: the lighting-mode buttons take the width their captions
    // need (the row grows to the left, the colour picker keeps its place) and the key buttons
    // the room their rows have up to the panels; what still does not fit is elided.
    void PlaceLightButtons();
    void PlaceKeyButtons();
    void CreateKeySetButtons();
    void PlaceKeySetButtons();
    // The rules button right of the key sets: its caption, and the focus source in its tip and
    // description.
    void CreateRulesButton();
    void PlaceRulesButton();
    void RefreshRulesButton();

    // Marks the key set the key list shows; names the buttons in the current language.
    void MarkKeySet(int set);
    // After a switch: once the apply thread is idle, shows the set the profile holds (a failed
    // switch leaves the previous one current).
    void WatchKeySetSwitch();
    // The export, import, macro and restore buttons as wide as their captions need, in a row.
    void PlaceBottomButtons();
    // Hovering a key row lights its place on the mouse picture and the other way round.
    void LinkKeyRowsToPicture();
    // Areas of the face taken by the setting panels, the mouse picture and the lighting panel.
    std::vector<QRect> PanelAreas(bool withLighting) const;

    platform::HidBackend& m_backend;
    platform::DeviceNotifications* m_pNotifications;
    QtMessageSink m_sink;
    std::unique_ptr<CUSBDriver> m_link;
    // Held for the whole run: command-line changes would be overwritten by the save at exit.
    platform::FileLock m_dataLock;
    ProfileSessionHook m_profileHook;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<FocusWatch> m_focusWatch;
    std::unique_ptr<COsdDisplay> m_osd;

    // Images.
    SkinImage m_imgBg, m_imgSlider, m_imgBarDot;
    SkinImage m_imgIconLight, m_imgIconRate, m_imgIconDpi, m_imgIconDbClick, m_imgIconScroll,
        m_imgIconSens, m_imgIconEnhance;
    std::array<SkinImage, 16> m_imgNumber;

    // Controls.
    CPngBtn m_btnMin, m_btnExit, m_btnAbout;
    CComboBtn m_cbLang;
    CPngBtn m_btnBt, m_btn24g;
    CPngBtn m_btnKey[16];
    CPngBtn m_btnKeySet[kKeySets];
    QLabel* m_pKeySetCaption = nullptr;
    CPngBtn m_btnRules;
    QTimer* m_pKeySetWatch = nullptr;
    int m_nShownKeySet = 0;
    CPngBtn m_btnExport, m_btnImport, m_btnMacro, m_btnRestore, m_btnHome;
    bool m_bHasHome = false;
    CKeyMarkDlg* m_pMark = nullptr;

    CPngSliderBar m_barSpeed, m_barScroll, m_barDbClick, m_barLight1, m_barLight2;
    CPngBtn m_lblSpeed, m_lblScroll, m_lblDbClick;
    CPngSwBtn m_swEnhance, m_swPageScroll;
    CPngBtn m_btnRate[kRateButtons];
    CPngBtn m_btnLight[5];
    CPickColorDlg* m_pPickColor = nullptr;
    CDpiGridDlg* m_pDpiGrid[8] = {};

    PanelRects m_rects;
    QRect m_rcKeyNumbers;
    QRect m_rcLightCaption;
    bool m_bControlsCreated = false;
    DesktopPointerState m_pointerState;
    unsigned m_pointerInert = 0;
    bool m_bDesktopPointerRead = false;
    bool m_bShown = false;
    bool m_bExiting = false;
    bool m_bSaved = false;
    bool m_bSessionStarted = false;
    MainWindowTray* m_pTray = nullptr;
    std::function<bool()> m_trayProbe;

    LinkState m_linkState = LinkState::kNoMouse;
    std::string m_strShownStatus;  // the status line as last logged
    bool m_bDeviceControlsActive = true;
    CPngBtn m_btnStatus;
    CStateBanner* m_pBanner = nullptr;
    QPointer<CPermissionDlg> m_pPermission;
    // A stage's value comes in bursts (held arrow, wheel, typing): written once the user pauses.
    ApplyCoalescer m_dpiApply;
};
