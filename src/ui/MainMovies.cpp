#include "ui/MainMovies.h"

#include "engine/DownloadEvents.h"
#include "engine/JobLog.h"
#include "movies/DependencyJobs.h"
#include "movies/MovieLibrary.h"
#include "movies/MovieRefetch.h"
#include "movies/MovieRows.h"
#include "movies/frmMovieDeps.h"
#include "player/MoviePlayerLoader.h"
#include "player/MovieThumbnailer.h"
#include "session/AppCore.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

namespace {
constexpr int kThumbnailMs = 5000; // a movie that shows no frame this long gets the plain icon
constexpr QSize kThumbnailIcon(64, 48);

// Column 0 of the completed list with the movie's picture in place of its
// icon, while the thumbnail view is on.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool on = false;
    std::function<QPixmap(int job)> picture;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!on || index.column() != 0) return;
        const QPixmap pixmap =
            picture(ListRowModel::leadingNumber(index.data(ListRowModel::KeyRole).toString()));
        if (pixmap.isNull()) return;
        option->icon = QIcon(pixmap);
        option->decorationSize = pixmap.size().scaled(kThumbnailIcon, Qt::KeepAspectRatio);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
};

// Keeps a label over the whole of its parent.
class FillParent : public QObject {
public:
    explicit FillParent(QWidget *child) : QObject(child), m_child(child) {
        child->parentWidget()->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Resize) m_child->setGeometry(m_child->parentWidget()->rect());
        return false;
    }

private:
    QWidget *m_child;
};
} // namespace

