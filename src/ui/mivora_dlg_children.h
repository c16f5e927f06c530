// The main window's use of the child dialogs and message dialogs, in one place: creating and
// moving the DPI grids, the colour picker and the key mark view, and the message forms.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <string>

class QWidget;
class CDpiGridDlg;
class CPickColorDlg;
class CKeyMarkDlg;
class CPngSliderBar;
struct KeyEntry;

CKeyMarkDlg* CreateKeyMarkView(QWidget* parent, QPoint pos);
void ShowKeyMarkView(CKeyMarkDlg* view, const std::string& normalPath, const std::string& downPath,
                     const QImage& background, QPoint pos, QSize size);

CPickColorDlg* CreatePickColor(QWidget* parent, const QImage& background, const QRect& rect);
void MovePickColor(CPickColorDlg* picker, const QImage& background, const QRect& rect);

CDpiGridDlg* CreateDpiGrid(QWidget* parent, const QImage& background, const QRect& rect, int stage);
void MoveDpiGrid(CDpiGridDlg* grid, const QImage& background, const QRect& rect);
void SetDpiGrid(CDpiGridDlg* grid, int value, uint32_t colour);
void MarkDpiGrid(CDpiGridDlg* grid, bool current);
int DpiGridValue(const CDpiGridDlg* grid);
uint32_t DpiGridColour(const CDpiGridDlg* grid);
bool DpiGridIsCurrent(const CDpiGridDlg* grid);

// Moves a slider bar and recomposes its pictures over the new piece of the background.
void MoveSliderBar(CPngSliderBar* bar, const QImage& background, const QRect& rect,
                   const char* trackFile, const char* fillFile);

// Message dialog forms; each returns 1 when the user confirmed, else 0.
int ShowNoticeText(QWidget* parent, const std::string& text);
int AskQuestionText(QWidget* parent, const std::string& text);
// Key capture with the prompt; 1 with the captured value in *value.
int CaptureCombo(QWidget* parent, const std::string& prompt, int comboRec, uint32_t* value);
// Fire key editor in form 255 (macro) or 3 (fire); 1 with the chosen count in *count.
int EditFireKey(QWidget* parent, int form, const KeyEntry& entry, int* count);
void RunAboutDialog(QWidget* parent);
// Progress dialog of a restore: opens modally until the apply thread closes it.
void RunRestoreProgress(QWidget* parent);
// Closes every open message dialog ("MivoraMsgTopWindow").
void CloseMessageWindows();
// The popup menu.
int OpenPopupMenu(QWidget* owner, int count, int width, QPoint topLeft, uint32_t clrNormal,
                  uint32_t clrHover, intptr_t ownerValue, const void* items);
void CloseOpenPopupMenu();
bool IsPopupMenuOpen();
