// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Taking the folders of earlier batch runs into the archive: their Nachrichten.csv names caller,
// time and files of each message; files MESS<n>.WAV/.TIF/.PDF/.DAT the index does not name (or a
// folder without an index) are taken by their files alone, with the file's time as the reception.
namespace zarvo::archive {

class Archive;

struct BatchFolderContent {
    std::vector<ArchivedMessageInput> messages;
    QStringList problems; // German: files the index names but the folder lacks, an unreadable index
};

// What a batch folder holds, read without changing anything.
BatchFolderContent readBatchFolder(const QString& folder);

// A reception time as the message list showed it ("09.12.2026 14:03:00" and the like), taken as
// local time with its offset; invalid when it is none ("Uhr Neustart").
QDateTime parseListedTime(const QString& text);

struct ImportReport {
    int stored = 0;
    int alreadyThere = 0;
    int failed = 0;
    QStringList problems;
};

// Imports the folder's messages; each message is stored once however often it is imported.
ImportReport importBatchFolder(Archive& archive, const QString& folder,
                               const std::function<void(int, int)>& progress = {});

} // namespace zarvo::archive
