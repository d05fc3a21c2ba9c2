#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zarvo {

class TZarvo;

// What saving every message of the modem into a folder achieved.
struct BatchSaveReport {
    int Saved = 0;
    int Skipped = 0;         // data and unknown messages: nothing to save them as
    std::vector<int> Failed; // message numbers that could not be downloaded or saved
    QStringList Problems;    // one German line per failed message
    bool AllSaved() const { return Failed.empty(); }
};

// The file name a message is saved under: "MESS" + number + ".TIF" or ".WAV".
QString BatchFileName(int number, char type);

// Downloads messages 1..messageCount and saves faxes as MESS<n>.TIF and voice messages as
// MESS<n>.WAV into `folder` (ending in "/"). A file of that name that exists already is never
// replaced: that message counts as failed, as does one whose download or conversion fails.
BatchSaveReport SaveAllMessages(TZarvo& zarvo, const QString& folder, int messageCount);

} // namespace zarvo