MainMovies::MainMovies(AppCore &core, DownloadEvents &events, JobLog &log, MainMenus &menus,
                       JobListPanel &lists, FileInfoPanel &info, QWidget *window)
    : QObject(window), createThumbnailer(loadMovieThumbnailer), m_core(core), m_log(log),
      m_menus(menus), m_lists(lists), m_window(window),
      m_library(std::make_unique<MovieLibrary>(core.DownJobs)),
      m_rows(std::make_unique<MovieRows>(core.lists, core.DownJobs, *m_library)) {
    setObjectName(QStringLiteral("MainMovies"));
    MovieLibrary &library = *m_library;
    connect(&events, &DownloadEvents::JobFinished, this, [this](int job, int state) {
        if (state == StateComplete) m_library->add(job, true);
    });
    connect(&library, &MovieLibrary::damaged, this, [this](int, const QString &problem) {
        m_log.Add(MovieLibrary::damageLine(problem), 8, 1);
    });
    connect(&library, &MovieLibrary::dependenciesFound, this, &MainMovies::offerDependencies);
    library.renderThumbnail = [this](const QString &movie, const QString &png,
                                     std::function<void(bool)> done) {
        if (!m_thumbnailer && createThumbnailer) m_thumbnailer = createThumbnailer(this);
        if (!m_thumbnailer) return done(false);
        m_thumbnailer->render(movie, png, kThumbnailMs, std::move(done));
    };

    // A damaged movie is not played: the player's place says why.
    MainView &view = core.view;
    view.movieProblem = [this](int job) {
        const DownJobRecord &rec = m_core.DownJobs[job];
        const MovieEntry e = m_library->checkedEntry(rec.SavePath, rec.Url);
        return e.damaged() ? e.facts.problem : QString();
    };
    m_notice = new QLabel(info.playerPlace());
    m_notice->setObjectName(QStringLiteral("lblMovieNotice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    m_notice->setStyleSheet(QStringLiteral("#lblMovieNotice { color: #f0f0f0; padding: 12px; }"));
    m_notice->hide();
    new FillParent(m_notice);
    connect(&view, &MainView::movieRefused, this, [this](const QString &, const QString &problem) {
        m_notice->setText(QStringLiteral("This movie is damaged: %1.").arg(problem));
        m_notice->setGeometry(m_notice->parentWidget()->rect());
        m_notice->show();
        m_notice->raise();
    });
    connect(&view, &MainView::movieRequested, m_notice, &QWidget::hide);
    m_picture = info.moviePicture();
    connect(&view, &MainView::completedJobSelected, this, &MainMovies::showPicture);
    connect(&library, &MovieLibrary::thumbnailChanged, this, [this] {
        showPicture(m_shownJob);
        m_lists.lvHaveDown()->viewport()->update();
    });

    // The player follows the selection however it moves: a row reached with
    // the keyboard or by a command is chosen as a click chooses it (a mouse
    // press is left to the click that follows).
    connect(lists.lvHaveDown()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] {
                if (QApplication::mouseButtons() == Qt::NoButton) follow();
            });

    connect(menus.action(QStringLiteral("mnuEdit_Refetch")), &QAction::triggered, this,
            &MainMovies::refetch);
    connect(menus.menu(QStringLiteral("mnuEdit")), &QMenu::aboutToShow, this, [this] {
        const int job = m_lists.completedJobAt(m_lists.lvHaveDown()->currentIndex());
        const bool damaged = m_core.view.CurrentView == MainView::Completed &&
                             m_core.DownJobs.isValid(job) && !m_core.DownJobs[job].Url.isEmpty() &&
                             m_library->entry(m_core.DownJobs[job].SavePath).damaged();
        m_menus.action(QStringLiteral("mnuEdit_Refetch"))->setEnabled(damaged);
    });
    setupColumns();

    // Files imported or saved from a browser's cache are finished jobs that
    // no download finished: they are looked for as the table grows.
    auto *watch = new QTimer(this);
    watch->setInterval(1000);
    connect(watch, &QTimer::timeout, this, &MainMovies::watchNewJobs);
    connect(&core.lists.lvHaveDown, &QAbstractItemModel::modelReset, this,
            &MainMovies::watchNewJobs);
    watch->start();
}

MainMovies::~MainMovies() {
    m_core.view.movieProblem = nullptr;
}

frmMovieDeps *MainMovies::depsDialog() const {
    return m_deps;
}

void MainMovies::follow() {
    const int job = m_lists.completedJobAt(m_lists.lvHaveDown()->currentIndex());
    if (job != 0) m_core.view.selectCompletedJob(job);
}

void MainMovies::watchNewJobs() {
    const JobTable &jobs = m_core.DownJobs;
    if (m_seenJobs < 0) { // the database has just been read
        m_seenJobs = jobs.DownCount();
        m_library->loadKnown();
        return;
    }
    for (; m_seenJobs < jobs.DownCount(); ++m_seenJobs) {
        const DownJobRecord &rec = jobs[m_seenJobs + 1];
        // Imports and cache saves have no completion time; downloads report.
        if (rec.State == StateComplete && rec.CompleteTime == 0)
            m_library->add(m_seenJobs + 1, false);
    }
}

void MainMovies::offerDependencies(int job, const QStringList &addresses) {
    if (m_deps) return; // one offer at a time
    auto *dialog = new frmMovieDeps(m_core.DownJobs[job].SavePath, addresses, m_window);
    m_deps = dialog;
    connect(dialog, &QDialog::finished, this, [this, job, dialog](int result) {
        dialog->deleteLater();
        if (result == QDialog::Accepted)
            addDependencyJobs(m_core.DownJobs, m_core.lists, job, dialog->checkedAddresses());
    });
    dialog->open();
}

void MainMovies::refetch() {
    const int job = m_lists.completedJobAt(m_lists.lvHaveDown()->currentIndex());
    if (!m_core.DownJobs.isValid(job)) return;
    DownJobRecord &rec = m_core.DownJobs[job];
    const QString error = prepareRefetch(rec);
    if (!error.isEmpty()) {
        m_log.Add(error, 8, 1);
        return;
    }
    m_core.lists.lvHaveDown.removeRowByKey(JobLists::haveDownKey(job));
    m_core.lists.AddJobToList(job);
}

void MainMovies::showPicture(int job) {
    m_shownJob = job;
    const bool movie =
        m_core.DownJobs.isValid(job) && MovieLibrary::isMovie(m_core.DownJobs[job].SavePath);
    const QString png = movie ? m_library->thumbnailOf(m_core.DownJobs[job].SavePath) : QString();
    m_picture->setPixmap(png.isEmpty() ? QPixmap() : QPixmap(png));
    m_picture->setVisible(!png.isEmpty());
}

void MainMovies::setupColumns() {
    QTreeView *list = m_lists.lvHaveDown();
    QHeaderView *header = list->header();
    const int columns = int(m_core.lists.lvHaveDown.columns().size());
    for (int c = MovieRows::kFirstColumn; c < columns; ++c)
        header->hideSection(c);
    auto *delegate = new ThumbnailDelegate(list);
    delegate->picture = [this](int job) {
        if (!m_core.DownJobs.isValid(job)) return QPixmap();
        const QString png = m_library->thumbnailOf(m_core.DownJobs[job].SavePath);
        return png.isEmpty() ? QPixmap() : QPixmap(png);
    };
    list->setItemDelegateForColumn(0, delegate);
    QAction *thumbs = m_menus.action(QStringLiteral("mnuView_Thumbs"));
    connect(thumbs, &QAction::toggled, list, [list, delegate](bool on) {
        delegate->on = on;
        list->setIconSize(on ? kThumbnailIcon : QSize(16, 16));
        list->setUniformRowHeights(!on);
        list->viewport()->update();
    });
    // The header's menu shows and hides the movie columns.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header, thumbs](QPoint at) {
        QMenu menu;
        menu.setObjectName(QStringLiteral("popMovieColumns"));
        const int count = int(m_core.lists.lvHaveDown.columns().size());
        for (int c = MovieRows::kFirstColumn; c < count; ++c) {
            QAction *a = menu.addAction(m_core.lists.lvHaveDown.columns()[c].header);
            a->setCheckable(true);
            a->setChecked(!header->isSectionHidden(c));
            connect(a, &QAction::toggled, header,
                    [header, c](bool on) { header->setSectionHidden(c, !on); });
        }
        menu.addSeparator();
        menu.addAction(thumbs);
        menu.exec(header->mapToGlobal(at));
    });
}
