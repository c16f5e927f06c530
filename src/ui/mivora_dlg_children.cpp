#include "ui/mivora_dlg_children.h"

#include "config/key_entry.h"
#include "config/ui_text.h"
#include "core/notifier.h"
#include "skin/image.h"
#include "skin/png_slider_bar.h"
#include "ui/about_dlg.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/firekey_dlg.h"
#include "ui/key_mark_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/top_windows.h"

CKeyMarkDlg* CreateKeyMarkView(QWidget* parent, QPoint pos) {
    auto* view = new CKeyMarkDlg(parent);
    view->setGeometry(pos.x(), pos.y(), 100, 100);
    view->hide();
    return view;
}

void ShowKeyMarkView(CKeyMarkDlg* view, const std::string& normalPath, const std::string& downPath,
                     const QImage& background, QPoint pos, QSize size) {
    const QRect rect(pos, size);
    view->setGeometry(rect);
    view->SetMarkPictures(normalPath, downPath, background, rect);
    view->ShowMarks();
    view->show();
}

CPickColorDlg* CreatePickColor(QWidget* parent, const QImage& background, const QRect& rect) {
    auto* picker = new CPickColorDlg(parent);
    MovePickColor(picker, background, rect);
    return picker;
}

void MovePickColor(CPickColorDlg* picker, const QImage& background, const QRect& rect) {
    if (picker->geometry() == rect && picker->property("placed").toBool()) return;
    picker->setGeometry(rect);
    picker->SetBackgroundPiece(
        CloneArea(background, rect.x(), rect.y(), rect.width(), rect.height()));
    picker->setProperty("placed", true);
}

CDpiGridDlg* CreateDpiGrid(QWidget* parent, const QImage& background, const QRect& rect,
                           int stage) {
    auto* grid = new CDpiGridDlg(parent);
    grid->m_nIndex = stage;
    MoveDpiGrid(grid, background, rect);
    return grid;
}

void MoveDpiGrid(CDpiGridDlg* grid, const QImage& background, const QRect& rect) {
    if (grid->geometry() == rect && grid->property("placed").toBool()) return;
    grid->setGeometry(rect);
    grid->SetBackgroundPiece(
        CloneArea(background, rect.x(), rect.y(), rect.width(), rect.height()));
    grid->setProperty("placed", true);
}

void SetDpiGrid(CDpiGridDlg* grid, int value, uint32_t colour) {
    grid->m_nValue = value;
    grid->m_clr = colour;
    grid->update();
}

void MarkDpiGrid(CDpiGridDlg* grid, bool current) {
    if (!current) grid->FinishEdit();  // bounded by its own neighbours, still current
    grid->m_bCurrent = current;
    grid->update();
}

int DpiGridValue(const CDpiGridDlg* grid) {
    return grid->m_nValue;
}

uint32_t DpiGridColour(const CDpiGridDlg* grid) {
    return grid->m_clr;
}

bool DpiGridIsCurrent(const CDpiGridDlg* grid) {
    return grid->m_bCurrent;
}

void MoveSliderBar(CPngSliderBar* bar, const QImage& background, const QRect& rect,
                   const char* trackFile, const char* fillFile) {
    if (bar->geometry() == rect) return;
    bar->setGeometry(rect);
    // The pictures hold the old background piece; recompose them over the new one.
    bar->ComposePictures(background, rect, LoadSkinImage(trackFile),
                         fillFile ? LoadSkinImage(fillFile) : QImage());
    bar->update();
}

int ShowNoticeText(QWidget* parent, const std::string& text) {
    return ShowMessageText(text, parent) == IDOK ? 1 : 0;
}

int AskQuestionText(QWidget* parent, const std::string& text) {
    return AskConfirm(text, parent) == IDOK ? 1 : 0;
}

int CaptureCombo(QWidget* parent, const std::string& prompt, int comboRec, uint32_t* value) {
    CMsgDlg dlg(parent);
    dlg.m_nMode = CMsgDlg::kKeyCapture;
    dlg.m_strText = prompt;
    dlg.m_bModifierBoxes = comboRec;
    if (dlg.DoModal() != IDOK) return 0;
    *value = dlg.CaptureValue();
    return 1;
}

int EditFireKey(QWidget* parent, int form, const KeyEntry& entry, int* count) {
    CFirekeyDlg dlg(parent);
    dlg.m_Key = entry;
    dlg.m_nMax = form == 3 ? 3 : 255;
    dlg.m_nCount = static_cast<uint8_t>(*count);
    if (dlg.DoModal() != IDOK) return 0;
    *count = dlg.m_nCount;
    return 1;
}

void RunAboutDialog(QWidget* parent) {
    CAboutDlg dlg(parent);
    dlg.DoModal();
}

void RunRestoreProgress(QWidget* parent) {
    CProgressDlg dlg(parent);
    SetupDefaultProgress(dlg);
    dlg.DoModal();
}

void CloseMessageWindows() {
    CloseMsgTopWindows();
}

int OpenPopupMenu(QWidget* owner, int count, int width, QPoint topLeft, uint32_t clrNormal,
                  uint32_t clrHover, intptr_t ownerValue, const void* items) {
    return ShowPopupMenu(owner, count, width, &topLeft, clrNormal, clrHover, ownerValue,
                         static_cast<const MenuItem*>(items));
}

void CloseOpenPopupMenu() {
    ClosePopupMenu();
}

bool IsPopupMenuOpen() {
    return CurrentPopupMenu() != nullptr;
}
