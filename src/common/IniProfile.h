// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zarvo {

// Windows profile-file semantics on one INI file: sections and keys compare case-insensitively,
// a value is the raw text after '=' (blanks around it trimmed, no quoting or escaping), and a
// write replaces the key's line in place or appends it to its section, keeping every other line.
// Every call reads the file afresh, so several objects on one file stay consistent.
class IniProfile {
  public:
    explicit IniProfile(QString fileName);

    const QString& fileName() const { return m_fileName; }

    bool hasSection(const QString& section) const;
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // A decimal prefix (blanks, sign, digits); a missing key or no digits give def.
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Throws IniWriteError when the file cannot be written. Line breaks in a value are dropped.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

  private:
    QString m_fileName;
};

} // namespace zarvo
