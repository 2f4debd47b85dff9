#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/messages.h"

namespace tilt::testing {

// Records every message and answers questions from a script (OK-style answers when the script
// runs out).
class FakeMessages final : public Messages {
  public:
    struct Shown {
        std::string text;
        Buttons buttons;
        std::vector<std::string> choices;  // of a choose(), with the one Return and Escape press
        std::size_t defaultChoice;
        std::size_t escapeChoice;
    };

    void show(const std::string& text) override { shown.push_back({text, Buttons::Ok, {}, 0, 0}); }

    Answer ask(const std::string& text, Buttons buttons) override {
        shown.push_back({text, buttons, {}, 0, 0});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::RetryCancel ? Answer::Retry
               : buttons == Buttons::Ok        ? Answer::Ok
                                               : Answer::No;
    }

    // Answers from `choiceAnswers` (indices), else as Escape would.
    std::size_t choose(const std::string& text, const std::vector<std::string>& choices,
                       std::size_t defaultChoice, std::size_t escapeChoice) override {
        shown.push_back({text, Buttons::Ok, choices, defaultChoice, escapeChoice});
        if (!choiceAnswers.empty()) {
            const std::size_t a = choiceAnswers.front();
            choiceAnswers.pop_front();
            return a;
        }
        return escapeChoice;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<std::size_t> choiceAnswers;
};

}  // namespace tilt::testing
