// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandliststore.h"

#include "modemprotocol.h"

CommandListStore::CommandListStore() : m_ini(Key)
{
    m_ini.setFallback(ModemProtocol::BuiltInCommandList);
}

void CommandListStore::pointAtFile()
{
    // Formed afresh at each use: the working directory may have changed since the last one.
    m_ini.setFileName(SettingsFilePath());
    m_ini.setSection(ExecutableBaseName());
}

QString CommandListStore::read()
{
    pointAtFile();
    return m_ini.value();
}

StoreResult CommandListStore::load(QString *text)
{
    pointAtFile();
    return m_ini.read(text);
}

StoreResult CommandListStore::write(const QString &text)
{
    pointAtFile();
    return m_ini.setValue(text);
}

StoreResult CommandListStore::writeIfUnchanged(const QString &text, const QString &readBefore)
{
    pointAtFile();
    return m_ini.setValueIfUnchanged(text, readBefore);
}

QString CommandListStore::filePath() const
{
    return SettingsFilePath();
}
