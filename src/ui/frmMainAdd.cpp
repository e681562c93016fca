// The main window's commands that add jobs: the new-job dialog from the
// menus, the toolbar, the clipboard and drops; the download list's export
// and import; the menus' keyboard shortcuts.
#include "ui/frmMainAdd.h"

#include "browser/HandOffFlow.h"
#include "dialogs/DownloadList.h"
#include "dialogs/frmNewDown1.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"
#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

using namespace NewJobRules;

namespace {
const QString kListFilters =
    QStringLiteral("Download list (*.lst);;Text File (*.txt);;All Files (*.*)");

// The URL a drag carries: the first web URL of its uri-list, else its text.
QString droppedUrl(const QMimeData *mime) {
    if (!mime) return {};
    for (const QUrl &url : mime->urls()) {
        const QString text = webUrlOf(url.toString());
        if (!text.isEmpty()) return text;
    }
    return mime->hasText() ? webUrlOf(mime->text()) : QString();
}
} // namespace

const QStringList &MainAddCommands::unbuiltCommands() {
    static const QStringList names; // every command is built
    return names;
}

MainAddCommands::MainAddCommands(AppCore &core, MainMenus &menus, MainToolbars &toolbars,
                                 QMainWindow &window)
    : QObject(&window), m_core(core), m_menus(menus), m_toolbars(toolbars), m_window(window) {
    setObjectName(QStringLiteral("MainAddCommands"));
    runDialog = [](frmNewDown1 &dialog) { return dialog.exec(); };
    askSaveFile = [this](const QString &title, const QString &start, const QString &filters) {
        return QFileDialog::getSaveFileName(&m_window, title, start, filters, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    askOpenFile = [this](const QString &title, const QString &start, const QString &filters) {
        return QFileDialog::getOpenFileName(&m_window, title, start, filters);
    };
    connectMenus();
    setShortcuts();
    markUnbuilt();
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

void MainAddCommands::markUnbuilt() {
    for (const QString &name : unbuiltCommands())
        if (auto *action = m_window.findChild<QAction *>(name)) {
            action->setProperty("unbuilt", true);
            action->setEnabled(false);
        }
}

void MainAddCommands::setAddNewSearch(std::function<void(const NewSearchValues &)> add) {
    m_addNewSearch = std::move(add);
    const bool on = bool(m_addNewSearch);
    m_menus.action(QStringLiteral("mnuJob_NewS"))->setEnabled(on);
    QAction *button = m_toolbars.button(m_toolbars.tbMain(), QStringLiteral("AddSearch"));
    button->setProperty("unbuilt", !on);
    button->setEnabled(on);
}

void MainAddCommands::connectMenus() {
    MainMenus *menus = &m_menus;
    const std::pair<const char *, int> entries[] = {
        {"mnuJob_New", 1}, {"mnuJob_NewS", 2}, {"mnuJob_New1", 3}};
    for (const auto &entry : entries) {
        QAction *action = menus->action(QString::fromLatin1(entry.first));
        const int mode = entry.second;
        action->setEnabled(mode != 2);
        connect(action, &QAction::triggered, this, [this, mode] { openNewJob(mode); });
    }
    setAddNewSearch(nullptr);
    connect(menus->action(QStringLiteral("mnuFile_Export")), &QAction::triggered, this,
            &MainAddCommands::exportList);
    connect(menus->action(QStringLiteral("mnuFile_Import")), &QAction::triggered, this,
            &MainAddCommands::importList);
    // The tree's pop-up offers the list commands when the File menu does
    // (its entries run the File menu's, which follow the same rules).
    connect(menus->menu(QStringLiteral("popTree")), &QMenu::aboutToShow, this, [this, menus] {
        const EnabledMap rules = fileMenuRules(m_core.view.CurrentView);
        menus->apply(rules);
        menus->action(QStringLiteral("popTree_ImportList"))
            ->setEnabled(rules.value(QStringLiteral("mnuFile_Import")));
        menus->action(QStringLiteral("popTree_ExportList"))
            ->setEnabled(rules.value(QStringLiteral("mnuFile_Export")));
    });
    m_paste = new QAction(QStringLiteral("Paste URL"), &m_window);
    m_paste->setObjectName(QStringLiteral("actPasteUrl"));
    m_paste->setShortcut(QKeySequence::Paste);
    m_window.addAction(m_paste);
    connect(m_paste, &QAction::triggered, this, [this] { pasteUrl(); });
}

void MainAddCommands::setShortcuts() {
    const std::pair<const char *, QKeySequence> keys[] = {
        {"mnuJob_New", QKeySequence(QKeySequence::New)},
        {"mnuJob_NewS", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {"mnuJob_New1", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"mnuEdit_Del", QKeySequence(QKeySequence::Delete)},
        {"mnuEdit_SelectAll", QKeySequence(QKeySequence::SelectAll)},
        {"mnuEdit_Find", QKeySequence(QKeySequence::Find)},
        {"mnuEdit_FindNext", QKeySequence(Qt::Key_F3)},
        {"mnuOption1", QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {"mnuFile_Exit", QKeySequence(Qt::CTRL | Qt::Key_Q)}};
    for (const auto &key : keys)
        m_menus.action(QString::fromLatin1(key.first))->setShortcut(key.second);
}

void MainAddCommands::status(const QString &text) {
    m_window.statusBar()->showMessage(text, 8000);
}

QVector<int> MainAddCommands::runNewJob(frmNewDown1 &dialog) {
    m_dialogOpen = true;
    runDialog(dialog);
    m_dialogOpen = false;
    const QVector<int> added = dialog.addedJobs();
    if (!added.isEmpty()) {
        status(added.size() == 1 ? QStringLiteral("1 download job added.")
                                 : QStringLiteral("%1 download jobs added.").arg(added.size()));
        emit jobsAdded();
    }
    emit dialogClosed();
    return added;
}

NewJobHooks MainAddCommands::dialogHooks() {
    NewJobHooks hooks;
    hooks.newCategory = newCategory;
    hooks.addNewSearch = m_addNewSearch;
    hooks.proxyOptions = [this] { emit optionsWanted(1); }; // the Proxy Server page
    return hooks;
}

QVector<int> MainAddCommands::openNewJob(int mode, const QString &url) {
    if (m_dialogOpen) return {}; // the dialog exists once
    NewJobMode = mode == 0 ? 1 : mode;
    frmNewDown1 dialog(m_core, NewJobMode, dialogHooks(), &m_window);
    dialog.PresetUrl = url;
    return runNewJob(dialog);
}

QVector<int> MainAddCommands::openLinks(const QVector<LinkEntry> &links, int skippedLines,
                                        const QString &categoryKey,
                                        const std::function<void(frmNewDown1 &)> &prepare) {
    if (m_dialogOpen) return {};
    NewJobMode = 4;
    frmNewDown1 dialog(m_core, 4, dialogHooks(), &m_window);
    dialog.setLinks(links, skippedLines);
    dialog.selectCategory(categoryKey);
    if (prepare) prepare(dialog);
    return runNewJob(dialog);
}

QVector<int> MainAddCommands::openHandOff(const HandOffDialog &request) {
    auto prepare = [&request](frmNewDown1 &dialog) {
        if (!request.presetUrl.isEmpty()) dialog.PresetUrl = request.presetUrl;
        dialog.txtRef->setText(request.referer);
        dialog.txtComment->setText(request.info);
        if (!request.userAgent.isEmpty()) {
            dialog.cmbUserAgent1->setEditText(request.userAgent);
            dialog.cmbUserAgent->setEditText(request.userAgent);
        }
        dialog.Cookies = request.cookies;
    };
    if (m_dialogOpen) return {};
    if (request.mode == 4) {
        QVector<LinkEntry> links;
        links.reserve(request.links.size());
        for (const HandOffLink &link : request.links)
            links.append({link.url, link.text});
        return openLinks(links, 0, m_core.view.selectedNodeKey(), prepare);
    }
    NewJobMode = request.mode == 0 ? 1 : request.mode;
    frmNewDown1 dialog(m_core, NewJobMode, dialogHooks(), &m_window);
    prepare(dialog);
    return runNewJob(dialog);
}

bool MainAddCommands::pasteUrl() {
    const QString url = webUrlOf(QGuiApplication::clipboard()->text());
    if (url.isEmpty()) {
        status(QStringLiteral("The clipboard holds no http:// or https:// URL."));
        return false;
    }
    openNewJob(1, url);
    return true;
}

void MainAddCommands::exportList() {
    const QString path = askSaveFile(QStringLiteral("Save File"), m_lastExportPath, kListFilters);
    if (path.isEmpty()) return;
    m_lastExportPath = path;
    QString error;
    if (!DownloadList::exportToFile(m_core.DownJobs, m_core.view.selectedNodeKey(), path, &error))
        MsgBox::show(&m_window, error);
}

void MainAddCommands::importList() {
    const QString path = askOpenFile(QStringLiteral("Open File"), m_lastImportPath, kListFilters);
    if (path.isEmpty()) return;
    m_lastImportPath = path;
    DownloadList::ReadResult read;
    QString error;
    if (!DownloadList::readFile(path, &read, &error)) {
        MsgBox::show(&m_window, error);
        return;
    }
    if (read.urls.isEmpty()) {
        MsgBox::show(&m_window, QStringLiteral("%1 holds no http:// or https:// URL.").arg(path));
        return;
    }
    QVector<LinkEntry> links;
    links.reserve(read.urls.size());
    for (const QString &url : read.urls)
        links.append({url, {}});
    openLinks(links, read.skipped, m_core.view.selectedNodeKey());
}

bool MainAddCommands::eventFilter(QObject *watched, QEvent *event) {
    if (watched != &m_window) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (m_dialogOpen || droppedUrl(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString url = droppedUrl(drop->mimeData());
        if (url.isEmpty() || m_dialogOpen) return false;
        drop->acceptProposedAction();
        // The dialog opens once the drag has ended.
        QTimer::singleShot(0, this, [this, url] { openNewJob(1, url); });
        return true;
    }
    default:
        return false;
    }
}
