#include "platform/qt/site_list_model.h"

#include "platform/qt/visible_text.h"

namespace orlenda::platform {

SiteListModel::SiteListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SiteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rowCount);
}

int SiteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant SiteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() != 0) return {};
    if (role == Qt::DisplayRole) return VisibleText(text(index.row()));
    return {};
}

QVariant SiteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headers.size()) {
        return m_headers[section];
    }
    return {};
}

void SiteListModel::append(const std::string& text) {
    // Everything that can fail comes first, so that when memory runs out the
    // list stays as it was. From beginInsertRows on nothing may throw: the
    // views would be left in the middle of an insert.
    if (m_rows.size() == m_rowCount) m_rows.emplace_back();
    std::string copy = text;
    const int row = static_cast<int>(m_rowCount);
    beginInsertRows({}, row, row);
    m_rows[m_rowCount].swap(copy);
    ++m_rowCount;
    endInsertRows();
}

void SiteListModel::remove(int row) {
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    --m_rowCount;
    endRemoveRows();
}

void SiteListModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowCount = 0;
    endResetModel();
}

void SiteListModel::addColumn(const QString& header) {
    const int column = static_cast<int>(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers.append(header);
    endInsertColumns();
}

}  // namespace orlenda::platform
