#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh application folder for one test: MOORQUILL_HOME points at a new
// temporary folder for the lifetime of the object.
class TestHome {
public:
    TestHome();
    ~TestHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
