#include "common/TestHome.h"

namespace {
void restore(const char *name, const QByteArray &value) {
    if (value.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, value);
}
} // namespace

TestHome::TestHome()
    : m_previous(qgetenv("MOORQUILL_HOME")), m_previousCache(qgetenv("XDG_CACHE_HOME")) {
    qputenv("MOORQUILL_HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_dir.filePath("cache").toLocal8Bit());
}

TestHome::~TestHome() {
    restore("MOORQUILL_HOME", m_previous);
    restore("XDG_CACHE_HOME", m_previousCache);
}
