#include "browser/HandOffFlow.h"

#include "browser/HandOffText.h"
#include "session/FoundMovieList.h"

HandOffFlow::HandOffFlow(FoundMovieList &scan, int &newJobMode, QObject *parent)
    : QObject(parent), m_scan(scan), m_newJobMode(newJobMode) {
    setObjectName(QStringLiteral("HandOffFlow"));
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(100);
    connect(&m_timer1, &QTimer::timeout, this, &HandOffFlow::tick);
}

QString HandOffFlow::headerValue(const QString &text) {
    QString value = text;
    value.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QChar(0));
    return value.trimmed();
}

void HandOffFlow::setText1(const QString &text) {
    if (text == m_text1) return;
    m_text1 = text;
    emit text1Changed(text);
    m_timer1.start();
}

bool HandOffFlow::busy() const {
    return m_timer1.isActive() || !m_text1.isEmpty() || (dialogOpen && dialogOpen());
}

bool HandOffFlow::receive(const HandOffMessage &message) {
    if (message.text.isEmpty()) return false; // no change of Text1: nothing to do
    if (busy() || !m_queue.isEmpty()) {
        if (m_queue.size() >= kQueueLimit) {
            emit refused(QStringLiteral("Too many hand-offs are waiting; this one was refused."));
            return false;
        }
        m_queue.enqueue(message);
        return true;
    }
    m_pending.links = message.links;
    m_pending.cookies = headerValue(message.cookies);
    m_pending.userAgent = headerValue(message.userAgent);
    setText1(message.text);
    return true;
}

int HandOffFlow::receiveScan(const PageScanResult &page) {
    const int count = PageMovies::storeScan(m_scan, page);
    if (count > 0) m_timer1.start();
    return count;
}

void HandOffFlow::drop(const QString &text) {
    m_pending.presetUrl = text;
    m_requested = true;
    m_timer1.start();
}

void HandOffFlow::dialogClosed() {
    if (busy()) return;
    if (m_requested) { // a request that found the dialog open
        m_timer1.start();
        return;
    }
    if (m_queue.isEmpty()) return;
    const HandOffMessage next = m_queue.dequeue();
    m_pending.links = next.links;
    m_pending.cookies = headerValue(next.cookies);
    m_pending.userAgent = headerValue(next.userAgent);
    setText1(next.text);
}

void HandOffFlow::tick() {
    m_timer1.stop();
    if (!m_text1.isEmpty())
        takeText();
    else
        openPending();
}

void HandOffFlow::takeText() {
    const QString text = m_text1;
    setText1(QString());
    const HandOffText::Request request = HandOffText::parse(text);
    if (request.mode != 0) {
        m_newJobMode = request.mode;
        m_pending.presetUrl = request.url;
        m_pending.referer = request.referer;
        m_pending.info = request.info;
    }
    m_requested = true;
    m_timer1.start();
}

void HandOffFlow::openPending() {
    if (m_scan.FoundCount > 0 && showSaveDialog) {
        showSaveDialog();
        // A hand-off waiting beside the list gets its turn next.
        if (m_scan.FoundCount == 0 && m_requested) m_timer1.start();
        return;
    }
    // The dialog exists once: a request that finds it open waits for it.
    if (dialogOpen && dialogOpen()) {
        m_requested = true;
        return;
    }
    m_requested = false;
    if (mainMinimised && mainMinimised() && toggleTopWindow) toggleTopWindow();
    HandOffDialog request = std::exchange(m_pending, HandOffDialog());
    request.mode = m_newJobMode;
    if (openDialog) openDialog(request);
    dialogClosed();
}
