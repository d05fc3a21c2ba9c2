// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Message seam for tests: records every box and answers questions from a script.
//
//   zarvo::test::ScriptedMessages boxes;        // installed while it lives
//   boxes.answers = {true};                     // the first question is answered Yes
//   ... run the window ...
//   EXPECT_EQ(boxes.shown.at(0).text, "Soll der Speicher wirklich gelöscht werden?");

#include "common/MessageSeam.h"

#include <QString>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace zarvo::test {

class ScriptedMessages : public MessageSeam {
  public:
    enum class Kind { Question, Information, Warning, Error };
    struct Box {
        Kind kind;
        QString caption;
        QString text;
    };

    ScriptedMessages() : m_previous(SetMessages(this)) {}
    ~ScriptedMessages() override { SetMessages(m_previous); }
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    std::vector<Box> shown;
    std::deque<bool> answers;           // questions take these in order; No when empty
    std::function<void()> beforeAnswer; // runs once, while the next question waits

    bool question(const QString& caption, const QString& text) override
    {
        shown.push_back({Kind::Question, caption, text});
        if (auto run = std::exchange(beforeAnswer, nullptr))
            run();
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void information(const QString& caption, const QString& text) override
    {
        shown.push_back({Kind::Information, caption, text});
    }
    void warning(const QString& caption, const QString& text) override
    {
        shown.push_back({Kind::Warning, caption, text});
    }
    void error(const QString& caption, const QString& text) override
    {
        shown.push_back({Kind::Error, caption, text});
    }

  private:
    MessageSeam* m_previous;
};

} // namespace zarvo::test
