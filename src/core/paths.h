#pragma once

#include <QString>

namespace tarvel {

// The program folder: the folder of the executable, with its trailing separator. Every relative
// path of the program ("baze", "xml", "xml_in", "xml_out", "tecaj", Postavke.ini) is built on it.
// Tests point it at a temporary folder.
class Paths
{
public:
    static QString programFolder();
    static void setProgramFolder(const QString& folder);
    // programFolder() + relative, with '/' separators.
    static QString file(const QString& relative);
    static QString databaseFile() { return file(QStringLiteral("baze/fiskal.db")); }
    static QString backupFile() { return file(QStringLiteral("baze/backup.db")); }
    static QString settingsFile() { return file(QStringLiteral("Postavke.ini")); }
};

} // namespace tarvel
