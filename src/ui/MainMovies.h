#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

struct AppCore;
class DownloadEvents;
class FileInfoPanel;
class JobListPanel;
class JobLog;
class MainMenus;
class MovieLibrary;
class MovieRows;
class MovieThumbnailer;
class QLabel;
class QWidget;
class frmMovieDeps;

// The movie library in the main window. Finished and imported movies are
// checked in the background: a damaged one gets a log line, the list's
// "Error" mark and the player's notice instead of a black stage, and can be
// fetched again ("Download &Again"); a finished one that loads files offers
// them (frmMovieDeps); whole ones get a picture from the player library,
// shown below the file information and in the list's thumbnail view. The
// player follows the completed list's selection however it moves.
class MainMovies : public QObject {
    Q_OBJECT
public:
    MainMovies(AppCore &core, DownloadEvents &events, JobLog &log, MainMenus &menus,
               JobListPanel &lists, FileInfoPanel &info, QWidget *window);
    ~MainMovies() override;

    MovieLibrary &library() const { return *m_library; }
    // Makes the picture maker when the first picture is wanted; the player
    // library's by default, a stand-in in tests (nullptr: no pictures).
    std::function<MovieThumbnailer *(QObject *parent)> createThumbnailer;
    // The open offer of a finished movie's files, if any.
    frmMovieDeps *depsDialog() const;
    QLabel *notice() const { return m_notice; }
    QLabel *picture() const { return m_picture; }

private:
    void follow();
    void watchNewJobs();
    void offerDependencies(int job, const QStringList &addresses);
    void refetch();
    void showPicture(int job);
    void setupColumns();

    AppCore &m_core;
    JobLog &m_log;
    MainMenus &m_menus;
    JobListPanel &m_lists;
    QWidget *m_window;
    std::unique_ptr<MovieLibrary> m_library;
    std::unique_ptr<MovieRows> m_rows;
    MovieThumbnailer *m_thumbnailer = nullptr;
    QPointer<frmMovieDeps> m_deps;
    QLabel *m_notice = nullptr;
    QLabel *m_picture = nullptr;
    int m_seenJobs = -1; // jobs of the table looked at for new finished movies
    int m_shownJob = 0;  // the completed job whose picture is shown
};
