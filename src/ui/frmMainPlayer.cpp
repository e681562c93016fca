#include "ui/frmMainPlayer.h"

#include "player/MoviePlayer.h"
#include "player/MoviePlayerLoader.h"
#include "session/AppCore.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"
#include "ui/Resizer.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

frmMainPlayer::frmMainPlayer(AppCore &core, const Places &places, QObject *parent)
    : QObject(parent), createPlayer(loadMoviePlayer), m_core(core), m_places(places) {
    setObjectName(QStringLiteral("frmMainPlayer"));
    m_slider = places.fileInfo.findChild<QSlider *>(QStringLiteral("Slider1"));
    m_slider->setRange(0, 0);
    // Pressing stops following; releasing follows again; a scroll by the user
    // (never the refresh's own setValue) seeks and plays.
    connect(m_slider, &QSlider::sliderPressed, this, [this] { FollowMovie = false; });
    connect(m_slider, &QSlider::sliderReleased, this, [this] { FollowMovie = true; });
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderNoAction) seek();
    });

    m_mute = new QToolButton(m_slider->parentWidget());
    m_mute->setObjectName(QStringLiteral("cmdMute"));
    m_mute->setCheckable(true);
    m_mute->setAutoRaise(true);
    m_mute->setToolTip(QStringLiteral("Sound"));
    m_mute->setIcon(m_mute->style()->standardIcon(QStyle::SP_MediaVolume));
    if (auto *row = qobject_cast<QHBoxLayout *>(m_slider->parentWidget()->layout()))
        row->addWidget(m_mute);
    connect(m_mute, &QToolButton::toggled, this, [this](bool muted) {
        m_mute->setIcon(m_mute->style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted
                                                            : QStyle::SP_MediaVolume));
        if (m_player) m_player->setMuted(muted);
    });

    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(100);
    connect(m_timer2, &QTimer::timeout, this, &frmMainPlayer::FollowTick);
    m_timer2->start();

    MainMenus *menus = &places.menus;
    auto on = [this, menus](const char *name, std::function<void()> run) {
        connect(menus->action(QString::fromLatin1(name)), &QAction::triggered, this,
                [run] { run(); });
    };
    on("mnuOption_PlaySwf", [this] { runKey(QStringLiteral("Play")); });
    on("mnuOption_StopSwf", [this] { runKey(QStringLiteral("Pause")); });
    on("mnuOption_CloseSwf", [this] { runKey(QStringLiteral("Stop")); });
    on("mnuOption_PorSwf", [this] { runKey(QStringLiteral("Last")); });
    on("mnuOption_NextSwf", [this] { runKey(QStringLiteral("Next")); });
    on("mnuOption_ViewSwf", [this] { runKey(QStringLiteral("FullS")); });
    connect(&places.toolbars, &MainToolbars::operClicked, this, &frmMainPlayer::runKey);
    // A damaged movie is not played: what played before stops.
    connect(&core.view, &MainView::movieRefused, this, [this] { runKey(QStringLiteral("Stop")); });
}

void frmMainPlayer::runKey(const QString &key) {
    // The play-bar buttons act on whatever is loaded, in every view.
    if (key == QLatin1String("Next") || key == QLatin1String("Last"))
        stepMovie(key == QLatin1String("Next") ? 1 : -1);
    else if (key == QLatin1String("FullS"))
        FullScreen();
    else if (!m_player)
        return;
    else if (key == QLatin1String("Play"))
        m_player->Play();
    else if (key == QLatin1String("Pause"))
        m_player->setPlaying(false);
    else if (key == QLatin1String("Stop"))
        m_player->setMovie(QString());
}

void frmMainPlayer::loadMovie(const QString &path) {
    if (!m_player) {
        QWidget *place = m_places.fileInfo.playerPlace();
        m_player = createPlayer ? createPlayer(place) : nullptr;
        if (!m_player) return;
        auto *fill = new QVBoxLayout(place);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(m_player->widget());
        m_player->setMuted(m_mute->isChecked());
        m_player->doubleClicked = [this] { FullScreen(); };
    }
    // A damaged or vanished file leaves the player as it was.
    if (!m_player->setMovie(path)) return;
    m_slider->setRange(0, m_player->TotalFrames());
    m_slider->setValue(0);
    m_slider->setEnabled(m_player->CanSeek());
    m_timer2->start();
    FollowMovie = true;
    m_lastFrame = 0;
    m_ended = false;
}

