#include "platform/qt/visible_text.h"

#include <QChar>
#include <QList>

namespace orlenda::platform {
namespace {

// Far wider than any screen; a row of 2 MB would take a second to lay out.
constexpr std::size_t kLongestShownBytes = 4096;

bool IsHidden(char32_t code) {
    switch (QChar::category(code)) {
        case QChar::Other_Control:  // C0, DEL, C1
        case QChar::Other_Format:   // bidirectional marks, zero widths, tags
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return true;
        default:
            return false;
    }
}

QString Escape(char32_t code) {
    const bool basic = code <= 0xFFFF;
    return (basic ? QStringLiteral("\\u") : QStringLiteral("\\U")) +
           QString::number(code, 16).toUpper().rightJustified(basic ? 4 : 8, QLatin1Char('0'));
}

}  // namespace

QString VisibleText(std::string_view utf8) {
    const bool cut = utf8.size() > kLongestShownBytes;
    if (cut) {
        std::size_t end = kLongestShownBytes;
        while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
        utf8 = utf8.substr(0, end);
    }
    QString shown;
    for (const char32_t code :
         QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4()) {
        if (IsHidden(code)) {
            shown += Escape(code);
        } else {
            shown.append(QStringView(QChar::fromUcs4(code)));
        }
    }
    if (cut) shown += QChar(0x2026);
    return shown;
}

}  // namespace orlenda::platform
