#include "ui/MainEditCommands.h"

#include "dialogs/frmAddPbf.h"
#include "dialogs/frmAddPf.h"
#include "dialogs/frmClassD.h"
#include "dialogs/frmClassMoveto.h"
#include "dialogs/frmClassNew.h"
#include "dialogs/frmClassP.h"
#include "dialogs/frmComment.h"
#include "dialogs/frmDelete.h"
#include "dialogs/frmMoveto.h"
#include "jobs/EditRules.h"
#include "jobs/JobEdit.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"
#include "session/AppCore.h"
#include "ui/CategoryTreePanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QSaveFile>
#include <QTreeView>
#include <QUrl>

MainEditCommands::MainEditCommands(AppCore &core, JobDbIo io, MainMenus &menus,
                                   CategoryTreePanel &tree, JobListPanel &lists, QWidget *window)
    : QObject(window), m_core(core), m_commit(core.dbCommit(std::move(io))), m_menus(menus),
      m_tree(tree), m_lists(lists), m_window(window) {
    connectCategoryCommands();
    connectJobCommands();
    connectFindCommands();
    for (const char *menu : {"mnuFile", "mnuEdit", "popTree"})
        connect(m_menus.menu(QString::fromLatin1(menu)), &QMenu::aboutToShow, this,
                &MainEditCommands::updateEnabling);
    connect(&m_lists, &JobListPanel::selectionSettled, this, &MainEditCommands::updateEnabling);
}

void MainEditCommands::on(const char *name, std::function<void()> handler) {
    connect(m_menus.action(QString::fromLatin1(name)), &QAction::triggered, this,
            [handler = std::move(handler)] { handler(); });
}

void MainEditCommands::updateEnabling() {
    SelectionFacts facts;
    facts.view = m_core.view.CurrentView;
    facts.nowDownRows = m_core.lists.lvNowDown.count();
    facts.completedRows = m_core.lists.lvHaveDown.count();
    facts.searchRows = m_core.lists.lvDownHtml.count();
    const QVector<int> jobs = selectedJobs();
    facts.hasSelection = !jobs.isEmpty();
    m_menus.apply(editExtraRules(m_core.DownJobs, facts, jobs.value(0)));
    m_menus.apply(fileExtraRules(facts));
    // The tree's pop-up runs the File menu's entries, which must be enabled too.
    m_menus.apply(fileMenuRules(facts.view));
    m_menus.apply(treePopupRules(facts.view));
    if (facts.view == 1 && !deleteSearchJobs) m_menus.action("mnuEdit_Del")->setEnabled(false);
}

QVector<int> MainEditCommands::selectedJobs() const {
    const int view = m_core.view.CurrentView;
    if (view != 2 && view != 3) return {};
    QTreeView *list = m_lists.listOfView(view);
    QVector<int> jobs;
    QModelIndexList rows = list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &row : rows)
        jobs.append(view == 3
                        ? m_lists.completedJobAt(row)
                        : ListRowModel::leadingNumber(row.data(ListRowModel::KeyRole).toString()));
    return jobs;
}

int MainEditCommands::selectedCompleted() const {
    if (m_core.view.CurrentView != 3) return 0;
    return selectedJobs().value(0);
}

void MainEditCommands::refreshCompleted() {
    if (m_core.view.CurrentView == 3) m_tree.selectKey(m_tree.currentKey());
}

void MainEditCommands::report(const QString &message, bool error) {
    if (message.isEmpty()) return;
    if (error)
        MsgBox::error(m_window, message);
    else
        MsgBox::information(m_window, message);
}

QString MainEditCommands::newCategory(QWidget *parent, const QString &selectedKey) {
    frmClassNew dialog(m_core, m_commit, selectedKey, parent);
    PlaceDialog(&dialog);
    dialog.exec();
    return dialog.newKey();
}

void MainEditCommands::connectCategoryCommands() {
    on("mnuFile_Class_N", [this] {
        const QString key = newCategory(m_window, m_tree.currentKey());
        if (!key.isEmpty()) m_tree.expand(m_tree.viewIndexOf(key).parent());
    });
    on("mnuFile_Class_M", [this] {
        frmClassMoveto dialog(m_core, m_commit, m_tree.currentKey(), m_window);
        PlaceDialog(&dialog);
        if (dialog.exec() == QDialog::Accepted) m_tree.expandAll();
    });
    on("mnuFile_Class_P", [this] {
        frmClassP dialog(m_core, m_commit, m_tree.currentKey(), m_window);
        PlaceDialog(&dialog);
        dialog.exec();
    });
    on("mnuFile_Class_D", [this] {
        frmClassD dialog(m_core, m_commit, m_tree.currentKey(), m_window);
        PlaceDialog(&dialog);
        dialog.exec();
    });
    auto categoryHook = [this](QWidget *parent, const QString &key) {
        return newCategory(parent, key);
    };
    on("mnuFile_AddNew", [this, categoryHook] {
        frmAddPf dialog(m_core, m_commit, m_tree.currentKey(), m_window);
        dialog.newCategory = categoryHook;
        PlaceDialog(&dialog);
        if (dialog.exec() == QDialog::Accepted) refreshCompleted();
    });
    on("mnuFile_AddNew1", [this, categoryHook] {
        frmAddPbf dialog(m_core, m_commit, m_tree.currentKey(), m_window);
        dialog.newCategory = categoryHook;
        PlaceDialog(&dialog);
        if (dialog.exec() == QDialog::Accepted) refreshCompleted();
    });
}

