#include "link/settings_location.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "link/settings_file.h"

QString SettingsLocation::settingsFile() const {
    return folder + QLatin1Char('/') + kSettingsFileName;
}

QString SettingsLocation::fileToRead() const {
    const QString own = settingsFile();
    return fallbackFile.isEmpty() || QFileInfo::exists(own) ? own : fallbackFile;
}

namespace {

// Permission bits do not tell (root, read-only mounts): try to create a file.
bool CanCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.ht5530k-XXXXXX"));
    return probe.open();
}

} // namespace

SettingsLocation LocateSettings(const QString& programFolder, const QString& userConfigFolder) {
    if (CanCreateFilesIn(programFolder)) {
        return {programFolder};
    }
    return {userConfigFolder, programFolder + QLatin1Char('/') + kSettingsFileName};
}

QString ProgramFolder() {
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
}

SettingsLocation ProgramSettings(const QString& programFolder) {
    return LocateSettings(programFolder,
                          QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
