#include "ui/macro_list_pick.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <mutex>

#include "config/ui_text.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"

int PickMacroFromList(QWidget* parent, bool* confirmed) {
    *confirmed = false;
    QDialog dlg(parent);
    dlg.setObjectName("MacroListPick");
    dlg.setWindowTitle(QString::fromStdString(g_UiText.tc_mac_def));
    auto* list = new QListWidget(&dlg);
    list->setObjectName("MacroList");
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        for (auto* n = g_MacroList.Head(); n; n = n->pNext) {
            if (!n->pItem) continue;
            const StMacro& m = n->pItem->rec;
            auto* row = new QListWidgetItem(QString::fromStdString(MacroName(m)), list);
            row->setData(Qt::UserRole, static_cast<qulonglong>(m.dwMacroID));
        }
    }
    if (list->count() > 0) list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QPushButton* newMacro = buttons->addButton("+", QDialogButtonBox::ActionRole);
    newMacro->setObjectName("NewMacro");
    int result = 0;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
        QListWidgetItem* row = list->currentItem();
        result = row ? static_cast<int>(row->data(Qt::UserRole).toULongLong()) : 0;
        dlg.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(newMacro, &QPushButton::clicked, &dlg, [&] {
        result = -1;
        dlg.accept();
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dlg, [&](QListWidgetItem* row) {
        result = static_cast<int>(row->data(Qt::UserRole).toULongLong());
        dlg.accept();
    });
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dlg.resize(280, 320);
    if (dlg.exec() != QDialog::Accepted) return 0;
    *confirmed = true;
    return result;
}
