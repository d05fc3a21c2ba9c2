// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads and writes for tests: a file that cannot be read reads as empty, a write that
// fails fails the test.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace zarvo::test {

inline QByteArray ReadFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& name, const QByteArray& data)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size())
        << name.toStdString();
}

} // namespace zarvo::test
