#include "platform/qt/site_list_view.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include "platform/controls.h"

namespace orlenda::platform {

// Lies over the list as a sibling, so above every part of it, lets every
// mouse event through to what lies below, and paints nothing but the list's
// own frame, with the list's style.
class FrameOverlay final : public QWidget {
public:
    explicit FrameOverlay(SiteListView& list) : QWidget(list.parentWidget()), m_list(list) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(list.geometry());
        list.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                setGeometry(m_list.geometry());
                break;
            case QEvent::Show:
                show();
                raise();
                break;
            case QEvent::Hide:
                hide();
                break;
            default:
                break;
        }
        return false;
    }
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        m_list.drawFrame(&painter);
    }

private:
    SiteListView& m_list;
};

SiteListView::SiteListView(QWidget* parent) : QTableView(parent) {
    if (parent) m_frameOverlay = new FrameOverlay(*this);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed, uniform rows keep scrolling and appending cheap with very long lists.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitRowsToFont();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

SiteListView::~SiteListView() { delete m_frameOverlay; }

void SiteListView::fitRowsToFont() {
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
}

void SiteListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitRowsToFont();
}

bool SiteListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        QString tip = toolTip();
        if (index.isValid()) {
            const QString text = index.data().toString();
            const int available = columnWidth(index.column()) - 8;
            if (fontMetrics().horizontalAdvance(text) > available) tip = text;
        }
        QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QTableView::viewportEvent(event);
}

void SiteListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit doubleClickedAnywhere();
}

void SiteListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit keyDown(kDeleteKeyCode);
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace orlenda::platform
