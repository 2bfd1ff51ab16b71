#include "platform/qt/qt_common_dialog.h"

#include <QDir>
#include <QFileDialog>

namespace orlenda::platform {
namespace {

// Windows patterns ("*.txt;*.log", "*.*") in Qt's form: blank-separated, and
// "*.*" as "*" since here names without a dot are files too.
QString QtPatterns(const QString& patterns) {
    QStringList result;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        result.append(trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    return result.join(u' ');
}

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*" as Qt name filters. Qt takes
// the patterns from the last parentheses of each filter and, with
// HideNameFilterDetails, shows what stands before them: the description as
// written.
QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        nameFilters.append(parts[i] + QStringLiteral(" (") + QtPatterns(parts[i + 1]) + u')');
    }
    return nameFilters;
}

}  // namespace

QtCommonDialog::QtCommonDialog(QWidget& owner) : m_owner(owner) {}

std::string QtCommonDialog::fileName() const { return m_fileName; }

void QtCommonDialog::setFileName(const std::string& path) { m_fileName = path; }

// Qt's dialog has no counterpart of these options: the read-only box is never
// read back, and it always takes long names and a typed name of a missing file.
void QtCommonDialog::setFlags(long /*flags*/) {}

void QtCommonDialog::setDialogTitle(const std::string& title) { m_title = title; }

void QtCommonDialog::setFilter(const std::string& filter) { m_nameFilters = NameFiltersOf(filter); }

void QtCommonDialog::setInitDir(const std::string& folder) { m_initDir = folder; }

void QtCommonDialog::showOpen() {
    QFileDialog dialog(&m_owner, QString::fromStdString(m_title));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!m_nameFilters.isEmpty()) dialog.setNameFilters(m_nameFilters);
    if (!m_initDir.empty()) dialog.setDirectory(QString::fromStdString(m_initDir));
    // Paths are UTF-8 with the platform's separators, as everywhere in the
    // program; QFile::encodeName would give the ANSI code page on Windows.
    if (!m_fileName.empty()) dialog.selectFile(QString::fromStdString(m_fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace orlenda::platform
