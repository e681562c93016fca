# Precompiled Qt headers for clean builds (CI builds everything from nothing
# three times). Off by default: ccache caches little of a build that uses them.
option(MQ_PCH "Precompile the common Qt headers" OFF)

set(MQ_PCH_CORE
    <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QJsonArray>
    <QJsonDocument> <QJsonObject> <QObject> <QSaveFile> <QString> <QStringList>
    <QTcpSocket> <QTimer> <QUrl> <QVector> <functional> <memory> <vector>)
set(MQ_PCH_GUI
    <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGridLayout>
    <QHBoxLayout> <QHeaderView> <QLabel> <QLineEdit> <QMenu> <QMessageBox>
    <QPushButton> <QTreeView> <QVBoxLayout> <QWidget>)

# mq_use_pch(TARGET core|gui): the target compiles with the precompiled headers
# of its kind. (The tests cannot share one: Qt Test defines a macro per folder.)
function(mq_use_pch target kind)
    if(NOT MQ_PCH)
        return()
    endif()
    if(kind STREQUAL "gui")
        target_precompile_headers(${target} PRIVATE ${MQ_PCH_CORE} ${MQ_PCH_GUI})
    else()
        target_precompile_headers(${target} PRIVATE ${MQ_PCH_CORE})
    endif()
endfunction()
