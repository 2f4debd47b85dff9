#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/file_dialogs.h"

namespace tilt::testing {

// File dialogs without a window: records each request and answers from a script; an empty
// script cancels.
class ScriptedFileDialogs final : public FileDialogs {
  public:
    std::optional<std::string> save(const Request& request) override { return answer(request); }
    std::optional<std::string> open(const Request& request) override { return answer(request); }

    std::vector<Request> requests;
    std::deque<std::optional<std::string>> answers;

  private:
    std::optional<std::string> answer(const Request& request) {
        requests.push_back(request);
        if (answers.empty()) {
            return std::nullopt;
        }
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace tilt::testing
