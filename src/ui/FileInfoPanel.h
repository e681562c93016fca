#pragma once

#include "ui/Resizer.h"

struct AppCore;
class QLabel;
class QSlider;
class QToolBar;
class QTreeView;

// `picFileInfo`: the completed-file panel. Its first pane is the play bar
// (`tbOper` and the position slider `Slider1`), its second `Resizer4`, which
// holds the movie player's place and the information list `lvHaveDownInfo`
// with the movie's picture below it.
class FileInfoPanel : public Resizer {
    Q_OBJECT
public:
    FileInfoPanel(AppCore &core, QToolBar *tbOper, QWidget *parent = nullptr);

    Resizer *resizer4() const { return m_resizer4; }
    QTreeView *lvHaveDownInfo() const { return m_info; }
    QWidget *playerPlace() const { return m_player; }
    // The movie's picture, below the information list (hidden when none).
    QLabel *moviePicture() const { return m_picture; }

private:
    Resizer *m_resizer4;
    QWidget *m_player;
    QTreeView *m_info;
    QLabel *m_picture;
};
