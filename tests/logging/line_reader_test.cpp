#include "logging/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "logging/text_writer.h"

namespace tilt::logging {
namespace {

TEST(LineReader, SplitsAtLineFeedsWhereverTheChunksEnd) {
    using Expected = std::pair<std::string, bool>;  // the text, and whether CR LF ended it
    struct Case {
        std::string input;
        std::vector<Expected> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a\r\nbc\r\n", {{"a", true}, {"bc", true}}},
        {"\r\n\r\n", {{"", true}, {"", true}}},
        {"a\nb", {{"a", false}, {"b", false}}},
        {"cut\r", {{"cut", false}}},
        {"a\r\r\n", {{"a\r", true}}},
        {std::string(300, 'x') + "\r\ny", {{std::string(300, 'x'), true}, {"y", false}}},
    };
    for (const std::size_t chunk : {1u, 2u, 3u, 7u, 4096u}) {
        for (const auto& c : cases) {
            const FilePtr file(std::tmpfile());
            ASSERT_TRUE(file);
            std::fwrite(c.input.data(), 1, c.input.size(), file.get());
            std::rewind(file.get());

            LineReader reader(file.get(), chunk);
            std::vector<Expected> lines;
            while (const auto line = reader.next()) {
                lines.push_back({std::string(line->text), line->endsWithCrLf});
            }
            EXPECT_EQ(lines, c.lines) << c.input.substr(0, 10) << " by " << chunk;
            EXPECT_EQ(reader.consumed(), c.input.size());
            EXPECT_EQ(reader.readError(), 0);
        }
    }
}

}  // namespace
}  // namespace tilt::logging
