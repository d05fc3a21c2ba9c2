// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for /sys/class/net in the dial-up tests: a folder per link with its flags file.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo::test {

// Makes (or updates) link `name` with the interface flags `flags` ("0x1091": up).
inline void MakeLink(const QTemporaryDir& root, const QString& name, const char* flags)
{
    QDir(root.path()).mkpath(name);
    QFile f(root.filePath(name + "/flags"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(flags);
}

} // namespace zarvo::test