void frmMainPlayer::FollowTick() {
    if (!FollowMovie || !m_player || m_player->Movie().isEmpty()) return;
    const QString movie = m_player->Movie();
    QString position;
    if (m_player->CanSeek()) {
        const int frame = m_player->FrameNum();
        m_slider->setValue(frame);
        position =
            QString::number(frame) + QLatin1Char('/') + QString::number(m_player->TotalFrames());
    } else {
        const qint64 seconds = m_player->PlayTime() / 1000;
        position =
            QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    m_places.status.setText(QFileInfo(movie).fileName() + QLatin1Char(' ') + position);
    const bool ended = movieEnded();
    if (ended && !m_ended && m_places.menus.action(QStringLiteral("mnuOption_Auto"))->isChecked()) {
        m_ended = true;
        stepMovie(1);
    }
}

bool frmMainPlayer::movieEnded() {
    // A movie counts as ended once it has played a second and reached its last
    // frame (or wrapped round from near it), or, when its frames cannot be
    // followed, once it has played for TotalFrames / frame rate.
    if (!m_player->Playing() || m_player->PlayTime() < 1000) return false;
    const int total = m_player->TotalFrames();
    if (!m_player->CanSeek()) {
        const double rate = m_player->FrameRate();
        return rate > 0 && m_player->PlayTime() >= qint64(total / rate * 1000);
    }
    const int frame = m_player->FrameNum();
    const int perTick = int(m_player->FrameRate() / 10) + 2;
    const bool wrapped = frame > 0 && frame <= perTick && m_lastFrame >= total - perTick;
    m_lastFrame = frame;
    return frame >= total || wrapped;
}

void frmMainPlayer::seek() {
    if (!m_player) return;
    m_player->GotoFrame(m_slider->sliderPosition());
    m_player->Play();
    m_lastFrame = 0;
}

void frmMainPlayer::stepMovie(int delta) {
    QTreeView *list = m_places.lists.lvHaveDown();
    QItemSelectionModel *selection = list->selectionModel();
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty()) return;
    const QModelIndex current = list->currentIndex();
    const int i = current.isValid() && selection->isRowSelected(current.row(), {})
                      ? current.row()
                      : rows.first().row();
    const int target = i + delta;
    if (target < 0 || target >= list->model()->rowCount()) return;
    const QModelIndex next = list->model()->index(target, 0);
    selection->setCurrentIndex(next,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ScrollList(); // the new current row is chosen (and played) as the selection moves
    emit selectionStepped();
}

void frmMainPlayer::ScrollList() {
    QTreeView *list = m_places.lists.lvHaveDown();
    const int count = list->model()->rowCount();
    if (list->isVisible() && count >= 2) list->scrollTo(list->model()->index(count - 2, 0));
}

void frmMainPlayer::FullScreen() {
    MainMenus *menus = &m_places.menus;
    Resizer *r2 = &m_places.upperSplit;
    Resizer *r4 = m_places.fileInfo.resizer4();
    const bool entering = !IsFullScreen;
    // Entering hides each bar that is shown; leaving shows each that is hidden.
    for (const char *name : {"mnuView_ToolBar", "mnuView_State", "mnuView_Tree"}) {
        QAction *toggle = menus->action(QString::fromLatin1(name));
        if (toggle->isChecked() == entering) toggle->trigger();
    }
    const bool upperShown =
        r2->Control1Visible() && m_places.lists.currentWidget() == m_places.lists.lvHaveDown();
    if (entering ? upperShown : !r2->Control1Visible())
        emit m_places.toolbars.operClicked(QStringLiteral("lvD"));
    r4->setControl2Visible(!entering);
    IsFullScreen = entering;
}
