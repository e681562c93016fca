#pragma once

#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

class JobLists;
class JobTable;
class ListRowModel;
class MovieLibrary;
struct MovieEntry;

// The movie library in the main window's lists: the movie columns of the
// completed list (after its four own ones), the marks of its rows (a damaged
// movie gets the icon "Error", a movie with copies the icon "Copies"), and
// the movie's rows below a completed job's information.
class MovieRows : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstColumn = 4;

    MovieRows(JobLists &lists, JobTable &jobs, MovieLibrary &library, QObject *parent = nullptr);
    ~MovieRows() override;

    // Marks and columns of every row again.
    void refresh();
    // The information rows of a movie entry (none when it was not checked).
    static QVector<QPair<QString, QString>> infoRows(const MovieEntry &entry,
                                                     const QStringList &copies);

private:
    void markRow(int row);
    void showInfo(int job, ListRowModel &list);

    JobLists &m_lists;
    JobTable &m_jobs;
    MovieLibrary &m_library;
};
