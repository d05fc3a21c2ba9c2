// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QObject>

namespace zarvo {

// Lets only digits, the locale's decimal separator and backspace through to a line edit; every
// other typed character is dropped. Keys that type nothing (arrows, Tab, Delete) pass.
class NumberKeyFilter : public QObject {
    Q_OBJECT
  public:
    NumberKeyFilter(const QLocale& locale, QObject* parent)
        : QObject(parent), m_separator(locale.decimalPoint())
    {
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString m_separator;
};

} // namespace zarvo
