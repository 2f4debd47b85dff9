#pragma once

#include <deque>
#include <string>
#include <vector>

#include "shell/messages.h"

namespace tilt::testing {

// Records every message and answers questions from a script (OK-style answers when the script
// runs out).
class FakeMessages final : public Messages {
  public:
    struct Shown {
        std::string text;
        Buttons buttons;
    };

    void show(const std::string& text) override { shown.push_back({text, Buttons::Ok}); }

    Answer ask(const std::string& text, Buttons buttons) override {
        shown.push_back({text, buttons});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::RetryCancel ? Answer::Retry
               : buttons == Buttons::YesNo     ? Answer::No
                                               : Answer::Ok;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
};

}  // namespace tilt::testing
