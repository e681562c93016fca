#pragma once

#include <QObject>
#include <functional>

struct AppCore;
class FileInfoPanel;
class JobListPanel;
class MainMenus;
class MainToolbars;
class MoviePlayer;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;
class QWidget;
class Resizer;

// The main window's movie player panel: loads a clicked finished movie into
// `flash1`, keeps `Slider1` and the status text in step with it (`Timer2`),
// seeks, steps to the previous or next movie row, and switches the full-screen
// layout. The player itself is created when the first movie is loaded.
class frmMainPlayer : public QObject {
    Q_OBJECT
public:
    // The parts of the main window the panel works with.
    struct Places {
        MainMenus &menus;
        MainToolbars &toolbars;
        JobListPanel &lists;
        FileInfoPanel &fileInfo;
        Resizer &upperSplit; // Resizer2: the job lists above the lower panes
        QLabel &status;      // the status bar's second panel
    };
    frmMainPlayer(AppCore &core, const Places &places, QObject *parent);

    // Makes the player in its place; the player library by default, a
    // stand-in in tests. May return nullptr (no player: movies do not play).
    std::function<MoviePlayer *(QWidget *parent)> createPlayer;

    MoviePlayer *player() const { return m_player; }
    QSlider *slider() const { return m_slider; }
    QTimer *timer2() const { return m_timer2; }

    bool FollowMovie = false;
    bool IsFullScreen = false;

    // The row-click part: plays `path` (an existing ".swf" file).
    void loadMovie(const QString &path);
    // One tick of Timer2.
    void FollowTick();
    // Previous (-1) or next (+1) row of lvHaveDown, played when it is a movie.
    void stepMovie(int delta);
    void FullScreen();

signals:
    void selectionStepped(); // stepMovie moved the selection of lvHaveDown

private:
    void runKey(const QString &key);
    void seek();
    void ScrollList();
    bool movieEnded();

    AppCore &m_core;
    Places m_places;
    MoviePlayer *m_player = nullptr;
    QSlider *m_slider;
    QToolButton *m_mute;
    QTimer *m_timer2;
    int m_lastFrame = 0;  // the frame seen at the last tick
    bool m_ended = false; // AutoPlay has stepped on from this movie
};
