#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tilt {

inline constexpr std::string_view kNoPortSelected = "No comm port has been selected!";

// The question before a command that destroys data: the warning, then how to answer (lines
// joined by CR LF).
[[nodiscard]] inline std::string destructiveQuestion(std::string_view warning) {
    return std::string(warning) + "\r\nClick YES to proceed.\r\nClick NO to cancel this operation.";
}

// The program's message boxes, all titled "Tiltavarometer". The desktop program shows Qt
// message boxes; the command line prints; tests record and script the answers.
class Messages {
  public:
    // YesNoDefaultNo: a question before a step that may lose data, where Return answers No.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo, RetryCancel };
    enum class Answer { Ok, Yes, No, Retry, Cancel };

    virtual ~Messages() = default;

    // Shows `text` with an OK button and returns once the user has seen it.
    virtual void show(const std::string& text) = 0;

    // Asks a question with the given buttons and returns the button chosen. Escape and closing
    // the box answer No, or Retry: never the answer that ends the program or destroys data.
    virtual Answer ask(const std::string& text, Buttons buttons) = 0;

    // Asks a question whose answers are `choices` (button captions, in order) and returns the
    // index of the one chosen. Return presses `defaultChoice`; Escape and closing the box answer
    // `escapeChoice`.
    virtual std::size_t choose(const std::string& text, const std::vector<std::string>& choices,
                               std::size_t defaultChoice, std::size_t escapeChoice) = 0;
};

}  // namespace tilt
