#include "platform/qt/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <stdexcept>

namespace orlenda::platform {
namespace {

constexpr char kOrganisation[] = "Tovrik";
constexpr char kApplication[] = "Orlenda";

// A fresh view of the store for each operation, so that every read sees what
// another copy of the program may have written meanwhile.
QSettings OpenStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
}

std::string Where(const QSettings& settings) { return settings.fileName().toStdString(); }

}  // namespace

std::string QtSettingsStore::ReadSetting(const std::string& key,
                                         const std::string& defaultText) const {
    const QSettings settings = OpenStore();
    // The status cannot tell: QSettings answers from its cache of the file
    // without looking, and reports its own pending writes as access errors.
    // The registry (Windows) is no file and is read afresh each time.
    QFile file(settings.fileName());
    if (file.exists() && !file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("The settings in " + Where(settings) + " cannot be read.");
    }
    const QString name = QString::fromStdString(key);
    if (!settings.contains(name)) return defaultText;
    const QVariant value = settings.value(name);
    // An unquoted comma in a hand-edited file makes the INI reader split the
    // text into a list; the user meant one text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

void QtSettingsStore::WriteSetting(const std::string& key, const std::string& text) {
    QSettings settings = OpenStore();
    const QString name = QString::fromStdString(key);
    const bool wasStored = settings.contains(name);
    const QVariant stored = settings.value(name);

    // A file store is replaced as a whole through a temporary file, so a
    // refused write leaves the earlier file untouched; the registry refuses a
    // value, or the program's key, on its own.
    settings.setValue(name, QString::fromStdString(text));
    settings.sync();
    // A file that was partly unreadable (a format error) is written all the same.
    if (settings.status() != QSettings::AccessError) return;

    // The refused text would otherwise stay pending in the process-wide cache
    // of the file and be read back as if stored. The earlier text stays
    // pending instead, to be written again with the next write that succeeds.
    // (The registry has no such cache: there this only tries the earlier text
    // once more.)
    if (wasStored) {
        settings.setValue(name, stored);
    } else {
        settings.remove(name);
    }
    throw std::runtime_error("The setting \"" + key + "\" could not be saved: " + Where(settings) +
                             " or its folder cannot be written, or the disk is full.");
}

std::string QtSettingsStore::settingsFolder() const {
#ifdef Q_OS_WIN
    return {};  // a registry key
#else
    const QString file = OpenStore().fileName();
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath()).toStdString();
#endif
}

}  // namespace orlenda::platform
