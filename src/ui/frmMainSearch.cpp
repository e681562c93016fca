// The main window's side of the page search: the search slot, the commands
// of the search list (Job menu, popHTML, toolbar in view 1) and the log of
// the clicked search row.
#include "core/AppCore.h"
#include "engine/JobLog.h"
#include "search/PageFile.h"
#include "search/SearchSlot.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QTreeView>

QList<int> frmMain::selectedSearches() const {
    QList<int> indexes;
    const ListRowModel &rows = m_core.lists.lvDownHtml;
    for (const QModelIndex &index : m_lists->lvDownHtml()->selectionModel()->selectedRows())
        if (index.row() < rows.count())
            indexes << ListRowModel::leadingNumber(rows.row(index.row()).key);
    return indexes;
}

void frmMain::connectSearch() {
    m_search = std::make_unique<SearchSlot>(m_core, *m_log);
    SearchSlot *slot = m_search.get();
    const std::pair<const char *, std::function<void()>> entries[] = {
        {"mnuJob_Begin1",
         [this, slot] {
             const QList<int> selected = selectedSearches();
             if (!selected.isEmpty()) slot->StartSearchJob(selected.first());
         }},
        {"mnuJob_Pause1", [slot] { slot->PauseSearchJob(); }},
        {"mnuJob_AllBegin1", [slot] { slot->StartAllSearchJobs(); }},
        {"mnuJob_AllPause1", [slot] { slot->PauseAllSearchJobs(); }},
        {"popDelete1", [this, slot] { slot->DeleteSearchJobs(selectedSearches()); }}};
    for (const auto &entry : entries) {
        const std::function<void()> run = entry.second;
        connect(m_menus->action(QString::fromLatin1(entry.first)), &QAction::triggered, this,
                [this, run] {
                    run();
                    EnabledTb();
                });
    }
    // A clicked row shows its search's log.
    connect(m_lists->lvDownHtml(), &QTreeView::clicked, this, [this](const QModelIndex &index) {
        const ListRowModel &rows = m_core.lists.lvDownHtml;
        if (index.row() < rows.count())
            m_core.view.selectSearchJob(ListRowModel::leadingNumber(rows.row(index.row()).key));
    });
    connect(slot, &SearchSlot::SearchEnded, this, [this] { EnabledTb(); });
    connectPageFile();
}

void frmMain::connectPageFile() {
    chooseWebPageFile = [this] {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("Process Web Page File"), {},
            QStringLiteral("Web Pages (*.htm *.html);;All Files (*)"));
    };
    askPageAddress = [this](const QString &suggested) {
        return QInputDialog::getText(
            this, QStringLiteral("Process Web Page File"),
            QStringLiteral("Address of the page (for its relative links):"), QLineEdit::Normal,
            suggested);
    };
    QAction *action = m_menus->action(QStringLiteral("mnuFile_FXPage"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this] {
        const QString path = chooseWebPageFile ? chooseWebPageFile() : QString();
        if (path.isEmpty()) return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            QMessageBox::warning(
                this, QStringLiteral("MoorQuill"),
                QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
            return;
        }
        const QByteArray page = file.readAll();
        QString base = PageFile::BaseHref(page);
        if (base.isEmpty()) base = QStringLiteral("http://");
        const QString address = askPageAddress ? askPageAddress(base) : QString();
        if (address.isEmpty()) return;
        QString error;
        const int found = PageFile::Process(m_core, page, address, &error);
        if (found < 0)
            QMessageBox::warning(this, QStringLiteral("MoorQuill"), error);
        else
            statusPanel(2)->setText(
                QStringLiteral("%1 Flash movies found in %2").arg(found).arg(path));
    });
}

bool frmMain::searchRuns(int index) const {
    return m_search && m_search->Busy() && m_search->CurrentSearchIndex == index;
}

void frmMain::enableSearchPopup() {
    updateMenu(QStringLiteral("mnuJob"));
    updateMenu(QStringLiteral("mnuEdit"));
    const char *const copies[][2] = {{"popStart1", "mnuJob_Begin1"},
                                     {"popPause1", "mnuJob_Pause1"},
                                     {"popStartAll1", "mnuJob_AllBegin1"},
                                     {"popPauseAll1", "mnuJob_AllPause1"},
                                     {"popDelete1", "mnuEdit_Del"}};
    for (const auto &pair : copies)
        m_menus->action(pair[0])->setEnabled(m_menus->action(pair[1])->isEnabled());
}
