#pragma once

#include <QCursor>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/window.h"

class QLineEdit;
class QWidget;

namespace orlenda::platform {

class SiteListModel;
class SiteListView;
class TextProgressBar;

class QtSiteList final : public SiteListControl {
public:
    QtSiteList(SiteListModel& model, SiteListView& view);

    void append(const std::string& text) override;
    std::int64_t rowCount() const override;
    std::string rowText(std::int64_t row) const override;
    void removeRow(std::int64_t row) override;
    void clear() override;
    std::int64_t currentRow() const override;
    void addColumn(const std::string& header) override;
    void setFirstColumnWidth(int twips) override;

private:
    int checkedIndex(std::int64_t row) const;

    SiteListModel& m_model;
    SiteListView& m_view;
};

// Values beyond the range show at the nearest end of the bar. Text and value
// read back as they were set, whatever the bar shows of them.
class QtProgressBar final : public ProgressIndicator {
public:
    explicit QtProgressBar(TextProgressBar& bar);

    std::string text() const override;
    void setText(const std::string& text) override;
    double value() const override;
    void setValue(double value) override;

private:
    TextProgressBar& m_bar;
    std::string m_text;
    double m_value = 0;
};

class QtTextBox final : public TextBox {
public:
    explicit QtTextBox(QLineEdit& edit);

    std::string text() const override;
    void setText(const std::string& text) override;

private:
    QLineEdit& m_edit;
};

class QtMainWindow final : public MainWindow {
public:
    explicit QtMainWindow(QWidget& window);

    int mousePointer() const override;
    void setMousePointer(int code) override;
    void setCaption(const std::string& caption) override;
    void showApplicationIcon() override;
    void setMouseIcon(const std::string& cursorFile) override;
    void setBackColor(std::uint32_t colour) override;
    int controlCount() const override;
    ControlKind controlKind(int index) const override;
    void setControlBackColor(int index, std::uint32_t colour) override;

    QWidget& widget() const { return m_window; }
    // The window's controls, in the window's order.
    void setControls(std::vector<QWidget*> controls) { m_controls = std::move(controls); }

private:
    QWidget& control(int index) const;

    QWidget& m_window;
    std::vector<QWidget*> m_controls;
    // The custom pointer's image; without one it is the desktop's hand.
    std::optional<QCursor> m_customPointer;
    int m_pointer = kPointerDefault;
};

// The widget of a main window made by this layer; null for any other, such as
// a window of the tests: dialogs then open without an owner.
QWidget* WidgetOf(MainWindow& window);

}  // namespace orlenda::platform
