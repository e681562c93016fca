#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh application folder for one test: MOORQUILL_HOME points at a new
// temporary folder, and XDG_CACHE_HOME at its "cache" folder (the movie
// library's entries and pictures), for the lifetime of the object.
class TestHome {
public:
    TestHome();
    ~TestHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous, m_previousCache;
};
