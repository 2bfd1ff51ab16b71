#pragma once

#include <QPointer>
#include <QTableView>

namespace orlenda::platform {

// A report-style list of one column: a visible, resizable header, no grid,
// one selected row. Long addresses are cut with an ellipsis; resting the mouse
// on such a row shows it whole, anywhere else the list's own tooltip shows.
class SiteListView final : public QTableView {
    Q_OBJECT

public:
    explicit SiteListView(QWidget* parent = nullptr);
    ~SiteListView() override;

signals:
    // A double click anywhere on the list, on a row or not.
    void doubleClickedAnywhere();
    // A key pressed while the list has the focus, with its Windows key code
    // (46 for Delete) so that handlers see the same codes on every platform.
    void keyDown(int keyCode);

protected:
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class FrameOverlay;

    void fitRowsToFont();

    // At fractional scale factors (1.25, 1.5) the viewport, the header and
    // the scroll bars, rounded to whole device pixels, cover the right edge
    // of the list's frame; it is drawn once more over them on this widget.
    // Only a list placed in a window has one.
    QPointer<QWidget> m_frameOverlay;
};

}  // namespace orlenda::platform
