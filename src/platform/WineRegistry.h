// The user's Wine registry (~/.wine/user.reg, or $WINEPREFIX/user.reg): Windows media players
// run under Wine keep their recent-file lists there. "Clear History" deletes those entries.
//
// The file is edited line by line, so everything we do not touch is written back byte for
// byte. Keys are paths below HKEY_CURRENT_USER ("Software\Microsoft\..."), compared without
// regard to case as the registry does. Wine keeps the registry in memory while a Windows
// program runs and writes it back when the last one ends, so the players must be closed first.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// $WINEPREFIX/user.reg when WINEPREFIX is set, else ~/.wine/user.reg.
QString WineUserRegistryPath();

// True when a Windows program of that executable name (e.g. "wmplayer.exe", compared without
// regard to case) runs under Wine: one of our user's processes has it as its command.
bool IsWineProgramRunning(const QString& exeName);

class TWineRegistry {
public:
    explicit TWineRegistry(const QString& path = WineUserRegistryPath());

    const QString& FileName() const { return Path; }
    // False when the file is missing or unreadable: nothing can be deleted then.
    bool Loaded() const { return IsLoaded; }

    bool KeyExists(const QString& key) const;
    // Deletes a key with its values, as RegDeleteKey does: fails when the key does not exist
    // or still has subkeys.
    bool DeleteKey(const QString& key);
    // Deletes one value of a key; fails when the key or the value does not exist.
    bool DeleteValue(const QString& key, const QString& name);
    // Names of the key's values ("" for the default value), for tests and diagnostics.
    QList<QString> ValueNames(const QString& key) const;

    // Writes the file atomically when something was deleted; true when nothing needed writing.
    bool Save();

private:
    struct TKeyRange {
        int Header = -1; // line of "[key] time"
        int End = -1;    // first line after the key's lines
    };
    TKeyRange FindKey(const QString& key) const;
    // The value line of `name` in the key's lines and the count of lines it takes.
    bool FindValue(const TKeyRange& range, const QString& name, int& line, int& count) const;

    QString Path;
    bool IsLoaded = false;
    bool Changed = false;
    QList<QByteArray> Lines;
};
