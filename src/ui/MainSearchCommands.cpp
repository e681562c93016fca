#include "ui/MainSearchCommands.h"

#include "search/PageFile.h"
#include "search/SearchSlot.h"
#include "session/AppCore.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTreeView>

MainSearchCommands::MainSearchCommands(AppCore &core, SearchSlot &slot, MainMenus &menus,
                                       JobListPanel &lists, QWidget &window)
    : QObject(&window), m_core(core), m_slot(slot), m_menus(menus), m_lists(lists),
      m_window(window) {
    setObjectName(QStringLiteral("MainSearchCommands"));
    const std::pair<const char *, std::function<void()>> entries[] = {
        {"mnuJob_Begin1",
         [this] {
             const QList<int> selected = selectedSearches();
             if (!selected.isEmpty()) m_slot.StartSearchJob(selected.first());
         }},
        {"mnuJob_Pause1", [this] { m_slot.PauseSearchJob(); }},
        {"mnuJob_AllBegin1", [this] { m_slot.StartAllSearchJobs(); }},
        {"mnuJob_AllPause1", [this] { m_slot.PauseAllSearchJobs(); }},
        {"popDelete1", [this] { m_slot.DeleteSearchJobs(selectedSearches()); }}};
    for (const auto &entry : entries) {
        const std::function<void()> run = entry.second;
        connect(m_menus.action(QString::fromLatin1(entry.first)), &QAction::triggered, this,
                [this, run] {
                    run();
                    emit searchesChanged();
                });
    }
    // A clicked row shows its search's log.
    connect(m_lists.lvDownHtml(), &QTreeView::clicked, this, [this](const QModelIndex &index) {
        const ListRowModel &rows = m_core.lists.lvDownHtml;
        if (index.row() < rows.count())
            m_core.view.selectSearchJob(ListRowModel::leadingNumber(rows.row(index.row()).key));
    });
    connect(&m_slot, &SearchSlot::SearchEnded, this, &MainSearchCommands::searchesChanged);
    connectPageFile();
}

QList<int> MainSearchCommands::selectedSearches() const {
    QList<int> indexes;
    const ListRowModel &rows = m_core.lists.lvDownHtml;
    for (const QModelIndex &index : m_lists.lvDownHtml()->selectionModel()->selectedRows())
        if (index.row() < rows.count())
            indexes << ListRowModel::leadingNumber(rows.row(index.row()).key);
    return indexes;
}

bool MainSearchCommands::searchRuns(int index) const {
    return m_slot.Busy() && m_slot.CurrentSearchIndex == index;
}

void MainSearchCommands::copyPopupEntries() {
    const char *const copies[][2] = {{"popStart1", "mnuJob_Begin1"},
                                     {"popPause1", "mnuJob_Pause1"},
                                     {"popStartAll1", "mnuJob_AllBegin1"},
                                     {"popPauseAll1", "mnuJob_AllPause1"},
                                     {"popDelete1", "mnuEdit_Del"}};
    for (const auto &pair : copies)
        m_menus.action(pair[0])->setEnabled(m_menus.action(pair[1])->isEnabled());
}

void MainSearchCommands::connectPageFile() {
    chooseWebPageFile = [this] {
        return QFileDialog::getOpenFileName(
            &m_window, QStringLiteral("Process Web Page File"), {},
            QStringLiteral("Web Pages (*.htm *.html);;All Files (*)"));
    };
    askPageAddress = [this](const QString &suggested) {
        return QInputDialog::getText(
            &m_window, QStringLiteral("Process Web Page File"),
            QStringLiteral("Address of the page (for its relative links):"), QLineEdit::Normal,
            suggested);
    };
    QAction *action = m_menus.action(QStringLiteral("mnuFile_FXPage"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, &MainSearchCommands::processPageFile);
}

void MainSearchCommands::processPageFile() {
    const QString path = chooseWebPageFile ? chooseWebPageFile() : QString();
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(&m_window, QStringLiteral("MoorQuill"),
                             QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return;
    }
    const QByteArray page = file.readAll();
    QString base = PageFile::BaseHref(page);
    if (base.isEmpty()) base = QStringLiteral("http://");
    const QString address = askPageAddress ? askPageAddress(base) : QString();
    if (address.isEmpty()) return;
    QString error;
    const int found = PageFile::Process(m_core.search(), m_core.tree, m_core.paths.DownloadFolder,
                                        m_core.settings.Useragent, page, address, &error);
    if (found < 0)
        QMessageBox::warning(&m_window, QStringLiteral("MoorQuill"), error);
    else
        emit statusText(QStringLiteral("%1 Flash movies found in %2").arg(found).arg(path));
}