void MainEditCommands::deleteSelected() {
    const int view = m_core.view.CurrentView;
    if (view == 1) {
        if (deleteSearchJobs) deleteSearchJobs();
        return;
    }
    const QVector<int> jobs = selectedJobs();
    if (jobs.isEmpty() || (view != 2 && view != 3)) return;
    const JobEdit::DeleteKind kind = JobEdit::deleteKindFor(view, m_tree.currentKey());
    if (JobEdit::deleteAsks(kind)) {
        frmDelete dialog(m_core, m_commit, kind, jobs, m_window);
        PlaceDialog(&dialog);
        dialog.exec();
    } else {
        const EditResult result =
            JobEdit::deleteJobs(m_core.DownJobs, m_core.lists, kind, jobs, false, m_commit);
        report(result.message, !result.ok);
    }
    if (view == 2) m_core.view.selectNowDownJob(0);
}

void MainEditCommands::connectJobCommands() {
    on("mnuEdit_Del", [this] { deleteSelected(); });
    on("mnuEdit_MoveTo", [this] {
        const QVector<int> jobs = selectedJobs();
        if (jobs.isEmpty()) return;
        frmMoveto dialog(m_core, m_commit, jobs, m_tree.currentKey(), m_window);
        PlaceDialog(&dialog);
        dialog.exec();
    });
    on("mnuEdit_Comment", [this] {
        const int job = selectedCompleted();
        if (!m_core.DownJobs.isValid(job)) return;
        frmComment dialog(m_core, m_commit, job, m_window);
        PlaceDialog(&dialog);
        if (dialog.exec() == QDialog::Accepted) m_core.lists.ShowCompletedInfo(job);
    });
    on("mnuEdit_Output", [this] {
        const int job = selectedCompleted();
        if (!m_core.DownJobs.isValid(job)) return;
        const QString folder = DialogKit::browseFolder(m_window, {});
        if (folder.isEmpty()) return;
        const FileMove::Result copied =
            JobEdit::outputFile(m_core.DownJobs, job, folder,
                                [this](const QString &) { return MsgBox::askOverwrite(m_window); });
        report(copied.message, copied.outcome == FileMove::Outcome::Failed);
    });
    on("mnuEdit_Rename", [this] {
        const int job = selectedCompleted();
        if (!m_core.DownJobs.isValid(job)) return;
        bool ok = false;
        const QString name = QInputDialog::getText(
            m_window, QStringLiteral("Rename"), QStringLiteral("File Name"), QLineEdit::Normal,
            FileMove::fileNameOf(m_core.DownJobs[job].SavePath), &ok);
        if (!ok) return;
        const EditResult result =
            JobEdit::rename(m_core.DownJobs, m_core.lists, job, name, m_commit);
        report(result.message, !result.ok);
    });
    on("mnuEdit_Browse", [this] {
        const QVector<int> jobs = selectedJobs();
        if (!jobs.isEmpty() && m_core.DownJobs.isValid(jobs.first()))
            QDesktopServices::openUrl(QUrl(m_core.DownJobs[jobs.first()].Referer));
    });
    on("mnuFile_Output", [this] {
        const QVector<int> jobs = selectedJobs();
        if (jobs.isEmpty()) return;
        const QString path = QFileDialog::getSaveFileName(
            m_window, QStringLiteral("Output Down Info"), {}, QStringLiteral("Text (*.txt)"));
        if (path.isEmpty()) return;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(JobEdit::downInfoText(m_core.DownJobs, jobs).toLocal8Bit()) < 0 ||
            !file.commit())
            report(QStringLiteral("Can not write %1: %2").arg(path, file.errorString()), true);
    });
}

void MainEditCommands::selectListRow(int row) {
    QTreeView *list = m_lists.listOfView(m_core.view.CurrentView);
    const QModelIndex index = list->model()->index(row, 0);
    list->setCurrentIndex(index);
    list->selectionModel()->select(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(index);
}

void MainEditCommands::connectFindCommands() {
    auto findNext = [this] {
        const int view = m_core.view.CurrentView;
        if (view != 2 && view != 3) return;
        const ListRowModel &model = view == 2 ? m_core.lists.lvNowDown : m_core.lists.lvHaveDown;
        const int row = JobEdit::findRow(model, m_core.DownJobs, m_findText,
                                         m_lists.listOfView(view)->currentIndex().row());
        if (row >= 0)
            selectListRow(row);
        else if (!m_findText.isEmpty())
            report(QStringLiteral("Can not find \"%1\".").arg(m_findText));
    };
    on("mnuEdit_Find", [this, findNext] {
        bool ok = false;
        const QString text =
            QInputDialog::getText(m_window, QStringLiteral("Find"), QStringLiteral("Find what:"),
                                  QLineEdit::Normal, m_findText, &ok);
        if (!ok || text.isEmpty()) return;
        m_findText = text;
        findNext();
    });
    on("mnuEdit_FindNext", findNext);
}
