#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <deque>
#include <string>

namespace orlenda::platform {

// The rows of the site list, held as UTF-8 so that a million addresses stay
// small; the view converts only the rows it shows.
class SiteListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SiteListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Throws std::bad_alloc when memory runs out, leaving the rows as they were.
    void append(const std::string& text);
    const std::string& text(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    void remove(int row);
    void clear();
    void addColumn(const QString& header);

private:
    // A deque never moves its rows when it grows: appending stays quick at any
    // length. Past the rows it may hold one spare, made ready before an append
    // announces its row.
    std::deque<std::string> m_rows;
    std::size_t m_rowCount = 0;
    QStringList m_headers;
};

}  // namespace orlenda::platform
