#include "platform/qt/style_sheet_skin.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QWidget>
#include <stdexcept>

#include "platform/qt/qt_controls.h"

namespace orlenda::platform {
namespace {

// Qt tells of a style sheet it cannot parse only by a warning, given when a
// widget is polished with it.
bool g_sheetRejected = false;
QtMessageHandler g_otherMessages = nullptr;

void WatchForRejectedSheet(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (message.startsWith(QLatin1String("Could not parse"))) {
        g_sheetRejected = true;
    } else if (g_otherMessages) {
        g_otherMessages(type, context, message);
    }
}

bool ParsesAsStyleSheet(const QString& sheet) {
    g_sheetRejected = false;
    g_otherMessages = qInstallMessageHandler(WatchForRejectedSheet);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_otherMessages);
    return !g_sheetRejected;
}

QString ReadSheet(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("The skin file " + path +
                                 " cannot be read: " + file.errorString().toStdString());
    }
    const QByteArray bytes = file.readAll();
    QString sheet = QString::fromUtf8(bytes);
    // A binary file, such as a skin of another program, is no style sheet.
    if (bytes.contains('\0') || !ParsesAsStyleSheet(sheet)) {
        throw std::runtime_error("The skin file " + path + " is not a valid Qt style sheet.");
    }
    return sheet;
}

}  // namespace

void StyleSheetSkin::loadSkin(const std::string& skinFile) {
    m_sheet = ReadSheet(skinFile);
    m_loaded = true;
}

void StyleSheetSkin::attachToWindow(MainWindow& window) {
    if (!m_loaded) throw std::logic_error("No skin is loaded.");
    QWidget* widget = WidgetOf(window);
    if (!widget)
        throw std::invalid_argument("The skin can be attached to a window of Orlenda only.");

    if (!m_keepWindowColours) widget->setPalette(widget->style()->standardPalette());
    widget->setAttribute(Qt::WA_StyledBackground, (m_options & kSkinOptionWindowBackground) != 0);
    if (m_allWindows) {
        qApp->setStyleSheet(m_sheet);
    } else {
        widget->setStyleSheet(m_sheet);
    }
}

}  // namespace orlenda::platform
