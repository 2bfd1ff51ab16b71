#include "platform/qt/qt_controls.h"

#include <QCursor>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/qt/cursor_file.h"
#include "platform/qt/site_list_model.h"
#include "platform/qt/site_list_view.h"
#include "platform/qt/text_progress_bar.h"
#include "platform/qt/visible_text.h"
#include "platform/twips.h"

namespace orlenda::platform {
namespace {

QColor ColourOf(std::uint32_t colour) {
    if ((colour & kSystemColour) == 0) {
        return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                      static_cast<int>((colour >> 16) & 0xFF));
    }
    if (colour == kColourButtonFace) {
        return QGuiApplication::palette().color(QPalette::Button);
    }
    throw std::invalid_argument("Invalid property value");
}

// The icon theme's "orlenda" where the program is installed, else its own.
QIcon ApplicationIcon() {
    QIcon own;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        own.addFile(QStringLiteral(":/icons/orlenda-%1.png").arg(size), QSize(size, size));
    }
    return QIcon::fromTheme(QStringLiteral("orlenda"), own);
}

void SetBackground(QWidget& widget, std::uint32_t colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, ColourOf(colour));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace

QtSiteList::QtSiteList(SiteListModel& model, SiteListView& view) : m_model(model), m_view(view) {}

void QtSiteList::append(const std::string& text) { m_model.append(text); }

std::int64_t QtSiteList::rowCount() const { return m_model.rowCount(); }

std::string QtSiteList::rowText(std::int64_t row) const { return m_model.text(checkedIndex(row)); }

void QtSiteList::removeRow(std::int64_t row) { m_model.remove(checkedIndex(row)); }

void QtSiteList::clear() { m_model.clear(); }

std::int64_t QtSiteList::currentRow() const {
    const QModelIndex current = m_view.currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void QtSiteList::addColumn(const std::string& header) {
    m_model.addColumn(QString::fromStdString(header));
}

void QtSiteList::setFirstColumnWidth(int twips) {
    if (m_model.columnCount() == 0) throw std::out_of_range("Index out of bounds");
    m_view.setColumnWidth(0, TwipsToPixels(twips));
}

int QtSiteList::checkedIndex(std::int64_t row) const {
    if (row < 1 || row > rowCount()) throw std::out_of_range("Index out of bounds");
    return static_cast<int>(row - 1);
}

QtProgressBar::QtProgressBar(TextProgressBar& bar) : m_bar(bar) {
    m_bar.setRange(0, 100);
    m_bar.setTextVisible(true);
    m_bar.setAlignment(Qt::AlignCenter);
}

std::string QtProgressBar::text() const { return m_text; }

void QtProgressBar::setText(const std::string& text) {
    m_text = text;
    m_bar.setText(VisibleText(text));
}

double QtProgressBar::value() const { return m_value; }

void QtProgressBar::setValue(double value) {
    m_value = value;
    m_bar.setValue(static_cast<int>(std::clamp(std::lround(value), 0L, 100L)));
}

QtTextBox::QtTextBox(QLineEdit& edit) : m_edit(edit) {}

std::string QtTextBox::text() const { return m_edit.text().toStdString(); }

void QtTextBox::setText(const std::string& text) { m_edit.setText(QString::fromStdString(text)); }

QtMainWindow::QtMainWindow(QWidget& window) : m_window(window) {}

int QtMainWindow::mousePointer() const { return m_pointer; }

void QtMainWindow::setMousePointer(int code) {
    m_pointer = code;
    switch (code) {
        case kPointerHourglass:
            m_window.setCursor(Qt::WaitCursor);
            break;
        case kPointerCustom:
            m_window.setCursor(m_customPointer.value_or(QCursor(Qt::PointingHandCursor)));
            break;
        default:
            m_window.unsetCursor();
            break;
    }
}

void QtMainWindow::setCaption(const std::string& caption) {
    m_window.setWindowTitle(QString::fromStdString(caption));
}

void QtMainWindow::showApplicationIcon() {
    const QIcon icon = ApplicationIcon();
    // Dialogs of the program show it too.
    QGuiApplication::setWindowIcon(icon);
    m_window.setWindowIcon(icon);
}

void QtMainWindow::setMouseIcon(const std::string& cursorFile) {
    m_customPointer = ReadCursorFile(cursorFile);
    if (m_pointer == kPointerCustom) setMousePointer(kPointerCustom);
}

void QtMainWindow::setBackColor(std::uint32_t colour) { SetBackground(m_window, colour); }

int QtMainWindow::controlCount() const { return static_cast<int>(m_controls.size()); }

ControlKind QtMainWindow::controlKind(int index) const {
    const QWidget& widget = control(index);
    return qobject_cast<const QGroupBox*>(&widget) ? ControlKind::Frame : ControlKind::Other;
}

void QtMainWindow::setControlBackColor(int index, std::uint32_t colour) {
    SetBackground(control(index), colour);
}

QWidget& QtMainWindow::control(int index) const {
    if (index < 0 || index >= controlCount()) throw std::out_of_range("Index out of bounds");
    return *m_controls[static_cast<std::size_t>(index)];
}

QWidget* WidgetOf(MainWindow& window) {
    auto* qtWindow = dynamic_cast<QtMainWindow*>(&window);
    return qtWindow ? &qtWindow->widget() : nullptr;
}

}  // namespace orlenda::platform
