// SPDX-License-Identifier: GPL-3.0-or-later
// One value of an INI file, addressed by file name, section and key (Windows INI rules).
// Lives on the thread that made it; each user has its own.
#pragma once

#include "storeresult.h"

#include <QString>

class IniStore
{
public:
    explicit IniStore(const QString &key);

    void setFileName(const QString &path);
    QString fileName() const;
    void setSection(const QString &section);
    QString section() const;
    QString key() const;

    // What value() gives while the file, the section or the key is absent. Never written.
    QString fallback() const;
    void setFallback(const QString &text);

    // The stored text ("" for a key present but empty), or the fallback when absent.
    // A file that cannot be read counts as absent.
    QString value() const;
    // The same text, but a file that is there and cannot be read (not a regular file, larger
    // than the store reads, a read error) fails, saying what failed; *text is the fallback.
    StoreResult read(QString *text) const;
    // The same, without waiting for a save another program is making: that fails at once
    // (Locked, 0 seconds). For what is looked at again and again, such as a window's refresh.
    StoreResult glance(QString *text) const;

    // Writes the value at once and atomically (in place when the folder takes no new files):
    // only the key's line of the section changes, every other byte of the file stays, and
    // value() then gives back exactly the text (CR and LF as blanks); a text the file's
    // encoding cannot hold is refused. The failure says what failed.
    StoreResult setValue(const QString &text);
    // The same, only while the value still reads as `readBefore` (the fallback while absent),
    // checked under the save's lock: a value another program or window stored since it was read
    // is not written over unseen (ChangedMeanwhile, nothing written).
    StoreResult setValueIfUnchanged(const QString &text, const QString &readBefore);

private:
    StoreResult readFor(QString *text, bool waitForSave) const;
    StoreResult write(const QString &text, const QString *readBefore);

    QString m_fileName;
    QString m_section;
    QString m_key;
    QString m_fallback;
};

inline const QString SettingsFileSuffix = QStringLiteral(".INI");
// Added to the file's name for the one temporary file a save writes before renaming it over
// the file (left behind only by a save that was killed, and taken over by the next).
inline const QString IniTempSuffix = QStringLiteral(".tavoli-tmp");
// "<current working directory>/<executable base name>.INI", formed afresh at each call.
QString SettingsFilePath();
// The running program's file name without its extension.
QString ExecutableBaseName();
