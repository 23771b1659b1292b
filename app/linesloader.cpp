// SPDX-License-Identifier: GPL-3.0-or-later
// The program's side of the lines' module: found at the same place relative to the program in
// the build tree and once installed (TAVOLI_LINES_MODULE), loaded with dlopen once, never
// unloaded (the sessions it makes live until the program ends). Its standard() replaces the
// library's (lineaccess.h).
#include "linesmodule.h"

#include "linesession.h"
#include "windowtexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

#include <dlfcn.h>

#ifndef TAVOLI_VERSION
#define TAVOLI_VERSION "0"
#endif

namespace LinesModule {
namespace {

struct Loaded
{
    const Entry *entry = nullptr;
    QString error; // when entry is null: why, in the program's words
};

Loaded load()
{
    // Relative to the program; a test that has no installed layout names it whole.
    const QString path =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TAVOLI_LINES_MODULE));
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (!QFileInfo::exists(path))
        return {nullptr, WindowTexts::LinesModuleMissing.arg(shown)};
    void *module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return {nullptr,
                WindowTexts::LinesModuleUnloadable.arg(shown, QString::fromLocal8Bit(::dlerror()))};
    const auto entryOf = reinterpret_cast<EntryFunction>(::dlsym(module, EntryName));
    const Entry *entry = entryOf ? entryOf() : nullptr;
    if (!entry)
        return {nullptr, WindowTexts::LinesModuleForeign.arg(shown)};
    if (std::strcmp(entry->version, TAVOLI_VERSION) != 0)
        return {nullptr,
                WindowTexts::LinesModuleOtherVersion.arg(shown, QString::fromUtf8(entry->version),
                                                         QStringLiteral(TAVOLI_VERSION))};
    return {entry, QString()};
}

const Loaded &loaded()
{
    // Loaded by the first caller: the face's thread, before it asks for any session.
    static const Loaded once = load();
    return once;
}

bool ready(QString *why)
{
    const Loaded &module = loaded();
    if (!module.entry && why)
        *why = module.error;
    return module.entry;
}

std::unique_ptr<LineSession> makeSession(SessionHandle &handle, Transcript *transcript)
{
    return loaded().entry->makeSession(handle, transcript);
}

DeviceAddress parseAddress(const QString &text)
{
    return loaded().entry->parseAddress(text);
}

} // namespace

LineAccess access()
{
    return {&makeSession, &parseAddress, &ready};
}

int runCommands(const QStringList &arguments)
{
    QString why;
    if (!ready(&why)) {
        std::fprintf(stderr, "tavoli: %s\n",
                     qUtf8Printable(WindowTexts::LinesUnavailable.arg(why)));
        return ExitUnavailable;
    }
    return loaded().entry->runCommands(arguments);
}

} // namespace LinesModule

LineAccess LineAccess::standard()
{
    return LinesModule::access();
}
