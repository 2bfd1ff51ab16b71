#include "platform/qt/qt_dialogs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace orlenda::platform {
namespace {

QString CaptionOrApplicationTitle(const std::string& caption) {
    return caption.empty() ? QGuiApplication::applicationDisplayName()
                           : QString::fromStdString(caption);
}

// Messages break lines with CR LF or a lone CR; a label breaks them at LF.
QString WithDisplayLineBreaks(const std::string& text) {
    return QString::fromStdString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\r', u'\n');
}

}  // namespace

QtDialogs::QtDialogs(QWidget& owner) : m_owner(owner) {}

void QtDialogs::messageBox(const std::string& text, int style, const std::string& caption) {
    QMessageBox box(style == kMessageExclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    CaptionOrApplicationTitle(caption), WithDisplayLineBreaks(text),
                    QMessageBox::Ok, &m_owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& caption) {
    QInputDialog dialog(&m_owner);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(CaptionOrApplicationTitle(caption));
    dialog.setLabelText(QString::fromStdString(prompt));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toStdString();
}

void QtEventPump::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace orlenda::platform
