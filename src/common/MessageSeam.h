// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>

namespace zarvo {

// Every message box and modal question of the program goes through this seam: the desktop program
// binds it to real message boxes, tests bind scripted answers, headless batch runs bind standard
// error. Captions are passed in full ("ZARVO" for most boxes, "Zarvo" for the two questions).
class MessageSeam {
  public:
    virtual ~MessageSeam() = default;
    // A Yes/No question; true on Yes. A seam that cannot ask answers No.
    virtual bool question(const QString& caption, const QString& text) = 0;
    // A plain message with an OK button.
    virtual void information(const QString& caption, const QString& text) = 0;
    virtual void warning(const QString& caption, const QString& text) = 0;
    // The application's standard error box (conversion errors, file errors).
    virtual void error(const QString& caption, const QString& text) = 0;
};

// The caption of the application's own boxes.
inline const QString kAppCaption = QStringLiteral("ZARVO");

// Writes every message to standard error as "zarvo: <text>", with a caption other than the
// program's own after the prefix ("zarvo: Warnung: <text>"); carriage returns become line ends.
// Every question is answered No, so a run without a display never waits for input.
class StderrMessages : public MessageSeam {
  public:
    bool question(const QString& caption, const QString& text) override;
    void information(const QString& caption, const QString& text) override;
    void warning(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;
};

// The seam in use; standard error until the program or a test installs another.
MessageSeam& Messages();
// Installs `seam` (not owned; nullptr restores standard error). Returns the previous one.
MessageSeam* SetMessages(MessageSeam* seam);

// The standard error display for an exception that ended a command: its what() text, UTF-8.
void ShowException(const std::exception& e);

} // namespace zarvo
