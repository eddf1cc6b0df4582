#pragma once

#include <QString>

// Where "comm.set" and the COMn links live. A copy run from its own folder
// (or the build folder) keeps them beside the program; an installed program,
// whose folder the user cannot write, keeps them in the user's configuration
// folder, and still reads a "comm.set" beside the program until the user has
// saved one.
struct SettingsLocation {
    SettingsLocation(const QString& folder) : folder(folder) {} // NOLINT: a folder is a location
    SettingsLocation(const QString& folder, const QString& fallbackFile)
        : folder(folder), fallbackFile(fallbackFile) {}

    QString folder;       // comm.set is written here; COMn links are looked up here
    QString fallbackFile; // read when folder holds no comm.set; may be empty

    QString settingsFile() const;
    // The file start-up reads.
    QString fileToRead() const;
};

SettingsLocation LocateSettings(const QString& programFolder, const QString& userConfigFolder);

// The folder of the running program's executable, links resolved.
QString ProgramFolder();

// Where a program in `programFolder` keeps its settings: LocateSettings with
// the user's configuration folder of this application's name, so call it
// after the name is set. The window and ht5530k-cli share the place.
SettingsLocation ProgramSettings(const QString& programFolder = ProgramFolder());
