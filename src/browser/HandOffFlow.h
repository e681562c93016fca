#pragma once

#include "browser/HandOffMessage.h"
#include "browser/PageMovies.h"

#include <QObject>
#include <QQueue>
#include <QTimer>
#include <functional>

struct FoundMovieList;

// What the new-job dialog opens with after a hand-off or a drop.
struct HandOffDialog {
    int mode = 1;               // NewJobMode when the dialog opens
    QString presetUrl;          // PresetUrl: the handed-over URL or the dropped text
    QString referer;            // txtRef
    QString info;               // txtComment
    QVector<HandOffLink> links; // ListView1 in mode 4
    QString cookies;            // one Cookie line's value for the jobs made here (memory only)
    QString userAgent;          // the browser's user agent for those jobs
};

// The way from a hand-off text to the new-job dialog. A change of Text1
// enables Timer1 (100 ms); each tick first disables it. A tick that finds
// Text1 filled takes and clears the text, parses it and enables the timer
// again; the next tick, with Text1 empty, opens the dialog (toggling the drop
// window first when the main window is minimised). A hand-off that arrives
// while the dialog is open or another hand-off is on its way waits in a
// queue and goes into Text1 once the dialog has closed.
class HandOffFlow : public QObject {
    Q_OBJECT
public:
    static constexpr int kQueueLimit = 16; // further hand-offs are refused

    // `scan` receives the movies of a scanned page.
    HandOffFlow(FoundMovieList &scan, int &newJobMode, QObject *parent = nullptr);

    QTimer *Timer1() { return &m_timer1; }
    const QString &Text1() const { return m_text1; }
    // Any change enables Timer1.
    void setText1(const QString &text);

    // A browser hand-off: its text into Text1 (its links, cookies and user
    // agent beside it), or into the queue while busy. False when refused
    // (queue full).
    bool receive(const HandOffMessage &message);
    // A page scanned in the browser (its menu entry): its movies become the
    // waiting list and Timer1 runs, as after a pick. Returns FoundCount.
    int receiveScan(const PageScanResult &page);
    // A drop on the drop window: the text becomes PresetUrl and Timer1 runs.
    void drop(const QString &text);
    // The new-job dialog has closed (from whatever source): the next queued
    // hand-off goes into Text1.
    void dialogClosed();

    bool busy() const;
    int queued() const { return int(m_queue.size()); }

    // Hooks of the main window.
    std::function<bool()> dialogOpen;    // the new-job dialog is open
    std::function<bool()> mainMinimised; // the main window is minimised
    std::function<void()> toggleTopWindow;
    std::function<void(const HandOffDialog &)> openDialog; // modal
    // Shows the save dialog of the last browser-page scan (FoundMovies);
    // empty until that dialog exists, and then a waiting list is not shown.
    std::function<void()> showSaveDialog;

    // A header value as it may go on the wire: line breaks and NULs removed,
    // blanks trimmed.
    static QString headerValue(const QString &text);

signals:
    void text1Changed(const QString &text);
    void refused(const QString &reason);

private:
    void tick();
    void takeText();
    void openPending();

    FoundMovieList &m_scan;
    int &m_newJobMode;
    QTimer m_timer1;
    QString m_text1;
    HandOffDialog m_pending;  // fields for the next dialog
    bool m_requested = false; // the dialog is to open (a text was taken or dropped)
    QQueue<HandOffMessage> m_queue;
};
