#pragma once

#include <QColor>
#include <QFrame>
#include <QPointF>
#include <QVariantMap>

class QLabel;

// A container that splits its area between the first two widgets placed in
// it, with a draggable separator bar `lblResizer` between them. Sizes are in
// twips (15 to a pixel), so the defaults are a 3-pixel bar and 6-pixel panes.
class Resizer : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int SeparatorSize READ SeparatorSize WRITE setSeparatorSize)
    Q_PROPERTY(int Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool InvertControls READ InvertControls WRITE setInvertControls)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int Appearance READ Appearance WRITE setAppearance)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QString ControlName1 READ ControlName1 WRITE setControlName1)
    Q_PROPERTY(QString ControlName2 READ ControlName2 WRITE setControlName2)
    Q_PROPERTY(int MinControlSize1 READ MinControlSize1 WRITE setMinControlSize1)
    Q_PROPERTY(int MinControlSize2 READ MinControlSize2 WRITE setMinControlSize2)
    Q_PROPERTY(bool Control1Visible READ Control1Visible WRITE setControl1Visible)
    Q_PROPERTY(bool Control2Visible READ Control2Visible WRITE setControl2Visible)
    Q_PROPERTY(int Control1Size READ Control1Size WRITE setControl1Size)
    Q_PROPERTY(int Control2Size READ Control2Size WRITE setControl2Size)
    Q_PROPERTY(bool CanResize READ CanResize WRITE setCanResize)
public:
    static constexpr int TwipsPerPixel = 15;
    static int toPixels(int twips) { return twips / TwipsPerPixel; }
    static int toTwips(int pixels) { return pixels * TwipsPerPixel; }
    // Marks a widget as a report list whose border the container hides.
    static void markListView(QWidget *widget);

    explicit Resizer(QWidget *parent = nullptr);

    int SeparatorSize() const { return m_separatorSize; }
    void setSeparatorSize(int twips);
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    bool InvertControls() const { return m_invert; }
    void setInvertControls(bool invert);
    QColor BackColor() const;
    void setBackColor(const QColor &color);
    int Appearance() const { return m_appearance; }
    void setAppearance(int appearance);
    void setEnabled(bool enabled);
    QString ControlName1() const;
    void setControlName1(const QString &name);
    QString ControlName2() const;
    void setControlName2(const QString &name);
    int MinControlSize1() const { return m_min[0]; }
    void setMinControlSize1(int twips);
    int MinControlSize2() const { return m_min[1]; }
    void setMinControlSize2(int twips);
    bool Control1Visible() const { return m_visible[0]; }
    void setControl1Visible(bool visible) { setPaneVisible(0, visible); }
    bool Control2Visible() const { return m_visible[1]; }
    void setControl2Visible(bool visible) { setPaneVisible(1, visible); }
    int Control1Size() const { return paneSize(0); }
    void setControl1Size(int twips) { setPaneSize(0, twips); }
    int Control2Size() const { return paneSize(1); }
    void setControl2Size(int twips) { setPaneSize(1, twips); }
    bool CanResize() const { return m_canResize; }
    void setCanResize(bool canResize);

    QString Tag; // free text for the owner, e.g. the size of a hidden pane

    QWidget *pane(int n) const; // 1 or 2, in the container's order
    QWidget *startControl() const { return pane(m_invert ? 2 : 1); }
    QWidget *endControl() const { return pane(m_invert ? 1 : 2); }
    QLabel *separator() const { return m_separator; }

    // Lays out the panes from their current sizes, the flags and the minimums.
    void layoutPanes();

    // The properties that differ from their defaults, and reading them back.
    QVariantMap writeProperties() const;
    void readProperties(const QVariantMap &bag);

signals:
    void SizeChanged();
    void propertyChanged(const QString &name);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setPaneVisible(int index, bool visible);
    int paneSize(int index) const;
    void setPaneSize(int index, int twips);
    int along(const QRect &r) const; // height (0) or width (1)
    int innerLength() const;
    void fill(QWidget *pane);
    void place(QWidget *start, QWidget *end, int startLength);
    void placeOne(QWidget *pane, int offset, int length);
    void dragTo(const QPointF &pos);
    void updateCursor();
    void changed(const char *name);

    QLabel *m_separator;
    int m_separatorSize = 45;
    int m_orientation = 1;
    int m_borderStyle = 1;
    bool m_invert = false;
    int m_appearance = 1;
    int m_min[2] = {90, 90};
    bool m_visible[2] = {true, true};
    bool m_canResize = true;
    bool m_dragging = false;
    QPointF m_pressPos;
};
