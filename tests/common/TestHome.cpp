#include "common/TestHome.h"

TestHome::TestHome() : m_previous(qgetenv("MOORQUILL_HOME")) {
    qputenv("MOORQUILL_HOME", m_dir.path().toLocal8Bit());
}

TestHome::~TestHome() {
    if (m_previous.isEmpty())
        qunsetenv("MOORQUILL_HOME");
    else
        qputenv("MOORQUILL_HOME", m_previous);
}
