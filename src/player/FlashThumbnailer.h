#pragma once

#include "player/MovieThumbnailer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <memory>

class FlashPlayer;
class QTimer;
class QWidget;

// MovieThumbnailer with a FlashPlayer of its own in a window that is never
// shown on the screen: the same locked-down web engine as the player (no
// network, no files beyond the movie's folder), muted.
class FlashThumbnailer : public QObject, public MovieThumbnailer {
    Q_OBJECT
public:
    explicit FlashThumbnailer(QObject *parent = nullptr);
    ~FlashThumbnailer() override;
    void render(const QString &movie, const QString &out, int timeoutMs,
                std::function<void(bool ok)> done) override;

private:
    void tick();
    void finish(bool ok);

    std::unique_ptr<QWidget> m_window;
    FlashPlayer *m_player = nullptr;
    QTimer *m_tick = nullptr;
    QElapsedTimer m_clock, m_sent, m_shown;
    QString m_out;
    int m_timeoutMs = 0;
    bool m_asking = false; // a snapshot is on its way
    std::function<void(bool)> m_done;
};
