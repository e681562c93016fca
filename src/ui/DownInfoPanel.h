#pragma once

#include <QWidget>

struct AppCore;
class PartsChart;
class QStackedWidget;
class QTreeView;

// `picDownInfo`: details of the selected job in progress. The splitter
// `Resizer3` holds the detail tree `tvNowDown` ("Chart", "Part k") beside a
// page showing the information list (`lvResponse` 0), a part's log
// (`lvResponse` 1) or the parts chart.
class DownInfoPanel : public QWidget {
    Q_OBJECT
public:
    DownInfoPanel(AppCore &core, QWidget *parent = nullptr);

    QTreeView *tvNowDown() const { return m_tree; }
    QTreeView *lvResponse(int index) const { return m_response[index]; }
    PartsChart *chart() const { return m_chart; }
    // 0 the information list, -1 the chart, k the log of part k.
    void showPage(int page);
    int page() const { return m_page; }
    // The job whose details are shown, 0 when none.
    int job() const { return m_job; }
    // Redraws the chart and the information list of the selected job.
    void refresh();

private:
    AppCore &m_core;
    QTreeView *m_tree;
    QStackedWidget *m_pages;
    QTreeView *m_response[2];
    QWidget *m_chartPage;
    PartsChart *m_chart;
    int m_page = 0;
    int m_job = 0;
};
