#pragma once

#include <cstdint>
#include <string>

namespace orlenda::platform {

// Key codes reach the handlers as Windows virtual-key codes on every platform.
inline constexpr int kDeleteKeyCode = 46;

// The site list control: the only store of the addresses. Rows are numbered
// from 1; counts are 64-bit so that very long lists never wrap.
class SiteListControl {
public:
    virtual ~SiteListControl() = default;

    virtual void append(const std::string& text) = 0;
    virtual std::int64_t rowCount() const = 0;
    virtual std::string rowText(std::int64_t row) const = 0;
    virtual void removeRow(std::int64_t row) = 0;
    virtual void clear() = 0;
    // The selected row, or 0 when no row is selected.
    virtual std::int64_t currentRow() const = 0;

    virtual void addColumn(const std::string& header) = 0;
    // Fails when the list has no column yet.
    virtual void setFirstColumnWidth(int twips) = 0;
};

// A bar with a text and a value from 0 to 100.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;

    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    virtual double value() const = 0;
    virtual void setValue(double value) = 0;
};

// A one-line text box; setting its text raises its change event.
class TextBox {
public:
    virtual ~TextBox() = default;

    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

}  // namespace orlenda::platform
